// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/counters/CounterQueryFixture.h"
#include "tests/standin/StandIn.h"

// The counter query against the stand-in pdh.dll, in the model of English or
// Chinese Windows and the code page the environment chose (CTest runs every
// test in each): the disks are listed and read whatever the system calls
// PhysicalDisk and whatever its code page holds, the calls pdh.dll receives
// are the counter query's, and each failing status reaches the caller whole.

namespace {

using TNames = std::vector<std::string>;

const TNames ModelDisks = {"0 C:", "1 D: E:", "_Total"};
const std::string DiskC = IdlePath("0 C:");

std::string ComputerName()
{
    char name[4 * MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameUtf8(name, &size);
    return std::string(name, size);
}

// The paths of the counters pdh.dll was asked to add, in order.
TNames AddedPaths(const TNames& calls)
{
    TNames paths;
    for (const std::string& line : calls) {
        if (!line.starts_with("PdhAddCounterW("))
            continue;
        const std::size_t open = line.find('"');
        paths.push_back(line.substr(open + 1, line.rfind('"') - open - 1));
    }
    return paths;
}

// A line of the call log with each handle's number and each filled
// buffer's length as *: what any refactoring may change.
std::string Shape(const std::string& line)
{
    static const std::regex numbers("(query|counter|buffer,) [0-9]+");
    return std::regex_replace(line, numbers, "$1 *");
}

std::size_t CountOf(const TNames& calls, const std::string& function)
{
    std::size_t count = 0;
    for (const std::string& line : calls)
        count += line.starts_with(function + "(");
    return count;
}

class CounterQueryStandIn : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StandIn.Unfit(), "");
        StandIn.Reset();
    }
    void TearDown() override { CloseCounterQuery(); }

    TStandIn StandIn;
};

TEST_F(CounterQueryStandIn, CallsAreTheCounterQuerysWithTheSystemsNamesLookedUpFirst)
{
    if (!StandIn.FirstInProcess())
        GTEST_SKIP() << "the names were looked up by an earlier test of this process";
    EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    OpenCounterQuery();
    EXPECT_DOUBLE_EQ(ReadCounter(DiskC), 97.54);
    CloseCounterQuery();

    // The order of the calls, and in them what Windows' answers depend on:
    // the indices looked up and the computer, object, path, detail level,
    // flags and format asked for; sizing calls pass no buffer and a length of
    // 0. Not the handles' numbers or the lengths of the buffers that are
    // filled (each * below). In the English model the names are English.
    const std::string object = StandIn.Object();
    const std::string counter = StandIn.Counter();
    const std::string listing = "PdhEnumObjectItemsW(null, \"" + ComputerName() + "\", \"" + object + "\", ";
    const TNames expected = {
        "PdhLookupPerfNameByIndexW(null, 234, null, 0) = 800007D2",
        "PdhLookupPerfNameByIndexW(null, 234, buffer, *) = 00000000",
        "PdhLookupPerfNameByIndexW(null, 1482, null, 0) = 800007D2",
        "PdhLookupPerfNameByIndexW(null, 1482, buffer, *) = 00000000",
        listing + "null, 0, null, 0, 65535, 0) = 800007D2",
        listing + "buffer, *, buffer, *, 65535, 0) = 00000000",
        "PdhOpenQueryW(null, 0) = 00000000",
        "PdhAddCounterW(query *, \"\\" + object + "(0 C:)\\" + counter + "\", 0) = 00000000",
        "PdhCollectQueryData(query *) = 00000000",
        "PdhCollectQueryData(query *) = 00000000",
        "PdhGetFormattedCounterValue(counter *, 0x200, null) = 00000000",
        "PdhRemoveCounter(counter *) = 00000000",
        "PdhCloseQuery(query *) = 00000000",
    };
    TNames calls = StandIn.Calls();
    for (std::string& line : calls)
        line = Shape(line);
    EXPECT_EQ(calls, expected);
}

