// SPDX-License-Identifier: MIT
#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "graph/uHeartMachine.h"
#include "platform/Error.h"
#include "tests/graph/MonitorGraph.h"

namespace {

const QRgb Lime = qRgb(0, 0xFF, 0);

using HeartMachine = TMonitorGraphTest;

TEST(HeartMachineDefaults, ConstructionStateAndFillingTheOwner)
{
    QWidget owner;
    owner.resize(320, 200);
    THeartMachine graph(&owner);
    EXPECT_EQ(graph.ColorBackground(), clBlack);
    EXPECT_EQ(graph.ColorGrid(), clGreen);
    EXPECT_EQ(graph.HGridCount(), 5);
    EXPECT_EQ(graph.HTickCount(), 10);
    EXPECT_EQ(graph.Min(), 1);
    EXPECT_EQ(graph.Max(), 10);
    EXPECT_EQ(graph.LastLine(), 0);
    ASSERT_EQ(graph.Values().size(), 1u);
    ASSERT_EQ(graph.Visible().size(), 1u);
    EXPECT_TRUE(graph.Visible()[0]);
    for (int v : graph.Values()[0])
        EXPECT_EQ(v, 0);
    EXPECT_EQ(graph.Align(), TAlign::alClient);
    EXPECT_EQ(graph.geometry(), QRect(0, 0, 320, 200));

    // Aligned to the client area, the bounds follow the parent only.
    owner.show();
    graph.setGeometry(10, 10, 50, 50);
    EXPECT_EQ(graph.geometry(), QRect(0, 0, 320, 200));
    owner.resize(400, 150);
    EXPECT_EQ(graph.geometry(), QRect(0, 0, 400, 150));

    QWidget panel;
    panel.resize(603, 222);
    graph.setParent(&panel);
    EXPECT_EQ(graph.geometry(), QRect(0, 0, 603, 222));
    graph.setParent(nullptr);
}

TEST_F(HeartMachine, ValueToYMatchesTheRowTable)
{
    // Rows 221, 218, 210, 199 for 0, 1, 5, 10 ... 111 for 50 ... 3 and 1 for
    // 99 and 100. In extended precision every row equals the exact integer
    // result; a 53-bit evaluation misses 45, 50, 55, 85, 90 and 95.
    for (int v = 0; v <= 100; ++v)
        EXPECT_EQ(Graph->ValueToY(v), (220 * (100 - v)) / 100 + 1) << "value " << v;
}

TEST_F(HeartMachine, NewestSampleIsDrawnAtTheRightmostColumn)
{
    Graph->AddPoint(0, 50, QString());
    // The line runs from the newest sample at x = 600 to the previous one at
    // 588 on row 111; the older zeros lie on row 221.
    EXPECT_EQ(Pixel(600, Graph->ValueToY(50)), Red);
    EXPECT_EQ(Pixel(601, Graph->ValueToY(50)), Black);
    EXPECT_EQ(Pixel(560, Graph->ValueToY(0)), Red);
    EXPECT_EQ(Pixel(560, Graph->ValueToY(50)), Black);

    // A level stretch keeps its newest point too.
    Graph->AddPoint(0, 100, QString());
    Graph->AddPoint(0, 100, QString());
    EXPECT_EQ(Pixel(600, 1), Red);
    EXPECT_EQ(Pixel(594, 1), Red);
    EXPECT_EQ(Pixel(601, 1), Black);
    EXPECT_EQ(Pixel(576, 111), Red);
}

TEST_F(HeartMachine, OutOfRangeSampleRaisesAndChangesNothing)
{
    Graph->AddPoint(0, 0, QString());
    Graph->AddPoint(0, 100, QString());
    const auto before = Graph->Values();
    const QImage drawn = Graph->Surface().copy();
    for (int value : {101, -1}) {
        try {
            Graph->AddPoint(0, value, QString());
            FAIL() << "no error for " << value;
        } catch (const ERangeError& error) {
            EXPECT_EQ(error.Message(), "Point value out of range (" + std::to_string(value) + ")");
        }
    }
    // An error for a new line must not register the line either.
    EXPECT_THROW(Graph->AddPoint(1, 500, QString()), Exception);
    EXPECT_EQ(Graph->Values(), before);
    EXPECT_EQ(Graph->LastLine(), 0);
    EXPECT_EQ(Graph->Surface(), drawn);
}

TEST_F(HeartMachine, HistoryKeepsTheLatestHundredSamples)
{
    for (int i = 1; i <= 100; ++i)
        Graph->AddPoint(0, i % 101, QString());
    const auto& row = Graph->Values()[0];
    for (int k = 0; k < 100; ++k)
        EXPECT_EQ(row[k], k + 1);
    Graph->AddPoint(0, 7, QString());
    EXPECT_EQ(Graph->Values()[0][0], 2);
    EXPECT_EQ(Graph->Values()[0][99], 7);
}

TEST_F(HeartMachine, LinesAreAddedInOrderAndDrawnInTheirColours)
{
    Graph->AddPoint(0, 20, QString());
    Graph->AddPoint(1, 80, QString());
    EXPECT_EQ(Graph->LastLine(), 1);
    ASSERT_EQ(Graph->Values().size(), 2u);
    ASSERT_EQ(Graph->Visible().size(), 2u);
    EXPECT_TRUE(Graph->Visible()[1]);
    EXPECT_EQ(Graph->Values()[1][98], 0);
    EXPECT_EQ(Graph->Values()[1][99], 80);
    EXPECT_EQ(Pixel(600, Graph->ValueToY(20)), Red);
    EXPECT_EQ(Pixel(600, Graph->ValueToY(80)), Lime);
    // Later lines are drawn over earlier ones: both start on the zero row.
    EXPECT_EQ(Pixel(300, Graph->ValueToY(0)), Lime);
}

}  // namespace
