// SPDX-License-Identifier: MIT
#pragma once

#include <exception>
#include <functional>

#include <QString>

// The application title: the executable's file name up to its first ".",
// every character after the first in lower case ("Idlescope.exe" gives
// "Idlescope", "IDLE.SCOPE.EXE" gives "Idle").
QString ApplicationTitle(const QString& executablePath);

// The error box's text for an error message: the message, with a full stop
// appended when it is not empty and its last character sorts after "."
// ("800007D1" gets one, "Point value out of range (101)" does not).
QString ErrorBoxText(const QString& message);

// The platform's modal message box with the error icon and one OK button.
// Returns when the user has closed it.
void ShowMessageBox(const QString& text, const QString& title);

// What shows a message box in place of the platform's (tests record the
// boxes instead of showing them; tools end on one).
using TMessageBoxFunction = std::function<void(const QString& text, const QString& title)>;

// Replaces the message box while it lives and puts the previous replacement
// back when it goes, also when a failed test assertion leaves the scope
// early: a recorder cannot outlive what it records into. The only way to
// replace the box.
class TMessageBoxReplacement {
public:
    explicit TMessageBoxReplacement(TMessageBoxFunction function);
    ~TMessageBoxReplacement();
    TMessageBoxReplacement(const TMessageBoxReplacement&) = delete;
    TMessageBoxReplacement& operator=(const TMessageBoxReplacement&) = delete;

private:
    TMessageBoxFunction FPrevious;
};

// Shows an error that left an event handler: the error box titled with the
// application title. While one error box is open, further errors are not
// shown (a lasting failure would otherwise stack a box per timer tick, each
// in a nested event loop, until the program died); the handlers that raised
// them have ended all the same.
void HandleException(const std::exception& error);

// Shows an error that left an event handler as HandleException does, but
// from its own event, once the handler has returned to the event loop: the
// handler's source is then free to deliver its next event while the box is
// open (a timer does not fire again while its own handler still runs). Until
// that box has been closed, further errors are not shown either.
void PostException(const std::exception& error);
