// Which control the menu bar's commands are meant for. A click on the menu
// bar of an inactive main window activates the window first, and the
// activation hands the keyboard focus to that window's own focus widget (the
// main hex view), so that Edit, Paste would land there instead of in the
// search pattern the user was typing into. The focus moved by the main
// window's activation alone is therefore not taken as the user's choice until
// the user types or clicks in it. A tool window that becomes active is one
// the user turned to (clicked into, or opened with a command such as Ctrl+F):
// its focus counts at once.
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QToolBar>
#include <QWidget>

#include <memory>

#include "Platform.h"
#include "PlatformInternal.h"

namespace hx {
namespace {

class FocusWatcher : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override;

    bool held = false;       // the focus moved by activation only
    int heldControl = -1;    // the control that had it before
    int lastControl = -1;    // the control that had the focus last (-1: none)
};

struct Watch {
    std::unique_ptr<FocusWatcher> watcher;
    QPointer<QCoreApplication> application;
};

Watch &TheWatch() {
    static Watch watch;
    return watch;
}

// Presses on the menu bar, a menu or the toolbar are part of giving a
// command, not a choice of where to type.
bool PartOfACommand(const QObject *object) {
    for (auto *w = qobject_cast<const QWidget *>(object); w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<const QMenuBar *>(w) || qobject_cast<const QMenu *>(w) || qobject_cast<const QToolBar *>(w))
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}

bool FocusWatcher::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::FocusIn: {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget == nullptr || widget != QApplication::focusWidget())
            break;
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const int control = detail::ControlOf(widget);
        if (reason == Qt::ActiveWindowFocusReason) {
            if (qobject_cast<const QMainWindow *>(widget->window()) != nullptr) {
                if (!held) heldControl = lastControl;
                held = true;
            } else if (control >= 0) {
                held = false;
            }
        } else if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) {
            held = false;
        }
        // A dialog's buttons are no controls: the field before it stays the last.
        if (control >= 0) lastControl = control;
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        // Input reaches the window (a QWindow) before the widget under the
        // mouse or with the focus: only the widget tells what it is for.
        if (held && qobject_cast<const QWidget *>(watched) != nullptr && !PartOfACommand(watched)) held = false;
        break;
    default:
        break;
    }
    return false;
}

}  // namespace

int CommandFocusControl() {
    const FocusWatcher *watcher = TheWatch().watcher.get();
    if (watcher != nullptr && watcher->held && watcher->heldControl >= 0 && ControlWidget(watcher->heldControl))
        return watcher->heldControl;
    return FocusedControl();
}

KeepKeyboardFocus::KeepKeyboardFocus() : control_(FocusedControl()) {
    for (int number = 0; number <= 16 && window_ < 0; ++number)
        if (WindowWidget(number) != nullptr && WindowWidget(number) == QApplication::activeWindow()) window_ = number;
}

KeepKeyboardFocus::~KeepKeyboardFocus() {
    QWidget *control = ControlWidget(control_);
    if (control == nullptr || !control->isVisible() || !control->isEnabled()) return;
    QWidget *window = WindowWidget(window_);
    if (window != nullptr && window != QApplication::activeWindow() && window->isVisible()) window->activateWindow();
    if (QApplication::focusWidget() != control) control->setFocus(Qt::OtherFocusReason);
}

namespace detail {

void WatchFocus() {
    Watch &watch = TheWatch();
    QCoreApplication *application = QCoreApplication::instance();
    if (application == nullptr || (watch.watcher && watch.application == application))
        return;
    StopWatchingFocus();
    watch.watcher = std::make_unique<FocusWatcher>();
    watch.application = application;
    application->installEventFilter(watch.watcher.get());
}

void StopWatchingFocus() {
    Watch &watch = TheWatch();
    if (watch.watcher && watch.application)
        watch.application->removeEventFilter(watch.watcher.get());
    watch.watcher.reset();
    watch.application = nullptr;
}

}  // namespace detail
}  // namespace hx
