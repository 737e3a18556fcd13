#include "PdhApi.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view ObjectName = "PhysicalDisk";
constexpr std::string_view CounterName = "% Idle Time";
constexpr std::string_view TotalName = "_Total";

// io_ticks is the 13th column: "major minor name" and then its 10th field.
constexpr std::size_t IoTicksColumn = 13;

PdhLinuxSource& Source()
{
    static PdhLinuxSource source;
    return source;
}

// A file descriptor, closed when it goes out of scope.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor()
    {
        if (FFd >= 0)
            close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int get() const { return FFd; }

private:
    int FFd;
};

// A directory stream, closed when it goes out of scope.
class TDirectory {
public:
    explicit TDirectory(const std::string& path) : FDir(opendir(path.c_str())) {}
    ~TDirectory()
    {
        if (FDir)
            closedir(FDir);
    }
    TDirectory(const TDirectory&) = delete;
    TDirectory& operator=(const TDirectory&) = delete;

    DIR* get() const { return FDir; }

private:
    DIR* FDir;
};

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string HostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

// Machine names come with or without their leading "\\"; an empty name is
// this computer, as a null one is.
bool IsThisMachine(std::string_view machine)
{
    for (int i = 0; i < 2 && !machine.empty() && machine.front() == '\\'; ++i)
        machine.remove_prefix(1);
    return machine.empty() || EqualsNoCase(machine, HostName());
}

std::int64_t NowNs()
{
    if (Source().clockNs)
        return Source().clockNs();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// A name that stays one entry below <sys>/block.
bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// Whether <disk>/device exists below the folder (a descriptor, or AT_FDCWD
// for a disk given by its whole path). The link itself is what marks a disk;
// where it points does not matter.
bool HasDeviceEntry(int folder, std::string_view disk)
{
    const std::string device = std::string(disk) + "/device";
    struct stat info {};
    return fstatat(folder, device.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool IsPhysicalDisk(const std::string& name)
{
    return IsPlainName(name) && HasDeviceEntry(AT_FDCWD, Source().sysRoot + "/block/" + name);
}

// The physical disks, sorted by name: readdir's order is unspecified. None
// when <sys>/block cannot be read: without it there is no disk object at all.
std::optional<std::vector<std::string>> ListPhysicalDisks()
{
    std::vector<std::string> disks;
    TDirectory block(Source().sysRoot + "/block");
    if (!block.get())
        return std::nullopt;
    // Looked up relative to the open folder: sysfs then resolves one short
    // name instead of the whole path for every entry.
    const int folder = dirfd(block.get());
    while (const dirent* entry = readdir(block.get())) {
        const std::string_view name = entry->d_name;
        if (IsPlainName(name) && HasDeviceEntry(folder, name))
            disks.emplace_back(name);
    }
    std::sort(disks.begin(), disks.end());
    return disks;
}

std::vector<std::string> PhysicalDisks()
{
    return ListPhysicalDisks().value_or(std::vector<std::string>{});
}

// One line of diskstats: the device name and its io_ticks, when that field
// is there and numeric.
struct TStatLine {
    std::string_view name;
    std::optional<std::uint32_t> ioTicks;
};

std::optional<TStatLine> ParseStatLine(std::string_view line)
{
    std::string_view columns[IoTicksColumn];
    std::size_t count = 0;
    while (count < IoTicksColumn) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            break;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
        columns[count++] = line.substr(0, end);
        line.remove_prefix(end);
    }
    if (count < 3)
        return std::nullopt;

    TStatLine result{columns[2], std::nullopt};
    if (count < IoTicksColumn)
        return result;
    const std::string_view field = columns[IoTicksColumn - 1];
    std::uint64_t ticks = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), ticks);
    if (error != std::errc() || end != field.data() + field.size())
        return result;
    // The kernel prints io_ticks as a 32-bit unsigned value; kept modulo 2^32
    // even if a kernel printed more, so the difference of two samples stays right.
    result.ioTicks = static_cast<std::uint32_t>(ticks);
    return result;
}

