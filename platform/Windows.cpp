// Windows and controls by number, and window timers.
//
// Windows report their close box as EventCloseWindow (they stay open: the
// program decides) and their inner size changes as EventSizeWindow.
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include <map>
#include <memory>
#include <utility>

#include "Platform.h"
#include "PlatformInternal.h"

namespace hx {
namespace {

constexpr int KeepCoordinate = -65535;

struct WindowRecord {
    QPointer<QWidget> widget;
    QPointer<QWidget> controlArea;
    int flags = 0;
    // Offset from the outer (frame) corner to the inner corner, measured while
    // the window was shown in its normal state; used to give the normal
    // geometry's outer position while the window is maximised or minimised.
    QPoint frameOffset;
    // Outer position and inner size the window last had (or was given) in
    // its normal state. A window manager that maximises a window resizes it
    // itself, and a hidden window keeps whatever size it last showed, so this
    // is the one reliable record of the size to go back to.
    QRect normal;
    bool shownBefore = false;   // frameOffset and normal were noted while it was shown
};

struct ControlRecord {
    QPointer<QWidget> widget;
    int window = -1;
};

// Converts the window events the program cares about; one filter serves all
// windows and finds the number by the widget.
class WindowEventFilter : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

struct Tables {
    std::map<int, WindowRecord> windows;
    std::map<int, ControlRecord> controls;
    std::map<std::pair<int, int>, std::unique_ptr<QTimer>> timers;
    std::unique_ptr<WindowEventFilter> filter;
};

Tables &TheTables() {
    static Tables tables;
    return tables;
}

WindowRecord *FindWindow(int number) {
    auto it = TheTables().windows.find(number);
    if (it == TheTables().windows.end() || it->second.widget == nullptr)
        return nullptr;
    return &it->second;
}

int WindowNumberOf(const QObject *widget) {
    for (const auto &[number, record] : TheTables().windows) {
        if (record.widget == widget)
            return number;
    }
    return -1;
}

constexpr Qt::WindowStates NotNormal = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;

bool InNormalState(const QWidget *widget) { return (widget->windowState() & NotNormal) == 0; }

// Notes the frame offset and the normal geometry while the window is shown
// in its normal state.
void NoteFrameOffset(WindowRecord &window) {
    const QWidget *widget = window.widget;
    if (!widget->isVisible() || !InNormalState(widget))
        return;
    window.frameOffset = widget->geometry().topLeft() - widget->frameGeometry().topLeft();
    window.normal = QRect(widget->pos(), widget->size());
    window.shownBefore = true;
}

// A window that was shown and is hidden now. The window manager took its
// frame away when it was hidden and put the inner corner where the frame's
// was, so Qt's position of it is the frame's (not the inner one's) and a
// move() to it would bring the window back higher by its title bar. Its
// place is the one noted while it was shown.
bool HiddenAfterShown(const WindowRecord &window) { return window.shownBefore && !window.widget->isVisible(); }

bool WindowEventFilter::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Close && type != QEvent::Resize && type != QEvent::Move && type != QEvent::ActivationChange)
        return false;
    const int number = WindowNumberOf(watched);
    if (number < 0)
        return false;
    Event record;
    record.window = number;
    if (type == QEvent::ActivationChange) {
        // Only the main window's: the moment to look whether open files changed.
        const WindowRecord *window = FindWindow(number);
        if ((window->flags & WindowMain) != 0 && window->widget->isActiveWindow()) {
            record.kind = EventWindowActivated;
            PostEvent(record);
        }
        return false;
    }
    if (event->type() == QEvent::Close) {
        // The close box only asks; CloseWindow / ShowWindow do what the program decides.
        event->ignore();
        record.kind = EventCloseWindow;
        PostEvent(record);
        return true;
    }
    WindowRecord &window = *FindWindow(number);
    NoteFrameOffset(window);
    if (type == QEvent::Move)
        return false;
    record.kind = EventSizeWindow;
    PostEvent(record);
    return false;
}

