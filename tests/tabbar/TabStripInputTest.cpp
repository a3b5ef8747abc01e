// What the strip reports for mouse input, and how its operations change it.
#include <gtest/gtest.h>

#include "TabStripFixture.h"

namespace hx {
namespace {

using TabStripInput = TabStripTest;
using TabStripOperations = TabStripTest;

TEST_F(TabStripOperations, EmptyStripHasOnlyTheNewTabButtonAfterTheMargin) {
    EXPECT_EQ(CountTabBarItems(Gadget), 0);
    EXPECT_EQ(SelectedTabBarItem(Gadget), -1);
    EXPECT_FALSE(Strip().attributes & (TabBarPreviousArrow | TabBarNextArrow));
    EXPECT_EQ(Strip().largestShift, 0);
    EXPECT_TRUE(Item(TabBarNewTabItem).visible);
    EXPECT_EQ(Item(TabBarNewTabItem).rect.x, TabBarDefaults.margin);
    EXPECT_EQ(Send(CanvasLeftButtonDown, TabBarDefaults.margin + 2, RowY()), TabBarEventNewTab);
    EXPECT_EQ(TabBarEventItem(Gadget), TabBarNewTabItem);
}

TEST_F(TabStripOperations, AddInsertsBeforeAValidIndexAndAppendsOtherwise) {
    EXPECT_EQ(AddTabBarItem(Gadget, -1, "a", nullptr, nullptr), 0);
    EXPECT_EQ(AddTabBarItem(Gadget, 7, "c", nullptr, nullptr), 1);
    EXPECT_EQ(AddTabBarItem(Gadget, 1, "b", nullptr, nullptr), 1);
    EXPECT_EQ(AddTabBarItem(Gadget, 0, "first", nullptr, nullptr), 0);
    ASSERT_EQ(CountTabBarItems(Gadget), 4);
    EXPECT_EQ(Item(0).text, "first");
    EXPECT_EQ(Item(1).text, "a");
    EXPECT_EQ(Item(2).text, "b");
    EXPECT_EQ(Item(3).text, "c");
    EXPECT_EQ(Item(3).displayText, "c");
    EXPECT_EQ(Item(3).faceColour, TabBarDefaults.faceColour);
    EXPECT_EQ(Item(3).textColour, TabBarDefaults.textColour);
    EXPECT_EQ(TabBarItemIndex(Gadget, GetTabBarItem(Gadget, 2)), 2);
    EXPECT_EQ(TabBarItemIndex(Gadget, GetTabBarItem(Gadget, TabBarNewTabItem)), TabBarNewTabItem);
    EXPECT_EQ(TabBarItemIndex(Gadget, nullptr), -1);
}

TEST_F(TabStripOperations, RemovingTheSelectedTabSelectsTheNextElseThePrevious) {
    AddTabs(3);
    TabBarItem *last = GetTabBarItem(Gadget, 2);
    SetTabBarState(Gadget, 1);
    RemoveTabBarItem(Gadget, 1);
    EXPECT_EQ(GetTabBarItem(Gadget, TabBarSelectedItem), last) << "the following tab";
    RemoveTabBarItem(Gadget, TabBarSelectedItem);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 0) << "the new last tab";
    EXPECT_EQ(DataOf(0), 1);
    RemoveTabBarItem(Gadget, 0);
    EXPECT_EQ(SelectedTabBarItem(Gadget), -1);
    EXPECT_EQ(GetTabBarItem(Gadget, TabBarSelectedItem), nullptr);
    // Removing an unselected tab keeps the selection.
    AddTabs(2);
    SetTabBarState(Gadget, 1);
    RemoveTabBarItem(Gadget, 0);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 0);
}

TEST_F(TabStripOperations, StateSelectsOrClearsTheSelection) {
    AddTabs(3);
    SetTabBarState(Gadget, 2);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 2);
    EXPECT_EQ(Item(2).selected, 1);
    SetTabBarState(Gadget, TabBarSelectedItem);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 2) << "-3 only redraws";
    SetTabBarState(Gadget, 0);
    EXPECT_EQ(Item(2).selected, 0);
    SetTabBarState(Gadget, 9);
    EXPECT_EQ(SelectedTabBarItem(Gadget), -1) << "an index naming no tab selects none";
    SetTabBarState(Gadget, 1);
    SetTabBarState(Gadget, -1);
    EXPECT_EQ(SelectedTabBarItem(Gadget), -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Item(i).selected, 0);
}

