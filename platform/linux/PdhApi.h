// SPDX-License-Identifier: MIT
#pragma once

// The Performance Data Helper functions, for Linux, backed by the kernel's
// block-device statistics. Same names, signatures, contracts and status codes
// as pdh.dll, so the counter query is one source for both systems.
//
// One object is known: "PhysicalDisk". Its instances are the whole physical
// disks (the entries of <sys>/block that have a "device" link: vda, sda,
// nvme0n1, but no loop, ram, zram, dm or md device), sorted by name (the
// directory's own order is unspecified), followed by "_Total" when there is
// at least one disk. Disk names match exactly, as the kernel spells them;
// object, counter, machine and "_Total" match in any case. Its one counter is
// "% Idle Time": over the time between the query's two latest collections,
// 100 × (1 − Δio_ticks / Δt), clamped to 0..100, where io_ticks is the
// milliseconds-doing-I/O field of <proc>/diskstats and Δt is measured on the
// monotonic clock. io_ticks is a 32-bit counter: a fall counts as a wrap only
// when the busy time it implies fits in the elapsed time (and one jiffy);
// otherwise the counter went backwards and the value is refused. "_Total" is
// the mean idle time of all physical disks that were present, with a usable
// difference, in both collections. Everything is read afresh at each call.

#include <cstdint>
#include <functional>
#include <string>

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using LONGLONG = std::int64_t;
using BOOL = int;
using DWORD_PTR = std::uintptr_t;
using LPDWORD = DWORD*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPCWSTR = const wchar_t*;

using PDH_STATUS = std::uint32_t;
using PDH_HQUERY = void*;
using PDH_HCOUNTER = void*;

struct PDH_FMT_COUNTERVALUE {
    DWORD CStatus;
    union {
        LONG longValue;
        double doubleValue;
        LONGLONG largeValue;
        LPCSTR AnsiStringValue;
        LPCWSTR WideStringValue;
    };
};

// Status codes, with pdhmsg.h's values.
inline constexpr PDH_STATUS ERROR_SUCCESS = 0;
inline constexpr PDH_STATUS PDH_CSTATUS_VALID_DATA = 0x00000000;
inline constexpr PDH_STATUS PDH_CSTATUS_NO_MACHINE = 0x800007D0;
inline constexpr PDH_STATUS PDH_CSTATUS_NO_INSTANCE = 0x800007D1;
inline constexpr PDH_STATUS PDH_MORE_DATA = 0x800007D2;
inline constexpr PDH_STATUS PDH_NO_DATA = 0x800007D5;
inline constexpr PDH_STATUS PDH_CALC_NEGATIVE_VALUE = 0x800007D8;
inline constexpr PDH_STATUS PDH_CSTATUS_NO_OBJECT = 0xC0000BB8;
inline constexpr PDH_STATUS PDH_CSTATUS_NO_COUNTER = 0xC0000BB9;
inline constexpr PDH_STATUS PDH_CSTATUS_INVALID_DATA = 0xC0000BBA;
inline constexpr PDH_STATUS PDH_INVALID_HANDLE = 0xC0000BBC;
inline constexpr PDH_STATUS PDH_INVALID_ARGUMENT = 0xC0000BBD;
inline constexpr PDH_STATUS PDH_CSTATUS_BAD_COUNTERNAME = 0xC0000BC0;
inline constexpr PDH_STATUS PDH_INVALID_DATA = 0xC0000BC6;

// Formats for PdhGetFormattedCounterValue.
inline constexpr DWORD PDH_FMT_LONG = 0x00000100;
inline constexpr DWORD PDH_FMT_DOUBLE = 0x00000200;
inline constexpr DWORD PDH_FMT_LARGE = 0x00000400;
inline constexpr DWORD PDH_FMT_NOCAP100 = 0x00008000;

inline constexpr DWORD PERF_DETAIL_WIZARD = 400;

// Query and counter handles are numbers, handed out upward from one count
// and never reused: a closed query's or removed counter's handle stays
// invalid for good, and is never dereferenced.

// Opens a live-data query. szDataSource must be null (no log files).
// PDH_INVALID_ARGUMENT for a null phQuery or a non-null data source.
PDH_STATUS PdhOpenQuery(LPCSTR szDataSource, DWORD_PTR dwUserData, PDH_HQUERY* phQuery);

