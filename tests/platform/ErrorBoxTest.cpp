// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/ErrorBox.h"
#include "tests/platform/BoxRecorder.h"

namespace {

TEST(ErrorBoxRules, TitleIsTheFileNameUpToItsFirstDotWithTheRestLowerCase)
{
    EXPECT_EQ(ApplicationTitle("/usr/bin/Idlescope"), "Idlescope");
    EXPECT_EQ(ApplicationTitle("/opt/IDLESCOPE.exe"), "Idlescope");
    EXPECT_EQ(ApplicationTitle("/opt/idle.scope.exe"), "idle");
    EXPECT_EQ(ApplicationTitle("/opt/X"), "X");
    EXPECT_EQ(ApplicationTitle("/opt/.hidden"), "");
}

TEST(ErrorBoxRules, FullStopOnlyAfterACharacterThatSortsAfterTheDot)
{
    EXPECT_EQ(ErrorBoxText("C0000BB9"), "C0000BB9.");
    EXPECT_EQ(ErrorBoxText("Point value out of range (101)"), "Point value out of range (101)");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(ErrorBoxText("done."), "done.");
    EXPECT_EQ(ErrorBoxText("a-"), "a-");    // '-' sorts before '.'
    EXPECT_EQ(ErrorBoxText("a/"), "a/.");   // '/' sorts after it
    EXPECT_EQ(ErrorBoxText(QStringLiteral("磁盘")), QStringLiteral("磁盘."));
}

TEST(ErrorBox, OnlyOneBoxIsOpenAtATime)
{
    // While the box is open its event loop keeps running handlers; a lasting
    // failure raises again every time.
    TBoxRecorder recorder;
    int nested = 0;
    recorder.WhileOpen = [&] {
        if (nested++ < 3)
            HandleException(Exception("C0000BC6"));
    };
    HandleException(Exception("C0000BC6"));
    EXPECT_EQ(recorder.Boxes.size(), 1u);

    // Once it is closed, the next error shows a box again.
    recorder.WhileOpen = nullptr;
    HandleException(Exception("C0000BBC"));
    ASSERT_EQ(recorder.Boxes.size(), 2u);
    EXPECT_EQ(recorder.Boxes[1].Text, "C0000BBC.");
}

}  // namespace
