// The histogram chart: the counts of the 256 byte values and the canvas they
// are drawn on as a bar chart with a scaled vertical axis.
#pragma once

#include "tools/Histogram.h"

namespace hx {

struct HistogramChart {
    int surface = -1;      // the canvas control drawn on
    ByteCounts counts{};   // occurrences of each byte value
};

// Colours of the chart (red in the low byte).
inline constexpr uint32_t ChartBackground = 0xFFF0F0F0;
inline constexpr uint32_t ChartGrid = 0xFFC0C0C0;
inline constexpr uint32_t ChartInk = 0xFF404040;   // frame lines, ticks and texts
inline constexpr uint32_t ChartBarLeft = 0xFFE0A060;
inline constexpr uint32_t ChartBarMiddle = 0xFFC08040;
inline constexpr uint32_t ChartBarRight = 0xFFA06020;

// Redraws the whole canvas from the counts: background, the vertical axis
// with its grid lines and labels (from BuildAxisTicks over the largest count;
// the single tick 0 when every count is 0), the rotated "\Histogram\Counts"
// label, the plot's top and bottom lines, the value axis 0, 16, ..., 240, 255
// with "\Histogram\Value" below it, and one three-pixel bar per value. Does
// nothing for a surface that is not a canvas.
void DrawHistogram(const HistogramChart &chart);

}  // namespace hx
