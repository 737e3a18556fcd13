// SPDX-License-Identifier: MIT
// Fuzzes PdhEnumObjectItemsA against a made-up <sys>/block.
//
// Input: one options byte, then entries separated by NUL bytes, each a kind
// byte and the entry's name (any bytes but "/"; a name that cannot be an
// entry, or is there already, is left out):
//   D  a folder with a "device" folder         (a physical disk)
//   L  a folder with a dangling "device" link  (a physical disk)
//   F  a folder with a "device" file           (a physical disk)
//   S  a link to a folder with "device"        (a physical disk, as sysfs has them)
//   V  a link to a folder without "device"     (a virtual device)
//   X  a plain file
//   B  a dangling link
//   anything else: a folder without "device"   (loop, ram, dm, md)
// Options: bits 0-1 the machine name (null, "", this host, "\\" and this
// host in capitals), bit 2 the object name in lower case.
//
// The lists are checked against the ones expected from the tree, with null
// buffers, buffers one character short, exact heap buffers (AddressSanitizer
// sees any write past them), and larger buffers with guard bytes after them.


#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "FuzzFolder.h"
#include "platform/Pdh.h"
#include "platform/linux/Kernel32.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view CounterList{"% Idle Time\0\0", 13};
constexpr unsigned char Guard = 0xA5;
constexpr std::size_t GuardSize = 16;

struct TWorld {
    TFuzzFolder folder;
    fs::path sys;
    std::string host;

    TWorld() : sys(fs::path(folder.path()) / "sys")
    {
        PdhLinuxSource source;
        source.procRoot = folder.path() + "/proc";
        source.sysRoot = sys.string();
        PdhLinuxSetSource(std::move(source));
        host = HostName();
    }
};

TWorld& World()
{
    static TWorld world;
    return world;
}

bool ByteOrder(const std::string& a, const std::string& b)
{
    const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return order != 0 ? order < 0 : a.size() < b.size();
}

// Makes the tree the input describes; returns the physical disks' names.
std::vector<std::string> MakeTree(std::string_view entries)
{
    const fs::path block = World().sys / "block";
    const fs::path devices = World().sys / "devices";
    fs::create_directories(block);
    fs::create_directories(devices);
    std::set<std::string> names;
    std::vector<std::string> disks;
    int target = 0;
    while (!entries.empty()) {
        const std::size_t end = std::min(entries.find('\0'), entries.size());
        const std::string_view entry = entries.substr(0, end);
        entries.remove_prefix(std::min(end + 1, entries.size()));
        if (entry.empty())
            continue;
        const char kind = entry.front();
        const std::string name(entry.substr(1));
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
            name.size() > NAME_MAX || !names.insert(name).second)
            continue;
        const fs::path path = block / name;
        const fs::path elsewhere = devices / std::to_string(target++);
        std::error_code error;
        switch (kind) {
        case 'D':
            fs::create_directories(path / "device", error);
            break;
        case 'L':
            fs::create_directory(path, error);
            if (!error)
                fs::create_symlink("../../devices/pci0000:00/gone", path / "device", error);
            break;
        case 'F':
            fs::create_directory(path, error);
            if (!error)
                WriteFile((path / "device").string(), "");
            break;
        case 'S':
            fs::create_directories(elsewhere / "device", error);
            if (!error)
                fs::create_directory_symlink(elsewhere, path, error);
            break;
        case 'V':
            fs::create_directories(elsewhere / "holders", error);
            if (!error)
                fs::create_directory_symlink(elsewhere, path, error);
            break;
        case 'X':
            WriteFile(path.string(), "8:0\n");
            break;
        case 'B':
            fs::create_symlink("../devices/gone", path, error);
            break;
        default:
            fs::create_directories(path / "holders", error);
            break;
        }
        if (error)
            Fail("cannot make the entry " + path.string() + ": " + error.message());
        if (kind == 'D' || kind == 'L' || kind == 'F' || kind == 'S')
            disks.push_back(name);
    }
    std::sort(disks.begin(), disks.end(), ByteOrder);
    return disks;
}

std::string Shown(std::string_view bytes)
{
    std::string shown;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) {
            shown += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}

// A buffer of exactly `size` characters on the heap, or `size` characters
// followed by guard bytes.
class TBuffer {
public:
    TBuffer(std::size_t size, bool guarded) : FSize(size), FGuarded(guarded)
    {
        const std::size_t total = size + (guarded ? GuardSize : 0);
        FBytes = std::make_unique<char[]>(std::max<std::size_t>(total, 1));
        std::memset(FBytes.get(), Guard, total);
    }
    char* get() const { return FBytes.get(); }
    std::string_view Text(std::size_t length) const { return {FBytes.get(), length}; }
    bool GuardsIntact() const
    {
        for (std::size_t i = FSize; FGuarded && i < FSize + GuardSize; ++i)
            if (static_cast<unsigned char>(FBytes[i]) != Guard)
                return false;
        return true;
    }

private:
    std::unique_ptr<char[]> FBytes;
    std::size_t FSize;
    bool FGuarded;
};

