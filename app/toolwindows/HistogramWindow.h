// The histogram tool: window 6 counts how often each byte value occurs in a
// range of a hex view's document and draws the counts as a bar chart that
// grows while the range is read.
#pragma once

#include <cstdint>
#include <functional>

#include "app/toolwindows/HistogramChart.h"
#include "app/toolwindows/ToolRun.h"

namespace hx {

struct HexView;

inline constexpr int HistogramWindowNumber = 6;
inline constexpr int HistogramWindowWidth = 860;
inline constexpr int HistogramWindowHeight = 370;

// Control numbers of window 6 (the loop knows none of them; window 6's range 6000 + k).
enum HistogramControl : int {
    HistogramGroupBox = 6001,
    HistogramChartCanvas = 6002,
    HistogramProgressBar = 6003,
};

// While counting, the chart is redrawn after a slice only when this long has
// passed since the last drawing (and once at the end), so that a long count
// spends its time counting.
inline constexpr int HistogramRedrawIntervalMs = 30;

// The chart of window 6 (its counts stay until the next count).
const HistogramChart &HistogramChartState();

// Counts position ... position + length of the view's current document (the
// walk clamps the range) and draws the chart: shows the window, disables the
// other windows for the count, resets the counts and the progress bar, adds
// each slice, redraws while the chart grows and serves the window's events
// between slices. The close box hides the window and stops the count; the
// counts so far stay and are drawn. A range that could not be read to its
// end keeps the counts so far, and the user is told that the chart is
// incomplete. No view or no document counts nothing. afterSlice (optional)
// is called after each slice, after its events and redraw.
ToolRunResult ComputeHistogram(HexView *view, int64_t position, int64_t length,
                               const std::function<void()> &afterSlice = nullptr);

}  // namespace hx
