// The histogram window driven through the shell: the Tools command over the
// selection, the chart's pixels, and a count stopped by the close box.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <numeric>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/toolwindows/HistogramWindow.h"
#include "app/settings/Language.h"
#include "app/shell/MenuIds.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

class HistogramWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        // The titles as a user sees them: the test's folder has no Languages/,
        // and start-up keeps the texts when it finds no language file.
        LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini");
        StartUp("");
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    static void SetBytes(const std::vector<uint8_t> &bytes) {
        HexViewCommand(MainViewGadget, HexReplaceAll, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    static void Menu(int id) { ChooseMenuItem(id); }
    static QRgb Pixel(int x, int y) { return CanvasImage(HistogramChartCanvas).pixel(x, y) & 0xFFFFFFu; }
    static uint64_t Total() {
        const ByteCounts &c = HistogramChartState().counts;
        return std::accumulate(c.begin(), c.end(), uint64_t{0});
    }

    std::vector<std::string> messages;
};

// Qt's 0xRRGGBB of a chart colour given as 0xBBGGRR.
constexpr QRgb Rgb(uint32_t bbggrr) {
    return ((bbggrr & 0xFF) << 16) | (bbggrr & 0xFF00) | ((bbggrr >> 16) & 0xFF);
}

// The window's chart is 840 × 300: plot left x0 = 54, top 10, height 245, baseline 255.
constexpr int X0 = 54, Y0 = 10, H = 245, Base = Y0 + H;

TEST_F(HistogramWindowTest, WindowAsBuiltAtStartUp) {
    ASSERT_TRUE(IsWindow(HistogramWindowNumber));
    EXPECT_FALSE(IsWindowVisible(HistogramWindowNumber));
    EXPECT_EQ(WindowWidth(HistogramWindowNumber), 860);
    EXPECT_EQ(WindowHeight(HistogramWindowNumber), 370);
    EXPECT_EQ(CanvasWidth(HistogramChartCanvas), 840);
    EXPECT_EQ(CanvasHeight(HistogramChartCanvas), 300);
    EXPECT_EQ(GetControlText(HistogramGroupBox), GetText("\\Histogram\\Histogram"));
    // The close box only hides it.
    Event close;
    close.window = HistogramWindowNumber;
    close.kind = EventCloseWindow;
    ShowWindow(HistogramWindowNumber, true);
    EXPECT_TRUE(DispatchEvent(close));
    EXPECT_TRUE(IsWindow(HistogramWindowNumber));
    EXPECT_FALSE(IsWindowVisible(HistogramWindowNumber));
}

TEST_F(HistogramWindowTest, SelectedBytesDrawFullAndHalfBars) {
    SetBytes({0x00, 0x00, 0xFF});
    Menu(CommandSelectAll);
    Menu(CommandHistogram);
    EXPECT_TRUE(IsWindowVisible(HistogramWindowNumber));
    EXPECT_EQ(GetControlState(HistogramProgressBar), 1000);
    EXPECT_EQ(HistogramChartState().counts[0], 2u);
    EXPECT_EQ(HistogramChartState().counts[255], 1u);
    EXPECT_EQ(Total(), 3u);

    const QRgb left = Rgb(0xE0A060), middle = Rgb(0xC08040), right = Rgb(0xA06020);
    const QRgb ink = Rgb(0x404040), grid = Rgb(0xC0C0C0), background = Rgb(0xF0F0F0);
    // Bar 0: 245 pixels from the baseline up to the top line, in its three colours.
    for (int y : {Y0 + 1, Base - 100, Base}) {
        EXPECT_EQ(Pixel(X0, y), left) << y;
        EXPECT_EQ(Pixel(X0 + 1, y), middle) << y;
        EXPECT_EQ(Pixel(X0 + 2, y), right) << y;
    }
    // Bar 255: half of 245 is 122.5, rounded to 123 pixels.
    const int x255 = X0 + 3 * 255;
    EXPECT_EQ(Pixel(x255, Base), left);
    EXPECT_EQ(Pixel(x255 + 2, Base - 122), right);
    EXPECT_NE(Pixel(x255 + 1, Base - 123), middle);
    // No other bar: the columns of 1 ... 254 just above the baseline show the background.
    for (int v = 1; v < 255; ++v) ASSERT_EQ(Pixel(X0 + 3 * v + 1, Base - 3), background) << v;
    // Frame lines 3 pixels beyond the plot: top (under bar 0 only where no bar is) and below the baseline.
    EXPECT_EQ(Pixel(X0 - 3, Y0 + 1), ink);
    EXPECT_EQ(Pixel(X0 + 768 + 2, Y0 + 1), ink);
    EXPECT_EQ(Pixel(X0 + 768 + 3, Y0 + 1), background);
    EXPECT_EQ(Pixel(X0 - 3, Base + 1), ink);
    EXPECT_EQ(Pixel(X0 + 400, Base + 1), ink);
    // Ticks 0, 0.2, ..., 2: the grid line of 1 (position 122.5 → 123) at baseline − 123 + 1.
    EXPECT_EQ(Pixel(X0 + 100, Base - 123 + 1), grid);
    EXPECT_EQ(Pixel(X0 - 3, Base - 123 + 1), grid);
    EXPECT_EQ(Pixel(X0 + 100, Base - 123), background);
    // Value ticks under the middle column of 16 and 255, three pixels high.
    for (int v : {16, 255}) {
        const int x = X0 + 3 * v + 1;
        EXPECT_EQ(Pixel(x, Base + 2), ink) << v;
        EXPECT_EQ(Pixel(x, Base + 4), ink) << v;
        EXPECT_EQ(Pixel(x + 1, Base + 3), background) << v;
    }
}

// Whether any pixel of the rectangle has the ink colour's dark text.
bool HasText(int x, int y, int w, int h) {
    const QImage &image = CanvasImage(HistogramChartCanvas);
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            if (qGray(image.pixel(i, j)) < 0xA0) return true;
    return false;
}

TEST_F(HistogramWindowTest, LabelsAreDrawnInTheirPlaces) {
    SetBytes({1, 2, 2});
    Menu(CommandSelectAll);
    Menu(CommandHistogram);
    // The rotated title lies in a column starting 45 pixels left of the plot,
    // around the middle of the surface; nothing dark is above or below it.
    EXPECT_TRUE(HasText(X0 - 45, 130, 20, 40));
    EXPECT_FALSE(HasText(0, Y0 + 1, X0 - 30, 60));
    // Tick labels right of the title and ending 6 pixels left of the plot.
    EXPECT_TRUE(HasText(X0 - 30, Base - 10, 24, 20));   // "0"
    EXPECT_FALSE(HasText(X0 - 5, Base - 20, 5, 20));
    // Value numbers and the title under the value axis.
    EXPECT_TRUE(HasText(X0, Base + 5, 10, 14));
    EXPECT_TRUE(HasText(380, Base + 20, 80, 20));
}

TEST_F(HistogramWindowTest, NothingSelectedDrawsAxesWithoutBars) {
    SetBytes({7, 7, 7});
    // Insert mode, no selection: nothing to count.
    Menu(CommandHistogram);
    EXPECT_EQ(Total(), 0u);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Pixel(X0 + 3 * 7, Base), Rgb(0xF0F0F0));
    EXPECT_EQ(Pixel(X0, Base + 1), Rgb(0x404040));
    EXPECT_EQ(Pixel(X0, Y0 + 1), Rgb(0x404040));
    // The single tick 0: its grid line falls on the bottom frame line; no other line inside the plot.
    for (int y = Y0 + 2; y < Base; ++y) ASSERT_EQ(Pixel(X0 + 100, y), Rgb(0xF0F0F0)) << y;
}

