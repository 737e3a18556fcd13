// SPDX-License-Identifier: MIT
#include "BlockDevices.h"

#include "DiskStats.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool IsPhysicalDisk(const std::string& sysRoot, std::string_view name)
{
    // The link itself is what marks a disk; where it points does not matter.
    if (!IsPlainName(name))
        return false;
    const std::string device = sysRoot + "/block/" + std::string(name) + "/device";
    struct stat info {};
    return lstat(device.c_str(), &info) == 0;
}

std::optional<std::uint32_t> DiskIoTicks(const std::string& sysRoot, std::string_view name)
{
    if (!IsPlainName(name))
        return std::nullopt;
    // A line of some 150 bytes, which sysfs hands out in one read.
    const int fd = open((sysRoot + "/block/" + std::string(name) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char text[512];
    const ssize_t got = read(fd, text, sizeof text);
    close(fd);
    if (got <= 0)
        return std::nullopt;
    const std::string_view line(text, static_cast<std::size_t>(got));
    return ParseIoTicksField(line.substr(0, line.find('\n')));
}

std::optional<std::vector<std::string>> ListPhysicalDisks(const std::string& sysRoot)
{
    DIR* block = opendir((sysRoot + "/block").c_str());
    if (!block)
        return std::nullopt;
    std::vector<std::string> disks;
    while (const dirent* entry = readdir(block))
        if (IsPhysicalDisk(sysRoot, entry->d_name))
            disks.emplace_back(entry->d_name);
    closedir(block);
    std::sort(disks.begin(), disks.end());
    return disks;
}

bool HasPhysicalDisk(const std::string& sysRoot)
{
    const auto disks = ListPhysicalDisks(sysRoot);
    return disks && !disks->empty();
}
