#include <gtest/gtest.h>

#include <windows.h>

#include "platform/Colors.h"

namespace {

// The program's system colours carry Windows' own GetSysColor indices.
TEST(ColorsWindows, SystemColoursUseWindowsIndices)
{
    EXPECT_EQ(clActiveCaption, SysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(clMenu, SysColor(COLOR_MENU));
    EXPECT_EQ(clWindow, SysColor(COLOR_WINDOW));
    EXPECT_EQ(clMenuText, SysColor(COLOR_MENUTEXT));
    EXPECT_EQ(clWindowText, SysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(clCaptionText, SysColor(COLOR_CAPTIONTEXT));
    EXPECT_EQ(clHighlight, SysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(clHighlightText, SysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(clBtnFace, SysColor(COLOR_BTNFACE));
    EXPECT_EQ(clBtnText, SysColor(COLOR_BTNTEXT));
}

}  // namespace
