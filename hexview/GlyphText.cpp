#include "GlyphText.h"

#include <QColor>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QString>

namespace hx {

void GlyphFont::prepare(const QFont &font, const QPaintDevice *device) {
    const int dpiX = device ? device->logicalDpiX() : 0;
    const int dpiY = device ? device->logicalDpiY() : 0;
    if (prepared_ && font == font_ && dpiX == dpiX_ && dpiY == dpiY_) return;
    font_ = font;
    dpiX_ = dpiX;
    dpiY_ = dpiY;
    prepared_ = true;
    // The font as resolved for the device, so that its pixel size is the one
    // that text drawn on that device gets.
    const QFont resolved = device ? QFont(font, device) : font;
    raw_ = QRawFont::fromFont(resolved);
    // The platform's text drawing puts the baseline a whole-pixel ascent
    // below the top and steps from glyph to glyph by the fractional advances.
    const QFontMetrics metrics(resolved);
    const QFontMetricsF exact(resolved);
    ascent_ = metrics.ascent();
    glyphs_.fill(0);
    advances_.fill(0);
    if (!raw_.isValid()) return;
    QString all;
    all.reserve(256);
    for (int c = 0; c < 256; ++c) all.append(QChar(static_cast<char16_t>(c)));
    const QVector<quint32> indexes = raw_.glyphIndexesForString(all);
    if (indexes.size() != 256) return;
    for (int c = 0; c < 256; ++c) {
        glyphs_[c] = indexes[c];
        advances_[c] = exact.horizontalAdvance(QChar(static_cast<char16_t>(c)));
    }
}

qreal GlyphBatch::add(uint8_t code, qreal x, int y) {
    glyphs_.append(font_.glyph(code));
    positions_.append(QPointF(x, y + font_.ascent()));
    return x + font_.advance(code);
}

qreal GlyphBatch::add(const char *text, int count, qreal x, int y) {
    for (int i = 0; i < count; ++i) x = add(static_cast<uint8_t>(text[i]), x, y);
    return x;
}

void GlyphBatch::draw(QPainter *painter, Colour colour) {
    if (glyphs_.isEmpty() || !painter || !font_.valid()) {
        glyphs_.clear();
        positions_.clear();
        return;
    }
    QGlyphRun run;
    run.setRawFont(font_.raw());
    run.setGlyphIndexes(glyphs_);
    run.setPositions(positions_);
    painter->setPen(QColor(Red(colour), Green(colour), Blue(colour), Alpha(colour)));
    painter->drawGlyphRun(QPointF(0, 0), run);
    glyphs_.clear();
    positions_.clear();
}

}  // namespace hx
