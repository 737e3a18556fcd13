// SPDX-License-Identifier: MIT
// Fuzzes a "% Idle Time" read: two statistics files, one collection each,
// the fake monotonic clock moved between them, then the formatted value.
//
// Input: a header line, then the first file's text, a line "--", the second
// file's text:
//
//   <instance> <disks> <start ns> <elapsed ns> [flags]
//   ...first /proc/diskstats...
//   --
//   ...second /proc/diskstats...
//
// Header fields are separated by single spaces. The instance is put into the
// counter path as it is; disks is 2 for a machine with the physical disks
// nvme0n1 and sda, anything else for sda alone (both machines also have
// loop0 and dm-0, which are no physical disks). Flags: 'a' deletes the first
// file, 'b' the second. A missing number takes its default (1 s, 100 ms);
// without the "--" line both files hold the same text.
//
// The value (or its refusal) is checked against a computation of the
// documented formula made here from the two texts, without the layer's own
// parser.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzFolder.h"
#include "platform/Pdh.h"

namespace {

constexpr std::string_view Total = "_Total";

// The milliseconds io_ticks may run ahead of the clock (one jiffy at HZ=100).
constexpr std::uint64_t JiffyMs = 10;

std::int64_t ClockNs = 0;

struct TMachine {
    std::string sysRoot;
    std::vector<std::string> disks;  // the physical ones, sorted
};

// Two made-up machines and a folder for the statistics file, made once.
struct TWorld {
    TFuzzFolder folder;
    std::string procRoot;
    TMachine one;
    TMachine two;

    TWorld()
    {
        namespace fs = std::filesystem;
        procRoot = folder.path() + "/proc";
        fs::create_directories(procRoot);
        one = Machine("one", {"sda"});
        two = Machine("two", {"nvme0n1", "sda"});
    }

    TMachine Machine(const std::string& name, std::vector<std::string> disks)
    {
        namespace fs = std::filesystem;
        const fs::path block = fs::path(folder.path()) / name / "sys" / "block";
        for (const std::string& disk : disks)
            fs::create_directories(block / disk / "device");
        fs::create_directories(block / "loop0");
        fs::create_directories(block / "dm-0" / "holders");
        return {(fs::path(folder.path()) / name / "sys").string(), std::move(disks)};
    }
};

TWorld& World()
{
    static TWorld world;
    return world;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The first line of a statistics text (lines end at "\n") whose third
// column is the disk, columns separated by runs of spaces and tabs: its first
// 13 columns, and what follows the third (the disk's own stat file). None
// when no line has the disk.
struct TDiskLine {
    std::vector<std::string_view> columns;
    std::string_view fields;
};

std::optional<TDiskLine> FindDiskLine(std::string_view text, std::string_view disk)
{
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        TDiskLine line;
        std::size_t i = lineStart;
        while (i < lineEnd && line.columns.size() < 13) {
            while (i < lineEnd && (text[i] == ' ' || text[i] == '\t'))
                ++i;
            const std::size_t start = i;
            while (i < lineEnd && text[i] != ' ' && text[i] != '\t')
                ++i;
            if (i > start)
                line.columns.push_back(text.substr(start, i - start));
            if (line.columns.size() == 3 && line.fields.data() == nullptr)
                line.fields = text.substr(i, lineEnd - i);
        }
        lineStart = lineEnd + 1;
        if (line.columns.size() >= 3 && line.columns[2] == disk)
            return line;
    }
    return std::nullopt;
}

// The disk's own stat file as the kernel would make it from the text.
std::optional<std::string> FieldsOf(std::string_view text, std::string_view disk)
{
    const auto line = FindDiskLine(text, disk);
    return line ? std::optional<std::string>(line->fields) : std::nullopt;
}

// The reference: a disk's io_ticks in one statistics text, from the line
// FindDiskLine finds: the 13th column, a decimal number that fits 64 bits,
// kept modulo 2^32. None when there is no such line, or that line has no
// 13th column or it is not such a number.
std::optional<std::uint32_t> ReferenceIoTicks(std::string_view text, std::string_view disk)
{
    const auto line = FindDiskLine(text, disk);
    if (!line || line->columns.size() < 13 || line->columns[12].empty())
        return std::nullopt;
    unsigned __int128 value = 0;
    for (const char c : line->columns[12]) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > UINT64_MAX)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value & 0xFFFFFFFFu);
}

struct TOutcome {
    PDH_STATUS status;
    double value;
};

