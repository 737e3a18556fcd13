// SPDX-License-Identifier: MIT
#include "platform/Application.h"

#include <exception>

#include "platform/ChineseFace.h"
#include "platform/ErrorBox.h"

void RunHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        HandleException(error);
    }
}

void RunHandlerPosted(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        PostException(error);
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The boxes' Chinese texts too. Setting a font drops the toolkit's fonts
    // for particular widgets, so it is set only where it changes.
    const QFont font = WithChineseFace(QApplication::font());
    if (font != QApplication::font())
        setFont(font);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(error);
        return false;
    }
}
