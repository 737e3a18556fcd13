// SPDX-License-Identifier: MIT
#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QTest>
#include <QWidget>

#include "graph/uHeartMachine.h"
#include "platform/Canvas.h"
#include "tests/graph/MonitorGraph.h"

namespace {

bool Near(QRgb a, QColor b, int tolerance = 60)
{
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

class LineMenu : public TMonitorGraphTest {
protected:
    TLineItem* Item(int k) const { return qobject_cast<TLineItem*>(Graph->LineMenu()->actions().at(k)); }

    // The entry as DrawLineItem paints it, on a 60 × 20 image.
    QImage Drawn(TLineItem* item, bool selected) const
    {
        QImage image(60, 20, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        TCanvas canvas(&image);
        canvas.SetFont(Graph->LineMenu()->font());
        Graph->DrawLineItem(item, canvas, TRect{0, 0, 60, 20}, selected);
        return image;
    }
};

TEST_F(LineMenu, EntriesArriveWithTheirLinesFirstSample)
{
    EXPECT_TRUE(Graph->LineMenu()->actions().isEmpty());
    Graph->AddPoint(0, 40, QStringLiteral("disk"));
    ASSERT_EQ(Graph->LineMenu()->actions().size(), 1);
    EXPECT_EQ(Item(0)->text(), "disk");
    EXPECT_EQ(Item(0)->Tag(), 0);
    EXPECT_TRUE(Item(0)->Checked());

    // A new sample only refreshes the caption.
    Graph->AddPoint(0, 41, QStringLiteral("disk 41"));
    ASSERT_EQ(Graph->LineMenu()->actions().size(), 1);
    EXPECT_EQ(Item(0)->text(), "disk 41");

    Graph->AddPoint(1, 10, QStringLiteral("one"));
    Graph->AddPoint(2, 20, QStringLiteral("two"));
    ASSERT_EQ(Graph->LineMenu()->actions().size(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(Item(k)->Tag(), k);
        EXPECT_TRUE(Item(k)->Checked());
    }
    EXPECT_EQ(Item(2)->text(), "two");
}

TEST_F(LineMenu, UncheckingHidesTheLineWhileSamplesArriveAndCheckingShowsItsHistory)
{
    Graph->AddPoint(0, 30, QString());
    Item(0)->trigger();
    EXPECT_FALSE(Item(0)->Checked());
    EXPECT_FALSE(Graph->Visible()[0]);
    EXPECT_FALSE(CountPixels(Red) > 0);

    Graph->AddPoint(0, 60, QString());
    Graph->AddPoint(0, 90, QString());
    EXPECT_FALSE(CountPixels(Red) > 0);
    EXPECT_EQ(Graph->Values()[0][99], 90);

    Item(0)->trigger();
    EXPECT_TRUE(Item(0)->Checked());
    EXPECT_EQ(Graph->Surface().pixel(600, Graph->ValueToY(90)), Red);
    EXPECT_EQ(Graph->Surface().pixel(588, Graph->ValueToY(60)), Red);
    EXPECT_EQ(Graph->Surface().pixel(576, Graph->ValueToY(30)), Red);
}

TEST_F(LineMenu, MeasureIsTheCaptionWidthPlusTenAndKeepsTheHeight)
{
    Graph->AddPoint(0, 1, QString());
    Graph->AddPoint(1, 1, QStringLiteral("line one"));
    QImage scratch(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&scratch);
    canvas.SetFont(Graph->LineMenu()->font());
    int width = 99;
    int height = 23;
    Graph->MeasureLineItem(Item(0), canvas, width, height);
    EXPECT_EQ(width, 10);
    EXPECT_EQ(height, 23);
    Graph->MeasureLineItem(Item(1), canvas, width, height);
    EXPECT_EQ(width, canvas.TextWidth(QStringLiteral("line one")) + 10);
    EXPECT_EQ(height, 23);
}

TEST_F(LineMenu, DrawnEntryShowsBackgroundCaptionColourAndTick)
{
    for (int k = 0; k <= 3; ++k)
        Graph->AddPoint(k, 1, QStringLiteral("WWW"));
    const QPalette palette = QApplication::palette();
    const QColor face = palette.color(QPalette::Active, QPalette::Button);
    const QColor active = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor menuText = palette.color(QPalette::Active, QPalette::Text);
    const QColor captionText = palette.color(QPalette::Active, QPalette::HighlightedText);

    for (int k = 0; k <= 3; ++k) {
        for (bool selected : {false, true}) {
            const QImage image = Drawn(Item(k), selected);
            // The whole rectangle is painted; the far corner is background.
            EXPECT_EQ(QColor(image.pixel(59, 19)), selected ? active : face);
            // The caption, from x = 12, is in the line's colour.
            const QColor line = ColorToQColor(THeartMachine::LineColors[k]);
            int inLineColour = 0;
            for (int y = 3; y < 20; ++y)
                for (int x = 12; x < 60; ++x)
                    inLineColour += Near(image.pixel(x, y), line, 8);
            EXPECT_GT(inLineColour, 0) << "line " << k;
            // The tick passes through its middle corner.
            EXPECT_TRUE(Near(image.pixel(4, 11), selected ? captionText : menuText, 8))
                << "line " << k << (selected ? " selected" : "");
        }
    }

    Item(2)->trigger();
    const QImage unchecked = Drawn(Item(2), false);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 11; ++x)
            EXPECT_EQ(QColor(unchecked.pixel(x, y)), face) << x << "," << y;
}

TEST_F(LineMenu, RightClickOpensTheOwnerDrawnMenu)
{
    Panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Panel.get()));
    TLineMenu* menu = Graph->LineMenu();
    // Through the window, as the platform delivers it, so the toolkit turns
    // the right-click into a context-menu request.
    const auto rightClick = [&] {
        QTest::mouseClick(Panel->windowHandle(), Qt::RightButton, {},
                          Graph->mapTo(Panel.get(), QPoint(100, 100)));
    };
    // Before the first sample there is nothing to open: no popup takes the
    // next click.
    rightClick();
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    Graph->AddPoint(0, 50, QString());
    rightClick();
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000));

    // The entry's size comes from MeasureLineItem: 10 pixels for an empty caption.
    const QRect entry = menu->actionGeometry(menu->actions().at(0));
    EXPECT_EQ(entry.width(), 10);
    const QImage shown = menu->grab().toImage();
    const QColor face = QApplication::palette().color(QPalette::Active, QPalette::Button);
    const QColor menuText = QApplication::palette().color(QPalette::Active, QPalette::Text);
    EXPECT_EQ(QColor(shown.pixel(entry.left() + 9, entry.bottom())), face);
    EXPECT_TRUE(Near(shown.pixel(entry.left() + 4, entry.top() + 11), menuText, 8));
    menu->close();
}

}  // namespace
