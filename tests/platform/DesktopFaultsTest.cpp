// Faults a user met on the desktop layer: "&" in menu texts, Paste offered for
// an empty clipboard, a click that took the keyboard away from the editor,
// and the normal geometry of a maximised (and then minimised) window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMenu>
#include <QKeySequence>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QWindow>

#include <memory>

#include "platform/Canvas.h"
#include "platform/ClipboardProbe.h"
#include "platform/Menu.h"
#include "platform/Platform.h"

// Qt's own entry for input from the window system (what its test library uses).
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *window, const QPointF &local, const QPointF &global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

namespace hx {
namespace {

// A click as the window system delivers it (a synthetic event sent to the
// widget would not move the focus).
void UserClick(QWidget *target, QPoint local) {
    QWindow *window = target->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPointF at = target->mapTo(target->window(), local);
    const QPointF global = target->mapToGlobal(local);
    qt_handleMouseEvent(window, at, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress, Qt::NoModifier, 0);
    qt_handleMouseEvent(window, at, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease, Qt::NoModifier, 0);
    QCoreApplication::processEvents();
}

void Drain() {
    while (PollEvent()) {
    }
}

TEST(DesktopFaults, AmpersandsMarkAccessLettersAndLiteralTextsShowThemselves) {
    ASSERT_NE(OpenWindow(930, 0, 0, 300, 200, "m", WindowMain | WindowHidden), nullptr);
    ASSERT_TRUE(CreateMenu(0, 930));
    AddMenuTitle(0, "&Files && more");
    OpenSubMenu(0, "&Recent", nullptr);
    AddMenuAction(0, 1, LiteralMenuText("R&D.bin"), nullptr);
    AddMenuAction(0, 2, "&Keep", nullptr);
    SetMenuItemShortcut(0, 2, "Ctrl+B", false);
    CloseSubMenu(0);

    QMenuBar *bar = MainWindowWidget(930)->menuBar();
    ASSERT_EQ(bar->actions().size(), 1);
    QAction *title = bar->actions().front();
    EXPECT_EQ(QKeySequence::mnemonic(title->text()), QKeySequence("Alt+F"));
    const QList<QAction *> items = title->menu()->actions().front()->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(QKeySequence::mnemonic(items[0]->text()).isEmpty());
    EXPECT_EQ(QKeySequence::mnemonic(items[1]->text().section('\t', 0, 0)), QKeySequence("Alt+K"));
    // The program's record keeps the text as the menu shows it.
    EXPECT_EQ(MenuItemText(0, 1), "R&D.bin");
    EXPECT_EQ(MenuItemText(0, 2), "Keep");
    EXPECT_EQ(MenuItemPath(0, 1), (std::vector<std::string>{"Files & more", "Recent"}));
    FreeMenu(0);
    CloseWindow(930);
}

TEST(DesktopFaults, PasteDataMeansNonEmptyTextOrBytes) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    struct Case {
        const char *name;
        const char *text;       // nullptr: no text offered
        const char *bytes;      // nullptr: no bytes offered
        bool expected;
    } cases[] = {
        {"empty text", "", nullptr, false},
        {"text", "41", nullptr, true},
        {"one blank", " ", nullptr, true},
        {"bytes only", nullptr, "\x01", true},
        {"empty bytes and empty text", "", "", false},
        {"empty bytes beside text", "AB", "", true},
        {"nothing at all", nullptr, nullptr, false},
    };
    for (const Case &c : cases) {
        auto data = std::make_unique<QMimeData>();
        if (c.text) data->setText(QString::fromLatin1(c.text));
        if (c.bytes) data->setData(ClipboardBytesType, QByteArray(c.bytes));
        clipboard->setMimeData(data.release());
        EXPECT_EQ(ClipboardHasPasteData(), c.expected) << c.name;
    }
    clipboard->clear();
}

TEST(DesktopFaults, ClickOnAStripWithoutClickFocusLeavesTheKeyboardWhereItWas) {
    ASSERT_NE(OpenWindow(931, 0, 0, 300, 200, "f", 0), nullptr);
    QApplication::setActiveWindow(WindowWidget(931));
    ASSERT_EQ(CreateCanvas(932, 931, 0, 0, 100, 30, CanvasKeyboard), 932);   // the strip
    ASSERT_EQ(CreateCanvas(933, 931, 0, 40, 100, 100, CanvasKeyboard), 933);  // the editor
    SetControlClickFocus(932, false);
    FocusControl(933);
    ASSERT_EQ(FocusedControl(), 933);

    QWidget *strip = ControlWidget(932);
    UserClick(strip, QPoint(10, 10));
    EXPECT_EQ(FocusedControl(), 933);
    // Reached on purpose, the strip still takes it; and click focus can come back.
    FocusControl(932);
    EXPECT_EQ(FocusedControl(), 932);
    SetControlClickFocus(932, true);
    FocusControl(933);
    UserClick(strip, QPoint(10, 10));
    EXPECT_EQ(FocusedControl(), 932);
    CloseWindow(931);
    Drain();
}

TEST(DesktopFaults, MaximisedThenMinimisedCountsAsMaximisedAndKeepsItsNormalGeometry) {
    QWidget *widget = OpenWindow(934, 30, 40, 300, 200, "s", WindowResizable);
    ASSERT_NE(widget, nullptr);
    Drain();
    SetWindowState(934, WindowMaximized);
    Drain();
    // The desktop minimises a maximised window: both flags are set.
    widget->setWindowState(widget->windowState() | Qt::WindowMinimized);
    Drain();
    EXPECT_EQ(GetWindowState(934), WindowMaximized);
    EXPECT_EQ(WindowWidth(934), 300);
    EXPECT_EQ(WindowHeight(934), 200);

    SetWindowState(934, WindowNormal);
    Drain();
    EXPECT_EQ(GetWindowState(934), WindowNormal);
    EXPECT_EQ(widget->size(), QSize(300, 200));
    CloseWindow(934);
}

TEST(DesktopFaults, HiddenMaximisedWindowRestoredToNormalTakesItsNormalSize) {
    // What saving the settings does: hide the window, restore it, read it.
    QWidget *widget = OpenWindow(935, 30, 40, 300, 200, "h", WindowResizable);
    ASSERT_NE(widget, nullptr);
    Drain();
    SetWindowState(935, WindowMaximized);
    Drain();
    ASSERT_NE(widget->size(), QSize(300, 200)) << "the platform did not maximise";
    ShowWindow(935, false);
    SetWindowState(935, WindowNormal);
    EXPECT_EQ(WindowWidth(935), 300);
    EXPECT_EQ(WindowHeight(935), 200);
    EXPECT_EQ(WindowX(935), 30);
    EXPECT_EQ(WindowY(935), 40);
    CloseWindow(935);
}

}  // namespace
}  // namespace hx
