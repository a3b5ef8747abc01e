// Strip geometry without a canvas: texts measure 7 pixels per character and
// 13 pixels high, so a tab "abc" with a close button is 21 + 2 x 6 + 12 = 45
// pixels long and n such tabs use 1 + 44 n pixels.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tabbar/TabLayout.h"

namespace hx {
namespace {

constexpr int Height = 25;

TabTextMeasure SevenPerCharacter() {
    TabTextMeasure measure;
    measure.width = [](const std::string &text) { return 7 * static_cast<int>(text.size()); };
    measure.height = 13;
    return measure;
}

class TabLayoutTest : public ::testing::Test {
protected:
    TabLayoutTest() {
        bar.attributes = TabBarCloseButton | TabBarNewTab | TabBarBottomLine;
        bar.minimumLength = 0;
        bar.maximumLength = 32767;
    }

    void addTabs(int count, const std::string &text = "abc") {
        for (int i = 0; i < count; ++i) {
            auto item = std::make_unique<TabBarItem>();
            item->text = item->displayText = text;
            bar.items.push_back(std::move(item));
        }
    }
    void layout(int width) { LayoutTabBar(bar, SevenPerCharacter(), width, Height); }
    TabBarItem &tab(int i) { return *bar.items[i]; }
    bool arrows() const { return (bar.attributes & TabBarPreviousArrow) && (bar.attributes & TabBarNextArrow); }

