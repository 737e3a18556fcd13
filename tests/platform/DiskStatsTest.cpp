// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/BlockDevices.h"
#include "platform/linux/DiskStats.h"
#include "tests/platform/DiskFixture.h"

namespace {

// The io_ticks of the first line with that name; none when there is no such
// line or its io_ticks are missing or malformed.
std::optional<std::uint32_t> IoTicks(const TDiskStats& stats, std::string_view name)
{
    for (const TStatLine& line : stats.Lines())
        if (line.name == name)
            return line.ioTicks;
    return std::nullopt;
}

}  // namespace

// A disk's own stat file and its line in diskstats are the same counters:
// read between two reads of diskstats, the stat file's io_ticks lie between
// theirs.
TEST(DiskStats, KernelDiskStatFileMatchesItsDiskstatsLine)
{
    const auto disks = ListPhysicalDisks("/sys");
    if (!disks || disks->empty())
        GTEST_SKIP() << "no physical disk here";
    TDiskStats stats;
    for (const std::string& disk : *disks) {
        SCOPED_TRACE(disk);
        ASSERT_TRUE(IsPhysicalDisk("/sys", disk));
        for (int read = 0; read < 2; ++read) {
            ASSERT_TRUE(stats.Read("/proc/diskstats"));
            const auto before = IoTicks(stats, disk);
            const auto own = DiskIoTicks("/sys", disk);
            ASSERT_TRUE(stats.Read("/proc/diskstats"));
            const auto after = IoTicks(stats, disk);
            ASSERT_TRUE(before && own && after);
            EXPECT_LE(*before, *own);
            EXPECT_LE(*own, *after);
        }
    }
}
