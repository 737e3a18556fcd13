// SPDX-License-Identifier: MIT
#include "platform/DisplayPlatform.h"

// Windows has one platform, which places and stacks windows as asked.
void ChooseDisplayPlatform(int, char**) {}