    TabBar bar;
};

TEST_F(TabLayoutTest, LengthsAddTextPaddingCloseButtonAndImage) {
    const TabTextMeasure m = SevenPerCharacter();
    TabBarItem item;
    item.text = "abc";
    EXPECT_EQ(TabLength(bar, item, false, m), 21 + 12 + 12);
    item.image = QImage(16, 16, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(TabLength(bar, item, false, m), 21 + 12 + 12 + 16 + 3);
    item.text.clear();
    EXPECT_EQ(TabLength(bar, item, false, m), 12 + 12 + 16) << "no spacing without text";
    // The new-tab button has no close button; without image and text it is 16 long.
    EXPECT_EQ(TabLength(bar, item, true, m), 12 + 16);
    EXPECT_EQ(TabLength(bar, TabBarItem{}, true, m), 16);

    bar.attributes &= ~TabBarCloseButton;
    item.text = "abc";
    item.image = QImage();
    EXPECT_EQ(TabLength(bar, item, false, m), 33);
    bar.minimumLength = 40;
    EXPECT_EQ(TabLength(bar, item, false, m), 40);
    bar.minimumLength = 0;
    bar.maximumLength = 20;
    EXPECT_EQ(TabLength(bar, item, false, m), 20);
    bar.maximumLength = 0;
    EXPECT_EQ(TabLength(bar, item, false, m), 1) << "a tab keeps a pixel of its own";
}

TEST_F(TabLayoutTest, EmptyStripShowsOnlyTheNewTabButtonAfterTheMargin) {
    layout(300);
    EXPECT_FALSE(bar.attributes & (TabBarPreviousArrow | TabBarNextArrow));
    EXPECT_EQ(bar.largestShift, 0);
    EXPECT_EQ(bar.shift, 0);
    EXPECT_TRUE(bar.newTab.visible);
    EXPECT_EQ(bar.newTab.position, 4);
    EXPECT_EQ(bar.newTab.rect.x, 4);
    EXPECT_EQ(bar.newTab.rect.width, 16);
    EXPECT_EQ(bar.tabHeight, Height - 4);
}

TEST_F(TabLayoutTest, TabsShareOneFramePixelAndSitOnTheBottomEdge) {
    addTabs(3);
    layout(300);
    EXPECT_EQ(bar.usedLength, 1 + 3 * 44);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(tab(i).visible);
        EXPECT_EQ(tab(i).position, 4 + 44 * i);
        EXPECT_EQ(tab(i).rect.y, Height - 21);
        EXPECT_EQ(tab(i).rect.height, 22) << "one pixel below the canvas: tabs are open at the bottom";
    }
    EXPECT_EQ(bar.newTab.position, 4 + 3 * 44) << "the new-tab button follows the last tab";
}

TEST_F(TabLayoutTest, SelectedTabGrowsByTheMarginAndItsPaddingsByHalf) {
    addTabs(2);
    bar.select(&tab(1));
    layout(300);
    const TabBarItem &normal = tab(0);
    const TabBarItem &selected = tab(1);
    EXPECT_EQ(normal.state, TabNormal);
    EXPECT_EQ(selected.state, TabSelected);
    EXPECT_EQ(selected.rect.x, selected.position - 2);
    EXPECT_EQ(selected.rect.y, 0);
    EXPECT_EQ(selected.rect.width, 45 + 4);
    EXPECT_EQ(selected.rect.height, 22 + 4);
    EXPECT_EQ(selected.paddingX, 8);
    EXPECT_EQ(selected.paddingY, 7);
    EXPECT_EQ(normal.paddingX, 6);
    EXPECT_EQ(normal.paddingY, 5);
    // Close button: x + width - 13 - padding + 3, centred; text after the padding, centred.
    EXPECT_EQ(normal.closeX, normal.rect.x + 45 - 13 - 6 + 3);
    EXPECT_EQ(normal.closeY, 4 + (22 - 13) / 2);
    EXPECT_EQ(selected.closeX, selected.rect.x + 49 - 13 - 8 + 3);
    EXPECT_EQ(normal.textX, normal.rect.x + 6);
    EXPECT_EQ(normal.textY, 4 + (22 - 13) / 2);
    EXPECT_EQ(selected.textY, 0 + (26 - 13) / 2);
}

TEST_F(TabLayoutTest, TabHeightOnAFlatCanvasComesFromTheText) {
    LayoutTabBar(bar, SevenPerCharacter(), 300, 1);
    EXPECT_EQ(bar.tabHeight, 13 + 2 * 5);
    // Measured once: a later layout on a taller canvas keeps it.
    layout(300);
    EXPECT_EQ(bar.tabHeight, 23);
}

// Width 300 and a 16-pixel new-tab button leave 285 pixels: six tabs (265)
// fit, seven (309) do not. With arrows 285 - 24 - 4 = 257 remain; five tabs
// (221) fit beside one fade (225), so the largest shift is 2.
TEST_F(TabLayoutTest, ArrowsAppearTogetherOnlyWhenTheTabsDoNotFit) {
    addTabs(6);
    layout(300);
    EXPECT_FALSE(bar.attributes & (TabBarPreviousArrow | TabBarNextArrow));
    EXPECT_EQ(bar.largestShift, 0);
    addTabs(1);
    layout(300);
    EXPECT_TRUE(arrows());
    EXPECT_EQ(bar.largestShift, 2);
    // The next arrow sits left of the new-tab button and the margin.
    EXPECT_EQ(bar.previousArrow.centreX, 6);
    EXPECT_EQ(bar.nextArrow.centreX, 300 - 6 - 16 - 4);
    EXPECT_EQ(bar.nextArrow.centreY, 4 + 21 / 2);
    EXPECT_EQ(bar.newTab.position, 300 - 16 - 2);
}

// A short first tab (19) and three of 40 fill a 151-pixel strip exactly
// (136 of 136). Reserving a fade while walking back would call the last
// three "too long" and hide tabs that fit; without arrows nothing scrolls.
TEST_F(TabLayoutTest, StripThatJustFitsNeitherScrollsNorFades) {
    bar.attributes &= ~TabBarCloseButton;
    addTabs(1, "a");
    addTabs(3, "abcd");
    layout(151);
    EXPECT_FALSE(arrows());
    EXPECT_EQ(bar.largestShift, 0);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(tab(i).visible) << i;
    EXPECT_EQ(bar.availableLength, 136);
}

TEST_F(TabLayoutTest, ShiftPlacesPartlyVisibleTabsUnderTheFades) {
    addTabs(7);
    struct Case {
        int shift;
        int firstPosition;       // of tab `shift`
        int lastVisible;         // index of the last visible tab
        int available;
    };
    // shift 0: right fade only; shift 1: both; shift 2 (largest): left fade only.
    for (const Case c : {Case{0, 16, 5, 225}, Case{1, 48, 5, 193}, Case{2, 48, 6, 225}}) {
        SCOPED_TRACE(c.shift);
        bar.shift = c.shift;
        layout(300);
        EXPECT_EQ(bar.shift, c.shift);
        EXPECT_EQ(bar.availableLength, c.available);
        EXPECT_EQ(tab(c.shift).position, c.firstPosition);
        if (c.shift >= 1) {
            EXPECT_TRUE(tab(c.shift - 1).visible);
            EXPECT_EQ(tab(c.shift - 1).position, c.firstPosition - 44) << "ends where the first shown tab starts";
        }
        for (int i = 0; i < 7; ++i) {
            const bool shown = i >= c.shift - 1 && i <= c.lastVisible;
            EXPECT_EQ(tab(i).visible, shown) << "tab " << i;
            if (!shown) {
                EXPECT_TRUE(tab(i).rect.x + tab(i).rect.width < 0 || tab(i).rect.x > 300);
            }
        }
    }
}

// At width 290, 247 pixels remain beside the arrows; the largest shift is 3.
// At shift 2 (both fades, 183 pixels) tabs 2 to 5 fit and the last one only
// partly: it still shows under the right fade.
TEST_F(TabLayoutTest, LastTabShowsPartlyUnderTheRightFade) {
    addTabs(7);
    bar.shift = 2;
    layout(290);
    ASSERT_EQ(bar.largestShift, 3);
    ASSERT_EQ(bar.shift, 2);
    EXPECT_TRUE(tab(5).visible);
    EXPECT_TRUE(tab(6).visible);
    EXPECT_EQ(tab(6).position, 48 + 4 * 44);
}

TEST_F(TabLayoutTest, ShiftIsClampedToTheLargestUsefulShift) {
    addTabs(7);
    bar.shift = 6;
    layout(300);
    EXPECT_EQ(bar.shift, 2);
    bar.shift = -5;
    layout(300);
    EXPECT_EQ(bar.shift, 0);
    // Once everything fits again the shift goes back to 0.
    bar.shift = 2;
    layout(2000);
    EXPECT_EQ(bar.shift, 0);
    EXPECT_FALSE(arrows());
}

TEST_F(TabLayoutTest, SelectingATabBringsItIntoView) {
    addTabs(7);
    bar.select(&tab(6));
    bar.bringSelectedIntoView = true;
    layout(300);
    EXPECT_EQ(bar.shift, 2);
    EXPECT_FALSE(bar.bringSelectedIntoView);
    EXPECT_TRUE(tab(6).visible);

    bar.select(&tab(0));
    bar.bringSelectedIntoView = true;
    layout(300);
    EXPECT_EQ(bar.shift, 0);

    // Without the request the shift stays where the user put it.
    bar.shift = 2;
    layout(300);
    EXPECT_EQ(bar.shift, 2);
}

TEST_F(TabLayoutTest, StripTooNarrowForAnyTabStaysConsistent) {
    addTabs(3);
    for (int width : {0, 10, 40, 60}) {
        SCOPED_TRACE(width);
        bar.shift = 99;
        layout(width);
        EXPECT_GE(bar.shift, 0);
        EXPECT_LE(bar.shift, bar.largestShift);
        EXPECT_LE(bar.largestShift, bar.count());
    }
}

TEST_F(TabLayoutTest, RowsLongerThanTheIntRangeStillScroll) {
    // 70000 tabs of the largest length sum to about 2.3e9 pixels.
    for (int i = 0; i < 70000; ++i) bar.items.push_back(std::make_unique<TabBarItem>());
    TabTextMeasure wide = SevenPerCharacter();
    wide.width = [](const std::string &) { return 100000; };
    for (auto &item : bar.items) item->text = "x";
    bar.shift = 69990;
    LayoutTabBar(bar, wide, 300, Height);
    EXPECT_TRUE(arrows());
    EXPECT_EQ(bar.usedLength, INT_MAX);
    EXPECT_EQ(tab(0).length, 32767);
    EXPECT_EQ(bar.largestShift, 70000) << "not even the last tab fits";
    EXPECT_EQ(bar.shift, 69990);
}

TEST_F(TabLayoutTest, HitTestingUsesTheLaidOutRectangles) {
    addTabs(3);
    bar.select(&tab(1));
    layout(300);
    EXPECT_EQ(TabAt(bar, 10, 12), &tab(0));
    EXPECT_EQ(TabAt(bar, 60, 2), &tab(1)) << "the selected tab is taller";
    EXPECT_EQ(TabAt(bar, 10, 2), nullptr);
    // On a shared frame pixel the later tab wins.
    EXPECT_EQ(TabAt(bar, 48 + 45 - 1, 12), &tab(2));
    EXPECT_EQ(TabAt(bar, 4 + 3 * 44 + 5, 12), &bar.newTab);
    EXPECT_EQ(TabAt(bar, 290, 12), nullptr);

    const TabBarItem &t = tab(0);
    EXPECT_TRUE(OnTabCloseButton(bar, t, t.closeX, t.closeY));
    EXPECT_TRUE(OnTabCloseButton(bar, t, t.closeX + 12, t.closeY + 12));
    EXPECT_FALSE(OnTabCloseButton(bar, t, t.closeX + 13, t.closeY));
    EXPECT_FALSE(OnTabCloseButton(bar, bar.newTab, bar.newTab.closeX, bar.newTab.closeY));
    bar.attributes &= ~TabBarCloseButton;
    EXPECT_FALSE(OnTabCloseButton(bar, t, t.closeX, t.closeY));
}

TEST_F(TabLayoutTest, ArrowButtonsAreHitOnlyWhileShown) {
    addTabs(6);
    layout(300);
    EXPECT_EQ(TabArrowAt(bar, 6, 14), 0u);
    addTabs(1);
    layout(300);
    EXPECT_EQ(TabArrowAt(bar, 6, 14), TabBarPreviousArrow);
    EXPECT_EQ(TabArrowAt(bar, bar.nextArrow.centreX, 14), TabBarNextArrow);
    EXPECT_EQ(TabArrowAt(bar, 6, 1), 0u) << "arrows are 18 high around the row's middle";
    EXPECT_FALSE(TabArrowCanScroll(bar, TabBarPreviousArrow));
    EXPECT_TRUE(TabArrowCanScroll(bar, TabBarNextArrow));
}

TEST_F(TabLayoutTest, DraggedTabIsHeldBackNearItsPlaceAndFollowsBeyond) {
    addTabs(4);
    bar.dragged = &tab(1);           // its place is 48, length 45
    struct Case {
        int mouseX;
        int position;
    };
    // target = mouse - 22; d = |48 - target|; d > 24 jumps, else g = (d/24)^2.
    for (const Case c : {Case{70, 48}, Case{82, 51}, Case{94, 72}, Case{100, 78}, Case{58, 45}}) {
        SCOPED_TRACE(c.mouseX);
        bar.mouseX = c.mouseX;
        layout(300);
        EXPECT_EQ(bar.dragSlot, 48);
        EXPECT_EQ(tab(1).position, c.position);
        EXPECT_EQ(tab(1).state, TabDragged);
    }
    // Never before the margin nor past the end of the row.
    bar.mouseX = -100;
    layout(300);
    EXPECT_EQ(tab(1).position, 4);
    bar.mouseX = 1000;
    layout(300);
    EXPECT_EQ(tab(1).position, 4 + 4 * 44 - 44);
}

TEST_F(TabLayoutTest, DraggingPastNeighboursReordersWithoutSwappingBack) {
    addTabs(4);
    TabBarItem *moved = &tab(1);
    bar.dragged = moved;
    bar.mouseX = 70;
    layout(300);
    // Not past the next tab's left edge (92): nothing moves.
    EXPECT_EQ(ReorderDraggedTab(bar, 92), 0);
    EXPECT_EQ(bar.eventCode, TabBarEventNone);
    // Past it: one swap, reported with the new index.
    EXPECT_EQ(ReorderDraggedTab(bar, 93), 1);
    EXPECT_EQ(bar.items[2].get(), moved);
    EXPECT_EQ(bar.eventCode, TabBarEventMove);
    EXPECT_EQ(bar.eventItem, 2);
    EXPECT_EQ(bar.dragSlot, 92);
    // At the same pointer a new layout and comparison change nothing.
    bar.eventCode = TabBarEventNone;
    bar.mouseX = 93;
    layout(300);
    EXPECT_EQ(ReorderDraggedTab(bar, 93), 0);
    // Back left of the passed tab's edge plus the shorter length: it swaps back.
    EXPECT_EQ(ReorderDraggedTab(bar, 48 + 44), 1);
    EXPECT_EQ(bar.items[1].get(), moved);
    // Far right passes every visible tab at once.
    layout(300);
    EXPECT_EQ(ReorderDraggedTab(bar, 290), 2);
    EXPECT_EQ(bar.items[3].get(), moved);
    EXPECT_EQ(bar.eventItem, 3);
}

TEST_F(TabLayoutTest, FadeZonesShowOnlyWhileTheirArrowCanScroll) {
    addTabs(7);
    layout(300);
    EXPECT_FALSE(LeftFadeZone(bar, Height).shown);
    TabFadeZone right = RightFadeZone(bar, 300, Height);
    EXPECT_TRUE(right.shown);
    EXPECT_EQ(right.fade.x, 300 - 4 - 12 - 32 - 16 - 4);
    EXPECT_EQ(right.opaque.x + right.opaque.width, 300);
    bar.shift = 2;
    layout(300);
    TabFadeZone left = LeftFadeZone(bar, Height);
    EXPECT_TRUE(left.shown);
    EXPECT_EQ(left.opaque.x, 0);
    EXPECT_EQ(left.fade.x, 16);
    EXPECT_EQ(left.fade.x + left.fade.width, 48);
    EXPECT_FALSE(RightFadeZone(bar, 300, Height).shown);
}

}  // namespace
}  // namespace hx
