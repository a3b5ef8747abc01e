// The launch picture and the four small pictures the hex view draws with.
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include "Pictures.h"

// The version on the launch picture: the CMake project version, given by the build.
#ifndef HEXALOOM_VERSION
#error "HEXALOOM_VERSION (the project version) must be defined by the build"
#endif

namespace {

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The mark: a hexagon in which three warp threads and three weft threads
// cross over and under each other, as on a loom.
void drawMark(QPainter &p, QPointF c, qreal r) {
    QPolygonF hexagon;
    for (int k = 0; k < 6; ++k) {
        const qreal a = M_PI / 3 * k - M_PI / 2;
        hexagon << QPointF(c.x() + r * qCos(a), c.y() + r * qSin(a));
    }
    QLinearGradient fill(c.x() - r, c.y() - r, c.x() + r, c.y() + r);
    fill.setColorAt(0, QColor(64, 196, 210));
    fill.setColorAt(1, QColor(28, 92, 188));
    p.setPen(QPen(QColor(190, 236, 255, 200), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPolygon(hexagon);

    p.save();
    QPainterPath clip;
    clip.addPolygon(hexagon);
    p.setClipPath(clip);
    const qreal step = r * 0.42, thread = r * 0.2, g = 1.6;
    const QColor warp(255, 255, 255, 240), weft(255, 176, 64, 245), shadow(8, 30, 70, 150);
    for (int k = -1; k <= 1; ++k)
        p.fillRect(QRectF(c.x() - r, c.y() + k * step - thread / 2, 2 * r, thread), weft);
    for (int k = -1; k <= 1; ++k)
        p.fillRect(QRectF(c.x() + k * step - thread / 2, c.y() - r, thread, 2 * r), warp);
    // At every crossing one thread passes over the other, alternating like a
    // plain weave; a thin shadow on each side of the upper thread gives depth.
    for (int row = -1; row <= 1; ++row) {
        for (int col = -1; col <= 1; ++col) {
            const qreal x = c.x() + col * step, y = c.y() + row * step;
            const QRectF cross(x - thread / 2, y - thread / 2, thread, thread);
            if ((row + col + 2) % 2 == 0) {
                p.fillRect(cross.adjusted(0, -g, 0, g), shadow);
                p.fillRect(cross.adjusted(-g, 0, g, 0), weft);
            } else {
                p.fillRect(cross.adjusted(-g, 0, g, 0), shadow);
                p.fillRect(cross.adjusted(0, -g, 0, g), warp);
            }
        }
    }
    p.restore();
}

}  // namespace

QImage DrawLaunchPicture() {
    const int W = 480, H = 224;
    QImage image = blank(W, H);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    QLinearGradient sky(0, 0, W, H);
    sky.setColorAt(0, QColor(10, 22, 40));
    sky.setColorAt(0.55, QColor(20, 50, 86));
    sky.setColorAt(1, QColor(30, 78, 120));
    p.fillRect(image.rect(), sky);

    // A faint hex dump of the tagline behind everything, brighter to the right.
    QFont mono("Liberation Mono");
    mono.setPixelSize(11);
    p.setFont(mono);
    const QByteArray text = "Hexaloom - Editor for binary files and functions. ";
    const QFontMetricsF mm(mono);
    int offset = 0;
    for (qreal y = 14; y < H + 12; y += 15) {
        QString line = QString("%1  ").arg(offset, 8, 16, QChar('0')).toUpper();
        for (int b = 0; b < 16; ++b)
            line += QString("%1 ").arg(static_cast<uint8_t>(text[(offset + b) % text.size()]), 2, 16,
                                       QChar('0')).toUpper();
        offset += 16;
        QLinearGradient fade(0, 0, W, 0);
        fade.setColorAt(0, QColor(150, 200, 255, 10));
        fade.setColorAt(1, QColor(150, 200, 255, 46));
        p.setPen(QPen(QBrush(fade), 1));
        p.drawText(QPointF(8, y), line);
    }

    // Soft light behind the mark.
    QRadialGradient glow(QPointF(92, 104), 120);
    glow.setColorAt(0, QColor(80, 170, 255, 90));
    glow.setColorAt(1, QColor(80, 170, 255, 0));
    p.fillRect(image.rect(), glow);

    drawMark(p, QPointF(92, 104), 50);

    QFont title("DejaVu Sans");
    title.setPixelSize(50);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, -1.0);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 110));
    p.drawText(QPointF(172, 114), "Hexaloom");
    QLinearGradient ink(0, 70, 0, 114);
    ink.setColorAt(0, QColor(255, 255, 255));
    ink.setColorAt(1, QColor(200, 226, 250));
    p.setPen(QPen(QBrush(ink), 1));
    p.drawText(QPointF(170, 112), "Hexaloom");

    QFont tagline("DejaVu Sans");
    tagline.setPixelSize(14);
    p.setFont(tagline);
    p.setPen(QColor(160, 200, 238));
    p.drawText(QPointF(173, 138), "Editor for binary files and functions");

    QLinearGradient accent(172, 0, 460, 0);
    accent.setColorAt(0, QColor(255, 170, 60, 255));
    accent.setColorAt(1, QColor(255, 170, 60, 0));
    p.fillRect(QRectF(172, 150, 288, 2), accent);

    QFont small("DejaVu Sans");
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor(140, 170, 200));
    p.drawText(QRectF(16, H - 26, W - 32, 16), Qt::AlignLeft | Qt::AlignVCenter, "Quillstone");
    p.drawText(QRectF(16, H - 26, W - 32, 16), Qt::AlignRight | Qt::AlignVCenter, "Version " HEXALOOM_VERSION);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 140, 190), 1));
    p.drawRect(QRectF(0.5, 0.5, W - 1, H - 1));
    return image;
}

