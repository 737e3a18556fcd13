// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <malloc.h>

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

// Defined where AddressSanitizer's allocator serves every allocation (and
// keeps its own count, which mallinfo2 does not see); null elsewhere.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

// The bytes allocated and not yet freed, in the heap and in mapped blocks.
std::size_t HeapInUse()
{
    if (__sanitizer_get_current_allocated_bytes != nullptr)
        return __sanitizer_get_current_allocated_bytes();
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

}  // namespace

TEST(DiskStats, OneHugeFileDoesNotKeepItsMemory)
{
    TDiskFixture fx;
    const std::filesystem::path path = fx.ProcRoot() / "diskstats";
    {
        std::string huge;
        for (int i = 0; huge.size() < 8u << 20; ++i)
            huge += TDiskFixture::Line("sd" + std::to_string(i), static_cast<std::uint32_t>(i)) + "\n";
        TDiskFixture::WriteFile(path, huge);
    }

    TDiskStats stats;
    ASSERT_TRUE(stats.Read(path.string()));
    EXPECT_EQ(IoTicks(stats, "sd12345"), 12345u);
    const std::size_t holding = HeapInUse();

    // The next, small text gives back at least the 8 MiB of the huge one.
    TDiskFixture::WriteFile(path, TDiskFixture::Line("sda", 7) + "\n" + TDiskFixture::Line("sdb", 9));
    ASSERT_TRUE(stats.Read(path.string()));
    EXPECT_LT(HeapInUse() + (8u << 20), holding);
    // The lines are read from the smaller buffer, not the one given back.
    ASSERT_EQ(stats.Lines().size(), 2u);
    EXPECT_EQ(IoTicks(stats, "sda"), 7u);
    EXPECT_EQ(IoTicks(stats, "sdb"), 9u);
    EXPECT_FALSE(IoTicks(stats, "sd12345"));
}

TEST(DiskStats, FileReplacedBetweenReadsIsReadAfresh)
{
    TDiskFixture fx;
    const std::filesystem::path path = fx.ProcRoot() / "diskstats";
    TDiskFixture::WriteFile(path, TDiskFixture::Line("sda", 1));
    TDiskStats stats;
    ASSERT_TRUE(stats.Read(path.string()));
    EXPECT_EQ(IoTicks(stats, "sda"), 1u);

    std::filesystem::remove(path);
    EXPECT_FALSE(stats.Read(path.string()));
    EXPECT_TRUE(stats.Lines().empty());
    TDiskFixture::WriteFile(path, TDiskFixture::Line("sda", 2));
    ASSERT_TRUE(stats.Read(path.string()));
    EXPECT_EQ(IoTicks(stats, "sda"), 2u);
}

TEST(DiskStats, KernelFileReadsTheSameLinesEveryTime)
{
    TDiskStats stats;
    if (!stats.Read("/proc/diskstats"))
        GTEST_SKIP() << "no /proc/diskstats here";
    std::vector<std::string> first;
    for (const TStatLine& line : stats.Lines())
        first.emplace_back(line.name);
    ASSERT_FALSE(first.empty());
    // The same lines as the whole file read the plain way: a read that ends
    // early on a short page must not cut it.
    std::ifstream whole("/proc/diskstats");
    std::vector<std::string> names;
    for (std::string text; std::getline(whole, text);)
        if (const auto line = ParseStatLine(text))
            names.emplace_back(line->name);
    EXPECT_EQ(first, names);
    // The file stays open; each read starts again from its beginning.
    for (int read = 0; read < 3; ++read) {
        ASSERT_TRUE(stats.Read("/proc/diskstats"));
        std::vector<std::string> again;
        for (const TStatLine& line : stats.Lines())
            again.emplace_back(line.name);
        EXPECT_EQ(again, first);
    }
}

// A disk's own stat file and its line in diskstats are the same counters:
// read between two reads of diskstats, the stat file's io_ticks lie between
// theirs.
TEST(DiskStats, KernelDiskStatFileMatchesItsDiskstatsLine)
{
    const auto disks = ListPhysicalDisks("/sys");
    if (!disks || disks->empty())
        GTEST_SKIP() << "no physical disk here";
    TDiskStats stats;
    TDiskFolder folder;
    for (const std::string& disk : *disks) {
        SCOPED_TRACE(disk);
        ASSERT_TRUE(folder.IsPhysical("/sys", disk));
        for (int read = 0; read < 2; ++read) {
            ASSERT_TRUE(stats.Read("/proc/diskstats"));
            const auto before = IoTicks(stats, disk);
            const auto own = folder.IoTicks("/sys", disk);
            ASSERT_TRUE(stats.Read("/proc/diskstats"));
            const auto after = IoTicks(stats, disk);
            ASSERT_TRUE(before && own && after);
            EXPECT_LE(*before, *own);
            EXPECT_LE(*own, *after);
        }
    }
}
