// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/Pdh.h"
#include "platform/linux/Kernel32.h"
#include "tests/counters/CounterQueryFixture.h"
#include "tests/platform/DiskFixture.h"

namespace {

// An open query, closed with the test.
class TQuery {
public:
    TQuery() { EXPECT_EQ(PdhOpenQuery(nullptr, 0, &FHandle), ERROR_SUCCESS); }
    ~TQuery() { PdhCloseQuery(FHandle); }
    TQuery(const TQuery&) = delete;
    TQuery& operator=(const TQuery&) = delete;

    PDH_HQUERY get() const { return FHandle; }

    PDH_HCOUNTER Add(const std::string& path)
    {
        PDH_HCOUNTER counter = nullptr;
        EXPECT_EQ(PdhAddCounterA(FHandle, path.c_str(), 0, &counter), ERROR_SUCCESS) << path;
        return counter;
    }

    void Collect() { EXPECT_EQ(PdhCollectQueryData(FHandle), ERROR_SUCCESS); }

    // Collects once the fixture's clock has moved on by ms.
    void CollectAfter(TDiskFixture& fx, std::int64_t ms)
    {
        fx.AdvanceClockMs(ms);
        Collect();
    }

private:
    PDH_HQUERY FHandle = nullptr;
};

struct TValue {
    PDH_STATUS status;
    PDH_FMT_COUNTERVALUE record;
};

TValue Format(PDH_HCOUNTER counter, DWORD format = PDH_FMT_DOUBLE)
{
    TValue value{};
    value.record.CStatus = 0x12345678;
    value.status = PdhGetFormattedCounterValue(counter, format, nullptr, &value.record);
    return value;
}

// One window on the instance: a collection, then `during` and the clock
// moving on by elapsedMs, then the second collection.
TValue Measure(TDiskFixture& fx, const std::string& instance, std::int64_t elapsedMs,
               const std::function<void()>& during)
{
    TQuery query;
    const PDH_HCOUNTER counter = query.Add(IdlePath(instance));
    query.Collect();
    during();
    query.CollectAfter(fx, elapsedMs);
    return Format(counter);
}

// One window on sda of a fresh machine whose sda starts at `before`
// io_ticks: `during` runs between the collections, elapsedMs apart.
TValue MeasureSda(std::uint32_t before, std::int64_t elapsedMs, const std::function<void(TDiskFixture&)>& during)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, before);
    return Measure(fx, "sda", elapsedMs, [&] { during(fx); });
}

// A valid value of that idle time.
void ExpectIdle(const TValue& value, double idle)
{
    ASSERT_EQ(value.status, ERROR_SUCCESS);
    EXPECT_EQ(value.record.CStatus, PDH_CSTATUS_VALID_DATA);
    EXPECT_DOUBLE_EQ(value.record.doubleValue, idle);
}

void ExpectInvalidData(const TValue& value)
{
    EXPECT_EQ(value.status, PDH_INVALID_DATA);
    EXPECT_EQ(value.record.CStatus, PDH_CSTATUS_INVALID_DATA);
}

}  // namespace

TEST(LinuxPdh, IdleIsTheShareOfElapsedTimeWithoutIoAlsoAcrossA32BitWrap)
{
    const struct {
        std::uint32_t before;
        std::uint32_t after;
        std::int64_t elapsedMs;
        double idle;
    } cases[] = {
        {1000, 1025, 100, 75.0}, {1000, 1000, 100, 100.0}, {1000, 1100, 100, 0.0}, {1000, 1050, 250, 80.0},
        {1000, 1001, 3, 200.0 / 3},
        // Coarse or loose accounting can put io_ticks ahead of the clock.
        {1000, 1120, 100, 0.0},
        // io_ticks wraps at 32 bits: 40 ms busy in 100, 1 ms, and 110 ms,
        // ahead of the clock by one jiffy.
        {4294967290u, 34, 100, 60.0}, {4294967295u, 0, 100, 99.0}, {4294967290u, 104, 100, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " -> " << c.after << " in " << c.elapsedMs << " ms");
        ExpectIdle(MeasureSda(c.before, c.elapsedMs, [&](TDiskFixture& fx) { fx.SetIoTicks("sda", c.after); }),
                   c.idle);
    }
}