TEST_F(CounterQueryStandIn, ListsAndReadsTheDisksThoughPdhKnowsOnlyTheSystemsNames)
{
    // pdh.dll itself, asked in English: Chinese Windows knows no such object.
    DWORD counterLength = 0;
    DWORD instanceLength = 0;
    EXPECT_EQ(static_cast<DWORD>(PdhEnumObjectItemsW(nullptr, nullptr, L"PhysicalDisk", nullptr, &counterLength,
                                                     nullptr, &instanceLength, PERF_DETAIL_WIZARD, 0)),
              StandIn.Chinese() ? PDH_CSTATUS_NO_OBJECT : PDH_MORE_DATA);
    // Its ANSI functions give the system's name in the ANSI code page, which
    // need not hold it: on code page 1252 the Chinese name is "????", and no
    // object answers to that.
    const auto lookUp = StandIn.Call<decltype(&PdhLookupPerfNameByIndexA)>("PdhLookupPerfNameByIndexA");
    const auto enumerate = StandIn.Call<decltype(&PdhEnumObjectItemsA)>("PdhEnumObjectItemsA");
    char ansi[64] = {};
    DWORD size = sizeof ansi;
    ASSERT_EQ(lookUp(nullptr, 234, ansi, &size), ERROR_SUCCESS);
    counterLength = instanceLength = 0;
    const auto status = static_cast<DWORD>(
        enumerate(nullptr, nullptr, ansi, nullptr, &counterLength, nullptr, &instanceLength, PERF_DETAIL_WIZARD, 0));
    if (StandIn.Chinese() && GetACP() == 1252) {
        EXPECT_STREQ(ansi, "????");
        EXPECT_EQ(status, PDH_CSTATUS_NO_OBJECT);
    } else {
        EXPECT_EQ(status, PDH_MORE_DATA);
    }

    EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    OpenCounterQuery();
    // The disk's idle trace, one interval a read; 100.47 formats capped.
    const TLeftovers left = LeftoversOf([&] {
        EXPECT_DOUBLE_EQ(ReadCounter(DiskC), 97.54);
        EXPECT_DOUBLE_EQ(ReadCounter(DiskC), 100.0);
        EXPECT_DOUBLE_EQ(ReadCounter(DiskC), 62.5);
        EXPECT_DOUBLE_EQ(ReadCounter(IdlePath("1 D: E:")), 12.5);
        EXPECT_DOUBLE_EQ(ReadCounter(IdlePath("_Total")), (97.54 + 12.5) / 2);
    });
    EXPECT_EQ(left.handed, 5u);
    EXPECT_EQ(left.live, 0);
}

TEST_F(CounterQueryStandIn, EachFailingStatusIsRaisedWholeAndTheNextReadWorks)
{
    OpenCounterQuery();
    const struct {
        const char* function;
        DWORD call;
        DWORD status;
    } failures[] = {
        {"PdhAddCounterW", 1, PDH_CSTATUS_BAD_COUNTERNAME},
        {"PdhCollectQueryData", 1, PDH_NO_DATA},
        // Disk counters answer these for a sample now and then in the field.
        {"PdhCollectQueryData", 2, PDH_CALC_NEGATIVE_DENOMINATOR},
        {"PdhGetFormattedCounterValue", 1, PDH_CALC_NEGATIVE_VALUE},
        {"PdhGetFormattedCounterValue", 1, PDH_INVALID_DATA},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.function);
        StandIn.Fail(failure.function, failure.call, failure.status);
        const TLeftovers left = LeftoversOf([&] { EXPECT_EQ(ReadFailure(DiskC), StatusText(failure.status)); });
        EXPECT_EQ(left.live, 0);
        EXPECT_EQ(ReadFailure(DiskC), "");
    }

    // The listing: a failed sizing call is not checked (its lengths stay 0,
    // so the next call sizes again); the fetching call's status is.
    StandIn.Fail("PdhEnumObjectItemsW", 1, PDH_CSTATUS_NO_MACHINE);
    EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    StandIn.Fail("PdhEnumObjectItemsW", 2, PDH_INVALID_ARGUMENT);
    EXPECT_EQ(ListFailure("PhysicalDisk"), "C0000BBD");

    // A query that did not open: every read has the null handle's status.
    CloseCounterQuery();
    StandIn.Fail("PdhOpenQueryW", 1, PDH_MEMORY_ALLOCATION_FAILURE);
    EXPECT_THROW(OpenCounterQuery(), Exception);
    EXPECT_EQ(ReadFailure(DiskC), StatusText(PDH_INVALID_HANDLE));
}

