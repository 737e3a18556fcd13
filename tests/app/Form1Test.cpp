// SPDX-License-Identifier: MIT
#include <filesystem>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Unit1.h"
#include "counters/CounterQuery.h"
#include "graph/uHeartMachine.h"
#include "platform/Error.h"
#include "platform/ErrorBox.h"
#include "tests/app/Form1Fixture.h"
#include "tests/app/KeysAlone.h"
#include "tests/counters/CounterQueryFixture.h"
#include "tests/platform/DiskFixture.h"
#include "tests/platform/ShownPixels.h"

namespace {

// The real window over a made-up machine: two physical disks and a loop
// device.
class Form1 : public TForm1Test {
protected:
    void SetUp() override
    {
        Disks.AddDisk("sda", true, 1000);
        Disks.AddDisk("loop0", false, 0);
        Disks.AddDisk("sdb", true, 5000);
        TForm1Test::SetUp();
    }

    // Each read of sda sees busyMs of I/O over elapsedMs.
    void BusyDuringRead(std::uint32_t busyMs, int elapsedMs = 100)
    {
        Disks.OnSleep([this, busyMs, elapsedMs] {
            Disks.AddIoTicks("sda", busyMs);
            Disks.AdvanceClockMs(elapsedMs - 100);
        });
    }

    // Chooses sda and starts monitoring it with a click, each read seeing
    // busyMs of I/O over elapsedMs.
    void StartSda(std::uint32_t busyMs, int elapsedMs = 100)
    {
        Choose("sda");
        BusyDuringRead(busyMs, elapsedMs);
        Click(Form->Button3);
    }

    TDiskFixture Disks;
};

TEST_F(Form1, DiskListHoldsThePhysicalDisksWithNothingChosen)
{
    ASSERT_EQ(Form->ComboBox1->count(), 3);
    EXPECT_EQ(Form->ComboBox1->itemText(0), "sda");
    EXPECT_EQ(Form->ComboBox1->itemText(1), "sdb");
    EXPECT_EQ(Form->ComboBox1->itemText(2), "_Total");
    EXPECT_EQ(Form->ComboBox1->currentIndex(), -1);
    EXPECT_TRUE(StartUpBoxes.empty());
}

TEST_F(Form1, StartStopStart)
{
    StartSda(30);
    ASSERT_TRUE(Recorder.Boxes.empty());
    ASSERT_NE(Form->Graph, nullptr);
    EXPECT_EQ(Form->Graph->parentWidget(), Form->Panel1);
    EXPECT_EQ(Form->Graph->geometry(), QRect(0, 0, 603, 222));
    EXPECT_EQ(Form->Graph->HGridCount(), 20);
    EXPECT_EQ(Form->Graph->HTickCount(), 50);
    EXPECT_EQ(Form->Graph->Min(), 0);
    EXPECT_EQ(Form->Graph->Max(), 100);
    EXPECT_EQ(Newest(), 70);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：70.00"));
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Button3->text(), StopCaption);

    BusyDuringRead(0);
    Tick();
    EXPECT_EQ(Newest(), 100);
    EXPECT_EQ(Form->Graph->Values()[0][98], 70);

    // Stop keeps the graph and every label.
    const THeartMachine* first = Form->Graph;
    Click(Form->Button3);
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Button3->text(), StartCaption);
    EXPECT_EQ(Form->Graph, first);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：100.00"));

    // Changing the list while stopped takes effect at the next start, which
    // shows a fresh graph.
    Choose("sdb");
    Click(Form->Button3);
    ASSERT_TRUE(Recorder.Boxes.empty());
    EXPECT_EQ(Form->DiskName, "sdb");
    for (int k = 0; k < THeartMachine::HistoryLength - 1; ++k)
        ASSERT_EQ(Form->Graph->Values()[0][k], 0);
    EXPECT_EQ(Newest(), 100);
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Button3->text(), StopCaption);
}

