#include "tabbar/TabInput.h"

#include <algorithm>
#include <cstdlib>

#include "tabbar/TabLayout.h"

namespace hx {

namespace {

// A press turns into a drag once the pointer has left this square around it.
constexpr int DragThreshold = 4;

std::string ReplaceAll(std::string text, const std::string &what, const std::string &with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

std::string TabToolTip(const TabBar &bar, const TabBarItem &item) {
    if (&item == &bar.newTab) return bar.newTabToolTip;
    if (!item.toolTip.empty()) return item.toolTip;
    return ReplaceAll(bar.tabToolTip, "%ITEM", item.text);
}

void EndPresses(TabBar &bar) {
    bar.dragCandidate = nullptr;
    bar.dragged = nullptr;
    bar.pressed = nullptr;
    bar.closePressed = nullptr;
    bar.arrowPressed = 0;
}

// Wheel and arrow buttons; only while the arrows show. Over an arrow no tab
// counts as under the mouse.
void HandleArrows(TabBar &bar, const Event &event, int x, int y) {
    if (!(bar.attributes & TabBarPreviousArrow)) return;
    if (event.type == CanvasMouseWheel) {
        const int64_t moved = static_cast<int64_t>(TabBarDefaults.wheelDirection) * event.input.wheelDelta;
        bar.shift = static_cast<int>(std::clamp<int64_t>(bar.shift + moved, 0, bar.largestShift));
    }
    const uint32_t arrow = TabArrowAt(bar, x, y);
    if (arrow == 0) return;
    bar.buttonHover = arrow;
    bar.hover = nullptr;
    if (event.type == CanvasLeftButtonDown) bar.arrowPressed = arrow;
    if (event.type == CanvasLeftButtonUp && bar.arrowPressed == arrow && TabArrowCanScroll(bar, arrow)) {
        bar.shift += arrow == TabBarPreviousArrow ? -1 : 1;
    }
}

// Tool tip, close button and left press on the item under the mouse.
void HandleItem(TabBar &bar, const Event &event, int x, int y, std::string &toolTip) {
    TabBarItem *item = bar.hover;
    if (item == nullptr) return;
    const bool newTabButton = item == &bar.newTab;
    toolTip = TabToolTip(bar, *item);
    bar.eventItem = bar.indexOf(item);

    if (OnTabCloseButton(bar, *item, x, y)) {
        toolTip = bar.closeToolTip;
        bar.closeHover = item;
        if (event.type == CanvasLeftButtonDown) bar.closePressed = item;
        if (event.type == CanvasLeftButtonUp && bar.closePressed == item) bar.eventCode = TabBarEventClose;
        return;
    }
    if (event.type != CanvasLeftButtonDown) return;
    if (newTabButton) {
        if (!item->disabled) bar.eventCode = TabBarEventNewTab;
        return;
    }
    if (item->disabled) return;
    if (bar.selected != item || !item->selected) {
        bar.select(item);
        bar.bringSelectedIntoView = true;
        bar.eventCode = TabBarEventSelect;
    }
    bar.dragCandidate = item;
    bar.pressX = x;
    bar.pressY = y;
}

void HandleButtons(TabBar &bar, const Event &event, int x, int y) {
    TabBarItem *item = bar.hover;
    switch (event.type) {
    case CanvasLeftButtonDown:
    case CanvasRightButtonDown:
    case CanvasMiddleButtonDown:
        bar.pressed = item;
        break;
    case CanvasMouseMove:
        if (bar.dragCandidate != nullptr && bar.dragged == nullptr &&
            (std::abs(x - bar.pressX) > DragThreshold || std::abs(y - bar.pressY) > DragThreshold)) {
            bar.dragged = bar.dragCandidate;
        }
        break;
    case CanvasMiddleButtonUp:
        if (TabBarDefaults.middleClickCloses && item != nullptr && item != &bar.newTab &&
            bar.pressed == item) {
            bar.eventCode = TabBarEventClose;
        }
        bar.dragCandidate = nullptr;
        bar.dragged = nullptr;
        break;
    case CanvasLeftDoubleClick:
        if (TabBarDefaults.doubleClickAdds && item == nullptr && bar.buttonHover == 0) {
            bar.eventCode = TabBarEventNewTab;
        }
        break;
    default:
        break;
    }
}

}  // namespace

void HandleTabBarInput(TabBar &bar, const Event &event) {
    const int x = event.input.mouseX;
    const int y = event.input.mouseY;
    bar.mouseX = x;
    bar.mouseY = y;
    bar.hover = nullptr;
    bar.closeHover = nullptr;
    bar.buttonHover = 0;
    bar.eventCode = TabBarEventNone;
    bar.eventItem = -1;

    if (bar.dragged == nullptr) bar.hover = TabAt(bar, x, y);
    HandleArrows(bar, event, x, y);
    std::string toolTip;
    HandleItem(bar, event, x, y, toolTip);
    HandleButtons(bar, event, x, y);

    if (bar.dragged != nullptr && bar.eventCode == TabBarEventNone) ReorderDraggedTab(bar, x);

    if (event.type == CanvasLeftButtonUp) EndPresses(bar);
    if (event.type == CanvasMouseLeave) {
        bar.hover = nullptr;
        bar.closeHover = nullptr;
        bar.buttonHover = 0;
        toolTip.clear();
    }
    if (bar.buttonHover != 0 && !TabArrowCanScroll(bar, bar.buttonHover)) bar.buttonHover = 0;
    bar.toolTip = toolTip;
}

}  // namespace hx
