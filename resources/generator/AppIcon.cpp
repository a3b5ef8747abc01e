#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// A rounded tile with threads woven over and under each other: four warp
// threads (pale) and four weft threads (amber), the loom in the name, laid
// out on a grid like the cells of a hex view. Everything is drawn in units of
// a 64-pixel design and scaled, so every size shows the same picture.
QImage DrawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 64.0;
    p.scale(s, s);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QLinearGradient face(0, 2, 0, 62);
    face.setColorAt(0, QColor(0x2f, 0x6d, 0x9e));
    face.setColorAt(1, QColor(0x17, 0x3a, 0x5c));
    p.fillPath(tile, face);
    p.setPen(QPen(QColor(0x10, 0x2a, 0x44), 1.5));
    p.drawPath(tile);

    const QColor warp(0xe8, 0xf0, 0xf8), weft(0xf2, 0xa9, 0x3b), shade(0, 0, 0, 70);
    const qreal lanes[] = {14, 26, 38, 50};
    const qreal width = 7;
    // Weft first; then each warp thread, broken where it passes under a weft.
    for (qreal y : lanes) {
        p.fillRect(QRectF(9, y - width / 2, 46, width), weft);
        p.fillRect(QRectF(9, y + width / 2 - 1, 46, 1), shade);
    }
    for (int i = 0; i < 4; ++i) {
        const qreal x = lanes[i];
        p.fillRect(QRectF(x - width / 2, 9, width, 46), warp);
        for (int j = 0; j < 4; ++j) {
            // Over and under alternate along a thread and from one thread to the next.
            if ((i + j) % 2 == 0) continue;
            const qreal y = lanes[j];
            p.fillRect(QRectF(x - width / 2 - 0.5, y - width / 2, width + 1, width), weft);
            p.fillRect(QRectF(x - width / 2 - 0.5, y - width / 2, 1, width), shade);
            p.fillRect(QRectF(x + width / 2 - 0.5, y - width / 2, 1, width), shade);
        }
    }
    p.end();
    return image;
}
