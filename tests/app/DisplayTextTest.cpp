// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include <QLocale>

#include "app/DisplayText.h"
#include "platform/Error.h"

TEST(DisplayText, TwoDecimalsWithTheLocaleSeparatorAndNoGrouping)
{
    EXPECT_EQ(FormatFixed2(1234.5), "1234.50");
    EXPECT_EQ(FormatFixed2(0.004), "0.00");
    EXPECT_EQ(FormatFixed2(97.535), "97.53");   // 97.535 is stored just below
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatFixed2(1234.5), "1234,50");
    QLocale::setDefault(before);
}

TEST(DisplayText, RoundsHalfToEvenAndRefusesWhatIsNoInteger)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(96.5), 96);
    EXPECT_EQ(RoundHalfEven(97.5), 98);
    EXPECT_EQ(RoundHalfEven(99.5000001), 100);
    EXPECT_THROW(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), Exception);
    EXPECT_THROW(RoundHalfEven(2147483647.5), Exception);
}

TEST(DisplayText, NamesAreUtf8AndEveryOtherByteIsEscaped)
{
    EXPECT_EQ(DisplayName("sda"), "sda");
    EXPECT_EQ(DisplayName("\xe7\xa3\x81\xe7\x9b\x98"), QStringLiteral("磁盘"));
    // Cut, overlong and surrogate sequences are escaped byte by byte.
    EXPECT_EQ(DisplayName("a\xe7\xa3"), QStringLiteral("a\\xE7\\xA3"));
    EXPECT_EQ(DisplayName("\xc0\xaf"), QStringLiteral("\\xC0\\xAF"));
    EXPECT_EQ(DisplayName("\xed\xa0\x80"), QStringLiteral("\\xED\\xA0\\x80"));
    EXPECT_EQ(DisplayName(std::string("a\0b", 3)), QString::fromUtf8("a\0b", 3));
}