// One read of <proc>/diskstats. The text lives in a buffer reused by every
// collection, so the lines are valid only until the next read.
class TDiskStats {
public:
    // False when the file cannot be read.
    bool Read()
    {
        static std::vector<char> buffer(16384);
        FLines.clear();
        const std::string path = Source().procRoot + "/diskstats";
        TFileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() < 0)
            return false;
        std::size_t size = 0;
        for (;;) {
            if (size == buffer.size())
                buffer.resize(buffer.size() * 2);
            const ssize_t got = read(file.get(), buffer.data() + size, buffer.size() - size);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            size += static_cast<std::size_t>(got);
        }
        std::string_view text(buffer.data(), size);
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            // A line without even a name belongs to no disk and is skipped;
            // it must not spoil the disks on the other lines.
            if (const auto line = ParseStatLine(text.substr(0, end)))
                FLines.push_back(*line);
            text.remove_prefix(std::min(end + 1, text.size()));
        }
        return true;
    }

    // The disk's io_ticks; none when it has no line or its line is malformed.
    std::optional<std::uint32_t> IoTicks(std::string_view name) const
    {
        for (const TStatLine& line : FLines)
            if (line.name == name)
                return line.ioTicks;
        return std::nullopt;
    }

private:
    std::vector<TStatLine> FLines;
};

struct TDiskTicks {
    std::string name;
    std::uint32_t ioTicks;
};

// What one collection saw for one counter: every disk it covers that could
// be sampled. A single-disk counter whose disk could not be sampled has an
// empty list.
struct TSample {
    bool taken = false;
    std::int64_t timeNs = 0;
    std::vector<TDiskTicks> disks;
};

double IdlePercent(std::uint32_t before, std::uint32_t after, std::int64_t elapsedNs)
{
    // Unsigned subtraction: a wrap between collections is not negative busy time.
    const std::uint32_t busyMs = after - before;
    const double elapsedMs = static_cast<double>(elapsedNs) / 1e6;
    const double idle = 100.0 * (1.0 - busyMs / elapsedMs);
    // io_ticks moves in whole jiffies and is accounted loosely on older
    // kernels, so it can run ahead of the clock.
    return std::clamp(idle, 0.0, 100.0);
}

struct TCounter {
    std::uintptr_t query;
    std::string disk;  // empty for "_Total"
    TSample previous;
    TSample latest;

    std::optional<double> Idle() const
    {
        if (!previous.taken || !latest.taken)
            return std::nullopt;
        const std::int64_t elapsedNs = latest.timeNs - previous.timeNs;
        if (elapsedNs <= 0)
            return std::nullopt;
        double sum = 0;
        int count = 0;
        for (const TDiskTicks& now : latest.disks) {
            const auto before = std::find_if(previous.disks.begin(), previous.disks.end(),
                                             [&](const TDiskTicks& d) { return d.name == now.name; });
            if (before == previous.disks.end())
                continue;
            sum += IdlePercent(before->ioTicks, now.ioTicks, elapsedNs);
            ++count;
        }
        if (count == 0)
            return std::nullopt;
        return sum / count;
    }
};

struct TQuery {
    std::vector<std::uintptr_t> counters;
};

// Handles are numbers that are never reused, not addresses: a stale handle
// finds nothing here instead of a freed or recycled object.
std::uintptr_t LastHandle = 0;

std::unordered_map<std::uintptr_t, TQuery>& Queries()
{
    static std::unordered_map<std::uintptr_t, TQuery> queries;
    return queries;
}

std::unordered_map<std::uintptr_t, TCounter>& Counters()
{
    static std::unordered_map<std::uintptr_t, TCounter> counters;
    return counters;
}

std::uintptr_t HandleId(void* handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

TQuery* FindQuery(PDH_HQUERY handle)
{
    const auto found = Queries().find(HandleId(handle));
    return found == Queries().end() ? nullptr : &found->second;
}

TCounter* FindCounter(PDH_HCOUNTER handle)
{
    const auto found = Counters().find(HandleId(handle));
    return found == Counters().end() ? nullptr : &found->second;
}

struct TCounterPath {
    std::string_view machine;
    std::string_view object;
    std::optional<std::string_view> instance;
    std::string_view counter;
};

std::optional<TCounterPath> ParseCounterPath(std::string_view path)
{
    TCounterPath result;
    if (path.starts_with("\\\\")) {
        path.remove_prefix(2);
        const std::size_t end = path.find('\\');
        if (end == 0 || end == std::string_view::npos)
            return std::nullopt;
        result.machine = path.substr(0, end);
        path.remove_prefix(end);
    }
    if (!path.starts_with('\\'))
        return std::nullopt;
    path.remove_prefix(1);
    const std::size_t counterStart = path.rfind('\\');
    if (counterStart == std::string_view::npos)
        return std::nullopt;
    result.counter = path.substr(counterStart + 1);
    std::string_view object = path.substr(0, counterStart);
    const std::size_t open = object.find('(');
    if (open != std::string_view::npos) {
        if (!object.ends_with(')'))
            return std::nullopt;
        result.instance = object.substr(open + 1, object.size() - open - 2);
        object = object.substr(0, open);
    } else if (object.find(')') != std::string_view::npos) {
        return std::nullopt;
    }
    if (object.empty() || result.counter.empty())
        return std::nullopt;
    result.object = object;
    return result;
}

}  // namespace

