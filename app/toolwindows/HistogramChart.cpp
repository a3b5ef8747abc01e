#include "app/toolwindows/HistogramChart.h"

#include <QFontMetrics>
#include <QPainter>

#include <string>

#include "app/settings/Language.h"
#include "platform/Canvas.h"

namespace hx {

namespace {

constexpr int MaxVerticalTicks = 11;

void DrawBackground(Drawing &d) { d.box(0, 0, d.width(), d.height(), ChartBackground); }

// A horizontal line across the plot, 3 pixels beyond it on either side.
void PlotWideLine(Drawing &d, const HistogramPlot &plot, int y, uint32_t colour) {
    d.box(plot.left - 3, y, HistogramPlot::Width + 6, 1, colour);
}

// Grid lines and their labels, right-aligned 6 pixels left of the plot and
// centred on the tick's height.
void DrawVerticalAxis(Drawing &d, const HistogramPlot &plot, uint64_t largest) {
    const int textHeight = d.textHeight("0");
    for (const AxisTick &tick : BuildAxisTicks(0, static_cast<double>(largest), plot.height, MaxVerticalTicks)) {
        const int y = plot.baseline() - tick.position;
        PlotWideLine(d, plot, y + 1, ChartGrid);
        d.text(plot.left - 6 - d.textWidth(tick.label), y - textHeight / 2, tick.label, ChartInk);
    }
}

// The axis title reads upwards; its top edge (the left edge once turned) lies
// 45 pixels left of the plot, its middle at the middle of the surface.
void DrawCountsTitle(Drawing &d, const HistogramPlot &plot) {
    const std::string title = GetText("\\Histogram\\Counts");
    const int ascent = d.painter() ? d.painter()->fontMetrics().ascent() : 0;
    d.textRotated(plot.left - 45 + ascent, d.height() / 2 + d.textWidth(title) / 2, title, ChartInk);
}

void DrawFrame(Drawing &d, const HistogramPlot &plot) {
    PlotWideLine(d, plot, HistogramPlot::Top + 1, ChartInk);
    PlotWideLine(d, plot, plot.baseline() + 1, ChartInk);
}

// Ticks under the middle column of the values 0, 16, ..., 240 and 255, their
// numbers centred below them, and the axis title centred on the surface.
void DrawValueAxis(Drawing &d, const HistogramPlot &plot) {
    for (int value = 0; value <= 256; value += 16) {
        const int v = value == 256 ? 255 : value;
        const int x = plot.barX(v) + 1;
        d.box(x, plot.baseline() + 2, 1, 3, ChartInk);
        const std::string label = std::to_string(v);
        d.text(x - d.textWidth(label) / 2, plot.baseline() + 5, label, ChartInk);
    }
    const std::string title = GetText("\\Histogram\\Value");
    d.text((d.width() - d.textWidth(title)) / 2, plot.baseline() + 20, title, ChartInk);
}

// Each bar stands on the baseline row: b pixels from baseline − b + 1 down to it.
void DrawBars(Drawing &d, const HistogramPlot &plot, const ByteCounts &counts, uint64_t largest) {
    for (int value = 0; value < 256; ++value) {
        const int bar = BarHeight(plot.height, counts[value], largest);
        if (bar <= 0) continue;
        const int top = plot.baseline() - bar + 1;
        const int x = plot.barX(value);
        d.box(x, top, 1, bar, ChartBarLeft);
        d.box(x + 1, top, 1, bar, ChartBarMiddle);
        d.box(x + 2, top, 1, bar, ChartBarRight);
    }
}

}  // namespace

void DrawHistogram(const HistogramChart &chart) {
    Drawing d(chart.surface);
    if (!d.ok()) return;
    d.setFont(DefaultControlFont());
    const HistogramPlot plot = PlotOf(d.width(), d.height());
    const uint64_t largest = LargestCount(chart.counts);
    DrawBackground(d);
    DrawVerticalAxis(d, plot, largest);
    DrawCountsTitle(d, plot);
    DrawFrame(d, plot);
    DrawValueAxis(d, plot);
    DrawBars(d, plot, chart.counts, largest);
}

}  // namespace hx
