// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>

// The numbers shown beside the graph: how many samples fell into each of
// eleven idle bands since monitoring was last stopped, and the average of the
// latest ten samples since the program started.
class TIdleStats {
public:
    static constexpr int BandCount = 11;
    static constexpr int WindowSize = 10;

    // Counts a sample into its band and puts it into the average window.
    // Returns the band that took it: 0 for exactly 0, 1 for up to 5, 2 for up
    // to 10, then one band per ten up to 10 for up to 90; -1 for a sample
    // above 90, which is counted nowhere. A sample on a bound belongs to that
    // bound's band.
    int AddSample(double sample);

    // Zeroes the band counters; the average window is kept.
    void ResetBands();

    int Count(int band) const { return FCounts[band]; }

    // The band's label text while counting: its prefix and count, UTF-8
    // ("小于90:12", "等于0:3").
    std::string BandText(int band) const;

    // The samples now in the window (1 to 10 once a sample has arrived).
    int WindowCount() const { return FWindowCount; }

    // The sum of the samples in the window, added afresh from the oldest,
    // divided by their number. 0 while the window is empty.
    double Average() const;

private:
    std::array<int, BandCount> FCounts{};
    std::array<double, WindowSize> FWindow{};
    int FWindowCount = 0;
};
