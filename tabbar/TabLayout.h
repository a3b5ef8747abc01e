// Geometry of a tab strip, computed without a widget: tab lengths, which tabs
// show and where, the scroll arrows and the faded zones beside them, where a
// dragged tab is drawn, and what lies under a point. Painting and hit testing
// both read the rectangles written here.
//
// All values are canvas pixels. Neighbouring tabs share one frame pixel, so a
// row of tabs with lengths l1 ... ln is 1 + sum(li - 1) pixels long.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tabbar/TabBar.h"

namespace hx {

// Text measuring in the strip's font; width("") must be 0.
struct TabTextMeasure {
    std::function<int(const std::string &)> width;
    int height = 0;
};

// Length of an item along the strip (frame pixels included). Ordinary tabs
// are clamped to the strip's [minimum, maximum] length and are never shorter
// than one pixel; the new-tab button with neither image nor text is 16 long.
int TabLength(const TabBar &bar, const TabBarItem &item, bool isNewTabButton,
              const TabTextMeasure &measure);

// One layout pass over a canvas of the given size: recomputes the arrow bits,
// the largest shift, the shift (bringing the selected tab into view when
// asked), every item's position, visibility, state and rectangles, where the
// dragged tab is drawn (its place in the row is kept in bar.dragSlot), and the
// arrow buttons' geometry. Hidden tabs get positions far outside the strip:
// before it for tabs left of the shown ones, after it for the others.
void LayoutTabBar(TabBar &bar, const TabTextMeasure &measure, int canvasWidth, int canvasHeight);

// Does the run of tabs first ... last (inclusive) fit into length pixels?
// An empty run always fits.
bool TabRunFits(const TabBar &bar, int first, int last, int length);

// The visible item under a point: the last match in list order, or the
// new-tab button when it is shown and contains the point; nullptr otherwise.
// Arrow buttons are not considered (see TabArrowAt).
TabBarItem *TabAt(TabBar &bar, int x, int y);
// Is the point on the close button of an ordinary tab? (The strip must have
// TabBarCloseButton; the new-tab button has none.)
bool OnTabCloseButton(const TabBar &bar, const TabBarItem &item, int x, int y);
// The arrow button (TabBarPreviousArrow or TabBarNextArrow) under a point
// while the arrows show, else 0.
uint32_t TabArrowAt(const TabBar &bar, int x, int y);
// Can the arrow still scroll: previous while the shift is at least 1, next
// while it is below the largest shift.
bool TabArrowCanScroll(const TabBar &bar, uint32_t arrow);

// Moves the dragged tab past the neighbours the pointer x has crossed: first
// past following tabs whose left edge lies left of x, then past preceding
// tabs (down to the one before the shift) when x is left of that tab's edge
// plus the shorter of the two lengths. Each swap reorders the list; returns
// the number of swaps and, when there were any, sets the event code to
// TabBarEventMove and the event item to the dragged tab's new index.
int ReorderDraggedTab(TabBar &bar, int pointerX);

// The zones beside the arrows that cover a partly shown tab: opaque in the
// bar colour towards the outer edge, then fading to transparent over the fade
// length towards the inner edge. A side is shown only while its arrow can
// scroll.
struct TabFadeZone {
    bool shown = false;
    TabRect opaque;
    TabRect fade;       // the gradient part
    bool opaqueLeft;    // true: opaque at the fade's left edge (the left zone)
};
TabFadeZone LeftFadeZone(const TabBar &bar, int canvasHeight);
TabFadeZone RightFadeZone(const TabBar &bar, int canvasWidth, int canvasHeight);

}  // namespace hx
