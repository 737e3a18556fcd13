#pragma once

#include <cstdint>
#include <optional>

// The largest jiffy the kernel counts io_ticks in (HZ=100): a reading can be
// ahead of the clock by up to this much.
inline constexpr std::uint64_t JiffyMs = 10;

// A disk's idle time in percent between two io_ticks readings taken
// elapsedNs apart (elapsedNs > 0): 100 × (1 − busy / elapsed), clamped to
// 0..100, busy being the rise of io_ticks in milliseconds.
//
// io_ticks is a 32-bit counter, so a reading below the previous one is a
// wrap when the busy time that implies is possible: no more than the elapsed
// time and one jiffy. Otherwise the counter went backwards (the disk was
// re-added and its counters restarted, or the text was cut) and there is no
// value: none.
std::optional<double> IdlePercent(std::uint32_t before, std::uint32_t after, std::uint64_t elapsedNs);
