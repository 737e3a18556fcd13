// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/counters/ReadFailure.h"
#include "tests/platform/DiskFixture.h"

namespace {

std::string IdlePath(const std::string& instance)
{
    return "\\PhysicalDisk(" + instance + ")\\% Idle Time";
}

// What a read left behind: how many handles the layer handed out while it
// ran, and how many of them are still live counters. Handles are numbered
// upward and never reused, so the read's own lie between a query opened just
// before it and one opened just after.
struct TLeftovers {
    std::uintptr_t handed;
    int live;
};

TLeftovers LeftoversOf(const std::function<void()>& read)
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
        if (PdhGetFormattedCounterValue(reinterpret_cast<PDH_HCOUNTER>(id), PDH_FMT_DOUBLE, nullptr, &value) !=
            PDH_INVALID_HANDLE)
            ++result.live;
    }
    PdhCloseQuery(before);
    PdhCloseQuery(after);
    return result;
}

// The process's query, open for each test on this machine's own disks.
class CounterQueryRealMachine : public testing::Test {
protected:
    void SetUp() override { OpenCounterQuery(); }
    void TearDown() override { CloseCounterQuery(); }
};

// The same, on a made-up machine.
class CounterQueryLinux : public CounterQueryRealMachine {
protected:
    TDiskFixture Disks;
};

}  // namespace

TEST_F(CounterQueryLinux, ReadMeasuresTheIdleTimeOfItsOwnSleep)
{
    Disks.AddDisk("sda", true, 5000);
    Disks.OnSleep([&] { Disks.AddIoTicks("sda", 30); });
    EXPECT_DOUBLE_EQ(ReadCounter(IdlePath("sda")), 70.0);
    EXPECT_EQ(Disks.SleepCount(), 1);
    EXPECT_EQ(Disks.LastSleepMs(), 100u);

    // Busy time between two reads belongs to neither.
    Disks.AdvanceClockMs(900);
    Disks.AddIoTicks("sda", 500);
    Disks.OnSleep([&] { Disks.AddIoTicks("sda", 10); });
    EXPECT_DOUBLE_EQ(ReadCounter(IdlePath("sda")), 90.0);
}

TEST_F(CounterQueryLinux, FailedReadRaisesItsStatusAndLeavesNothingBehind)
{
    Disks.AddDisk("sda", true, 0);
    Disks.AddDisk("sdb", true, 0);
    struct TCase {
        std::string path;
        std::string message;
        std::uintptr_t countersAdded;
    };
    const TCase cases[] = {
        {"\\LogicalDisk(sda)\\% Idle Time", "C0000BB8", 0},
        {IdlePath("sdz"), "800007D1", 0},
        {IdlePath("sdb"), "C0000BC6", 1},
    };
    Disks.OnSleep([&] { Disks.RemoveDisk("sdb"); });
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.path);
        // The same read twice fails the same way.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!Disks.HasDisk("sdb"))
                Disks.AddDisk("sdb", true, 0);
            const TLeftovers left = LeftoversOf([&] { EXPECT_EQ(ReadFailure(c.path), c.message); });
            EXPECT_EQ(left.handed, c.countersAdded);
            EXPECT_EQ(left.live, 0);
        }
    }

    Disks.OnSleep([&] { Disks.AddIoTicks("sda", 25); });
    const TLeftovers left = LeftoversOf([&] { EXPECT_DOUBLE_EQ(ReadCounter(IdlePath("sda")), 75.0); });
    EXPECT_EQ(left.handed, 1u);
    EXPECT_EQ(left.live, 0);
}

TEST_F(CounterQueryLinux, ReadWithoutAnOpenQueryRaisesInvalidHandle)
{
    Disks.AddDisk("sda", true, 0);
    CloseCounterQuery();
    EXPECT_EQ(ReadFailure(IdlePath("sda")), "C0000BBC");
}

TEST_F(CounterQueryLinux, ListInstancesGivesDisksInOrderThenTotal)
{
    EXPECT_TRUE(ListInstances("PhysicalDisk").empty());

    Disks.AddDisk("sdb", true, 0);
    Disks.AddDisk("loop0", false, 0);
    Disks.AddDisk("sda", true, 0);
    EXPECT_EQ(ListInstances("PhysicalDisk"), (std::vector<std::string>{"sda", "sdb", "_Total"}));

    try {
        ListInstances("Processor");
        ADD_FAILURE() << "an unknown object was listed";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "C0000BB8");
    }
}

TEST_F(CounterQueryLinux, ListInstancesTakesADiskPluggedInBetweenSizingAndFetching)
{
    Disks.AddDisk("sda", true, 0);
    // The second listing, which fills the buffers, sees one disk more than
    // the first, which sized them.
    Disks.OnList([&] {
        if (Disks.ListCount() == 2)
            Disks.AddDisk("sdb", true, 0);
    });
    EXPECT_EQ(ListInstances("PhysicalDisk"), (std::vector<std::string>{"sda", "sdb", "_Total"}));
    EXPECT_EQ(Disks.ListCount(), 4);

    // A disk unplugged in between leaves room to spare, which is no error.
    Disks.OnList([&] {
        if (Disks.ListCount() == 6)
            Disks.RemoveDisk("sda");
    });
    EXPECT_EQ(ListInstances("PhysicalDisk"), (std::vector<std::string>{"sdb", "_Total"}));
}

TEST_F(CounterQueryLinux, ListThatKeepsGrowingRaisesMoreData)
{
    int plugged = 0;
    Disks.OnList([&] { Disks.AddDisk("sd" + std::to_string(plugged++), true, 0); });
    try {
        ListInstances("PhysicalDisk");
        ADD_FAILURE() << "a list that never stopped growing was returned";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "800007D2");
    }
    // Bounded: a few rounds of sizing and fetching, not a loop without end.
    EXPECT_GE(Disks.ListCount(), 4);
    EXPECT_LE(Disks.ListCount(), 20);
}

TEST_F(CounterQueryRealMachine, FirstDiskIdleIsAPercentage)
{
    const std::vector<std::string> disks = ListInstances("PhysicalDisk");
    if (disks.empty())
        GTEST_SKIP() << "this machine has no physical disk";
    EXPECT_EQ(disks.back(), "_Total");

    const double idle = ReadCounter(IdlePath(disks.front()));
    EXPECT_GE(idle, 0.0);
    EXPECT_LE(idle, 100.0);
}
