// SPDX-License-Identifier: MIT
#pragma once

// Which block devices are physical disks: the entries of <sys>/block that
// have a "device" entry (vda, sda, nvme0n1; not loop, ram, zram, dm or md,
// which live under /sys/devices/virtual/block and have none).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Whether the name can be one entry below <sys>/block: not empty, not "."
// or "..", no "/".
bool IsPlainName(std::string_view name);

// Whether <sysRoot>/block/<name> is a physical disk.
bool IsPhysicalDisk(const std::string& sysRoot, std::string_view name);

// Answers IsPhysicalDisk for one disk at a time, asked again and again (the
// disk being monitored, once a tick). It keeps the disk's folder open, so a
// check looks up only "device" below it instead of walking the whole path
// through sysfs (and the disk's link to its device folder) each time. A
// removed disk's folder has nothing below it any more: when the short lookup
// fails, or for another name or root, the whole path is looked up as before.
class TDiskFolder {
public:
    TDiskFolder() = default;
    ~TDiskFolder() { Close(); }
    TDiskFolder(const TDiskFolder&) = delete;
    TDiskFolder& operator=(const TDiskFolder&) = delete;

    bool IsPhysical(const std::string& sysRoot, std::string_view name);

    // The disk's io_ticks from <sysRoot>/block/<name>/stat: that disk's own
    // statistics, the fields of its line in diskstats without major, minor
    // and name, which the kernel makes for that disk alone instead of for
    // every device. None when the file cannot be read or holds no io_ticks.
    // For the disk whose folder is open the file stays open too, on sysfs,
    // where one read gives all of it and a removed disk's file fails to read
    // (then it is opened afresh); any other file is opened at each read.
    std::optional<std::uint32_t> IoTicks(const std::string& sysRoot, std::string_view name);

private:
    void Close();

    int FFd = -1;
    int FStatFd = -1;
    std::string FRoot;
    std::string FName;
};

// The physical disks, sorted by name (readdir's order is unspecified). None
// when <sysRoot>/block cannot be read: without it there is no disk object.
std::optional<std::vector<std::string>> ListPhysicalDisks(const std::string& sysRoot);

// Whether there is at least one physical disk; stops at the first.
bool HasPhysicalDisk(const std::string& sysRoot);

// Remembers which device names are physical disks, so that a collection of
// all disks looks up only the names it has not seen before. A name that
// leaves the statistics is forgotten at the end of that round, so a device
// that comes back is looked up again.
class TPhysicalDiskCache {
public:
    // Starts a round of lookups.
    void BeginRound() { ++FRound; }
    // Whether the name is a physical disk below <sysRoot>/block.
    bool IsPhysical(const std::string& sysRoot, std::string_view name);
    // Forgets the names not looked up since BeginRound.
    void EndRound();

private:
    struct TEntry {
        bool physical;
        std::uint64_t round;
    };
    std::unordered_map<std::string, TEntry> FEntries;
    std::uint64_t FRound = 0;
};
