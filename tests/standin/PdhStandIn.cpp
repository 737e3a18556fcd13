// SPDX-License-Identifier: MIT
// A stand-in for Windows' pdh.dll, for the tests under Wine only (never
// installed or shipped): Wine's own pdh.dll has no PhysicalDisk object and
// lists no instances. It plays, for the functions the program and its tests
// import, what Microsoft documents pdh.dll to answer, each rule with the
// page it comes from ("... function (pdh.h)" on learn.microsoft.com, unless
// named otherwise), on one object with one counter and three instances whose
// idle time follows a fixed trace. Two models: an English Windows, and a
// Chinese Windows whose object and counter answer only to their Chinese
// names, as KB 287159 ("Using PDH APIs correctly in a localized language")
// has localized systems do. The names are Unicode; the A functions take and
// give them in the ANSI code page, which is Wine's (LC_ALL) and need not hold
// them, as WideCharToMultiByte turns what the code page lacks into "?" ("Code
// Page Identifiers"; "WideCharToMultiByte function (stringapiset.h)", on
// lpDefaultChar). StandInControl.h says how the tests choose the model and
// steer it.
//
// Left out: log files, wildcards, parent instances and instance indices,
// counter types, other objects and counters; names match character for
// character, as the program passes them as pdh.dll lists them. One thread.

#include "tests/standin/StandInControl.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pdh.h>
#include <pdhmsg.h>

