// The 16 x 16 icons of the two themes. Every icon is drawn from the same
// shapes; the style decides the colours: the colourful style fills shapes
// with a soft top-to-bottom gradient of their hue and outlines them in a
// darker shade of it, the slate style fills every shape in one blue-grey and
// draws the details in white.
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QLinearGradient>
#include <QtMath>

#include <functional>
#include <map>

#include "Pictures.h"

namespace {

enum class Hue { Paper, Blue, Green, Red, Yellow, Orange, Purple, Teal, Steel, Brown, Gold, Pink };

struct Shade {
    QColor light, base, dark;
};

Shade colourful(Hue hue) {
    switch (hue) {
    case Hue::Paper: return {QColor(255, 255, 255), QColor(226, 233, 242), QColor(112, 124, 140)};
    case Hue::Blue: return {QColor(140, 190, 250), QColor(52, 120, 214), QColor(24, 62, 132)};
    case Hue::Green: return {QColor(160, 226, 120), QColor(64, 168, 52), QColor(30, 98, 26)};
    case Hue::Red: return {QColor(255, 150, 140), QColor(218, 50, 40), QColor(128, 20, 16)};
    case Hue::Yellow: return {QColor(255, 232, 140), QColor(240, 188, 48), QColor(150, 104, 10)};
    case Hue::Orange: return {QColor(255, 196, 120), QColor(238, 128, 26), QColor(140, 66, 6)};
    case Hue::Purple: return {QColor(206, 164, 240), QColor(132, 72, 196), QColor(70, 30, 118)};
    case Hue::Teal: return {QColor(128, 226, 216), QColor(26, 160, 150), QColor(8, 92, 86)};
    case Hue::Steel: return {QColor(226, 230, 236), QColor(150, 160, 174), QColor(70, 78, 92)};
    case Hue::Brown: return {QColor(226, 182, 130), QColor(168, 110, 56), QColor(96, 58, 24)};
    case Hue::Gold: return {QColor(255, 236, 150), QColor(226, 170, 30), QColor(132, 92, 6)};
    case Hue::Pink: return {QColor(255, 196, 210), QColor(236, 120, 150), QColor(140, 50, 76)};
    }
    return {};
}

class Icon {
public:
    Icon(QImage &image, IconStyle style) : p_(&image), style_(style) {
        p_.setRenderHint(QPainter::Antialiasing, true);
    }

    QPainter &painter() { return p_; }
    bool slate() const { return style_ == IconStyle::Slate; }

    Shade shade(Hue hue) const {
        if (!slate())
            return colourful(hue);
        // One blue-grey for every shape; paper stays light so pages read as pages.
        if (hue == Hue::Paper)
            return {QColor(255, 255, 255), QColor(236, 240, 243), QColor(55, 71, 79)};
        return {QColor(96, 125, 139), QColor(84, 110, 122), QColor(38, 50, 56)};
    }

    // Colour of thin details drawn on a shape of the given hue (text lines, hands, slots).
    QColor detail(Hue on) const {
        if (slate())
            return on == Hue::Paper ? QColor(84, 110, 122) : QColor(255, 255, 255);
        if (on == Hue::Paper)
            return QColor(150, 164, 182);
        return QColor(255, 255, 255);
    }

    // Fills path with the hue's gradient and outlines it with its dark shade.
    void shape(const QPainterPath &path, Hue hue, qreal outline = 1.0) {
        const Shade s = shade(hue);
        const QRectF r = path.boundingRect();
        if (slate()) {
            p_.setBrush(s.base);
        } else {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, s.light);
            g.setColorAt(1, s.base);
            p_.setBrush(g);
        }
        p_.setPen(outline > 0 ? QPen(s.dark, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                              : QPen(Qt::NoPen));
        p_.drawPath(path);
    }

    void rect(QRectF r, Hue hue, qreal radius = 0) {
        QPainterPath path;
        if (radius > 0)
            path.addRoundedRect(r, radius, radius);
        else
            path.addRect(r);
        shape(path, hue);
    }

    void ellipse(QPointF centre, qreal rx, qreal ry, Hue hue) {
        QPainterPath path;
        path.addEllipse(centre, rx, ry);
        shape(path, hue);
    }

