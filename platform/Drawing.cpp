// Drawing on a canvas image (or any image) with QPainter.
//
// Boxes, frames and lines are drawn without antialiasing so that their pixels
// are exact; rounded shapes are antialiased. Shapes replace the pixels below
// them until setBlending(true); text and images always blend.
#include <QApplication>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

#include "Canvas.h"
#include "CanvasWidget.h"

namespace hx {
namespace {

QColor ToQColor(Colour c) { return QColor(Red(c), Green(c), Blue(c), Alpha(c)); }

// Sets the composition mode and antialiasing a primitive needs. Only changes
// are passed on: a state change costs more than a small box itself, and the
// hex view draws thousands of those.
void Prepare(QPainter *painter, QPainter::CompositionMode mode, bool antialias) {
    if (painter->compositionMode() != mode)
        painter->setCompositionMode(mode);
    if (painter->testRenderHint(QPainter::Antialiasing) != antialias)
        painter->setRenderHint(QPainter::Antialiasing, antialias);
}

// Shapes replace the pixels below until blending is on.
QPainter::CompositionMode ShapeMode(bool blending) {
    return blending ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source;
}

}  // namespace

Drawing::Drawing(int canvas) : canvas_(canvas) {
    CanvasWidget *widget = GetCanvas(canvas);
    // One Drawing per canvas at a time: a second one is refused (ok() false).
    if (widget == nullptr || widget->isBeingDrawn())
        return;
    widget->ensureImage();
    begin(widget->image());
    if (painter_ != nullptr)
        widget->beginDrawing(painter_);
}

Drawing::Drawing(QImage &image) { begin(image); }

void Drawing::begin(QImage &image) {
    if (image.isNull())
        return;
    auto painter = std::make_unique<QPainter>();
    // Fails when another Drawing is still painting the same image.
    if (!painter->begin(&image))
        return;
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    painter->setFont(QApplication::font());
    painter_ = painter.release();  // owned by this Drawing until its destructor
    target_ = &image;
}

Drawing::~Drawing() {
    if (painter_ == nullptr)
        return;
    if (painter_->isActive())
        painter_->end();
    if (canvas_ >= 0) {
        if (CanvasWidget *widget = GetCanvas(canvas_))
            widget->endDrawing(painter_);
    }
    std::unique_ptr<QPainter> owned(painter_);
}

int Drawing::width() const {
    if (target_ == nullptr)
        return 0;
    return static_cast<int>(target_->width() / target_->devicePixelRatio());
}

int Drawing::height() const {
    if (target_ == nullptr)
        return 0;
    return static_cast<int>(target_->height() / target_->devicePixelRatio());
}

// A canvas freed or resized while drawn stops the painter; what follows is ignored.
bool Drawing::active() const { return painter_ != nullptr && painter_->isActive(); }

void Drawing::setBlending(bool alpha) { blending_ = alpha; }

void Drawing::box(int x, int y, int w, int h, Colour c) {
    if (!active() || w <= 0 || h <= 0)
        return;
    Prepare(painter_, ShapeMode(blending_), false);
    painter_->fillRect(QRect(x, y, w, h), ToQColor(c));
}

void Drawing::frame(int x, int y, int w, int h, Colour c) {
    if (w <= 0 || h <= 0)
        return;
    // Four boxes, so that no corner pixel is blended twice.
    box(x, y, w, 1, c);
    if (h > 1)
        box(x, y + h - 1, w, 1, c);
    if (h > 2) {
        box(x, y + 1, 1, h - 2, c);
        if (w > 1)
            box(x + w - 1, y + 1, 1, h - 2, c);
    }
}

void Drawing::line(int x1, int y1, int x2, int y2, Colour c) {
    if (!active())
        return;
    // Straight lines as boxes: both end points included, exact pixels.
    if (y1 == y2) {
        box(std::min(x1, x2), y1, std::abs(x2 - x1) + 1, 1, c);
        return;
    }
    if (x1 == x2) {
        box(x1, std::min(y1, y2), 1, std::abs(y2 - y1) + 1, c);
        return;
    }
    Prepare(painter_, ShapeMode(blending_), false);
    painter_->setPen(QPen(ToQColor(c), 1));
    painter_->drawLine(x1, y1, x2, y2);
}

void Drawing::roundBox(int x, int y, int w, int h, int rx, int ry, Colour c) {
    if (!active() || w <= 0 || h <= 0)
        return;
    if (rx <= 0 || ry <= 0) {
        box(x, y, w, h, c);
        return;
    }
    Prepare(painter_, ShapeMode(blending_), true);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(ToQColor(c));
    painter_->drawRoundedRect(QRectF(x, y, w, h), rx, ry);
}

void Drawing::roundFrame(int x, int y, int w, int h, int rx, int ry, Colour c) {
    if (!active() || w <= 0 || h <= 0)
        return;
    if (rx <= 0 || ry <= 0) {
        frame(x, y, w, h, c);
        return;
    }
    Prepare(painter_, ShapeMode(blending_), true);
    painter_->setPen(QPen(ToQColor(c), 1));
    painter_->setBrush(Qt::NoBrush);
    // The pen is centred on the path: half a pixel inwards keeps it inside the box.
    painter_->drawRoundedRect(QRectF(x + 0.5, y + 0.5, w - 1, h - 1), rx, ry);
}

void Drawing::gradientBox(int x, int y, int w, int h, bool vertical, const GradientStops &stops, int rx,
                          int ry) {
    if (!active() || w <= 0 || h <= 0 || stops.empty())
        return;
    // From the centre of the first pixel row (column) to that of the last, so
    // that the first and the last show the colours of the stops 0 and 1.
    const double length = vertical ? h : w;
    const double from = 0.5;
    const double to = length > 1 ? length - 0.5 : 1.0;
    QLinearGradient gradient = vertical ? QLinearGradient(x, y + from, x, y + to)
                                        : QLinearGradient(x + from, y, x + to, y);
    for (const auto &[position, colour] : stops) {
        if (std::isnan(position))
            continue;
        gradient.setColorAt(std::clamp(position, 0.0, 1.0), ToQColor(colour));
    }
    const bool rounded = rx > 0 && ry > 0;
    Prepare(painter_, ShapeMode(blending_), rounded);
    if (!rounded) {
        painter_->fillRect(QRect(x, y, w, h), gradient);
        return;
    }
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(gradient);
    painter_->drawRoundedRect(QRectF(x, y, w, h), rx, ry);
}

void Drawing::buttonBox(int x, int y, int w, int h, Colour face, bool sunken) {
    if (!active() || w <= 0 || h <= 0)
        return;
    const Colour light = GetSystemColour(SystemColour::ButtonHighlight);
    const Colour shadow = GetSystemColour(SystemColour::ButtonShadow);
    const Colour dark = GetSystemColour(SystemColour::DarkShadow);
    box(x, y, w, h, face);
    if (w < 2 || h < 2)
        return;
    const Colour topLeft = sunken ? shadow : light;
    const Colour bottomRight = sunken ? light : dark;
    line(x, y, x + w - 1, y, topLeft);
    line(x, y, x, y + h - 1, topLeft);
    line(x, y + h - 1, x + w - 1, y + h - 1, bottomRight);
    line(x + w - 1, y, x + w - 1, y + h - 1, bottomRight);
    if (!sunken && w > 2 && h > 2) {
        line(x + 1, y + h - 2, x + w - 2, y + h - 2, shadow);
        line(x + w - 2, y + 1, x + w - 2, y + h - 2, shadow);
    }
}

void Drawing::setFont(const QFont &font) {
    if (active())
        painter_->setFont(font);
}

int Drawing::text(int x, int y, const std::string &text, Colour c) {
    if (!active())
        return x;
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    Prepare(painter_, QPainter::CompositionMode_SourceOver, false);
    painter_->setPen(ToQColor(c));
    QRectF drawn;
    painter_->drawText(QRectF(x, y, 1e6, 1e6), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, string, &drawn);
    return x + static_cast<int>(std::lround(drawn.width()));
}

int Drawing::textLatin1(int x, int y, const char *bytes, int count, Colour c) {
    if (!active() || bytes == nullptr || count <= 0)
        return x;
    const QString string = QString::fromLatin1(bytes, count);
    Prepare(painter_, QPainter::CompositionMode_SourceOver, false);
    painter_->setPen(ToQColor(c));
    QRectF drawn;
    painter_->drawText(QRectF(x, y, 1e6, 1e6), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, string, &drawn);
    return x + static_cast<int>(std::lround(drawn.width()));
}

void Drawing::textRotated(int x, int y, const std::string &text, Colour c) {
    if (!active())
        return;
    Prepare(painter_, QPainter::CompositionMode_SourceOver, false);
    painter_->setPen(ToQColor(c));
    const QTransform before = painter_->transform();
    painter_->translate(x, y);
    painter_->rotate(-90);
    painter_->drawText(QPoint(0, 0), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    painter_->setTransform(before);
}

int Drawing::textWidth(const std::string &text) {
    const QFontMetrics metrics = active() ? painter_->fontMetrics() : QFontMetrics(QApplication::font());
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int Drawing::textHeight(const std::string &) {
    const QFontMetrics metrics = active() ? painter_->fontMetrics() : QFontMetrics(QApplication::font());
    return metrics.height();
}

void Drawing::image(int x, int y, const QImage &img, int alpha) {
    if (!active() || img.isNull() || alpha <= 0)
        return;
    Prepare(painter_, QPainter::CompositionMode_SourceOver, false);
    painter_->setOpacity(std::min(alpha, 255) / 255.0);
    painter_->drawImage(QPoint(x, y), img);
    painter_->setOpacity(1.0);
}

void Drawing::imageStretched(int x, int y, int w, int h, const QImage &img, int alpha) {
    if (!active() || img.isNull() || alpha <= 0 || w <= 0 || h <= 0)
        return;
    Prepare(painter_, QPainter::CompositionMode_SourceOver, false);
    painter_->setOpacity(std::min(alpha, 255) / 255.0);
    painter_->drawImage(QRect(x, y, w, h), img);
    painter_->setOpacity(1.0);
}

void Drawing::imagePart(int x, int y, const QImage &img, int sx, int sy, int sw, int sh) {
    if (!active() || img.isNull() || sw <= 0 || sh <= 0)
        return;
    Prepare(painter_, QPainter::CompositionMode_SourceOver, false);
    painter_->drawImage(QPoint(x, y), img, QRect(sx, sy, sw, sh));
}

}  // namespace hx
