// SPDX-License-Identifier: MIT
#include "platform/ErrorBox.h"

#include <utility>

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>

namespace {

TMessageBoxFunction MessageBoxReplacement;
bool BoxOpen = false;
bool BoxPosted = false;

// True while an error box is open or posted.
bool ErrorBoxOpen()
{
    return BoxOpen || BoxPosted;
}

void ShowErrorBox(const QString& text)
{
    struct TOpenFlag {
        TOpenFlag() { BoxOpen = true; }
        ~TOpenFlag() { BoxOpen = false; }
    } open;
    ShowMessageBox(text, ApplicationTitle(QCoreApplication::applicationFilePath()));
}

}  // namespace

QString ApplicationTitle(const QString& executablePath)
{
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowMessageBox(const QString& text, const QString& title)
{
    if (MessageBoxReplacement) {
        MessageBoxReplacement(text, title);
        return;
    }
    // A box shown while no other window is visible (an error during start-up)
    // must not end the program when it closes.
    const bool quitOnClose = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnClose);
}

TMessageBoxReplacement::TMessageBoxReplacement(TMessageBoxFunction function)
    : FPrevious(std::exchange(MessageBoxReplacement, std::move(function)))
{
}

TMessageBoxReplacement::~TMessageBoxReplacement()
{
    MessageBoxReplacement = std::move(FPrevious);
}

void HandleException(const std::exception& error)
{
    if (ErrorBoxOpen())
        return;
    ShowErrorBox(ErrorBoxText(QString::fromUtf8(error.what())));
}

void PostException(const std::exception& error)
{
    if (ErrorBoxOpen())
        return;
    BoxPosted = true;
    const QString text = ErrorBoxText(QString::fromUtf8(error.what()));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [text] {
            BoxPosted = false;
            ShowErrorBox(text);
        },
        Qt::QueuedConnection);
}
