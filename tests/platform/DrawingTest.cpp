#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdlib>

#include "platform/Canvas.h"
#include "platform/CanvasWidget.h"
#include "platform/Platform.h"

namespace hx {
namespace {

// Pixels read back as our Colour (red in the low byte).
Colour PixelAt(const QImage &image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return RGBA(c.red(), c.green(), c.blue(), c.alpha());
}

bool Near(Colour a, Colour b, int tolerance) {
    return std::abs(Red(a) - Red(b)) <= tolerance && std::abs(Green(a) - Green(b)) <= tolerance &&
           std::abs(Blue(a) - Blue(b)) <= tolerance && std::abs(Alpha(a) - Alpha(b)) <= tolerance;
}

QImage Blank(int w = 40, int h = 30, Colour fill = RGBA(255, 255, 255)) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(Red(fill), Green(fill), Blue(fill), Alpha(fill)));
    return image;
}

TEST(Drawing, BoxFillsExactlyItsPixelsWithTheColourRedInTheLowByte) {
    QImage image = Blank();
    {
        Drawing d(image);
        ASSERT_TRUE(d.ok());
        d.box(5, 6, 3, 2, RGBA(200, 10, 20));
    }
    EXPECT_EQ(PixelAt(image, 5, 6), RGBA(200, 10, 20));
    EXPECT_EQ(PixelAt(image, 7, 7), RGBA(200, 10, 20));
    EXPECT_EQ(PixelAt(image, 8, 6), RGBA(255, 255, 255));   // right of it
    EXPECT_EQ(PixelAt(image, 5, 8), RGBA(255, 255, 255));   // below it
    EXPECT_EQ(PixelAt(image, 4, 6), RGBA(255, 255, 255));
}

TEST(Drawing, ShapesReplaceUntilBlendingIsOn) {
    QImage image = Blank();
    {
        Drawing d(image);
        d.box(0, 0, 10, 10, RGBA(0, 0, 255, 128));     // replaces: half-transparent pixels
        d.setBlending(true);
        d.box(10, 0, 10, 10, RGBA(0, 0, 255, 128));    // blends onto white
    }
    EXPECT_TRUE(Near(PixelAt(image, 2, 2), RGBA(0, 0, 255, 128), 1));
    EXPECT_TRUE(Near(PixelAt(image, 12, 2), RGBA(127, 127, 255, 255), 2));
}

TEST(Drawing, FrameAndStraightLinesIncludeTheirEndPixels) {
    QImage image = Blank();
    const Colour ink = RGBA(0, 0, 0);
    {
        Drawing d(image);
        d.frame(2, 2, 5, 4, ink);
        d.line(20, 3, 25, 3, ink);
        d.line(30, 9, 30, 4, ink);
    }
    EXPECT_EQ(PixelAt(image, 2, 2), ink);
    EXPECT_EQ(PixelAt(image, 6, 5), ink);
    EXPECT_EQ(PixelAt(image, 4, 3), RGBA(255, 255, 255));   // inside stays
    EXPECT_EQ(PixelAt(image, 7, 5), RGBA(255, 255, 255));
    EXPECT_EQ(PixelAt(image, 20, 3), ink);
    EXPECT_EQ(PixelAt(image, 25, 3), ink);
    EXPECT_EQ(PixelAt(image, 26, 3), RGBA(255, 255, 255));
    EXPECT_EQ(PixelAt(image, 30, 4), ink);
    EXPECT_EQ(PixelAt(image, 30, 9), ink);
}

TEST(Drawing, GradientsShowTheirStopColoursAtTheEnds) {
    QImage image = Blank(64, 64);
    const GradientStops stops = {{0.0, RGBA(255, 0, 0)}, {0.5, RGBA(0, 255, 0)}, {1.0, RGBA(0, 0, 255)}};
    {
        Drawing d(image);
        d.gradientBox(0, 0, 20, 21, true, stops);
        d.gradientBox(30, 0, 21, 10, false, stops);
    }
    // Vertical: rows 0, 10 and 20 are the stops; columns do not change.
    EXPECT_TRUE(Near(PixelAt(image, 3, 0), RGBA(255, 0, 0), 3));
    EXPECT_TRUE(Near(PixelAt(image, 17, 10), RGBA(0, 255, 0), 3));
    EXPECT_TRUE(Near(PixelAt(image, 9, 20), RGBA(0, 0, 255), 3));
    EXPECT_EQ(PixelAt(image, 3, 21), RGBA(255, 255, 255));
    // Horizontal: columns 30, 40 and 50.
    EXPECT_TRUE(Near(PixelAt(image, 30, 5), RGBA(255, 0, 0), 3));
    EXPECT_TRUE(Near(PixelAt(image, 40, 9), RGBA(0, 255, 0), 3));
    EXPECT_TRUE(Near(PixelAt(image, 50, 0), RGBA(0, 0, 255), 3));
}

