// SPDX-License-Identifier: MIT
// The cost of reading "_Total" on machines with many disks: a whole
// ReadCounter but its 100 ms wait, over a made-up <proc>/diskstats and
// <sys>/block with 1, 1,000 and 10,000 physical disks (each with two
// partitions, as real disks have, and a loop device per ten disks).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "tests/platform/DiskFixture.h"

namespace {

// Fills the fixture's made-up machine with the disks, their partitions and a
// loop device per ten disks, written in one go.
void AddDisks(TDiskFixture& fx, int disks)
{
    std::string text;
    for (int i = 0; i < disks; ++i) {
        const std::string name = "sd" + std::to_string(i);
        std::filesystem::create_directories(fx.SysRoot() / "block" / name / "device");
        text += "   8 " + std::to_string(i) + " " + name + " 4108 19 268154 1350 2093 1507 97960 1983 3 " +
                std::to_string(1000 + i) + " 2007 0 0 0 0 36 54\n";
        for (int part = 1; part <= 2; ++part)
            text += "   8 " + std::to_string(i) + " " + name + "p" + std::to_string(part) +
                    " 4108 19 268154 1350 2093 1507 97960 1983 3 500 1007 0 0 0 0 36 54\n";
        if (i % 10 == 0) {
            const std::string loop = "loop" + std::to_string(i / 10);
            std::filesystem::create_directories(fx.SysRoot() / "block" / loop);
            text += "   7 " + std::to_string(i / 10) + " " + loop + " 1 0 2 0 0 0 0 0 0 7 0 0 0 0 0 0 0\n";
        }
    }
    fx.WriteDiskstatsText(text);
}

void BM_ReadTotalWithoutSleep(benchmark::State& state)
{
    const int disks = static_cast<int>(state.range(0));
    TDiskFixture machine;
    AddDisks(machine, disks);
    OpenCounterQuery();
    try {
        for (auto _ : state)
            benchmark::DoNotOptimize(ReadCounter("\\PhysicalDisk(_Total)\\% Idle Time"));
    } catch (const Exception& error) {
        state.SkipWithError(error.what());
    }
    CloseCounterQuery();
    state.counters["disks"] = disks;
}
BENCHMARK(BM_ReadTotalWithoutSleep)->Arg(1)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
