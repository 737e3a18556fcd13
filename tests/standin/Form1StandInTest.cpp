// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QByteArray>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/Unit1.h"
#include "platform/ErrorBox.h"
#include "platform/Pdh.h"
#include "tests/app/Form1Fixture.h"
#include "tests/app/KeysAlone.h"
#include "tests/counters/CounterQueryFixture.h"
#include "tests/standin/StandIn.h"

// The whole window over the stand-in pdh.dll, in the model of English or
// Chinese Windows the environment chose: the disks are listed, "0 C:" is
// monitored, and the labels show the texts of its idle trace (97.54, 100.47
// formatted as 100, 62.5, 4.25, 0, 88.25, ...).

namespace {

class Form1StandIn : public TForm1Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StandIn.Unfit(), "");
        StandIn.Reset();
        TForm1Test::SetUp();
    }

    TStandIn StandIn;
};

TEST_F(Form1StandIn, ListsTheDisksAndMonitorsCThroughAFailingTick)
{
    // Listed as pdh.dll names them, each item keeping the name's bytes, with
    // nothing chosen.
    EXPECT_TRUE(StartUpBoxes.empty());
    ASSERT_EQ(Form->ComboBox1->count(), 3);
    const char* const disks[] = {"0 C:", "1 D: E:", "_Total"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(Form->ComboBox1->itemText(k), QString::fromLatin1(disks[k]));
        EXPECT_EQ(Form->ComboBox1->itemData(k).toByteArray(), QByteArray(disks[k]));
    }
    EXPECT_EQ(Form->ComboBox1->currentIndex(), -1);

    Choose(QStringLiteral("0 C:"));
    Click(Form->Button3);
    ASSERT_TRUE(Recorder.Boxes.empty());
    EXPECT_EQ(Form->Button3->text(), StopCaption);
    EXPECT_EQ(Newest(), 98);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：97.54"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：97.54"));
    EXPECT_EQ(Form->L9->text(), QStringLiteral("低于90:"));

    for (int k = 0; k < 4; ++k)
        Tick();
    ASSERT_TRUE(Recorder.Boxes.empty());
    // 97.54, 100 (capped), 62.5 and 4.25 (ties and the rest rounded), 0.
    EXPECT_EQ(Newest(4), 98);
    EXPECT_EQ(Newest(3), 100);
    EXPECT_EQ(Newest(2), 62);
    EXPECT_EQ(Newest(1), 4);
    EXPECT_EQ(Newest(), 0);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：0.00"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：52.86"));
    EXPECT_EQ(Form->L7->text(), QStringLiteral("小于70:1"));
    EXPECT_EQ(Form->L05->text(), QStringLiteral("小于5:1"));
    EXPECT_EQ(Form->L0->text(), QStringLiteral("等于0:1"));
    EXPECT_EQ(Form->L9->text(), QStringLiteral("低于90:"));

    // A tick whose second collection fails, as disk counters do now and
    // then, shows one box and keeps the last sample; the next tick samples.
    StandIn.Fail("PdhCollectQueryData", 2, PDH_CALC_NEGATIVE_DENOMINATOR);
    const TLeftovers left = LeftoversOf([&] {
        Tick();
        ASSERT_EQ(Recorder.Boxes.size(), 1u);
        EXPECT_EQ(Recorder.Boxes[0].Text, "800007D6.");
        EXPECT_EQ(Recorder.Boxes[0].Title, ApplicationTitle(QCoreApplication::applicationFilePath()));
        EXPECT_EQ(Newest(), 0);
        EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：0.00"));
        EXPECT_TRUE(Form->Timer1->isActive());
        Tick();
    });
    EXPECT_EQ(left.live, 0);
    EXPECT_EQ(Recorder.Boxes.size(), 1u);
    EXPECT_EQ(Newest(), 88);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：88.25"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：58.76"));
    EXPECT_EQ(Form->L9->text(), QStringLiteral("小于90:1"));
    EXPECT_TRUE(Form->Timer1->isActive());
}

TEST_F(Form1StandIn, UsableWithKeysAloneAndReadByScreenReaders)
{
    UseWithKeysAlone(*Form);
    EXPECT_TRUE(Recorder.Boxes.empty());
}

}  // namespace