TEST(LinuxPdh, IoTicksGoingBackwardsIsRefusedNotZeroIdle)
{
    const struct {
        const char* what;
        std::uint32_t before;
        std::uint32_t after;
    } cases[] = {
        {"disk re-added, counters restarted", 5000000, 10},
        {"small step back", 1000, 960},
        {"a wrap would mean more busy time than elapsed", 4294967290u, 120},
        {"a wrap would mean one ms more than elapsed and a jiffy", 4294967290u, 105},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TValue value = MeasureSda(c.before, 100, [&](TDiskFixture& fx) { fx.SetIoTicks("sda", c.after); });
        EXPECT_EQ(value.status, PDH_CALC_NEGATIVE_VALUE);
        EXPECT_EQ(value.record.CStatus, PDH_CSTATUS_INVALID_DATA);
        EXPECT_EQ(value.record.largeValue, 0);
    }

    // The statistics file cut inside the io_ticks field of the second read.
    const TValue cut = MeasureSda(1234, 100, [](TDiskFixture& fx) {
        fx.WriteDiskstatsText(TDiskFixture::LineUpToIoTicks("sda") + " 12");
    });
    EXPECT_EQ(cut.status, PDH_CALC_NEGATIVE_VALUE);
}

TEST(LinuxPdh, ClockReadingsFurtherApartThanASignedDifferenceHolds)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    TQuery query;
    const PDH_HCOUNTER counter = query.Add(IdlePath("sda"));
    fx.SetClockNs(std::numeric_limits<std::int64_t>::min() / 2 - 1);
    query.Collect();
    fx.SetIoTicks("sda", 10);
    fx.SetClockNs(std::numeric_limits<std::int64_t>::max() / 2 + 1);
    query.Collect();
    // 10 ms busy in 2^63 ns.
    ExpectIdle(Format(counter), 100.0 * (1.0 - 10.0 / (9223372036854775808.0 / 1e6)));
}

TEST(LinuxPdh, TotalCountsWhatIsAPhysicalDiskAtEachCollection)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    fx.AddDisk("loop0", false, 0);
    fx.AddDisk("sdb", true, 0);
    TQuery query;
    const PDH_HCOUNTER total = query.Add(IdlePath("_Total"));
    query.Collect();
    fx.SetIoTicks("sda", 20);
    fx.SetIoTicks("sdb", 40);
    fx.SetIoTicks("loop0", 100);
    query.CollectAfter(fx, 100);
    ExpectIdle(Format(total), 70.0);

    // A device that leaves the statistics and comes back as no physical
    // disk is no longer counted.
    fx.RemoveDisk("sdb");
    query.CollectAfter(fx, 100);
    fx.AddDisk("sdb", false, 0);
    fx.AddIoTicks("sda", 10);
    query.CollectAfter(fx, 100);
    fx.SetIoTicks("sdb", 90);
    query.CollectAfter(fx, 100);
    ExpectIdle(Format(total), 100.0);
}

TEST(LinuxPdh, ValueCoversTheTwoLatestCollections)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    TQuery query;
    const PDH_HCOUNTER counter = query.Add(IdlePath("sda"));

    ExpectInvalidData(Format(counter));
    query.Collect();
    ExpectInvalidData(Format(counter));
    query.Collect();
    // No time passed between the two.
    ExpectInvalidData(Format(counter));

    fx.SetIoTicks("sda", 90);
    query.CollectAfter(fx, 100);
    ExpectIdle(Format(counter), 10.0);
    fx.AddIoTicks("sda", 10);
    query.CollectAfter(fx, 100);
    ExpectIdle(Format(counter), 90.0);
}

