// The settings as the running program uses them: where the file lives, what
// is read back from the windows and menus at the end, and how stored window
// places are put back at the start.
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#include "app/Settings.h"
#include "platform/Platform.h"

namespace hx {

namespace {

std::function<SettingsMenuState()> &menuReader() {
    static std::function<SettingsMenuState()> reader;
    return reader;
}

std::string configurationPath() { return ConfigFolderPath() + "Configuration.ini"; }

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
        // The stored geometry is the normal-state one, whatever the window showed.
        ShowWindow(0, false);
        SetWindowState(0, WindowNormal);
        s.X = WindowX(0);
        s.Y = WindowY(0);
        s.Width = WindowWidth(0);
        s.Height = WindowHeight(0);
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

bool RestoreWindowPlace(int number, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!IsWindow(number))
        return false;
    // A stored size of NoPosition (or any non-positive size) keeps the created size.
    const int w = width > 0 ? width : -1;
    const int h = height > 0 ? height : -1;
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
        if (!screens.empty()) {
            const ScreenRect &s = screens.front();
            const int64_t cx = s.x + (int64_t{s.width} - WindowWidth(number)) / 2;
            const int64_t cy = s.y + (int64_t{s.height} - WindowHeight(number)) / 2;
            MoveWindow(number, static_cast<int>(std::max<int64_t>(cx, s.x)),
                       static_cast<int>(std::max<int64_t>(cy, s.y)));
        }
    }
    return false;
}

}  // namespace hx
