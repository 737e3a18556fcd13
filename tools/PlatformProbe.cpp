// SPDX-License-Identifier: MIT
// Starts the monitor window the way the program's entry does and reports on
// standard output what the platform made of it, for the desktop-session
// checks:
//
//   platform NAME        Qt's platform plugin, once the window is exposed
//   window 0xID          the native window
//   screen X Y W H       the available geometry of the window's screen
//
// Commands on standard input, one a line: "tick" clicks CheckBox1 as the user
// would and reports the window again once the new native window is exposed.
// The probe ends when its standard input closes.
//
//   idlescope-probe

#include <cstdio>
#include <string>

#include <unistd.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include "platform/DisplayPlatform.h"
#include "app/Unit1.h"
#include "platform/Application.h"
#include "platform/ErrorBox.h"

namespace {

void Report(const char* format, auto... values)
{
    std::printf(format, values...);
    std::printf("\n");
    std::fflush(stdout);
}

// Reports the window once the platform has exposed it.
void ReportWhenExposed(TForm1& form)
{
    auto* poll = new QTimer(&form);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, &form, [&form, poll] {
        const QWindow* window = form.windowHandle();
        if (!window || !window->isExposed())
            return;
        poll->deleteLater();
        Report("platform %s", qPrintable(QGuiApplication::platformName()));
        Report("window 0x%llx", static_cast<unsigned long long>(window->winId()));
        if (const QScreen* screen = form.screen()) {
            const QRect available = screen->availableGeometry();
            Report("screen %d %d %d %d", available.x(), available.y(), available.width(),
                   available.height());
        }
    });
    poll->start();
}

}  // namespace

int main(int argc, char** argv)
{
    ChooseDisplayPlatform(argc, argv);
    TApplication application(argc, argv);
    // Nobody is there to close a box: a box ends the run with its text.
    const TMessageBoxReplacement endOnBox([](const QString& text, const QString&) {
        std::fprintf(stderr, "idlescope-probe: %s\n", qPrintable(text));
        std::fflush(stderr);
        std::_Exit(1);
    });
    TForm1 form;
    form.show();
    ReportWhenExposed(form);

    std::string line;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &form, [&] {
        char buffer[256];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false);
            form.close();
            return;
        }
        line.append(buffer, static_cast<std::size_t>(count));
        for (std::size_t end; (end = line.find('\n')) != std::string::npos; line.erase(0, end + 1)) {
            if (line.compare(0, end, "tick") == 0) {
                form.CheckBox1->click();
                ReportWhenExposed(form);
            } else {
                Report("%s", "unknown command");
            }
        }
    });
    return application.exec();
}