    void polygon(std::initializer_list<QPointF> points, Hue hue) {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points)));
        path.closeSubpath();
        shape(path, hue);
    }

    void line(QPointF a, QPointF b, QColor colour, qreal width = 1.0) {
        p_.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        p_.drawLine(a, b);
    }

    // A thick stroke with an outline: the stroke's own shape, filled and outlined.
    void thick(const QPainterPath &centreLine, qreal width, Hue hue, Qt::PenCapStyle cap = Qt::RoundCap,
               const QPainterPath &extra = QPainterPath()) {
        QPainterPathStroker stroker;
        stroker.setWidth(width);
        stroker.setCapStyle(cap);
        stroker.setJoinStyle(Qt::RoundJoin);
        QPainterPath outline = stroker.createStroke(centreLine).united(extra);
        shape(outline.simplified(), hue);
    }

    // A sheet of paper with a folded corner; lines adds text lines.
    void page(QRectF r, bool lines = true) {
        const qreal e = 3.5;
        QPainterPath path;
        path.moveTo(r.left(), r.top());
        path.lineTo(r.right() - e, r.top());
        path.lineTo(r.right(), r.top() + e);
        path.lineTo(r.right(), r.bottom());
        path.lineTo(r.left(), r.bottom());
        path.closeSubpath();
        shape(path, Hue::Paper);
        QPainterPath ear;
        ear.moveTo(r.right() - e, r.top());
        ear.lineTo(r.right() - e, r.top() + e);
        ear.lineTo(r.right(), r.top() + e);
        ear.closeSubpath();
        const Shade s = shade(Hue::Paper);
        p_.setBrush(s.base);
        p_.setPen(QPen(s.dark, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p_.drawPath(ear);
        if (!lines)
            return;
        for (qreal y = r.top() + 4.5; y < r.bottom() - 1.5; y += 2)
            line(QPointF(r.left() + 2, y), QPointF(r.right() - (y < r.top() + e + 1 ? e + 1 : 2), y),
                 detail(Hue::Paper));
    }

    // A small round badge with a plus, minus or cross, for "add", "remove" and "close".
    enum class Mark { Plus, Minus, Cross };
    void badge(QPointF centre, Hue hue, Mark mark) {
        ellipse(centre, 3.6, 3.6, hue);
        p_.setPen(QPen(detail(hue), 1.4, Qt::SolidLine, Qt::FlatCap));
        const qreal a = 2.0;
        switch (mark) {
        case Mark::Plus:
            p_.drawLine(QPointF(centre.x() - a, centre.y()), QPointF(centre.x() + a, centre.y()));
            p_.drawLine(QPointF(centre.x(), centre.y() - a), QPointF(centre.x(), centre.y() + a));
            break;
        case Mark::Minus:
            p_.drawLine(QPointF(centre.x() - a, centre.y()), QPointF(centre.x() + a, centre.y()));
            break;
        case Mark::Cross:
            p_.drawLine(QPointF(centre.x() - 1.6, centre.y() - 1.6), QPointF(centre.x() + 1.6, centre.y() + 1.6));
            p_.drawLine(QPointF(centre.x() - 1.6, centre.y() + 1.6), QPointF(centre.x() + 1.6, centre.y() - 1.6));
            break;
        }
    }

    // Pixel text in a 3 x 5 font (M and the arrows 5 wide), top-left at (x, y).
    void pixelText(int x, int y, const QString &text, QColor colour) {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, false);
        for (QChar ch : text) {
            const std::vector<const char *> &rows = glyph(ch);
            const int width = static_cast<int>(strlen(rows[0]));
            for (int r = 0; r < 5; ++r)
                for (int c = 0; c < width; ++c)
                    if (rows[r][c] == '1')
                        p_.fillRect(x + c, y + r, 1, 1, colour);
            x += width + 1;
        }
        p_.restore();
    }

    static int pixelTextWidth(const QString &text) {
        int w = 0;
        for (QChar ch : text)
            w += static_cast<int>(strlen(glyph(ch)[0])) + 1;
        return w > 0 ? w - 1 : 0;
    }

    // A rounded tag holding one or two rows of pixel text: the algorithm icons.
    void tag(Hue hue, const QString &top, const QString &bottom = QString()) {
        rect(QRectF(0.5, 0.5, 15, 15), hue, 3);
        const QColor text = slate() ? QColor(255, 255, 255) : QColor(255, 255, 255);
        if (bottom.isEmpty()) {
            pixelText(8 - (pixelTextWidth(top) + 1) / 2, 5, top, text);
            return;
        }
        pixelText(8 - (pixelTextWidth(top) + 1) / 2, 2, top, text);
        pixelText(8 - (pixelTextWidth(bottom) + 1) / 2, 9, bottom, text);
    }

private:
    static const std::vector<const char *> &glyph(QChar ch) {
        static const std::map<QChar, std::vector<const char *>> font = {
            {'A', {"010", "101", "111", "101", "101"}}, {'B', {"110", "101", "110", "101", "110"}},
            {'C', {"011", "100", "100", "100", "011"}}, {'D', {"110", "101", "101", "101", "110"}},
            {'H', {"101", "101", "111", "101", "101"}}, {'I', {"111", "010", "010", "010", "111"}},
            {'L', {"100", "100", "100", "100", "111"}}, {'P', {"110", "101", "110", "100", "100"}},
            {'R', {"110", "101", "110", "101", "101"}}, {'S', {"011", "100", "010", "001", "110"}},
            {'Z', {"111", "001", "010", "100", "111"}}, {'M', {"10001", "11011", "10101", "10001", "10001"}},
            {'1', {"010", "110", "010", "010", "111"}}, {'2', {"110", "001", "010", "100", "111"}},
            {'3', {"110", "001", "010", "001", "110"}}, {'4', {"101", "101", "111", "001", "001"}},
            {'5', {"111", "100", "110", "001", "110"}}, {'6', {"011", "100", "110", "101", "010"}},
            {'>', {"00100", "00010", "11111", "00010", "00100"}},
            {'<', {"00100", "01000", "11111", "01000", "00100"}},
        };
        static const std::vector<const char *> blank = {"000", "000", "000", "000", "000"};
        auto it = font.find(ch);
        return it == font.end() ? blank : it->second;
    }

    QPainter p_;
    IconStyle style_;
};