TEST_F(TabStripOperations, NewTabButtonIsSwitchedByPositionMinusTwo) {
    RemoveTabBarItem(Gadget, TabBarNewTabItem);
    Flush();
    EXPECT_FALSE(Strip().attributes & TabBarNewTab);
    EXPECT_EQ(Send(CanvasLeftButtonDown, TabBarDefaults.margin + 2, RowY()), TabBarEventNone);
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    EXPECT_EQ(AddTabBarItem(Gadget, TabBarNewTabItem, "", &icon, nullptr), TabBarNewTabItem);
    Flush();
    EXPECT_TRUE(Strip().attributes & TabBarNewTab);
    EXPECT_EQ(Item(TabBarNewTabItem).image.size(), QSize(16, 16));
    EXPECT_EQ(Item(TabBarNewTabItem).length, 2 * TabBarDefaults.textPadding + 16);
    EXPECT_EQ(CountTabBarItems(Gadget), 0) << "the button is not a tab";
}

TEST_F(TabStripOperations, ImagesAreOwnedSixteenPixelCopies) {
    AddTabs(1);
    QImage big(40, 20, QImage::Format_RGB32);
    big.fill(Qt::blue);
    SetTabBarItemImage(Gadget, 0, &big);
    big.fill(Qt::green);
    ASSERT_EQ(Item(0).image.size(), QSize(16, 16));
    EXPECT_EQ(QColor(Item(0).image.pixel(8, 8)), QColor(Qt::blue));
    EXPECT_TRUE(Item(0).image.hasAlphaChannel());
    SetTabBarItemImage(Gadget, 0, nullptr);
    EXPECT_TRUE(Item(0).image.isNull());
    const QImage none;
    SetTabBarItemImage(Gadget, 0, &none);
    EXPECT_TRUE(Item(0).image.isNull());
}

TEST_F(TabStripOperations, ColoursAreOpaqueAndMinusOneRestoresTheDefault) {
    AddTabs(1);
    SetTabBarItemColor(Gadget, 0, 2, 0x00C0F0F0);
    EXPECT_EQ(Item(0).faceColour, 0xFFC0F0F0u);
    SetTabBarItemColor(Gadget, 0, 1, 0x7F102030);
    EXPECT_EQ(Item(0).textColour, 0xFF102030u);
    SetTabBarItemColor(Gadget, 0, 1, 0xFFFFFFFFu);
    EXPECT_EQ(Item(0).textColour, 0xFFFFFFFFu) << "white is a colour, not the default";
    SetTabBarItemColor(Gadget, 0, 2, -1);
    EXPECT_EQ(Item(0).faceColour, TabBarDefaults.faceColour);
    SetTabBarItemColor(Gadget, 0, 1, -1);
    EXPECT_EQ(Item(0).textColour, TabBarDefaults.textColour);
    SetTabBarItemColor(Gadget, 0, 3, 0x123456);
    EXPECT_EQ(Item(0).faceColour, TabBarDefaults.faceColour);
    EXPECT_EQ(Item(0).textColour, TabBarDefaults.textColour);
}

TEST_F(TabStripOperations, TenChangesInARowCostOneRedraw) {
    AddTabs(3);
    const int64_t before = CanvasDrawCount(Gadget);
    ASSERT_EQ(PendingEventCount(), 0u);
    AddTabBarItem(Gadget, -1, "x", nullptr, nullptr);
    AddTabBarItem(Gadget, -1, "y", nullptr, nullptr);
    RemoveTabBarItem(Gadget, 4);
    SetTabBarState(Gadget, 1);
    SetTabBarState(Gadget, TabBarSelectedItem);
    for (int i = 0; i < 3; ++i) SetTabBarItemColor(Gadget, 0, 2, 0x101010 * (i + 1));
    SetTabBarItemColor(Gadget, 1, 1, 0x0000FF);
    SetTabBarItemImage(Gadget, 2, nullptr);
    EXPECT_EQ(CanvasDrawCount(Gadget), before) << "nothing drawn before the update event";
    EXPECT_EQ(PendingEventCount(), 1u);
    EXPECT_EQ(Flush(), 1);
    EXPECT_EQ(CanvasDrawCount(Gadget), before + 1);
    EXPECT_FALSE(Strip().updateRequested);
    // After processing, the next change asks again.
    SetTabBarState(Gadget, 0);
    EXPECT_EQ(PendingEventCount(), 1u);
    Flush();
}