namespace {

// Names are kept, compared and logged in UTF-8 here.
struct TModel {
    const char* Name;
    std::string_view Object;    // "PhysicalDisk" in the system's language
    std::string_view Counter;   // "% Idle Time" in the system's language
};

const TModel EnglishWindows{"english", "PhysicalDisk", "% Idle Time"};
const TModel ChineseWindows{"chinese", "物理磁盘", "% 空闲时间"};

// The performance-library indices of the two names, the same in every
// language; the English names are Perflib\009's.
constexpr DWORD ObjectIndex = 234;
constexpr DWORD CounterIndex = 1482;

// Idle percentages, one per measured interval, repeating. Values above 100
// happen on Windows (the idle timer's interval and the query's differ
// slightly); formatting caps them.
constexpr std::size_t TraceLength = 8;
using TTrace = std::array<double, TraceLength>;
constexpr TTrace DiskC = {97.54, 100.47, 62.5, 4.25, 0.0, 88.25, 35.75, 61.5};
constexpr TTrace DiskDE = {12.5, 50.25, 77.0, 99.75, 25.0, 3.5, 100.0, 60.25};

struct TDisk {
    std::string Name;
    TTrace Trace;
    bool Present = true;
    std::size_t Step = 0;   // the next interval's place in the trace
};

std::vector<TDisk> ModelDisks()
{
    TTrace total{};
    for (std::size_t k = 0; k < TraceLength; ++k)
        total[k] = (DiskC[k] + DiskDE[k]) / 2;
    // "0 C:" and "1 D: E:" are how Windows names a disk by its number and its
    // volumes' letters; "_Total" is the object's total instance.
    return {{"0 C:", DiskC}, {"1 D: E:", DiskDE}, {"_Total", total}};
}

struct TCounter {
    std::uintptr_t Query;
    int Disk;             // index into Disks; -1 for an instance that is not there
    int Samples = 0;      // collections that sampled it since it was last missing
    double Value = 0;     // over the interval between its two latest samples
    bool Missing = false; // its instance was not there at the latest collection
    bool Fresh = false;   // sampled since its value was last formatted
};

struct TDiskChange {
    std::string Instance;
    bool Present;
    DWORD Countdown;
};

struct TInjection {
    std::string Function;
    DWORD Countdown;
    DWORD Status;
};

struct TStandIn {
    const TModel* Model = &EnglishWindows;
    std::vector<TDisk> Disks = ModelDisks();
    std::map<std::uintptr_t, std::vector<std::uintptr_t>> Queries;   // query → its counters
    std::map<std::uintptr_t, TCounter> Counters;
    std::uintptr_t NextHandle = 1;   // queries' and counters', never reused (StandInControl.h)
    std::optional<std::string> ListedInstances;
    std::vector<TDiskChange> DiskChanges;
    std::vector<TInjection> Injections;
    DWORD ShortNameSizes = 0;
    std::string Calls;
    std::string CallsCopy;
    std::string LogFile;
};

TStandIn& State()
{
    static TStandIn state = [] {
        TStandIn made;
        char value[64] = {};
        if (GetEnvironmentVariableA("IDLESCOPE_PDH_MODEL", value, sizeof value) < sizeof value &&
            std::strcmp(value, "chinese") == 0)
            made.Model = &ChineseWindows;
        char file[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableA("IDLESCOPE_PDH_LOG", file, sizeof file);
        if (length > 0 && length < sizeof file)
            made.LogFile = file;
        return made;
    }();
    return state;
}

// ---------------------------------------------------------------------------
// Texts: UTF-8 inside, UTF-16 at the W functions, the ANSI code page at the A
// ones. Multi-strings keep their NULs.

using TText = std::optional<std::string>;   // a nullable text, in UTF-8

std::string Utf8(std::wstring_view wide)
{
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<std::size_t>(std::max(0, WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr,
                                                                              0, nullptr, nullptr))), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    return text;
}

std::wstring Wide(std::string_view text, UINT codePage)
{
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(std::max(0, MultiByteToWideChar(codePage, 0, text.data(), size,
                                                                               nullptr, 0))), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

TText Text(LPCWSTR text)
{
    return text == nullptr ? TText() : Utf8(text);
}

TText Text(LPCSTR text)
{
    return text == nullptr ? TText() : Utf8(Wide(text, CP_ACP));
}

// A text as a function gives it back.
std::wstring Encoded(std::string_view text, wchar_t)
{
    return Wide(text, CP_UTF8);
}

std::string Encoded(std::string_view text, char)
{
    // What the code page cannot hold becomes its default character, "?".
    const std::wstring wide = Wide(text, CP_UTF8);
    const int size = static_cast<int>(wide.size());
    std::string ansi(static_cast<std::size_t>(std::max(0, WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr,
                                                                              0, nullptr, nullptr))), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr);
    return ansi;
}

// ---------------------------------------------------------------------------
// The call log.

std::string Quoted(const TText& text)
{
    return text ? "\"" + *text + "\"" : "null";
}

std::string Pointer(const void* pointer)
{
    return pointer == nullptr ? "null" : "buffer";
}

std::string Length(const DWORD* length)
{
    return length == nullptr ? "null" : std::to_string(*length);
}

std::string Handle(const char* kind, const void* handle)
{
    return std::string(kind) + " " + std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

PDH_STATUS Logged(const std::string& call, DWORD status)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(status));
    const std::string line = call + " = " + text + "\n";
    TStandIn& state = State();
    state.Calls += line;
    if (!state.LogFile.empty()) {
        if (FILE* file = std::fopen(state.LogFile.c_str(), "ab")) {
            std::fputs(line.c_str(), file);
            std::fclose(file);
        }
    }
    return static_cast<PDH_STATUS>(status);
}

