// Pixels of a drawn strip against the colours the look prescribes. Tabs get
// the face colour (0x20, 0x40, 0x60), chosen so that every stop differs per
// channel and the darkest stop saturates at 0 in red.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include <QColor>

#include "TabStripFixture.h"
#include "tabbar/TabPainter.h"

namespace hx {
namespace {

constexpr Colour Face = 0xFF604020u;   // red 0x20, green 0x40, blue 0x60
constexpr Colour Bar = 0xFF808080u;
constexpr Colour Border = 0xFF000080u;
constexpr Colour Ink = 0xFF00FF00u;

struct Rgb {
    int r, g, b;
};

// Colour of a vertical gradient at a pixel row: stops run from the centre of
// the first row (0.0) to that of the last (1.0), linearly between stops.
Rgb Interpolate(const std::vector<std::pair<double, Rgb>> &stops, double t) {
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t > stops[i].first) continue;
        const auto &[t0, c0] = stops[i - 1];
        const auto &[t1, c1] = stops[i];
        const double f = (t - t0) / (t1 - t0);
        return {static_cast<int>(c0.r + f * (c1.r - c0.r) + 0.5), static_cast<int>(c0.g + f * (c1.g - c0.g) + 0.5),
                static_cast<int>(c0.b + f * (c1.b - c0.b) + 0.5)};
    }
    return stops.back().second;
}

