#include "platform/FrameImage.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "platform/Png.h"

namespace hx {

namespace {

constexpr int MaxFrameNumber = 65535;

struct Registry {
    std::map<int, std::unique_ptr<FrameImage>> numbered;
    std::vector<std::unique_ptr<FrameImage>> automatic;
};

Registry &registry() {
    static Registry r;
    return r;
}

// A piece whose rectangle has no area stays null: QImage::copy would return
// the whole source for an empty rectangle, which is never what a frame wants.
QImage cut(const QImage &source, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0)
        return {};
    return source.copy(x, y, w, h);
}

FrameImage *file(int number, FrameImage frame) {
    auto owned = std::make_unique<FrameImage>(std::move(frame));
    FrameImage *handle = owned.get();
    Registry &r = registry();
    if (number == -1)
        r.automatic.push_back(std::move(owned));
    else
        r.numbered[number] = std::move(owned);  // frees the one held before
    return handle;
}

bool validNumber(int number) { return number == -1 || (number >= 0 && number <= MaxFrameNumber); }

}  // namespace

void ResolveFrameBorders(int32_t &top, int32_t &right, int32_t &bottom, int32_t &left) {
    if (right == -1) {
        right = bottom = left = top;
    } else if (bottom == -1) {
        bottom = top;
        left = right;
    } else if (left == -1) {
        left = right;
    }
    if (top < 0) top = 0;
    if (right < 0) right = 0;
    if (bottom < 0) bottom = 0;
    if (left < 0) left = 0;
}

FrameImage CutFrameImage(const QImage &source, int32_t top, int32_t right, int32_t bottom,
                         int32_t left, uint32_t flags) {
    ResolveFrameBorders(top, right, bottom, left);
    FrameImage frame;
    frame.top = top;
    frame.right = right;
    frame.bottom = bottom;
    frame.left = left;
    frame.flags = flags;
    if (source.isNull())
        return frame;

    // 64-bit middle sizes: borders near INT32_MAX must not wrap into a positive width.
    const int64_t W = source.width(), H = source.height();
    const int64_t T = top, R = right, B = bottom, L = left;
    const int64_t midW = W - R - L, midH = H - B - T;
    auto piece = [&](FramePiece which, int64_t x, int64_t y, int64_t w, int64_t h) {
        if (w <= 0 || h <= 0 || x >= W || y >= H)
            return;
        frame.pieces[which] = cut(source, static_cast<int>(x), static_cast<int>(y),
                                  static_cast<int>(std::min(w, W)), static_cast<int>(std::min(h, H)));
    };
    if (T > 0) {
        piece(FrameTop, L, 0, midW, T);
        if (L > 0) piece(FrameTopLeft, 0, 0, L, T);
        if (R > 0) piece(FrameTopRight, W - R, 0, R, T);
    }
    if (L > 0) piece(FrameLeft, 0, T, L, midH);
    if (!(flags & FrameHollow)) piece(FrameCentre, L, T, midW, midH);
    if (R > 0) piece(FrameRight, W - R, T, R, midH);
    if (B > 0) {
        piece(FrameBottom, L, H - B, midW, B);
        if (L > 0) piece(FrameBottomLeft, 0, H - B, L, B);
        if (R > 0) piece(FrameBottomRight, W - R, H - B, R, B);
    }
    return frame;
}

FrameImage *CreateFrameImage(int number, const QImage &source, int32_t top, int32_t right,
                             int32_t bottom, int32_t left, uint32_t flags) {
    if (!validNumber(number))
        return nullptr;
    return file(number, CutFrameImage(source, top, right, bottom, left, flags));
}

FrameImage *CreateFrameImageFromPng(int number, std::span<const uint8_t> png, int32_t top,
                                    int32_t right, int32_t bottom, int32_t left, uint32_t flags) {
    if (!validNumber(number))
        return nullptr;
    const QImage source = DecodePng(png);
    if (source.isNull())
        return nullptr;
    return file(number, CutFrameImage(source, top, right, bottom, left, flags));
}

FrameImage *GetFrameImage(int number) {
    auto &numbered = registry().numbered;
    auto it = numbered.find(number);
    return it == numbered.end() ? nullptr : it->second.get();
}

void FreeFrameImage(int number) { registry().numbered.erase(number); }

void FreeFrameImage(const FrameImage *frame) {
    if (!frame)
        return;
    Registry &r = registry();
    for (auto it = r.automatic.begin(); it != r.automatic.end(); ++it) {
        if (it->get() == frame) {
            r.automatic.erase(it);
            return;
        }
    }
    for (auto it = r.numbered.begin(); it != r.numbered.end(); ++it) {
        if (it->second.get() == frame) {
            r.numbered.erase(it);
            return;
        }
    }
}

void FreeAllFrameImages() {
    Registry &r = registry();
    r.numbered.clear();
    r.automatic.clear();
}

}  // namespace hx
