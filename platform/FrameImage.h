// Nine-slice images: a source picture cut into up to nine pieces (four
// corners, four edges, a centre) so that a frame of any size can be drawn
// from a small picture by drawing the corners as they are and stretching or
// tiling the edges and the centre.
//
// Frame images are numbered like the other runtime objects: number -1 asks
// for an automatically named one (its handle is its own address), 0 ... 65535
// name one explicitly and replace (free) whatever was held under that number;
// any other number is refused.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include <QImage>

namespace hx {

enum FrameImageFlag : uint32_t {
    FrameHollow = 1,  // no centre piece is cut
};

// Index of each piece in FrameImage::pieces.
enum FramePiece : int {
    FrameTopLeft = 0,
    FrameTop = 1,
    FrameTopRight = 2,
    FrameLeft = 3,
    FrameCentre = 4,
    FrameRight = 5,
    FrameBottomLeft = 6,
    FrameBottom = 7,
    FrameBottomRight = 8,
};

struct FrameImage {
    // Border widths in pixels after the shorthand has been resolved (never negative).
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t left = 0;
    uint32_t flags = 0;
    // Top-left, top, top-right, left, centre, right, bottom-left, bottom,
    // bottom-right. A piece that was not cut is a null QImage (isNull()).
    std::array<QImage, 9> pieces;

    const QImage &piece(FramePiece which) const { return pieces[which]; }
    bool has(FramePiece which) const { return !pieces[which].isNull(); }
};

// Border shorthand: right == -1 makes right, bottom and left equal to top;
// else bottom == -1 makes bottom = top and left = right; else left == -1
// makes left = right. Any border still negative afterwards becomes 0.
void ResolveFrameBorders(int32_t &top, int32_t &right, int32_t &bottom, int32_t &left);

// Cuts source into pieces (W, H = source size, T, R, B, L = resolved borders):
//   T > 0: top (L, 0, W-R-L, T), with L > 0 top-left (0, 0, L, T), with R > 0 top-right (W-R, 0, R, T)
//   L > 0: left (0, T, L, H-B-T)
//   not hollow: centre (L, T, W-R-L, H-B-T)
//   R > 0: right (W-R, T, R, H-B-T)
//   B > 0: bottom (L, H-B, W-R-L, B), with L > 0 bottom-left, with R > 0 bottom-right.
// A rectangle with no area (borders as large as the picture or larger) leaves
// its piece null; parts of a rectangle outside the source are transparent.
// A null source gives a record with the borders and no pieces.
FrameImage CutFrameImage(const QImage &source, int32_t top, int32_t right, int32_t bottom,
                         int32_t left, uint32_t flags);

// Cuts a frame image and files it under number (see above). Returns the
// registered record (owned by the registry), or nullptr when number is
// neither -1 nor within 0 ... 65535 (nothing is freed then).
FrameImage *CreateFrameImage(int number, const QImage &source, int32_t top, int32_t right,
                             int32_t bottom, int32_t left, uint32_t flags);
// The same from PNG data: decodes it, cuts, and drops the decoded source.
// nullptr when the data is not a decodable PNG (nothing is filed or freed then).
FrameImage *CreateFrameImageFromPng(int number, std::span<const uint8_t> png, int32_t top,
                                    int32_t right, int32_t bottom, int32_t left, uint32_t flags);

// The frame image under number 0 ... 65535, or nullptr.
FrameImage *GetFrameImage(int number);
// Frees the frame image under number (no-op when there is none).
void FreeFrameImage(int number);
// Frees an automatically named (or numbered) frame image by its handle;
// a handle the registry does not know is ignored.
void FreeFrameImage(const FrameImage *frame);
// Frees every frame image (at the end of the run and between tests).
void FreeAllFrameImages();

}  // namespace hx