// ---- the icons ------------------------------------------------------------------

void drawNew(Icon &i) {
    i.page(QRectF(2.5, 0.5, 11, 15));
    // A sparkle: a four-pointed star at the lower right.
    const QPointF c(11.5, 11.5);
    QPainterPath star;
    for (int k = 0; k < 8; ++k) {
        const qreal r = (k % 2 == 0) ? 4.2 : 1.4;
        const qreal a = k * M_PI / 4 - M_PI / 2;
        const QPointF pt(c.x() + r * qCos(a), c.y() + r * qSin(a));
        k == 0 ? star.moveTo(pt) : star.lineTo(pt);
    }
    star.closeSubpath();
    i.shape(star, Hue::Yellow, 0.8);
}

void folder(Icon &i, bool open) {
    QPainterPath back;
    back.moveTo(0.5, 2.5);
    back.lineTo(5.5, 2.5);
    back.lineTo(7.0, 4.5);
    back.lineTo(14.5, 4.5);
    back.lineTo(14.5, 13.5);
    back.lineTo(0.5, 13.5);
    back.closeSubpath();
    i.shape(back, Hue::Orange);
    QPainterPath front;
    if (open) {
        front.moveTo(3.0, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(13.0, 13.5);
        front.lineTo(0.5, 13.5);
    } else {
        front.moveTo(0.5, 6.5);
        front.lineTo(14.5, 6.5);
        front.lineTo(14.5, 13.5);
        front.lineTo(0.5, 13.5);
    }
    front.closeSubpath();
    i.shape(front, Hue::Yellow);
}

void drawOpen(Icon &i) { folder(i, true); }

void drawSave(Icon &i) {
    i.rect(QRectF(1.5, 1.5, 13, 13), Hue::Blue, 1.5);
    i.rect(QRectF(4.5, 1.5, 7, 5), Hue::Steel);
    i.painter().fillRect(QRectF(9, 2.5, 1.5, 3), i.shade(Hue::Steel).dark);
    i.rect(QRectF(3.5, 9.0, 9, 5.5), Hue::Paper);
    i.line(QPointF(5, 11), QPointF(11, 11), i.detail(Hue::Paper));
    i.line(QPointF(5, 13), QPointF(11, 13), i.detail(Hue::Paper));
}

void drawClose(Icon &i) {
    i.page(QRectF(1.5, 0.5, 11, 14));
    i.badge(QPointF(11.5, 11.5), Hue::Red, Icon::Mark::Cross);
}

void drawCloseAll(Icon &i) {
    i.page(QRectF(4.5, 0.5, 10, 12), false);
    i.page(QRectF(1.5, 2.5, 10, 13));
    i.badge(QPointF(11.5, 11.5), Hue::Red, Icon::Mark::Cross);
}

void drawQuit(Icon &i) {
    i.ellipse(QPointF(8, 8), 7, 7, Hue::Red);
    QPainter &p = i.painter();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(i.detail(Hue::Red), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(4.2, 4.7, 7.6, 7.6), 125 * 16, 290 * 16);
    p.drawLine(QPointF(8, 3.6), QPointF(8, 8.2));
}

QPainterPath undoArrow() {
    QPainterPath curve;
    curve.moveTo(13.2, 13.5);
    curve.cubicTo(14.5, 7.0, 10.0, 4.6, 5.5, 5.6);
    QPainterPath head;
    head.moveTo(1.0, 6.2);
    head.lineTo(6.8, 1.8);
    head.lineTo(7.3, 10.2);
    head.closeSubpath();
    QPainterPathStroker stroker;
    stroker.setWidth(2.8);
    stroker.setCapStyle(Qt::FlatCap);
    return stroker.createStroke(curve).united(head).simplified();
}

void drawUndo(Icon &i) { i.shape(undoArrow(), Hue::Blue); }

void drawRedo(Icon &i) {
    QTransform mirror(-1, 0, 0, 1, 16, 0);
    i.shape(mirror.map(undoArrow()), Hue::Blue);
}

void drawCut(Icon &i) {
    QPainterPath blade1;
    blade1.moveTo(4.5, 1.0);
    blade1.lineTo(10.5, 10.5);
    QPainterPath blade2;
    blade2.moveTo(11.5, 1.0);
    blade2.lineTo(5.5, 10.5);
    i.thick(blade1, 2.2, Hue::Steel, Qt::RoundCap);
    i.thick(blade2, 2.2, Hue::Steel, Qt::RoundCap);
    for (qreal x : {4.0, 12.0}) {
        QPainterPath ring;
        ring.addEllipse(QPointF(x, 12.5), 2.8, 2.8);
        ring.addEllipse(QPointF(x, 12.5), 1.3, 1.3);
        ring.setFillRule(Qt::OddEvenFill);
        i.shape(ring, Hue::Red, 0.8);
    }
    i.painter().setPen(Qt::NoPen);
    i.painter().setBrush(i.shade(Hue::Steel).dark);
    i.painter().drawEllipse(QPointF(8, 6.3), 0.9, 0.9);
}

void drawCopy(Icon &i) {
    i.page(QRectF(1.5, 0.5, 9, 11));
    i.page(QRectF(5.5, 4.5, 9, 11));
}

void drawPaste(Icon &i) {
    i.rect(QRectF(1.5, 2.5, 11, 13), Hue::Brown, 1.5);
    i.rect(QRectF(4.5, 0.5, 5, 3.5), Hue::Steel, 1);
    i.page(QRectF(6.5, 6.5, 8.5, 9));
}

void drawSelectAll(Icon &i) {
    QPainter &p = i.painter();
    const Shade s = i.shade(Hue::Blue);
    QColor fill = s.light;
    fill.setAlpha(i.slate() ? 90 : 120);
    p.setBrush(fill);
    QPen dashed(s.dark, 1.0, Qt::CustomDashLine, Qt::FlatCap);
    dashed.setDashPattern({2, 1.5});
    p.setPen(dashed);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    for (qreal y : {5.0, 8.0, 11.0})
        i.line(QPointF(4, y), QPointF(y == 11.0 ? 9 : 12, y), s.dark, 1.2);
}

void drawSearch(Icon &i) {
    QPainterPath handle;
    handle.moveTo(10.2, 10.2);
    handle.lineTo(14.2, 14.2);
    i.thick(handle, 3.0, Hue::Brown, Qt::RoundCap);
    QPainterPath ring;
    ring.addEllipse(QPointF(6.5, 6.5), 5.6, 5.6);
    ring.addEllipse(QPointF(6.5, 6.5), 4.0, 4.0);
    ring.setFillRule(Qt::OddEvenFill);
    i.shape(ring, Hue::Steel, 0.8);
    QPainterPath lens;
    lens.addEllipse(QPointF(6.5, 6.5), 3.9, 3.9);
    QColor glass = i.shade(Hue::Blue).light;
    glass.setAlpha(170);
    i.painter().setPen(Qt::NoPen);
    i.painter().setBrush(glass);
    i.painter().drawPath(lens);
    i.painter().setBrush(QColor(255, 255, 255, 200));
    i.painter().drawEllipse(QPointF(5.0, 5.0), 1.3, 1.0);
}

void drawValuesEditor(Icon &i) {
    i.rect(QRectF(0.5, 1.5, 15, 13), Hue::Paper, 1);
    i.rect(QRectF(0.5, 1.5, 15, 3.5), Hue::Blue, 1);
    const Hue cells[] = {Hue::Green, Hue::Orange, Hue::Purple};
    for (int r = 0; r < 3; ++r) {
        const qreal y = 6.5 + r * 2.7;
        i.painter().setPen(Qt::NoPen);
        i.painter().setBrush(i.slate() ? i.shade(Hue::Blue).base : i.shade(cells[r]).base);
        i.painter().drawRect(QRectF(2.5, y, 3, 1.8));
        i.painter().setBrush(i.detail(Hue::Paper));
        i.painter().drawRect(QRectF(7, y, r == 1 ? 4.5 : 6.5, 1.8));
    }
}

void drawHistogram(Icon &i) {
    const struct { qreal x, top; Hue hue; } bars[] = {
        {2.5, 8.5, Hue::Blue}, {5.5, 3.5, Hue::Green}, {8.5, 6.5, Hue::Orange}, {11.5, 10.5, Hue::Red}};
    for (const auto &b : bars)
        i.rect(QRectF(b.x, b.top, 2.5, 14 - b.top), b.hue);
    i.line(QPointF(0.5, 14.5), QPointF(15.5, 14.5), i.shade(Hue::Steel).dark, 1.0);
}

QPainterPath gearPath(QPointF c, qreal outer, qreal inner, qreal hole, int teeth) {
    QPainterPath gear;
    const int steps = teeth * 4;
    for (int k = 0; k < steps; ++k) {
        const qreal a = 2 * M_PI * k / steps;
        const qreal r = (k % 4 == 0 || k % 4 == 1) ? outer : inner;
        const QPointF pt(c.x() + r * qCos(a), c.y() + r * qSin(a));
        k == 0 ? gear.moveTo(pt) : gear.lineTo(pt);
    }
    gear.closeSubpath();
    QPainterPath centre;
    centre.addEllipse(c, hole, hole);
    return gear.subtracted(centre);
}

void drawConfigurations(Icon &i) { i.shape(gearPath(QPointF(8, 8), 7.3, 5.2, 2.2, 8), Hue::Steel); }

void window(Icon &i) {
    i.rect(QRectF(0.5, 1.5, 15, 13), Hue::Paper, 1);
    i.rect(QRectF(0.5, 1.5, 15, 3), Hue::Blue, 1);
}

void drawSplitter(Icon &i, bool add) {
    window(i);
    const QColor c = i.shade(Hue::Blue).dark;
    i.line(QPointF(1, 8.5), QPointF(15, 8.5), c, 1.0);
    i.line(QPointF(1, 10.0), QPointF(15, 10.0), c, 1.0);
    i.badge(QPointF(11.8, 11.8), add ? Hue::Green : Hue::Red, add ? Icon::Mark::Plus : Icon::Mark::Minus);
}

void drawRecent(Icon &i) {
    i.ellipse(QPointF(8, 8), 7, 7, Hue::Blue);
    i.ellipse(QPointF(8, 8), 5.2, 5.2, Hue::Paper);
    const QColor hand = i.slate() ? i.shade(Hue::Blue).dark : QColor(40, 48, 60);
    QPainter &p = i.painter();
    p.setPen(QPen(hand, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 4.3));
    p.drawLine(QPointF(8, 8), QPointF(10.6, 9.5));
    p.setPen(Qt::NoPen);
    p.setBrush(i.slate() ? hand : i.shade(Hue::Red).base);
    p.drawEllipse(QPointF(8, 8), 1.0, 1.0);
}

void drawFingerprint(Icon &i) {
    i.rect(QRectF(0.5, 0.5, 15, 15), Hue::Purple, 3);
    QPainter &p = i.painter();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(i.detail(Hue::Purple), 1.0, Qt::SolidLine, Qt::RoundCap));
    // Ridges: nested arcs open towards the bottom, each a little shorter on one side.
    const struct { qreal rx, ry; int start, span; } ridges[] = {
        {1.4, 2.0, 0, 180}, {3.0, 3.6, -20, 210}, {4.6, 5.2, -10, 200}, {6.0, 6.4, 10, 165}};
    for (const auto &r : ridges)
        p.drawArc(QRectF(8 - r.rx, 9 - r.ry, 2 * r.rx, 2 * r.ry), r.start * 16, r.span * 16);
    p.drawLine(QPointF(6.6, 9), QPointF(6.6, 12.5));
    p.drawLine(QPointF(9.4, 9), QPointF(9.4, 11));
    p.drawLine(QPointF(11.0, 9.6), QPointF(11.0, 13.6));
    p.drawLine(QPointF(5.0, 9.6), QPointF(5.0, 13.0));
}

