// SPDX-License-Identifier: MIT
#pragma once

// The Performance Data Helper functions the counter query calls. On Windows
// they are pdh.dll's own; on Linux the platform layer provides the same
// functions, with the same contracts and status codes, from the kernel's
// block-device statistics. CMake puts the right PdhApi.h on the include path.
#include "PdhApi.h"