PDH_STATUS PdhOpenQuery(LPCSTR szDataSource, DWORD_PTR, PDH_HQUERY* phQuery)
{
    if (!phQuery || szDataSource)
        return PDH_INVALID_ARGUMENT;
    const std::uintptr_t id = ++LastHandle;
    Queries().emplace(id, TQuery{});
    *phQuery = reinterpret_cast<PDH_HQUERY>(id);
    return ERROR_SUCCESS;
}

PDH_STATUS PdhAddCounterA(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR, PDH_HCOUNTER* phCounter)
{
    TQuery* query = FindQuery(hQuery);
    if (!query)
        return PDH_INVALID_HANDLE;
    if (!szFullCounterPath || !phCounter)
        return PDH_INVALID_ARGUMENT;
    const auto path = ParseCounterPath(szFullCounterPath);
    if (!path)
        return PDH_CSTATUS_BAD_COUNTERNAME;
    if (!path->machine.empty() && !IsThisMachine(path->machine))
        return PDH_CSTATUS_NO_MACHINE;
    if (!EqualsNoCase(path->object, ObjectName))
        return PDH_CSTATUS_NO_OBJECT;
    if (!EqualsNoCase(path->counter, CounterName))
        return PDH_CSTATUS_NO_COUNTER;
    if (!path->instance)
        return PDH_CSTATUS_NO_INSTANCE;

    std::string disk;
    if (EqualsNoCase(*path->instance, TotalName)) {
        if (PhysicalDisks().empty())
            return PDH_CSTATUS_NO_INSTANCE;
    } else {
        disk = *path->instance;
        if (!IsPhysicalDisk(disk))
            return PDH_CSTATUS_NO_INSTANCE;
    }

    const std::uintptr_t id = ++LastHandle;
    Counters().emplace(id, TCounter{HandleId(hQuery), std::move(disk), {}, {}});
    query->counters.push_back(id);
    *phCounter = reinterpret_cast<PDH_HCOUNTER>(id);
    return ERROR_SUCCESS;
}

PDH_STATUS PdhCollectQueryData(PDH_HQUERY hQuery)
{
    const TQuery* query = FindQuery(hQuery);
    if (!query)
        return PDH_INVALID_HANDLE;
    if (query->counters.empty())
        return PDH_NO_DATA;

    const std::int64_t now = NowNs();
    TDiskStats stats;
    const bool readable = stats.Read();
    std::optional<std::vector<std::string>> physical;
    for (const std::uintptr_t id : query->counters) {
        TCounter& counter = Counters().at(id);
        std::swap(counter.previous, counter.latest);
        TSample& sample = counter.latest;
        sample.taken = true;
        sample.timeNs = now;
        sample.disks.clear();
        if (!readable)
            continue;
        if (!counter.disk.empty()) {
            if (const auto ticks = stats.IoTicks(counter.disk))
                sample.disks.push_back({counter.disk, *ticks});
            continue;
        }
        if (!physical)
            physical = PhysicalDisks();
        for (const std::string& disk : *physical)
            if (const auto ticks = stats.IoTicks(disk))
                sample.disks.push_back({disk, *ticks});
    }
    return ERROR_SUCCESS;
}