// The reference: one disk's idle time over the two texts.
TOutcome ReferenceIdle(const std::optional<std::string>& first, const std::optional<std::string>& second,
                       std::string_view disk, std::int64_t startNs, std::int64_t endNs)
{
    const auto before = first ? ReferenceIoTicks(*first, disk) : std::nullopt;
    const auto after = second ? ReferenceIoTicks(*second, disk) : std::nullopt;
    if (!before || !after || endNs <= startNs)
        return {PDH_INVALID_DATA, 0};
    const std::uint64_t elapsedNs = static_cast<std::uint64_t>(endNs) - static_cast<std::uint64_t>(startNs);
    const std::uint64_t busyMs = (std::uint64_t{*after} + (std::uint64_t{1} << 32) - *before) & 0xFFFFFFFFu;
    // A fall is a wrap only when busy ≤ elapsed + one jiffy, compared exactly.
    if (*after < *before &&
        static_cast<unsigned __int128>(busyMs) * 1'000'000 >
            static_cast<unsigned __int128>(elapsedNs) + JiffyMs * 1'000'000)
        return {PDH_CALC_NEGATIVE_VALUE, 0};
    const long double idle = 100.0L * (1.0L - static_cast<long double>(busyMs) * 1e6L / elapsedNs);
    return {ERROR_SUCCESS, static_cast<double>(std::clamp(idle, 0.0L, 100.0L))};
}

// The reference for "_Total": the mean over the physical disks with a value;
// without any, a refusal, PDH_CALC_NEGATIVE_VALUE when some disk went
// backwards.
TOutcome ReferenceTotal(const std::optional<std::string>& first, const std::optional<std::string>& second,
                        const std::vector<std::string>& disks, std::int64_t startNs, std::int64_t endNs)
{
    long double sum = 0;
    int count = 0;
    bool backwards = false;
    for (const std::string& disk : disks) {
        const TOutcome one = ReferenceIdle(first, second, disk, startNs, endNs);
        if (one.status == ERROR_SUCCESS) {
            sum += one.value;
            ++count;
        }
        backwards = backwards || one.status == PDH_CALC_NEGATIVE_VALUE;
    }
    if (count == 0)
        return {backwards ? PDH_CALC_NEGATIVE_VALUE : PDH_INVALID_DATA, 0};
    return {ERROR_SUCCESS, static_cast<double>(sum / count)};
}

std::string Describe(PDH_STATUS status, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "status %08X value %.17g", static_cast<unsigned>(status), value);
    return text;
}

void CheckValue(PDH_HCOUNTER counter, const TOutcome& expected)
{
    PDH_FMT_COUNTERVALUE record{};
    record.CStatus = 0x12345678;
    DWORD type = 0x12345678;
    const PDH_STATUS status = PdhGetFormattedCounterValue(counter, PDH_FMT_DOUBLE, &type, &record);
    if (type != 0)
        Fail("the counter type is not 0");
    if (status == ERROR_SUCCESS) {
        if (record.CStatus != PDH_CSTATUS_VALID_DATA)
            Fail("a value whose CStatus is not valid: " + Describe(record.CStatus, record.doubleValue));
        if (!(record.doubleValue >= 0.0 && record.doubleValue <= 100.0))
            Fail("a value outside 0..100: " + Describe(status, record.doubleValue));
    } else {
        if (status != PDH_INVALID_DATA && status != PDH_CALC_NEGATIVE_VALUE)
            Fail("a status the contract does not list: " + Describe(status, 0));
        if (record.CStatus != PDH_CSTATUS_INVALID_DATA)
            Fail("a refusal whose CStatus is not invalid data: " + Describe(record.CStatus, 0));
    }
    if (status != expected.status)
        Fail("got " + Describe(status, record.doubleValue) + ", the formula gives " +
             Describe(expected.status, expected.value));
    if (status != ERROR_SUCCESS)
        return;
    if (std::fabs(record.doubleValue - expected.value) > 1e-9)
        Fail("got " + Describe(status, record.doubleValue) + ", the formula gives " +
             Describe(expected.status, expected.value));

    // The integer formats truncate the same value.
    PDH_FMT_COUNTERVALUE whole{};
    if (PdhGetFormattedCounterValue(counter, PDH_FMT_LONG, nullptr, &whole) != ERROR_SUCCESS ||
        whole.CStatus != PDH_CSTATUS_VALID_DATA || whole.longValue != static_cast<LONG>(record.doubleValue))
        Fail("PDH_FMT_LONG is not the truncated value of " + Describe(status, record.doubleValue));
    if (PdhGetFormattedCounterValue(counter, PDH_FMT_LARGE, nullptr, &whole) != ERROR_SUCCESS ||
        whole.largeValue != static_cast<LONGLONG>(record.doubleValue))
        Fail("PDH_FMT_LARGE is not the truncated value of " + Describe(status, record.doubleValue));
}

