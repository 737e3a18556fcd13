// SPDX-License-Identifier: MIT
// The graph keeps its background and grid between samples and draws only
// where lines moved. Whatever it keeps, every drawing must give the pixels of
// the graph's coordinates drawn from scratch: the fill, the grid rows and
// columns, then each visible line from its newest sample leftwards.

#include <string>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include "graph/uHeartMachine.h"
#include "tests/graph/MonitorGraph.h"
#include "tests/platform/ShownPixels.h"

namespace {

// The drawing from the coordinates alone: pixel writes for the fill and the
// grid, a plain 1-pixel polyline for each line.
QImage PlainDrawing(const THeartMachine& graph, bool withLines)
{
    const int w = graph.width();
    const int h = graph.height();
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ColorToQColor(graph.ColorBackground()));
    const QRgb grid = ColorToQColor(graph.ColorGrid()).rgb();
    // Rows k × hs for k = 1 … HGridCount − 1, columns j × vs for j = 0 …
    // HTickCount − 1, each across the whole graph.
    const int hs = h / graph.HGridCount();
    for (int k = 1; k < graph.HGridCount(); ++k)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, k * hs, grid);
    const int n = graph.HTickCount();
    const int s = w / n;
    for (int j = 0; j < n; ++j)
        for (int y = 0; y < h; ++y)
            image.setPixel(j * s, y, grid);
    if (!withLines)
        return image;
    // Each line through its newest sample at x = HTickCount × s and the
    // HTickCount before it, one column step apart leftwards; later lines
    // over earlier ones.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t line = 0; line < graph.Values().size(); ++line) {
        if (!graph.Visible()[line])
            continue;
        const auto& row = graph.Values()[line];
        painter.setPen(QPen(ColorToQColor(THeartMachine::LineColors[line]), 1, Qt::SolidLine, Qt::SquareCap));
        QPolygon polyline;
        for (int j = 0; j <= n; ++j)
            polyline << QPoint((n - j) * s, graph.ValueToY(row[99 - j]));
        painter.drawPolyline(polyline);
    }
    return image;
}

class Redraw : public TMonitorGraphTest {
protected:
    // A jagged history on a line, so every segment slopes.
    void Feed(int line, int samples, int seed)
    {
        for (int i = 0; i < samples; ++i)
            Graph->AddPoint(line, (i * 37 + seed * 11) % 101, QString());
    }

    void ExpectPlain(bool withLines, const char* when)
    {
        EXPECT_EQ(Difference(Graph->Surface(), PlainDrawing(*Graph, withLines)), "") << when;
    }

    void Toggle(int line) { Graph->LineMenu()->actions().at(line)->trigger(); }
};

TEST_F(Redraw, SamplesAndSettersGiveThePlainDrawing)
{
    // Shown, so that the toolkit's paint requests draw.
    Panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel.get()));
    Feed(0, 120, 0);
    ExpectPlain(true, "one line");

    // Each setter draws background and grid only, for the new setting, until
    // the next full drawing: a sample, or a paint request from the toolkit.
    Graph->SetHGridCount(7);
    ExpectPlain(false, "after HGridCount 7");
    Graph->repaint();
    ExpectPlain(true, "a paint after HGridCount 7");
    Feed(0, 3, 1);
    ExpectPlain(true, "samples after the paint");
    Graph->SetHGridCount(1);
    ExpectPlain(false, "after HGridCount 1");
    Graph->SetColorGrid(clYellow);
    ExpectPlain(false, "after a grid colour");
    Feed(0, 2, 2);
    ExpectPlain(true, "samples after a grid colour");
    Graph->SetColorBackground(clNavy);
    ExpectPlain(false, "after a background colour");
    Feed(0, 1, 3);
    ExpectPlain(true, "samples after a background colour");

    // The column count and the range are plain stores: the next drawing
    // follows them.
    Graph->SetHTickCount(13);
    Feed(0, 1, 4);
    ExpectPlain(true, "after HTickCount 13");
    Graph->SetHTickCount(99);
    Feed(0, 1, 5);
    ExpectPlain(true, "after HTickCount 99");
    Graph->SetMin(-50);
    Graph->SetMax(300);
    Feed(0, 1, 6);
    ExpectPlain(true, "after a new range");

    // Back to the first settings: what was kept for them must not come back stale.
    Graph->SetColorBackground(clBlack);
    Graph->SetColorGrid(clGreen);
    Graph->SetHGridCount(20);
    Graph->SetHTickCount(50);
    Graph->SetMin(0);
    Graph->SetMax(100);
    Feed(0, 1, 7);
    ExpectPlain(true, "back to the monitor's settings");
}

