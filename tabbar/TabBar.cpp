// The strip as a control: its registry, the operations the application
// calls, and the event processing that ties input, layout and drawing.
#include "tabbar/TabBar.h"

#include <map>

#include <QCoreApplication>
#include <QFontMetrics>

#include "platform/Platform.h"
#include "tabbar/TabInput.h"
#include "tabbar/TabLayout.h"
#include "tabbar/TabPainter.h"

namespace hx {

namespace {

constexpr int ItemImageSide = 16;

// Strip records by gadget number. Each is also the user data of its canvas;
// a record whose canvas no longer carries it (the control number was reused
// for something else) is stale and dropped on sight.
// The records hold fonts and images, which must go before the application
// object does; they are freed with it rather than at static destruction.
std::map<int, std::unique_ptr<TabBar>> &Strips() {
    static std::map<int, std::unique_ptr<TabBar>> strips;
    static const bool freedWithApplication = [] {
        qAddPostRoutine([] { Strips().clear(); });
        return true;
    }();
    (void)freedWithApplication;
    return strips;
}

void RequestUpdate(TabBar &bar) {
    if (bar.updateRequested) return;
    bar.updateRequested = true;
    PostControlEvent(bar.window, bar.gadget, ControlUpdateRequest);
}

TabTextMeasure MeasureIn(const QFont &font) {
    QFontMetrics metrics(font);
    TabTextMeasure measure;
    measure.width = [metrics](const std::string &text) {
        return text.empty() ? 0 : metrics.horizontalAdvance(QString::fromStdString(text));
    };
    measure.height = metrics.height();
    return measure;
}

QImage ItemImage(const QImage *image) {
    if (image == nullptr || image->isNull()) return {};
    return image->scaled(ItemImageSide, ItemImageSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void GiveToolTip(TabBar &bar) {
    if (bar.toolTip == bar.lastToolTip) return;
    SetCanvasToolTip(bar.gadget, bar.toolTip);
    bar.lastToolTip = bar.toolTip;
}

// Measures with the drawing's own font metrics when it can, so that the
// lengths fit the text exactly as it is drawn.
void LayOutAndDraw(TabBar &bar, Drawing &dc) {
    TabTextMeasure measure = MeasureIn(bar.font);
    if (dc.ok()) {
        dc.setFont(bar.font);
        measure.width = [&dc](const std::string &text) { return text.empty() ? 0 : dc.textWidth(text); };
        measure.height = dc.textHeight("Ag");
    }
    LayoutTabBar(bar, measure, CanvasWidth(bar.gadget), CanvasHeight(bar.gadget));
    PaintTabBar(dc, bar);
}

void LayOutAndDraw(TabBar &bar) {
    Drawing dc(bar.gadget);
    LayOutAndDraw(bar, dc);
}

void Forget(TabBar &bar, const TabBarItem *item) {
    for (TabBarItem **held : {&bar.dragged, &bar.hover, &bar.closeHover, &bar.dragCandidate,
                              &bar.pressed, &bar.closePressed}) {
        if (*held == item) *held = nullptr;
    }
}

void InitItem(TabBarItem &item, const std::string &text, const QImage *image, void *data) {
    item.text = text;
    item.displayText = text;
    item.image = ItemImage(image);
    item.data = data;
    item.textColour = TabBarDefaults.textColour;
    item.faceColour = TabBarDefaults.faceColour;
}

}  // namespace

TabBar *GetTabBar(int gadget) {
    auto &strips = Strips();
    const auto found = strips.find(gadget);
    if (found == strips.end()) return nullptr;
    if (GetCanvas(gadget) == nullptr || GetCanvasUserData(gadget) != found->second.get()) {
        strips.erase(found);
        return nullptr;
    }
    return found->second.get();
}

int CreateTabBar(int gadget, int x, int y, int width, int height, uint32_t attributes, int window) {
    const int number = CreateCanvas(gadget, window, x, y, width, height, CanvasKeyboard);
    if (number < 0 || GetCanvas(number) == nullptr) return -1;
    // The strip has no keys of its own: clicking it leaves the keyboard with
    // the editor beside it, so arrows and typing go on working there.
    SetControlClickFocus(number, false);
    const auto &d = TabBarDefaults;
    auto bar = std::make_unique<TabBar>();
    bar->gadget = number;
    bar->window = window;
    bar->font = d.font;
    bar->attributes = attributes;
    bar->cornerRadius = d.cornerRadius;
    bar->minimumLength = d.minimumLength;
    bar->maximumLength = d.maximumLength;
    bar->newTab.textColour = d.textColour;
    bar->newTab.faceColour = d.faceColour;
    TabBar &record = *bar;
    Strips()[number] = std::move(bar);
    SetCanvasUserData(number, &record);
    LayOutAndDraw(record);
    return number;
}

void DestroyTabBar(int gadget) {
    if (GetTabBar(gadget) == nullptr) return;
    SetCanvasUserData(gadget, nullptr);
    FreeControl(gadget);
    Strips().erase(gadget);
}

int AddTabBarItem(int gadget, int position, const std::string &text, const QImage *image,
                  void *data) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return -1;
    int index = TabBarNewTabItem;
    if (position == TabBarNewTabItem) {
        bar->attributes |= TabBarNewTab;
        InitItem(bar->newTab, text, image, data);
    } else {
        auto item = std::make_unique<TabBarItem>();
        InitItem(*item, text, image, data);
        index = position >= 0 && position < bar->count() ? position : bar->count();
        bar->items.insert(bar->items.begin() + index, std::move(item));
    }
    RequestUpdate(*bar);
    return index;
}

void RemoveTabBarItem(int gadget, int item) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return;
    if (item == TabBarNewTabItem) {
        bar->attributes &= ~TabBarNewTab;
        if (bar->hover == &bar->newTab) bar->hover = nullptr;
        RequestUpdate(*bar);
        return;
    }
    TabBarItem *victim = bar->itemAt(item);
    const int index = bar->indexOf(victim);
    if (index < 0) return;
    Forget(*bar, victim);
    const bool wasSelected = bar->selected == victim || victim->selected;
    bar->items.erase(bar->items.begin() + index);
    if (wasSelected) {
        TabBarItem *next = nullptr;
        if (index < bar->count()) next = bar->items[index].get();
        else if (index > 0) next = bar->items[index - 1].get();
        bar->select(next);
    }
    RequestUpdate(*bar);
}

void SetTabBarItemImage(int gadget, int item, const QImage *image) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return;
    TabBarItem *target = bar->itemAt(item);
    if (target == nullptr) return;
    target->image = ItemImage(image);
    RequestUpdate(*bar);
}

