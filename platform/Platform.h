// The desktop as the program sees it: one event queue, windows and controls
// addressed by number, window timers, the clipboard, and the folders the
// program reads and writes.
//
// All of it runs on the one GUI thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Event.h"

class QWidget;
class QMainWindow;

namespace hx {

// ---- runtime ------------------------------------------------------------------

// Creates the application object once (argc/argv are kept for CommandLineArgument);
// an application object made before is used as it is.
void InitPlatform(int &argc, char **argv);
// Destroys every window and control; the queue is emptied; the quit signals go
// back to their defaults and the application object InitPlatform made is
// destroyed. InitPlatform may be called again afterwards.
void ShutdownPlatform();
// Arguments after the program name; "" when there is none at index i.
std::string CommandLineArgument(int i);
// The directory the user started the program in (never changed by the program).
std::string StartDirectory();
// The folder of the running executable.
std::string ProgramFolder();
// Where Languages/ and Themes/ are: the executable's folder when it holds
// either, else <prefix>/share/hexaloom when that exists, else the executable's folder.
std::string DataFolder();
// A relative path resolved against StartDirectory(); absolute paths unchanged; "" stays "".
std::string ResolveUserPath(const std::string &path);
// $APPDATA, else $XDG_CONFIG_HOME, else $HOME/.config, with "/Quillstone/Hexaloom/" appended.
std::string ConfigFolderPath();
// File names in folder matching "*" + extension (for example ".ini"), in listing order.
std::vector<std::string> ListFolder(const std::string &folder, const std::string &extension);

// ---- events -------------------------------------------------------------------

// Waits for the next event; handles the desktop's own work meanwhile.
Event WaitEvent();
// The next event if one is pending after handling the desktop's pending work; never blocks.
std::optional<Event> PollEvent();
// Appends an event to the queue.
void PostEvent(const Event &event);
// Posts a control event of the given type for a control of a window.
void PostControlEvent(int window, int control, int type);
// Posts a menu or toolbar command of window 0 (type and data are the id).
void PostMenuEvent(int id);
// Asks WaitEvent to return a close event of window 0 with data 1 (used for
// SIGTERM / SIGINT: the program ends as if window 0 were closed).
void RequestQuit();
// True while such a request waits in the queue (long work that serves no
// events of its own looks for it, to stop and let the program end).
bool QuitRequestPending();
// Makes SIGTERM and SIGINT call RequestQuit on the GUI thread (through a
// self-pipe, since a signal handler may do almost nothing). Needs InitPlatform;
// false when it could not be set up. ShutdownPlatform restores the defaults.
bool InstallQuitSignals();
// Number of events waiting (for tests).
size_t PendingEventCount();

// ---- windows -------------------------------------------------------------------

enum WindowFlag : int {
    WindowResizable = 1,      // sizing border, minimise and maximise boxes
    WindowCentered = 2,       // centred on the screen (or on the parent when there is one)
    WindowHidden = 4,         // created hidden
    WindowTool = 8,           // tool window with a close box, owned by the parent
    WindowBorderless = 16,    // no title bar
    WindowMain = 32,          // has a menu bar, toolbar and status bar
    WindowFront = 64,         // kept above other windows (a launch picture)
};

enum WindowState : int {
    WindowNormal = 0,
    WindowMaximized = 16777216,
    WindowMinimized = 536870912,
};

// Opens window number with the given inner size. parent -1: none. A number in
// use closes the old window first. Returns the window's widget.
QWidget *OpenWindow(int number, int x, int y, int width, int height, const std::string &title,
                    int flags, int parent = -1);
void CloseWindow(int number);
QWidget *WindowWidget(int number);         // nullptr when there is none
QMainWindow *MainWindowWidget(int number); // for windows opened with WindowMain
// The widget controls of the window are placed on (inner area).
QWidget *WindowControlArea(int number);
bool IsWindow(int number);
void ShowWindow(int number, bool show);
// Puts a shown window above the others (no change to its state or focus).
void RaiseWindow(int number);
bool IsWindowVisible(int number);
void DisableWindow(int number, bool disable);
void SetWindowTitle(int number, const std::string &title);
std::string WindowTitle(int number);   // "" when there is no such window
// Outer position and inner size; -65535 in x or y leaves that coordinate.
void MoveWindow(int number, int x, int y, int width = -1, int height = -1);
int WindowX(int number);       // outer position
int WindowY(int number);
int WindowWidth(int number);   // inner size
int WindowHeight(int number);
// Extra width and height the frame (title bar, borders) adds around the inner
// size. Before the desktop has framed the window it is estimated (none on a
// desktop without a window manager's frames); 0, 0 for no window.
void WindowFrameExtent(int number, int *width, int *height);
void SetWindowState(int number, int state);
int GetWindowState(int number);
// Puts a window's geometry back on a screen when it lies on none (centres it).
void KeepWindowOnScreen(int number);

// Timers: EventTimer events with data = timer number, window = the window.
void AddWindowTimer(int window, int timer, int milliseconds);
void RemoveWindowTimer(int window, int timer);

// ---- controls ------------------------------------------------------------------

// Registers a widget as control number (global numbers); the widget reports its
// events with that number. A number in use frees the old control.
void RegisterControl(int number, int window, QWidget *widget);
void FreeControl(int number);
QWidget *ControlWidget(int number);
int ControlWindow(int number);           // -1 when there is no such control
// The control number of the widget with keyboard focus, or -1.
int FocusedControl();
void FocusControl(int number);
// The control the menu bar's and toolbar's commands act on: the one with the
// keyboard focus, except while the focus only moved because its window was
// activated (a click on the main window's menu bar activates it, moving the
// focus to that window's focus widget): then the control that had it before,
// until the user types, or clicks, in the active window. -1 for none.
int CommandFocusControl();
// Remembers the control with the keyboard focus and its active window, and
// gives the focus back when it goes: disabling the windows for a long run
// takes the focus away and nothing else would return it. A control that is
// gone, hidden or disabled by then is left alone.
class KeepKeyboardFocus {
public:
    KeepKeyboardFocus();
    ~KeepKeyboardFocus();
    KeepKeyboardFocus(const KeepKeyboardFocus &) = delete;
    KeepKeyboardFocus &operator=(const KeepKeyboardFocus &) = delete;

private:
    int control_ = -1;
    int window_ = -1;   // the window that was active (-1: none of ours)
};
// Whether a click gives the control the keyboard focus; controls that take
// keys do by default. false leaves the focus where it was when the control is
// clicked (a strip of buttons beside an editor); FocusControl still reaches it.
// A control that takes no keys at all is left alone.
void SetControlClickFocus(int number, bool takesFocus);
void ResizeControl(int number, int x, int y, int width, int height);  // -1 keeps a value
void DisableControl(int number, bool disable);

// ---- clipboard -----------------------------------------------------------------

// Plain text as Latin-1 bytes (characters above 255 become "?").
std::string ClipboardText();
void SetClipboardText(const std::string &latin1);
// Binary data under a MIME type next to (or instead of) text.
std::optional<std::string> ClipboardData(const std::string &mimeType);
void SetClipboardTextAndData(const std::string &latin1, const std::string &mimeType,
                             const std::string &bytes);

// ---- messages ------------------------------------------------------------------

// A short message box owned by window (or none); blocks until it is closed.
void MessageBox(int window, const std::string &title, const std::string &text);

}  // namespace hx
