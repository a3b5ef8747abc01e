// Byte counting and the histogram's axis ticks and plot arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tools/Histogram.h"

using namespace hx;

namespace {

std::vector<double> Values(const std::vector<AxisTick> &ticks) {
    std::vector<double> v;
    for (const AxisTick &t : ticks) v.push_back(t.value);
    return v;
}
std::vector<std::string> Labels(const std::vector<AxisTick> &ticks) {
    std::vector<std::string> v;
    for (const AxisTick &t : ticks) v.push_back(t.label);
    return v;
}

ByteCounts OneTableCount(const std::vector<uint8_t> &bytes) {
    ByteCounts counts{};
    for (uint8_t b : bytes) ++counts[b];
    return counts;
}

}  // namespace

TEST(CountBytes, RandomPiecesAddUpToOneTableCount) {
    const unsigned seed = 20261208;
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 20; ++round) {
        // Mixed content: random bytes, long runs of one value, and short repeats.
        std::vector<uint8_t> bytes(random() % 5000);
        for (size_t i = 0; i < bytes.size();) {
            const size_t run = 1 + random() % (random() % 4 == 0 ? 300 : 3);
            const uint8_t value = static_cast<uint8_t>(random());
            for (size_t k = 0; k < run && i < bytes.size(); ++k, ++i) bytes[i] = value;
        }
        ByteCounts counts{};
        for (size_t at = 0; at < bytes.size();) {
            const size_t piece = std::min<size_t>(bytes.size() - at, random() % 70);
            CountBytes(bytes.data() + at, static_cast<int64_t>(piece), counts);
            at += piece;
        }
        ASSERT_EQ(counts, OneTableCount(bytes)) << "round " << round;
    }
}

// Large pieces are counted by pairs of bytes with 8-bit pair counters that
// wrap, and repetitive stretches by other tables: every kind of content, on
// both ways of computing the pair keys, must give the plain count.
TEST(CountBytes, LargePiecesOfEveryKindGiveThePlainCount) {
    std::mt19937 random(7);
    const auto fill = [&](size_t length, auto byteAt) {
        std::vector<uint8_t> bytes(length);
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(byteAt(i));
        return bytes;
    };
    const size_t large = (size_t(1) << 20) + 777;   // a tail after the last whole block
    const struct Case {
        const char *name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"random", fill(large, [&](size_t) { return random(); })},
        // One pair every three pairs: its counter wraps many times without
        // the pairs being near enough to count as a repeating stretch.
        {"recurring pair", fill(large, [&](size_t i) { return (i / 2) % 3 == 0 ? 7 + i % 2 * 2 : random(); })},
        {"recurring equal pair", fill(large, [&](size_t i) { return (i / 2) % 3 == 0 ? 5 : random(); })},
        {"few values", fill(large, [&](size_t) { return random() % 3 * 100; })},
        {"one value", fill(large, [](size_t) { return 0xA5; })},
        {"00 00 FF", fill(large, [](size_t i) { return i % 3 == 2 ? 0xFF : 0; })},
        {"runs and noise", fill(large, [&](size_t i) { return (i >> 12) % 2 ? random() : (i >> 12) & 0xFF; })},
        {"all values in order", fill(large, [](size_t i) { return i; })},
    };
    for (const Case &c : cases) {
        for (CountingPath path : {CountingPath::Fastest, CountingPath::Baseline}) {
            ByteCounts counts{};
            CountBytes(c.bytes.data(), static_cast<int64_t>(c.bytes.size()), counts, path);
            EXPECT_EQ(counts, OneTableCount(c.bytes)) << c.name << (path == CountingPath::Baseline ? ", baseline" : "");
        }
    }
}

TEST(CountBytes, AddsToWhatIsThereAndIgnoresEmptyInput) {
    ByteCounts counts{};
    counts[7] = 5;
    const uint8_t bytes[] = {7, 7, 255};
    CountBytes(bytes, 3, counts);
    CountBytes(nullptr, 10, counts);
    CountBytes(bytes, -1, counts);
    EXPECT_EQ(counts[7], 7u);
    EXPECT_EQ(counts[255], 1u);
    EXPECT_EQ(LargestCount(counts), 7u);
    EXPECT_EQ(LargestCount(ByteCounts{}), 0u);
}