void SetTabBarItemColor(int gadget, int item, int kind, int64_t colour) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr || (kind != 1 && kind != 2)) return;
    TabBarItem *target = bar->itemAt(item);
    if (target == nullptr) return;
    Colour value;
    if (colour == -1) value = kind == 1 ? TabBarDefaults.textColour : TabBarDefaults.faceColour;
    else value = static_cast<Colour>(colour) | 0xFF000000u;
    value |= 0xFF000000u;
    Colour &stored = kind == 1 ? target->textColour : target->faceColour;
    // The main loop sets a tab's tint ten times a second; only a real change
    // is worth a redraw.
    if (stored == value) return;
    stored = value;
    RequestUpdate(*bar);
}

void SetTabBarState(int gadget, int item) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return;
    if (item != TabBarSelectedItem) {
        TabBarItem *target = item >= 0 ? bar->itemAt(item) : nullptr;
        bar->select(target);
        if (target != nullptr) bar->bringSelectedIntoView = true;
    }
    RequestUpdate(*bar);
}

TabBarItem *GetTabBarItem(int gadget, int item) {
    TabBar *bar = GetTabBar(gadget);
    return bar == nullptr ? nullptr : bar->itemAt(item);
}

void SetTabBarToolTips(int gadget, const std::string &tabTemplate, const std::string &newTabText,
                       const std::string &closeText) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return;
    bar->tabToolTip = tabTemplate;
    bar->newTabToolTip = newTabText;
    bar->closeToolTip = closeText;
}

void UpdateTabBar(int gadget) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return;
    LayOutAndDraw(*bar);
}

int ProcessTabBarEvent(int gadget, const Event &event) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr) return TabBarEventNone;
    Drawing dc(gadget);
    // Only the canvas's own events are input; anything else (and the strip's
    // update request) just lays out and redraws.
    if (event.kind == EventControl && event.type != ControlUpdateRequest) {
        HandleTabBarInput(*bar, event);
        GiveToolTip(*bar);
    } else {
        bar->eventCode = TabBarEventNone;
    }
    LayOutAndDraw(*bar, dc);
    bar->updateRequested = false;
    return bar->eventCode;
}

int TabBarEventItem(int gadget) {
    TabBar *bar = GetTabBar(gadget);
    return bar == nullptr ? -1 : bar->eventItem;
}

int CountTabBarItems(int gadget) {
    TabBar *bar = GetTabBar(gadget);
    return bar == nullptr ? 0 : bar->count();
}

int TabBarItemIndex(int gadget, const TabBarItem *item) {
    TabBar *bar = GetTabBar(gadget);
    return bar == nullptr ? -1 : bar->indexOf(item);
}

void *TabBarItemData(const TabBarItem *item) { return item == nullptr ? nullptr : item->data; }

int SelectedTabBarItem(int gadget) {
    TabBar *bar = GetTabBar(gadget);
    if (bar == nullptr || bar->selected == nullptr) return -1;
    return bar->indexOf(bar->selected);
}

}  // namespace hx