TEST_F(HistogramWindowTest, CloseBoxStopsTheCountKeepsItsCountsAndEnablesTheWindows) {
    std::vector<uint8_t> bytes(3 * ToolSliceLength, 0x5A);
    SetBytes(bytes);
    const int64_t drawsBefore = CanvasDrawCount(HistogramChartCanvas);
    int slices = 0;
    bool mainDisabled = false;
    const ToolRunResult result = ComputeHistogram(Shell().MainView, 0, static_cast<int64_t>(bytes.size()), [&] {
        if (++slices == 1) {
            mainDisabled = !WindowWidget(0)->isEnabled();
            Event close;
            close.window = HistogramWindowNumber;
            close.kind = EventCloseWindow;
            PostEvent(close);
        }
    });
    EXPECT_EQ(result, ToolRunResult::Cancelled);
    EXPECT_EQ(slices, 1);   // served after the second slice, whose hook no longer runs
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(WindowWidget(0)->isEnabled());
    EXPECT_FALSE(IsWindowVisible(HistogramWindowNumber));
    const uint64_t counted = HistogramChartState().counts[0x5A];
    EXPECT_GT(counted, 0u);
    EXPECT_LT(counted, bytes.size());
    EXPECT_EQ(Total(), counted);
    EXPECT_LT(GetControlState(HistogramProgressBar), 1000);
    // Drawn at the start and once more at the end with what was counted.
    EXPECT_GE(CanvasDrawCount(HistogramChartCanvas) - drawsBefore, 2);
    EXPECT_EQ(Pixel(X0 + 3 * 0x5A, Y0 + 1), Rgb(0xE0A060));

    // The next count starts afresh and runs to the end.
    EXPECT_EQ(ComputeHistogram(Shell().MainView, 0, 10), ToolRunResult::Done);
    EXPECT_EQ(Total(), 10u);
    EXPECT_EQ(GetControlState(HistogramProgressBar), 1000);
}

}  // namespace

namespace {

// Pictures of the window for looking at by eye: written only when
// HEXALOOM_SCREENSHOT_DIR names a folder.
TEST_F(HistogramWindowTest, WritesPicturesWhenAskedTo) {
    const char *folder = std::getenv("HEXALOOM_SCREENSHOT_DIR");
    if (!folder || !*folder) GTEST_SKIP() << "HEXALOOM_SCREENSHOT_DIR is not set";
    const std::string dir = folder;
    Menu(CommandHistogram);   // nothing selected
    EXPECT_TRUE(WindowWidget(HistogramWindowNumber)->grab().save(QString::fromStdString(dir + "/histogram-empty.png")));
    SetBytes({0x00, 0x00, 0xFF});
    Menu(CommandSelectAll);
    Menu(CommandHistogram);
    EXPECT_TRUE(WindowWidget(HistogramWindowNumber)->grab().save(QString::fromStdString(dir + "/histogram-00-00-ff.png")));
    std::vector<uint8_t> bytes(1 << 20);
    uint32_t x = 2463534242u;
    for (uint8_t &b : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<uint8_t>(x % 200 + (x >> 8) % 57);   // uneven on purpose
    }
    SetBytes(bytes);
    Menu(CommandSelectAll);
    Menu(CommandHistogram);
    EXPECT_TRUE(WindowWidget(HistogramWindowNumber)->grab().save(QString::fromStdString(dir + "/histogram-uneven.png")));
}

}  // namespace
