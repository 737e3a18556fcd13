// SPDX-License-Identifier: MIT
#pragma once

// Which block devices are physical disks: the entries of <sys>/block that
// have a "device" entry (vda, sda, nvme0n1; not loop, ram, zram, dm or md,
// which live under /sys/devices/virtual/block and have none). Everything is
// looked up afresh at each call.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whether the name can be one entry below <sys>/block: not empty, not "."
// or "..", no "/".
bool IsPlainName(std::string_view name);

// Whether <sysRoot>/block/<name> is a physical disk.
bool IsPhysicalDisk(const std::string& sysRoot, std::string_view name);

// The disk's io_ticks from <sysRoot>/block/<name>/stat: that disk's own
// statistics, the fields of its line in diskstats without major, minor and
// name, which the kernel makes for that disk alone instead of for every
// device. None when the file cannot be read or holds no io_ticks.
std::optional<std::uint32_t> DiskIoTicks(const std::string& sysRoot, std::string_view name);

// The physical disks, sorted by name (readdir's order is unspecified). None
// when <sysRoot>/block cannot be read: without it there is no disk object.
std::optional<std::vector<std::string>> ListPhysicalDisks(const std::string& sysRoot);

// Whether there is at least one physical disk.
bool HasPhysicalDisk(const std::string& sysRoot);
