// SPDX-License-Identifier: MIT
#pragma once

// Reading and parsing the kernel's block-device statistics: <proc>/diskstats,
// one line per disk and partition, "major minor name" followed by the
// statistics fields; and a disk's own <sys>/block/<disk>/stat, its fields
// alone.

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

// The io_ticks among a device's statistics fields alone (its 10th field), as
// <sys>/block/<disk>/stat holds them; fields are separated by spaces or tabs.
// None when the field is missing or not a number; kept modulo 2^32.
std::optional<std::uint32_t> ParseIoTicksField(std::string_view fields);

// Parses one line, without its newline; columns are separated by spaces or
// tabs. None when the line has no name (fewer than three columns). io_ticks
// is kept modulo 2^32, as the kernel prints it.
std::optional<TStatLine> ParseStatLine(std::string_view line);

// The lines of one read of a diskstats file, in the file's order. The names
// point into the text the object keeps: they are valid until the next Read.
class TDiskStats {
public:
    // Reads the whole file anew and parses it. False, with no lines, when it
    // cannot be read.
    bool Read(const std::string& path);

    const std::vector<TStatLine>& Lines() const { return FLines; }

private:
    std::string FText;
    std::vector<TStatLine> FLines;
};
