// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/Colors.h"

namespace {

// The program's system colours carry Windows' own GetSysColor indices.
TEST(ColorsWindows, SystemColoursUseWindowsIndices)
{
    EXPECT_EQ(clActiveCaption, SysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(clMenuText, SysColor(COLOR_MENUTEXT));
    EXPECT_EQ(clCaptionText, SysColor(COLOR_CAPTIONTEXT));
    EXPECT_EQ(clBtnFace, SysColor(COLOR_BTNFACE));
}

}  // namespace
