// SPDX-License-Identifier: MIT
#include <string>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "platform/Application.h"
#include "platform/Error.h"
#include "platform/ErrorBox.h"
#include "tests/platform/BoxRecorder.h"

namespace {

// Raises an error from an event handler, through the event loop.
void FailInHandler(const std::string& message)
{
    QTimer::singleShot(0, [message] { throw Exception(message); });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

TEST(Application, ErrorLeavingAHandlerIsShownAndTheProgramGoesOn)
{
    TBoxRecorder recorder;
    FailInHandler("800007D1");
    ASSERT_EQ(recorder.Boxes.size(), 1u);
    EXPECT_EQ(recorder.Boxes[0].Text, "800007D1.");
    EXPECT_EQ(recorder.Boxes[0].Title, ApplicationTitle(QCoreApplication::applicationFilePath()));

    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST(Application, HandlerErrorIsShownAtTheHandlersEdge)
{
    TBoxRecorder recorder;
    bool after = false;
    RunHandler([] { throw ERangeError("Point value out of range (101)"); });
    RunHandler([&] { after = true; });
    ASSERT_EQ(recorder.Boxes.size(), 1u);
    EXPECT_EQ(recorder.Boxes[0].Text, "Point value out of range (101)");
    EXPECT_TRUE(after);
}

}  // namespace
