// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "platform/Pdh.h"

namespace {

// The counter path of this machine's first physical disk, or of its total;
// empty when the machine has no physical disk.
std::string IdlePathOnThisMachine(bool total)
{
    const std::vector<std::string> disks = ListInstances("PhysicalDisk");
    if (disks.empty())
        return {};
    return "\\PhysicalDisk(" + (total ? disks.back() : disks.front()) + ")\\% Idle Time";
}

// A query of its own, closed at the end of the benchmark.
class TQuery {
public:
    TQuery() { PdhOpenQuery(nullptr, 0, &FHandle); }
    ~TQuery() { PdhCloseQuery(FHandle); }
    TQuery(const TQuery&) = delete;
    TQuery& operator=(const TQuery&) = delete;

    PDH_HQUERY get() const { return FHandle; }

private:
    PDH_HQUERY FHandle = nullptr;
};

// Sleep returns at once until the end of the benchmark.
class TNoSleep {
public:
    TNoSleep()
    {
        PdhLinuxSource source;
        source.sleep = [](DWORD) {};
        PdhLinuxSetSource(std::move(source));
    }
    ~TNoSleep() { PdhLinuxSetSource(PdhLinuxSource{}); }
    TNoSleep(const TNoSleep&) = delete;
    TNoSleep& operator=(const TNoSleep&) = delete;
};

// One collection of a one-counter query on the real /proc/diskstats; the
// total also lists /sys/block.
void BM_CollectQueryData(benchmark::State& state, bool total)
{
    const std::string path = IdlePathOnThisMachine(total);
    if (path.empty()) {
        state.SkipWithError("this machine has no physical disk");
        return;
    }
    TQuery query;
    PDH_HCOUNTER counter = nullptr;
    if (PdhAddCounterA(query.get(), path.c_str(), 0, &counter) != ERROR_SUCCESS) {
        state.SkipWithError("cannot add the counter");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(PdhCollectQueryData(query.get()));
}
BENCHMARK_CAPTURE(BM_CollectQueryData, first_disk, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CollectQueryData, total, true)->Unit(benchmark::kMicrosecond);

// A whole ReadCounter of the first physical disk but its 100 ms wait: add,
// two collections, the formatted value, remove.
void BM_ReadCounterWithoutSleep(benchmark::State& state)
{
    const std::string path = IdlePathOnThisMachine(false);
    if (path.empty()) {
        state.SkipWithError("this machine has no physical disk");
        return;
    }
    TNoSleep noSleep;
    OpenCounterQuery();
    try {
        for (auto _ : state)
            benchmark::DoNotOptimize(ReadCounter(path));
    } catch (const Exception& error) {
        state.SkipWithError(error.what());
    }
    CloseCounterQuery();
}
BENCHMARK(BM_ReadCounterWithoutSleep)->Unit(benchmark::kMicrosecond);

}  // namespace
