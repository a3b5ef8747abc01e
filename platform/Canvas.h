// The canvas control: a drawing surface that reports mouse, wheel, key and
// focus events as control events, with the input attributes of each event
// (mouse position, key code, modifiers, wheel notches, input character).
//
// A canvas draws into an image that the widget shows at its next paint, so
// what was drawn can be read back pixel by pixel without a window system.
// Texts are UTF-8 unless a function says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QFont>
#include <QImage>

class QPainter;

namespace hx {

// 32-bit colour: red in the low byte, then green, blue, alpha in the top byte.
using Colour = uint32_t;
constexpr Colour RGBA(int r, int g, int b, int a = 255) {
    return static_cast<uint32_t>(r & 255) | (static_cast<uint32_t>(g & 255) << 8) |
           (static_cast<uint32_t>(b & 255) << 16) | (static_cast<uint32_t>(a & 255) << 24);
}
constexpr int Red(Colour c) { return c & 255; }
constexpr int Green(Colour c) { return (c >> 8) & 255; }
constexpr int Blue(Colour c) { return (c >> 16) & 255; }
constexpr int Alpha(Colour c) { return (c >> 24) & 255; }
constexpr Colour WithAlpha(Colour c, int a) { return (c & 0x00FFFFFFu) | (static_cast<uint32_t>(a & 255) << 24); }

// System colours of the application palette, made opaque.
enum class SystemColour { ButtonFace, ButtonShadow, DarkShadow, ButtonHighlight, ButtonText };
Colour GetSystemColour(SystemColour which);
// The default control font, and a fixed-pitch font by family and point size.
QFont DefaultControlFont();
QFont FixedFont(const std::string &family, int pointSize);

enum class Pointer { Arrow, IBeam, SizeVertical };

enum CanvasFlag : int {
    CanvasKeyboard = 1,       // takes keyboard focus on click and tab
};

class CanvasWidget;

// Creates a canvas as control number on window; returns the control number
// (number -1 lets the platform pick one from 100000 upwards).
int CreateCanvas(int number, int window, int x, int y, int width, int height, int flags);
CanvasWidget *GetCanvas(int number);

void SetCanvasUserData(int number, void *data);
void *GetCanvasUserData(int number);
void SetCanvasPointer(int number, Pointer pointer);
Pointer GetCanvasPointer(int number);
bool CanvasHasFocus(int number);
void SetCanvasToolTip(int number, const std::string &text);
std::string GetCanvasToolTip(int number);
// Accepting drops, always as a copy: files report EventDrop of type DropFiles
// with each local path in Event::paths; text reports EventDrop of type
// DropText with the text as Latin-1 bytes. Both carry the drop point. When a
// canvas takes both, a drag with local files is a file drop.
void SetCanvasDropFiles(int number, bool accept);
void SetCanvasDropText(int number, bool accept);
int CanvasWidth(int number);
int CanvasHeight(int number);
// The image last drawn (what the widget shows).
const QImage &CanvasImage(int number);
// How many times drawing was started on the canvas (tests count redraws).
int64_t CanvasDrawCount(int number);

// One stop of a linear gradient: position 0.0 ... 1.0 and colour.
using GradientStops = std::vector<std::pair<double, Colour>>;

// Drawing on a canvas: constructed to start, destroyed to stop (the widget is
// then repainted). Shapes are opaque until setBlending(true); text always has
// a transparent background.
class Drawing {
public:
    explicit Drawing(int canvas);
    // Drawing on a plain image (benchmarks and image building).
    explicit Drawing(QImage &image);
    ~Drawing();
    Drawing(const Drawing &) = delete;
    Drawing &operator=(const Drawing &) = delete;

    bool ok() const { return painter_ != nullptr; }
    int width() const;
    int height() const;

    void setBlending(bool alpha);
    void box(int x, int y, int w, int h, Colour c);
    void roundBox(int x, int y, int w, int h, int rx, int ry, Colour c);
    void roundFrame(int x, int y, int w, int h, int rx, int ry, Colour c);
    void frame(int x, int y, int w, int h, Colour c);
    void line(int x1, int y1, int x2, int y2, Colour c);
    void gradientBox(int x, int y, int w, int h, bool vertical, const GradientStops &stops,
                     int rx = 0, int ry = 0);
    // A button background, raised or sunken.
    void buttonBox(int x, int y, int w, int h, Colour face, bool sunken);

    void setFont(const QFont &font);
    // Draws text with its top-left corner at (x, y); returns the x after it.
    int text(int x, int y, const std::string &text, Colour c);
    // The same for Latin-1 bytes (byte n is code point n).
    int textLatin1(int x, int y, const char *bytes, int count, Colour c);
    // Text turned by 90 degrees (reading upwards), its baseline start at (x, y).
    void textRotated(int x, int y, const std::string &text, Colour c);
    int textWidth(const std::string &text);
    int textHeight(const std::string &text);

    void image(int x, int y, const QImage &img, int alpha = 255);
    void imageStretched(int x, int y, int w, int h, const QImage &img, int alpha = 255);
    void imagePart(int x, int y, const QImage &img, int sx, int sy, int sw, int sh);

    QPainter *painter() { return painter_; }

private:
    void begin(QImage &image);
    bool active() const;
    int canvas_ = -1;
    QPainter *painter_ = nullptr;
    QImage *target_ = nullptr;
    bool blending_ = false;
};

}  // namespace hx
