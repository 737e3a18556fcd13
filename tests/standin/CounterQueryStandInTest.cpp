// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/counters/CounterQueryFixture.h"
#include "tests/standin/StandIn.h"

// The counter query against the stand-in pdh.dll, in the model of English or
// Chinese Windows the environment chose (CTest runs every test in both): the
// disks are listed and read whatever the system calls PhysicalDisk, the
// calls pdh.dll receives are the counter query's, and each failing status
// reaches the caller whole.

namespace {

using TNames = std::vector<std::string>;

const TNames ModelDisks = {"0 C:", "1 D: E:", "_Total"};
const std::string DiskC = IdlePath("0 C:");

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return std::string(name, size);
}

// The paths of the counters pdh.dll was asked to add, in order.
TNames AddedPaths(const TNames& calls)
{
    TNames paths;
    for (const std::string& line : calls) {
        if (!line.starts_with("PdhAddCounterA("))
            continue;
        const std::size_t open = line.find('"');
        paths.push_back(line.substr(open + 1, line.rfind('"') - open - 1));
    }
    return paths;
}

// Whether a line of the call log fits a pattern in which each * stands for
// what the test leaves open in one argument (a handle's number, a buffer's
// length): any characters but a comma.
bool Fits(std::string_view line, std::string_view pattern)
{
    if (pattern.empty())
        return line.empty();
    if (pattern.front() == '*') {
        for (std::size_t n = 0;; ++n) {
            if (Fits(line.substr(n), pattern.substr(1)))
                return true;
            if (n == line.size() || line[n] == ',')
                return false;
        }
    }
    return !line.empty() && line.front() == pattern.front() && Fits(line.substr(1), pattern.substr(1));
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
    const std::string listing = "PdhEnumObjectItemsA(null, \"" + ComputerName() + "\", \"" + object + "\", ";
    const TNames expected = {
        "PdhLookupPerfNameByIndexA(null, 234, null, 0) = 800007D2",
        "PdhLookupPerfNameByIndexA(null, 234, buffer, *) = 00000000",
        "PdhLookupPerfNameByIndexA(null, 1482, null, 0) = 800007D2",
        "PdhLookupPerfNameByIndexA(null, 1482, buffer, *) = 00000000",
        listing + "null, 0, null, 0, 65535, 0) = 800007D2",
        listing + "buffer, *, buffer, *, 65535, 0) = 00000000",
        "PdhOpenQueryW(null, 0) = 00000000",
        "PdhAddCounterA(query *, \"\\" + object + "(0 C:)\\" + counter + "\", 0) = 00000000",
        "PdhCollectQueryData(query *) = 00000000",
        "PdhCollectQueryData(query *) = 00000000",
        "PdhGetFormattedCounterValue(counter *, 0x200, null) = 00000000",
        "PdhRemoveCounter(counter *) = 00000000",
        "PdhCloseQuery(query *) = 00000000",
    };
    const TNames calls = StandIn.Calls();
    ASSERT_EQ(calls.size(), expected.size()) << testing::PrintToString(calls);
    for (std::size_t k = 0; k < calls.size(); ++k)
        EXPECT_TRUE(Fits(calls[k], expected[k])) << calls[k] << "\n  expected " << expected[k];
}