TEST(LinuxPdh, DiskMissingFromEitherCollectionIsInvalidData)
{
    {
        SCOPED_TRACE("gone before the first collection");
        TDiskFixture fx;
        fx.AddDisk("sda", true, 0);
        TQuery query;
        const PDH_HCOUNTER counter = query.Add(IdlePath("sda"));
        fx.RemoveDisk("sda");
        query.Collect();
        fx.AddDisk("sda", true, 10);
        query.CollectAfter(fx, 100);
        ExpectInvalidData(Format(counter));

        // Back for two collections, it is measured again.
        fx.AddIoTicks("sda", 10);
        query.CollectAfter(fx, 100);
        ExpectIdle(Format(counter), 90.0);
    }
    {
        SCOPED_TRACE("gone between the collections");
        TDiskFixture fx;
        fx.AddDisk("sda", true, 0);
        fx.AddDisk("sdb", true, 0);
        ExpectInvalidData(Measure(fx, "sda", 100, [&] { fx.RemoveDisk("sda"); }));
    }
}

TEST(LinuxPdh, UnreadableDiskstatsIsInvalidDataNotAFailedCollection)
{
    for (const bool inFirst : {true, false}) {
        SCOPED_TRACE(inFirst ? "first collection" : "second collection");
        TDiskFixture fx;
        fx.AddDisk("sda", true, 0);
        TQuery query;
        const PDH_HCOUNTER counter = query.Add(IdlePath("sda"));
        if (inFirst)
            fx.DeleteDiskstats();
        query.Collect();
        if (inFirst)
            fx.SetIoTicks("sda", 10);
        else
            fx.DeleteDiskstats();
        query.CollectAfter(fx, 100);
        ExpectInvalidData(Format(counter));
    }
}

TEST(LinuxPdh, MalformedWatchedLineIsInvalidData)
{
    const std::string head = TDiskFixture::LineUpToIoTicks("sda");
    // io_ticks missing, not a number, negative, with a unit, beyond 64 bits;
    // a line cut after the device numbers.
    for (const std::string& line : {head, head + " x10 27 0 0", head + " -10 27 0 0", head + " 10ms 27 0 0",
                                     head + " 99999999999999999999999 27 0 0", std::string("8 0")}) {
        SCOPED_TRACE(line);
        ExpectInvalidData(MeasureSda(0, 100, [&](TDiskFixture& fx) { fx.SetLine("sda", line); }));
    }
}

TEST(LinuxPdh, OtherMalformedLinesDoNotSpoilTheWatchedDisk)
{
    const std::string lines[] = {"", "   ", "8", "8 16 sdb 1 2", "8 16 sdb 1 2 3 4 5 6 7 8 9 busy 11",
                                 "garbage\twithout\tnumbers"};
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        TDiskFixture fx;
        fx.AddDisk("sdb", true, 0);
        fx.AddDisk("sda", true, 0);
        fx.SetLine("sdb", line);
        ExpectIdle(Measure(fx, "sda", 100, [&] { fx.SetIoTicks("sda", 40); }), 60.0);
    }
}

TEST(LinuxPdh, ReadsEveryKernelLineLength)
{
    // 14 columns before 4.18, 18 until 5.5, 20 since; a last line may lack
    // its newline, and tabs separate as well as spaces.
    const std::string formats[] = {
        "   8 0 sda 1 2 3 4 5 6 7 8 9 TICKS 99\n",
        "   8 0 sda 1 2 3 4 5 6 7 8 9 TICKS 99 0 0 0 0\n",
        "   8 0 sda 1 2 3 4 5 6 7 8 9 TICKS 99 0 0 0 0 5 6\n",
        "8\t0\tsda\t1\t2\t3\t4\t5\t6\t7\t8\t9\tTICKS\t99",
    };
    for (const std::string& format : formats) {
        SCOPED_TRACE(format);
        const auto withTicks = [&](const std::string& ticks) {
            return format.substr(0, format.find("TICKS")) + ticks + format.substr(format.find("TICKS") + 5);
        };
        TDiskFixture fx;
        fx.AddDisk("sda", true, 0);
        fx.WriteDiskstatsText(withTicks("500"));
        ExpectIdle(Measure(fx, "sda", 100, [&] { fx.WriteDiskstatsText(withTicks("530")); }), 70.0);
    }
}

