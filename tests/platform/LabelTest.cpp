// SPDX-License-Identifier: MIT
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include "platform/Colors.h"
#include "platform/Label.h"
#include "tests/platform/ShownPixels.h"

namespace {

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Count;
        return QObject::eventFilter(watched, event);
    }
};

// A window of the button-face colour with a titled group frame and one label
// in it, as the monitor lays out its statistics: with a plain label, or with
// a TLabel.
struct TScene {
    explicit TScene(bool own)
    {
        Window = std::make_unique<QWidget>();
        Window->resize(320, 130);
        QPalette face = Window->palette();
        face.setColor(QPalette::Window, ColorToQColor(clBtnFace));
        Window->setPalette(face);
        Window->setAutoFillBackground(true);
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(12);
        Window->setFont(font);
        Box = new QGroupBox(QStringLiteral("磁盘空闲时间"), Window.get());
        Box->setGeometry(12, 8, 290, 110);
        Label = own ? new TLabel(Box) : new QLabel(Box);
        Label->move(30, 24);
        SetText(QStringLiteral("空闲时间:"));
        Box->installEventFilter(&BoxPaints);
        Window->move(own ? 400 : 0, 0);
        Window->show();
    }

    void SetText(const QString& text)
    {
        Label->setText(text);
        Label->adjustSize();
    }

    QImage Shown() const
    {
        QApplication::processEvents();
        return ::Shown(*Window);
    }

    std::unique_ptr<QWidget> Window;
    QGroupBox* Box = nullptr;
    QLabel* Label = nullptr;
    TPaintCounter BoxPaints;
};

class Label : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Plain.Window.get()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Own.Window.get()));
    }

    void ExpectSamePixels(const char* when) { EXPECT_EQ(Difference(Own.Shown(), Plain.Shown()), "") << when; }

    void SetTexts(const QString& text)
    {
        Plain.SetText(text);
        Own.SetText(text);
    }

    TScene Plain{false};
    TScene Own{true};
};

TEST_F(Label, ShowsThePixelsOfAPlainLabel)
{
    ExpectSamePixels("first showing");
    SetTexts(QStringLiteral("空闲：97.53"));
    ExpectSamePixels("a longer text");
    SetTexts(QStringLiteral("空闲：100.00"));
    ExpectSamePixels("longer still");
    SetTexts(QStringLiteral("空闲：5.00"));
    ExpectSamePixels("a shorter text");

    for (TScene* scene : {&Plain, &Own}) {
        QPalette navy = scene->Window->palette();
        navy.setColor(QPalette::Window, QColor(0x20, 0x30, 0x80));
        scene->Window->setPalette(navy);
    }
    ExpectSamePixels("a new background colour");
    for (TScene* scene : {&Plain, &Own}) {
        scene->Box->resize(200, 90);
        scene->Label->move(60, 40);
    }
    ExpectSamePixels("a smaller frame and a moved label");
    SetTexts(QStringLiteral("小于80:12"));
    ExpectSamePixels("a text after the move");
}

TEST_F(Label, NewTextRepaintsTheLabelAlone)
{
    SetTexts(QStringLiteral("小于80:1"));
    (void)Plain.Shown();
    (void)Own.Shown();
    Plain.BoxPaints.Count = 0;
    Own.BoxPaints.Count = 0;

    // Same width, new text: only the label's own rectangle changes.
    SetTexts(QStringLiteral("小于80:2"));
    ExpectSamePixels("a new count");
    EXPECT_GT(Plain.BoxPaints.Count, 0);
    EXPECT_EQ(Own.BoxPaints.Count, 0);

    // A wider text: the label grows over ground it already has a picture of.
    SetTexts(QStringLiteral("小于80:12345"));
    ExpectSamePixels("a wider count");
    EXPECT_GT(Plain.BoxPaints.Count, 0);
    EXPECT_EQ(Own.BoxPaints.Count, 0);
}

TEST(LabelHint, SizesItselfAsAPlainLabel)
{
    QWidget window;
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    window.setFont(font);
    QLabel plain(&window);
    TLabel own(&window);
    const QString texts[] = {
        QStringLiteral("空闲：97.53"), QStringLiteral("空闲：100.00"), QStringLiteral("低于5:0"),
        QStringLiteral("W"), QStringLiteral("a&b"), QStringLiteral("two\nlines"), QString(),
        QStringLiteral("<b>rich</b>"), QStringLiteral("שלום 12"), QStringLiteral("空闲：97.53"),
    };
    for (const QString& text : texts) {
        plain.setText(text);
        own.setText(text);
        EXPECT_EQ(own.sizeHint(), plain.sizeHint()) << text.toStdString();
        own.adjustSize();
        plain.adjustSize();
        EXPECT_EQ(own.size(), plain.size()) << text.toStdString();
    }
    // A new font is measured anew, with the same text.
    QFont larger = font;
    larger.setPixelSize(20);
    plain.setFont(larger);
    own.setFont(larger);
    EXPECT_EQ(own.sizeHint(), plain.sizeHint());
    // So is a label the toolkit must measure itself.
    plain.setWordWrap(true);
    own.setWordWrap(true);
    plain.setText(QStringLiteral("空闲：97.53 and more words"));
    own.setText(QStringLiteral("空闲：97.53 and more words"));
    EXPECT_EQ(own.sizeHint(), plain.sizeHint());
}

}  // namespace
