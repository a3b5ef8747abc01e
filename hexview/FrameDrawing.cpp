#include "FrameDrawing.h"

#include "platform/Canvas.h"
#include "platform/FrameImage.h"

namespace hx {

namespace {

void Corner(Drawing &drawing, const FrameImage &frame, FramePiece piece, int x, int y) {
    if (frame.has(piece)) drawing.image(x, y, frame.piece(piece));
}

void Stretched(Drawing &drawing, const FrameImage &frame, FramePiece piece, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0 || !frame.has(piece)) return;
    drawing.imageStretched(x, y, w, h, frame.piece(piece));
}

}  // namespace

void DrawFrameImage(Drawing &drawing, const FrameImage *frame, int x, int y, int width, int height) {
    if (!frame) return;
    const FrameImage &f = *frame;
    const int t = f.top, l = f.left, r = f.right, b = f.bottom;
    if (t > 0) {
        if (l > 0) Corner(drawing, f, FrameTopLeft, x, y);
        Stretched(drawing, f, FrameTop, x + l, y, width - l - r, t);
        if (r > 0) Corner(drawing, f, FrameTopRight, x + width - r, y);
    }
    if (l > 0) Stretched(drawing, f, FrameLeft, x, y + t, l, height - t - b);
    if (!(f.flags & FrameHollow)) Stretched(drawing, f, FrameCentre, x + l, y + t, width - l - r, height - t - b);
    if (r > 0) Stretched(drawing, f, FrameRight, x + width - r, y + t, r, height - t - b);
    if (b > 0) {
        if (l > 0) Corner(drawing, f, FrameBottomLeft, x, y + height - b);
        Stretched(drawing, f, FrameBottom, x + l, y + height - b, width - l - r, b);
        if (r > 0) Corner(drawing, f, FrameBottomRight, x + width - r, y + height - b);
    }
}

}  // namespace hx
