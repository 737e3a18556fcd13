// SPDX-License-Identifier: MIT
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Pdh.h"

// A made-up machine for the Linux performance-data layer: a temporary
// <proc>/diskstats and <sys>/block that a test rewrites at will, a monotonic
// clock that moves only when told, and a Sleep that returns at once. While
// the fixture lives, the layer reads from it; afterwards it reads the real
// machine again. One fixture at a time.
//
//   TDiskFixture fx;
//   fx.AddDisk("sda", true, 1000);
//   fx.OnSleep([&] { fx.AddIoTicks("sda", 30); });  // ReadCounter now gives 70
class TDiskFixture {
public:
    // Creates an empty machine (no disk, an empty diskstats) in a new folder
    // under the system's temporary folder and points the layer at it, with
    // the fake clock and sleep. Throws std::runtime_error if the folder
    // cannot be made.
    TDiskFixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "idlescope-disks-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a folder from " + pattern);
        FRoot = pattern;
        std::filesystem::create_directories(ProcRoot());
        std::filesystem::create_directories(SysRoot() / "block");
        WriteDiskstats();

        PdhLinuxSource source;
        source.procRoot = ProcRoot().string();
        source.sysRoot = SysRoot().string();
        source.clockNs = [this] { return FClockNs; };
        source.sleep = [this](DWORD ms) {
            ++FSleepCount;
            FLastSleepMs = ms;
            FClockNs += static_cast<std::int64_t>(ms) * 1'000'000;
            if (FOnSleep)
                FOnSleep();
        };
        source.onList = [this] {
            ++FListCount;
            if (FOnList)
                FOnList();
        };
        PdhLinuxSetSource(std::move(source));
    }

    // Points the layer back at /proc, /sys, the real clock and the real
    // sleep, and deletes the folder.
    ~TDiskFixture()
    {
        PdhLinuxSetSource(PdhLinuxSource{});
        std::error_code ignored;
        std::filesystem::remove_all(FRoot, ignored);
    }

    TDiskFixture(const TDiskFixture&) = delete;
    TDiskFixture& operator=(const TDiskFixture&) = delete;

    // Adds a disk at the end of diskstats and as <sys>/block/<name>; a
    // physical one also gets its "device" entry.
    void AddDisk(const std::string& name, bool physical = true, std::uint32_t ioTicks = 0)
    {
        FDisks.push_back({name, ioTicks, {}});
        std::filesystem::create_directories(SysRoot() / "block" / name);
        if (physical)
            std::filesystem::create_directories(SysRoot() / "block" / name / "device");
        WriteDiskstats();
    }

    // Removes the disk from diskstats and from <sys>/block.
    void RemoveDisk(const std::string& name)
    {
        FDisks.erase(FindDisk(name));
        std::filesystem::remove_all(SysRoot() / "block" / name);
        WriteDiskstats();
    }

    // Sets the disk's io_ticks (and gives it back a well-formed line).
    void SetIoTicks(const std::string& name, std::uint32_t ioTicks)
    {
        TDisk& disk = Disk(name);
        disk.ioTicks = ioTicks;
        disk.rawLine.clear();
        WriteDiskstats();
    }

    // Adds busy milliseconds to the disk's io_ticks, wrapping at 2^32 as the
    // kernel's counter does.
    void AddIoTicks(const std::string& name, std::uint32_t busyMs)
    {
        SetIoTicks(name, Disk(name).ioTicks + busyMs);
    }

    bool HasDisk(const std::string& name) const
    {
        return std::any_of(FDisks.begin(), FDisks.end(), [&](const TDisk& d) { return d.name == name; });
    }

    // Replaces the disk's whole diskstats line (no newline) with the text,
    // until its io_ticks are set again.
    void SetLine(const std::string& name, const std::string& line)
    {
        Disk(name).rawLine = line;
        WriteDiskstats();
    }

    // Writes diskstats verbatim, and each disk's stat file as the kernel
    // would from that text: the fields of the first line with the disk's name
    // (none when no line has it). The next change to a disk writes them
    // afresh.
    void WriteDiskstatsText(const std::string& text)
    {
        WriteFile(ProcRoot() / "diskstats", text);
        for (const TDisk& disk : FDisks)
            WriteStat(disk.name, FieldsOf(text, disk.name));
    }

    // Deletes diskstats and the disks' stat files, so reading the statistics
    // fails; the next change to a disk writes them again.
    void DeleteDiskstats()
    {
        std::filesystem::remove(ProcRoot() / "diskstats");
        for (const TDisk& disk : FDisks)
            WriteStat(disk.name, std::nullopt);
    }

    // Moves the fake monotonic clock forward.
    void AdvanceClockMs(std::int64_t ms) { FClockNs += ms * 1'000'000; }

    // Runs the hook at every Sleep, after the clock has moved on by the slept
    // milliseconds: what happens to the disks during a read's sleep.
    void OnSleep(std::function<void()> hook) { FOnSleep = std::move(hook); }

    // Runs the hook each time the layer starts listing the disks for an
    // enumeration: what is plugged in between two listings.
    void OnList(std::function<void()> hook) { FOnList = std::move(hook); }
    int ListCount() const { return FListCount; }

    // Sets the fake monotonic clock.
    void SetClockNs(std::int64_t ns) { FClockNs = ns; }

    int SleepCount() const { return FSleepCount; }
    DWORD LastSleepMs() const { return FLastSleepMs; }

    std::filesystem::path ProcRoot() const { return FRoot / "proc"; }
    std::filesystem::path SysRoot() const { return FRoot / "sys"; }

    // A diskstats line (no newline) as a current kernel prints it: 17
    // fields, io_ticks the 10th. The fields around it differ from it, so
    // reading the wrong column shows.
    static std::string Line(const std::string& name, std::uint32_t ioTicks, unsigned minor = 0)
    {
        return LineUpToIoTicks(name, minor) + " " + std::to_string(ioTicks) + " " +
               std::to_string(2ULL * ioTicks + 7) + " 0 0 0 0 36 54";
    }

    // Such a line's columns before io_ticks (no space after them), for a test
    // that writes the rest.
    static std::string LineUpToIoTicks(const std::string& name, unsigned minor = 0)
    {
        return "   8 " + std::to_string(minor) + " " + name + " 4108 19 268154 1350 2093 1507 97960 1983 3";
    }

    // Replaces the file's content with the text.
    static void WriteFile(const std::filesystem::path& path, const std::string& text)
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file.flush())
            throw std::runtime_error("cannot write " + path.string());
    }

