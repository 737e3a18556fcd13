// SPDX-License-Identifier: MIT
#include "IdleTime.h"

#include <algorithm>
#include <optional>

namespace {

// The largest jiffy the kernel counts io_ticks in (HZ=100): a reading can be
// ahead of the clock by up to this much.
constexpr std::uint64_t JiffyMs = 10;

// One disk's idle percentage between two readings elapsedNs apart; none
// when its counter went backwards.
std::optional<double> IdlePercent(std::uint32_t before, std::uint32_t after, std::uint64_t elapsedNs)
{
    // Unsigned subtraction: a wrap between readings is not negative busy time.
    const std::uint32_t busyMs = after - before;
    const double elapsedMs = static_cast<double>(elapsedNs) / 1e6;
    if (after < before && busyMs > elapsedMs + static_cast<double>(JiffyMs))
        return std::nullopt;
    const double idle = 100.0 * (1.0 - busyMs / elapsedMs);
    // io_ticks moves in whole jiffies and is accounted loosely on older
    // kernels, so a forward step can run ahead of the clock.
    return std::clamp(idle, 0.0, 100.0);
}

}  // namespace

TIdle IdleTime(const TSample& previous, const TSample& latest)
{
    if (!previous.taken || !latest.taken || latest.timeNs <= previous.timeNs)
        return {PDH_INVALID_DATA, 0};
    // Unsigned: two readings of a replaced clock may be further apart than a
    // signed difference holds.
    const std::uint64_t elapsedNs =
        static_cast<std::uint64_t>(latest.timeNs) - static_cast<std::uint64_t>(previous.timeNs);
    double sum = 0;
    int count = 0;
    bool backwards = false;
    // Both lists are sorted by name: one pass pairs each disk's samples.
    auto before = previous.disks.begin();
    for (const TDiskTicks& now : latest.disks) {
        while (before != previous.disks.end() && before->name < now.name)
            ++before;
        if (before == previous.disks.end() || before->name != now.name)
            continue;
        if (const auto idle = IdlePercent(before->ioTicks, now.ioTicks, elapsedNs)) {
            sum += *idle;
            ++count;
        } else {
            backwards = true;
        }
    }
    if (count == 0)
        return {backwards ? PDH_CALC_NEGATIVE_VALUE : PDH_INVALID_DATA, 0};
    return {ERROR_SUCCESS, sum / count};
}