TEST(Drawing, TextLandsInsideItsBoxAndAdvancesByItsWidth) {
    QImage image = Blank(200, 60);
    int after = 0;
    int width = 0;
    int height = 0;
    {
        Drawing d(image);
        d.setFont(FixedFont("Courier New", 10));
        width = d.textWidth("HEX 0A");
        height = d.textHeight("HEX 0A");
        after = d.text(20, 10, "HEX 0A", RGBA(0, 0, 0));
    }
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    EXPECT_EQ(after, 20 + width);
    // Layouts add up measured widths and place the next run where text() ended.
    {
        QImage scratch = Blank(400, 30);
        Drawing d(scratch);
        for (const char *sample : {"Hexaloom - Editor for binary files", "iiiWWW.,;", "Ärger über Öl"})
            EXPECT_EQ(d.text(3, 0, sample, RGBA(0, 0, 0)), 3 + d.textWidth(sample)) << sample;
    }
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (PixelAt(image, x, y) == RGBA(255, 255, 255))
                continue;
            const bool in = x >= 20 && x < 20 + width && y >= 10 && y < 10 + height;
            ++(in ? inside : outside);
        }
    }
    EXPECT_GT(inside, 10);
    EXPECT_EQ(outside, 0);
}

TEST(Drawing, Latin1TextDrawsEveryByteAsItsOwnCharacter) {
    // 0xE9 is "é" in Latin-1; as UTF-8 alone it would be invalid.
    const char bytes[] = {'\xE9', '\xE9'};
    QImage fromBytes = Blank(80, 30);
    QImage fromText = Blank(80, 30);
    int endBytes = 0;
    int endText = 0;
    {
        Drawing d(fromBytes);
        endBytes = d.textLatin1(2, 2, bytes, 2, RGBA(0, 0, 0));
        Drawing e(fromText);
        endText = e.text(2, 2, "\xC3\xA9\xC3\xA9", RGBA(0, 0, 0));
    }
    EXPECT_EQ(endBytes, endText);
    EXPECT_EQ(fromBytes, fromText);
}

TEST(Drawing, RotatedTextReadsUpwardsFromItsBaselineStart) {
    QImage image = Blank(60, 120);
    {
        Drawing d(image);
        d.textRotated(30, 110, "Counts", RGBA(0, 0, 0));
    }
    // Upwards from y 110, left of x 30 (the glyphs stand on the baseline,
    // which turns into a vertical line at x 30).
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (PixelAt(image, x, y) == RGBA(255, 255, 255))
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    ASSERT_GE(maxX, 0) << "nothing drawn";
    EXPECT_LE(maxX, 31);
    EXPECT_LE(maxY, 110);
    EXPECT_GT(maxY - minY, maxX - minX);   // taller than wide: turned
}

TEST(Drawing, ImagesBlendByTheirAlphaAndPartsCutTheSource) {
    QImage icon(4, 4, QImage::Format_ARGB32);
    icon.fill(QColor(0, 0, 0, 0));
    icon.setPixelColor(1, 1, QColor(255, 0, 0));
    icon.setPixelColor(2, 1, QColor(0, 255, 0));
    QImage image = Blank();
    {
        Drawing d(image);
        d.image(10, 10, icon);              // transparent pixels leave the white
        d.image(20, 10, icon, 128);         // half strength
        d.imagePart(30, 10, icon, 2, 1, 1, 1);
        d.imageStretched(0, 20, 8, 8, icon);
    }
    EXPECT_EQ(PixelAt(image, 10, 10), RGBA(255, 255, 255));
    EXPECT_EQ(PixelAt(image, 11, 11), RGBA(255, 0, 0));
    EXPECT_TRUE(Near(PixelAt(image, 21, 11), RGBA(255, 127, 127), 2));
    EXPECT_EQ(PixelAt(image, 30, 10), RGBA(0, 255, 0));
    EXPECT_EQ(PixelAt(image, 31, 10), RGBA(255, 255, 255));
    EXPECT_EQ(PixelAt(image, 2, 22), RGBA(255, 0, 0));  // source pixel (1, 1) doubled
    EXPECT_EQ(PixelAt(image, 3, 23), RGBA(255, 0, 0));
    EXPECT_EQ(PixelAt(image, 4, 22), RGBA(0, 255, 0));
}

