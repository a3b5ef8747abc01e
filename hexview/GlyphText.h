// Text of the hex view drawn as positioned glyph runs: every character gets
// its own pixel position (the cell positions of the layout), yet a whole
// pane's digits of one colour cost one draw call instead of one per cell.
//
// Positions are the top-left corners that the platform's text drawing uses
// (the baseline lies one ascent below), so a glyph drawn here lands on the
// same pixels as the same character drawn as text at that point.
#pragma once

#include <array>
#include <cstdint>

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QVector>

#include "platform/Canvas.h"

class QPainter;
class QPaintDevice;

namespace hx {

class GlyphFont {
public:
    // Prepares the glyphs of the 256 Latin-1 codes of font as drawn on device;
    // cheap when nothing changed since the last call.
    void prepare(const QFont &font, const QPaintDevice *device);
    bool valid() const { return raw_.isValid(); }
    uint32_t glyph(uint8_t code) const { return glyphs_[code]; }
    qreal advance(uint8_t code) const { return advances_[code]; }
    qreal ascent() const { return ascent_; }
    const QRawFont &raw() const { return raw_; }

private:
    QFont font_;
    int dpiX_ = 0, dpiY_ = 0;
    bool prepared_ = false;
    QRawFont raw_;
    std::array<uint32_t, 256> glyphs_{};
    std::array<qreal, 256> advances_{};
    qreal ascent_ = 0;
};

// Collects glyphs of one colour, then draws them in one call.
class GlyphBatch {
public:
    explicit GlyphBatch(const GlyphFont &font) : font_(font) {}
    // Adds the character code with its text's top-left corner at (x, y);
    // returns the x after it.
    qreal add(uint8_t code, qreal x, int y);
    // Adds a Latin-1 string; returns the x after it.
    qreal add(const char *text, int count, qreal x, int y);
    bool empty() const { return glyphs_.isEmpty(); }
    // Draws what was collected in colour and empties the batch.
    void draw(QPainter *painter, Colour colour);

private:
    const GlyphFont &font_;
    QVector<quint32> glyphs_;
    QVector<QPointF> positions_;
};

}  // namespace hx
