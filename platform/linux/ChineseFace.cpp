// SPDX-License-Identifier: MIT
#include "platform/ChineseFace.h"

QFont WithChineseFace(const QFont& font)
{
    return font;
}
