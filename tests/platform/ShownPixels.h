// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

// What a window shows on its screen, in device pixels, as 32-bit RGB.
inline QImage Shown(const QWidget& window)
{
    return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Where two pictures differ: empty when they match pixel for pixel.
inline std::string Difference(const QImage& drawn, const QImage& expected)
{
    if (drawn.size() != expected.size())
        return "size " + std::to_string(drawn.width()) + "x" + std::to_string(drawn.height()) + ", expected " +
               std::to_string(expected.width()) + "x" + std::to_string(expected.height());
    int count = 0;
    std::string first;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (drawn.pixel(x, y) != expected.pixel(x, y) && count++ == 0)
                first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    return count == 0 ? std::string() : std::to_string(count) + " pixels differ," + first;
}
