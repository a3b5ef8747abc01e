// The program's settings: one record read from "Configuration.ini" in the
// configuration folder once at start-up and written back once at the end.
//
// The file is plain 8-bit text with CRLF line ends: "[Group]" lines and
// "Key = Value" lines, groups and keys in a fixed order, no blank lines and
// no comments. Group and key names are matched without regard to case when
// read. A value that is missing or cannot be read as a number keeps its default.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hx {

// A coordinate that stands for "no stored value": moving a window to it
// leaves that coordinate as the window was created (centred).
inline constexpr int32_t NoPosition = -65535;

// Menu ids of the byte-order radio group; Endian holds one of them, or 0 for
// "no item selected".
inline constexpr int32_t EndianBigItem = 28;
inline constexpr int32_t EndianLittleItem = 29;

// The recent list keeps this many entries when read; AddRecentFile may hold
// one more in memory, and all of them are written.
inline constexpr size_t RecentFilesRead = 10;

struct WindowPlace {
    int32_t x = NoPosition;
    int32_t y = NoPosition;
};

struct Settings {
    // [General]
    std::string Language = "German";
    std::string Theme = "Farm-Fresh";
    int64_t BinaryChunkLength = 4000000;
    int64_t HistoryCacheSize = 67108864;
    int32_t LaunchWindow = 1;
    // [Window]: main window, normal-state geometry (outer position, inner size)
    int32_t State = 0;  // 0 normal, 16777216 maximised, 536870912 minimised
    int32_t X = NoPosition;
    int32_t Y = NoPosition;
    int32_t Width = NoPosition;
    int32_t Height = NoPosition;
    // [ValuesEditor]
    int32_t Hide = 0;
    WindowPlace ValuesEditor;
    int32_t Sign = 1;
    // Menu id of the selected byte-order item. 0 (none) until LoadSettings has
    // run; LoadSettings sets 29 for "Little" (also when the key is missing), 28
    // for "Big", and leaves it alone for any other text.
    int32_t Endian = 0;
    // [Result], [Transformation], [SearchAndReplace], [Histogram]
    WindowPlace Result;
    WindowPlace Transformation;
    WindowPlace SearchAndReplace;
    WindowPlace Histogram;
    // [Recent]: most recent first.
    std::vector<std::string> RecentFiles;
};

// The one settings record of the run.
Settings &AppSettings();

// ---- the file -------------------------------------------------------------------

// Reads a configuration file into a fresh record. A file that is missing or
// unreadable gives all defaults (with Endian = 29, as a missing Endian key does).
Settings LoadSettingsFrom(const std::string &path);
// Reads settings from the text of a configuration file (what LoadSettingsFrom does after reading).
Settings ParseSettings(const std::string &text);
// The exact bytes of the file for a record.
std::string FormatSettings(const Settings &settings);
// Creates the folder of path and its parent when missing, then writes the file
// anew. false when the file could not be created or written completely; the
// previous file is then left as it was.
bool WriteSettingsFile(const std::string &path, const Settings &settings);

// ---- the run --------------------------------------------------------------------

// Reads ConfigFolderPath() + "Configuration.ini" into AppSettings().
void LoadSettings();

// What SaveSettings reads back from the menus: the check mark of "Sign" (1 or
// 0) and the selected item of the byte-order group (28, 29, or 0 for none).
struct SettingsMenuState {
    int32_t sign = 1;
    int32_t endian = 0;
};
// The main window registers how to read its menus; without a reader,
// SaveSettings keeps Sign and Endian as they are in AppSettings(). Returns
// the reader registered before.
std::function<SettingsMenuState()> SetSettingsMenuReader(std::function<SettingsMenuState()> reader);

// Takes the window geometry from the desktop into AppSettings(): the main
// window's state, then (after restoring it to the normal state, hidden) its
// normal-state position and size; the positions of windows 1, 2, 3, 4 and 6;
// Sign and Endian from the menu reader. Windows that do not exist keep their values.
void CaptureWindowGeometry(Settings &settings);
// CaptureWindowGeometry, then writes ConfigFolderPath() + "Configuration.ini".
// A folder or file that cannot be created loses this run's settings without a
// message; returns false then.
bool SaveSettings();

// Records that path was opened: every entry equal to it (exact comparison)
// and every entry at index 10 or later is dropped, then path goes to the front.
void AddRecentFile(const std::string &path);
void AddRecentFile(Settings &settings, const std::string &path);
// Drops every entry equal to path (a file that no longer exists, say).
void RemoveRecentFile(const std::string &path);

// ---- restoring window positions ---------------------------------------------------

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
};
// true when a window placed at (x, y) with the given size would show enough of
// itself (its title strip) on one of the screens to be reached with the mouse.
// NoPosition in x or y counts as "nothing stored" and gives true.
bool PlaceIsOnScreen(int32_t x, int32_t y, int32_t width, int32_t height,
                     const std::vector<ScreenRect> &screens);
// The available areas of the desktop's screens.
std::vector<ScreenRect> DesktopScreens();
// The screen a window placed with its top-left corner at (x, y) lands on:
// the one holding that point, else the nearest one; the first screen for
// NoPosition. An empty rectangle when there is no screen.
ScreenRect ScreenAreaAt(int32_t x, int32_t y, const std::vector<ScreenRect> &screens);
struct WindowSize {
    int width = -1, height = -1;
};
// A stored inner size cut so that the window with its frame (frame: the
// extra width and height of title bar and borders) fits into area. A size of
// -1 (nothing stored) and a size that fits are returned as they are; no size
// is cut below 100 pixels. An empty area changes nothing.
WindowSize FitWindowSize(int width, int height, const ScreenRect &area, WindowSize frame);
// Extra width and height of a window's frame (title bar, borders) as the
// desktop reports them; before the window was first shown, an estimate.
WindowSize WindowFrameSize(int number);
// Moves (and when width and height are given, sizes) window number to a
// stored place, as MoveWindow does with NoPosition for "leave it". A place
// that lies on no screen is not applied, so the window stays centred as it
// was created; returns false then.
bool RestoreWindowPlace(int number, int32_t x, int32_t y, int32_t width = -1, int32_t height = -1);

}  // namespace hx
