// SPDX-License-Identifier: MIT
// The graph's pixels on the device, at whatever display scaling the tests
// run with (CTest runs them again at 125, 150 and 200 %): lines a whole and
// equal number of device pixels wide where the coordinates say, and no
// colours but the graph's own.

#include <algorithm>
#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QtMath>

#include "graph/uHeartMachine.h"
#include "tests/graph/MonitorGraph.h"
#include "tests/platform/ShownPixels.h"

namespace {

struct TRun {
    int First;
    int Length;
};

// The runs of a colour along a row (vertical false) or column of pixels.
std::vector<TRun> Runs(const QImage& image, int at, bool vertical, QRgb colour)
{
    std::vector<TRun> runs;
    const int length = vertical ? image.height() : image.width();
    for (int i = 0; i < length; ++i) {
        if ((vertical ? image.pixel(at, i) : image.pixel(i, at)) != colour)
            continue;
        if (!runs.empty() && runs.back().First + runs.back().Length == i)
            ++runs.back().Length;
        else
            runs.push_back({i, 1});
    }
    return runs;
}

// The device pixel in the middle of the graph's pixel v.
int Middle(int v, qreal ratio)
{
    return qFloor((v + 0.5) * ratio);
}

class GraphPixels : public TMonitorGraphTest {
protected:
    // The surface's ratio, checked against the scaling the application runs at.
    qreal Ratio() const
    {
        const QImage& image = Graph->Surface();
        const qreal ratio = image.devicePixelRatio();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
            EXPECT_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        }
        EXPECT_EQ(image.size(), QSize(603, 222) * ratio);
        return ratio;
    }
};

// The monitor's grid on the surface, whatever its ratio: band step 222 div
// 20 = 11, lines at 11 … 209, the bottom band 13 high; column step 603 div
// 50 = 12, lines at 0 … 588, none at 600.
void ExpectGrid(const QImage& image)
{
    const qreal ratio = image.devicePixelRatio();
    const std::vector<TRun> rows = Runs(image, Middle(5, ratio), true, Green);
    const std::vector<TRun> columns = Runs(image, Middle(5, ratio), false, Green);
    ASSERT_EQ(rows.size(), 19u);
    ASSERT_EQ(columns.size(), 50u);
    const int width = rows[0].Length;
    // A whole number of device pixels near one of the graph's pixels.
    EXPECT_GE(width, qFloor(ratio));
    EXPECT_LE(width, qCeil(ratio));
    // Each line's middle within half a device pixel of its graph pixel's middle.
    const auto expectLine = [&](const TRun& run, int at) {
        EXPECT_EQ(run.Length, width) << "line at " << at;
        EXPECT_NEAR(run.First + run.Length / 2.0, (at + 0.5) * ratio, 0.5) << "line at " << at;
    };
    for (std::size_t k = 0; k < rows.size(); ++k)
        expectLine(rows[k], 11 * static_cast<int>(k + 1));
    for (std::size_t j = 0; j < columns.size(); ++j)
        expectLine(columns[j], 12 * static_cast<int>(j));
}

TEST_F(GraphPixels, GridLinesAreEquallyWideWhereTheCoordinatesSay)
{
    // The column count is a plain store; the grid follows it at the next drawing.
    Graph->DrawGrid();
    Ratio();
    const QImage& image = Graph->Surface();
    ExpectGrid(image);
    // No colour blended from scaling.
    EXPECT_EQ(CountPixels(Black) + CountPixels(Green), image.width() * image.height());
}

