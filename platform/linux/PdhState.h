// SPDX-License-Identifier: MIT
#pragma once

// Everything the Linux performance-data layer keeps between calls, in one
// object: where it reads from, what it keeps open or has learnt there, and
// the open queries with their counters.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "BlockDevices.h"
#include "DiskStats.h"
#include "IdleTime.h"
#include "PdhApi.h"

struct TQuery {
    std::vector<std::uintptr_t> counters;
};

struct TCounter {
    std::uintptr_t query;
    std::string disk;  // empty for "_Total"
    TSample previous;
    TSample latest;
};

// What the layer keeps open or has learnt from the source's roots. A new
// source gets new readers: nothing from the old roots says anything of the
// new.
struct TDiskReaders {
    // The statistics file, kept open between collections where that is safe.
    TDiskStats stats;
    // Which names in the statistics are physical disks, for "_Total".
    TPhysicalDiskCache diskCache;
    // The folder of the disk that counters were last added for.
    TDiskFolder lastDiskFolder;
};

struct TPdhState {
    PdhLinuxSource source;
    std::unique_ptr<TDiskReaders> readers = std::make_unique<TDiskReaders>();
    // Handles are numbers counted up from here and never reused, not
    // addresses: a stale handle finds nothing in the tables instead of a
    // freed or recycled object.
    std::uintptr_t lastHandle = 0;
    std::unordered_map<std::uintptr_t, TQuery> queries;
    std::unordered_map<std::uintptr_t, TCounter> counters;
};

// The layer's one state, made at its first use.
TPdhState& PdhState();