// The track: a groove with rounded ends. Top and bottom 4 rows are the ends;
// every row of the 16 in between is the same, so it may be stretched or tiled.
QImage DrawScrollTrack() {
    QImage image = blank(16, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient across(1, 0, 15, 0);
    across.setColorAt(0, QColor(214, 218, 226));
    across.setColorAt(0.5, QColor(236, 238, 243));
    across.setColorAt(1, QColor(222, 226, 233));
    p.setBrush(across);
    p.setPen(QPen(QColor(176, 182, 194), 1));
    p.drawRoundedRect(QRectF(1.5, 0.5, 13, 23), 4, 4);
    return image;
}

// The thumb: a blue rounded bar, ends in the top and bottom 4 rows, uniform
// rows between them.
QImage DrawScrollThumb() {
    QImage image = blank(16, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient across(3, 0, 13, 0);
    across.setColorAt(0, QColor(122, 168, 236));
    across.setColorAt(0.45, QColor(96, 146, 224));
    across.setColorAt(1, QColor(62, 110, 196));
    p.setBrush(across);
    p.setPen(QPen(QColor(40, 78, 150), 1));
    p.drawRoundedRect(QRectF(3.5, 0.5, 9, 23), 3.5, 3.5);
    // A highlight along the left side.
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    p.drawLine(QPointF(5.5, 3), QPointF(5.5, 21));
    return image;
}

// The frame around the white areas: a thin sunken border with rounded
// corners; its inner two pixels are white so it joins the area's white.
QImage DrawFrame() {
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(128, 138, 156), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 11, 11), 3, 3);
    // Inner shadow along the top and left edges.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(214, 220, 230));
    p.drawLine(3, 1, 8, 1);
    p.drawLine(1, 3, 1, 8);
    return image;
}

// The grip of a pane separator, tiled along it: two raised dots per tile
// between a light line above and a shadow line below; the rest is clear so
// the face colour shows through. The tile is placed 13 pixels above the
// first row of the pane below, so its last SplitterClearRows rows lie on that
// row: they stay clear, and the shadow line ends just above the text.
QImage DrawSplitter() {
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int shadowRow = 16 - SplitterClearRows - 1;
    p.fillRect(0, 0, 16, 1, QColor(255, 255, 255, 200));
    p.fillRect(0, shadowRow, 16, 1, QColor(120, 128, 140, 200));
    for (int x : {3, 11}) {
        for (int y : {4, 8}) {
            p.fillRect(x + 1, y + 1, 2, 2, QColor(255, 255, 255, 220));
            p.fillRect(x, y, 2, 2, QColor(110, 118, 132, 255));
        }
    }
    return image;
}