TEST_F(CounterQueryStandIn, DiskThatVanishesHasNoDataUntilItIsBack)
{
    OpenCounterQuery();
    // Gone between a read's two collections, then at the next read: Windows
    // still adds the counter (it cannot tell an instance gone from one not
    // made yet), and the query's only counter has no data.
    StandIn.SetDisk("0 C:", false, 2);
    const TLeftovers left = LeftoversOf([&] {
        EXPECT_EQ(ReadFailure(DiskC), StatusText(PDH_NO_DATA));
        EXPECT_EQ(ReadFailure(DiskC), StatusText(PDH_NO_DATA));
        EXPECT_EQ(ReadFailure(IdlePath("9 Z:")), StatusText(PDH_NO_DATA));
    });
    // Three adds, each handing out a counter, none of them left.
    EXPECT_EQ(CountOf(StandIn.Calls(), "PdhAddCounterW"), 3u);
    EXPECT_EQ(left.handed, 3u);
    EXPECT_EQ(left.live, 0);

    // With another counter that has data, the collection succeeds and the
    // missing instance shows at the formatting.
    PDH_HQUERY query = nullptr;
    PDH_HCOUNTER gone = nullptr;
    PDH_HCOUNTER there = nullptr;
    ASSERT_EQ(PdhOpenQuery(nullptr, 0, &query), ERROR_SUCCESS);
    ASSERT_EQ(PdhAddCounterUtf8(query, DiskC.c_str(), 0, &gone), ERROR_SUCCESS);
    ASSERT_EQ(PdhAddCounterUtf8(query, IdlePath("_Total").c_str(), 0, &there), ERROR_SUCCESS);
    EXPECT_EQ(PdhCollectQueryData(query), ERROR_SUCCESS);
    EXPECT_EQ(PdhCollectQueryData(query), ERROR_SUCCESS);
    PDH_FMT_COUNTERVALUE value{};
    EXPECT_EQ(static_cast<DWORD>(PdhGetFormattedCounterValue(gone, PDH_FMT_DOUBLE, nullptr, &value)),
              PDH_INVALID_DATA);
    EXPECT_EQ(value.CStatus, PDH_CSTATUS_NO_INSTANCE);
    EXPECT_EQ(PdhGetFormattedCounterValue(there, PDH_FMT_DOUBLE, nullptr, &value), ERROR_SUCCESS);
    PdhCloseQuery(query);

    StandIn.SetDisk("0 C:", true, 0);
    EXPECT_DOUBLE_EQ(ReadCounter(DiskC), 97.54);
}

