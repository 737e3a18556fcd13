// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "graph/uHeartMachine.h"

// The monitor's colours as the graph's pixels hold them.
inline const QRgb Black = qRgb(0, 0, 0);
inline const QRgb Green = qRgb(0, 0x80, 0);
inline const QRgb Red = qRgb(0xFF, 0, 0);

// A fresh graph set up as the monitor sets it up: 603 × 222 in its panel,
// 20 bands, 50 columns, 0 to 100.
class TMonitorGraphTest : public testing::Test {
protected:
    void SetUp() override
    {
        Panel = std::make_unique<QWidget>();
        Panel->resize(603, 222);
        Graph = new THeartMachine(Panel.get());
        Graph->SetHGridCount(20);
        Graph->SetHTickCount(50);
        Graph->SetMax(100);
        Graph->SetMin(0);
    }

    QRgb Pixel(int x, int y) const { return Graph->Surface().pixel(x, y); }

    int CountPixels(QRgb colour) const
    {
        const QImage& image = Graph->Surface();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == colour;
        return count;
    }

    std::unique_ptr<QWidget> Panel;
    THeartMachine* Graph = nullptr;
};
