// SPDX-License-Identifier: MIT
#pragma once

// Stand-ins for the kernel32 calls the counter query makes beside pdh.dll:
// GetComputerNameA and Sleep (declared with the PDH contract in PdhApi.h),
// and the monotonic clock the layer times its collections with. Sleep and
// the clock follow the source's replacements (PdhLinuxSetSource).

#include <cstdint>
#include <string>

// The host name; empty when it cannot be read.
std::string HostName();

// The monotonic clock in nanoseconds: the source's clock when it has one,
// CLOCK_MONOTONIC otherwise.
std::int64_t MonotonicClockNs();
