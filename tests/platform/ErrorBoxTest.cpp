#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "platform/Error.h"
#include "platform/ErrorBox.h"

namespace {

struct TBox {
    QString Text;
    QString Title;
};

// Records the boxes instead of showing them; restores the real box after.
class ErrorBox : public testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxFunction([this](const QString& text, const QString& title) {
            Boxes.push_back({text, title});
            if (WhileOpen)
                WhileOpen();
        });
    }
    void TearDown() override { SetMessageBoxFunction({}); }

    // Raises an error from an event handler, through the event loop.
    static void FailInHandler(const std::string& message)
    {
        QTimer::singleShot(0, [message] { throw Exception(message); });
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    std::vector<TBox> Boxes;
    std::function<void()> WhileOpen;
};

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

TEST_F(ErrorBox, ErrorLeavingAHandlerIsShownAndTheProgramGoesOn)
{
    FailInHandler("800007D1");
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "800007D1.");
    EXPECT_EQ(Boxes[0].Title, ApplicationTitle(QCoreApplication::applicationFilePath()));

    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ErrorBoxOpen());
}

TEST_F(ErrorBox, HandlerErrorIsShownAtTheHandlersEdge)
{
    bool after = false;
    RunHandler([] { throw ERangeError("Point value out of range (101)"); });
    RunHandler([&] { after = true; });
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Point value out of range (101)");
    EXPECT_TRUE(after);
}

TEST_F(ErrorBox, OnlyOneBoxIsOpenAtATime)
{
    // While the box is open its event loop keeps running handlers; a lasting
    // failure raises again every time.
    int nested = 0;
    WhileOpen = [&] {
        EXPECT_TRUE(ErrorBoxOpen());
        if (nested++ < 3)
            FailInHandler("C0000BC6");
    };
    FailInHandler("C0000BC6");
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_FALSE(ErrorBoxOpen());

    // Once it is closed, the next error shows a box again.
    WhileOpen = nullptr;
    FailInHandler("C0000BBC");
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, "C0000BBC.");
}

}  // namespace