TEST(LinuxPdh, TotalIsTheMeanOfThePhysicalDisksInBothCollections)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    fx.AddDisk("loop0", false, 0);
    fx.AddDisk("sdb", true, 0);
    fx.AddDisk("sdc", true, 0);
    fx.AddDisk("sde", true, 5000000);
    // Not the loop device, a disk without io_ticks, or one whose counter
    // went backwards.
    const TValue value = Measure(fx, "_Total", 100, [&] {
        fx.SetIoTicks("sda", 10);
        fx.SetIoTicks("sdb", 30);
        fx.SetIoTicks("loop0", 100);
        fx.SetLine("sdc", "8 32 sdc 1 2 3");
        fx.SetIoTicks("sde", 10);
    });
    ExpectIdle(value, 80.0);
    // Every disk it could pair went backwards.
    const TValue none = Measure(fx, "_Total", 100, [&] {
        fx.SetIoTicks("sda", 3);
        fx.SetIoTicks("sdb", 2);
        fx.SetIoTicks("sde", 5);
    });
    EXPECT_EQ(none.status, PDH_CALC_NEGATIVE_VALUE);
    fx.RemoveDisk("sde");

    TQuery query;
    const PDH_HCOUNTER total = query.Add(IdlePath("_Total"));
    query.Collect();
    fx.RemoveDisk("sdb");
    fx.AddDisk("sdd", true, 0);
    fx.AddIoTicks("sda", 50);
    query.CollectAfter(fx, 100);
    ExpectIdle(Format(total), 50.0);

    fx.DeleteDiskstats();
    query.CollectAfter(fx, 100);
    ExpectInvalidData(Format(total));
}

TEST(LinuxPdh, TotalReadsADiskListedTwiceFromItsFirstLineAsTheDiskDoes)
{
    const std::string good = TDiskFixture::Line("sda", 1000);
    const std::string later = TDiskFixture::Line("sda", 1020);
    const std::string cut = TDiskFixture::LineUpToIoTicks("sda");
    for (const std::string instance : {"sda", "_Total"}) {
        SCOPED_TRACE(instance);
        TDiskFixture fx;
        fx.AddDisk("sda", true, 0);
        fx.WriteDiskstatsText(good + "\n");
        // A first line without io_ticks is no sample, whatever a later line says.
        ExpectInvalidData(Measure(fx, instance, 100, [&] { fx.WriteDiskstatsText(cut + "\n" + later + "\n"); }));

        fx.WriteDiskstatsText(good + "\n");
        ExpectIdle(Measure(fx, instance, 100, [&] { fx.WriteDiskstatsText(later + "\n" + good + "\n"); }), 80.0);
    }
}