// The graph's painter draws lines by its own route (it keeps a clip of the
// whole surface); every slope, in each direction, at narrow and wide
// columns, on graphs resized to any size, lines along the top and bottom
// rows, and seventeen lines some of them hidden, must come out as the plain
// drawing has them.
TEST_F(Redraw, LinesOfEverySlopeSizeAndNumberGiveThePlainDrawing)
{
    // Flat runs, steps of one, small and large rises and falls, the range's ends.
    const int pattern[] = {100, 100, 99, 98, 98, 97, 50, 51, 49, 0, 0, 1, 2, 100, 0, 100, 3, 97, 60, 40, 41, 100};
    // Columns of 12, 40 and 6 pixels, then of 1 on a narrow graph; a lower
    // graph, the monitor's size again, and a tiny one.
    const struct {
        int width;
        int height;
        int ticks;
    } layouts[] = {{603, 222, 50}, {603, 222, 15}, {603, 222, 99}, {150, 222, 99},
                   {401, 150, 50}, {603, 222, 50}, {40, 30, 50}};
    // The graph follows its parent's resize events, which a hidden parent defers.
    Panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel.get()));
    int seed = 0;
    for (const auto& layout : layouts) {
        Panel->resize(layout.width, layout.height);
        ASSERT_EQ(Graph->size(), QSize(layout.width, layout.height));
        const std::string size = std::to_string(layout.width) + "x" + std::to_string(layout.height);
        // After every other resize the toolkit paints before the next sample.
        if (++seed % 2 == 0) {
            Graph->repaint();
            ExpectPlain(true, ("a paint after a resize to " + size).c_str());
        }
        Graph->SetHTickCount(static_cast<std::uint8_t>(layout.ticks));
        const std::string columns = size + ", columns of " + std::to_string(layout.width / layout.ticks) + " pixels";
        for (int round = 0; round < 3; ++round) {
            for (int value : pattern)
                Graph->AddPoint(0, value, QString());
            ExpectPlain(true, columns.c_str());
        }
        Feed(1, 40, seed);
        ExpectPlain(true, ("a second line over " + columns).c_str());
    }
    Graph->SetHGridCount(3);
    ExpectPlain(false, "HGridCount on a small graph");

    Panel->resize(603, 222);
    Graph->SetHGridCount(20);
    for (int line = 0; line < 17; ++line)
        Feed(line, 100, line);
    ASSERT_EQ(Graph->Values().size(), 17u);
    ExpectPlain(true, "17 lines");
    for (int line : {0, 5, 16})
        Toggle(line);
    ASSERT_FALSE(Graph->Visible()[5]);
    ExpectPlain(true, "three lines hidden");
    // Hidden lines keep receiving samples and show their whole history again.
    Feed(5, 10, 40);
    ExpectPlain(true, "a hidden line sampled");
    Graph->SetHGridCount(9);
    ExpectPlain(false, "HGridCount with lines hidden");
    for (int line : {0, 5, 16})
        Toggle(line);
    ExpectPlain(true, "all lines shown again");
    for (int line = 0; line < 17; ++line)
        Toggle(line);
    ExpectPlain(true, "every line hidden");
}

// A copy of the surface shares its pixels with the graph until one of them
// is written; the graph's drawing must go to its own surface, and the copy
// keep what it showed.
TEST_F(Redraw, ACopyOfTheSurfaceKeepsItsPixelsAndTheGraphDrawsOnItsOwn)
{
    Feed(0, 60, 0);
    const QImage copy = Graph->Surface();
    const QImage kept = copy.copy();
    Feed(0, 5, 1);
    ExpectPlain(true, "after samples with a copy held");
    EXPECT_EQ(Difference(copy, kept), "") << "the copy";

    // A copy taken while nothing changes, then a full repaint.
    const QImage second = Graph->Surface();
    const QImage secondKept = second.copy();
    Graph->repaint();
    Feed(0, 1, 2);
    ExpectPlain(true, "after a repaint and a sample with a second copy held");
    EXPECT_EQ(Difference(second, secondKept), "") << "the second copy";
}

TEST_F(Redraw, WhatEachDrawingLeftIsOnScreenWhenItReturns)
{
    Panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel.get()));
    // Without running the event loop: the window already shows every pixel.
    const auto expectShown = [&](bool withLines, const char* when) {
        ExpectPlain(withLines, when);
        EXPECT_EQ(Difference(Shown(*Panel).copy(Graph->geometry()), PlainDrawing(*Graph, withLines)), "")
            << when << ", on screen";
    };

    // A quiet disk: a flat line, then one busy sample scrolling through.
    for (int i = 0; i < 5; ++i)
        Graph->AddPoint(0, 100, QString());
    expectShown(true, "flat line");
    Graph->AddPoint(0, 0, QString());
    expectShown(true, "a dip");
    for (int i = 0; i < 3; ++i)
        Graph->AddPoint(0, 100, QString());
    expectShown(true, "the dip scrolled on");
    Graph->AddPoint(1, 50, QString());
    expectShown(true, "a second line");
    Toggle(0);
    expectShown(true, "line 0 hidden");
    Feed(1, 20, 3);
    expectShown(true, "a jagged line");
    Toggle(0);
    expectShown(true, "line 0 shown again");
    Graph->SetColorGrid(clOlive);
    expectShown(false, "a grid colour");
    Feed(0, 1, 1);
    expectShown(true, "a sample after a grid colour");
    Graph->SetHTickCount(25);
    Graph->SetMax(200);
    Feed(0, 1, 2);
    expectShown(true, "fewer columns and a wider range");
    Toggle(0);
    Toggle(1);
    expectShown(true, "every line hidden");
    Graph->AddPoint(0, 7, QString());
    expectShown(true, "a sample while every line is hidden");
}

}  // namespace
