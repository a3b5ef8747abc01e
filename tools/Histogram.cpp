#include "Histogram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace hx {

uint64_t LargestCount(const ByteCounts &counts) { return *std::max_element(counts.begin(), counts.end()); }

std::vector<AxisTick> BuildAxisTicks(double minimum, double maximum, int length, int maxTicks) {
    std::vector<AxisTick> ticks;
    if (!std::isfinite(minimum)) return ticks;
    length = std::max(length, 0);
    const int n = std::max(maxTicks, 1);
    const double range = maximum - minimum;
    const auto single = [&] {
        ticks.push_back({0, minimum, AxisTickLabel(minimum)});
        return ticks;
    };
    // Also catches NaN and a reversed range.
    if (!(range > 0) || !std::isfinite(range)) return single();

    const double step0 = std::pow(10.0, std::floor(std::log10(range / n)));
    if (!(step0 > 0) || !std::isfinite(step0)) return single();   // range / n below the smallest double
    double step = 10 * step0;
    for (double m : {1.0, 2.0, 5.0}) {
        if (range / (m * step0) < n) {
            step = m * step0;
            break;
        }
    }
    // log10 of an exact power of ten may come out just below it, making step0
    // ten times too small; then even 10 × step0 is not enough.
    for (int guard = 0; guard < 4 && range / step >= n; ++guard) step *= 10;

    // Each value is computed from its index rather than by adding the step
    // again and again: 0.2 added ten times is not 2, and the tick at the top
    // of the axis would depend on that rounding. For the same reason a value
    // a hair above maximum still counts as maximum.
    const double first = std::ceil(minimum / step);
    const double slack = step * 1e-9;
    for (int i = 0; i < MaxAxisTicks; ++i) {
        const double value = (first + i) * step;
        if (value > maximum + slack) break;
        const double pixels = std::round((value - minimum) * length / range);
        const auto position = static_cast<int32_t>(std::clamp(pixels, 0.0, static_cast<double>(length)));
        ticks.push_back({position, value, AxisTickLabel(value)});
    }
    return ticks;
}

namespace {

// Up to 10 decimals, trailing zeros (and a trailing point) removed.
std::string Decimal(double value) {
    char text[400];   // the longest %.10f of a double below 1000 in size is about 320 characters
    std::snprintf(text, sizeof text, "%.10f", value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

}  // namespace

std::string AxisTickLabel(double value) {
    if (!std::isfinite(value)) return "";
    if (value < 1e3) return Decimal(value);
    if (value < 1e6) return Decimal(value / 1e3) + "k";
    if (value < 1e9) return Decimal(value / 1e6) + "M";
    if (value < 1e12) return Decimal(value / 1e9) + "G";
    return "";
}

HistogramPlot PlotOf(int width, int height) {
    HistogramPlot plot;
    // (width − P) × 0.75 rounded with halves up, in whole numbers:
    // floor((3 × spare + 2) / 4), with floor division for a negative spare.
    const int64_t quarters = 3 * (static_cast<int64_t>(width) - HistogramPlot::Width) + 2;
    plot.left = static_cast<int>(quarters >= 0 ? quarters / 4 : -((-quarters + 3) / 4));
    plot.height = std::max(height - 55, 0);
    return plot;
}

int BarHeight(int height, uint64_t count, uint64_t largest) {
    if (largest == 0 || height <= 0) return 0;
    const double bar = std::round(static_cast<double>(height) * (static_cast<double>(count) / largest));
    return static_cast<int>(std::clamp(bar, 0.0, static_cast<double>(height)));
}

}  // namespace hx