TEST(LinuxPdh, AddCounterStatuses)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    fx.AddDisk("loop0", false, 0);
    std::string upperHost = HostName();
    for (char& c : upperHost)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string otherHost = "not-" + HostName();

    struct TCase {
        std::string path;
        PDH_STATUS status;
    };
    const TCase cases[] = {
        {"\\physicaldisk(sda)\\% idle time", ERROR_SUCCESS},
        {"\\PhysicalDisk(_total)\\% Idle Time", ERROR_SUCCESS},
        {"\\\\" + upperHost + "\\PhysicalDisk(sda)\\% Idle Time", ERROR_SUCCESS},
        {"", PDH_CSTATUS_BAD_COUNTERNAME},
        {"PhysicalDisk(sda)\\% Idle Time", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\PhysicalDisk(sda)", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\PhysicalDisk(sda)\\", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\PhysicalDisk(sda\\% Idle Time", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\PhysicalDisk sda)\\% Idle Time", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\PhysicalDisk(sda)x\\% Idle Time", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\(sda)\\% Idle Time", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\\\\\PhysicalDisk(sda)\\% Idle Time", PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\\\" + HostName(), PDH_CSTATUS_BAD_COUNTERNAME},
        {"\\\\" + otherHost + "\\PhysicalDisk(sda)\\% Idle Time", PDH_CSTATUS_NO_MACHINE},
        {"\\\\" + otherHost + "\\Processor(0)\\% Processor Time", PDH_CSTATUS_NO_MACHINE},
        {"\\LogicalDisk(sda)\\% Idle Time", PDH_CSTATUS_NO_OBJECT},
        {"\\Processor(_Total)\\% Processor Time", PDH_CSTATUS_NO_OBJECT},
        {"\\PhysicalDisk(sda)\\% Disk Time", PDH_CSTATUS_NO_COUNTER},
        {"\\PhysicalDisk(nosuch)\\% Processor Time", PDH_CSTATUS_NO_COUNTER},
        {"\\PhysicalDisk(sdz)\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
        {"\\PhysicalDisk(SDA)\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
        {"\\PhysicalDisk(loop0)\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
        {"\\PhysicalDisk()\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
        {"\\PhysicalDisk\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
        {"\\PhysicalDisk(../block/sda)\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
        {"\\PhysicalDisk(.)\\% Idle Time", PDH_CSTATUS_NO_INSTANCE},
    };
    TQuery query;
    for (const TCase& c : cases) {
        PDH_HCOUNTER counter = nullptr;
        EXPECT_EQ(PdhAddCounterA(query.get(), c.path.c_str(), 0, &counter), c.status) << c.path;
        EXPECT_EQ(counter != nullptr, c.status == ERROR_SUCCESS) << c.path;
    }
}

// The monitored disk is added again every tick; what a tick finds must
// follow the disk going, coming back, losing its device or being replaced.
TEST(LinuxPdh, AddingACounterAgainFollowsTheDisk)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    fx.AddDisk("sdb", true, 0);
    TQuery query;
    const auto add = [&](const std::string& disk) {
        PDH_HCOUNTER counter = nullptr;
        const PDH_STATUS status = PdhAddCounterA(query.get(), IdlePath(disk).c_str(), 0, &counter);
        if (counter)
            PdhRemoveCounter(counter);
        return status;
    };
    const std::filesystem::path sda = fx.SysRoot() / "block" / "sda";

    EXPECT_EQ(add("sda"), ERROR_SUCCESS);
    EXPECT_EQ(add("sda"), ERROR_SUCCESS);
    fx.RemoveDisk("sda");
    EXPECT_EQ(add("sda"), PDH_CSTATUS_NO_INSTANCE) << "removed";
    fx.AddDisk("sda", true, 0);
    EXPECT_EQ(add("sda"), ERROR_SUCCESS) << "added again";
    std::filesystem::remove(sda / "device");
    EXPECT_EQ(add("sda"), PDH_CSTATUS_NO_INSTANCE) << "without its device";
    std::filesystem::create_directory(sda / "device");
    EXPECT_EQ(add("sda"), ERROR_SUCCESS) << "with its device again";

    // Replaced by a folder of the same name that is no disk, then by a disk.
    std::filesystem::remove_all(sda);
    std::filesystem::create_directory(sda);
    EXPECT_EQ(add("sda"), PDH_CSTATUS_NO_INSTANCE) << "replaced by a non-disk";
    std::filesystem::create_directory(sda / "device");
    EXPECT_EQ(add("sda"), ERROR_SUCCESS) << "replaced by a disk";

    // Another disk in between, and back.
    EXPECT_EQ(add("sdb"), ERROR_SUCCESS);
    fx.RemoveDisk("sdb");
    EXPECT_EQ(add("sda"), ERROR_SUCCESS);
    EXPECT_EQ(add("sdb"), PDH_CSTATUS_NO_INSTANCE);
}

TEST(LinuxPdh, NullArgumentsAreRejected)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    PDH_HQUERY unused = nullptr;
    EXPECT_EQ(PdhOpenQuery(nullptr, 0, nullptr), PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhOpenQuery("trace.blg", 0, &unused), PDH_INVALID_ARGUMENT);

    TQuery query;
    PDH_HCOUNTER counter = nullptr;
    EXPECT_EQ(PdhAddCounterA(query.get(), nullptr, 0, &counter), PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhAddCounterA(query.get(), IdlePath("sda").c_str(), 0, nullptr), PDH_INVALID_ARGUMENT);

    counter = query.Add(IdlePath("sda"));
    EXPECT_EQ(PdhGetFormattedCounterValue(counter, PDH_FMT_DOUBLE, nullptr, nullptr), PDH_INVALID_ARGUMENT);
    EXPECT_EQ(Format(counter, 0).status, PDH_INVALID_ARGUMENT);
    EXPECT_EQ(Format(counter, PDH_FMT_NOCAP100).status, PDH_INVALID_ARGUMENT);

    DWORD length = 0;
    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", nullptr, nullptr, nullptr, &length, 0, 0),
              PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", nullptr, &length, nullptr, nullptr, 0, 0),
              PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, nullptr, nullptr, &length, nullptr, &length, 0, 0),
              PDH_INVALID_ARGUMENT);
    EXPECT_EQ(PdhEnumObjectItemsA("trace.blg", nullptr, "PhysicalDisk", nullptr, &length, nullptr, &length, 0, 0),
              PDH_INVALID_ARGUMENT);
}

TEST(LinuxPdh, NullClosedAndRemovedHandlesAreInvalid)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    const std::string path = IdlePath("sda");
    PDH_HCOUNTER counter = nullptr;
    {
        // A query without counters, or whose counters are all removed, has
        // nothing to collect.
        TQuery only;
        EXPECT_EQ(PdhCollectQueryData(only.get()), PDH_NO_DATA);
        const PDH_HCOUNTER added = only.Add(path);
        EXPECT_EQ(PdhCollectQueryData(only.get()), ERROR_SUCCESS);
        EXPECT_EQ(PdhRemoveCounter(added), ERROR_SUCCESS);
        EXPECT_EQ(PdhCollectQueryData(only.get()), PDH_NO_DATA);
    }
    EXPECT_EQ(PdhAddCounterA(nullptr, path.c_str(), 0, &counter), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCollectQueryData(nullptr), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCloseQuery(nullptr), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhRemoveCounter(nullptr), PDH_INVALID_HANDLE);
    EXPECT_EQ(Format(nullptr).status, PDH_INVALID_HANDLE);

    PDH_HQUERY query = nullptr;
    ASSERT_EQ(PdhOpenQuery(nullptr, 0, &query), ERROR_SUCCESS);
    PDH_HCOUNTER removed = nullptr;
    PDH_HCOUNTER kept = nullptr;
    ASSERT_EQ(PdhAddCounterA(query, path.c_str(), 0, &removed), ERROR_SUCCESS);
    ASSERT_EQ(PdhAddCounterA(query, path.c_str(), 0, &kept), ERROR_SUCCESS);
    EXPECT_EQ(PdhCollectQueryData(kept), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCloseQuery(kept), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhRemoveCounter(query), PDH_INVALID_HANDLE);

    EXPECT_EQ(PdhRemoveCounter(removed), ERROR_SUCCESS);
    EXPECT_EQ(PdhRemoveCounter(removed), PDH_INVALID_HANDLE);
    EXPECT_EQ(Format(removed).status, PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCollectQueryData(query), ERROR_SUCCESS);

    EXPECT_EQ(PdhCloseQuery(query), ERROR_SUCCESS);
    // A query opened later must not bring the closed handles back to life.
    TQuery later;
    later.Add(path);
    EXPECT_EQ(Format(kept).status, PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhRemoveCounter(kept), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCollectQueryData(query), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhAddCounterA(query, path.c_str(), 0, &counter), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCloseQuery(query), PDH_INVALID_HANDLE);
}

TEST(LinuxPdh, EnumListsPhysicalDisksByNameThenTotal)
{
    TDiskFixture fx;
    // Enough disks that the directory's own order is unlikely to be sorted already.
    for (const char* name : {"sdc", "loop0", "sda", "vdb", "zram0", "nvme0n1", "sdb", "dm-0", "vda"})
        fx.AddDisk(name, name[0] == 's' || name[0] == 'v' || name[0] == 'n', 0);
    const std::string counters("% Idle Time\0", 13);
    const std::string instances("nvme0n1\0sda\0sdb\0sdc\0vda\0vdb\0_Total\0", 36);

    DWORD counterLength = 0;
    DWORD instanceLength = 0;
    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", nullptr, &counterLength, nullptr,
                                  &instanceLength, PERF_DETAIL_WIZARD, 0),
              PDH_MORE_DATA);
    EXPECT_EQ(counterLength, counters.size());
    EXPECT_EQ(instanceLength, instances.size());

    std::vector<char> counterList(counterLength, 'x');
    std::vector<char> instanceList(instanceLength, 'x');
    for (const bool counterShort : {true, false}) {
        SCOPED_TRACE(counterShort ? "counter list one short" : "instance list one short");
        DWORD counterRoom = counterLength - (counterShort ? 1 : 0);
        DWORD instanceRoom = instanceLength - (counterShort ? 0 : 1);
        EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", counterList.data(), &counterRoom,
                                      instanceList.data(), &instanceRoom, PERF_DETAIL_WIZARD, 0),
                  PDH_MORE_DATA);
        EXPECT_EQ(counterRoom, counters.size());
        EXPECT_EQ(instanceRoom, instances.size());
    }

    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", counterList.data(), &counterLength,
                                  instanceList.data(), &instanceLength, PERF_DETAIL_WIZARD, 0),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(counterList.begin(), counterList.end()), counters);
    EXPECT_EQ(std::string(instanceList.begin(), instanceList.end()), instances);
    EXPECT_EQ(counterLength, counters.size());
    EXPECT_EQ(instanceLength, instances.size());
}

