// SPDX-License-Identifier: MIT
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DisplayPlatform.h"

namespace {

TSessionEnvironment Session(std::string display, std::string waylandDisplay, std::string sessionType)
{
    TSessionEnvironment session;
    session.Display = std::move(display);
    session.WaylandDisplay = std::move(waylandDisplay);
    session.SessionType = std::move(sessionType);
    return session;
}

// A command line as the entry receives it, ending in a null pointer; valid
// while args lives.
std::vector<char*> Argv(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

// An X display gets xcb first with Wayland as its fallback, Wayland alone
// runs natively, and no display at all leaves Qt's own choice.
TEST(DisplayPlatform, XcbFirstWhereThereIsAnXDisplayElseWaylandElseQtsOwnChoice)
{
    const struct {
        const char* display;
        const char* wayland;
        const char* type;
        const char* chosen;
    } cases[] = {
        // A Wayland session with Xwayland, as Plasma and GNOME run it; plain X sessions.
        {":0", "wayland-0", "wayland", "xcb;wayland"}, {":1", "", "wayland", "xcb;wayland"},
        {":0", "", "x11", "xcb;wayland"}, {"localhost:10.0", "", "", "xcb;wayland"},
        // With no socket named, the Wayland client library tries wayland-0.
        {"", "wayland-0", "wayland", "wayland"}, {"", "wayland-0", "", "wayland"}, {"", "", "wayland", "wayland"},
        {"", "", "", ""}, {"", "", "tty", ""}, {"", "", "x11", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseQtPlatform(Session(c.display, c.wayland, c.type)), c.chosen)
            << "DISPLAY=" << c.display << " WAYLAND_DISPLAY=" << c.wayland << " XDG_SESSION_TYPE=" << c.type;
}

TEST(DisplayPlatform, TheUsersChoiceStands)
{
    for (const auto& session : {Session(":0", "wayland-0", "wayland"), Session("", "wayland-0", "wayland"),
                                Session("", "", "")}) {
        TSessionEnvironment chosen = session;
        chosen.QtPlatform = "wayland";
        EXPECT_EQ(ChooseQtPlatform(chosen), "");
        chosen.QtPlatform = "offscreen";
        EXPECT_EQ(ChooseQtPlatform(chosen), "");
        chosen.QtPlatform.clear();
        chosen.PlatformArgument = true;
        EXPECT_EQ(ChooseQtPlatform(chosen), "");
    }
}

TEST(DisplayPlatform, PlatformOptionNeedsAValueAfterIt)
{
    const auto has = [](std::vector<std::string> args) {
        return HasPlatformArgument(static_cast<int>(args.size()), Argv(args).data());
    };
    EXPECT_TRUE(has({"Idlescope", "-platform", "wayland"}));
    EXPECT_TRUE(has({"Idlescope", "--platform", "xcb"}));
    EXPECT_TRUE(has({"Idlescope", "-style", "fusion", "-platform", "xcb"}));
    EXPECT_FALSE(has({"Idlescope"}));
    EXPECT_FALSE(has({"Idlescope", "-platform"}));
    EXPECT_FALSE(has({"Idlescope", "-platformtheme", "gtk3"}));
    EXPECT_FALSE(has({"Idlescope", "platform", "xcb"}));
    // The program's own name is not an option.
    EXPECT_FALSE(has({"-platform", "x"}));
}

// The entry's real step: it reads this process's environment and sets the
// variable Qt reads.
class DisplayPlatformEnvironment : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : Names) {
            const char* value = std::getenv(name);
            Saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }

    void TearDown() override
    {
        for (std::size_t i = 0; i < Names.size(); ++i) {
            if (Saved[i])
                setenv(Names[i], Saved[i]->c_str(), 1);
            else
                unsetenv(Names[i]);
        }
    }

    static std::string Platform()
    {
        const char* value = std::getenv("QT_QPA_PLATFORM");
        return value ? value : "(unset)";
    }

    void Choose(std::vector<std::string> args = {"Idlescope"})
    {
        ChooseDisplayPlatform(static_cast<int>(args.size()), Argv(args).data());
    }

    const std::vector<const char*> Names = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY",
                                            "XDG_SESSION_TYPE"};
    std::vector<std::optional<std::string>> Saved;
};

TEST_F(DisplayPlatformEnvironment, SetsTheChoiceForQtAndKeepsTheUsers)
{
    setenv("DISPLAY", ":5", 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    Choose();
    EXPECT_EQ(Platform(), "xcb;wayland");

    setenv("QT_QPA_PLATFORM", "wayland", 1);
    Choose();
    EXPECT_EQ(Platform(), "wayland");

    unsetenv("QT_QPA_PLATFORM");
    Choose({"Idlescope", "-platform", "wayland"});
    EXPECT_EQ(Platform(), "(unset)");

    unsetenv("DISPLAY");
    Choose();
    EXPECT_EQ(Platform(), "wayland");

    // An empty variable is no choice.
    setenv("QT_QPA_PLATFORM", "", 1);
    setenv("DISPLAY", ":5", 1);
    Choose();
    EXPECT_EQ(Platform(), "xcb;wayland");

    // Nothing to choose from: Qt's own default stays.
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_SESSION_TYPE");
    Choose();
    EXPECT_EQ(Platform(), "(unset)");
}

}  // namespace