TEST_F(TabStripOperations, SettingAnUnchangedColourAsksForNoRedraw) {
    AddTabs(1);
    SetTabBarItemColor(Gadget, 0, 2, 0xC0F0F0);
    Flush();
    for (int tick = 0; tick < 5; ++tick) SetTabBarItemColor(Gadget, 0, 2, 0xC0F0F0);
    EXPECT_EQ(PendingEventCount(), 0u);
}

TEST_F(TabStripOperations, UpdateRequestReportsNothingAndKeepsTheEventItem) {
    AddTabs(2);
    ASSERT_EQ(Send(CanvasLeftButtonDown, BodyX(1), BodyY(1)), TabBarEventSelect);
    Send(CanvasLeftButtonUp, BodyX(1), BodyY(1));
    Event update;
    update.window = Window;
    update.control = Gadget;
    update.kind = EventControl;
    update.type = ControlUpdateRequest;
    update.input.mouseX = BodyX(0);
    update.input.mouseY = BodyY(0);
    EXPECT_EQ(ProcessTabBarEvent(Gadget, update), TabBarEventNone);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 1) << "no input was handled";
}

TEST_F(TabStripOperations, UnknownGadgetsAndItemsAreHarmless) {
    const int none = 4321;
    EXPECT_EQ(AddTabBarItem(none, -1, "x", nullptr, nullptr), -1);
    RemoveTabBarItem(none, 0);
    SetTabBarItemColor(none, 0, 2, 0);
    SetTabBarState(none, 0);
    UpdateTabBar(none);
    EXPECT_EQ(GetTabBarItem(none, 0), nullptr);
    EXPECT_EQ(CountTabBarItems(none), 0);
    EXPECT_EQ(TabBarEventItem(none), -1);
    EXPECT_EQ(ProcessTabBarEvent(none, Event{}), TabBarEventNone);
    EXPECT_EQ(TabBarItemData(nullptr), nullptr);

    AddTabs(1);
    RemoveTabBarItem(Gadget, 5);
    RemoveTabBarItem(Gadget, -7);
    SetTabBarItemImage(Gadget, 3, nullptr);
    SetTabBarItemColor(Gadget, -5, 2, 0);
    EXPECT_EQ(GetTabBarItem(Gadget, 1), nullptr);
    EXPECT_EQ(GetTabBarItem(Gadget, -1), nullptr);
    EXPECT_EQ(CountTabBarItems(Gadget), 1);

    // A gadget number taken over by another control is no strip any more.
    const int other = 77;
    ASSERT_EQ(CreateTabBar(other, 0, 30, 100, 25, 0, Window), other);
    CreateCanvas(other, Window, 0, 30, 100, 25, 0);
    EXPECT_EQ(GetTabBar(other), nullptr);
    EXPECT_EQ(ProcessTabBarEvent(other, Event{}), TabBarEventNone);
    FreeControl(other);
}

TEST_F(TabStripOperations, DestroyedStripIgnoresItsPendingUpdate) {
    AddTabBarItem(Gadget, -1, "x", nullptr, nullptr);
    ASSERT_EQ(PendingEventCount(), 1u);
    DestroyTabBar(Gadget);
    EXPECT_EQ(GetTabBar(Gadget), nullptr);
    EXPECT_EQ(Flush(), 1);
}

