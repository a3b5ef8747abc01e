#include "tabbar/TabLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace hx {

namespace {

// Positions of hidden tabs. Far enough that no rectangle reaches the strip
// and no drag comparison passes them, small enough that x + width cannot overflow.
constexpr int HiddenBefore = -(1 << 24);
constexpr int HiddenAfter = 1 << 24;

// Within this distance from its place a dragged tab is held back towards the
// place; beyond it the tab sits under the pointer.
constexpr int DragEaseDistance = 24;

bool ArrowsShown(const TabBar &bar) { return (bar.attributes & TabBarPreviousArrow) != 0; }
bool NewTabShown(const TabBar &bar) { return (bar.attributes & TabBarNewTab) != 0; }

bool IsSelected(const TabBar &bar, const TabBarItem &item) {
    return item.selected != 0 || &item == bar.selected;
}

// Number of sides that show a faded, partly visible tab at a given shift.
int FadedSides(const TabBar &bar, int shift) {
    if (!ArrowsShown(bar)) return 0;
    return (shift >= 1 ? 1 : 0) + (shift < bar.largestShift ? 1 : 0);
}

// The largest useful shift: walking back from the last tab, the tabs that
// still fit (with room for the left fade unless the run starts at the first
// tab) can all be shown; the ones before them cannot.
int ComputeLargestShift(const TabBar &bar, int available) {
    const auto &d = TabBarDefaults;
    const int n = bar.count();
    int largest = n;
    int64_t run = 1;
    for (int i = n - 1; i >= 0; --i) {
        const int64_t next = run + bar.items[i]->length - 1;
        const int limit = available - (i > 0 ? d.fadeLength : 0);
        if (next > limit) break;
        run = next;
        largest = i;
    }
    return largest;
}

void SetItemRectangles(const TabBar &bar, TabBarItem &item, int canvasHeight, int textHeight) {
    const auto &d = TabBarDefaults;
    item.rect.x = item.position;
    item.rect.width = item.length;
    item.rect.height = bar.tabHeight + 1;
    item.rect.y = canvasHeight - bar.tabHeight * (item.row + 1);
    item.paddingX = d.textPadding;
    item.paddingY = d.verticalPadding;
    if (&item != &bar.newTab && IsSelected(bar, item)) {
        // The selected tab grows by the margin: half on each side, all of it upwards.
        item.rect.x -= d.margin / 2;
        item.rect.y -= d.margin;
        item.rect.width += d.margin;
        item.rect.height += d.margin;
        item.paddingX += d.margin / 2;
        item.paddingY += d.margin / 2;
    }
    const TabRect &r = item.rect;
    item.closeX = r.x + r.width - d.closeButtonSize - item.paddingX + d.imageSpacing;
    item.closeY = r.y + (r.height - d.closeButtonSize) / 2;
    item.textX = r.x + item.paddingX;
    if (!item.image.isNull()) item.textX += item.image.width() + d.imageSpacing;
    item.textY = r.y + (r.height - textHeight) / 2;
}

int ItemState(const TabBar &bar, const TabBarItem &item) {
    if (item.disabled) return TabDisabled;
    if (&item == bar.dragged) return TabDragged;
    if (IsSelected(bar, item)) return TabSelected;
    if (&item == bar.hover) return TabHovered;
    return TabNormal;
}

void Hide(TabBarItem &item, int position) {
    item.position = position;
    item.visible = false;
}

}  // namespace

int TabLength(const TabBar &bar, const TabBarItem &item, bool isNewTabButton,
              const TabTextMeasure &measure) {
    const auto &d = TabBarDefaults;
    const bool hasImage = !item.image.isNull();
    if (isNewTabButton && !hasImage && item.text.empty()) return 16;
    int length = (item.text.empty() ? 0 : measure.width(item.text)) + 2 * d.textPadding;
    if (!isNewTabButton && (bar.attributes & TabBarCloseButton)) {
        length += d.closeButtonSize + d.imageSpacing - 4;
    }
    if (hasImage) {
        length += item.image.width();
        if (!item.text.empty()) length += d.imageSpacing;
    }
    if (isNewTabButton) return length;
    length = std::min(length, bar.maximumLength);
    length = std::max(length, bar.minimumLength);
    // The row arithmetic shares one pixel between neighbours; a tab must keep one of its own.
    return std::max(length, 1);
}

bool TabRunFits(const TabBar &bar, int first, int last, int length) {
    int64_t run = 1;
    for (int i = std::max(first, 0); i <= last && i < bar.count(); ++i) {
        run += bar.items[i]->length - 1;
    }
    return run <= length;
}