std::int64_t NumberOr(std::string_view text, std::int64_t fallback)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TWorld& world = World();
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::size_t headerEnd = std::min(input.find('\n'), input.size());
    std::vector<std::string_view> fields;
    for (std::string_view header = input.substr(0, headerEnd);;) {
        const std::size_t space = header.find(' ');
        fields.push_back(header.substr(0, space));
        if (space == std::string_view::npos)
            break;
        header.remove_prefix(space + 1);
    }
    fields.resize(std::max<std::size_t>(fields.size(), 5));
    const std::string instance(fields[0]);
    if (instance.find('\0') != std::string::npos)
        return -1;  // a C string cannot carry it
    const TMachine& machine = fields[1] == "2" ? world.two : world.one;
    const std::int64_t startNs = NumberOr(fields[2], 1'000'000'000);
    const std::int64_t elapsedNs = NumberOr(fields[3], 100'000'000);
    const std::int64_t endNs =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(startNs) + static_cast<std::uint64_t>(elapsedNs));

    const std::string_view body = input.substr(std::min(headerEnd + 1, input.size()));
    std::size_t separator = body.starts_with("--\n") ? 0 : body.find("\n--\n");
    std::optional<std::string> first;
    std::optional<std::string> second;
    if (separator == std::string_view::npos) {
        first = second = std::string(body);
    } else {
        if (separator > 0)
            ++separator;  // the first text keeps its last newline
        first = std::string(body.substr(0, separator));
        second = std::string(body.substr(separator + 3));
    }
    if (fields[4].find('a') != std::string_view::npos)
        first.reset();
    if (fields[4].find('b') != std::string_view::npos)
        second.reset();

    PdhLinuxSource source;
    source.procRoot = world.procRoot;
    source.sysRoot = machine.sysRoot;
    source.clockNs = [] { return ClockNs; };
    PdhLinuxSetSource(std::move(source));
    const std::string statsPath = world.procRoot + "/diskstats";
    // The statistics file, and each physical disk's own stat file as the
    // kernel would make it from the same numbers.
    const auto writeStats = [&](const std::optional<std::string>& text) {
        if (text)
            WriteFile(statsPath, *text);
        else
            std::remove(statsPath.c_str());
        for (const std::string& disk : machine.disks) {
            const std::string statPath = machine.sysRoot + "/block/" + disk + "/stat";
            const auto fields = text ? FieldsOf(*text, disk) : std::nullopt;
            if (fields)
                WriteFile(statPath, *fields + "\n");
            else
                std::remove(statPath.c_str());
        }
    };

    PDH_HQUERY query = nullptr;
    if (PdhOpenQuery(nullptr, 0, &query) != ERROR_SUCCESS)
        Fail("PdhOpenQuery failed");
    const std::string path = "\\PhysicalDisk(" + instance + ")\\% Idle Time";
    PDH_HCOUNTER counter = nullptr;
    const PDH_STATUS added = PdhAddCounterA(query, path.c_str(), 0, &counter);
    const bool isTotal = EqualsNoCase(instance, Total);
    const bool isDisk = std::find(machine.disks.begin(), machine.disks.end(), instance) != machine.disks.end();
    if (added != ((isTotal || isDisk) ? ERROR_SUCCESS : PDH_CSTATUS_NO_INSTANCE))
        Fail("adding " + path + " gave " + Describe(added, 0));
    if (added != ERROR_SUCCESS) {
        PdhCloseQuery(query);
        return 0;
    }

    writeStats(first);
    ClockNs = startNs;
    if (PdhCollectQueryData(query) != ERROR_SUCCESS)
        Fail("the first collection failed");
    CheckValue(counter, {PDH_INVALID_DATA, 0});  // one collection is no rate yet

    writeStats(second);
    ClockNs = endNs;
    if (PdhCollectQueryData(query) != ERROR_SUCCESS)
        Fail("the second collection failed");
    CheckValue(counter, isTotal ? ReferenceTotal(first, second, machine.disks, startNs, endNs)
                                : ReferenceIdle(first, second, instance, startNs, endNs));

    if (PdhCloseQuery(query) != ERROR_SUCCESS)
        Fail("PdhCloseQuery failed");
    return 0;
}
