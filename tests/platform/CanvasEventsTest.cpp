#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QWheelEvent>

#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasWidget.h"
#include "platform/Platform.h"

namespace hx {
namespace {

constexpr int TestWindow = 900;
constexpr int TestCanvas = 901;

class CanvasEvents : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(OpenWindow(TestWindow, 0, 0, 300, 200, "canvas", WindowHidden), nullptr);
        ASSERT_EQ(CreateCanvas(TestCanvas, TestWindow, 10, 10, 200, 100, CanvasKeyboard), TestCanvas);
        Drain();
    }
    void TearDown() override {
        CloseWindow(TestWindow);
        Drain();
    }
    static void Drain() {
        while (PollEvent()) {
        }
    }
    // The canvas events queued so far, without processing more Qt events.
    static std::vector<Event> Taken() {
        std::vector<Event> events;
        while (PendingEventCount() > 0)
            events.push_back(WaitEvent());
        return events;
    }
    static std::vector<int> Types(const std::vector<Event> &events) {
        std::vector<int> types;
        for (const Event &event : events)
            types.push_back(event.type);
        return types;
    }
    CanvasWidget *canvas() { return GetCanvas(TestCanvas); }

    void mouse(QEvent::Type type, Qt::MouseButton button, QPointF at, Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, canvas()->mapToGlobal(at), button, held, modifiers);
        QCoreApplication::sendEvent(canvas(), &event);
    }
    void key(QEvent::Type type, int code, Qt::KeyboardModifiers modifiers, const QString &text = {},
             bool repeat = false) {
        QKeyEvent event(type, code, modifiers, text, repeat);
        QCoreApplication::sendEvent(canvas(), &event);
    }
    void wheel(int delta, QPointF at = {5, 6}) {
        QWheelEvent event(at, canvas()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(canvas(), &event);
    }
};

TEST_F(CanvasEvents, MousePressReportsPositionButtonAndModifiers) {
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, {12.7, 34.2}, Qt::ShiftModifier | Qt::ControlModifier);
    const std::vector<Event> events = Taken();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, TestWindow);
    EXPECT_EQ(events[0].control, TestCanvas);
    EXPECT_EQ(events[0].kind, EventControl);
    EXPECT_EQ(events[0].type, CanvasLeftButtonDown);
    EXPECT_EQ(events[0].input.mouseX, 12);
    EXPECT_EQ(events[0].input.mouseY, 34);
    EXPECT_EQ(events[0].input.modifiers, ModShift | ModControl);
}

TEST_F(CanvasEvents, KeyWithTextReportsKeyThenInput) {
    key(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A");
    key(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A");
    const std::vector<Event> events = Taken();
    ASSERT_EQ(Types(events), (std::vector<int>{CanvasKeyDown, CanvasInput, CanvasKeyUp}));
    EXPECT_EQ(events[0].input.key, 'A');
    EXPECT_EQ(events[0].input.modifiers, ModShift);
    EXPECT_EQ(events[1].input.character, 'A');
    EXPECT_EQ(events[2].input.key, 'A');
}

TEST_F(CanvasEvents, WheelReportsWholeNotches) {
    wheel(240);
    wheel(-120);
    const std::vector<Event> events = Taken();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].input.wheelDelta, 2);
    EXPECT_EQ(events[1].input.wheelDelta, -1);
}

TEST_F(CanvasEvents, ReleaseOnTheCanvasCompletesAClickAfterTheButtonUp) {
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {6, 5});
    mouse(QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, {5, 5});
    mouse(QEvent::MouseButtonPress, Qt::MiddleButton, {5, 5});
    mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, {5, 5});
    EXPECT_EQ(Types(Taken()), (std::vector<int>{CanvasLeftButtonDown, CanvasLeftButtonUp, CanvasLeftClick,
                                                CanvasRightButtonDown, CanvasRightButtonUp, CanvasRightClick,
                                                CanvasMiddleButtonDown, CanvasMiddleButtonUp}));
}

TEST_F(CanvasEvents, ReleaseOutsideTheCanvasIsNoClickButKeepsItsPosition) {
    // The press grabs the mouse, so the release arrives here with outside coordinates.
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    mouse(QEvent::MouseMove, Qt::NoButton, {250, -7});
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {250, -7});
    const std::vector<Event> events = Taken();
    ASSERT_EQ(Types(events), (std::vector<int>{CanvasLeftButtonDown, CanvasMouseMove, CanvasLeftButtonUp}));
    EXPECT_EQ(events[1].input.mouseX, 250);
    EXPECT_EQ(events[1].input.mouseY, -7);
}

TEST_F(CanvasEvents, SecondPressOfADoubleClickIsADownAndItsReleaseTheDoubleClick) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        mouse(QEvent::MouseButtonPress, button, {5, 5});
        mouse(QEvent::MouseButtonRelease, button, {5, 5});
        mouse(QEvent::MouseButtonDblClick, button, {5, 5});
        mouse(QEvent::MouseButtonRelease, button, {5, 5});
    }
    EXPECT_EQ(Types(Taken()),
              (std::vector<int>{CanvasLeftButtonDown, CanvasLeftButtonUp, CanvasLeftClick, CanvasLeftButtonDown,
                                CanvasLeftButtonUp, CanvasLeftDoubleClick, CanvasRightButtonDown,
                                CanvasRightButtonUp, CanvasRightClick, CanvasRightButtonDown, CanvasRightButtonUp,
                                CanvasRightDoubleClick}));
}