void LayoutTabBar(TabBar &bar, const TabTextMeasure &measure, int canvasWidth, int canvasHeight) {
    const auto &d = TabBarDefaults;
    const int n = bar.count();

    bar.attributes &= ~(TabBarPreviousArrow | TabBarNextArrow);
    if (bar.tabHeight == 0) {
        bar.tabHeight = canvasHeight < 2 ? measure.height + 2 * d.verticalPadding
                                         : canvasHeight - d.margin;
    }

    const bool newTab = NewTabShown(bar);
    int newTabLength = 0;
    if (newTab) {
        bar.newTab.length = TabLength(bar, bar.newTab, true, measure);
        newTabLength = bar.newTab.length;
    }

    int available = canvasWidth + 1 - newTabLength;
    // Up to 32767 pixels per tab: a long list passes the int range, so the
    // sums are taken in 64 bits and only the stored total is clamped.
    int64_t used = 1;
    for (auto &item : bar.items) {
        item->length = TabLength(bar, *item, false, measure);
        used += item->length - 1;
    }
    bar.usedLength = static_cast<int>(std::min<int64_t>(used, INT_MAX));
    if (used > available) {
        bar.attributes |= TabBarPreviousArrow | TabBarNextArrow;
        available -= 2 * d.arrowWidth + (newTab ? d.margin : 0);
    }
    const bool arrows = ArrowsShown(bar);

    // Without arrows every tab is shown, so there is nothing to scroll (the
    // walk below would otherwise reserve a fade on a strip that has none).
    bar.largestShift = arrows ? ComputeLargestShift(bar, available) : 0;

    if (bar.bringSelectedIntoView && bar.selected != nullptr) {
        const int selected = bar.indexOf(bar.selected);
        if (selected >= 0 && selected < bar.shift) {
            bar.shift = selected;
        } else if (selected >= 0) {
            while (bar.shift < selected &&
                   !TabRunFits(bar, bar.shift, selected,
                               available - d.fadeLength * FadedSides(bar, bar.shift))) {
                ++bar.shift;
            }
        }
    }
    bar.bringSelectedIntoView = false;

    bar.shift = std::clamp(bar.shift, 0, bar.largestShift);
    available -= d.fadeLength * FadedSides(bar, bar.shift);
    bar.availableLength = available;

    int start = d.margin;
    if (arrows) start += d.arrowWidth + (bar.shift >= 1 ? d.fadeLength : 0);

    // Tabs before the shift: all hidden but the one just before it, which ends
    // where the first shown tab starts and shows under the left fade.
    for (int i = 0; i < std::min(bar.shift, n); ++i) Hide(*bar.items[i], HiddenBefore);
    if (bar.shift >= 1 && bar.shift - 1 < n) {
        TabBarItem &partial = *bar.items[bar.shift - 1];
        partial.position = start - partial.length + 1;
        partial.visible = true;
    }

    int run = 0;   // length used so far, less the pixel the next tab shares
    int i = bar.shift;
    for (; i < n; ++i) {
        TabBarItem &item = *bar.items[i];
        if (run + item.length > available) break;
        item.position = start + run;
        item.visible = true;
        run += item.length - 1;
    }
    // While the arrows show, one more tab (if any is left) shows partly under
    // the right fade, so the fade never covers an empty row.
    if (arrows && i < n) {
        TabBarItem &item = *bar.items[i];
        item.position = start + run;
        item.visible = true;
        run += item.length - 1;
        ++i;
    }
    for (; i < n; ++i) Hide(*bar.items[i], HiddenAfter);
    const int rowEnd = start + run;

    if (newTab) {
        bar.newTab.position = arrows ? canvasWidth - newTabLength - d.margin / 2 : rowEnd;
        bar.newTab.visible = true;
    } else {
        Hide(bar.newTab, HiddenAfter);
    }

    // The dragged tab is drawn near the pointer. Close to its place it is held
    // back with a weight growing with the square of the distance, which
    // reaches 1 at DragEaseDistance, so it never jumps.
    if (bar.dragged != nullptr && bar.dragged->visible) {
        TabBarItem &item = *bar.dragged;
        bar.dragSlot = item.position;
        const int target = bar.mouseX - item.length / 2;
        const int distance = std::abs(item.position - target);
        int position = target;
        if (distance <= DragEaseDistance) {
            const double g = (static_cast<double>(distance) / DragEaseDistance) *
                             (static_cast<double>(distance) / DragEaseDistance);
            position = static_cast<int>(std::lround((1.0 - g) * item.position + g * target));
        }
        position = std::min(position, rowEnd - (item.length - 1));
        const int lowest = d.margin + (arrows && bar.shift == 0 ? d.arrowWidth : 0);
        item.position = std::max(position, lowest);
    }

    for (auto &item : bar.items) {
        item->state = ItemState(bar, *item);
        SetItemRectangles(bar, *item, canvasHeight, measure.height);
    }
    bar.newTab.state = bar.newTab.disabled ? TabDisabled
                       : &bar.newTab == bar.hover ? TabHovered
                                                  : TabNormal;
    SetItemRectangles(bar, bar.newTab, canvasHeight, measure.height);

    const int rowTop = canvasHeight - bar.tabHeight;
    const int rowMiddle = rowTop + bar.tabHeight / 2;
    bar.previousArrow = {d.arrowWidth / 2, rowMiddle, d.arrowWidth, d.arrowHeight};
    int nextCentre = canvasWidth - d.arrowWidth / 2;
    if (newTab) nextCentre -= newTabLength + d.margin;
    bar.nextArrow = {nextCentre, rowMiddle, d.arrowWidth, d.arrowHeight};
}