TEST_F(Form1, FailingTickEndsThereCountsNothingAndTheNextOneTriesAgain)
{
    StartSda(50);
    ASSERT_TRUE(Recorder.Boxes.empty());
    EXPECT_EQ(Form->L5->text(), QStringLiteral("小于50:1"));

    // The disk vanishes during the read: the graph, the labels and the
    // statistics keep the last sample.
    Disks.OnSleep([this] { Disks.RemoveDisk("sda"); });
    Tick();
    ASSERT_EQ(Recorder.Boxes.size(), 1u);
    EXPECT_EQ(Recorder.Boxes[0].Text, "C0000BC6.");
    EXPECT_EQ(Newest(), 50);
    EXPECT_EQ(Newest(1), 0);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：50.00"));
    EXPECT_EQ(Form->Stats.Count(6), 1);
    EXPECT_EQ(Form->Stats.WindowCount(), 1);
    EXPECT_EQ(Form->L5->text(), QStringLiteral("小于50:1"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：50.00"));
    EXPECT_TRUE(Form->Timer1->isActive());

    Disks.OnSleep({});
    Tick();
    EXPECT_EQ(Recorder.Boxes.size(), 2u);
    EXPECT_EQ(Recorder.Boxes[1].Text, "800007D1.");

    Disks.AddDisk("sda", true, 0);
    BusyDuringRead(20);
    Tick();
    EXPECT_EQ(Recorder.Boxes.size(), 2u);
    EXPECT_EQ(Newest(), 80);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：80.00"));
}

TEST_F(Form1, TimerKeepsSamplingWhileAnErrorBoxIsOpen)
{
    StartSda(10);
    ASSERT_TRUE(Recorder.Boxes.empty());
    Form->Timer1->setInterval(5);
    int timeouts = 0;
    QObject::connect(Form->Timer1, &QTimer::timeout, [&] { ++timeouts; });

    // The box waits in an event loop of its own, as the real one does, while
    // the disk is gone for two ticks and then back.
    bool sampledWhileOpen = false;
    bool closed = false;
    Recorder.WhileOpen = [&] {
        const int opened = timeouts;
        EXPECT_TRUE(QTest::qWaitFor([&] { return timeouts >= opened + 2; }, 10000))
            << "no timer event arrived while the box was open";
        Disks.AddDisk("sda", true, 0);
        BusyDuringRead(20);
        sampledWhileOpen = QTest::qWaitFor([&] { return Newest() == 80; }, 10000);
        closed = true;
    };
    Disks.RemoveDisk("sda");
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 30000));
    EXPECT_TRUE(sampledWhileOpen);
    // Failing ticks while the box was open added no box of their own.
    ASSERT_EQ(Recorder.Boxes.size(), 1u);
    EXPECT_EQ(Recorder.Boxes[0].Text, "800007D1.");
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：80.00"));
    EXPECT_TRUE(Form->Timer1->isActive());
}

TEST_F(Form1, NameThatIsNotUtf8IsShownReadablyAndMonitoredByItsBytes)
{
    const std::string name = "sd\xff\xc3\xa9";   // a stray byte, then "é"
    Disks.AddDisk(name, true, 100);
    Form->FillDiskList("PhysicalDisk");
    const int item = Form->ComboBox1->findData(QByteArray::fromStdString(name));
    ASSERT_GE(item, 0);
    EXPECT_EQ(Form->ComboBox1->itemText(item), QStringLiteral("sd\\xFF\u00e9"));
    Form->ComboBox1->setCurrentIndex(item);
    Disks.OnSleep([&] { Disks.AddIoTicks(name, 25); });
    Click(Form->Button3);
    ASSERT_TRUE(Recorder.Boxes.empty()) << Recorder.Boxes.front().Text.toStdString();
    EXPECT_EQ(Form->DiskName, name);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：75.00"));
}

