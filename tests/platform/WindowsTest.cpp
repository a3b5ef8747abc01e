#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <chrono>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Platform.h"

namespace hx {
namespace {

class Windows : public testing::Test {
protected:
    void TearDown() override {
        for (int number : {920, 921, 922})
            CloseWindow(number);
        Drain();
    }
    static void Drain() {
        while (PollEvent()) {
        }
    }
    // Events of a kind that arrive while Qt's pending work is handled.
    static std::vector<Event> Collect(int kind) {
        std::vector<Event> found;
        while (std::optional<Event> event = PollEvent()) {
            if (event->kind == kind)
                found.push_back(*event);
        }
        return found;
    }
};

TEST_F(Windows, CloseBoxOnlyReportsAndTheWindowStays) {
    QWidget *widget = OpenWindow(920, 10, 10, 200, 100, "w", 0);
    ASSERT_NE(widget, nullptr);
    Drain();
    QCloseEvent close;
    QCoreApplication::sendEvent(widget, &close);
    EXPECT_FALSE(close.isAccepted());
    const std::vector<Event> events = Collect(EventCloseWindow);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, 920);
    EXPECT_EQ(events[0].data, 0);
    EXPECT_TRUE(IsWindow(920));
    EXPECT_TRUE(IsWindowVisible(920));
}

TEST_F(Windows, ResizeIsReportedWithTheInnerSize) {
    ASSERT_NE(OpenWindow(920, 10, 10, 200, 100, "w", WindowResizable), nullptr);
    Drain();
    MoveWindow(920, -65535, -65535, 320, 240);
    const std::vector<Event> events = Collect(EventSizeWindow);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().window, 920);
    EXPECT_EQ(WindowWidth(920), 320);
    EXPECT_EQ(WindowHeight(920), 240);
}

TEST_F(Windows, MoveKeepsACoordinateGivenAsMinus65535) {
    ASSERT_NE(OpenWindow(920, 40, 50, 200, 100, "w", WindowHidden), nullptr);
    EXPECT_EQ(WindowX(920), 40);
    EXPECT_EQ(WindowY(920), 50);
    MoveWindow(920, -65535, 70);
    EXPECT_EQ(WindowX(920), 40);
    EXPECT_EQ(WindowY(920), 70);
    EXPECT_EQ(WindowWidth(920), 200);
    EXPECT_EQ(WindowHeight(920), 100);
    MoveWindow(920, 5, -65535, -1, 130);
    EXPECT_EQ(WindowX(920), 5);
    EXPECT_EQ(WindowY(920), 70);
    EXPECT_EQ(WindowHeight(920), 130);
}

TEST_F(Windows, MainWindowHasAControlAreaAndToolWindowsBelongToTheirParent) {
    QWidget *main = OpenWindow(920, 0, 0, 400, 300, "main", WindowMain | WindowResizable | WindowHidden);
    ASSERT_NE(MainWindowWidget(920), nullptr);
    EXPECT_EQ(MainWindowWidget(920)->centralWidget(), WindowControlArea(920));
    EXPECT_EQ(WindowWidth(920), 400);
    QWidget *tool = OpenWindow(921, 0, 0, 100, 50, "tool", WindowTool | WindowCentered | WindowHidden, 920);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->parentWidget(), main);
    EXPECT_TRUE(tool->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(MainWindowWidget(921), nullptr);
    EXPECT_EQ(WindowControlArea(921), tool);
    // Centred on the parent.
    EXPECT_EQ(tool->x() + tool->width() / 2, main->x() + main->width() / 2);
    CloseWindow(920);
    EXPECT_FALSE(IsWindow(921));   // went with its owner
}

TEST_F(Windows, ReopeningANumberClosesTheOldWindowAndItsControls) {
    QPointer<QWidget> first = OpenWindow(920, 0, 0, 100, 100, "a", WindowHidden);
    ASSERT_EQ(CreateCanvas(925, 920, 0, 0, 10, 10, 0), 925);
    EXPECT_EQ(ControlWindow(925), 920);
    QWidget *second = OpenWindow(920, 0, 0, 100, 100, "b", WindowHidden);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(WindowWidget(920), second);
    EXPECT_EQ(ControlWidget(925), nullptr);
    EXPECT_EQ(ControlWindow(925), -1);
}

TEST_F(Windows, UnknownNumbersAreHarmless) {
    EXPECT_FALSE(IsWindow(4321));
    EXPECT_EQ(WindowWidget(4321), nullptr);
    EXPECT_EQ(WindowWidth(4321), 0);
    EXPECT_EQ(GetWindowState(4321), WindowNormal);
    MoveWindow(4321, 1, 2, 3, 4);
    ShowWindow(4321, true);
    CloseWindow(4321);
    FreeControl(4321);
    ResizeControl(4321, 1, 2, 3, 4);
    AddWindowTimer(4321, 0, 10);
    EXPECT_EQ(OpenWindow(-2, 0, 0, 10, 10, "", 0), nullptr);
    EXPECT_EQ(PendingEventCount(), 0u);
}