private:
    struct TDisk {
        std::string name;
        std::uint32_t ioTicks;
        std::string rawLine;
    };

    std::vector<TDisk>::iterator FindDisk(const std::string& name)
    {
        const auto found =
            std::find_if(FDisks.begin(), FDisks.end(), [&](const TDisk& d) { return d.name == name; });
        if (found == FDisks.end())
            throw std::logic_error("no disk " + name + " in the fixture");
        return found;
    }

    TDisk& Disk(const std::string& name) { return *FindDisk(name); }

    // Each disk's stat file holds its line's fields.
    void WriteDiskstats()
    {
        std::string text;
        unsigned minor = 0;
        for (const TDisk& disk : FDisks) {
            text += (disk.rawLine.empty() ? Line(disk.name, disk.ioTicks, minor) : disk.rawLine) + "\n";
            minor += 16;
        }
        WriteFile(ProcRoot() / "diskstats", text);
        for (const TDisk& disk : FDisks)
            WriteStat(disk.name, FieldsOf(text, disk.name));
    }

    // What follows the name on the first line of the text whose third column
    // (columns separated by spaces and tabs) is the name; none when no line is.
    static std::optional<std::string> FieldsOf(const std::string& text, const std::string& name)
    {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::size_t at = 0;
            std::string column;
            for (int i = 0; i < 3; ++i) {
                const std::size_t start = line.find_first_not_of(" \t", at);
                if (start == std::string::npos) {
                    column.clear();
                    break;
                }
                at = std::min(line.find_first_of(" \t", start), line.size());
                column = line.substr(start, at - start);
            }
            if (!column.empty() && column == name)
                return line.substr(at);
        }
        return std::nullopt;
    }

    // Writes <sys>/block/<name>/stat, or removes it for none; a disk without
    // its folder (removed) gets none.
    void WriteStat(const std::string& name, const std::optional<std::string>& fields)
    {
        const std::filesystem::path folder = SysRoot() / "block" / name;
        if (!std::filesystem::is_directory(folder))
            return;
        if (fields)
            WriteFile(folder / "stat", *fields + "\n");
        else
            std::filesystem::remove(folder / "stat");
    }

    std::filesystem::path FRoot;
    std::vector<TDisk> FDisks;
    std::int64_t FClockNs = 1'000'000'000;
    std::function<void()> FOnSleep;
    std::function<void()> FOnList;
    int FListCount = 0;
    int FSleepCount = 0;
    DWORD FLastSleepMs = 0;
};
