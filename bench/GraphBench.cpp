// SPDX-License-Identifier: MIT
// The cost of one sample on the monitor's graph: AddPoint with its redraw on
// a 603 × 222 graph with 50 columns, shown on the offscreen platform so the
// push to the screen counts. Every line is jagged, so every column changes at
// every sample: the graph's worst case.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include "graph/uHeartMachine.h"

namespace {

void BM_AddPointFullRedraw(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    QWidget panel;
    panel.resize(603, 222);
    auto* graph = new THeartMachine(&panel);
    graph->SetHGridCount(20);
    graph->SetHTickCount(50);
    graph->SetMax(100);
    graph->SetMin(0);
    panel.show();
    QApplication::processEvents();
    // Fill every line's history with a jagged signal, the worst case for the
    // line drawing.
    for (int i = 0; i < THeartMachine::HistoryLength; ++i)
        for (int line = 0; line < lines; ++line)
            graph->AddPoint(line, (i * 37 + line * 11) % 101, QString());

    int i = 0;
    for (auto _ : state) {
        graph->AddPoint(0, (i * 37) % 101, QString());
        ++i;
    }
    state.counters["lines"] = lines;
}
BENCHMARK(BM_AddPointFullRedraw)->Arg(1)->Arg(17)->Unit(benchmark::kMicrosecond);

}  // namespace