TEST_F(Windows, MaximisedWindowStillGivesItsNormalGeometry) {
    ASSERT_NE(OpenWindow(920, 30, 40, 300, 200, "w", WindowResizable), nullptr);
    Drain();
    SetWindowState(920, WindowMaximized);
    Drain();
    EXPECT_EQ(GetWindowState(920), WindowMaximized);
    EXPECT_EQ(WindowWidth(920), 300);
    EXPECT_EQ(WindowHeight(920), 200);
    EXPECT_EQ(WindowX(920), 30);
    EXPECT_EQ(WindowY(920), 40);
    SetWindowState(920, WindowMinimized);
    EXPECT_EQ(GetWindowState(920), WindowMinimized);
    SetWindowState(920, WindowNormal);
    EXPECT_EQ(GetWindowState(920), WindowNormal);
}

TEST_F(Windows, StateRestoredBeforeTheFirstShowKeepsTheStoredGeometry) {
    // The start-up order: move and size, set the state, then show.
    ASSERT_NE(OpenWindow(920, 0, 0, 100, 100, "w", WindowResizable | WindowHidden), nullptr);
    MoveWindow(920, 30, 40, 300, 200);
    SetWindowState(920, WindowMaximized);
    ShowWindow(920, true);
    Drain();
    EXPECT_EQ(GetWindowState(920), WindowMaximized);
    EXPECT_EQ(WindowX(920), 30);
    EXPECT_EQ(WindowY(920), 40);
    EXPECT_EQ(WindowWidth(920), 300);
    EXPECT_EQ(WindowHeight(920), 200);
}

TEST_F(Windows, MessageBoxBlocksUntilClosedAndBelongsToItsWindow) {
    ASSERT_NE(OpenWindow(920, 0, 0, 100, 100, "owner", 0), nullptr);
    QWidget *seenParent = nullptr;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            seenParent = box->parentWidget();
            box->close();
        }
    });
    closer.start(1);
    MessageBox(920, "Title", "Text");
    EXPECT_EQ(seenParent, WindowWidget(920));
}

TEST_F(Windows, WindowOffEveryScreenIsCentred) {
    QWidget *widget = OpenWindow(920, 0, 0, 200, 100, "w", WindowHidden);
    ASSERT_NE(widget, nullptr);
    MoveWindow(920, 100000, -90000);
    KeepWindowOnScreen(920);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(QRect(widget->pos(), widget->size())));
    MoveWindow(920, 10, 20);
    KeepWindowOnScreen(920);   // on a screen: left alone
    EXPECT_EQ(WindowX(920), 10);
    EXPECT_EQ(WindowY(920), 20);
}

TEST_F(Windows, TimerDeliversTimerEventsWithItsNumber) {
    ASSERT_NE(OpenWindow(920, 0, 0, 50, 50, "t", WindowHidden), nullptr);
    AddWindowTimer(920, 3, 5);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    Event event;
    do {
        event = WaitEvent();
    } while (event.kind != EventTimer && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(event.kind, EventTimer);
    EXPECT_EQ(event.window, 920);
    EXPECT_EQ(event.data, 3);
    RemoveWindowTimer(920, 3);
    Drain();
}

TEST_F(Windows, TimerTicksAndResizesDoNotPileUpWhileTheQueueWaits) {
    Drain();
    Event tick;
    tick.window = 920;
    tick.kind = EventTimer;
    tick.data = 0;
    PostEvent(tick);
    PostEvent(tick);
    tick.data = 1;   // another timer counts apart
    PostEvent(tick);
    Event resized;
    resized.window = 920;
    resized.kind = EventSizeWindow;
    PostEvent(resized);
    PostEvent(resized);
    resized.window = 921;
    PostEvent(resized);
    PostControlEvent(920, 1, CanvasMouseMove);   // other events are never merged
    PostControlEvent(920, 1, CanvasMouseMove);
    EXPECT_EQ(PendingEventCount(), 6u);
    Drain();
}

TEST_F(Windows, FocusedControlFindsTheControlOfTheFocusWidget) {
    ASSERT_NE(OpenWindow(920, 0, 0, 200, 100, "f", 0), nullptr);
    QApplication::setActiveWindow(WindowWidget(920));
    ASSERT_EQ(CreateCanvas(926, 920, 0, 0, 50, 50, CanvasKeyboard), 926);
    ASSERT_EQ(CreateCanvas(927, 920, 60, 0, 50, 50, CanvasKeyboard), 927);
    FocusControl(927);
    EXPECT_EQ(FocusedControl(), 927);
    FocusControl(926);
    EXPECT_EQ(FocusedControl(), 926);
    FreeControl(926);
    EXPECT_NE(FocusedControl(), 926);
}

}  // namespace
}  // namespace hx
