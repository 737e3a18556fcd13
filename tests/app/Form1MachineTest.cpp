// SPDX-License-Identifier: MIT
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Unit1.h"
#include "counters/CounterQuery.h"
#include "graph/uHeartMachine.h"
#include "platform/Error.h"
#include "platform/ErrorBox.h"
#include "tests/app/Form1Fixture.h"
#include "tests/counters/CounterQueryFixture.h"

// The real window over this machine's own performance data: the kernel's
// statistics on Linux, pdh.dll on Windows (Wine's, which lists no disks, when
// the cross build runs its tests on Linux). What the window must show comes
// from what the counter query answers the test itself, so the expectations
// hold on every machine; the made-up disks are the Linux tests' (Form1Test).

namespace {

using Form1OnThisMachine = TForm1Test;

void ExpectPlaced(const QWidget* widget, const QWidget* parent, int left, int top)
{
    EXPECT_EQ(widget->parentWidget(), parent) << widget->objectName().toStdString();
    EXPECT_EQ(widget->pos(), QPoint(left, top)) << widget->objectName().toStdString();
}

TEST_F(Form1OnThisMachine, LayoutFollowsTheTable)
{
    TForm1& f = *Form;
    EXPECT_EQ(f.windowTitle(), "Idlescope");
    EXPECT_EQ(f.size(), QSize(872, 311));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f.font().pixelSize(), 12);

    ExpectPlaced(f.Label11, &f, 48, 280);
    EXPECT_EQ(f.Label11->text(), QStringLiteral("磁盘列表"));
    EXPECT_EQ(f.ComboBox1->geometry(), QRect(106, 277, 141, 22));
    EXPECT_FALSE(f.ComboBox1->isEditable());
    EXPECT_EQ(f.Button3->geometry(), QRect(272, 275, 75, 25));
    EXPECT_EQ(f.Button3->text(), QStringLiteral("开启监控"));
    EXPECT_EQ(f.GroupBox1->geometry(), QRect(24, 8, 825, 257));
    EXPECT_EQ(f.GroupBox1->title(), QStringLiteral("磁盘空闲时间"));
    EXPECT_EQ(f.Panel1->parentWidget(), f.GroupBox1);
    EXPECT_EQ(f.Panel1->geometry(), QRect(20, 23, 603, 222));
    EXPECT_EQ(f.CheckBox1->geometry(), QRect(384, 280, 97, 17));
    EXPECT_EQ(f.CheckBox1->text(), QStringLiteral("置顶"));
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 1000);

    const struct {
        QLabel* label;
        int left, top;
        const char* caption;
    } labels[] = {
        {f.Label1, 648, 24, "空闲时间:"}, {f.Label3, 648, 54, "平均空闲:"},
        {f.L9, 648, 83, "低于90:"},      {f.L8, 648, 111, "低于80:"},
        {f.L7, 648, 139, "低于70:"},     {f.L6, 648, 168, "低于60:"},
        {f.L5, 648, 196, "低于50:"},     {f.L4, 648, 224, "低于40:"},
        {f.L3, 730, 111, "低于30:"},     {f.L2, 730, 139, "低于20:"},
        {f.L1, 730, 167, "低于10:"},     {f.L05, 730, 196, "低于5:"},
        {f.L0, 730, 224, "等于0:"},
    };
    for (const auto& l : labels) {
        ExpectPlaced(l.label, f.GroupBox1, l.left, l.top);
        EXPECT_EQ(l.label->text(), QString::fromUtf8(l.caption));
        // Labels are as large as their captions.
        EXPECT_GE(l.label->width(), l.label->fontMetrics().horizontalAdvance(l.label->text()));
    }

    // Tab order: the disk list, the button, the group, the check box.
    std::vector<QWidget*> order;
    const std::vector<QWidget*> tabbed = {f.ComboBox1, f.Button3, f.GroupBox1, f.CheckBox1};
    QWidget* w = f.ComboBox1;
    do {
        if (std::find(tabbed.begin(), tabbed.end(), w) != tabbed.end())
            order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != f.ComboBox1);
    EXPECT_EQ(order, tabbed);
}

TEST_F(Form1OnThisMachine, StartUpListsWhatTheCounterQueryListsOrShowsWhyNot)
{
    const std::string refusal = ListFailure("PhysicalDisk");
    if (refusal.empty()) {
        const std::vector<std::string> disks = ListInstances("PhysicalDisk");
        EXPECT_TRUE(StartUpBoxes.empty());
        ASSERT_EQ(Form->ComboBox1->count(), static_cast<int>(disks.size()));
        for (int k = 0; k < Form->ComboBox1->count(); ++k)
            EXPECT_EQ(Form->ComboBox1->itemText(k), QString::fromLocal8Bit(disks[k]));
    } else {
        // The refusal ends the start-up; the window opens with an empty list.
        ASSERT_EQ(StartUpBoxes.size(), 1u);
        EXPECT_EQ(StartUpBoxes[0].Text, ErrorBoxText(QString::fromStdString(refusal)));
        EXPECT_EQ(StartUpBoxes[0].Title, ApplicationTitle(QCoreApplication::applicationFilePath()));
        EXPECT_EQ(Form->ComboBox1->count(), 0);
    }
    EXPECT_EQ(Form->ComboBox1->currentIndex(), -1);
}

// With nothing chosen the start only asks for a disk, in the program's own
// box with an empty title; with a disk the platform does not know (one that
// went away since the start-up, say) the first tick's status ends the start,
// leaving a fresh graph without a sample.
TEST_F(Form1OnThisMachine, StartThatCannotSampleSaysWhyAndStaysStopped)
{
    Click(Form->Button3);
    ASSERT_EQ(Recorder.Boxes.size(), 1u);
    EXPECT_EQ(Recorder.Boxes[0].Text, QStringLiteral("请选择需要监控的磁盘！"));
    EXPECT_EQ(Recorder.Boxes[0].Title, QString());
    EXPECT_EQ(Form->Graph, nullptr);

    Form->ComboBox1->addItem(QStringLiteral("NoSuchDisk"), QByteArray("NoSuchDisk"));
    Form->ComboBox1->setCurrentIndex(Form->ComboBox1->count() - 1);
    const std::string status = ReadFailure(IdlePath("NoSuchDisk"));
    ASSERT_FALSE(status.empty());
    Click(Form->Button3);
    ASSERT_EQ(Recorder.Boxes.size(), 2u);
    EXPECT_EQ(Recorder.Boxes[1].Text, ErrorBoxText(QString::fromStdString(status)));
    EXPECT_EQ(Recorder.Boxes[1].Title, ApplicationTitle(QCoreApplication::applicationFilePath()));
    ASSERT_NE(Form->Graph, nullptr);
    EXPECT_EQ(Newest(), 0);

    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Button3->text(), StartCaption);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲时间:"));
}

}  // namespace
