// A hex view on a hidden window, driven by synthetic canvas events, with the
// application's look (built-in frames and grip).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <QApplication>
#include <QColor>
#include <QImage>

#include "HexTestSupport.h"
#include "app/settings/Theme.h"
#include "hexview/HexView.h"
#include "hexview/HexViewLook.h"
#include "platform/Canvas.h"
#include "app/shell/Application.h"
#include "platform/Event.h"
#include "platform/Platform.h"

namespace hx::test {

class HexViewTest : public ::testing::Test {
public:
    static constexpr int Window = 0;
    static constexpr int Gadget = 1;
    static constexpr int Width = 800;
    static constexpr int Height = 600;

protected:
    void SetUp() override { Open(0); }
    void TearDown() override {
        DestroyHexView(Gadget);
        while (PollEvent()) {
        }
    }

    void Open(int flags, int width = Width, int height = Height) {
        DestroyHexView(Gadget);
        FillHexViewLook();
        if (!IsWindow(Window)) OpenWindow(Window, 0, 0, 1000, 800, "Hex view", WindowHidden);
        view = CreateHexView(Gadget, Window, 0, 0, width, height, flags);
        ASSERT_NE(view, nullptr);
        doc = view->CurrentDocument;
    }

    // Shows the window and gives the view the keyboard focus.
    void GiveFocus() {
        ShowWindow(Window, true);
        QApplication::setActiveWindow(WindowWidget(Window));
        FocusControl(Gadget);
    }

    // Replaces the document's bytes (outside the history) and redraws.
    void SetBytes(const std::vector<uint8_t> &bytes) {
        HexViewCommand(Gadget, HexReplaceAll, bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    std::vector<uint8_t> Contents() { return Bytes(*view->CurrentDocument); }

    static int Send(int type, int x = 0, int y = 0, int key = 0, int modifiers = 0, int character = 0,
                    int wheel = 0) {
        Event event;
        event.window = Window;
        event.control = Gadget;
        event.kind = EventControl;
        event.type = type;
        event.input.mouseX = x;
        event.input.mouseY = y;
        event.input.key = key;
        event.input.modifiers = modifiers;
        event.input.character = character;
        event.input.wheelDelta = wheel;
        return HandleHexViewEvent(Gadget, event);
    }
    static void Key(int key, int modifiers = 0) { Send(CanvasKeyDown, 0, 0, key, modifiers); }
    static void Type(const std::string &text) {
        for (unsigned char c : text) Send(CanvasInput, 0, 0, 0, 0, c);
    }
    static void Press(int x, int y) { Send(CanvasLeftButtonDown, x, y); }
    static void Move(int x, int y) { Send(CanvasMouseMove, x, y); }
    static void Release(int x, int y) { Send(CanvasLeftButtonUp, x, y); }

    const HexLayout &Layout() const { return view->Layout; }
    Pane &FirstPane() { return view->CurrentDocument->Panes.front(); }
    // Middle of the hexadecimal or character cell of byte index i of a pane.
    HexPoint HexMiddle(const Pane &pane, int64_t i) const {
        HexPoint p = Layout().hexCell(pane, i);
        return {p.X + Layout().Metrics.cellWidth() / 2, p.Y + Layout().Metrics.LineHeight / 2};
    }

    static Colour Pixel(int x, int y) {
        const QColor c = CanvasImage(Gadget).pixelColor(x, y);
        return RGBA(c.red(), c.green(), c.blue(), c.alpha());
    }
    // Pixels within a rectangle that satisfy a test.
    template <typename Test>
    static int Count(int x, int y, int w, int h, Test test) {
        int n = 0;
        for (int yy = y; yy < y + h; ++yy) {
            for (int xx = x; xx < x + w; ++xx) n += test(Pixel(xx, yy)) ? 1 : 0;
        }
        return n;
    }
    // Ink of a text colour: darker than white and nearer that colour's hue
    // than any other (antialiased glyphs mix their colour with white).
    static bool Ink(Colour pixel, Colour colour) {
        if (pixel == AreaColour) return false;
        // Distance from the line between white and the colour, measured as
        // darkening from white per channel.
        const double r = 255 - Red(pixel), g = 255 - Green(pixel), b = 255 - Blue(pixel);
        const double cr = 255 - Red(colour), cg = 255 - Green(colour), cb = 255 - Blue(colour);
        const double t = (r * cr + g * cg + b * cb) / (cr * cr + cg * cg + cb * cb);
        if (t < 0.25) return false;
        const double dr = r - t * cr, dg = g - t * cg, db = b - t * cb;
        return dr * dr + dg * dg + db * db < 400;
    }

    HexView *view = nullptr;
    Document *doc = nullptr;
};

}  // namespace hx::test
