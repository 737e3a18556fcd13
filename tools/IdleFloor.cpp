// SPDX-License-Identifier: MIT
// The job's floor in Qt: the least a Qt program does to show a disk's idle
// time once a second, against which scripts/measure weighs Idlescope. One
// window of Idlescope's size and font with one label, and a 1 s timer; each
// tick reads the disk's /sys/block/<disk>/stat twice, 100 ms apart, and
// shows 100 × (1 − Δio_ticks / Δt) in the label. Nothing is kept open,
// cached or drawn by hand.
//
//   idlescope-floor DISK [SECONDS]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace {

// The disk's io_ticks, the 10th field of its stat file; -1 when unreadable.
double IoTicks(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    std::istringstream fields(line);
    double value = -1;
    for (int field = 0; field < 10 && fields >> value; ++field) {
    }
    return fields ? value : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DISK [SECONDS]\n", argv[0]);
        return 2;
    }
    const std::string path = std::string("/sys/block/") + argv[1] + "/stat";
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(872, 311);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    window.setFont(font);
    QLabel label(QStringLiteral("空闲时间:"), &window);
    label.move(648, 24);

    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        using Clock = std::chrono::steady_clock;
        const double before = IoTicks(path);
        const Clock::time_point start = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const double after = IoTicks(path);
        const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double idle = 100 * (1 - (after - before) / elapsed);
        label.setText(QStringLiteral("空闲：") + QString::number(qBound(0.0, idle, 100.0), 'f', 2));
        label.adjustSize();
    });
    timer.start(1000);
    window.show();
    if (argc > 2)
        QTimer::singleShot(std::atoi(argv[2]) * 1000, &application, &QApplication::quit);
    return application.exec();
}
