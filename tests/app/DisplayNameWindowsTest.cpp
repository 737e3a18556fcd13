// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "app/DisplayText.h"

// Names are read in the system's ANSI code page: 936 on Chinese Windows
// (Wine under LC_ALL=zh_CN.UTF-8), 1252 on Western ones.
TEST(DisplayNameWindows, BytesAreReadInTheSystemsCodePage)
{
    EXPECT_EQ(DisplayName("0 C:"), "0 C:");
    if (GetACP() == 936) {
        EXPECT_EQ(DisplayName("\xCE\xEF\xC0\xED\xB4\xC5\xC5\xCC"), QStringLiteral("物理磁盘"));
        EXPECT_EQ(DisplayName("1 \xB4\xC5\xC5\xCC"), QStringLiteral("1 磁盘"));
    } else if (GetACP() == 1252) {
        EXPECT_EQ(DisplayName("Lecteur \xE9"), QStringLiteral("Lecteur é"));
    } else {
        GTEST_SKIP() << "no expectation for code page " << GetACP();
    }
    // A byte that starts no character, and a character cut short, are shown
    // as something; the rest of the name is kept.
    const QString stray = DisplayName("\xFF" "abc");
    EXPECT_TRUE(stray.endsWith(QStringLiteral("abc"))) << stray.toStdString();
    EXPECT_GT(stray.size(), 3);
    EXPECT_TRUE(DisplayName("abc\x81").startsWith(QStringLiteral("abc")));
}
