// SPDX-License-Identifier: MIT
#include <memory>

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include "platform/Application.h"

// One application for every widget test, on the offscreen platform unless the
// caller chose a display platform. Only Qt's portable calls here: the same
// main runs on Linux and, under Wine, on Windows.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform reads fonts from one folder on Windows (on Linux
    // it asks fontconfig): the system's fonts, unless the caller chose one.
    const QString windowsFolder = qEnvironmentVariable("WINDIR");
    if (!qEnvironmentVariableIsSet("QT_QPA_FONTDIR") && !windowsFolder.isEmpty())
        qputenv("QT_QPA_FONTDIR", QFile::encodeName(windowsFolder + QStringLiteral("/Fonts")));
    // A private runtime folder (owner only), removed when the tests end; Qt
    // on Linux wants one and warns about a shared default.
    std::unique_ptr<QTemporaryDir> runtime;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>();
        if (runtime->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    testing::InitGoogleTest(&argc, argv);
    TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
