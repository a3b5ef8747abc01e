// Byte-value counting and the arithmetic of the histogram chart: the tick
// list of a linear axis with its labels, and the plot geometry of a surface.
//
// Plain C++ without Qt, so that the counting and the axes are tested and
// benchmarked without a display.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hx {

// Occurrences of each byte value 0 ... 255.
using ByteCounts = std::array<uint64_t, 256>;

// Adds the occurrences of each byte value in bytes[0 ... length) to counts.
// Large pieces are counted a pair of neighbouring bytes at a time, runs and
// short repeating patterns in several interleaved tables (see CountBytes.cpp);
// the result is the same exact count whatever the way.
// A null pointer or a length <= 0 adds nothing.
// A processor without the wider vector instructions takes the baseline path;
// tests ask for it by name so that it is checked on every processor.
enum class CountingPath { Fastest, Baseline };
void CountBytes(const uint8_t *bytes, int64_t length, ByteCounts &counts,
                CountingPath path = CountingPath::Fastest);

// The largest count (0 for all-zero counts).
uint64_t LargestCount(const ByteCounts &counts);

struct AxisTick {
    int32_t position = 0;   // pixels from the start of the axis
    double value = 0;
    std::string label;
};

// At most this many ticks come back, whatever the input.
inline constexpr int MaxAxisTicks = 64;

// The ticks of a linear axis from minimum to maximum drawn over length pixels,
// at a round step (1, 2 or 5 times a power of ten) chosen so that fewer than
// maxTicks steps span the range. A range of 0 (maximum = minimum), a
// reversed or non-finite range gives the single tick minimum at position 0
// (none when minimum itself is not finite). A length below 0 counts as 0;
// maxTicks below 1 as 1. Never more than MaxAxisTicks entries.
std::vector<AxisTick> BuildAxisTicks(double minimum, double maximum, int length, int maxTicks);

// The label of a tick value: below 1000 the decimal number with up to 10
// decimals and no trailing zeros ("0.2", "999"); below 10^6 in thousands with
// "k" ("1.5k"), below 10^9 with "M", below 10^12 with "G"; from 10^12 on, and
// for values that are not finite, "".
std::string AxisTickLabel(double value);

// Where the chart's plot lies on a surface of width x height pixels: 256
// columns of three pixels, three quarters of the spare width to its left
// (rounded, a half up), 10 pixels above, 55 pixels below for the value axis.
struct HistogramPlot {
    static constexpr int BarWidth = 3;
    static constexpr int Width = 3 * 256;   // P
    static constexpr int Top = 10;          // y0
    int left = 0;                           // x0 (negative when the surface is narrower than P)
    int height = 0;                         // h (0 when the surface is too low)
    int baseline() const { return Top + height; }
    int barX(int value) const { return left + BarWidth * value; }
};
HistogramPlot PlotOf(int width, int height);

// Height in pixels of the bar of count within a plot of height pixels whose
// tallest bar has largest: round(height × count / largest); 0 when largest is 0.
int BarHeight(int height, uint64_t count, uint64_t largest);

}  // namespace hx
