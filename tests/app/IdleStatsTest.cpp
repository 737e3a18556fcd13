// SPDX-License-Identifier: MIT
#include <cstdint>
#include <deque>
#include <numeric>

#include <gtest/gtest.h>

#include "app/IdleStats.h"

namespace {

TEST(IdleStats, EachSampleFallsIntoOneBandWithBoundsBelongingToTheirBand)
{
    const struct {
        double sample;
        int band;
    } cases[] = {
        {0, 0},     {0.01, 1}, {5.0, 1},  {5.01, 2},  {10, 2},   {10.5, 3}, {20, 3},
        {29.99, 4}, {40, 5},   {45, 6},   {50, 6},    {55, 7},   {70, 8},   {80, 9},
        {90.0, 10}, {90.01, -1}, {100, -1},
    };
    TIdleStats stats;
    std::array<int, TIdleStats::BandCount> expected{};
    for (const auto& c : cases) {
        EXPECT_EQ(stats.AddSample(c.sample), c.band) << c.sample;
        if (c.band >= 0)
            ++expected[c.band];
    }
    for (int band = 0; band < TIdleStats::BandCount; ++band)
        EXPECT_EQ(stats.Count(band), expected[band]) << band;
}

TEST(IdleStats, BandTextsUseTheCountingPrefixes)
{
    TIdleStats stats;
    for (int i = 0; i < 12; ++i)
        stats.AddSample(90);
    stats.AddSample(0);
    stats.AddSample(3);
    EXPECT_EQ(stats.BandText(10), "小于90:12");
    EXPECT_EQ(stats.BandText(0), "等于0:1");
    EXPECT_EQ(stats.BandText(1), "小于5:1");
    EXPECT_EQ(stats.BandText(2), "小于10:0");
}

TEST(IdleStats, ResetZeroesTheBandsAndKeepsTheAverageWindow)
{
    TIdleStats stats;
    stats.AddSample(50);
    stats.AddSample(90);
    stats.ResetBands();
    for (int band = 0; band < TIdleStats::BandCount; ++band)
        EXPECT_EQ(stats.Count(band), 0);
    EXPECT_EQ(stats.WindowCount(), 2);
    EXPECT_EQ(stats.Average(), 70);
    stats.AddSample(45);
    EXPECT_EQ(stats.BandText(6), "小于50:1");
    EXPECT_EQ(stats.Average(), 185.0 / 3);
}

TEST(IdleStats, AverageCoversTheLatestTenSamples)
{
    // Samples 1, 2, 3, …: the average of samples a to b is (a + b) / 2.
    TIdleStats stats;
    EXPECT_EQ(stats.WindowCount(), 0);
    stats.AddSample(1);
    EXPECT_EQ(stats.Average(), 1);
    for (int i = 2; i <= 5; ++i)
        stats.AddSample(i);
    EXPECT_EQ(stats.WindowCount(), 5);
    EXPECT_EQ(stats.Average(), 3);
    for (int i = 6; i <= 11; ++i)
        stats.AddSample(i);
    EXPECT_EQ(stats.WindowCount(), 10);
    EXPECT_EQ(stats.Average(), 6.5);   // samples 2 to 11
    for (int i = 12; i <= 20; ++i)
        stats.AddSample(i);
    EXPECT_EQ(stats.Average(), 15.5);  // samples 11 to 20
}

TEST(IdleStats, LongRunAverageEqualsAFreshSumOfTheLastTen)
{
    // A running total would drift as samples with awkward binary fractions
    // pass through the window; a fresh sum of the last ten cannot.
    TIdleStats stats;
    std::deque<double> last;
    std::uint64_t state = 12345;
    for (int i = 0; i < 1'000'000; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double sample = static_cast<double>(state >> 11) / static_cast<double>(1ULL << 53) * 100.0;
        stats.AddSample(sample);
        last.push_back(sample);
        if (last.size() > 10)
            last.pop_front();
    }
    const double fresh = std::accumulate(last.begin(), last.end(), 0.0) / 10;
    EXPECT_EQ(stats.Average(), fresh);
}

}  // namespace
