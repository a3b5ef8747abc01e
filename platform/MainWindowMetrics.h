// The measured parts of a main window (one opened with WindowMain): its
// current inner size and the heights of its menu bar, toolbar and status bar.
#pragma once

namespace hx {

struct MainWindowMetrics {
    int innerWidth = 0;      // current size, also while maximised
    int innerHeight = 0;
    int menuBarHeight = 0;   // 0 for a part the window does not have
    int toolBarHeight = 0;
    int statusBarHeight = 0;
};

// All zero for a window that does not exist or has no main-window frame.
// Before the window is first shown, the bars report the height they ask for.
MainWindowMetrics MeasureMainWindow(int window);

}  // namespace hx
