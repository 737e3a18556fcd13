// SPDX-License-Identifier: MIT
#include "app/IdleStats.h"

#include <algorithm>

namespace {

// Upper bounds of the bands after the first, which takes exactly 0.
constexpr std::array<double, TIdleStats::BandCount - 1> UpperBounds = {5,  10, 20, 30, 40,
                                                                        50, 60, 70, 80, 90};

// The texts written while counting say "小于" (less than) where the initial
// captions say "低于" (below); the zero band keeps "等于0:".
constexpr std::array<const char*, TIdleStats::BandCount> Prefixes = {
    "等于0:",  "小于5:",  "小于10:", "小于20:", "小于30:", "小于40:",
    "小于50:", "小于60:", "小于70:", "小于80:", "小于90:",
};

int BandOf(double sample)
{
    if (sample == 0)
        return 0;
    for (std::size_t k = 0; k < UpperBounds.size(); ++k)
        if (sample <= UpperBounds[k])
            return static_cast<int>(k) + 1;
    return -1;
}

}  // namespace

int TIdleStats::AddSample(double sample)
{
    const int band = BandOf(sample);
    if (band >= 0)
        ++FCounts[band];

    if (FWindowCount < WindowSize) {
        FWindow[FWindowCount++] = sample;
    } else {
        std::copy(FWindow.begin() + 1, FWindow.end(), FWindow.begin());
        FWindow[WindowSize - 1] = sample;
    }
    return band;
}

void TIdleStats::ResetBands()
{
    FCounts.fill(0);
}

std::string TIdleStats::BandText(int band) const
{
    return Prefixes[band] + std::to_string(FCounts[band]);
}

double TIdleStats::Average() const
{
    if (FWindowCount == 0)
        return 0;
    // Summed afresh each time: a running total would keep the rounding of
    // every sample that has left the window.
    double sum = 0;
    for (int k = 0; k < FWindowCount; ++k)
        sum += FWindow[k];
    return sum / FWindowCount;
}
