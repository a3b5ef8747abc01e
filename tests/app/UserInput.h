// Input as the window system delivers it (through Qt's own entries, as its
// test library does), and the loop taking every pending event: for shell
// tests that check what a real click or key press does.
#pragma once

#include <QCoreApplication>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <optional>

#include "app/shell/Application.h"
#include "platform/Platform.h"

Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *window, const QPointF &local, const QPointF &global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);
Q_GUI_EXPORT bool qt_handleKeyEvent(QWindow *window, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                                    const QString &text, bool autorep, ushort count);

namespace hx {

// Hands every pending event to the loop, as it would take them.
inline void Pump() {
    QCoreApplication::processEvents();
    while (std::optional<Event> event = PollEvent()) DispatchEvent(*event);
}

// A left click at (x, y) of a control, pressed and released.
inline void UserClick(int control, int x, int y) {
    QWidget *target = ControlWidget(control);
    QWindow *window = target->window()->windowHandle();
    const QPointF at = target->mapTo(target->window(), QPoint(x, y));
    const QPointF global = target->mapToGlobal(QPoint(x, y));
    qt_handleMouseEvent(window, at, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, Qt::NoModifier,
                        0);
    qt_handleMouseEvent(window, at, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease,
                        Qt::NoModifier, 0);
    Pump();
}

// A key pressed and released in the main window.
inline void UserKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWindow *window = WindowWidget(0)->windowHandle();
    qt_handleKeyEvent(window, QEvent::KeyPress, key, modifiers, QString(), false, 1);
    qt_handleKeyEvent(window, QEvent::KeyRelease, key, modifiers, QString(), false, 1);
    Pump();
}

}  // namespace hx
