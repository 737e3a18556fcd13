// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// What the program's entry knows of the desktop session before Qt starts.
struct TSessionEnvironment {
    std::string QtPlatform;         // QT_QPA_PLATFORM
    bool PlatformArgument = false;  // "-platform NAME" on the command line
    std::string Display;            // DISPLAY: an X server, Xwayland included
    std::string WaylandDisplay;     // WAYLAND_DISPLAY
    std::string SessionType;        // XDG_SESSION_TYPE
};

// ChooseQtPlatform and HasPlatformArgument are built on Linux only.

// The Qt platform list for a Linux session, in Qt's "first;fallback" form, or
// empty to leave Qt's own choice alone:
// - the user chose a platform (QT_QPA_PLATFORM or -platform): that choice;
// - an X display is reachable: "xcb;wayland", since a compositor keeps an X
//   window above others and places it where asked (through Xwayland too),
//   while a native Wayland window can do neither; wayland where xcb cannot
//   start;
// - Wayland alone: "wayland", where the compositor decides stacking and
//   placement;
// - neither: empty.
std::string ChooseQtPlatform(const TSessionEnvironment& session);

// True when argv holds Qt's platform option ("-platform NAME", also spelt
// "--platform NAME").
bool HasPlatformArgument(int argc, char** argv);

// Makes the choice for this process from its environment and command line:
// sets QT_QPA_PLATFORM to ChooseQtPlatform's answer when it is not empty.
// Call once in the program's entry, before the application object exists.
// On Windows there is one platform and this does nothing.
void ChooseDisplayPlatform(int argc, char** argv);