TEST(Drawing, DegenerateInputDrawsNothing) {
    QImage image = Blank();
    const QImage before = image;
    {
        Drawing d(image);
        d.box(3, 3, 0, 5, RGBA(0, 0, 0));
        d.box(3, 3, -4, -4, RGBA(0, 0, 0));
        d.gradientBox(0, 0, 10, 10, true, {});
        d.roundBox(0, 0, 0, 10, 3, 3, RGBA(0, 0, 0));
        d.textLatin1(0, 0, nullptr, 5, RGBA(0, 0, 0));
        d.textLatin1(0, 0, "abc", -1, RGBA(0, 0, 0));
        d.image(0, 0, QImage());
        d.imagePart(0, 0, before, 0, 0, -1, 3);
    }
    EXPECT_EQ(image, before);
    QImage null;
    Drawing none(null);
    EXPECT_FALSE(none.ok());
    none.box(0, 0, 5, 5, RGBA(0, 0, 0));   // a no-op, not a crash
    EXPECT_EQ(none.width(), 0);
}

// ---- on a canvas ----

class CanvasDrawing : public testing::Test {
protected:
    static constexpr int Window = 910;
    static constexpr int Canvas = 911;
    void SetUp() override {
        ASSERT_NE(OpenWindow(Window, 0, 0, 200, 100, "drawing", WindowHidden), nullptr);
        ASSERT_EQ(CreateCanvas(Canvas, Window, 0, 0, 50, 40, 0), Canvas);
    }
    void TearDown() override {
        CloseWindow(Window);
        while (PollEvent()) {
        }
    }
};

TEST_F(CanvasDrawing, DrawsIntoTheCanvasImageAndCountsRedraws) {
    EXPECT_EQ(CanvasDrawCount(Canvas), 0);
    {
        Drawing d(Canvas);
        ASSERT_TRUE(d.ok());
        EXPECT_EQ(d.width(), 50);
        EXPECT_EQ(d.height(), 40);
        d.box(0, 0, 50, 40, RGBA(1, 2, 3));
    }
    EXPECT_EQ(CanvasDrawCount(Canvas), 1);
    EXPECT_EQ(PixelAt(CanvasImage(Canvas), 49, 39), RGBA(1, 2, 3));
}

TEST_F(CanvasDrawing, WidgetShowsWhatWasDrawn) {
    {
        Drawing d(Canvas);
        d.box(0, 0, 50, 40, RGBA(10, 20, 30));
        d.box(5, 5, 2, 2, RGBA(200, 100, 0));
    }
    const QImage shown = GetCanvas(Canvas)->grab().toImage();
    ASSERT_EQ(shown.width(), 50);
    EXPECT_EQ(PixelAt(shown, 0, 0), RGBA(10, 20, 30));
    EXPECT_EQ(PixelAt(shown, 6, 6), RGBA(200, 100, 0));
}

TEST_F(CanvasDrawing, ResizingTheCanvasResizesItsImage) {
    ResizeControl(Canvas, -1, -1, 70, 25);
    EXPECT_EQ(CanvasWidth(Canvas), 70);
    EXPECT_EQ(CanvasHeight(Canvas), 25);
    Drawing d(Canvas);
    EXPECT_EQ(d.width(), 70);
    EXPECT_EQ(CanvasImage(Canvas).height(), 25);
}

TEST_F(CanvasDrawing, SecondDrawingAtOnceIsRefusedNotCorrupting) {
    Drawing first(Canvas);
    ASSERT_TRUE(first.ok());
    Drawing second(Canvas);
    EXPECT_FALSE(second.ok());
    second.box(0, 0, 5, 5, RGBA(0, 0, 0));
    first.box(0, 0, 5, 5, RGBA(9, 9, 9));
}

TEST_F(CanvasDrawing, FreeingTheCanvasWhileDrawingIsSafe) {
    Drawing d(Canvas);
    ASSERT_TRUE(d.ok());
    FreeControl(Canvas);
    EXPECT_EQ(GetCanvas(Canvas), nullptr);
    d.box(0, 0, 5, 5, RGBA(0, 0, 0));   // painter stopped: ignored
}

TEST_F(CanvasDrawing, UnknownCanvasGivesNoDrawing) {
    Drawing d(12345);
    EXPECT_FALSE(d.ok());
    EXPECT_TRUE(CanvasImage(12345).isNull());
}

}  // namespace
}  // namespace hx