TEST_F(CanvasEvents, KeyEventsCarryTheMousePositionLastSeen) {
    mouse(QEvent::MouseMove, Qt::NoButton, {33, 44});
    key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    const std::vector<Event> events = Taken();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().type, CanvasKeyDown);
    EXPECT_EQ(events.back().input.key, KeyLeft);
    EXPECT_EQ(events.back().input.mouseX, 33);
    EXPECT_EQ(events.back().input.mouseY, 44);
}

TEST_F(CanvasEvents, InputCharactersAreLatin1TypingOnly) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        int character;   // 0: no input event
    };
    const Case cases[] = {
        {Qt::Key_Space, Qt::NoModifier, " ", 32},
        {Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)), 0xE9},
        {Qt::Key_ydiaeresis, Qt::NoModifier, QString(QChar(0xFF)), 0xFF},
        {Qt::Key_Return, Qt::NoModifier, "\r", 0},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", 0},
        {Qt::Key_Delete, Qt::NoModifier, QString(QChar(127)), 0},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), 0},   // euro sign: no byte
        {Qt::Key_C, Qt::ControlModifier, "\x03", 0},
        {Qt::Key_F, Qt::AltModifier, "f", 0},
        {Qt::Key_Left, Qt::NoModifier, "", 0},
    };
    for (const Case &c : cases) {
        key(QEvent::KeyPress, c.key, c.modifiers, c.text);
        const std::vector<Event> events = Taken();
        SCOPED_TRACE(c.key);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events[0].type, CanvasKeyDown);
        if (c.character == 0) {
            EXPECT_EQ(events.size(), 1u);
            continue;
        }
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[1].type, CanvasInput);
        EXPECT_EQ(events[1].input.character, c.character);
    }
}

TEST_F(CanvasEvents, TabReachesTheCanvasAsAKey) {
    key(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
    key(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier, "");
    const std::vector<Event> events = Taken();
    ASSERT_EQ(Types(events), (std::vector<int>{CanvasKeyDown, CanvasKeyDown}));
    EXPECT_EQ(events[0].input.key, Qt::Key_Tab);
    EXPECT_EQ(events[1].input.key, Qt::Key_Tab);
    EXPECT_EQ(events[1].input.modifiers, ModShift);
}

TEST_F(CanvasEvents, HeldKeyRepeatsKeyDownWithoutKeyUps) {
    key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    key(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, {}, true);
    key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, {}, true);
    key(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(Types(Taken()), (std::vector<int>{CanvasKeyDown, CanvasKeyDown, CanvasKeyUp}));
}

TEST_F(CanvasEvents, PartialWheelDeltasAddUpToNotches) {
    wheel(40);
    wheel(40);
    EXPECT_EQ(PendingEventCount(), 0u);
    wheel(50);   // 130: one notch, 10 left over
    wheel(-130); // -120: one notch down
    const std::vector<Event> events = Taken();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].input.wheelDelta, 1);
    EXPECT_EQ(events[1].input.wheelDelta, -1);
    EXPECT_EQ(events[0].input.mouseX, 5);
    EXPECT_EQ(events[0].input.mouseY, 6);
}

