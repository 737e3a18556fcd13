// SPDX-License-Identifier: MIT
#include "platform/Application.h"

#include <exception>

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

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(error);
        return false;
    }
}