void drawCompress(Icon &i) {
    i.rect(QRectF(1.5, 7.5, 13, 7.5), Hue::Brown, 1);
    i.line(QPointF(2, 10.5), QPointF(14, 10.5), i.shade(Hue::Brown).dark, 1.0);
    QPainterPath shaft;
    shaft.moveTo(8, 0.5);
    shaft.lineTo(8, 4.5);
    QPainterPath head;
    head.moveTo(4.0, 4.0);
    head.lineTo(12.0, 4.0);
    head.lineTo(8.0, 8.2);
    head.closeSubpath();
    i.thick(shaft, 3.0, Hue::Green, Qt::FlatCap, head);
}

void drawKey(Icon &i) {
    QPainterPath shaft;
    shaft.moveTo(6.5, 9.5);
    shaft.lineTo(14.5, 1.5);
    QPainterPath teeth;
    teeth.addRect(QRectF(11.2, 3.6, 2.2, 3.0));
    teeth = QTransform().translate(12.3, 5.1).rotate(45).translate(-12.3, -5.1).map(teeth);
    QPainterPath bit;
    bit.addRect(QRectF(12.0, 1.0, 1.5, 1.5));
    i.thick(shaft, 2.2, Hue::Gold, Qt::RoundCap, teeth);
    QPainterPath ring;
    ring.addEllipse(QPointF(5, 11), 4.3, 4.3);
    ring.addEllipse(QPointF(4.2, 11.8), 1.4, 1.4);
    ring.setFillRule(Qt::OddEvenFill);
    i.shape(ring, Hue::Gold);
}

