#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
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

}  // namespace
}  // namespace hx