TEST_F(CounterQueryStandIn, OnlyTheKnownNamesAreTranslatedAndEveryOtherByteIsKept)
{
    OpenCounterQuery();
    const std::string computer = "\\\\" + ComputerName();
    // An instance holding ")\" and 盶, whose code page 936 form ends in a
    // backslash byte: in UTF-8 and UTF-16 it is one character all the way.
    const std::string odd = computer + "\\PhysicalDisk(x)\\盶)\\% Idle Time";
    EXPECT_EQ(ReadFailure("\\NoSuchObject(0 C:)\\% Idle Time"), StatusText(PDH_CSTATUS_NO_OBJECT));
    EXPECT_EQ(ReadFailure("\\PhysicalDisk(0 C:)\\% No Such Time"), StatusText(PDH_CSTATUS_NO_COUNTER));
    EXPECT_EQ(ReadFailure("\\Processor(_Total)\\% Processor Time"), StatusText(PDH_CSTATUS_NO_OBJECT));
    EXPECT_EQ(ReadFailure(odd), StatusText(PDH_NO_DATA));
    EXPECT_EQ(ReadFailure(computer + DiskC), "");

    const std::string object = StandIn.Object();
    const std::string counter = StandIn.Counter();
    const TNames expected = {
        "\\NoSuchObject(0 C:)\\% Idle Time",
        "\\" + object + "(0 C:)\\% No Such Time",
        "\\Processor(_Total)\\% Processor Time",
        computer + "\\" + object + "(x)\\盶)\\" + counter,
        computer + "\\" + object + "(0 C:)\\" + counter,
    };
    EXPECT_EQ(AddedPaths(StandIn.Calls()), expected);
}

TEST_F(CounterQueryStandIn, NameLookupThatFailsLeavesTheEnglishNameForGood)
{
    if (!StandIn.FirstInProcess())
        GTEST_SKIP() << "the names were looked up by an earlier test of this process";
    // Both of the object's calls fail: its name stays English, which Chinese
    // Windows refuses, as it did before the names were translated.
    StandIn.Fail("PdhLookupPerfNameByIndexW", 1, PDH_CSTATUS_NO_MACHINE);
    StandIn.Fail("PdhLookupPerfNameByIndexW", 2, PDH_CSTATUS_NO_MACHINE);
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(ListFailure("PhysicalDisk"), StandIn.Chinese() ? StatusText(PDH_CSTATUS_NO_OBJECT) : "") << attempt;
    if (!StandIn.Chinese())
        EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    // Looked up once: the object's two failed calls, the counter's two.
    EXPECT_EQ(CountOf(StandIn.Calls(), "PdhLookupPerfNameByIndexW"), 4u);
}

class CounterQueryStandInSizes : public CounterQueryStandIn, public testing::WithParamInterface<DWORD> {};

TEST_P(CounterQueryStandInSizes, NamesAreFoundWhenTheSizeAnswerIsTooSmall)
{
    if (!StandIn.FirstInProcess())
        GTEST_SKIP() << "the names were looked up by an earlier test of this process";
    if (GetParam() == 3) {
        // Each index's sizing call wants a buffer, as Windows XP's did.
        StandIn.Fail("PdhLookupPerfNameByIndexW", 1, PDH_INSUFFICIENT_BUFFER);
        StandIn.Fail("PdhLookupPerfNameByIndexW", 3, PDH_INSUFFICIENT_BUFFER);
    } else {
        StandIn.ShortNameSizes(GetParam());
    }
    EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    OpenCounterQuery();
    EXPECT_EQ(ReadFailure(DiskC), "");
    // Each index's last lookup found its name.
    std::vector<std::string> last(2);
    for (const std::string& line : StandIn.Calls()) {
        if (line.starts_with("PdhLookupPerfNameByIndexW(null, 234,"))
            last[0] = line;
        if (line.starts_with("PdhLookupPerfNameByIndexW(null, 1482,"))
            last[1] = line;
    }
    for (const std::string& line : last)
        EXPECT_TRUE(line.ends_with(" = 00000000")) << line;
}

// 1: a buffer still too small gets PDH_MORE_DATA; 2: PDH_INVALID_ARGUMENT;
// 3: the sizing call answers PDH_INSUFFICIENT_BUFFER.
INSTANTIATE_TEST_SUITE_P(SizeAnswers, CounterQueryStandInSizes, testing::Values(1u, 2u, 3u));

}  // namespace