PDH_STATUS PdhGetFormattedCounterValue(PDH_HCOUNTER hCounter, DWORD dwFormat, LPDWORD lpdwType,
                                       PDH_FMT_COUNTERVALUE* pValue)
{
    const TCounter* counter = FindCounter(hCounter);
    if (!counter)
        return PDH_INVALID_HANDLE;
    if (!pValue || (dwFormat & (PDH_FMT_LONG | PDH_FMT_DOUBLE | PDH_FMT_LARGE)) == 0)
        return PDH_INVALID_ARGUMENT;
    if (lpdwType)
        *lpdwType = 0;

    const auto idle = counter->Idle();
    if (!idle) {
        pValue->CStatus = PDH_CSTATUS_INVALID_DATA;
        pValue->largeValue = 0;
        return PDH_INVALID_DATA;
    }
    // The value is already clamped to 0..100, so PDH_FMT_NOCAP100 changes nothing.
    pValue->CStatus = PDH_CSTATUS_VALID_DATA;
    if (dwFormat & PDH_FMT_LONG)
        pValue->longValue = static_cast<LONG>(*idle);
    else if (dwFormat & PDH_FMT_LARGE)
        pValue->largeValue = static_cast<LONGLONG>(*idle);
    else
        pValue->doubleValue = *idle;
    return ERROR_SUCCESS;
}

PDH_STATUS PdhRemoveCounter(PDH_HCOUNTER hCounter)
{
    const auto found = Counters().find(HandleId(hCounter));
    if (found == Counters().end())
        return PDH_INVALID_HANDLE;
    std::vector<std::uintptr_t>& siblings = Queries().at(found->second.query).counters;
    siblings.erase(std::find(siblings.begin(), siblings.end(), found->first));
    Counters().erase(found);
    return ERROR_SUCCESS;
}

PDH_STATUS PdhCloseQuery(PDH_HQUERY hQuery)
{
    const auto found = Queries().find(HandleId(hQuery));
    if (found == Queries().end())
        return PDH_INVALID_HANDLE;
    for (const std::uintptr_t counter : found->second.counters)
        Counters().erase(counter);
    Queries().erase(found);
    return ERROR_SUCCESS;
}

PDH_STATUS PdhEnumObjectItemsA(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                               LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                               LPSTR mszInstanceList, LPDWORD pcchInstanceListLength, DWORD, DWORD)
{
    if (szDataSource || !szObjectName || !pcchCounterListLength || !pcchInstanceListLength)
        return PDH_INVALID_ARGUMENT;
    if (szMachineName && !IsThisMachine(szMachineName))
        return PDH_CSTATUS_NO_MACHINE;
    if (!EqualsNoCase(szObjectName, ObjectName))
        return PDH_CSTATUS_NO_OBJECT;

    std::string counters(CounterName);
    counters.append(2, '\0');
    const auto listed = ListPhysicalDisks();
    if (!listed)
        return PDH_CSTATUS_NO_OBJECT;
    const std::vector<std::string>& disks = *listed;
    std::string instances;
    for (const std::string& disk : disks)
        instances.append(disk).push_back('\0');
    if (!disks.empty())
        instances.append(TotalName).push_back('\0');
    instances.push_back('\0');
    // An empty list still has the terminator of its (absent) first name.
    if (disks.empty())
        instances.push_back('\0');

    const DWORD counterLength = static_cast<DWORD>(counters.size());
    const DWORD instanceLength = static_cast<DWORD>(instances.size());
    const bool fits = mszCounterList && *pcchCounterListLength >= counterLength && mszInstanceList &&
                      *pcchInstanceListLength >= instanceLength;
    *pcchCounterListLength = counterLength;
    *pcchInstanceListLength = instanceLength;
    if (!fits)
        return PDH_MORE_DATA;
    std::memcpy(mszCounterList, counters.data(), counters.size());
    std::memcpy(mszInstanceList, instances.data(), instances.size());
    return ERROR_SUCCESS;
}

BOOL GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize)
{
    if (!nSize)
        return 0;
    const std::string name = HostName();
    if (!lpBuffer || *nSize < name.size() + 1) {
        *nSize = static_cast<DWORD>(name.size() + 1);
        return 0;
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = static_cast<DWORD>(name.size());
    return 1;
}

void Sleep(DWORD dwMilliseconds)
{
    // A copy: a test's sleep may replace the source while it runs.
    const auto sleep = Source().sleep;
    if (sleep) {
        sleep(dwMilliseconds);
        return;
    }
    timespec remaining{static_cast<time_t>(dwMilliseconds / 1000),
                       static_cast<long>(dwMilliseconds % 1000) * 1'000'000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

void PdhLinuxSetSource(PdhLinuxSource source)
{
    Source() = std::move(source);
}
