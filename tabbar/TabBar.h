// The file tab bar: a self-drawn strip of tabs on a canvas, one tab per open
// document, with a new-tab button at the end of the row, a close button on
// every tab, scroll arrows when the tabs do not fit, and dragging to reorder.
//
// The strip reports what the user did as small event codes (TabBarEventCode)
// that the main loop turns into document actions. It never draws in answer to
// a change: it posts itself one ControlUpdateRequest event and redraws when
// that event is processed, so a burst of changes costs a single redraw.
//
// Items are named by their index in the list (0-based), by TabBarNewTabItem
// (-2) for the new-tab button or by TabBarSelectedItem (-3) for the selected
// tab. An index that names nothing makes an operation do nothing (and getters
// return nullptr / -1), except where a function says otherwise.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QFont>
#include <QImage>

#include "platform/Canvas.h"
#include "platform/Event.h"

namespace hx {

// Attribute word of a strip.
enum TabBarAttribute : uint32_t {
    TabBarCloseButton = 1u,
    TabBarNewTab = 2u,
    TabBarBottomLine = 128u,
    // Recomputed by every layout pass: set together when the tabs do not fit.
    TabBarPreviousArrow = 1u << 30,
    TabBarNextArrow = 1u << 31,
};

// What ProcessTabBarEvent reports; TabBarEventItem() names the tab concerned.
enum TabBarEventCode : int {
    TabBarEventNone = 0,
    TabBarEventNewTab = 1,     // new tab requested (new-tab button, double click on the empty strip)
    TabBarEventClose = 2,      // closing of the event item requested
    TabBarEventSelect = 3,     // the selected tab changed (to the event item)
    TabBarEventMove = 4,       // a dragged tab was moved to the event item's index
};

// Special item names.
inline constexpr int TabBarNewTabItem = -2;
inline constexpr int TabBarSelectedItem = -3;

// Visual state of a tab, recomputed by every layout.
enum TabState : int {
    TabDisabled = -1,
    TabNormal = 0,
    TabHovered = 1,
    TabSelected = 2,
    TabDragged = 3,
};

// Look and feel shared by every strip, filled once at start-up by
// FillTabBarDefaults(). The initial values below are only a fallback for a
// strip created before that (tests, tools); they match the filled numbers.
struct TabBarDefaultsRecord {
    Colour barColour = 0xFFF0F0F0u;
    Colour faceColour = 0xFFF0F0F0u;
    Colour hoverLift = 0xFF101010u;
    Colour activeLift = 0xFF101010u;
    Colour borderColour = 0xFFA0A0A0u;
    Colour textColour = 0xFF000000u;
    QFont font;
    int textPadding = 6;
    int verticalPadding = 5;      // also gives the tab height on a canvas too small to measure
    int margin = 4;               // before the first tab; growth of the selected tab; gap before the new-tab button
    int imageSpacing = 3;         // between image and text, and before the close button
    int closeButtonSize = 13;
    int arrowSize = 5;            // half-size of an arrow's triangle
    int arrowWidth = 12;
    int arrowHeight = 18;
    int cornerRadius = 3;
    int minimumLength = 0;
    int maximumLength = 32767;
    int fadeLength = 32;
    int wheelDirection = -1;      // multiplies the wheel notches when scrolling tabs
    int doubleClickAdds = 1;
    int middleClickCloses = 1;
    int lengthHint = 150;         // kept with the look; no layout reads it
    int reservedFlag = 1;         // likewise unread
};
extern TabBarDefaultsRecord TabBarDefaults;

// Sets every field of TabBarDefaults from the desktop's colours and font and
// the fixed numbers, in field order. Needs the application object.
void FillTabBarDefaults();

struct TabRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

struct TabBarItem {
    std::string text;
    std::string displayText;       // what is drawn; the same as text here
    Colour textColour = 0;
    Colour faceColour = 0;
    QImage image;                  // 16 x 16 with alpha, or null for none
    void *data = nullptr;          // the caller's record (the shell keeps its document here)
    int disabled = 0;
    int selected = 0;
    std::string toolTip;           // own tool tip; empty uses the strip's template

    // Written by the layout.
    int length = 0;                // pixels along the strip, frame pixels included
    int row = 0;
    int position = 0;              // left edge along the strip (may lie far outside when hidden)
    bool visible = false;
    int state = TabNormal;
    TabRect rect;                  // painted and hit-tested area (grown when selected)
    int paddingX = 0;
    int paddingY = 0;
    int closeX = 0;                // top-left of the close button
    int closeY = 0;
    int textX = 0;                 // top-left of the text (and x of the image)
    int textY = 0;
};

// Centre and size of an arrow button.
struct ArrowGeometry {
    int centreX = 0;
    int centreY = 0;
    int width = 0;
    int height = 0;
    TabRect rect() const { return {centreX - width / 2, centreY - height / 2, width, height}; }
};

// One strip. Owned by the strip registry and stored as its canvas's user data.
struct TabBar {
    int gadget = -1;
    int window = -1;
    QFont font;
    uint32_t attributes = 0;