struct TCall {
    const char* machine;
    const char* object;
};

PDH_STATUS Enumerate(const TCall& call, char* counters, DWORD& counterLength, char* instances,
                     DWORD& instanceLength)
{
    return PdhEnumObjectItemsA(nullptr, call.machine, call.object, counters, &counterLength, instances,
                               &instanceLength, PERF_DETAIL_WIZARD, 0);
}

void CheckLengths(const char* what, DWORD counterLength, DWORD instanceLength, const std::string& instances)
{
    if (counterLength != CounterList.size() || instanceLength != instances.size())
        Fail(std::string(what) + ": lengths " + std::to_string(counterLength) + " and " +
             std::to_string(instanceLength) + ", expected " + std::to_string(CounterList.size()) + " and " +
             std::to_string(instances.size()) + " for " + Shown(instances));
}

// Buffers of the given sizes (null when the size is none): too small must
// be PDH_MORE_DATA with the lengths needed; big enough must fill them with
// the lists and set the lengths to what was written. Nothing is ever written
// past a buffer.
void CheckCall(const TCall& call, const std::string& instances, std::optional<std::size_t> counterSize,
               std::optional<std::size_t> instanceSize, bool guarded)
{
    std::optional<TBuffer> counterBuffer;
    std::optional<TBuffer> instanceBuffer;
    if (counterSize)
        counterBuffer.emplace(*counterSize, guarded);
    if (instanceSize)
        instanceBuffer.emplace(*instanceSize, guarded);
    DWORD counterLength = static_cast<DWORD>(counterSize.value_or(0));
    DWORD instanceLength = static_cast<DWORD>(instanceSize.value_or(0));
    const PDH_STATUS status = Enumerate(call, counterBuffer ? counterBuffer->get() : nullptr, counterLength,
                                        instanceBuffer ? instanceBuffer->get() : nullptr, instanceLength);
    const std::string what = "buffers " + (counterSize ? std::to_string(*counterSize) : "null") + " and " +
                             (instanceSize ? std::to_string(*instanceSize) : "null");
    if ((counterBuffer && !counterBuffer->GuardsIntact()) || (instanceBuffer && !instanceBuffer->GuardsIntact()))
        Fail(what + ": written past a buffer");
    const bool fits = counterSize && *counterSize >= CounterList.size() && instanceSize &&
                      *instanceSize >= instances.size();
    if (status != (fits ? ERROR_SUCCESS : PDH_MORE_DATA))
        Fail(what + ": status " + std::to_string(status) + " for " + Shown(instances));
    CheckLengths(what.c_str(), counterLength, instanceLength, instances);
    if (!fits)
        return;
    if (counterBuffer->Text(counterLength) != CounterList)
        Fail(what + ": counter list " + Shown(counterBuffer->Text(counterLength)));
    if (instanceBuffer->Text(instanceLength) != instances)
        Fail(what + ": instance list " + Shown(instanceBuffer->Text(instanceLength)) + ", expected " +
             Shown(instances));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return -1;
    TWorld& world = World();
    const std::uint8_t options = data[0];
    const std::vector<std::string> disks =
        MakeTree(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

    std::string instances;
    for (const std::string& disk : disks)
        instances.append(disk).push_back('\0');
    if (!disks.empty())
        instances.append("_Total").push_back('\0');
    instances.push_back('\0');
    if (disks.empty())
        instances.push_back('\0');

    std::string capitals = "\\\\" + world.host;
    for (char& c : capitals)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    const char* machines[] = {nullptr, "", world.host.c_str(), capitals.c_str()};
    const TCall call{machines[options & 3], (options & 4) ? "physicaldisk" : "PhysicalDisk"};

    const std::size_t counters = CounterList.size();
    const std::size_t needed = instances.size();
    // Sizing calls: null buffers, with and without lengths.
    CheckCall(call, instances, std::nullopt, std::nullopt, false);
    {
        DWORD counterLength = 1u << 20;
        DWORD instanceLength = 1u << 20;
        if (Enumerate(call, nullptr, counterLength, nullptr, instanceLength) != PDH_MORE_DATA)
            Fail("null buffers with large lengths are not PDH_MORE_DATA");
        CheckLengths("null buffers with large lengths", counterLength, instanceLength, instances);
    }
    CheckCall(call, instances, counters, std::nullopt, false);
    CheckCall(call, instances, std::nullopt, needed, false);
    for (const bool guarded : {false, true}) {
        // One character short, either list.
        CheckCall(call, instances, counters, needed - 1, guarded);
        CheckCall(call, instances, counters - 1, needed, guarded);
        // Exactly the size needed, and more.
        CheckCall(call, instances, counters, needed, guarded);
        CheckCall(call, instances, counters + 7, needed + 7, guarded);
    }

    std::error_code ignored;
    fs::remove_all(world.sys, ignored);
    return 0;
}
