// The main window (window 0) and everything fixed on it: the launch window
// shown while it is built, the menu bar, the two pop-up menus of the hex
// views, the toolbar, the status bar, the file tab bar (control 0) and the
// main hex view (control 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hx {

struct AlgorithmRecord;

inline constexpr int MainWindowNumber = 0;
inline constexpr int LaunchWindowNumber = 7;
inline constexpr int TabBarGadget = 0;

inline constexpr int MainWindowInnerWidth = 800;
inline constexpr int MainWindowInnerHeight = 600;
inline constexpr int LaunchWindowWidth = 480;
inline constexpr int LaunchWindowHeight = 224;
inline constexpr int MainTabBarHeight = 25;
// Attributes of the main tab bar: close buttons, new-tab button, bottom line.
inline constexpr uint32_t MainTabBarAttributes = 131;

// Window timers: the upkeep of window 0 and the launch window's closing.
inline constexpr int UpkeepTimer = 0;
inline constexpr int UpkeepInterval = 100;
inline constexpr int LaunchTimer = 1;
inline constexpr int LaunchInterval = 1000;

inline constexpr const char *MainTitleSuffix = " - Beta";
inline constexpr const char *LaunchWindowTitle = "Hexaloom - Editor for binary files and functions";

// Builds window 0, hidden, with everything on it, in this order: the window
// (titled with the language's main title and " - Beta"); the launch window
// when AppSettings().LaunchWindow is not 0 (start-up waits for its first
// tick); the 100 ms upkeep timer; the menus, the toolbar and the status bar;
// the tab bar; the main hex view, without a document, whose change callback is
// RefreshStatus. Returns false when window 0 could not be opened (then nothing
// else is built).
bool OpenMainWindow();

// The pieces OpenMainWindow builds, each usable on its own once window 0 is
// open. The menu builder's state (automatic ids, groups) carries over from
// one to the next, so they must run in this order.
void BuildMainMenu(const std::vector<std::string> &recentFiles);
void BuildPopupMenus();
void BuildToolBar();
void BuildStatusBar();

// Opens the launch window showing the built-in picture and starts its timer,
// then drops queued events until the timer's first tick. A close request of
// window 0 that arrives meanwhile (a signal asking the program to end) is put
// back in the queue. Returns false when the window could not be opened.
bool ShowLaunchWindow();
// Raises the launch window (when it is up) above the windows shown after it:
// the picture stays in front until the launch timer closes it.
void KeepLaunchWindowInFront();
// The launch timer's handler: stops the timer and closes the launch window.
void CloseLaunchWindow();

// Where the tab bar and the main hex view go, in the coordinates of the main
// window's control area (the part below the menu bar and the toolbar). The
// hex view is as high as the window's inner height less the menu bar,
// toolbar, tab bar and status bar and a 5-pixel gap; never negative.
struct MainWindowLayout {
    int tabBarX = 0, tabBarY = 0, tabBarWidth = 0, tabBarHeight = MainTabBarHeight;
    int viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0;
};
MainWindowLayout ComputeMainWindowLayout(int innerWidth, int innerHeight, int menuBarHeight,
                                         int toolBarHeight, int statusBarHeight);
// The resize handler of window 0: measures the window and its bars, moves the
// tab bar and the main hex view there and redraws both.
void LayoutMainWindow();

// The path of a Recent item (the item's value); "" for any other id, also
// for the disabled "empty" item.
std::string RecentItemPath(int id);
// The algorithm of a Fingerprint or Cipher item, in any of the menus; nullptr
// for any other id.
const AlgorithmRecord *MenuAlgorithm(int id);

}  // namespace hx