TEST_F(TabStripInput, ClickingTheSelectedTabReportsNothingAndAnotherReportsSelectOnce) {
    AddTabs(3);
    SetTabBarState(Gadget, 0);
    Flush();
    EXPECT_EQ(Send(CanvasLeftButtonDown, BodyX(0), BodyY(0)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasLeftButtonUp, BodyX(0), BodyY(0)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasLeftClick, BodyX(0), BodyY(0)), TabBarEventNone);

    const int x = BodyX(2), y = BodyY(2);
    EXPECT_EQ(Send(CanvasLeftButtonDown, x, y), TabBarEventSelect);
    EXPECT_EQ(TabBarEventItem(Gadget), 2);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 2);
    EXPECT_EQ(Item(0).selected, 0);
    EXPECT_EQ(Send(CanvasLeftButtonUp, x, y), TabBarEventNone);
    EXPECT_EQ(Send(CanvasLeftClick, x, y), TabBarEventNone);
    EXPECT_EQ(Send(CanvasMouseMove, x, y), TabBarEventNone);
}

TEST_F(TabStripInput, CloseButtonReportsOnlyForPressAndReleaseOnTheSameButton) {
    AddTabs(3);
    EXPECT_EQ(Send(CanvasLeftButtonDown, CloseX(1), CloseY(1)), TabBarEventNone);
    EXPECT_EQ(SelectedTabBarItem(Gadget), -1) << "a press on the close button selects nothing";
    EXPECT_EQ(Send(CanvasLeftButtonUp, CloseX(1), CloseY(1)), TabBarEventClose);
    EXPECT_EQ(TabBarEventItem(Gadget), 1);

    EXPECT_EQ(Send(CanvasLeftButtonDown, CloseX(0), CloseY(0)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasMouseMove, CloseX(2), CloseY(2)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasLeftButtonUp, CloseX(2), CloseY(2)), TabBarEventNone);
    // A press on the body released on the close button does not close either,
    // nor does a stale press survive the release.
    EXPECT_EQ(Send(CanvasLeftButtonDown, BodyX(2), BodyY(2)), TabBarEventSelect);
    EXPECT_EQ(Send(CanvasLeftButtonUp, CloseX(2), CloseY(2)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasLeftButtonUp, CloseX(0), CloseY(0)), TabBarEventNone);
}

TEST_F(TabStripInput, MiddleClickClosesTheTabItWasPressedOn) {
    AddTabs(3);
    EXPECT_EQ(Send(CanvasMiddleButtonDown, BodyX(1), BodyY(1)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasMiddleButtonUp, BodyX(1), BodyY(1)), TabBarEventClose);
    EXPECT_EQ(TabBarEventItem(Gadget), 1);
    EXPECT_EQ(Send(CanvasMiddleButtonDown, BodyX(1), BodyY(1)), TabBarEventNone);
    EXPECT_EQ(Send(CanvasMiddleButtonUp, BodyX(2), BodyY(2)), TabBarEventNone);
    const int newX = Item(TabBarNewTabItem).rect.x + 2;
    EXPECT_EQ(Send(CanvasMiddleButtonDown, newX, RowY()), TabBarEventNone);
    EXPECT_EQ(Send(CanvasMiddleButtonUp, newX, RowY()), TabBarEventNone);
}

TEST_F(TabStripInput, DoubleClickOnTheEmptyStripAsksForANewTab) {
    AddTabs(1);
    EXPECT_EQ(Send(CanvasLeftDoubleClick, Width - 20, RowY()), TabBarEventNewTab);
    EXPECT_EQ(Send(CanvasLeftDoubleClick, BodyX(0), BodyY(0)), TabBarEventNone);
    const int newX = Item(TabBarNewTabItem).rect.x + 2;
    EXPECT_EQ(Send(CanvasLeftButtonDown, newX, RowY()), TabBarEventNewTab);
    EXPECT_EQ(TabBarEventItem(Gadget), TabBarNewTabItem);
}

TEST_F(TabStripInput, ManyTabsShowBothArrowsAndTheWheelMovesOneTabPerNotch) {
    AddTabs(20);
    ASSERT_TRUE(Strip().attributes & TabBarPreviousArrow);
    ASSERT_TRUE(Strip().attributes & TabBarNextArrow);
    const int largest = Strip().largestShift;
    ASSERT_GT(largest, 2);
    EXPECT_EQ(Strip().shift, 0);
    // Wheel towards the user (negative notches) scrolls forward.
    Send(CanvasMouseWheel, 150, RowY(), -1);
    EXPECT_EQ(Strip().shift, 1);
    Send(CanvasMouseWheel, 150, RowY(), -2);
    EXPECT_EQ(Strip().shift, 3);
    Send(CanvasMouseWheel, 150, RowY(), 1);
    EXPECT_EQ(Strip().shift, 2);
    Send(CanvasMouseWheel, 150, RowY(), 100);
    EXPECT_EQ(Strip().shift, 0);
    Send(CanvasMouseWheel, 150, RowY(), -100);
    EXPECT_EQ(Strip().shift, largest);
}

