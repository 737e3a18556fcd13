// SPDX-License-Identifier: MIT
// The benchmarks' entry when the graph and the window are built: one
// QApplication on the stack for the whole run, on the offscreen platform
// unless the caller chose one, destroyed before Qt's own globals go.

#include <cstdlib>

#include <benchmark/benchmark.h>

#include <QApplication>

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
