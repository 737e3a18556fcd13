#include "PdhApi.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "BlockDevices.h"
#include "CounterPath.h"
#include "DiskStats.h"
#include "IdleTime.h"

namespace {

constexpr std::string_view ObjectName = "PhysicalDisk";
constexpr std::string_view CounterName = "% Idle Time";
constexpr std::string_view TotalName = "_Total";

PdhLinuxSource& Source()
{
    static PdhLinuxSource source;
    return source;
}

// The statistics file, kept open between collections where that is safe.
TDiskStats& Stats()
{
    static TDiskStats stats;
    return stats;
}

// Which names in the statistics are physical disks, for "_Total".
TPhysicalDiskCache& DiskCache()
{
    static TPhysicalDiskCache cache;
    return cache;
}

// The folder of the disk that counters were last added for.
TDiskFolder& LastDiskFolder()
{
    static TDiskFolder folder;
    return folder;
}

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

struct TDiskTicks {
    std::string name;
    std::uint32_t ioTicks;
};

// What one collection saw for one counter: every disk it covers that could
// be sampled, sorted by name. A single-disk counter whose disk could not be
// sampled has an empty list.
struct TSample {
    bool taken = false;
    std::int64_t timeNs = 0;
    std::vector<TDiskTicks> disks;
};

// The idle time over two samples, or the status that says why there is none.
struct TIdle {
    PDH_STATUS status;
    double value;
};

struct TCounter {
    std::uintptr_t query;
    std::string disk;  // empty for "_Total"
    TSample previous;
    TSample latest;

    TIdle Idle() const
    {
        if (!previous.taken || !latest.taken || latest.timeNs <= previous.timeNs)
            return {PDH_INVALID_DATA, 0};
        // Unsigned: two readings of a replaced clock may be further apart
        // than a signed difference holds.
        const std::uint64_t elapsedNs =
            static_cast<std::uint64_t>(latest.timeNs) - static_cast<std::uint64_t>(previous.timeNs);
        double sum = 0;
        int count = 0;
        bool backwards = false;
        // Both lists are sorted by name: one pass pairs each disk's samples.
        auto before = previous.disks.begin();
        for (const TDiskTicks& now : latest.disks) {
            while (before != previous.disks.end() && before->name < now.name)
                ++before;
            if (before == previous.disks.end() || before->name != now.name)
                continue;
            if (const auto idle = IdlePercent(before->ioTicks, now.ioTicks, elapsedNs)) {
                sum += *idle;
                ++count;
            } else {
                backwards = true;
            }
        }
        if (count == 0)
            return {backwards ? PDH_CALC_NEGATIVE_VALUE : PDH_INVALID_DATA, 0};
        return {ERROR_SUCCESS, sum / count};
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

// Every physical disk in the statistics with a readable io_ticks, sorted by
// name; a name listed twice counts once, with its first line, as the disk's
// own counter reads it: a first line without io_ticks is no sample even when
// a later one has them.
void SampleAllDisks(const TDiskStats& stats, std::vector<TDiskTicks>& disks)
{
    TPhysicalDiskCache& cache = DiskCache();
    std::vector<TStatLine> lines;
    lines.reserve(stats.Lines().size());
    cache.BeginRound();
    for (const TStatLine& line : stats.Lines())
        if (cache.IsPhysical(Source().sysRoot, line.name))
            lines.push_back(line);
    cache.EndRound();
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TStatLine& a, const TStatLine& b) { return a.name < b.name; });
    const auto duplicates = std::unique(lines.begin(), lines.end(),
                                        [](const TStatLine& a, const TStatLine& b) { return a.name == b.name; });
    for (auto line = lines.begin(); line != duplicates; ++line)
        if (line->ioTicks)
            disks.push_back({std::string(line->name), *line->ioTicks});
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
        if (!HasPhysicalDisk(Source().sysRoot))
            return PDH_CSTATUS_NO_INSTANCE;
    } else {
        disk = *path->instance;
        if (!LastDiskFolder().IsPhysical(Source().sysRoot, disk))
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
    // "_Total" walks the statistics of every device; a disk's own counter
    // reads that disk's statistics alone.
    TDiskStats& stats = Stats();
    bool allRead = false;
    bool allReadable = false;
    for (const std::uintptr_t id : query->counters) {
        TCounter& counter = Counters().at(id);
        std::swap(counter.previous, counter.latest);
        TSample& sample = counter.latest;
        sample.taken = true;
        sample.timeNs = now;
        sample.disks.clear();
        if (!counter.disk.empty()) {
            if (const auto ticks = LastDiskFolder().IoTicks(Source().sysRoot, counter.disk))
                sample.disks.push_back({counter.disk, *ticks});
            continue;
        }
        if (!allRead) {
            allReadable = stats.Read(Source().procRoot + "/diskstats");
            allRead = true;
        }
        if (allReadable)
            SampleAllDisks(stats, sample.disks);
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

    const TIdle idle = counter->Idle();
    if (idle.status != ERROR_SUCCESS) {
        pValue->CStatus = PDH_CSTATUS_INVALID_DATA;
        pValue->largeValue = 0;
        return idle.status;
    }
    // The value is already clamped to 0..100, so PDH_FMT_NOCAP100 changes nothing.
    pValue->CStatus = PDH_CSTATUS_VALID_DATA;
    if (dwFormat & PDH_FMT_LONG)
        pValue->longValue = static_cast<LONG>(idle.value);
    else if (dwFormat & PDH_FMT_LARGE)
        pValue->largeValue = static_cast<LONGLONG>(idle.value);
    else
        pValue->doubleValue = idle.value;
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
    if (Source().onList)
        Source().onList();
    const auto listed = ListPhysicalDisks(Source().sysRoot);
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
    // What was read or learnt from the old roots says nothing of the new.
    Stats().Parse({});
    DiskCache().Clear();
    LastDiskFolder().Close();
}
