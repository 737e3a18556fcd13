#include "IdleTime.h"

#include <algorithm>

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
