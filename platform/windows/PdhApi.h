// SPDX-License-Identifier: MIT
#pragma once

// Windows: the real Performance Data Helper (link with pdh).
#include <windows.h>

#include <pdh.h>
#include <pdhmsg.h>
