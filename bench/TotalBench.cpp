// The cost of reading "_Total" on machines with many disks: a whole
// ReadCounter but its 100 ms wait, over a made-up <proc>/diskstats and
// <sys>/block with 1, 1,000 and 10,000 physical disks (each with two
// partitions, as real disks have, and a loop device per ten disks).

#include <stdlib.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "counters/CounterQuery.h"
#include "platform/Error.h"
#include "platform/Pdh.h"

namespace {

// A made-up machine in a temporary folder; the layer reads from it while the
// object lives, with a clock that moves 100 ms per Sleep.
class TFakeMachine {
public:
    explicit TFakeMachine(int disks)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "idlescope-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a folder from " + pattern);
        FRoot = pattern;
        std::filesystem::create_directories(FRoot / "proc");
        std::string text;
        for (int i = 0; i < disks; ++i) {
            const std::string name = "sd" + std::to_string(i);
            std::filesystem::create_directories(FRoot / "sys" / "block" / name / "device");
            text += "   8 " + std::to_string(i) + " " + name +
                    " 4108 19 268154 1350 2093 1507 97960 1983 3 " + std::to_string(1000 + i) +
                    " 2007 0 0 0 0 36 54\n";
            for (int part = 1; part <= 2; ++part)
                text += "   8 " + std::to_string(i) + " " + name + "p" + std::to_string(part) +
                        " 4108 19 268154 1350 2093 1507 97960 1983 3 500 1007 0 0 0 0 36 54\n";
            if (i % 10 == 0) {
                const std::string loop = "loop" + std::to_string(i / 10);
                std::filesystem::create_directories(FRoot / "sys" / "block" / loop);
                text += "   7 " + std::to_string(i / 10) + " " + loop +
                        " 1 0 2 0 0 0 0 0 0 7 0 0 0 0 0 0 0\n";
            }
        }
        std::ofstream(FRoot / "proc" / "diskstats", std::ios::binary) << text;

        PdhLinuxSource source;
        source.procRoot = (FRoot / "proc").string();
        source.sysRoot = (FRoot / "sys").string();
        source.clockNs = [this] { return FClockNs; };
        source.sleep = [this](DWORD ms) { FClockNs += static_cast<std::int64_t>(ms) * 1'000'000; };
        PdhLinuxSetSource(std::move(source));
    }

    ~TFakeMachine()
    {
        PdhLinuxSetSource(PdhLinuxSource{});
        std::error_code ignored;
        std::filesystem::remove_all(FRoot, ignored);
    }

    TFakeMachine(const TFakeMachine&) = delete;
    TFakeMachine& operator=(const TFakeMachine&) = delete;

private:
    std::filesystem::path FRoot;
    std::int64_t FClockNs = 1'000'000'000;
};

void BM_ReadTotalWithoutSleep(benchmark::State& state)
{
    const int disks = static_cast<int>(state.range(0));
    TFakeMachine machine(disks);
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
