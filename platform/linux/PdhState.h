// SPDX-License-Identifier: MIT
#pragma once

// Everything the Linux performance-data layer keeps between calls, in one
// object: where it reads from, and the open queries with their counters.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

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

struct TPdhState {
    PdhLinuxSource source;
    // Handles are numbers counted up from here and never reused, not
    // addresses: a stale handle finds nothing in the tables instead of a
    // freed or recycled object.
    std::uintptr_t lastHandle = 0;
    std::unordered_map<std::uintptr_t, TQuery> queries;
    std::unordered_map<std::uintptr_t, TCounter> counters;
};

// The layer's one state, made at its first use.
TPdhState& PdhState();