TEST(BuildAxisTicks, RoundStepsBelowElevenTicks) {
    struct Case {
        double max;
        std::vector<double> values;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {100, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100},
         {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}},
        {2500, {0, 500, 1000, 1500, 2000, 2500}, {"0", "500", "1k", "1.5k", "2k", "2.5k"}},
        // Two bytes of one value: steps of 0.2 up to exactly 2.
        {2, {0, 0.2, 0.4, 0.6, 0.8, 1, 1.2, 1.4, 1.6, 1.8, 2},
         {"0", "0.2", "0.4", "0.6", "0.8", "1", "1.2", "1.4", "1.6", "1.8", "2"}},
        {1, {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1},
         {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1"}},
        {7, {0, 1, 2, 3, 4, 5, 6, 7}, {"0", "1", "2", "3", "4", "5", "6", "7"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.max);
        const auto ticks = BuildAxisTicks(0, c.max, 245, 11);
        ASSERT_EQ(ticks.size(), c.values.size());
        for (size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i].value, c.values[i], 1e-12);
        EXPECT_EQ(Labels(ticks), c.labels);
        EXPECT_EQ(ticks.front().position, 0);
        EXPECT_EQ(ticks.back().position, std::lround(c.values.back() * 245 / c.max));
    }
    // Positions are rounded: 500 of 2500 over 245 pixels is 49.
    EXPECT_EQ(BuildAxisTicks(0, 2500, 245, 11)[1].position, 49);
    EXPECT_EQ(BuildAxisTicks(0, 2500, 246, 11)[1].position, 49);   // 49.2
    EXPECT_EQ(BuildAxisTicks(0, 2500, 248, 11)[1].position, 50);   // 49.6
}

TEST(BuildAxisTicks, DegenerateInputsGiveShortLists) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // No range: the single tick at the minimum.
    for (double max : {0.0, -5.0, nan, inf}) {
        SCOPED_TRACE(max);
        const auto ticks = BuildAxisTicks(0, max, 245, 11);
        ASSERT_EQ(ticks.size(), 1u);
        EXPECT_EQ(ticks[0].value, 0);
        EXPECT_EQ(ticks[0].position, 0);
        EXPECT_EQ(ticks[0].label, "0");
    }
    EXPECT_TRUE(BuildAxisTicks(nan, 10, 245, 11).empty());
    EXPECT_TRUE(BuildAxisTicks(-inf, 10, 245, 11).empty());
    // Counts up to 2^63, tiny and negative lengths, odd tick limits, tiny ranges.
    const double huge = 9223372036854775808.0;
    struct Case {
        double min, max;
        int length, n;
    };
    const Case cases[] = {{0, huge, 245, 11},   {0, 1e-300, 245, 11}, {0, 5e-324, 245, 11},
                          {0, 100, 0, 11},      {0, 100, -7, 11},     {0, 100, 245, 0},
                          {0, 100, 245, -3},    {0, 1e6, 245, 1000000}, {-1e308, 1e308, 245, 11},
                          {1e15, 1e15 + 1, 245, 11}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << " " << c.max << " " << c.length << " " << c.n);
        const auto ticks = BuildAxisTicks(c.min, c.max, c.length, c.n);
        ASSERT_FALSE(ticks.empty());
        EXPECT_LE(ticks.size(), static_cast<size_t>(MaxAxisTicks));
        for (const AxisTick &t : ticks) {
            EXPECT_GE(t.position, 0);
            EXPECT_LE(t.position, std::max(c.length, 0));
        }
    }
    // 2^63 steps by 1e18: 0, 1e18, ..., 9e18, labelled "0" then empty (10^12 and up).
    const auto ticks = BuildAxisTicks(0, huge, 245, 11);
    EXPECT_EQ(Values(ticks).back(), 9e18);
    EXPECT_EQ(ticks.back().label, "");
}

TEST(AxisTickLabel, DecimalsThenUnitsThenNothing) {
    const std::pair<double, const char *> cases[] = {
        {0, "0"},       {999, "999"},         {0.2, "0.2"},     {0.1 + 0.2, "0.3"},
        {1e-11, "0"},   {1000, "1k"},         {1500, "1.5k"},   {999999, "999.999k"},
        {1500000, "1.5M"}, {2.5e9, "2.5G"},   {999e9, "999G"},  {1e12, ""},
        {9.2e18, ""},   {-0.0, "0"},          {-5, "-5"},
        {std::numeric_limits<double>::infinity(), ""}, {std::numeric_limits<double>::quiet_NaN(), ""},
    };
    for (const auto &[value, label] : cases) EXPECT_EQ(AxisTickLabel(value), label) << value;
}

TEST(HistogramPlot, GeometryOfSurfaces) {
    struct Case {
        int w, h, left, plotHeight;
    };
    const Case cases[] = {
        {840, 300, 54, 245},   // the window's chart: (840 − 768) × 0.75 = 54
        {770, 100, 2, 45},     // 1.5 rounds up to 2
        {769, 55, 1, 0},       // 0.75 rounds to 1; no room for a plot
        {768, 40, 0, 0},
        {766, 300, -1, 245},   // −1.5 rounds up to −1
        {0, 0, -576, 0},
    };
    for (const Case &c : cases) {
        const HistogramPlot plot = PlotOf(c.w, c.h);
        EXPECT_EQ(plot.left, c.left) << c.w;
        EXPECT_EQ(plot.height, c.plotHeight) << c.h;
        EXPECT_EQ(plot.baseline(), 10 + c.plotHeight);
    }
    EXPECT_EQ(PlotOf(840, 300).barX(255), 54 + 765);
}

TEST(HistogramPlot, BarHeightsRoundAndNeverDivideByZero) {
    EXPECT_EQ(BarHeight(245, 2, 2), 245);
    EXPECT_EQ(BarHeight(245, 1, 2), 123);   // 122.5 rounds up
    EXPECT_EQ(BarHeight(245, 0, 2), 0);
    EXPECT_EQ(BarHeight(245, 0, 0), 0);
    EXPECT_EQ(BarHeight(245, 5, 0), 0);
    EXPECT_EQ(BarHeight(0, 5, 5), 0);
    EXPECT_EQ(BarHeight(245, UINT64_MAX, UINT64_MAX), 245);
    EXPECT_EQ(BarHeight(245, 1, UINT64_MAX), 0);
}
