// SPDX-License-Identifier: MIT
#pragma once

// Windows: the real Performance Data Helper (link with pdh).
#include <windows.h>

#include <pdh.h>
#include <pdhmsg.h>

#include "PdhNames.h"

// The counter query lists and reads with the English names, which pdh.dll
// accepts only on English Windows. As pdh.h maps PdhAddCounter to
// PdhAddCounterA, these map the two calls to the versions that hand pdh.dll
// the system's own names (PdhNames.h); those call pdh.dll's functions
// themselves, from a file that does not include this header.
#define PdhEnumObjectItemsA PdhEnumObjectItemsSystemA
#define PdhAddCounterA PdhAddCounterSystemA