TEST_F(CounterQueryStandIn, ListsAndReadsTheDisksThoughPdhKnowsOnlyTheSystemsNames)
{
    // pdh.dll itself, asked in English: Chinese Windows knows no such object.
    const auto enumerate = StandIn.Call<decltype(&PdhEnumObjectItemsSystemA)>("PdhEnumObjectItemsA");
    DWORD counterLength = 0;
    DWORD instanceLength = 0;
    EXPECT_EQ(static_cast<DWORD>(enumerate(nullptr, nullptr, "PhysicalDisk", nullptr, &counterLength, nullptr,
                                           &instanceLength, PERF_DETAIL_WIZARD, 0)),
              StandIn.Chinese() ? PDH_CSTATUS_NO_OBJECT : PDH_MORE_DATA);

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
        {"PdhAddCounterA", 1, PDH_CSTATUS_BAD_COUNTERNAME},
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
    StandIn.Fail("PdhEnumObjectItemsA", 1, PDH_CSTATUS_NO_MACHINE);
    EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    StandIn.Fail("PdhEnumObjectItemsA", 2, PDH_INVALID_ARGUMENT);
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
    EXPECT_EQ(CountOf(StandIn.Calls(), "PdhAddCounterA"), 3u);
    EXPECT_EQ(left.handed, 3u);
    EXPECT_EQ(left.live, 0);

    // With another counter that has data, the collection succeeds and the
    // missing instance shows at the formatting.
    PDH_HQUERY query = nullptr;
    PDH_HCOUNTER gone = nullptr;
    PDH_HCOUNTER there = nullptr;
    ASSERT_EQ(PdhOpenQuery(nullptr, 0, &query), ERROR_SUCCESS);
    ASSERT_EQ(PdhAddCounterA(query, DiskC.c_str(), 0, &gone), ERROR_SUCCESS);
    ASSERT_EQ(PdhAddCounterA(query, IdlePath("_Total").c_str(), 0, &there), ERROR_SUCCESS);
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
    // An instance holding ")\" and a code page 936 character whose second
    // byte is a backslash.
    const std::string odd = computer + "\\PhysicalDisk(x)\\\xB1\x5C)\\% Idle Time";
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
        computer + "\\" + object + "(x)\\\xB1\x5C)\\" + counter,
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
    StandIn.Fail("PdhLookupPerfNameByIndexA", 1, PDH_CSTATUS_NO_MACHINE);
    StandIn.Fail("PdhLookupPerfNameByIndexA", 2, PDH_CSTATUS_NO_MACHINE);
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(ListFailure("PhysicalDisk"), StandIn.Chinese() ? StatusText(PDH_CSTATUS_NO_OBJECT) : "") << attempt;
    if (!StandIn.Chinese())
        EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    // Looked up once: the object's two failed calls, the counter's two.
    EXPECT_EQ(CountOf(StandIn.Calls(), "PdhLookupPerfNameByIndexA"), 4u);
}

class CounterQueryStandInSizes : public CounterQueryStandIn, public testing::WithParamInterface<DWORD> {};

TEST_P(CounterQueryStandInSizes, NamesAreFoundWhenTheSizeAnswerIsTooSmall)
{
    if (!StandIn.FirstInProcess())
        GTEST_SKIP() << "the names were looked up by an earlier test of this process";
    if (GetParam() == 3) {
        // Each index's sizing call wants a buffer, as Windows XP's did.
        StandIn.Fail("PdhLookupPerfNameByIndexA", 1, PDH_INSUFFICIENT_BUFFER);
        StandIn.Fail("PdhLookupPerfNameByIndexA", 3, PDH_INSUFFICIENT_BUFFER);
    } else {
        StandIn.ShortNameSizes(GetParam());
    }
    EXPECT_EQ(ListInstances("PhysicalDisk"), ModelDisks);
    OpenCounterQuery();
    EXPECT_EQ(ReadFailure(DiskC), "");
    // Each index's last lookup found its name.
    std::vector<std::string> last(2);
    for (const std::string& line : StandIn.Calls()) {
        if (line.starts_with("PdhLookupPerfNameByIndexA(null, 234,"))
            last[0] = line;
        if (line.starts_with("PdhLookupPerfNameByIndexA(null, 1482,"))
            last[1] = line;
    }
    for (const std::string& line : last)
        EXPECT_TRUE(line.ends_with(" = 00000000")) << line;
}

// 1: a buffer still too small gets PDH_MORE_DATA; 2: PDH_INVALID_ARGUMENT;
// 3: the sizing call answers PDH_INSUFFICIENT_BUFFER.
INSTANTIATE_TEST_SUITE_P(SizeAnswers, CounterQueryStandInSizes, testing::Values(1u, 2u, 3u));

}  // namespace