TabBarItem *TabAt(TabBar &bar, int x, int y) {
    TabBarItem *found = nullptr;
    for (auto &item : bar.items) {
        if (item->visible && item->rect.contains(x, y)) found = item.get();
    }
    if (NewTabShown(bar) && bar.newTab.visible && bar.newTab.rect.contains(x, y)) {
        found = &bar.newTab;
    }
    return found;
}

bool OnTabCloseButton(const TabBar &bar, const TabBarItem &item, int x, int y) {
    if (!(bar.attributes & TabBarCloseButton) || &item == &bar.newTab) return false;
    const int size = TabBarDefaults.closeButtonSize;
    return TabRect{item.closeX, item.closeY, size, size}.contains(x, y);
}

uint32_t TabArrowAt(const TabBar &bar, int x, int y) {
    if (!ArrowsShown(bar)) return 0;
    if (bar.previousArrow.rect().contains(x, y)) return TabBarPreviousArrow;
    if (bar.nextArrow.rect().contains(x, y)) return TabBarNextArrow;
    return 0;
}

bool TabArrowCanScroll(const TabBar &bar, uint32_t arrow) {
    if (arrow == TabBarPreviousArrow) return bar.shift >= 1;
    if (arrow == TabBarNextArrow) return bar.shift < bar.largestShift;
    return false;
}

int ReorderDraggedTab(TabBar &bar, int pointerX) {
    TabBarItem *dragged = bar.dragged;
    if (dragged == nullptr || !dragged->visible) return 0;
    int index = bar.indexOf(dragged);
    if (index < 0) return 0;

    // Positions compared here are places in the row: the dragged tab's own is
    // bar.dragSlot, not where it is drawn. A swap therefore never undoes
    // itself in the same pass: after passing a tab the pointer lies at or
    // beyond that tab's new edge plus the shorter length.
    int swaps = 0;
    while (index + 1 < bar.count()) {
        TabBarItem &next = *bar.items[index + 1];
        if (!(next.position < pointerX)) break;
        next.position = bar.dragSlot;
        bar.dragSlot = next.position + next.length - 1;
        std::swap(bar.items[index], bar.items[index + 1]);
        ++index;
        ++swaps;
    }
    const int lowest = std::max(bar.shift - 1, 0);
    while (index - 1 >= lowest) {
        TabBarItem &previous = *bar.items[index - 1];
        if (!(pointerX < previous.position + std::min(dragged->length, previous.length))) break;
        bar.dragSlot = previous.position;
        previous.position = bar.dragSlot + dragged->length - 1;
        std::swap(bar.items[index], bar.items[index - 1]);
        --index;
        ++swaps;
    }
    if (swaps > 0) {
        bar.eventCode = TabBarEventMove;
        bar.eventItem = index;
    }
    return swaps;
}

TabFadeZone LeftFadeZone(const TabBar &bar, int canvasHeight) {
    const auto &d = TabBarDefaults;
    TabFadeZone zone;
    zone.opaqueLeft = true;
    zone.shown = ArrowsShown(bar) && bar.shift >= 1;
    const int inner = d.margin + d.arrowWidth;
    zone.opaque = {0, 0, inner, canvasHeight};
    zone.fade = {inner, 0, d.fadeLength, canvasHeight};
    return zone;
}

TabFadeZone RightFadeZone(const TabBar &bar, int canvasWidth, int canvasHeight) {
    const auto &d = TabBarDefaults;
    TabFadeZone zone;
    zone.opaqueLeft = false;
    zone.shown = ArrowsShown(bar) && bar.shift < bar.largestShift;
    int inner = canvasWidth - d.margin - d.arrowWidth - d.fadeLength;
    if (NewTabShown(bar)) inner -= bar.newTab.length + d.margin;
    zone.fade = {inner, 0, d.fadeLength, canvasHeight};
    zone.opaque = {inner + d.fadeLength, 0, std::max(canvasWidth - inner - d.fadeLength, 0),
                   canvasHeight};
    return zone;
}

}  // namespace hx
