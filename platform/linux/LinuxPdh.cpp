// SPDX-License-Identifier: MIT
#include "platform/Pdh.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/CounterPath.h"

#include "BlockDevices.h"
#include "DiskStats.h"
#include "IdleTime.h"
#include "Kernel32.h"
#include "PdhState.h"

namespace {

constexpr std::string_view ObjectName = "PhysicalDisk";
constexpr std::string_view CounterName = "% Idle Time";
constexpr std::string_view TotalName = "_Total";

// Machine names come with or without their leading "\\"; an empty name is
// this computer, as a null one is.
bool IsThisMachine(std::string_view machine)
{
    for (int i = 0; i < 2 && !machine.empty() && machine.front() == '\\'; ++i)
        machine.remove_prefix(1);
    return machine.empty() || SameNameNoCase(machine, HostName());
}

std::uintptr_t HandleId(void* handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

TQuery* FindQuery(PDH_HQUERY handle)
{
    auto& queries = PdhState().queries;
    const auto found = queries.find(HandleId(handle));
    return found == queries.end() ? nullptr : &found->second;
}

TCounter* FindCounter(PDH_HCOUNTER handle)
{
    auto& counters = PdhState().counters;
    const auto found = counters.find(HandleId(handle));
    return found == counters.end() ? nullptr : &found->second;
}

// Every physical disk in the statistics with a readable io_ticks, sorted by
// name; a name listed twice counts once, with its first line, as the disk's
// own counter reads it: a first line without io_ticks is no sample even when
// a later one has them.
void SampleAllDisks(const TDiskStats& stats, const std::string& sysRoot, std::vector<TDiskTicks>& disks)
{
    std::vector<TStatLine> lines;
    for (const TStatLine& line : stats.Lines())
        if (IsPhysicalDisk(sysRoot, line.name))
            lines.push_back(line);
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
    TPdhState& state = PdhState();
    const std::uintptr_t id = ++state.lastHandle;
    state.queries.emplace(id, TQuery{});
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
    if (!SameNameNoCase(path->object, ObjectName))
        return PDH_CSTATUS_NO_OBJECT;
    if (!SameNameNoCase(path->counter, CounterName))
        return PDH_CSTATUS_NO_COUNTER;
    if (!path->instance)
        return PDH_CSTATUS_NO_INSTANCE;

    TPdhState& state = PdhState();
    std::string disk;
    if (SameNameNoCase(*path->instance, TotalName)) {
        if (!HasPhysicalDisk(state.source.sysRoot))
            return PDH_CSTATUS_NO_INSTANCE;
    } else {
        disk = *path->instance;
        if (!IsPhysicalDisk(state.source.sysRoot, disk))
            return PDH_CSTATUS_NO_INSTANCE;
    }

    const std::uintptr_t id = ++state.lastHandle;
    state.counters.emplace(id, TCounter{HandleId(hQuery), std::move(disk), {}, {}});
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

    const std::int64_t now = MonotonicClockNs();
    // "_Total" walks the statistics of every device; a disk's own counter
    // reads that disk's statistics alone.
    TPdhState& state = PdhState();
    const std::string& sysRoot = state.source.sysRoot;
    TDiskStats stats;
    bool allRead = false;
    bool allReadable = false;
    for (const std::uintptr_t id : query->counters) {
        TCounter& counter = state.counters.at(id);
        std::swap(counter.previous, counter.latest);
        TSample& sample = counter.latest;
        sample.taken = true;
        sample.timeNs = now;
        sample.disks.clear();
        if (!counter.disk.empty()) {
            if (const auto ticks = DiskIoTicks(sysRoot, counter.disk))
                sample.disks.push_back({counter.disk, *ticks});
            continue;
        }
        if (!allRead) {
            allReadable = stats.Read(state.source.procRoot + "/diskstats");
            allRead = true;
        }
        if (allReadable)
            SampleAllDisks(stats, sysRoot, sample.disks);
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

    const TIdle idle = IdleTime(counter->previous, counter->latest);
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
    const TCounter* counter = FindCounter(hCounter);
    if (!counter)
        return PDH_INVALID_HANDLE;
    TPdhState& state = PdhState();
    std::erase(state.queries.at(counter->query).counters, HandleId(hCounter));
    state.counters.erase(HandleId(hCounter));
    return ERROR_SUCCESS;
}

PDH_STATUS PdhCloseQuery(PDH_HQUERY hQuery)
{
    TPdhState& state = PdhState();
    const auto found = state.queries.find(HandleId(hQuery));
    if (found == state.queries.end())
        return PDH_INVALID_HANDLE;
    for (const std::uintptr_t counter : found->second.counters)
        state.counters.erase(counter);
    state.queries.erase(found);
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
    if (!SameNameNoCase(szObjectName, ObjectName))
        return PDH_CSTATUS_NO_OBJECT;

    std::string counters(CounterName);
    counters.append(2, '\0');
    const PdhLinuxSource& source = PdhState().source;
    if (source.onList)
        source.onList();
    const auto listed = ListPhysicalDisks(source.sysRoot);
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

// Names on Linux are UTF-8 already: the counter query's UTF-8 calls are the
// layer's A functions.

BOOL GetComputerNameUtf8(LPSTR lpBuffer, LPDWORD nSize)
{
    return GetComputerNameA(lpBuffer, nSize);
}

PDH_STATUS PdhEnumObjectItemsUtf8(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                                  LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                                  LPSTR mszInstanceList, LPDWORD pcchInstanceListLength,
                                  DWORD dwDetailLevel, DWORD dwFlags)
{
    return PdhEnumObjectItemsA(szDataSource, szMachineName, szObjectName, mszCounterList, pcchCounterListLength,
                               mszInstanceList, pcchInstanceListLength, dwDetailLevel, dwFlags);
}

PDH_STATUS PdhAddCounterUtf8(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR dwUserData,
                             PDH_HCOUNTER* phCounter)
{
    return PdhAddCounterA(hQuery, szFullCounterPath, dwUserData, phCounter);
}
