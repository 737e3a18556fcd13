// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include "app/Unit1.h"
#include "graph/uHeartMachine.h"
#include "tests/platform/BoxRecorder.h"

// The real window, made in SetUp over whatever performance data the test's
// own SetUp prepared first (made-up disks, the stand-in pdh.dll, this
// machine's); message boxes are recorded instead of shown, those of the
// start-up apart from those the test causes. The same on every system.
class TForm1Test : public testing::Test {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TForm1>();
        StartUpBoxes = std::move(Recorder.Boxes);
        Recorder.Boxes.clear();
    }

    void TearDown() override
    {
        if (Form)
            Form->close();
        Form.reset();
    }

    void Choose(const QString& disk) { Form->ComboBox1->setCurrentIndex(Form->ComboBox1->findText(disk)); }

    // A click as the user makes it, on the button's left part (where a check
    // box has its mark): an error reaches the error box.
    static void Click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    // A timer event, through the timer's own connection; the box of a failing
    // tick opens once the tick has returned to the event loop.
    void Tick()
    {
        ASSERT_TRUE(QMetaObject::invokeMethod(Form->Timer1, "timeout"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }

    // The graph's newest sample, or the one so many ticks before it.
    int Newest(int back = 0) const { return Form->Graph->Values()[0][THeartMachine::HistoryLength - 1 - back]; }

    TBoxRecorder Recorder;
    std::vector<TBoxRecorder::TBox> StartUpBoxes;
    std::unique_ptr<TForm1> Form;
};
