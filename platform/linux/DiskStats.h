// SPDX-License-Identifier: MIT
#pragma once

// Reading and parsing the kernel's block-device statistics: <proc>/diskstats,
// one line per disk and partition, "major minor name" followed by the
// statistics fields; and a disk's own <sys>/block/<disk>/stat, its fields
// alone.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One line of diskstats: the device name and its io_ticks (the 13th column,
// the 10th statistics field: milliseconds with I/O in flight), when that
// field is there and a number.
struct TStatLine {
    std::string_view name;
    std::optional<std::uint32_t> ioTicks;
};

// Whether the file is on sysfs.
bool OnSysfs(int fd);

// The first line of a small file (a disk's stat file), read from its start;
// none when a read fails. sysfs hands out a whole attribute in one read when
// it fits, so with sysfs set a read that does not fill the buffer is the end.
std::optional<std::string> ReadFirstLine(int fd, bool sysfs);

// The io_ticks among a device's statistics fields alone (its 10th field), as
// <sys>/block/<disk>/stat holds them; fields are separated by spaces or tabs.
// None when the field is missing or not a number; kept modulo 2^32.
std::optional<std::uint32_t> ParseIoTicksField(std::string_view fields);

// Parses one line, without its newline; columns are separated by spaces or
// tabs. None when the line has no name (fewer than three columns). io_ticks
// is kept modulo 2^32, as the kernel prints it.
std::optional<TStatLine> ParseStatLine(std::string_view line);

// The lines of one read of a diskstats file, in the file's order. The names
// point into a buffer the object owns: they are valid until the next Read or
// Parse.
//
// A file on procfs stays open between reads, which then take one pread from
// the start (a text of under 3 KiB, a machine with a dozen or so disks and
// partitions) or a pread a page until one comes back short; any other file
// (a test's fixture, which may be replaced) is opened afresh at each read and
// read until a read comes back empty.
class TDiskStats {
public:
    TDiskStats() = default;
    ~TDiskStats();
    TDiskStats(const TDiskStats&) = delete;
    TDiskStats& operator=(const TDiskStats&) = delete;

    // Reads the file anew and parses it. False, with no lines, when it
    // cannot be opened or read.
    bool Read(const std::string& path);

    const std::vector<TStatLine>& Lines() const { return FLines; }

private:
    void Close();
    void Parse(std::string_view text);
    bool ReadAll(int fd, std::size_t& size);
    void ReleaseSlack(std::size_t used);

    int FFd = -1;
    std::string FPath;
    std::vector<char> FBuffer;
    std::vector<TStatLine> FLines;
};
