// SPDX-License-Identifier: MIT
#pragma once

// The "% Idle Time" formula: from two samples of a counter's disks to its
// value, or to the status that says why there is none.

#include <cstdint>
#include <string>
#include <vector>

#include "PdhApi.h"

// One disk's io_ticks (milliseconds with I/O in flight) in a sample.
struct TDiskTicks {
    std::string name;
    std::uint32_t ioTicks;
};

// What one collection saw for one counter: every disk it covers that could
// be sampled, sorted by name, and the monotonic time. A single-disk counter
// whose disk could not be sampled has an empty list.
struct TSample {
    bool taken = false;
    std::int64_t timeNs = 0;
    std::vector<TDiskTicks> disks;
};

// A counter's value, or the status that says why there is none.
struct TIdle {
    PDH_STATUS status;
    double value;
};

// The idle time between two samples of a counter. Each disk present in both
// has 100 × (1 − busy / elapsed), clamped to 0..100, busy being the rise of
// its io_ticks in milliseconds; the value is the mean over those disks.
//
// io_ticks is a 32-bit counter, so a reading below the previous one is a
// wrap when the busy time that implies is possible: no more than the elapsed
// time and one jiffy. Otherwise the counter went backwards (the disk was
// re-added and its counters restarted, or the text was cut) and that disk
// has no value.
//
// PDH_INVALID_DATA when either sample was not taken, no time passed between
// them, or no disk is in both; PDH_CALC_NEGATIVE_VALUE when every disk in
// both went backwards.
TIdle IdleTime(const TSample& previous, const TSample& latest);