::testing::AssertionResult Near(QRgb pixel, Rgb want, int tolerance = 3) {
    if (std::abs(qRed(pixel) - want.r) <= tolerance && std::abs(qGreen(pixel) - want.g) <= tolerance &&
        std::abs(qBlue(pixel) - want.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel " << QColor(pixel).name().toStdString() << " wanted rgb("
                                         << want.r << "," << want.g << "," << want.b << ")";
}

class TabStripDrawing : public TabStripTest {
protected:
    void SetUp() override {
        saved_ = TabBarDefaults;
        TabBarDefaults.barColour = Bar;
        TabBarDefaults.faceColour = Face;
        TabBarDefaults.borderColour = Border;
        TabBarDefaults.textColour = Ink;
        TabStripTest::SetUp();
    }
    void TearDown() override {
        TabStripTest::TearDown();
        TabBarDefaults = saved_;
    }
    static QRgb Pixel(int x, int y) { return CanvasImage(Gadget).pixel(x, y); }

    // Checks a column inside the frame and the padding, from below the rounded
    // corner down to the last row on the canvas above the bottom line.
    static void ExpectColumn(const TabBarItem &item, const std::vector<std::pair<double, Rgb>> &stops) {
        const TabRect &r = item.rect;
        const int x = r.x + 3;
        for (int y = r.y + 4; y < Height - 1; ++y) {
            const double t = static_cast<double>(y - r.y) / (r.height - 1);
            EXPECT_TRUE(Near(Pixel(x, y), Interpolate(stops, t))) << "row " << y;
        }
    }

private:
    TabBarDefaultsRecord saved_;
};

TEST_F(TabStripDrawing, NormalAndSelectedTabsShowTheirGradientStops) {
    AddTabs(3);
    SetTabBarState(Gadget, 1);
    Flush();
    // Normal: lift(F, 0x20) at 0, F at 0.5, sink(F, 0x10) at 0.6, sink(F, 0x30) at 1.
    ExpectColumn(Item(0), {{0.0, {0x40, 0x60, 0x80}},
                           {0.5, {0x20, 0x40, 0x60}},
                           {0.6, {0x10, 0x30, 0x50}},
                           {1.0, {0x00, 0x10, 0x30}}});
    // Selected: S = lift(F, 0x10); lift(S, 0x10) at 0, S at 0.5, sink(S, 0x10) at 1.
    ExpectColumn(Item(1), {{0.0, {0x40, 0x60, 0x80}}, {0.5, {0x30, 0x50, 0x70}}, {1.0, {0x20, 0x40, 0x60}}});
}

TEST_F(TabStripDrawing, HoveredTabIsLiftedAndAChangedFaceColourIsDrawn) {
    AddTabs(2);
    Send(CanvasMouseMove, BodyX(0), BodyY(0));
    ExpectColumn(Item(0), {{0.0, {0x50, 0x70, 0x90}},
                           {0.5, {0x30, 0x50, 0x70}},
                           {0.6, {0x20, 0x40, 0x60}},
                           {1.0, {0x00, 0x20, 0x40}}});
    SetTabBarItemColor(Gadget, 1, 2, 0xC0F0F0);
    Flush();
    const TabBarItem &tinted = Item(1);
    const int middle = tinted.rect.y + (tinted.rect.height - 1) / 2;
    EXPECT_TRUE(Near(Pixel(tinted.rect.x + 3, middle), {0xF0, 0xF0, 0xC0}));
}

TEST_F(TabStripDrawing, FrameBottomLineAndSelectedTabCoveringIt) {
    AddTabs(2);
    SetTabBarState(Gadget, 1);
    Flush();
    const TabBarItem &normal = Item(0);
    const TabBarItem &selected = Item(1);
    const int middle = normal.rect.y + normal.rect.height / 2;
    EXPECT_TRUE(Near(Pixel(normal.rect.x, middle), {0x80, 0x00, 0x00}, 0)) << "left frame";
    EXPECT_TRUE(Near(Pixel(normal.rect.x + 10, normal.rect.y), {0x80, 0x00, 0x00}, 0)) << "top frame";
    EXPECT_TRUE(Near(Pixel(normal.rect.x + 10, Height - 1), {0x80, 0x00, 0x00}, 0)) << "bottom line under a tab";
    EXPECT_TRUE(Near(Pixel(Width - 3, Height - 1), {0x80, 0x00, 0x00}, 0)) << "bottom line on the empty strip";
    EXPECT_TRUE(Near(Pixel(Width - 3, 2), {0x80, 0x80, 0x80}, 0)) << "bar colour";
    EXPECT_FALSE(Near(Pixel(selected.rect.x + 10, Height - 1), {0x80, 0x00, 0x00}))
        << "the selected tab hides the bottom line";
}

TEST_F(TabStripDrawing, CloseCrossAndTextUseTheTextColour) {
    AddTabs(1);
    const TabBarItem &tab = Item(0);
    // The cross's diagonal runs from origin + 3 over 7 pixels.
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(Near(Pixel(tab.closeX + 3 + i, tab.closeY + 3 + i), {0x00, 0xFF, 0x00}, 0)) << i;
        EXPECT_TRUE(Near(Pixel(tab.closeX + 9 - i, tab.closeY + 3 + i), {0x00, 0xFF, 0x00}, 0)) << i;
    }
    EXPECT_FALSE(Near(Pixel(tab.closeX + 3, tab.closeY + 2), {0x00, 0xFF, 0x00}, 0));
    int inked = 0;
    for (int x = tab.textX; x < tab.closeX; ++x) {
        for (int y = tab.rect.y; y < Height - 1; ++y) {
            if (qGreen(Pixel(x, y)) > 0xA0 && qRed(Pixel(x, y)) < 0x60) ++inked;
        }
    }
    EXPECT_GT(inked, 10) << "the text is drawn";
}

TEST_F(TabStripDrawing, FadesCoverTheEdgesAndArrowsShowWhetherTheyCanScroll) {
    AddTabs(20);
    Send(CanvasMouseWheel, 150, RowY(), -1);
    ASSERT_EQ(Strip().shift, 1);
    const int margin = TabBarDefaults.margin, arrow = TabBarDefaults.arrowWidth;
    // Opaque bar colour from the left edge to margin + arrow width, even over the partly shown tab.
    EXPECT_TRUE(Near(Pixel(margin + arrow - 1, RowY() + 4), {0x80, 0x80, 0x80}, 0));
    // Half way through the fade the tab shows through more than at its opaque end.
    const QRgb fading = Pixel(margin + arrow + 24, RowY());
    EXPECT_FALSE(Near(fading, {0x80, 0x80, 0x80}, 2));
    // The previous arrow can scroll: its triangle is the text colour at alpha 0x80 over the bar.
    const ArrowGeometry previous = Strip().previousArrow;
    const int apexSide = previous.centreX - TabBarDefaults.arrowSize / 2 + TabBarDefaults.arrowSize;
    EXPECT_TRUE(Near(Pixel(apexSide, previous.centreY), {0x40, 0xC0, 0x40}, 2));
    // Scrolled back to the start it cannot: alpha 0x20.
    Send(CanvasMouseWheel, 150, RowY(), 5);
    EXPECT_TRUE(Near(Pixel(apexSide, previous.centreY), {0x70, 0x90, 0x70}, 2));
    // The new-tab button is drawn over the right fade.
    const TabBarItem &button = Item(TabBarNewTabItem);
    EXPECT_TRUE(Near(Pixel(button.rect.x, button.rect.y + 8), {0x80, 0x00, 0x00}, 0)) << "its frame";
}

TEST(TabColours, LiftAndSinkSaturatePerChannelAndKeepAlpha) {
    EXPECT_EQ(LiftColour(0x80F0F010u, 0x202020), 0x80FFFF30u);
    EXPECT_EQ(SinkColour(0xFF10F030u, 0x303030), 0xFF00C000u);
    EXPECT_EQ(LiftColour(0xFF000000u, 0xFF101010u), 0xFF101010u) << "the lift's alpha is not added";
    const GradientStops dragged = TabGradient(TabDragged, Face);
    for (const auto &stop : dragged) EXPECT_EQ(Alpha(stop.second), 0xC0);
    const GradientStops disabled = TabGradient(TabDisabled, Face);
    ASSERT_EQ(disabled.size(), 4u);
    for (const auto &stop : disabled) EXPECT_EQ(Alpha(stop.second), 0x80);
}

}  // namespace
}  // namespace hx