TEST_F(TabStripInput, ArrowButtonsScrollOnPressAndReleaseWhileTheyCan) {
    AddTabs(20);
    const ArrowGeometry previous = Strip().previousArrow;
    const ArrowGeometry next = Strip().nextArrow;
    // At shift 0 the previous arrow cannot scroll and is not even hovered.
    Send(CanvasMouseMove, previous.centreX, previous.centreY);
    EXPECT_EQ(Strip().buttonHover, 0u);
    Send(CanvasLeftButtonDown, previous.centreX, previous.centreY);
    Send(CanvasLeftButtonUp, previous.centreX, previous.centreY);
    EXPECT_EQ(Strip().shift, 0);

    Send(CanvasMouseMove, next.centreX, next.centreY);
    EXPECT_EQ(Strip().buttonHover, static_cast<uint32_t>(TabBarNextArrow));
    EXPECT_EQ(Send(CanvasLeftButtonDown, next.centreX, next.centreY), TabBarEventNone);
    EXPECT_EQ(Send(CanvasLeftButtonUp, next.centreX, next.centreY), TabBarEventNone);
    EXPECT_EQ(Strip().shift, 1);
    // Pressed on one arrow and released on the other: nothing.
    Send(CanvasLeftButtonDown, next.centreX, next.centreY);
    Send(CanvasLeftButtonUp, previous.centreX, previous.centreY);
    EXPECT_EQ(Strip().shift, 1);
    Send(CanvasLeftButtonDown, previous.centreX, previous.centreY);
    Send(CanvasLeftButtonUp, previous.centreX, previous.centreY);
    EXPECT_EQ(Strip().shift, 0);
}

TEST_F(TabStripInput, SelectingAPartlyShownTabScrollsItIntoView) {
    AddTabs(20);
    int partly = -1;
    for (int i = CountTabBarItems(Gadget) - 1; i >= 0; --i) {
        if (Item(i).visible) {
            partly = i;
            break;
        }
    }
    ASSERT_GT(partly, 0);
    const int x = std::min(Item(partly).rect.x + 3, Strip().nextArrow.rect().x - 2);
    ASSERT_EQ(Send(CanvasLeftButtonDown, x, BodyY(partly)), TabBarEventSelect);
    EXPECT_EQ(TabBarEventItem(Gadget), partly);
    Send(CanvasLeftButtonUp, x, BodyY(partly));
    EXPECT_GT(Strip().shift, 0);
    const TabBarItem &shown = Item(partly);
    EXPECT_LE(shown.position + shown.length, Strip().nextArrow.rect().x) << "fully left of the next arrow";
}

TEST_F(TabStripInput, DragStartsOnlyAfterMovingMoreThanFourPixels) {
    AddTabs(3);
    const int x = BodyX(1), y = BodyY(1);
    Send(CanvasLeftButtonDown, x, y);
    Send(CanvasMouseMove, x + 4, y);
    Send(CanvasMouseMove, x - 4, y - 4);
    EXPECT_EQ(Strip().dragged, nullptr);
    Send(CanvasMouseMove, x, y + 5);
    EXPECT_EQ(Strip().dragged, GetTabBarItem(Gadget, 1));
    EXPECT_EQ(Item(1).state, TabDragged);
    Send(CanvasLeftButtonUp, x, y + 5);
    EXPECT_EQ(Strip().dragged, nullptr);
    // Without a press there is nothing to drag.
    Send(CanvasMouseMove, x + 30, y);
    EXPECT_EQ(Strip().dragged, nullptr);
}

