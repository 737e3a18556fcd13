// SPDX-License-Identifier: MIT
#include "DiskStats.h"

#include <fcntl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace {

// io_ticks is the 10th statistics field.
constexpr std::size_t IoTicksField = 10;

// Room for a machine with a few dozen disks and partitions in one read.
constexpr std::size_t InitialBufferSize = 16384;

constexpr long ProcSuperMagic = 0x9fa0;
constexpr long SysfsMagic = 0x62656572;

// The smallest page, what procfs fills per read at least; and room for the
// longest line of diskstats: a 32-byte name and 20 numbers of 20 digits, with
// space for fields later kernels may add.
constexpr std::size_t ProcPage = 4096;
constexpr std::size_t LongestLine = 1024;

bool OnFileSystem(int fd, long magic)
{
    struct statfs info {};
    return fstatfs(fd, &info) == 0 && info.f_type == magic;
}

bool OnProcfs(int fd)
{
    return OnFileSystem(fd, ProcSuperMagic);
}

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

bool OnSysfs(int fd)
{
    return OnFileSystem(fd, SysfsMagic);
}

std::optional<std::string> ReadFirstLine(int fd, bool sysfs)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        text.append(buffer, static_cast<std::size_t>(got));
        if (got == 0 || (sysfs && static_cast<std::size_t>(got) < sizeof buffer) ||
            text.find('\n') != std::string::npos)
            break;
    }
    return text.substr(0, text.find('\n'));
}

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

TDiskStats::~TDiskStats()
{
    Close();
}

void TDiskStats::Close()
{
    if (FFd >= 0)
        close(FFd);
    FFd = -1;
    FPath.clear();
}

bool TDiskStats::Read(const std::string& path)
{
    FLines.clear();
    if (FFd >= 0 && path != FPath)
        Close();
    int fd = FFd;
    if (fd < 0) {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        if (OnProcfs(fd)) {
            // procfs makes the text afresh for every read from the start.
            FFd = fd;
            FPath = path;
        }
    }
    std::size_t size = 0;
    const bool read = ReadAll(fd, size);
    if (fd != FFd)
        close(fd);
    if (!read) {
        Close();
        return false;
    }
    Parse(std::string_view(FBuffer.data(), size));
    ReleaseSlack(size);
    return true;
}

bool TDiskStats::ReadAll(int fd, std::size_t& size)
{
    if (FBuffer.size() < InitialBufferSize)
        FBuffer.resize(InitialBufferSize);
    // procfs fills a page at a time, whatever the buffer, with as many whole
    // lines as fit, and hands out less only at the end of the file. So a read
    // of the kept procfs file that comes back short of a page by more than
    // the longest line is the end, and saves the empty read that would say
    // so. Any other read ends only with an empty one.
    const bool pages = fd == FFd;
    for (;;) {
        if (size == FBuffer.size())
            FBuffer.resize(FBuffer.size() * 2);
        const ssize_t got = pread(fd, FBuffer.data() + size, FBuffer.size() - size, static_cast<off_t>(size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        size += static_cast<std::size_t>(got);
        if (pages && static_cast<std::size_t>(got) + LongestLine <= ProcPage)
            return true;
    }
}

void TDiskStats::ReleaseSlack(std::size_t used)
{
    // One huge file must not hold its memory for the rest of the run: give
    // back what is more than four times the last text.
    const std::size_t keep = std::max(InitialBufferSize, 2 * used);
    if (FBuffer.capacity() > 2 * keep) {
        FBuffer.resize(keep);
        FBuffer.shrink_to_fit();
        // The lines point into the old text: parse them again from the new one.
        Parse(std::string_view(FBuffer.data(), used));
    }
    if (FLines.capacity() > 64 && FLines.capacity() > 4 * FLines.size()) {
        std::vector<TStatLine> lines(FLines.begin(), FLines.end());
        FLines.swap(lines);
    }
}

void TDiskStats::Parse(std::string_view text)
{
    FLines.clear();
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        // A line without even a name belongs to no disk and is skipped;
        // it must not spoil the disks on the other lines.
        if (const auto line = ParseStatLine(text.substr(0, end)))
            FLines.push_back(*line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}
