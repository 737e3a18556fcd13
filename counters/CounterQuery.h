// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/Pdh.h"

// The program's one access to disk activity: a single performance-data query
// for the life of the main window, read one counter path at a time. Paths
// and instance names are UTF-8 (see platform/Pdh.h).

// Opens the process's query (live data). Raises Exception on failure.
void OpenCounterQuery();

// One measurement of a counter path over 100 ms: adds a counter to the query,
// collects, sleeps 100 ms, collects again and returns the formatted value.
// Blocks the calling thread for the 100 ms. The counter is removed before the
// call returns, whether it succeeds or raises. Raises Exception with the
// failing status (see CheckStatus), also when no query is open.
double ReadCounter(const std::string& path);

// The instance names of a performance object on this computer, in the
// platform's order; an empty list when it has none. A list that grows between
// learning its size and fetching it (a disk plugged in) is sized and fetched
// again, up to five times in all. Raises Exception with the failing status,
// "800007D2" when the list kept growing.
std::vector<std::string> ListInstances(const std::string& objectName);

// Closes the query; a status is ignored. Reads after it fail.
void CloseCounterQuery();

// Returns when status is 0; otherwise raises Exception whose whole message is
// the status as eight upper-case hexadecimal digits ("C0000BB9").
void CheckStatus(PDH_STATUS status);
