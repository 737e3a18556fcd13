// SPDX-License-Identifier: MIT
// Starts the monitor, chooses the first disk (or the one named), starts
// monitoring through the window's own handlers, lets it sample for a while
// and saves a PNG of the window's client area. With --menu it then
// right-clicks the graph and saves the screen under the window with the line
// menu open over it.
//
//   idlescope-shot [--out FILE] [--seconds N] [--disk NAME] [--menu]

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "platform/DisplayPlatform.h"
#include "app/Unit1.h"
#include "graph/uHeartMachine.h"
#include "platform/Application.h"
#include "platform/ErrorBox.h"

namespace {

struct TOptions {
    QString out = QStringLiteral("idlescope.png");
    int seconds = 5;
    QString disk;
    bool menu = false;
};

bool ParseOptions(int argc, char** argv, TOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc)
            options.out = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--seconds" && i + 1 < argc)
            options.seconds = std::atoi(argv[++i]);
        else if (arg == "--disk" && i + 1 < argc)
            options.disk = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--menu")
            options.menu = true;
        else
            return false;
    }
    return options.seconds >= 0;
}

// What the X server shows of the window; a rendering of the widget where the
// platform cannot read the screen back.
QPixmap ClientArea(TForm1& form)
{
    QPixmap shot;
    if (QScreen* screen = form.screen())
        shot = screen->grabWindow(form.winId());
    if (shot.isNull() || shot.size() != form.size())
        shot = form.grab();
    return shot;
}

// The screen where the window is, popups included.
QPixmap ScreenUnder(TForm1& form)
{
    QScreen* screen = form.screen();
    const QRect place = form.frameGeometry();
    QPixmap shot;
    if (screen)
        shot = screen->grabWindow(0, place.x(), place.y(), place.width(), place.height());
    return shot.isNull() ? form.grab() : shot;
}

// A right-click on the graph, as the platform reports it.
void RightClick(QWidget* target, QPoint at)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QCoreApplication::sendEvent(target, &event);
}

bool Save(const QPixmap& shot, const TOptions& options, const QString& what)
{
    if (!shot.save(options.out, "PNG")) {
        std::fprintf(stderr, "idlescope-shot: cannot write %s\n", qPrintable(options.out));
        return false;
    }
    std::printf("%s (%dx%d) saved to %s\n", qPrintable(what), shot.width(), shot.height(),
                qPrintable(options.out));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--out FILE] [--seconds N] [--disk NAME] [--menu]\n", argv[0]);
        return 2;
    }

    // The display settings the program itself starts with.
    ChooseDisplayPlatform(argc, argv);
    TApplication application(argc, argv);
    // Nobody is there to close a box on a virtual screen: a box ends the run
    // with its text instead of waiting for a click that never comes.
    const TMessageBoxReplacement endOnBox([](const QString& text, const QString& title) {
        std::fprintf(stderr, "idlescope-shot: %s%s%s\n", qPrintable(title), title.isEmpty() ? "" : ": ",
                     qPrintable(text));
        std::fflush(stderr);
        std::_Exit(1);
    });
    TForm1 form;
    form.show();

    if (form.ComboBox1->count() == 0) {
        std::fprintf(stderr, "idlescope-shot: no physical disk to monitor\n");
        return 1;
    }
    form.ComboBox1->setCurrentIndex(options.disk.isEmpty() ? 0 : form.ComboBox1->findText(options.disk));
    if (form.ComboBox1->currentIndex() < 0) {
        std::fprintf(stderr, "idlescope-shot: no disk %s\n", qPrintable(options.disk));
        return 1;
    }
    form.Button3->click();

    int status = 0;
    const QString what = QStringLiteral("monitored %1 for %2 s; screenshot")
                             .arg(form.ComboBox1->currentText())
                             .arg(options.seconds);
    QTimer::singleShot(options.seconds * 1000, &form, [&] {
        if (!options.menu) {
            status = Save(ClientArea(form), options, what) ? 0 : 1;
            form.close();
            return;
        }
        if (!form.Graph) {
            std::fprintf(stderr, "idlescope-shot: monitoring did not start\n");
            status = 1;
            form.close();
            return;
        }
        RightClick(form.Graph, QPoint(300, 110));
        QTimer::singleShot(500, &form, [&] {
            status = Save(ScreenUnder(form), options, what + QStringLiteral(" with the line menu open"))
                         ? 0
                         : 1;
            form.Graph->LineMenu()->close();
            form.close();
        });
    });
    application.exec();
    return status;
}