TEST_F(Form1, TickCountsTheSampleAndShowsTheAverage)
{
    StartSda(30);   // 70
    BusyDuringRead(25);
    Tick();                 // 75
    Tick();                 // 75
    BusyDuringRead(5);
    Tick();                 // 95: no band
    EXPECT_EQ(Form->L7->text(), QStringLiteral("小于70:1"));
    EXPECT_EQ(Form->L8->text(), QStringLiteral("小于80:2"));
    EXPECT_EQ(Form->L9->text(), QStringLiteral("低于90:"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：78.75"));

    // Stop zeroes the counters and leaves every label as it is.
    Click(Form->Button3);
    EXPECT_EQ(Form->L8->text(), QStringLiteral("小于80:2"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：78.75"));
    for (int band = 0; band < TIdleStats::BandCount; ++band)
        EXPECT_EQ(Form->Stats.Count(band), 0);

    // The next run counts from 1; the average still holds the first run's samples.
    BusyDuringRead(25);
    Click(Form->Button3);   // 75
    EXPECT_EQ(Form->L8->text(), QStringLiteral("小于80:1"));
    EXPECT_EQ(Form->L7->text(), QStringLiteral("小于70:1"));
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：78.00"));
}

TEST_F(Form1, GraphRoundsHalfToEvenWhileTheLabelKeepsTheSample)
{
    StartSda(5, 200);
    EXPECT_EQ(Newest(), 98);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：97.50"));
    BusyDuringRead(7, 200);
    Tick();
    EXPECT_EQ(Newest(), 96);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：96.50"));
    BusyDuringRead(1, 8);
    Tick();
    EXPECT_EQ(Newest(), 88);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：87.50"));
    // The statistics get the unrounded samples (the rounded ones average 94.00).
    EXPECT_EQ(Form->Label3->text(), QStringLiteral("平均空闲：93.83"));

    // The locale's decimal separator, without grouping.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    BusyDuringRead(3, 200);
    Tick();
    QLocale::setDefault(before);
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：98,50"));
}

// Labels that grow and shrink from tick to tick leave nothing of their old
// texts: what the window shows is what it shows drawn afresh. The scaled
// runs check it at 125, 150 and 200 %, where a label's edge falls inside a
// device pixel.
TEST_F(Form1, LabelsThatGrowAndShrinkLeaveNoStalePixels)
{
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    StartSda(0);                // 100.00, the longest texts
    BusyDuringRead(95);
    for (int i = 0; i < 12; ++i)
        Tick();                 // 5.00: shorter; a band count of two digits
    EXPECT_EQ(Form->Label1->text(), QStringLiteral("空闲：5.00"));
    QCoreApplication::processEvents();
    // All of the window's device pixels: offscreen, the backing store is an
    // image (a grab gives only as many as the window has logical pixels).
    QPaintDevice* shown = Form->backingStore()->paintDevice();
    ASSERT_EQ(shown->devType(), QInternal::Image);
    EXPECT_EQ(Difference(static_cast<QImage*>(shown)->convertToFormat(QImage::Format_RGB32),
                         Form->grab().toImage().convertToFormat(QImage::Format_RGB32)),
              "");
}

TEST_F(Form1, StayOnTopKeepsPlaceAndMonitoring)
{
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    StartSda(40);
    const QRect place = Form->geometry();

    // With the lines erased, only a repaint from the samples can bring them back.
    Form->Graph->SetHGridCount(20);
    ASSERT_NE(Form->Graph->Surface().pixel(600, Form->Graph->ValueToY(60)), qRgb(0xFF, 0, 0));
    Click(Form->CheckBox1);
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->geometry(), place);
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Button3->text(), StopCaption);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Form->Graph->Surface().pixel(600, Form->Graph->ValueToY(60)) == qRgb(0xFF, 0, 0); }));

    Click(Form->CheckBox1);
    EXPECT_FALSE(Form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->geometry(), place);
    EXPECT_TRUE(Recorder.Boxes.empty());
}

TEST_F(Form1, CloseWhileRunningStopsSampling)
{
    Choose("sda");
    Click(Form->Button3);
    ASSERT_TRUE(Form->Timer1->isActive());
    Form->close();
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Graph, nullptr);
    // The query is closed: a read now fails rather than measuring.
    EXPECT_EQ(ReadFailure(IdlePath("sda")), "C0000BBC");
}

// Without disks the list is empty and the start-up shows nothing; without
// a readable disk folder it shows the status and the window opens all the
// same, with a query that was never opened.
TEST(Form1Start, WithoutDisksTheListIsEmptyAndAFailingStartUpIsShown)
{
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "no disks" : "no disk folder");
        TDiskFixture disks;
        if (!folder)
            std::filesystem::remove_all(disks.SysRoot() / "block");
        TBoxRecorder recorder;
        TForm1 form;
        EXPECT_EQ(form.ComboBox1->count(), 0);
        if (folder) {
            EXPECT_TRUE(recorder.Boxes.empty());
        } else {
            ASSERT_EQ(recorder.Boxes.size(), 1u);
            EXPECT_EQ(recorder.Boxes[0].Text, "C0000BB8.");
            form.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
            EXPECT_EQ(ReadFailure(IdlePath("sda")), "C0000BBC");
        }
        form.close();
    }
}

TEST_F(Form1, UsableWithKeysAloneAndReadByScreenReaders)
{
    UseWithKeysAlone(*Form);
    EXPECT_TRUE(Recorder.Boxes.empty());
}

}  // namespace