// The status injected for this call of the function, if one is due.
std::optional<DWORD> Injected(std::string_view function)
{
    std::vector<TInjection>& injections = State().Injections;
    std::optional<DWORD> due;
    for (auto it = injections.begin(); it != injections.end();) {
        if (it->Function == function && --it->Countdown == 0) {
            due = it->Status;
            it = injections.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

// ---------------------------------------------------------------------------
// Names and paths.

// A null machine name is the local computer ("szMachineName ... If NULL, the
// function uses the local computer"); a name is given with its leading
// slashes ("Include the leading slashes in the computer name"), which the
// program's enumeration leaves out: both are accepted.
bool LocalMachine(const TText& machine)
{
    if (!machine)
        return true;
    std::string_view name = *machine;
    if (name.substr(0, 2) == "\\\\")
        name.remove_prefix(2);
    wchar_t local[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(local, &size);
    return lstrcmpiW(Wide(name, CP_UTF8).c_str(), local) == 0;
}

struct TPath {
    std::string Machine;   // empty: the local computer
    std::string Object;
    std::optional<std::string> Instance;
    std::string Counter;
};

// "Specifying a Counter Path":
// \\Computer\PerfObject(ParentInstance/ObjectInstance#InstanceIndex)\Counter,
// the computer optional, the instance only for an object with instances. The
// counter follows the last backslash, so an instance may hold ")\".
std::optional<TPath> ParsePath(std::string_view path)
{
    TPath parsed;
    if (path.substr(0, 2) == "\\\\") {
        const std::size_t end = path.find('\\', 2);
        if (end == std::string_view::npos)
            return std::nullopt;
        parsed.Machine = path.substr(0, end);
        path.remove_prefix(end);
    }
    const std::size_t counterSlash = path.rfind('\\');
    if (path.empty() || path[0] != '\\' || counterSlash == 0 || counterSlash == std::string_view::npos)
        return std::nullopt;
    parsed.Counter = path.substr(counterSlash + 1);
    std::string_view head = path.substr(1, counterSlash - 1);
    const std::size_t open = head.find('(');
    if (open != std::string_view::npos) {
        if (head.back() != ')')
            return std::nullopt;
        parsed.Instance = head.substr(open + 1, head.size() - open - 2);
        head = head.substr(0, open);
    }
    if (head.empty() || head.find('\\') != std::string_view::npos || parsed.Counter.empty())
        return std::nullopt;
    parsed.Object = head;
    return parsed;
}

int DiskIndex(const std::string& instance)
{
    const std::vector<TDisk>& disks = State().Disks;
    for (std::size_t k = 0; k < disks.size(); ++k)
        if (disks[k].Name == instance)
            return static_cast<int>(k);
    return -1;
}

void RemoveCounter(std::uintptr_t handle)
{
    TStandIn& state = State();
    const auto counter = state.Counters.find(handle);
    std::vector<std::uintptr_t>& counters = state.Queries[counter->second.Query];
    counters.erase(std::find(counters.begin(), counters.end(), handle));
    state.Counters.erase(counter);
}

// PdhEnumObjectItemsA and PdhEnumObjectItemsW, lengths in TChars.
template <typename TChar>
PDH_STATUS Enumerate(const char* function, const TText& source, const TText& machine, const TText& object,
                     TChar* mszCounterList, LPDWORD pcchCounterListLength, TChar* mszInstanceList,
                     LPDWORD pcchInstanceListLength, DWORD dwDetailLevel, DWORD dwFlags)
{
    const std::string call = std::string(function) + "(" + Quoted(source) + ", " + Quoted(machine) + ", " +
                             Quoted(object) + ", " + Pointer(mszCounterList) + ", " +
                             Length(pcchCounterListLength) + ", " + Pointer(mszInstanceList) + ", " +
                             Length(pcchInstanceListLength) + ", " + std::to_string(dwDetailLevel) + ", " +
                             std::to_string(dwFlags) + ")";
    if (const auto injected = Injected(function))
        return Logged(call, *injected);
    TStandIn& state = State();
    if (source || !object || pcchCounterListLength == nullptr || pcchInstanceListLength == nullptr)
        return Logged(call, PDH_INVALID_ARGUMENT);
    if (!LocalMachine(machine))
        return Logged(call, PDH_CSTATUS_NO_MACHINE);
    if (*object != state.Model->Object)
        return Logged(call, PDH_CSTATUS_NO_OBJECT);

    // Each list is "terminated by two NULL characters": its last name's and
    // one more. "dwDetailLevel: ... All items that are of the specified
    // detail level or less will be returned"; the counter is a novice's.
    const std::string counterList = dwDetailLevel >= PERF_DETAIL_NOVICE
                                     ? std::string(state.Model->Counter) + '\0' + '\0'
                                     : std::string(2, '\0');
    // Remarks: "Consecutive calls to this function will return identical
    // lists of counters and instances", until PdhEnumObjects refreshes them,
    // which the stand-in does not export.
    if (!state.ListedInstances) {
        std::string instances;
        for (const TDisk& disk : state.Disks)
            if (disk.Present)
                instances += disk.Name + '\0';
        // "If the specified object does support variable instances, but does
        // not currently have any instances, then the value returned is 2".
        instances += instances.empty() ? std::string(2, '\0') : std::string(1, '\0');
        state.ListedInstances = instances;
    }
    const auto counters = Encoded(counterList, TChar());
    const auto instances = Encoded(*state.ListedInstances, TChar());

    // pcchCounterListLength, pcchInstanceListLength: "If zero on input and
    // the object exists, the function returns PDH_MORE_DATA and sets this
    // parameter to the required buffer size", in TCHARs.
    if (*pcchCounterListLength < counters.size() || *pcchInstanceListLength < instances.size()) {
        *pcchCounterListLength = static_cast<DWORD>(counters.size());
        *pcchInstanceListLength = static_cast<DWORD>(instances.size());
        return Logged(call, PDH_MORE_DATA);
    }
    if (mszCounterList == nullptr || mszInstanceList == nullptr)
        return Logged(call, PDH_INVALID_ARGUMENT);
    // "If the buffer is larger than the required size, the function sets
    // this parameter to the actual size of the buffer that was used."
    std::memcpy(mszCounterList, counters.data(), counters.size() * sizeof(TChar));
    std::memcpy(mszInstanceList, instances.data(), instances.size() * sizeof(TChar));
    *pcchCounterListLength = static_cast<DWORD>(counters.size());
    *pcchInstanceListLength = static_cast<DWORD>(instances.size());
    return Logged(call, ERROR_SUCCESS);
}

// PdhLookupPerfNameByIndexA and PdhLookupPerfNameByIndexW, sizes in TChars.
template <typename TChar>
PDH_STATUS LookUpName(const char* function, const TText& machine, DWORD dwNameIndex, TChar* szNameBuffer,
                      LPDWORD pcchNameBufferSize)
{
    const std::string call = std::string(function) + "(" + Quoted(machine) + ", " +
                             std::to_string(dwNameIndex) + ", " + Pointer(szNameBuffer) + ", " +
                             Length(pcchNameBufferSize) + ")";
    if (const auto injected = Injected(function))
        return Logged(call, *injected);
    TStandIn& state = State();
    if (pcchNameBufferSize == nullptr)
        return Logged(call, PDH_INVALID_ARGUMENT);
    if (!LocalMachine(machine))
        return Logged(call, PDH_CSTATUS_NO_MACHINE);
    // "The specified index value must match one of the index values
    // associated with the objects or counters that were loaded on the
    // computer"; PDH_INVALID_ARGUMENT, "A parameter is not valid", otherwise.
    if (dwNameIndex != ObjectIndex && dwNameIndex != CounterIndex)
        return Logged(call, PDH_INVALID_ARGUMENT);
    const auto name = Encoded(dwNameIndex == ObjectIndex ? state.Model->Object : state.Model->Counter, TChar());
    const auto needed = static_cast<DWORD>(name.size() + 1);
    const DWORD answered = state.ShortNameSizes != 0 ? needed - 1 : needed;
    // "If zero on input, the function returns PDH_MORE_DATA and sets this
    // parameter to the required buffer size."
    if (*pcchNameBufferSize == 0) {
        *pcchNameBufferSize = answered;
        return Logged(call, PDH_MORE_DATA);
    }
    // "If the specified size on input is greater than zero but less than the
    // required size, you should not rely on the returned size"; "in some
    // releases" the answer is PDH_INVALID_ARGUMENT.
    if (*pcchNameBufferSize < needed || szNameBuffer == nullptr) {
        *pcchNameBufferSize = answered;
        return Logged(call, state.ShortNameSizes == 2 ? PDH_INVALID_ARGUMENT : PDH_MORE_DATA);
    }
    std::memcpy(szNameBuffer, name.data(), name.size() * sizeof(TChar));
    szNameBuffer[name.size()] = 0;
    *pcchNameBufferSize = needed;
    return Logged(call, ERROR_SUCCESS);
}

}  // namespace

// ---------------------------------------------------------------------------
// pdh.dll's functions.

extern "C" {

// A program built with UNICODE (as Qt's are) opens its query through this
// one, pdh.h's PdhOpenQuery.
PDH_STATUS WINAPI PdhOpenQueryW(LPCWSTR szDataSource, DWORD_PTR dwUserData, PDH_HQUERY* phQuery)
{
    const std::string call =
        std::string("PdhOpenQueryW(") + (szDataSource ? "source" : "null") + ", " + std::to_string(dwUserData) + ")";
    if (const auto injected = Injected("PdhOpenQueryW"))
        return Logged(call, *injected);
    // Log files are not played: a data source is refused as an argument.
    if (szDataSource != nullptr || phQuery == nullptr)
        return Logged(call, PDH_INVALID_ARGUMENT);
    TStandIn& state = State();
    const std::uintptr_t handle = state.NextHandle++;
    state.Queries[handle];
    *phQuery = reinterpret_cast<PDH_HQUERY>(handle);
    return Logged(call, ERROR_SUCCESS);
}

// The path must be in the system's language: "the counter path specified in
// the PdhAddCounter function must be localized" (PdhAddEnglishCounterA).
PDH_STATUS WINAPI PdhAddCounterW(PDH_HQUERY hQuery, LPCWSTR szFullCounterPath, DWORD_PTR dwUserData,
                                 PDH_HCOUNTER* phCounter)
{
    const TText path = Text(szFullCounterPath);
    const std::string call =
        "PdhAddCounterW(" + Handle("query", hQuery) + ", " + Quoted(path) + ", " + std::to_string(dwUserData) + ")";
    if (const auto injected = Injected("PdhAddCounterW"))
        return Logged(call, *injected);
    TStandIn& state = State();
    const auto query = state.Queries.find(reinterpret_cast<std::uintptr_t>(hQuery));
    // Return codes of PdhAddCounterA, in turn: PDH_INVALID_HANDLE, "The query
    // handle is not valid"; PDH_INVALID_ARGUMENT; PDH_CSTATUS_NO_COUNTERNAME,
    // "The counter path is empty"; PDH_CSTATUS_BAD_COUNTERNAME, "could not be
    // parsed"; PDH_CSTATUS_NO_MACHINE; PDH_CSTATUS_NO_OBJECT, "Unable to find
    // the specified object"; PDH_CSTATUS_NO_COUNTER.
    if (query == state.Queries.end())
        return Logged(call, PDH_INVALID_HANDLE);
    if (!path || phCounter == nullptr)
        return Logged(call, PDH_INVALID_ARGUMENT);
    if (path->empty())
        return Logged(call, PDH_CSTATUS_NO_COUNTERNAME);
    const std::optional<TPath> parsed = ParsePath(*path);
    if (!parsed)
        return Logged(call, PDH_CSTATUS_BAD_COUNTERNAME);
    if (!parsed->Machine.empty() && !LocalMachine(parsed->Machine))
        return Logged(call, PDH_CSTATUS_NO_MACHINE);
    if (parsed->Object != state.Model->Object)
        return Logged(call, PDH_CSTATUS_NO_OBJECT);
    if (parsed->Counter != state.Model->Counter)
        return Logged(call, PDH_CSTATUS_NO_COUNTER);
    // "If a counter instance is specified that does not yet exist,
    // PdhAddCounter does not report an error condition. Instead, it returns
    // ERROR_SUCCESS." Its data are missing until the instance appears.
    const std::uintptr_t handle = state.NextHandle++;
    TCounter added{query->first, parsed->Instance ? DiskIndex(*parsed->Instance) : -1};
    state.Counters.emplace(handle, added);
    query->second.push_back(handle);
    *phCounter = reinterpret_cast<PDH_HCOUNTER>(handle);
    return Logged(call, ERROR_SUCCESS);
}

PDH_STATUS WINAPI PdhCollectQueryData(PDH_HQUERY hQuery)
{
    const std::string call = "PdhCollectQueryData(" + Handle("query", hQuery) + ")";
    if (const auto injected = Injected("PdhCollectQueryData"))
        return Logged(call, *injected);
    TStandIn& state = State();
    for (auto it = state.DiskChanges.begin(); it != state.DiskChanges.end();) {
        if (--it->Countdown == 0) {
            const int disk = DiskIndex(it->Instance);
            if (disk >= 0)
                state.Disks[disk].Present = it->Present;
            it = state.DiskChanges.erase(it);
        } else {
            ++it;
        }
    }
    const auto query = state.Queries.find(reinterpret_cast<std::uintptr_t>(hQuery));
    if (query == state.Queries.end())
        return Logged(call, PDH_INVALID_HANDLE);
    // PDH_NO_DATA: "The query does not currently contain any counters", and
    // "When PdhCollectQueryData is called for data from one counter instance
    // only and the counter instance does not exist, the function returns
    // PDH_NO_DATA. However, if data from more than one counter is queried,
    // PdhCollectQueryData may return ERROR_SUCCESS even if one of the counter
    // instances does not yet exist."
    bool sampled = false;
    std::map<int, double> intervals;   // each disk's interval advances once per collection
    for (const std::uintptr_t handle : query->second) {
        TCounter& counter = state.Counters.at(handle);
        if (counter.Disk < 0 || !state.Disks[counter.Disk].Present) {
            counter.Missing = true;
            counter.Samples = 0;
            continue;
        }
        // "PDH stores the raw counter values for the current and previous
        // collection": a value needs a previous sample (Collecting
        // Performance Data: rate counters "require two data samples").
        if (counter.Samples > 0) {
            if (intervals.count(counter.Disk) == 0) {
                TDisk& disk = state.Disks[counter.Disk];
                intervals[counter.Disk] = disk.Trace[disk.Step % TraceLength];
                ++disk.Step;
            }
            counter.Value = intervals[counter.Disk];
        }
        ++counter.Samples;
        counter.Missing = false;
        counter.Fresh = true;
        sampled = true;
    }
    return Logged(call, sampled ? ERROR_SUCCESS : PDH_NO_DATA);
}

PDH_STATUS WINAPI PdhGetFormattedCounterValue(PDH_HCOUNTER hCounter, DWORD dwFormat, LPDWORD lpdwType,
                                              PPDH_FMT_COUNTERVALUE pValue)
{
    char format[16];
    std::snprintf(format, sizeof format, "0x%lX", static_cast<unsigned long>(dwFormat));
    const std::string call = "PdhGetFormattedCounterValue(" + Handle("counter", hCounter) + ", " + format + ", " +
                             Pointer(lpdwType) + ")";
    if (const auto injected = Injected("PdhGetFormattedCounterValue"))
        return Logged(call, *injected);
    TStandIn& state = State();
    const auto counter = state.Counters.find(reinterpret_cast<std::uintptr_t>(hCounter));
    if (counter == state.Counters.end())
        return Logged(call, PDH_INVALID_HANDLE);
    if (pValue == nullptr || (dwFormat & (PDH_FMT_DOUBLE | PDH_FMT_LONG | PDH_FMT_LARGE)) == 0)
        return Logged(call, PDH_INVALID_ARGUMENT);
    TCounter& c = counter->second;
    // "If the specified counter instance does not exist, the method will
    // return PDH_INVALID_DATA and set the CStatus member of the
    // PDH_FMT_COUNTERVALUE structure to PDH_CSTATUS_NO_INSTANCE."
    if (c.Missing) {
        pValue->CStatus = PDH_CSTATUS_NO_INSTANCE;
        return Logged(call, PDH_INVALID_DATA);
    }
    // "Some counters, such as rate counters, require two counter values in
    // order to compute a displayable value. In this case you must call
    // PdhCollectQueryData twice"; before that there is no valid data
    // (Checking Counter Data Status Codes: PDH_CSTATUS_INVALID_DATA).
    if (c.Samples < 2) {
        pValue->CStatus = PDH_CSTATUS_INVALID_DATA;
        return Logged(call, PDH_INVALID_DATA);
    }
    // PDH_FMT_NOCAP100: "Counter values greater than 100 ... will not be
    // reset to 100. The default behavior is that counter values are capped at
    // a value of 100."
    double value = c.Value;
    if ((dwFormat & PDH_FMT_NOCAP100) == 0 && value > 100)
        value = 100;
    if (dwFormat & PDH_FMT_DOUBLE)
        pValue->doubleValue = value;
    else if (dwFormat & PDH_FMT_LARGE)
        pValue->largeValue = static_cast<LONGLONG>(value);
    else
        pValue->longValue = static_cast<LONG>(value);
    // "Reading the data (calling this function successfully) clears the
    // data-changed flag for the counter."
    pValue->CStatus = c.Fresh ? PDH_CSTATUS_NEW_DATA : PDH_CSTATUS_VALID_DATA;
    c.Fresh = false;
    return Logged(call, ERROR_SUCCESS);
}

PDH_STATUS WINAPI PdhRemoveCounter(PDH_HCOUNTER hCounter)
{
    const std::string call = "PdhRemoveCounter(" + Handle("counter", hCounter) + ")";
    if (const auto injected = Injected("PdhRemoveCounter"))
        return Logged(call, *injected);
    const auto handle = reinterpret_cast<std::uintptr_t>(hCounter);
    if (State().Counters.count(handle) == 0)
        return Logged(call, PDH_INVALID_HANDLE);
    RemoveCounter(handle);
    return Logged(call, ERROR_SUCCESS);
}

PDH_STATUS WINAPI PdhCloseQuery(PDH_HQUERY hQuery)
{
    const std::string call = "PdhCloseQuery(" + Handle("query", hQuery) + ")";
    if (const auto injected = Injected("PdhCloseQuery"))
        return Logged(call, *injected);
    TStandIn& state = State();
    const auto query = state.Queries.find(reinterpret_cast<std::uintptr_t>(hQuery));
    if (query == state.Queries.end())
        return Logged(call, PDH_INVALID_HANDLE);
    // "Closes all counters contained in the specified query".
    for (const std::uintptr_t counter : query->second)
        state.Counters.erase(counter);
    state.Queries.erase(query);
    return Logged(call, ERROR_SUCCESS);
}

PDH_STATUS WINAPI PdhEnumObjectItemsA(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                                      LPSTR mszCounterList, LPDWORD pcchCounterListLength, LPSTR mszInstanceList,
                                      LPDWORD pcchInstanceListLength, DWORD dwDetailLevel, DWORD dwFlags)
{
    return Enumerate("PdhEnumObjectItemsA", Text(szDataSource), Text(szMachineName), Text(szObjectName),
                     mszCounterList, pcchCounterListLength, mszInstanceList, pcchInstanceListLength,
                     dwDetailLevel, dwFlags);
}

PDH_STATUS WINAPI PdhEnumObjectItemsW(LPCWSTR szDataSource, LPCWSTR szMachineName, LPCWSTR szObjectName,
                                      LPWSTR mszCounterList, LPDWORD pcchCounterListLength, LPWSTR mszInstanceList,
                                      LPDWORD pcchInstanceListLength, DWORD dwDetailLevel, DWORD dwFlags)
{
    return Enumerate("PdhEnumObjectItemsW", Text(szDataSource), Text(szMachineName), Text(szObjectName),
                     mszCounterList, pcchCounterListLength, mszInstanceList, pcchInstanceListLength,
                     dwDetailLevel, dwFlags);
}

PDH_STATUS WINAPI PdhLookupPerfNameByIndexA(LPCSTR szMachineName, DWORD dwNameIndex, LPSTR szNameBuffer,
                                            LPDWORD pcchNameBufferSize)
{
    return LookUpName("PdhLookupPerfNameByIndexA", Text(szMachineName), dwNameIndex, szNameBuffer,
                      pcchNameBufferSize);
}

PDH_STATUS WINAPI PdhLookupPerfNameByIndexW(LPCWSTR szMachineName, DWORD dwNameIndex, LPWSTR szNameBuffer,
                                            LPDWORD pcchNameBufferSize)
{
    return LookUpName("PdhLookupPerfNameByIndexW", Text(szMachineName), dwNameIndex, szNameBuffer,
                      pcchNameBufferSize);
}

// ---------------------------------------------------------------------------
// The controls (StandInControl.h).

void WINAPI IdlescopeStandInReset()
{
    TStandIn& state = State();
    state.Disks = ModelDisks();
    state.ListedInstances.reset();
    state.DiskChanges.clear();
    state.Injections.clear();
    state.ShortNameSizes = 0;
    state.Calls.clear();
}

const char* WINAPI IdlescopeStandInModel()
{
    return State().Model->Name;
}

void WINAPI IdlescopeStandInFail(const char* function, DWORD call, DWORD status)
{
    State().Injections.push_back({function, call, status});
}

void WINAPI IdlescopeStandInSetDisk(const char* instance, BOOL present, DWORD collection)
{
    TStandIn& state = State();
    if (collection == 0) {
        const int disk = DiskIndex(instance);
        if (disk >= 0)
            state.Disks[disk].Present = present != FALSE;
    } else {
        state.DiskChanges.push_back({instance, present != FALSE, collection});
    }
}

void WINAPI IdlescopeStandInShortNameSizes(DWORD mode)
{
    State().ShortNameSizes = mode;
}

const char* WINAPI IdlescopeStandInCalls()
{
    TStandIn& state = State();
    state.CallsCopy = state.Calls;
    return state.CallsCopy.c_str();
}

}  // extern "C"
