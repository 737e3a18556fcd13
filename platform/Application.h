// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include <QApplication>

// Running the program's event handlers. An exception leaving a handler is
// shown in the error box (platform/ErrorBox.h), and the program goes on
// with the next event.

// Runs an event handler; an exception leaving it is shown by HandleException
// right here, at the handler's edge. Qt's GUI libraries are built without
// exception support: an exception unwinding through their frames would skip
// their clean-up, so it must not get that far.
void RunHandler(const std::function<void()>& handler);

// Runs an event handler; an exception leaving it is caught at the handler's
// edge and shown by PostException.
void RunHandlerPosted(const std::function<void()>& handler);

// A slot that runs the object's handler through RunHandler.
template <typename TObject>
auto Handler(TObject* object, void (TObject::*method)())
{
    return [object, method] { RunHandler([object, method] { (object->*method)(); }); };
}

// A slot that runs the object's handler through RunHandlerPosted: for a
// timer, which must keep firing while the box of its last failure is open.
template <typename TObject>
auto PostedHandler(TObject* object, void (TObject::*method)())
{
    return [object, method] { RunHandlerPosted([object, method] { (object->*method)(); }); };
}

// The application: an exception that leaves any event handler not run through
// RunHandler is caught at the top of the event loop and shown by
// HandleException; then the program goes on with the next event.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
