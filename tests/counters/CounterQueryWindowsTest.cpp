// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/counters/CounterQueryFixture.h"

// The counter query against the real pdh.dll: Windows' own, or Wine's when
// the cross build runs its tests on Linux. Expectations come from what
// pdh.dll answers the test itself for the same path, or from Microsoft's
// documentation where Wine's partial pdh.dll answers otherwise: those tests
// are skipped on Wine, saying why. The stand-in pdh.dll's tests
// (tests/standin) see a disk listed and read, and count the counters a read
// leaves behind.

namespace {

const char* const ProcessorPath = "\\Processor(_Total)\\% Processor Time";

// Wine's ntdll exports wine_get_version; Windows' does not.
bool RunningOnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// What adding the path answers on a query of the test's own.
PDH_STATUS StatusOfAdding(const char* path)
{
    PDH_HQUERY query = nullptr;
    EXPECT_EQ(PdhOpenQuery(nullptr, 0, &query), ERROR_SUCCESS);
    PDH_HCOUNTER counter = nullptr;
    const PDH_STATUS status = PdhAddCounterUtf8(query, path, 0, &counter);
    if (status == ERROR_SUCCESS)
        PdhRemoveCounter(counter);
    PdhCloseQuery(query);
    return status;
}

// A read of the path: its value in 0 to 100 where pdh.dll adds the path,
// else the status pdh.dll refuses it with.
void ExpectReadAsAdded(const char* path, PDH_STATUS added)
{
    if (added != ERROR_SUCCESS) {
        EXPECT_EQ(ReadFailure(path), StatusText(added)) << path;
        return;
    }
    const double value = ReadCounter(path);
    EXPECT_GE(value, 0.0) << path;
    EXPECT_LE(value, 100.0) << path;
}

using CounterQueryWindows = TOpenQueryTest;

}  // namespace

TEST_F(CounterQueryWindows, ReadsAPercentageOrRaisesTheRefusalAndTheQueryStaysUsable)
{
    // No such counter: refused at the add, by Windows and by Wine (whose
    // pdh.dll knows no PhysicalDisk counter at all).
    const char* const refused = "\\PhysicalDisk(_Total)\\% No Such Time";
    const PDH_STATUS refusal = StatusOfAdding(refused);
    ASSERT_NE(refusal, ERROR_SUCCESS);
    ASSERT_EQ(StatusOfAdding(ProcessorPath), ERROR_SUCCESS);
    // Each read twice, in turn: none may leave the query changed.
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        ExpectReadAsAdded(ProcessorPath, ERROR_SUCCESS);
        ExpectReadAsAdded(refused, refusal);
    }
    ExpectReadAsAdded(ProcessorPath, ERROR_SUCCESS);

    // Windows always has _Total; Wine's pdh.dll has no PhysicalDisk object.
    const char* const allDisks = "\\PhysicalDisk(_Total)\\% Idle Time";
    const PDH_STATUS added = StatusOfAdding(allDisks);
    EXPECT_EQ(added == ERROR_SUCCESS, !RunningOnWine());
    ExpectReadAsAdded(allDisks, added);
}

TEST_F(CounterQueryWindows, DiskThatIsNotThereIsAddedAndHasNoData)
{
    // Windows adds a counter for an instance that does not exist (yet) with
    // ERROR_SUCCESS, and a collection whose query has no valid counter
    // answers PDH_NO_DATA (the PdhAddCounterA and PdhCollectQueryData pages).
    const char* const path = "\\PhysicalDisk(no such disk)\\% Idle Time";
    if (RunningOnWine())
        GTEST_SKIP() << "Wine's pdh.dll knows no PhysicalDisk counter: it refuses the add with "
                     << StatusText(StatusOfAdding(path)) << " where Windows adds it";
    EXPECT_EQ(StatusOfAdding(path), ERROR_SUCCESS);
    EXPECT_EQ(ReadFailure(path), StatusText(PDH_NO_DATA));
}

TEST(CounterQueryWindowsNoQuery, ReadWithNoOpenQueryRaisesTheNullQueryStatus)
{
    PDH_HCOUNTER counter = nullptr;
    const PDH_STATUS refusal = PdhAddCounterUtf8(nullptr, ProcessorPath, 0, &counter);
    ASSERT_NE(refusal, ERROR_SUCCESS);

    // Under CTest each test runs in a process of its own: no query has been
    // opened yet. Then the same after a close.
    EXPECT_EQ(ReadFailure(ProcessorPath), StatusText(refusal));
    OpenCounterQuery();
    EXPECT_EQ(ReadFailure(ProcessorPath), "");
    CloseCounterQuery();
    EXPECT_EQ(ReadFailure(ProcessorPath), StatusText(refusal));
}

TEST(CounterQueryWindowsInstances, PhysicalDiskListsNamesOrRaisesThePlatformStatus)
{
    // The platform's own answer, with room enough for any list.
    std::vector<char> counters(1 << 18);
    std::vector<char> instances(1 << 18);
    DWORD counterLength = static_cast<DWORD>(counters.size());
    DWORD instanceLength = static_cast<DWORD>(instances.size());
    const PDH_STATUS status = PdhEnumObjectItemsUtf8(nullptr, nullptr, "PhysicalDisk", counters.data(), &counterLength,
                                                  instances.data(), &instanceLength, PERF_DETAIL_WIZARD, 0);

    if (status != ERROR_SUCCESS) {
        // Wine: its pdh.dll does not implement the enumeration.
        EXPECT_EQ(ListFailure("PhysicalDisk"), StatusText(status));
        return;
    }

    // Windows: the disks' names.
    const std::vector<std::string> names = ListInstances("PhysicalDisk");
    EXPECT_FALSE(names.empty());
    for (const std::string& name : names)
        EXPECT_FALSE(name.empty());
}