// Adds a counter for a path "\Object(Instance)\Counter" (an optional
// "\\Machine" prefix must name this computer). PDH_INVALID_HANDLE for a null
// or closed query; PDH_INVALID_ARGUMENT for a null path or out pointer;
// PDH_CSTATUS_BAD_COUNTERNAME for a path that does not parse;
// PDH_CSTATUS_NO_MACHINE for another computer; PDH_CSTATUS_NO_OBJECT for an
// object other than PhysicalDisk; PDH_CSTATUS_NO_COUNTER for an unknown
// counter; PDH_CSTATUS_NO_INSTANCE for a disk that is not there now.
PDH_STATUS PdhAddCounterA(PDH_HQUERY hQuery, LPCSTR szFullCounterPath, DWORD_PTR dwUserData,
                          PDH_HCOUNTER* phCounter);

// Takes one raw sample (io_ticks and the monotonic time) of every counter of
// the query; the previous sample is kept for the rate. PDH_INVALID_HANDLE
// for a null or closed query; PDH_NO_DATA when the query has no counter. A
// disk missing from the statistics, or statistics that cannot be read or
// parsed, is not a failure of the collection: that counter's sample is marked
// invalid and its formatted value reports it.
PDH_STATUS PdhCollectQueryData(PDH_HQUERY hQuery);

// The value computed from the two latest collections. PDH_INVALID_HANDLE for
// a null or removed counter; PDH_INVALID_ARGUMENT for a null value record or
// a format with none of LONG, DOUBLE, LARGE; PDH_INVALID_DATA (and CStatus
// PDH_CSTATUS_INVALID_DATA) before two collections, when either collection
// could not sample the disk, or when no time passed between them;
// PDH_CALC_NEGATIVE_VALUE (CStatus PDH_CSTATUS_INVALID_DATA) when io_ticks went
// backwards between them (for "_Total": every disk it could pair). With more
// than one format flag, LONG wins over LARGE, LARGE over DOUBLE; LONG and
// LARGE truncate. lpdwType, when not null, receives the counter type (0 here).
PDH_STATUS PdhGetFormattedCounterValue(PDH_HCOUNTER hCounter, DWORD dwFormat, LPDWORD lpdwType,
                                       PDH_FMT_COUNTERVALUE* pValue);

// Removes a counter from its query. PDH_INVALID_HANDLE for a null or already
// removed counter.
PDH_STATUS PdhRemoveCounter(PDH_HCOUNTER hCounter);

// Closes a query and removes its counters. PDH_INVALID_HANDLE for a null or
// already closed query.
PDH_STATUS PdhCloseQuery(PDH_HQUERY hQuery);

// Lists an object's counters and instances as multi-strings (each name
// NUL-terminated, the list ended by one more NUL). Lengths are in characters
// and include every NUL. With buffers too small (or null), returns
// PDH_MORE_DATA with both lengths set to what is needed; otherwise fills the
// buffers, sets the lengths to what was written and returns 0. With no
// instance the instance list is "\0\0" (length 2). A null machine name is
// this computer. PDH_INVALID_ARGUMENT for null length pointers, a null object
// name or a non-null data source; PDH_CSTATUS_NO_MACHINE for
// another computer; PDH_CSTATUS_NO_OBJECT for an unknown object, and for
// PhysicalDisk when <sys>/block cannot be read.
PDH_STATUS PdhEnumObjectItemsA(LPCSTR szDataSource, LPCSTR szMachineName, LPCSTR szObjectName,
                               LPSTR mszCounterList, LPDWORD pcchCounterListLength,
                               LPSTR mszInstanceList, LPDWORD pcchInstanceListLength,
                               DWORD dwDetailLevel, DWORD dwFlags);

// The host name, NUL-terminated, and its length without the NUL in *nSize.
// FALSE (and *nSize set to the size needed, NUL included) when the buffer is
// null or too small; FALSE for a null nSize.
BOOL GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize);

// Blocks the calling thread for the given milliseconds.
void Sleep(DWORD dwMilliseconds);

// Where the layer reads from. Tests point the roots at fixture files they
// write, and may replace the clock and the sleep (a test's sleep can rewrite
// the fixture between a read's two collections), or plug a disk in between
// two listings.
struct PdhLinuxSource {
    std::string procRoot = "/proc";           // holds diskstats
    std::string sysRoot = "/sys";             // holds block/<disk>/device
    std::function<std::int64_t()> clockNs;    // monotonic nanoseconds; empty: CLOCK_MONOTONIC
    std::function<void(DWORD)> sleep;         // empty: nanosleep
    std::function<void()> onList;             // run as PdhEnumObjectItemsA starts listing the disks
};

// Replaces the source for every later call; open queries keep their samples.
void PdhLinuxSetSource(PdhLinuxSource source);
