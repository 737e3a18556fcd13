// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "PdhNames.h"

// The two pure steps of finding and using the system's names. Wine answers
// its own fixed list for Perflib\009, so the registry's list is exercised
// here, on made-up lists; the stand-in's tests run the whole route.

TEST(PdhNames, IndexComesFromTheEnglishNameList)
{
    using namespace std::string_literals;
    // As Windows lists it: index, name, index, name, ..., an empty text.
    const std::string windows = "1\0" "1847\0" "2\0System\0" "234\0PhysicalDisk\0" "1482\0% Idle Time\0"
                                "9234\0PhysicalDisk\0" "\0"s;
    EXPECT_EQ(PerfIndexOf(windows, "PhysicalDisk", 234), 234u);
    EXPECT_EQ(PerfIndexOf(windows, "physicaldisk", 234), 234u);
    EXPECT_EQ(PerfIndexOf(windows, "% Idle Time", 1482), 1482u);
    EXPECT_EQ(PerfIndexOf(windows, "1847", 0), 1u);
    EXPECT_EQ(PerfIndexOf(windows, "Idle Time", 1482), 0u);
    // A name at several indices: the published one where the list has it,
    // wherever it stands, else the first.
    EXPECT_EQ(PerfIndexOf(windows, "PhysicalDisk", 9234), 9234u);
    EXPECT_EQ(PerfIndexOf(windows, "PhysicalDisk", 7), 234u);
    EXPECT_EQ(PerfIndexOf("1746\0% Idle Time\0" "1482\0% Idle Time\0\0"s, "% Idle Time", 1482), 1482u);
    // Wine's own list, and lists cut short or damaged.
    EXPECT_EQ(PerfIndexOf("1\0" "1847\0" "1846\0End Marker\0\0"s, "PhysicalDisk", 234), 0u);
    EXPECT_EQ(PerfIndexOf("234\0PhysicalDisk"s, "PhysicalDisk", 234), 234u);
    EXPECT_EQ(PerfIndexOf("234\0"s, "PhysicalDisk", 234), 0u);
    EXPECT_EQ(PerfIndexOf("23x\0PhysicalDisk\0\0"s, "PhysicalDisk", 234), 0u);
    EXPECT_EQ(PerfIndexOf("23x\0PhysicalDisk\0" "240\0PhysicalDisk\0\0"s, "PhysicalDisk", 234), 240u);
    EXPECT_EQ(PerfIndexOf("99999999999\0PhysicalDisk\0\0"s, "PhysicalDisk", 234), 0u);
    EXPECT_EQ(PerfIndexOf("", "PhysicalDisk", 234), 0u);
}

TEST(PdhNames, CounterPathGetsTheSystemsNamesAndKeepsEveryOtherByte)
{
    const struct {
        const char* path;
        const char* localized;
    } cases[] = {
        {"\\PhysicalDisk(0 C:)\\% Idle Time", "\\OBJ(0 C:)\\CTR"},
        {"\\\\HOST\\PhysicalDisk(1 D: E:)\\% Idle Time", "\\\\HOST\\OBJ(1 D: E:)\\CTR"},
        {"\\physicaldisk(_Total)\\% IDLE TIME", "\\OBJ(_Total)\\CTR"},
        {"\\PhysicalDisk(a)\\b)\\% Idle Time", "\\OBJ(a)\\b)\\CTR"},
        {"\\PhysicalDisk()\\% Idle Time", "\\OBJ()\\CTR"},
        {"\\PhysicalDisk\\% Idle Time", "\\OBJ\\CTR"},
        {"\\PhysicalDisk(0 C:)\\% Disk Time", "\\OBJ(0 C:)\\% Disk Time"},
        // Other objects, and what is no counter path, pass unchanged.
        {"\\LogicalDisk(C:)\\% Idle Time", "\\LogicalDisk(C:)\\% Idle Time"},
        {"\\Processor(_Total)\\% Processor Time", "\\Processor(_Total)\\% Processor Time"},
        {"PhysicalDisk(0 C:)\\% Idle Time", "PhysicalDisk(0 C:)\\% Idle Time"},
        {"\\PhysicalDisk(0 C:\\% Idle Time", "\\PhysicalDisk(0 C:\\% Idle Time"},
        {"\\PhysicalDisk\\x\\% Idle Time", "\\PhysicalDisk\\x\\% Idle Time"},
        {"\\\\HOST", "\\\\HOST"},
        {"\\", "\\"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalizedCounterPath(c.path, "OBJ", "CTR"), c.localized) << c.path;
}
