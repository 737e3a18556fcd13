// SPDX-License-Identifier: MIT
#include "DiskStats.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace {

// io_ticks is the 10th statistics field.
constexpr std::size_t IoTicksField = 10;

// Splits off the next column (a run of characters other than spaces and
// tabs); an empty view when there is none.
std::string_view NextColumn(std::string_view& text)
{
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    const std::string_view column = text.substr(0, end);
    text.remove_prefix(end);
    return column;
}

}  // namespace

std::optional<std::uint32_t> ParseIoTicksField(std::string_view fields)
{
    std::string_view field;
    for (std::size_t count = 0; count < IoTicksField; ++count) {
        field = NextColumn(fields);
        if (field.empty())
            return std::nullopt;
    }
    std::uint64_t ticks = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), ticks);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    // The kernel prints io_ticks as a 32-bit unsigned value; kept modulo 2^32
    // even if a kernel printed more, so the difference of two samples stays right.
    return static_cast<std::uint32_t>(ticks);
}

std::optional<TStatLine> ParseStatLine(std::string_view line)
{
    // "major minor name", then the device's statistics fields.
    std::string_view name;
    for (int column = 0; column < 3; ++column) {
        name = NextColumn(line);
        if (name.empty())
            return std::nullopt;
    }
    return TStatLine{name, ParseIoTicksField(line)};
}

bool TDiskStats::Read(const std::string& path)
{
    FLines.clear();
    std::ifstream file(path);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    FText = std::move(text).str();
    std::string_view rest = FText;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        // A line without even a name belongs to no disk and is skipped;
        // it must not spoil the disks on the other lines.
        if (const auto line = ParseStatLine(rest.substr(0, end)))
            FLines.push_back(*line);
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return true;
}
