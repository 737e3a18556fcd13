// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/counters/CounterQueryFixture.h"
#include "tests/platform/DiskFixture.h"

namespace {

using TNames = std::vector<std::string>;

// The process's query, open for each test on this machine's own disks, or
// on a made-up machine.
using CounterQueryRealMachine = TOpenQueryTest;

class CounterQueryLinux : public TOpenQueryTest {
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

    // Without an open query every read has the null handle's status.
    CloseCounterQuery();
    EXPECT_EQ(ReadFailure(IdlePath("sda")), "C0000BBC");
}

TEST_F(CounterQueryLinux, ListInstancesGivesTheDisksThatAreThereWhenItFetches)
{
    EXPECT_TRUE(ListInstances("PhysicalDisk").empty());
    EXPECT_EQ(ListFailure("Processor"), "C0000BB8");

    Disks.AddDisk("sda", true, 0);
    Disks.AddDisk("loop0", false, 0);
    // The second listing, which fills the buffers, sees one disk more than
    // the first, which sized them.
    int start = Disks.ListCount();
    Disks.OnList([&] {
        if (Disks.ListCount() == start + 2)
            Disks.AddDisk("sdb", true, 0);
    });
    EXPECT_EQ(ListInstances("PhysicalDisk"), (TNames{"sda", "sdb", "_Total"}));
    EXPECT_EQ(Disks.ListCount(), start + 4);

    // A disk unplugged in between leaves room to spare, which is no error.
    start = Disks.ListCount();
    Disks.OnList([&] {
        if (Disks.ListCount() == start + 2)
            Disks.RemoveDisk("sda");
    });
    EXPECT_EQ(ListInstances("PhysicalDisk"), (TNames{"sdb", "_Total"}));

    // A list that keeps growing: a few rounds of sizing and fetching, not a
    // loop without end, then its status.
    start = Disks.ListCount();
    int plugged = 0;
    Disks.OnList([&] { Disks.AddDisk("sd" + std::to_string(plugged++), true, 0); });
    EXPECT_EQ(ListFailure("PhysicalDisk"), "800007D2");
    EXPECT_GE(Disks.ListCount() - start, 4);
    EXPECT_LE(Disks.ListCount() - start, 20);
}

TEST_F(CounterQueryRealMachine, FirstDiskIdleIsAPercentage)
{
    const TNames disks = ListInstances("PhysicalDisk");
    if (disks.empty())
        GTEST_SKIP() << "this machine has no physical disk";
    EXPECT_EQ(disks.back(), "_Total");

    const double idle = ReadCounter(IdlePath(disks.front()));
    EXPECT_GE(idle, 0.0);
    EXPECT_LE(idle, 100.0);
}
