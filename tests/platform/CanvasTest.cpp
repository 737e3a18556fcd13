// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPalette>

#include "platform/Canvas.h"

namespace {

QImage Blank()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

TEST(Canvas, ColoursAreStoredRedInTheLowestByte)
{
    EXPECT_EQ(ColorToQColor(RGBColor(0x12, 0x34, 0x56)), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ColorToQColor(0x00563412u), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ColorToQColor(clBtnFace),
              QGuiApplication::palette().color(QPalette::Active, QPalette::Button));
}

TEST(Canvas, FillLeavesItsFarEdgesAndLinesCoverBothEnds)
{
    QImage image = Blank();
    {
        TCanvas canvas(&image);
        canvas.SetBrushColor(clBlue);
        canvas.FillRect(TRect{2, 3, 6, 5});
        canvas.SetPenColor(clRed);
        canvas.SetPenWidth(1);
        canvas.MoveTo(20, 25);
        canvas.LineTo(20, 20);
        canvas.LineTo(10, 20);   // right to left, as the graph draws
    }
    EXPECT_EQ(image.pixel(2, 3), qRgb(0, 0, 0xFF));
    EXPECT_EQ(image.pixel(5, 4), qRgb(0, 0, 0xFF));
    EXPECT_EQ(image.pixel(6, 4), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(20, 25), qRgb(0xFF, 0, 0));
    EXPECT_EQ(image.pixel(20, 26), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(20, 20), qRgb(0xFF, 0, 0));
    EXPECT_EQ(image.pixel(21, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 20), qRgb(0xFF, 0, 0));
    EXPECT_EQ(image.pixel(9, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(15, 21), qRgb(0, 0, 0));
}

TEST(Canvas, TextIsWrittenBelowAndRightOfItsPointInTheFontColour)
{
    QImage image = Blank();
    int width = 0;
    {
        TCanvas canvas(&image);
        QFont font;
        font.setPixelSize(12);
        canvas.SetFont(font);
        canvas.SetFontColor(clWhite);
        EXPECT_EQ(canvas.TextWidth(QString()), 0);
        width = canvas.TextWidth(QStringLiteral("H"));
        canvas.TextOut(10, 8, QStringLiteral("H"));
    }
    EXPECT_GT(width, 0);
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 128) {
                ++inked;
                EXPECT_GE(x, 10);
                EXPECT_GE(y, 8);
                EXPECT_LT(x, 10 + width + 1);
            }
        }
    }
    EXPECT_GT(inked, 0);
}

}  // namespace