void padlock(Icon &i, bool open) {
    QPainterPath shackle;
    if (open) {
        // Swung open: the body moves right and the free leg hangs beside it.
        shackle.moveTo(1.5, 6.0);
        shackle.lineTo(1.5, 4.5);
        shackle.arcTo(QRectF(1.5, 1.0, 7.0, 7.0), 180, -180);
        shackle.lineTo(8.5, 8.0);
    } else {
        shackle.moveTo(4.5, 8.0);
        shackle.lineTo(4.5, 5.0);
        shackle.arcTo(QRectF(4.5, 1.2, 7.0, 7.0), 180, -180);
        shackle.lineTo(11.5, 8.0);
    }
    i.thick(shackle, 2.0, Hue::Steel, Qt::FlatCap);
    const qreal x = open ? 4.5 : 2.5;
    i.rect(QRectF(x, 7.5, 11, 8), Hue::Gold, 1.5);
    QPainter &p = i.painter();
    p.setPen(Qt::NoPen);
    p.setBrush(i.slate() ? i.detail(Hue::Gold) : i.shade(Hue::Gold).dark);
    p.drawEllipse(QPointF(x + 5.5, 10.6), 1.2, 1.2);
    p.drawRect(QRectF(x + 5.0, 10.8, 1.0, 2.8));
}

