// The strip's records: the shared look, and item lookup and selection on a strip.
#include "tabbar/TabBar.h"

namespace hx {

TabBarDefaultsRecord TabBarDefaults;

void FillTabBarDefaults() {
    auto &d = TabBarDefaults;
    d.barColour = GetSystemColour(SystemColour::ButtonFace);
    d.faceColour = GetSystemColour(SystemColour::ButtonFace);
    d.hoverLift = 0xFF101010u;
    d.activeLift = 0xFF101010u;
    d.borderColour = GetSystemColour(SystemColour::ButtonShadow);
    d.textColour = GetSystemColour(SystemColour::ButtonText);
    d.font = DefaultControlFont();
    d.textPadding = 6;
    d.verticalPadding = 5;
    d.margin = 4;
    d.imageSpacing = 3;
    d.closeButtonSize = 13;
    d.arrowSize = 5;
    d.arrowWidth = 12;
    d.arrowHeight = 18;
    d.cornerRadius = 3;
    d.minimumLength = 0;
    d.maximumLength = 32767;
    d.fadeLength = 32;
    d.wheelDirection = -1;
    d.doubleClickAdds = 1;
    d.middleClickCloses = 1;
    d.lengthHint = 150;
    d.reservedFlag = 1;
}

int TabBar::indexOf(const TabBarItem *item) const {
    if (item == nullptr) return -1;
    if (item == &newTab) return TabBarNewTabItem;
    for (int i = 0; i < count(); ++i) {
        if (items[i].get() == item) return i;
    }
    return -1;
}

TabBarItem *TabBar::itemAt(int item) {
    if (item == TabBarNewTabItem) return &newTab;
    if (item == TabBarSelectedItem) return selected;
    if (item < 0 || item >= count()) return nullptr;
    return items[item].get();
}

void TabBar::select(TabBarItem *item) {
    for (auto &each : items) each->selected = 0;
    selected = item;
    if (item != nullptr) item->selected = 1;
}

}  // namespace hx
