// SPDX-License-Identifier: MIT
// One sampling tick of the monitor window as one figure: the read of a disk's
// idle time minus its 100 ms wait, AddPoint with the graph's full redraw
// shown on screen, and the labels with their repaint. The window is the real
// TForm1, shown on the offscreen platform, over a made-up disk whose busy
// time moves during each read's (skipped) wait.

#include <cstdint>
#include <memory>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include "app/Unit1.h"
#include "platform/Application.h"
#include "platform/Error.h"
#include "platform/ErrorBox.h"
#include "tests/platform/DiskFixture.h"

namespace {

// busy: each read sees a different busy time, so the graph's line is jagged
// and every label changes, as on a disk at work. Quiet: the disk stays idle,
// the sample stays 100 and the labels keep their texts.
void BM_Tick(benchmark::State& state, bool busy)
{
    TDiskFixture disks;
    disks.AddDisk("sda", true, 0);

    QString error;
    {
        const TMessageBoxReplacement recordError([&](const QString& text, const QString&) { error = text; });
        TForm1 form;
        form.show();
        QApplication::processEvents();
        form.ComboBox1->setCurrentIndex(0);
        RunHandler([&] { form.Button3Click(); });
        // The benchmark is the timer: its own must not fire in between.
        form.Timer1->stop();
        QApplication::processEvents();
        std::uint32_t read = 0;
        if (busy) {
            // Writing the made-up statistics is the disk's work, not the tick's.
            disks.OnSleep([&] {
                state.PauseTiming();
                disks.AddIoTicks("sda", (read++ * 37) % 60);
                state.ResumeTiming();
            });
        }
        if (error.isEmpty()) {
            try {
                for (auto _ : state) {
                    form.Timer1Timer();
                    // The labels' repaint, which the event loop would run next.
                    QCoreApplication::sendPostedEvents();
                }
            } catch (const Exception& failure) {
                error = QString::fromStdString(failure.Message());
            }
        }
        form.close();
    }
    if (!error.isEmpty())
        state.SkipWithError(error.toStdString().c_str());
}
BENCHMARK_CAPTURE(BM_Tick, busy_disk, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Tick, quiet_disk, false)->Unit(benchmark::kMicrosecond);

}  // namespace