void drawXor(Icon &i) {
    i.ellipse(QPointF(8, 8), 7, 7, Hue::Teal);
    const QColor c = i.detail(Hue::Teal);
    i.line(QPointF(8, 1.6), QPointF(8, 14.4), c, 1.6);
    i.line(QPointF(1.6, 8), QPointF(14.4, 8), c, 1.6);
}

void drawSet(Icon &i) {
    QPainter &p = i.painter();
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    i.rect(QRectF(-7.0, -2.2, 2.5, 4.4), Hue::Pink, 0.8);
    i.rect(QRectF(-4.5, -2.2, 1.3, 4.4), Hue::Steel);
    i.rect(QRectF(-3.2, -2.2, 7.0, 4.4), Hue::Yellow);
    i.polygon({QPointF(3.8, -2.2), QPointF(7.6, 0), QPointF(3.8, 2.2)}, Hue::Brown);
    p.setPen(Qt::NoPen);
    p.setBrush(i.slate() ? i.detail(Hue::Brown) : QColor(40, 40, 40));
    p.drawPolygon(QPolygonF({QPointF(6.2, -0.8), QPointF(7.8, 0), QPointF(6.2, 0.8)}));
    p.restore();
}

}  // namespace

std::vector<NamedIcon> DrawIcons(IconStyle style) {
    using Draw = std::function<void(Icon &)>;
    const std::vector<std::pair<const char *, Draw>> table = {
        {"New", drawNew},
        {"Open", drawOpen},
        {"Save", drawSave},
        {"Close", drawClose},
        {"CloseAll", drawCloseAll},
        {"Quit", drawQuit},
        {"Undo", drawUndo},
        {"Redo", drawRedo},
        {"Cut", drawCut},
        {"Copy", drawCopy},
        {"Paste", drawPaste},
        {"SelectAll", drawSelectAll},
        {"SearchAndReplace", drawSearch},
        {"ValuesEditor", drawValuesEditor},
        {"Histogram", drawHistogram},
        {"Configurations", drawConfigurations},
        {"AddSplitter", [](Icon &i) { drawSplitter(i, true); }},
        {"RemoveSplitter", [](Icon &i) { drawSplitter(i, false); }},
        {"Recent", drawRecent},
        {"Fingerprint", drawFingerprint},
        {"Compress", drawCompress},
        {"Cipher", drawKey},
        {"MD5", [](Icon &i) { i.tag(Hue::Purple, "MD", "5"); }},
        {"CRC32", [](Icon &i) { i.tag(Hue::Teal, "CRC", "32"); }},
        {"SHA1", [](Icon &i) { i.tag(Hue::Blue, "SHA", "1"); }},
        {"Adler32", [](Icon &i) { i.tag(Hue::Orange, "ADL", "32"); }},
        {"XOr", drawXor},
        {"AESEncoder", [](Icon &i) { padlock(i, false); }},
        {"AESDecoder", [](Icon &i) { padlock(i, true); }},
        {"Base64Encoder", [](Icon &i) { i.tag(Hue::Green, "B64", ">"); }},
        {"Base64Decoder", [](Icon &i) { i.tag(Hue::Red, "B64", "<"); }},
        {"BriefLZ", [](Icon &i) { i.tag(Hue::Brown, "BLZ"); }},
        {"Zip", [](Icon &i) { i.tag(Hue::Brown, "ZIP"); }},
        {"LZMA", [](Icon &i) { i.tag(Hue::Brown, "LZ", "MA"); }},
        {"Set", drawSet},
    };
    std::vector<NamedIcon> icons;
    for (const auto &[name, draw] : table) {
        QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            Icon icon(image, style);
            draw(icon);
        }
        icons.push_back({QString::fromLatin1(name), image});
    }
    return icons;
}