TEST_F(CanvasEvents, FocusEnterAndLeaveAreReported) {
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(canvas(), &in);
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(canvas(), &out);
    QEnterEvent enter(QPointF(7, 8), QPointF(7, 8), QPointF(7, 8));
    QCoreApplication::sendEvent(canvas(), &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(canvas(), &leave);
    const std::vector<Event> events = Taken();
    ASSERT_EQ(Types(events), (std::vector<int>{CanvasFocus, CanvasLostFocus, CanvasMouseEnter, CanvasMouseLeave}));
    EXPECT_EQ(events[2].input.mouseX, 7);
}

TEST_F(CanvasEvents, MoveOverTheCanvasAfterALeaveReportsTheMissingEnter) {
    QEnterEvent enter(QPointF(7, 8), QPointF(7, 8), QPointF(7, 8));
    QCoreApplication::sendEvent(canvas(), &enter);
    QCoreApplication::sendEvent(canvas(), &enter);   // a second enter without leave: one only
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(canvas(), &leave);
    mouse(QEvent::MouseMove, Qt::NoButton, {20, 20});
    mouse(QEvent::MouseMove, Qt::NoButton, {21, 20});
    EXPECT_EQ(Types(Taken()), (std::vector<int>{CanvasMouseEnter, CanvasMouseLeave, CanvasMouseEnter,
                                                CanvasMouseMove, CanvasMouseMove}));
}

TEST_F(CanvasEvents, ClickGivesAKeyboardCanvasTheFocusOthersNever) {
    ShowWindow(TestWindow, true);
    canvas()->activateWindow();
    QApplication::setActiveWindow(WindowWidget(TestWindow));
    const int plain = CreateCanvas(-1, TestWindow, 0, 150, 20, 20, 0);
    ASSERT_GE(plain, 100000);
    EXPECT_EQ(GetCanvas(plain)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(canvas()->focusPolicy(), Qt::StrongFocus);
    FocusControl(TestCanvas);
    EXPECT_TRUE(CanvasHasFocus(TestCanvas));
    EXPECT_EQ(FocusedControl(), TestCanvas);
    FocusControl(plain);
    EXPECT_FALSE(CanvasHasFocus(plain));
}

TEST_F(CanvasEvents, UserDataPointerAndToolTipAreKeptPerCanvas) {
    int record = 0;
    SetCanvasUserData(TestCanvas, &record);
    EXPECT_EQ(GetCanvasUserData(TestCanvas), &record);
    EXPECT_EQ(GetCanvasUserData(4711), nullptr);
    SetCanvasPointer(TestCanvas, Pointer::IBeam);
    EXPECT_EQ(GetCanvasPointer(TestCanvas), Pointer::IBeam);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::IBeamCursor);
    SetCanvasPointer(TestCanvas, Pointer::SizeVertical);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::SizeVerCursor);
    SetCanvasToolTip(TestCanvas, "Neu");
    EXPECT_EQ(GetCanvasToolTip(TestCanvas), "Neu");
}

TEST_F(CanvasEvents, DroppedLocalFilesArriveAsOneDropEvent) {
    SetCanvasDropFiles(TestCanvas, true);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a.bin"), QUrl("https://example.invalid/x"),
                  QUrl::fromLocalFile("/tmp/b c.bin"), QUrl::fromLocalFile("/tmp/line\nfeed.bin")});
    // Qt hands the drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas(), &drop);
    const std::vector<Event> events = Taken();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventDrop);
    EXPECT_EQ(events[0].type, DropFiles);
    EXPECT_EQ(events[0].control, TestCanvas);
    EXPECT_EQ(events[0].window, TestWindow);
    EXPECT_EQ(events[0].input.mouseX, 3);
    EXPECT_EQ(events[0].input.mouseY, 4);
    // Each name whole, the line feed in the last one included.
    EXPECT_EQ(events[0].paths, (std::vector<std::string>{"/tmp/a.bin", "/tmp/b c.bin", "/tmp/line\nfeed.bin"}));
}

// The source of a drag offering a move deletes what it gave once the drop
// is taken as a move: every drop is taken as a copy, or refused.
TEST_F(CanvasEvents, DropsAreTakenAsCopiesOnly) {
    SetCanvasDropText(TestCanvas, true);
    QMimeData data;
    data.setText("hello");
    QDragEnterEvent offered(QPoint(3, 4), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    offered.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(canvas(), &offered);
    EXPECT_TRUE(offered.isAccepted());
    EXPECT_EQ(offered.dropAction(), Qt::CopyAction);
    QDragEnterEvent moveOnly(QPoint(3, 4), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas(), &moveOnly);
    EXPECT_FALSE(moveOnly.isAccepted());
    QDropEvent drop(QPointF(3, 4), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(canvas(), &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
}

TEST_F(CanvasEvents, TextDropArrivesAsLatin1WithItsPoint) {
    QMimeData data;
    data.setText(QString::fromUtf8("caf\u00e9 \u20ac"));
    QDragEnterEvent refused(QPoint(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    SetCanvasDropFiles(TestCanvas, true);   // files only: text is refused
    QCoreApplication::sendEvent(canvas(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    SetCanvasDropText(TestCanvas, true);
    QDragEnterEvent enter(QPoint(3, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(30, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas(), &drop);
    const std::vector<Event> events = Taken();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventDrop);
    EXPECT_EQ(events[0].type, DropText);
    EXPECT_EQ(events[0].input.mouseX, 30);
    EXPECT_EQ(events[0].input.mouseY, 40);
    EXPECT_EQ(events[0].text, std::string("caf\xE9 ?"));   // as the clipboard converts it
    EXPECT_TRUE(events[0].paths.empty());
}

TEST_F(CanvasEvents, BadCanvasRequestsAreRefused) {
    EXPECT_EQ(CreateCanvas(5, 4242, 0, 0, 10, 10, 0), -1);    // no such window
    EXPECT_EQ(CreateCanvas(-7, TestWindow, 0, 0, 10, 10, 0), -1);
    EXPECT_EQ(CreateCanvas(902, TestWindow, 0, 0, -10, -10, 0), 902);
    EXPECT_EQ(CanvasWidth(902), 0);
    // Reusing a number frees the old canvas.
    QPointer<QWidget> old = ControlWidget(902);
    EXPECT_EQ(CreateCanvas(902, TestWindow, 0, 0, 10, 10, 0), 902);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(CanvasWidth(902), 10);
}

}  // namespace
}  // namespace hx