TEST(LinuxPdh, EnumChecksMachineAndObjectAndMayListNoInstanceNotEvenTotal)
{
    TDiskFixture fx;
    fx.AddDisk("sda", true, 0);
    const struct {
        std::string machine;
        std::string object;
        PDH_STATUS status;
    } cases[] = {
        {HostName(), "PhysicalDisk", PDH_MORE_DATA},
        {"\\\\" + HostName(), "physicaldisk", PDH_MORE_DATA},
        {"not-" + HostName(), "PhysicalDisk", PDH_CSTATUS_NO_MACHINE},
        {HostName(), "Processor", PDH_CSTATUS_NO_OBJECT},
    };
    DWORD counterLength = 0;
    DWORD instanceLength = 0;
    for (const auto& c : cases) {
        counterLength = instanceLength = 0;
        EXPECT_EQ(PdhEnumObjectItemsA(nullptr, c.machine.c_str(), c.object.c_str(), nullptr, &counterLength,
                                      nullptr, &instanceLength, 0, 0),
                  c.status)
            << c.machine << " " << c.object;
    }

    // Without physical disks: an empty list, and no _Total to add.
    fx.RemoveDisk("sda");
    fx.AddDisk("loop0", false, 0);
    counterLength = instanceLength = 0;
    PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", nullptr, &counterLength, nullptr, &instanceLength, 0, 0);
    ASSERT_EQ(instanceLength, 2u);
    std::vector<char> counters(counterLength);
    std::vector<char> instances(instanceLength, 'x');
    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", counters.data(), &counterLength,
                                  instances.data(), &instanceLength, 0, 0),
              ERROR_SUCCESS);
    EXPECT_EQ(instanceLength, 2u);
    EXPECT_EQ(std::string(instances.begin(), instances.end()), std::string(2, '\0'));
    TQuery query;
    PDH_HCOUNTER counter = nullptr;
    EXPECT_EQ(PdhAddCounterA(query.get(), IdlePath("_Total").c_str(), 0, &counter), PDH_CSTATUS_NO_INSTANCE);

    // Without a readable block folder there is no disk object at all.
    std::filesystem::remove_all(fx.SysRoot() / "block");
    counterLength = instanceLength = 0;
    EXPECT_EQ(PdhEnumObjectItemsA(nullptr, nullptr, "PhysicalDisk", nullptr, &counterLength, nullptr,
                                  &instanceLength, 0, 0),
              PDH_CSTATUS_NO_OBJECT);
}

TEST(LinuxPdh, ComputerNameIsTheHostName)
{
    // Read here without HostName, which every other test takes as given.
    char name[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
    const std::string host = name;
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(HostName(), host);
    std::vector<char> buffer(host.size() + 1, 'x');

    DWORD size = static_cast<DWORD>(host.size());
    EXPECT_FALSE(GetComputerNameA(buffer.data(), &size));
    EXPECT_EQ(size, host.size() + 1);

    EXPECT_TRUE(GetComputerNameA(buffer.data(), &size));
    EXPECT_EQ(size, host.size());
    EXPECT_STREQ(buffer.data(), host.c_str());
}