TEST_F(GraphPixels, TheLineCoversItsColumnsAsWideAsTheGridAndGoesToTheScreenAsItIs)
{
    // Offscreen, a grab gives as many pixels as the window has in the
    // control's pixels, counted from the top left of its device pixels: the
    // panel grows by margins to that many, so that a grab covers all of the
    // graph's device pixels, and the graph still fills its 603 x 222 contents.
    const qreal scale = QGuiApplication::primaryScreen()->devicePixelRatio();
    Panel->setContentsMargins(0, 0, qCeil(603 * scale) - 603, qCeil(222 * scale) - 222);
    Panel->resize(qCeil(603 * scale), qCeil(222 * scale));
    ASSERT_EQ(Graph->geometry(), QRect(0, 0, 603, 222));
    Panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel.get()));
    for (int i = 0; i < 60; ++i)
        Graph->AddPoint(0, (i * 37) % 101, QString());
    // The last two columns level at 50, on row 111.
    for (int i = 0; i < 3; ++i)
        Graph->AddPoint(0, 50, QString());
    const qreal ratio = Ratio();
    const QImage& image = Graph->Surface();
    EXPECT_EQ(CountPixels(Black) + CountPixels(Green) + CountPixels(Red), image.width() * image.height());

    // Point i sits at x = 12 i on the row of sample 49 + i. Every device
    // column from x = 0 to the newest point holds red, within the rows of
    // the segments within one of the graph's pixels of it.
    const auto& samples = Graph->Values()[0];
    const auto rowOf = [&](int point) { return Graph->ValueToY(samples[static_cast<std::size_t>(49 + point)]); };
    for (int device = 0; device <= qFloor(600 * ratio); ++device) {
        const qreal x = (device + 0.5) / ratio;
        int highest = INT_MAX;
        int lowest = INT_MIN;
        for (int c = std::max(0, qFloor((x - 1) / 12)); c <= std::min(49, qFloor((x + 1) / 12)); ++c) {
            highest = std::min({highest, rowOf(c), rowOf(c + 1)});
            lowest = std::max({lowest, rowOf(c), rowOf(c + 1)});
        }
        const std::vector<TRun> red = Runs(image, device, true, Red);
        ASSERT_FALSE(red.empty()) << "device column " << device;
        EXPECT_GE(red.front().First, (highest - 1) * ratio) << "device column " << device;
        EXPECT_LE(red.back().First + red.back().Length, (lowest + 2) * ratio) << "device column " << device;
    }

    // Where the line is level it is as wide as a grid line.
    const std::vector<TRun> level = Runs(image, Middle(594, ratio), true, Red);
    ASSERT_EQ(level.size(), 1u);
    EXPECT_EQ(level[0].Length, Runs(image, Middle(5, ratio), true, Green).front().Length);
    EXPECT_NEAR(level[0].First + level[0].Length / 2.0, (111 + 0.5) * ratio, 0.5);

    // The window shows the surface's device pixels one for one.
    const QImage shown = Shown(*Panel);
    ASSERT_TRUE(shown.rect().contains(image.rect()));
    EXPECT_EQ(Difference(shown.copy(image.rect()), image), "");
}

// Moved to a screen of another ratio, the window is repainted and the graph
// with it, at the new ratio. The offscreen platform has two such screens when
// set up with tests/graph/TwoScreens.json (a CTest entry of its own).
TEST_F(GraphPixels, FollowsItsWindowToAScreenOfAnotherRatio)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto other = std::find_if(screens.begin(), screens.end(), [&](QScreen* screen) {
        return screen->devicePixelRatio() != screens.front()->devicePixelRatio();
    });
    if (other == screens.end())
        GTEST_SKIP() << "no two screens of different ratios";
    Panel->move(screens.front()->geometry().topLeft());
    Panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel.get()));
    Graph->AddPoint(0, 50, QString());
    ASSERT_EQ(Graph->Surface().devicePixelRatio(), screens.front()->devicePixelRatio());

    Panel->move((*other)->geometry().topLeft());
    const qreal ratio = (*other)->devicePixelRatio();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Graph->Surface().devicePixelRatio() == ratio; }));
    ExpectGrid(Graph->Surface());
    EXPECT_EQ(Runs(Graph->Surface(), Middle(594, ratio), true, Red).size(), 1u);
}

}  // namespace
