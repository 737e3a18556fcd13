// Starts the monitor, chooses the first disk, starts monitoring through the
// window's own handlers, lets it sample for a while and saves a PNG of the
// window's client area.
//
//   idlescope-shot [--out FILE] [--seconds N]

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QComboBox>
#include <QGuiApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/Unit1.h"
#include "platform/ErrorBox.h"

namespace {

struct TOptions {
    QString out = QStringLiteral("idlescope.png");
    int seconds = 5;
};

bool ParseOptions(int argc, char** argv, TOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc)
            options.out = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--seconds" && i + 1 < argc)
            options.seconds = std::atoi(argv[++i]);
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

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--out FILE] [--seconds N]\n", argv[0]);
        return 2;
    }

    TApplication application(argc, argv);
    TForm1 form;
    form.show();

    if (form.ComboBox1->count() == 0) {
        std::fprintf(stderr, "idlescope-shot: no physical disk to monitor\n");
        return 1;
    }
    form.ComboBox1->setCurrentIndex(0);
    form.Button3->click();

    int status = 0;
    QTimer::singleShot(options.seconds * 1000, &form, [&] {
        const QPixmap shot = ClientArea(form);
        if (!shot.save(options.out, "PNG")) {
            std::fprintf(stderr, "idlescope-shot: cannot write %s\n", qPrintable(options.out));
            status = 1;
        } else {
            std::printf("monitored %s for %d s; screenshot (%dx%d) saved to %s\n",
                        qPrintable(form.ComboBox1->currentText()), options.seconds, shot.width(),
                        shot.height(), qPrintable(options.out));
        }
        form.close();
    });
    application.exec();
    return status;
}
