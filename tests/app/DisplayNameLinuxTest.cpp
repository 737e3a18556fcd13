// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "app/DisplayText.h"

TEST(DisplayNameLinux, Utf8IsReadAndEveryOtherByteIsEscaped)
{
    EXPECT_EQ(DisplayName("sda"), "sda");
    EXPECT_EQ(DisplayName("\xe7\xa3\x81\xe7\x9b\x98"), QStringLiteral("磁盘"));
    // Cut, overlong and surrogate sequences are escaped byte by byte.
    EXPECT_EQ(DisplayName("a\xe7\xa3"), QStringLiteral("a\\xE7\\xA3"));
    EXPECT_EQ(DisplayName("\xc0\xaf"), QStringLiteral("\\xC0\\xAF"));
    EXPECT_EQ(DisplayName("\xed\xa0\x80"), QStringLiteral("\\xED\\xA0\\x80"));
    EXPECT_EQ(DisplayName(std::string("a\0b", 3)), QString::fromUtf8("a\0b", 3));
}
