// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "counters/CounterQuery.h"
#include "platform/Error.h"

// What the counter query's tests share on every system: the path of a disk's
// idle time, the message a read or a listing fails with, a status as the
// program shows it, the process's query open for each test, and the check
// that a read leaves no counter behind.

inline std::string IdlePath(const std::string& instance)
{
    return "\\PhysicalDisk(" + instance + ")\\% Idle Time";
}

// The message of the Exception an action raises; empty when it raises none.
inline std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return {};
}

// The same of a read, and of a listing.
inline std::string ReadFailure(const std::string& path)
{
    return FailureOf([&] { ReadCounter(path); });
}

inline std::string ListFailure(const std::string& object)
{
    return FailureOf([&] { ListInstances(object); });
}

// A status as the program shows it, written out here without CheckStatus.
inline std::string StatusText(PDH_STATUS status)
{
    std::ostringstream text;
    text << std::uppercase << std::hex << std::setw(8) << std::setfill('0') << static_cast<std::uint32_t>(status);
    return text.str();
}

// The process's query, open for each test.
class TOpenQueryTest : public testing::Test {
protected:
    void SetUp() override { OpenCounterQuery(); }
    void TearDown() override { CloseCounterQuery(); }
};

// What a read left behind: how many handles pdh.dll handed out while it ran,
// and how many of them are still live counters. Only for a pdh.dll whose
// handles are numbers counted upward and never reused, queries and counters
// alike (the Linux layer, the stand-in): the read's own lie between a query
// opened just before it and one opened just after, and formatting any other
// number answers PDH_INVALID_HANDLE.
struct TLeftovers {
    std::uintptr_t handed;
    int live;
};

inline TLeftovers LeftoversOf(const std::function<void()>& read)
{
    PDH_HQUERY before = nullptr;
    PDH_HQUERY after = nullptr;
    PdhOpenQuery(nullptr, 0, &before);
    read();
    PdhOpenQuery(nullptr, 0, &after);
    const auto first = reinterpret_cast<std::uintptr_t>(before) + 1;
    const auto end = reinterpret_cast<std::uintptr_t>(after);
    TLeftovers result{end - first, 0};
    for (std::uintptr_t id = first; id < end; ++id) {
        PDH_FMT_COUNTERVALUE value{};
        const PDH_STATUS status =
            PdhGetFormattedCounterValue(reinterpret_cast<PDH_HCOUNTER>(id), PDH_FMT_DOUBLE, nullptr, &value);
        result.live += static_cast<std::uint32_t>(status) != static_cast<std::uint32_t>(PDH_INVALID_HANDLE);
    }
    PdhCloseQuery(before);
    PdhCloseQuery(after);
    return result;
}
