// The settings as the running program uses them: where the file lives, what
// is read back from the windows and menus at the end, and how stored window
// places are put back at the start.
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#include "app/settings/Settings.h"
#include "platform/Platform.h"

namespace hx {

namespace {

std::function<SettingsMenuState()> &menuReader() {
    static std::function<SettingsMenuState()> reader;
    return reader;
}

std::string configurationPath() { return ConfigFolderPath() + "Configuration.ini"; }

// Centres a window's outer frame (its inner size plus the frame) in an area;
// a window larger than the area keeps its top-left corner inside it.
void CentreWindowIn(int number, const ScreenRect &area) {
    const WindowSize frame = WindowFrameSize(number);
    const int64_t outerWidth = int64_t{WindowWidth(number)} + frame.width;
    const int64_t outerHeight = int64_t{WindowHeight(number)} + frame.height;
    const int64_t cx = area.x + (area.width - outerWidth) / 2;
    const int64_t cy = area.y + (area.height - outerHeight) / 2;
    MoveWindow(number, static_cast<int>(std::max<int64_t>(cx, area.x)), static_cast<int>(std::max<int64_t>(cy, area.y)));
}

void capturePlace(int window, WindowPlace &place) {
    if (!IsWindow(window))
        return;
    place.x = WindowX(window);
    place.y = WindowY(window);
}

}  // namespace

void LoadSettings() { AppSettings() = LoadSettingsFrom(configurationPath()); }

std::function<SettingsMenuState()> SetSettingsMenuReader(std::function<SettingsMenuState()> reader) {
    std::function<SettingsMenuState()> previous = std::move(menuReader());
    menuReader() = std::move(reader);
    return previous;
}

void CaptureWindowGeometry(Settings &s) {
    if (IsWindow(0)) {
        const int state = GetWindowState(0);
        s.State = state == WindowMaximized ? WindowMaximized
                  : state == WindowMinimized ? WindowMinimized
                                             : WindowNormal;
        // The stored geometry is the normal-state one, whatever the window
        // showed: the one the window system keeps for the normal state, read
        // before the window is hidden and restored (a hidden window keeps the
        // size it last showed, which for a maximised one is the screen's).
        s.X = WindowX(0);
        s.Y = WindowY(0);
        s.Width = WindowWidth(0);
        s.Height = WindowHeight(0);
        ShowWindow(0, false);
        SetWindowState(0, WindowNormal);
    }
    capturePlace(1, s.ValuesEditor);
    capturePlace(2, s.Result);
    capturePlace(3, s.Transformation);
    capturePlace(4, s.SearchAndReplace);
    capturePlace(6, s.Histogram);
    if (menuReader()) {
        const SettingsMenuState menu = menuReader()();
        s.Sign = menu.sign ? 1 : 0;
        s.Endian = (menu.endian == EndianBigItem || menu.endian == EndianLittleItem) ? menu.endian : 0;
    }
}

bool SaveSettings() {
    Settings &s = AppSettings();
    CaptureWindowGeometry(s);
    return WriteSettingsFile(configurationPath(), s);
}

std::vector<ScreenRect> DesktopScreens() {
    std::vector<ScreenRect> screens;
    if (!QGuiApplication::instance())
        return screens;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        screens.push_back(ScreenRect{r.x(), r.y(), r.width(), r.height()});
    }
    return screens;
}

WindowSize WindowFrameSize(int number) {
    WindowSize frame{0, 0};
    WindowFrameExtent(number, &frame.width, &frame.height);
    return frame;
}

bool RestoreWindowPlace(int number, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!IsWindow(number))
        return false;
    // A stored size of NoPosition (or any non-positive size) keeps the created size.
    int w = width > 0 ? width : -1;
    int h = height > 0 ? height : -1;
    // A size larger than the screen it lands on (a file edited by hand, a
    // monitor that is gone) is cut to that screen's free area and the window
    // centred there, so that its title bar and menu can be reached.
    const int32_t atX = x == NoPosition ? WindowX(number) : x;
    const int32_t atY = y == NoPosition ? WindowY(number) : y;
    const ScreenRect area = ScreenAreaAt(atX, atY, DesktopScreens());
    const WindowSize fitted = FitWindowSize(w, h, area, WindowFrameSize(number));
    if (fitted.width != w || fitted.height != h) {
        MoveWindow(number, NoPosition, NoPosition, fitted.width, fitted.height);
        CentreWindowIn(number, area);
        return false;
    }
    // A coordinate left alone keeps the window's own, which is what counts for the check.
    const int32_t effectiveX = x == NoPosition ? WindowX(number) : x;
    const int32_t effectiveY = y == NoPosition ? WindowY(number) : y;
    const int32_t checkWidth = w > 0 ? w : WindowWidth(number);
    if (PlaceIsOnScreen(effectiveX, effectiveY, checkWidth, h > 0 ? h : WindowHeight(number),
                        DesktopScreens())) {
        MoveWindow(number, x, y, w, h);
        return true;
    }
    // The place lies on no screen (a monitor that is gone, say): keep the
    // window where it was created, centred; only a stored size is taken, and
    // the window is centred on the first screen again for it.
    if (w > 0 || h > 0) {
        MoveWindow(number, NoPosition, NoPosition, w, h);
        const std::vector<ScreenRect> screens = DesktopScreens();
        if (!screens.empty()) CentreWindowIn(number, screens.front());
    }
    return false;
}

}  // namespace hx
