// SPDX-License-Identifier: MIT
#include "BlockDevices.h"

#include "DiskStats.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

// A directory stream, closed when it goes out of scope.
class TDirectory {
public:
    explicit TDirectory(const std::string& path) : FDir(opendir(path.c_str())) {}
    ~TDirectory()
    {
        if (FDir)
            closedir(FDir);
    }
    TDirectory(const TDirectory&) = delete;
    TDirectory& operator=(const TDirectory&) = delete;

    DIR* get() const { return FDir; }

private:
    DIR* FDir;
};

// Whether <disk>/device exists below the folder (a descriptor, or AT_FDCWD
// for a disk given by its whole path). The link itself is what marks a disk;
// where it points does not matter.
bool HasDeviceEntry(int folder, std::string_view disk)
{
    const std::string device = std::string(disk) + "/device";
    struct stat info {};
    return fstatat(folder, device.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// Calls found(name) for each physical disk of <sysRoot>/block, in readdir's
// order, until it returns false. False when the folder cannot be read.
template <typename TFound>
bool ForEachPhysicalDisk(const std::string& sysRoot, TFound found)
{
    TDirectory block(sysRoot + "/block");
    if (!block.get())
        return false;
    // Looked up relative to the open folder: sysfs then resolves one short
    // name instead of the whole path for every entry.
    const int folder = dirfd(block.get());
    while (const dirent* entry = readdir(block.get())) {
        const std::string_view name = entry->d_name;
        if (IsPlainName(name) && HasDeviceEntry(folder, name) && !found(name))
            break;
    }
    return true;
}

}  // namespace

bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool IsPhysicalDisk(const std::string& sysRoot, std::string_view name)
{
    return IsPlainName(name) && HasDeviceEntry(AT_FDCWD, sysRoot + "/block/" + std::string(name));
}

bool TDiskFolder::IsPhysical(const std::string& sysRoot, std::string_view name)
{
    if (FFd >= 0 && name == FName && sysRoot == FRoot && HasDeviceEntry(FFd, "."))
        return true;
    Close();
    if (!IsPlainName(name))
        return false;
    const std::string folder = sysRoot + "/block/" + std::string(name);
    const int fd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!HasDeviceEntry(fd, ".")) {
        close(fd);
        return false;
    }
    FFd = fd;
    FRoot = sysRoot;
    FName = name;
    return true;
}

std::optional<std::uint32_t> TDiskFolder::IoTicks(const std::string& sysRoot, std::string_view name)
{
    const bool mine = FFd >= 0 && name == FName && sysRoot == FRoot;
    if (mine && FStatFd >= 0) {
        if (const auto line = ReadFirstLine(FStatFd, true))
            return ParseIoTicksField(*line);
        // The disk went, and may be back under the same name.
        close(FStatFd);
        FStatFd = -1;
    }
    if (!IsPlainName(name))
        return std::nullopt;
    const std::string path = sysRoot + "/block/" + std::string(name) + "/stat";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const bool sysfs = OnSysfs(fd);
    const auto line = ReadFirstLine(fd, sysfs);
    if (mine && sysfs && line)
        FStatFd = fd;
    else
        close(fd);
    if (!line)
        return std::nullopt;
    return ParseIoTicksField(*line);
}

void TDiskFolder::Close()
{
    if (FStatFd >= 0)
        close(FStatFd);
    FStatFd = -1;
    if (FFd >= 0)
        close(FFd);
    FFd = -1;
    FRoot.clear();
    FName.clear();
}

std::optional<std::vector<std::string>> ListPhysicalDisks(const std::string& sysRoot)
{
    std::vector<std::string> disks;
    const bool readable = ForEachPhysicalDisk(sysRoot, [&](std::string_view name) {
        disks.emplace_back(name);
        return true;
    });
    if (!readable)
        return std::nullopt;
    std::sort(disks.begin(), disks.end());
    return disks;
}

bool HasPhysicalDisk(const std::string& sysRoot)
{
    bool any = false;
    ForEachPhysicalDisk(sysRoot, [&](std::string_view) {
        any = true;
        return false;
    });
    return any;
}

bool TPhysicalDiskCache::IsPhysical(const std::string& sysRoot, std::string_view name)
{
    const auto [entry, added] = FEntries.try_emplace(std::string(name), TEntry{false, FRound});
    if (added)
        entry->second.physical = IsPhysicalDisk(sysRoot, name);
    entry->second.round = FRound;
    return entry->second.physical;
}

void TPhysicalDiskCache::EndRound()
{
    std::erase_if(FEntries, [this](const auto& entry) { return entry.second.round != FRound; });
}