WindowEventFilter *Filter() {
    std::unique_ptr<WindowEventFilter> &filter = TheTables().filter;
    if (filter == nullptr)
        filter = std::make_unique<WindowEventFilter>();
    return filter.get();
}

void RemoveTimersOf(int window) {
    auto &timers = TheTables().timers;
    for (auto it = timers.begin(); it != timers.end();) {
        if (it->first.first == window)
            it = timers.erase(it);
        else
            ++it;
    }
}

void ForgetControlsOf(int window) {
    auto &controls = TheTables().controls;
    for (auto it = controls.begin(); it != controls.end();) {
        if (it->second.window == window)
            it = controls.erase(it);
        else
            ++it;
    }
}

QRect ScreenAreaFor(const QWidget *reference) {
    QScreen *screen = reference != nullptr ? reference->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

Qt::WindowFlags QtFlagsFor(int flags, bool hasParent) {
    Qt::WindowFlags qt = (flags & WindowTool) != 0 && hasParent ? Qt::Tool : Qt::Window;
    if ((flags & WindowFront) != 0)
        qt |= Qt::WindowStaysOnTopHint;
    if ((flags & WindowBorderless) != 0)
        return qt | Qt::FramelessWindowHint;
    if ((flags & WindowResizable) != 0)
        return qt | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;
    return qt | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

void SetInnerSize(WindowRecord &window, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if ((window.flags & WindowResizable) == 0)
        window.widget->setFixedSize(width, height);
    else
        window.widget->resize(width, height);
}

// The outer geometry a window has (or will have) in its normal state: its
// own while it is in that state (shown or not); else the normal geometry
// noted last, else what Qt kept, else its current one.
QRect NormalOuterGeometry(const WindowRecord &window) {
    const QWidget *widget = window.widget;
    if (InNormalState(widget) && HiddenAfterShown(window) && window.normal.isValid())
        return QRect(window.normal.topLeft(), widget->size());
    if (InNormalState(widget))
        return QRect(widget->pos(), widget->size());
    if (window.normal.isValid())
        return window.normal;
    const QRect normal = widget->normalGeometry();
    if (normal.isEmpty())
        return QRect(widget->pos(), widget->size());
    return QRect(normal.topLeft() - window.frameOffset, normal.size());
}

// Escape in a tool window (wherever its keyboard focus is) asks to close
// it, as its close box does; the program decides what closing means.
void CloseOnEscape(QWidget *widget, int number) {
    auto *escape = new QAction(widget);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    widget->addAction(escape);
    QObject::connect(escape, &QAction::triggered, widget, [number] {
        Event record;
        record.window = number;
        record.kind = EventCloseWindow;
        PostEvent(record);
    });
}

}  // namespace

// ---- windows ----

QWidget *OpenWindow(int number, int x, int y, int width, int height, const std::string &title,
                    int flags, int parent) {
    if (number < 0 || qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    CloseWindow(number);
    QWidget *parentWidget = parent >= 0 && parent != number ? WindowWidget(parent) : nullptr;
    const Qt::WindowFlags qtFlags = QtFlagsFor(flags, parentWidget != nullptr);

    WindowRecord record;
    record.flags = flags;
    // Ownership: a window with a parent belongs to the parent's widget tree; a
    // top-level one is deleted by CloseWindow (or ShutdownPlatform).
    if ((flags & WindowMain) != 0) {
        auto main = std::make_unique<QMainWindow>(parentWidget, qtFlags);
        auto area = std::make_unique<QWidget>();
        record.controlArea = area.get();
        main->setCentralWidget(area.release());
        record.widget = main.release();
    } else {
        record.widget = std::make_unique<QWidget>(parentWidget, qtFlags).release();
        record.controlArea = record.widget;
    }
    QWidget *widget = record.widget;
    widget->setWindowTitle(QString::fromStdString(title));
    widget->setAttribute(Qt::WA_DeleteOnClose, false);
    TheTables().windows[number] = record;
    SetInnerSize(TheTables().windows[number], width, height);

    if ((flags & WindowCentered) != 0) {
        const QRect area = parentWidget != nullptr ? parentWidget->frameGeometry() : ScreenAreaFor(nullptr);
        x = area.x() + (area.width() - widget->width()) / 2;
        y = area.y() + (area.height() - widget->height()) / 2;
    }
    widget->move(x, y);
    TheTables().windows[number].normal = QRect(widget->pos(), widget->size());
    widget->installEventFilter(Filter());
    if ((flags & WindowTool) != 0)
        CloseOnEscape(widget, number);
    detail::WatchFocus();
    if ((flags & WindowHidden) == 0)
        widget->show();
    return widget;
}

void CloseWindow(int number) {
    auto it = TheTables().windows.find(number);
    if (it == TheTables().windows.end())
        return;
    QPointer<QWidget> widget = it->second.widget;
    TheTables().windows.erase(it);
    RemoveTimersOf(number);
    ForgetControlsOf(number);
    if (widget != nullptr) {
        widget->removeEventFilter(Filter());
        widget->hide();
        // The window's widget tree owns its controls and owned windows; the
        // table only watched it, so this is its one deletion.
        delete widget.data();
    }
}

QWidget *WindowWidget(int number) {
    WindowRecord *window = FindWindow(number);
    return window != nullptr ? window->widget.data() : nullptr;
}

QMainWindow *MainWindowWidget(int number) { return qobject_cast<QMainWindow *>(WindowWidget(number)); }

QWidget *WindowControlArea(int number) {
    WindowRecord *window = FindWindow(number);
    return window != nullptr ? window->controlArea.data() : nullptr;
}

bool IsWindow(int number) { return FindWindow(number) != nullptr; }

void ShowWindow(int number, bool show) {
    QWidget *widget = WindowWidget(number);
    if (widget == nullptr)
        return;
    widget->setVisible(show);
    // The headless platform cannot raise and says so on every call.
    if (show && QGuiApplication::platformName() != QLatin1String("offscreen"))
        widget->raise();
}

namespace detail {

void StepAsideForDialog() {
    for (auto &[number, window] : TheTables().windows)
        if ((window.flags & WindowFront) != 0 && window.widget != nullptr && window.widget->isVisible())
            window.widget->hide();
}

}  // namespace detail

void RaiseWindow(int number) {
    QWidget *widget = WindowWidget(number);
    // The headless platform cannot raise and says so on every call.
    if (widget != nullptr && widget->isVisible() && QGuiApplication::platformName() != QLatin1String("offscreen"))
        widget->raise();
}

bool IsWindowVisible(int number) {
    QWidget *widget = WindowWidget(number);
    return widget != nullptr && widget->isVisible();
}

void DisableWindow(int number, bool disable) {
    QWidget *widget = WindowWidget(number);
    if (widget == nullptr)
        return;
    widget->setProperty("hxDisabled", disable);
    widget->setEnabled(!disable);
    // Qt hands a window's enabled state on to the windows it owns (the tool
    // windows are owned by the main window), which would take the Cancel
    // button of a running tool, or a modal window, with it. Each window here
    // keeps the state it was given itself.
    for (const auto &[other, record] : TheTables().windows) {
        if (other == number || record.widget == nullptr)
            continue;
        const bool own = record.widget->property("hxDisabled").toBool();
        if (record.widget->isEnabled() == own)
            record.widget->setEnabled(!own);
    }
}

void SetWindowTitle(int number, const std::string &title) {
    if (QWidget *widget = WindowWidget(number))
        widget->setWindowTitle(QString::fromStdString(title));
}

std::string WindowTitle(int number) {
    QWidget *widget = WindowWidget(number);
    return widget != nullptr ? widget->windowTitle().toStdString() : std::string();
}

void MoveWindow(int number, int x, int y, int width, int height) {
    WindowRecord *window = FindWindow(number);
    if (window == nullptr)
        return;
    QWidget *widget = window->widget;
    const QRect before = NormalOuterGeometry(*window);
    const QRect after(QPoint(x != KeepCoordinate ? x : before.x(), y != KeepCoordinate ? y : before.y()),
                      QSize(width >= 0 ? width : before.width(), height >= 0 ? height : before.height()));
    window->normal = after;
    // A maximised or minimised window keeps its place on the screen; the
    // new geometry is the one it goes back to.
    if (!InNormalState(widget))
        return;
    if (width >= 0 || height >= 0)
        SetInnerSize(*window, after.width(), after.height());
    if (HiddenAfterShown(*window)) {
        // The inner rectangle, from the frame offset it had: shown again, the
        // frame comes back around it exactly where it was.
        widget->setGeometry(QRect(after.topLeft() + window->frameOffset, widget->size()));
        return;
    }
    widget->move(after.topLeft());
}

int WindowX(int number) {
    const WindowRecord *window = FindWindow(number);
    return window != nullptr ? NormalOuterGeometry(*window).x() : 0;
}

int WindowY(int number) {
    const WindowRecord *window = FindWindow(number);
    return window != nullptr ? NormalOuterGeometry(*window).y() : 0;
}

int WindowWidth(int number) {
    const WindowRecord *window = FindWindow(number);
    return window != nullptr ? NormalOuterGeometry(*window).width() : 0;
}

int WindowHeight(int number) {
    const WindowRecord *window = FindWindow(number);
    return window != nullptr ? NormalOuterGeometry(*window).height() : 0;
}

void WindowFrameExtent(int number, int *width, int *height) {
    *width = 0;
    *height = 0;
    const QWidget *widget = WindowWidget(number);
    if (widget == nullptr)
        return;
    const QSize extra = widget->frameGeometry().size() - widget->size();
    if (extra.width() > 0 || extra.height() > 0) {
        *width = std::max(extra.width(), 0);
        *height = std::max(extra.height(), 0);
        return;
    }
    // Not framed yet. Frameless windows and the headless platform have none;
    // elsewhere a title bar and borders are the usual frame, taken on the
    // large side so that a window sized by it fits.
    if (widget->windowFlags().testFlag(Qt::FramelessWindowHint) ||
        QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    *width = 16;
    *height = 64;
}

void SetWindowState(int number, int state) {
    WindowRecord *window = FindWindow(number);
    if (window == nullptr)
        return;
    NoteFrameOffset(*window);
    QWidget *widget = window->widget;
    const bool wasNormal = InNormalState(widget);
    Qt::WindowStates qt = widget->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
    if (state == WindowMaximized)
        qt |= Qt::WindowMaximized;
    else if (state == WindowMinimized)
        qt |= Qt::WindowMinimized;
    widget->setWindowState(qt);
    // Back to normal: the geometry it had before (a hidden window would
    // otherwise keep the maximised size).
    if (!wasNormal && InNormalState(widget) && window->normal.isValid()) {
        SetInnerSize(*window, window->normal.width(), window->normal.height());
        widget->move(window->normal.topLeft());
    }
}

int GetWindowState(int number) {
    QWidget *widget = WindowWidget(number);
    if (widget == nullptr)
        return WindowNormal;
    // A maximised window that was minimised counts as maximised: that is the
    // state it comes back in.
    if (widget->windowState() & Qt::WindowMaximized)
        return WindowMaximized;
    if (widget->windowState() & Qt::WindowMinimized)
        return WindowMinimized;
    return WindowNormal;
}

void KeepWindowOnScreen(int number) {
    QWidget *widget = WindowWidget(number);
    if (widget == nullptr)
        return;
    const QRect frame(widget->pos(), widget->frameGeometry().size().expandedTo(widget->size()));
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame))
            return;
    }
    const QRect area = ScreenAreaFor(nullptr);
    widget->move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

// ---- timers ----

void AddWindowTimer(int window, int timer, int milliseconds) {
    if (!IsWindow(window))
        return;
    auto qtimer = std::make_unique<QTimer>();
    qtimer->setInterval(std::max(milliseconds, 0));
    QObject::connect(qtimer.get(), &QTimer::timeout, [window, timer] {
        Event event;
        event.window = window;
        event.kind = EventTimer;
        event.data = timer;
        PostEvent(event);
    });
    qtimer->start();
    TheTables().timers[{window, timer}] = std::move(qtimer);  // replaces a timer of the same number
}

void RemoveWindowTimer(int window, int timer) { TheTables().timers.erase({window, timer}); }

// ---- controls ----

void RegisterControl(int number, int window, QWidget *widget) {
    if (number < 0 || widget == nullptr)
        return;
    auto it = TheTables().controls.find(number);
    if (it != TheTables().controls.end() && it->second.widget != widget)
        FreeControl(number);
    TheTables().controls[number] = ControlRecord{widget, window};
}

void FreeControl(int number) {
    auto it = TheTables().controls.find(number);
    if (it == TheTables().controls.end())
        return;
    QPointer<QWidget> widget = it->second.widget;
    TheTables().controls.erase(it);
    // The control belongs to its window's widget tree; freeing it removes it from there.
    delete widget.data();
}

QWidget *ControlWidget(int number) {
    auto it = TheTables().controls.find(number);
    return it != TheTables().controls.end() ? it->second.widget.data() : nullptr;
}

int ControlWindow(int number) {
    auto it = TheTables().controls.find(number);
    if (it == TheTables().controls.end() || it->second.widget == nullptr)
        return -1;
    return it->second.window;
}

namespace detail {

int ControlOf(const QWidget *widget) {
    // A control built from several widgets (a spin box's line edit) counts
    // for any of its children.
    for (; widget != nullptr; widget = widget->parentWidget()) {
        for (const auto &[number, record] : TheTables().controls) {
            if (record.widget == widget)
                return number;
        }
        if (widget->isWindow())
            break;
    }
    return -1;
}

}  // namespace detail

int FocusedControl() { return detail::ControlOf(QApplication::focusWidget()); }

void FocusControl(int number) {
    QWidget *widget = ControlWidget(number);
    // Qt would focus any widget; a control that takes no keyboard input
    // (a canvas without CanvasKeyboard, a label) keeps it away.
    if (widget == nullptr || (widget->focusPolicy() == Qt::NoFocus && widget->focusProxy() == nullptr))
        return;
    widget->setFocus(Qt::OtherFocusReason);
}

void SetControlClickFocus(int number, bool takesFocus) {
    QWidget *widget = ControlWidget(number);
    if (widget == nullptr || widget->focusPolicy() == Qt::NoFocus)
        return;
    widget->setFocusPolicy(takesFocus ? Qt::StrongFocus : Qt::TabFocus);
}

void ResizeControl(int number, int x, int y, int width, int height) {
    QWidget *widget = ControlWidget(number);
    if (widget == nullptr)
        return;
    const QRect old = widget->geometry();
    widget->setGeometry(x != -1 ? x : old.x(), y != -1 ? y : old.y(), width != -1 ? std::max(width, 0) : old.width(),
                        height != -1 ? std::max(height, 0) : old.height());
}

void DisableControl(int number, bool disable) {
    if (QWidget *widget = ControlWidget(number))
        widget->setEnabled(!disable);
}

namespace detail {

void DestroyWindowsAndControls() {
    Tables &tables = TheTables();
    tables.timers.clear();
    // Owned windows go with their owner; close the ones that are left, highest number first.
    while (!tables.windows.empty())
        CloseWindow(std::prev(tables.windows.end())->first);
    for (auto &[number, record] : tables.controls)
        delete record.widget.data();  // controls on widgets of no window
    tables.controls.clear();
    tables.filter.reset();
    StopWatchingFocus();
}

}  // namespace detail
}  // namespace hx