    std::vector<std::unique_ptr<TabBarItem>> items;   // stable addresses: callers keep TabBarItem*
    TabBarItem newTab;                                 // the new-tab button, not in the list

    TabBarItem *selected = nullptr;
    TabBarItem *dragged = nullptr;
    TabBarItem *hover = nullptr;        // item (or &newTab) under the mouse
    TabBarItem *closeHover = nullptr;   // item whose close button is under the mouse
    uint32_t buttonHover = 0;           // TabBarPreviousArrow, TabBarNextArrow or 0
    TabBarItem *dragCandidate = nullptr;
    TabBarItem *pressed = nullptr;      // pressed with any button
    TabBarItem *closePressed = nullptr;
    uint32_t arrowPressed = 0;

    int pressX = 0;                     // where the possible drag started (canvas pixels)
    int pressY = 0;
    int mouseX = 0;
    int mouseY = 0;

    int eventCode = TabBarEventNone;
    int eventItem = -1;                 // index, or TabBarNewTabItem

    int shift = 0;                      // index of the first fully shown tab
    int largestShift = 0;
    bool bringSelectedIntoView = false;
    int availableLength = 0;
    int usedLength = 0;
    // Where the dragged tab belongs in the row (its drawn position follows the mouse).
    int dragSlot = 0;

    int cornerRadius = 0;
    int minimumLength = 0;
    int maximumLength = 0;

    std::string toolTip;                // what the mouse is over now
    std::string lastToolTip;            // the text last given to the canvas
    std::string tabToolTip;             // template; "%ITEM" stands for the tab's text
    std::string newTabToolTip;
    std::string closeToolTip;

    int tabHeight = 0;                  // 0 until the first layout
    int rows = 1;
    ArrowGeometry previousArrow;
    ArrowGeometry nextArrow;
    bool updateRequested = false;

    int count() const { return static_cast<int>(items.size()); }
    // Index of an item of the list; -2 for the new-tab item; -1 for anything else.
    int indexOf(const TabBarItem *item) const;
    // The item an index names (see the header comment); nullptr when none.
    TabBarItem *itemAt(int item);
    // Selects item (nullptr: none), keeping the selected flags and pointer in step.
    void select(TabBarItem *item);
};

// ---- operations on a strip by its gadget number ------------------------------

// Creates the canvas (keyboard focus) and the strip record and draws the empty
// strip at once. gadget -1 lets the platform choose; a number in use replaces
// the strip held there. Returns the gadget number, or -1 when no canvas could
// be created.
int CreateTabBar(int gadget, int x, int y, int width, int height, uint32_t attributes, int window);
// Frees the strip record and its canvas.
void DestroyTabBar(int gadget);
// The strip record of a gadget; nullptr when the gadget is no tab bar.
TabBar *GetTabBar(int gadget);

// position -2 turns the new-tab button on and sets its text, image and data;
// a valid index inserts before that tab; anything else appends. The image
// (nullptr or a null image for none) is scaled into the item's own 16 x 16
// copy. Returns the item's index (-2 for the new-tab button), -1 without a strip.
int AddTabBarItem(int gadget, int position, const std::string &text, const QImage *image,
                  void *data);
// -2 turns the new-tab button off. Removing the selected tab selects the one
// after it, else the one before it, else none.
void RemoveTabBarItem(int gadget, int item);
void SetTabBarItemImage(int gadget, int item, const QImage *image);
// kind 1: text colour, kind 2: face colour. colour -1 restores the default;
// any other value is stored with alpha 255 (so 0xFFFFFFFF is white).
void SetTabBarItemColor(int gadget, int item, int kind, int64_t colour);
// -1 or -2: no tab selected; -3: only asks for a redraw; an index selects that
// tab and scrolls it into view at the next layout (an index naming no tab
// leaves none selected).
void SetTabBarState(int gadget, int item);
TabBarItem *GetTabBarItem(int gadget, int item);
void SetTabBarToolTips(int gadget, const std::string &tabTemplate, const std::string &newTabText,
                       const std::string &closeText);
// Lays out and redraws at once (after a resize, say).
void UpdateTabBar(int gadget);
// Handles one event of the strip's canvas (or its own ControlUpdateRequest,
// which only lays out and redraws) and returns a TabBarEventCode.
int ProcessTabBarEvent(int gadget, const Event &event);

// What the shell needs besides: the item of the last reported event (an index
// or -2; -1 for none), the number of tabs, an item's index (-2 for the new-tab
// button, -1 for an unknown item), an item's user data (nullptr for nullptr)
// and the index of the selected tab (-1 for none).
int TabBarEventItem(int gadget);
int CountTabBarItems(int gadget);
int TabBarItemIndex(int gadget, const TabBarItem *item);
void *TabBarItemData(const TabBarItem *item);
int SelectedTabBarItem(int gadget);

}  // namespace hx