TEST_F(TabStripInput, DraggingPastANeighbourReordersAndReportsTheNewIndex) {
    AddTabs(3);
    const int x = BodyX(0), y = BodyY(0);
    Send(CanvasLeftButtonDown, x, y);
    EXPECT_EQ(Send(CanvasMouseMove, x + 10, y), TabBarEventNone);
    const int beyond = Item(1).position + 1;
    EXPECT_EQ(Send(CanvasMouseMove, beyond, y), TabBarEventMove);
    EXPECT_EQ(TabBarEventItem(Gadget), 1);
    EXPECT_EQ(DataOf(0), 2);
    EXPECT_EQ(DataOf(1), 1);
    EXPECT_EQ(Send(CanvasMouseMove, beyond, y), TabBarEventNone) << "no swap back at the same place";
    EXPECT_EQ(Send(CanvasMouseMove, Item(0).position + 2, y), TabBarEventMove);
    EXPECT_EQ(TabBarEventItem(Gadget), 0);
    EXPECT_EQ(DataOf(0), 1);
    Send(CanvasLeftButtonUp, Item(0).position + 2, y);
    EXPECT_EQ(Strip().dragged, nullptr);
    EXPECT_EQ(SelectedTabBarItem(Gadget), 0) << "the pressed tab stays selected";
}

TEST_F(TabStripInput, RemovingATabWhileItIsDraggedOrHoveredLeavesNoTrace) {
    AddTabs(3);
    const int x = BodyX(1), y = BodyY(1);
    Send(CanvasLeftButtonDown, x, y);
    Send(CanvasMouseMove, x + 10, y);
    ASSERT_NE(Strip().dragged, nullptr);
    RemoveTabBarItem(Gadget, 1);
    EXPECT_EQ(Strip().dragged, nullptr);
    EXPECT_EQ(Strip().dragCandidate, nullptr);
    EXPECT_EQ(Strip().pressed, nullptr);
    Flush();
    Send(CanvasMouseMove, x + 40, y);
    Send(CanvasLeftButtonUp, x + 40, y);

    Send(CanvasMouseMove, CloseX(0), CloseY(0));
    ASSERT_EQ(Strip().closeHover, GetTabBarItem(Gadget, 0));
    RemoveTabBarItem(Gadget, 0);
    EXPECT_EQ(Strip().closeHover, nullptr);
    EXPECT_EQ(Strip().hover, nullptr);
    Flush();
    EXPECT_EQ(CountTabBarItems(Gadget), 1);
}

TEST_F(TabStripInput, ToolTipsFollowWhatIsUnderTheMouse) {
    AddTabs(2);
    SetTabBarToolTips(Gadget, "Open: %ITEM (%ITEM)", "New document", "Close document");
    Send(CanvasMouseMove, BodyX(1), BodyY(1));
    EXPECT_EQ(GetCanvasToolTip(Gadget), "Open: file1 (file1)");
    Send(CanvasMouseMove, CloseX(1), CloseY(1));
    EXPECT_EQ(GetCanvasToolTip(Gadget), "Close document");
    Send(CanvasMouseMove, Item(TabBarNewTabItem).rect.x + 2, RowY());
    EXPECT_EQ(GetCanvasToolTip(Gadget), "New document");
    GetTabBarItem(Gadget, 0)->toolTip = "own";
    Send(CanvasMouseMove, BodyX(0), BodyY(0));
    EXPECT_EQ(GetCanvasToolTip(Gadget), "own");
    Send(CanvasMouseMove, Width - 5, RowY());
    EXPECT_EQ(GetCanvasToolTip(Gadget), "");
    Send(CanvasMouseMove, BodyX(1), BodyY(1));
    Send(CanvasMouseLeave, BodyX(1), BodyY(1));
    EXPECT_EQ(GetCanvasToolTip(Gadget), "");
    EXPECT_EQ(Strip().hover, nullptr);
}

TEST_F(TabStripInput, HoverFollowsTheMouseAndSetsTheHoverState) {
    AddTabs(2);
    SetTabBarState(Gadget, 0);
    Flush();
    Send(CanvasMouseMove, BodyX(1), BodyY(1));
    EXPECT_EQ(Item(1).state, TabHovered);
    Send(CanvasMouseMove, BodyX(0), BodyY(0));
    EXPECT_EQ(Item(0).state, TabSelected) << "selected wins over hovered";
    EXPECT_EQ(Item(1).state, TabNormal);
}

}  // namespace
}  // namespace hx
