// SPDX-License-Identifier: MIT
#include "app/DisplayPlatform.h"

// Windows has one platform, which places and stacks windows as asked.
void ChooseDisplayPlatform(int, char**) {}
