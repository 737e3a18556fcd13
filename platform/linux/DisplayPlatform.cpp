// SPDX-License-Identifier: MIT
#include "platform/DisplayPlatform.h"

#include <cstdlib>
#include <cstring>

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string ChooseQtPlatform(const TSessionEnvironment& session)
{
    // Qt reads an empty QT_QPA_PLATFORM as unset, and its -platform option
    // wins over the variable.
    if (session.PlatformArgument || !session.QtPlatform.empty())
        return {};
    if (!session.Display.empty())
        return "xcb;wayland";
    if (!session.WaylandDisplay.empty() || session.SessionType == "wayland")
        return "wayland";
    return {};
}

bool HasPlatformArgument(int argc, char** argv)
{
    // Qt takes the option only with a value after it.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

void ChooseDisplayPlatform(int argc, char** argv)
{
    TSessionEnvironment session;
    session.QtPlatform = Environment("QT_QPA_PLATFORM");
    session.PlatformArgument = HasPlatformArgument(argc, argv);
    session.Display = Environment("DISPLAY");
    session.WaylandDisplay = Environment("WAYLAND_DISPLAY");
    session.SessionType = Environment("XDG_SESSION_TYPE");
    const std::string platform = ChooseQtPlatform(session);
    // The application object reads the variables when it is constructed.
    if (!platform.empty())
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
}
