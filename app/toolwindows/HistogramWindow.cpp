#include "app/toolwindows/HistogramWindow.h"

#include <chrono>

#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "hexview/Selection.h"
#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace hx {

namespace {

constexpr int Window = HistogramWindowNumber;

HistogramChart g_chart;
// True from the start of a count to its end: one count at a time.
bool g_running = false;

std::string Text(const char *key) { return GetText(std::string("\\Histogram\\") + key); }

void OpenHistogramWindow() {
    OpenWindow(Window, 0, 0, HistogramWindowWidth, HistogramWindowHeight, GetText("\\Window\\Histogram"),
               WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
    if (!IsWindow(Window)) return;
    // The chart is placed relative to the group at (5, 5).
    constexpr int gx = 5, gy = 5;
    CreateGroup(HistogramGroupBox, Window, gx, gy, 850, 320, Text("Histogram"));
    g_chart.surface = CreateCanvas(HistogramChartCanvas, Window, gx + 5, gy + 15, 840, 300, 0);
    g_chart.counts = {};
    CreateProgressBar(HistogramProgressBar, Window, 15, 340, 830, 15, 0, 1000);
    DrawHistogram(g_chart);
}

bool OnMenu(int id) {
    if (id != CommandHistogram) return false;
    HexView *view = Shell().ActiveView;
    ComputeHistogram(view, SelectionStart(view), SelectionSize(view));
    return true;
}

// The chart reports mouse and focus events; there is nothing to do with them.
bool OnControl(const Event &event) { return event.window == Window; }

bool OnClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

}  // namespace

const HistogramChart &HistogramChartState() { return g_chart; }

ToolRunResult ComputeHistogram(HexView *view, int64_t position, int64_t length,
                               const std::function<void()> &afterSlice) {
    if (g_running || !IsWindow(Window)) return ToolRunResult::Stopped;
    g_running = true;
    Binary *store = view && view->CurrentDocument ? view->CurrentDocument->Store : nullptr;
    ToolRunResult result = ToolRunResult::Done;
    {
        ShowWindow(Window, true);
        ToolBusy busy(Window);
        g_chart.counts = {};
        DrawHistogram(g_chart);
        SetControlState(HistogramProgressBar, 0);

        using Clock = std::chrono::steady_clock;
        Clock::time_point lastDrawn = Clock::now();
        ToolRun run;
        run.window = Window;
        run.progressBar = HistogramProgressBar;
        run.slice = [](const uint8_t *bytes, int64_t n) {
            CountBytes(bytes, n, g_chart.counts);
            return true;
        };
        run.afterSlice = [&] {
            if (Clock::now() - lastDrawn >= std::chrono::milliseconds(HistogramRedrawIntervalMs)) {
                DrawHistogram(g_chart);
                lastDrawn = Clock::now();
            }
            if (afterSlice) afterSlice();
        };
        // A missing document is an empty range: nothing to count, nothing failed.
        if (store) result = RunOverRange(store, position, length, run);
        if (result == ToolRunResult::Done) SetControlState(HistogramProgressBar, 1000);
        DrawHistogram(g_chart);
    }
    g_running = false;
    // Zero bars for bytes that were never read would be a wrong chart: say so.
    if (result == ToolRunResult::ReadFailed)
        ShowMessage(Window, GetText("\\Messages\\Title"), Text("ReadFailed"));
    return result;
}

const ToolModule HistogramTool{
    .open = OpenHistogramWindow,
    .menu = OnMenu,
    .control = OnControl,
    .close = OnClose,
};

}  // namespace hx