namespace hx {
namespace {

// Pictures of the strip for looking at, not checks: run with
// --gtest_also_run_disabled_tests; they are written to /tmp/h6-*.png (and 3x
// enlarged copies next to them).
class TabStripPictures : public TabStripTest {};

void Save(const std::string &name) {
    const QImage &image = CanvasImage(TabStripTest::Gadget);
    image.save(QString::fromStdString("/tmp/h6-" + name + ".png"));
    image.scaled(image.width() * 3, image.height() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(QString::fromStdString("/tmp/h6-" + name + "-3x.png"));
}

TEST_F(TabStripPictures, DISABLED_TenFilesWithArrowsHoverTintAndDrag) {
    DestroyTabBar(Gadget);
    FillTabBarDefaults();
    ASSERT_EQ(CreateTabBar(Gadget, 0, 0, 640, 25, TabBarCloseButton | TabBarNewTab | TabBarBottomLine, Window),
              Gadget);
    QImage icon(24, 24, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 2; y < 22; ++y) {
        for (int x = 5; x < 19; ++x) icon.setPixel(x, y, (x == 5 || x == 18 || y == 2 || y == 21) ? 0xFF404040 : 0xFFFFFFFF);
    }
    AddTabBarItem(Gadget, TabBarNewTabItem, "", &icon, nullptr);
    SetTabBarToolTips(Gadget, "%ITEM", "New", "Close");
    const char *names[] = {"firmware.bin", "boot.img", "notes.txt", "dump-2024.raw", "logo.png",
                           "save01.dat", "kernel", "archive.zip", "track07.wav", "table.db"};
    for (const char *name : names) AddTabBarItem(Gadget, -1, name, nullptr, nullptr);
    SetTabBarState(Gadget, 2);
    SetTabBarItemColor(Gadget, 1, 2, 0xFFC0F0F0u);
    Flush();
    Send(CanvasMouseMove, BodyX(3), BodyY(3));
    Save("arrows-hover-tint");
    Send(CanvasMouseMove, CloseX(4), CloseY(4));
    Save("close-hover");
    Send(CanvasMouseWheel, 300, RowY(), -1);
    Send(CanvasMouseMove, 300, 2);
    Save("scrolled");
    Send(CanvasMouseWheel, 300, RowY(), 5);
    const int x = BodyX(2), y = BodyY(2);
    Send(CanvasLeftButtonDown, x, y);
    Send(CanvasMouseMove, x + 10, y);
    Send(CanvasMouseMove, x + 80, y);
    Save("drag");
    Send(CanvasLeftButtonUp, x + 80, y);
    for (int i = 0; i < 7; ++i) RemoveTabBarItem(Gadget, 0);
    Flush();
    Save("three-tabs");
}

}  // namespace
}  // namespace hx
