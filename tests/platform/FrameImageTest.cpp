#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <climits>

#include "platform/FrameImage.h"

using namespace hx;

namespace {

// A picture whose every pixel tells where it came from: red = x, green = y.
QImage coordinatePicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor(x, y, 200, 255));
    return image;
}

// Where a piece was cut from: the source coordinates of its top-left pixel, and its size.
struct Cut {
    int x, y, w, h;
};

Cut cutOf(const QImage &piece) {
    const QColor c = piece.pixelColor(0, 0);
    return {c.red(), c.green(), piece.width(), piece.height()};
}

void expectCut(const FrameImage &f, FramePiece which, Cut want) {
    SCOPED_TRACE(static_cast<int>(which));
    ASSERT_TRUE(f.has(which));
    const Cut got = cutOf(f.piece(which));
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.w, want.w);
    EXPECT_EQ(got.h, want.h);
}

QByteArray png(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

std::span<const uint8_t> span(const QByteArray &bytes) {
    return {reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

class FrameRegistry : public ::testing::Test {
protected:
    void TearDown() override { FreeAllFrameImages(); }
};

}  // namespace

TEST(FrameBorders, ShorthandFillsTheMissingSides) {
    const struct {
        int in[4];
        int out[4];
    } cases[] = {
        {{4, -1, 9, 9}, {4, 4, 4, 4}},   // right -1: all equal top, whatever bottom and left say
        {{4, 0, -1, -1}, {4, 0, 4, 0}},  // bottom -1: bottom = top, left = right
        {{1, 2, -1, 7}, {1, 2, 1, 2}},
        {{1, 2, 3, -1}, {1, 2, 3, 2}},   // left -1: left = right
        {{1, 2, 3, 4}, {1, 2, 3, 4}},
        {{-5, 2, -7, 3}, {0, 2, 0, 3}},  // negatives left after the shorthand are 0
    };
    for (const auto &c : cases) {
        int32_t t = c.in[0], r = c.in[1], b = c.in[2], l = c.in[3];
        ResolveFrameBorders(t, r, b, l);
        EXPECT_EQ((std::array<int32_t, 4>{t, r, b, l}), (std::array<int32_t, 4>{c.out[0], c.out[1], c.out[2], c.out[3]}))
            << c.in[0] << "," << c.in[1] << "," << c.in[2] << "," << c.in[3];
    }
}

TEST(FrameCutting, ScrollBarBordersGiveTopCentreAndBottomOnly) {
    const FrameImage f = CutFrameImage(coordinatePicture(16, 24), 4, 0, -1, -1, 0);
    EXPECT_EQ(f.top, 4);
    EXPECT_EQ(f.bottom, 4);
    EXPECT_EQ(f.left, 0);
    EXPECT_EQ(f.right, 0);
    expectCut(f, FrameTop, {0, 0, 16, 4});
    expectCut(f, FrameCentre, {0, 4, 16, 16});
    expectCut(f, FrameBottom, {0, 20, 16, 4});
    for (FramePiece none : {FrameTopLeft, FrameTopRight, FrameLeft, FrameRight, FrameBottomLeft, FrameBottomRight})
        EXPECT_FALSE(f.has(none)) << none;
}

TEST(FrameCutting, HollowFrameHasEightPiecesAndNoCentre) {
    const FrameImage f = CutFrameImage(coordinatePicture(12, 12), 4, -1, -1, -1, FrameHollow);
    expectCut(f, FrameTopLeft, {0, 0, 4, 4});
    expectCut(f, FrameTop, {4, 0, 4, 4});
    expectCut(f, FrameTopRight, {8, 0, 4, 4});
    expectCut(f, FrameLeft, {0, 4, 4, 4});
    expectCut(f, FrameRight, {8, 4, 4, 4});
    expectCut(f, FrameBottomLeft, {0, 8, 4, 4});
    expectCut(f, FrameBottom, {4, 8, 4, 4});
    expectCut(f, FrameBottomRight, {8, 8, 4, 4});
    EXPECT_FALSE(f.has(FrameCentre));
    // Pieces are copies: the right edge's last pixel is the source's (11, 7).
    EXPECT_EQ(f.piece(FrameRight).pixelColor(3, 3), QColor(11, 7, 200));
}

TEST(FrameCutting, UnevenBordersCutWhereTheRulesSay) {
    const FrameImage f = CutFrameImage(coordinatePicture(20, 10), 1, 2, 3, 4, 0);
    expectCut(f, FrameTopLeft, {0, 0, 4, 1});
    expectCut(f, FrameTop, {4, 0, 14, 1});
    expectCut(f, FrameTopRight, {18, 0, 2, 1});
    expectCut(f, FrameLeft, {0, 1, 4, 6});
    expectCut(f, FrameCentre, {4, 1, 14, 6});
    expectCut(f, FrameRight, {18, 1, 2, 6});
    expectCut(f, FrameBottomLeft, {0, 7, 4, 3});
    expectCut(f, FrameBottom, {4, 7, 14, 3});
    expectCut(f, FrameBottomRight, {18, 7, 2, 3});
}

TEST(FrameCutting, BordersAsLargeAsThePictureLeaveEmptyPiecesInsteadOfFailing) {
    // Middle sizes of zero or below: those pieces stay empty (an empty copy
    // rectangle must not turn into a copy of the whole picture).
    const FrameImage even = CutFrameImage(coordinatePicture(8, 8), 4, -1, -1, -1, 0);
    EXPECT_FALSE(even.has(FrameTop));
    EXPECT_FALSE(even.has(FrameCentre));
    EXPECT_TRUE(even.has(FrameTopLeft));

    // Borders near the 32-bit limit neither wrap around nor allocate huge pieces.
    const FrameImage huge = CutFrameImage(coordinatePicture(8, 8), INT32_MAX, -1, -1, -1, 0);
    for (const QImage &piece : huge.pieces)
        EXPECT_TRUE(piece.isNull() || (piece.width() <= 8 && piece.height() <= 8));

    const FrameImage none = CutFrameImage(QImage(), 4, -1, -1, -1, 0);
    EXPECT_EQ(none.top, 4);
    for (const QImage &piece : none.pieces)
        EXPECT_TRUE(piece.isNull());
}

TEST_F(FrameRegistry, NumbersAboveTheRangeAreRefusedWithoutFreeingAnything) {
    const QImage source = coordinatePicture(12, 12);
    FrameImage *kept = CreateFrameImage(65535, source, 4, -1, -1, -1, 0);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(CreateFrameImage(65536, source, 4, -1, -1, -1, 0), nullptr);
    EXPECT_EQ(CreateFrameImage(-2, source, 4, -1, -1, -1, 0), nullptr);
    EXPECT_EQ(GetFrameImage(65535), kept);
    EXPECT_EQ(GetFrameImage(65536), nullptr);
}

TEST_F(FrameRegistry, ReusingANumberReplacesTheFrameAndAutomaticOnesAreDistinct) {
    const QImage source = coordinatePicture(12, 12);
    CreateFrameImage(7, source, 4, -1, -1, -1, 0);
    FrameImage *second = CreateFrameImage(7, source, 2, -1, -1, -1, FrameHollow);
    EXPECT_EQ(GetFrameImage(7), second);
    EXPECT_EQ(GetFrameImage(7)->top, 2);

    FrameImage *a = CreateFrameImage(-1, source, 4, -1, -1, -1, 0);
    FrameImage *b = CreateFrameImage(-1, source, 4, -1, -1, -1, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b);
    FreeFrameImage(a);
    FreeFrameImage(a);  // a second free of a gone handle is ignored
    FreeFrameImage(7);
    EXPECT_EQ(GetFrameImage(7), nullptr);
    EXPECT_EQ(b->top, 4);  // untouched by the other frees
}

TEST_F(FrameRegistry, PngVariantCutsDecodedDataAndRefusesUndecodableData) {
    const QByteArray data = png(coordinatePicture(16, 24));
    FrameImage *f = CreateFrameImageFromPng(3, span(data), 4, 0, -1, -1, 0);
    ASSERT_NE(f, nullptr);
    expectCut(*f, FrameBottom, {0, 20, 16, 4});

    const QByteArray broken = data.left(data.size() / 2);
    EXPECT_EQ(CreateFrameImageFromPng(3, span(broken), 4, 0, -1, -1, 0), nullptr);
    EXPECT_EQ(GetFrameImage(3), f);  // the earlier frame under 3 is kept
}
