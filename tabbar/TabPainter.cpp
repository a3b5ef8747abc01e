#include "tabbar/TabPainter.h"

#include <algorithm>

#include "tabbar/TabLayout.h"

namespace hx {

namespace {

constexpr int DisabledContentAlpha = 64;
constexpr int DisabledTabAlpha = 0x80;
constexpr int DraggedTabAlpha = 0xC0;
constexpr int ArrowIdleAlpha = 0x80;
constexpr int ArrowBlockedAlpha = 0x20;

int Channel(Colour c, int shift) { return static_cast<int>((c >> shift) & 255u); }

Colour Combine(Colour colour, Colour amount, int sign) {
    Colour result = colour & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int value = std::clamp(Channel(colour, shift) + sign * Channel(amount, shift), 0, 255);
        result |= static_cast<Colour>(value) << shift;
    }
    return result;
}

GradientStops WithStopAlpha(GradientStops stops, int alpha) {
    for (auto &stop : stops) stop.second = WithAlpha(stop.second, alpha);
    return stops;
}

bool IsSelected(const TabBar &bar, const TabBarItem &item) {
    return item.selected != 0 || &item == bar.selected;
}

// The area a tab is painted in: a tab next to the selected one gives up half
// the margin on the side that touches it, so the grown selected tab overlaps
// cleanly.
TabRect PaintedRect(const TabBar &bar, int index) {
    const TabBarItem &item = *bar.items[index];
    TabRect r = item.rect;
    const int give = TabBarDefaults.margin / 2;
    const auto selectedNeighbour = [&](int i) {
        if (i < 0 || i >= bar.count()) return false;
        const TabBarItem &other = *bar.items[i];
        return other.visible && IsSelected(bar, other);
    };
    if (selectedNeighbour(index + 1)) r.width -= give;
    if (selectedNeighbour(index - 1)) {
        r.x += give;
        r.width -= give;
    }
    return r;
}

void PaintCloseButton(Drawing &dc, const TabBar &bar, const TabBarItem &item, Colour ink) {
    const int size = TabBarDefaults.closeButtonSize;
    if (bar.closeHover == &item) {
        dc.buttonBox(item.closeX, item.closeY, size, size, item.faceColour, bar.closePressed == &item);
    }
    // A cross of side size - 6, drawn pixel by pixel so that it stays crisp.
    const int side = size - 6;
    const int x0 = item.closeX + 3;
    const int y0 = item.closeY + 3;
    for (int i = 0; i < side; ++i) {
        dc.box(x0 + i, y0 + i, 1, 1, ink);
        if (side - 1 - i != i) dc.box(x0 + side - 1 - i, y0 + i, 1, 1, ink);
    }
}

void PaintTab(Drawing &dc, const TabBar &bar, const TabBarItem &item, const TabRect &r,
              bool ordinary) {
    const auto &d = TabBarDefaults;
    const bool disabled = item.state == TabDisabled;
    dc.gradientBox(r.x, r.y, r.width, r.height, true, TabGradient(item.state, item.faceColour),
                   bar.cornerRadius, bar.cornerRadius);
    dc.roundFrame(r.x, r.y, r.width, r.height, bar.cornerRadius, bar.cornerRadius,
                  disabled ? WithAlpha(d.borderColour, DisabledTabAlpha) : d.borderColour);

    const int contentAlpha = disabled ? DisabledContentAlpha : 255;
    if (!item.image.isNull()) {
        // The image comes first in the content; the text origin lies after it.
        const int imageX = item.rect.x + item.paddingX;
        const int imageY = item.rect.y + (item.rect.height - item.image.height()) / 2;
        dc.image(imageX, imageY, item.image, contentAlpha);
    }
    const Colour ink = WithAlpha(item.textColour, disabled ? DisabledContentAlpha : 255);
    if (!item.displayText.empty()) dc.text(item.textX, item.textY, item.displayText, ink);
    if (ordinary && (bar.attributes & TabBarCloseButton)) PaintCloseButton(dc, bar, item, ink);
}

// ---- passes ----------------------------------------------------------------

void PaintBackground(Drawing &dc, const TabBar &bar) {
    dc.box(0, 0, dc.width(), dc.height(), TabBarDefaults.barColour);
    dc.setFont(bar.font);
    dc.setBlending(true);
}

void PaintOrdinaryTabs(Drawing &dc, const TabBar &bar) {
    for (int i = 0; i < bar.count(); ++i) {
        const TabBarItem &item = *bar.items[i];
        if (!item.visible || IsSelected(bar, item) || &item == bar.dragged) continue;
        PaintTab(dc, bar, item, PaintedRect(bar, i), true);
    }
}

void PaintNewTabButton(Drawing &dc, const TabBar &bar) {
    if (!(bar.attributes & TabBarNewTab) || !bar.newTab.visible) return;
    PaintTab(dc, bar, bar.newTab, bar.newTab.rect, false);
}

void PaintBottomLine(Drawing &dc, const TabBar &bar) {
    if (!(bar.attributes & TabBarBottomLine)) return;
    dc.box(0, dc.height() - 1, dc.width(), 1, TabBarDefaults.borderColour);
}

void PaintSelectedTabs(Drawing &dc, const TabBar &bar) {
    for (const auto &item : bar.items) {
        if (!item->visible || !IsSelected(bar, *item) || item.get() == bar.dragged) continue;
        PaintTab(dc, bar, *item, item->rect, true);
    }
}

void PaintDraggedTab(Drawing &dc, const TabBar &bar) {
    if (bar.dragged == nullptr || !bar.dragged->visible) return;
    PaintTab(dc, bar, *bar.dragged, bar.dragged->rect, true);
}

void PaintFade(Drawing &dc, const TabFadeZone &zone, Colour barColour) {
    if (!zone.shown) return;
    GradientStops stops = FadeGradient(barColour);
    if (zone.opaqueLeft) {
        // Horizontal gradients run left to right; the left zone is opaque on its left.
        for (auto &stop : stops) stop.first = 1.0 - stop.first;
        std::reverse(stops.begin(), stops.end());
    }
    dc.box(zone.opaque.x, zone.opaque.y, zone.opaque.width, zone.opaque.height, barColour);
    dc.gradientBox(zone.fade.x, zone.fade.y, zone.fade.width, zone.fade.height, false, stops);
}

void PaintFades(Drawing &dc, const TabBar &bar) {
    const Colour barColour = TabBarDefaults.barColour;
    PaintFade(dc, LeftFadeZone(bar, dc.height()), barColour);
    const TabFadeZone right = RightFadeZone(bar, dc.width(), dc.height());
    PaintFade(dc, right, barColour);
    // The right zone reaches under the new-tab button; bring the button back.
    if (right.shown) PaintNewTabButton(dc, bar);
}

// A triangle of half-height size pointing left or right, in one-pixel columns.
void PaintTriangle(Drawing &dc, const ArrowGeometry &arrow, bool pointsLeft, int size, Colour c) {
    const int left = arrow.centreX - size / 2;
    for (int k = 0; k <= size; ++k) {
        const int height = pointsLeft ? k : size - k;
        dc.box(left + k, arrow.centreY - height, 1, 2 * height + 1, c);
    }
}

void PaintArrow(Drawing &dc, const TabBar &bar, uint32_t which) {
    const auto &d = TabBarDefaults;
    const ArrowGeometry &arrow = which == TabBarPreviousArrow ? bar.previousArrow : bar.nextArrow;
    int alpha = TabArrowCanScroll(bar, which) ? ArrowIdleAlpha : ArrowBlockedAlpha;
    if (bar.buttonHover == which) {
        const TabRect r = arrow.rect();
        dc.buttonBox(r.x, r.y, r.width, r.height, d.faceColour, bar.arrowPressed == which);
        alpha = 255;
    }
    PaintTriangle(dc, arrow, which == TabBarPreviousArrow, d.arrowSize, WithAlpha(d.textColour, alpha));
}

void PaintArrows(Drawing &dc, const TabBar &bar) {
    if (!(bar.attributes & TabBarPreviousArrow)) return;
    PaintArrow(dc, bar, TabBarPreviousArrow);
    PaintArrow(dc, bar, TabBarNextArrow);
}

}  // namespace

Colour LiftColour(Colour colour, Colour amount) { return Combine(colour, amount, 1); }
Colour SinkColour(Colour colour, Colour amount) { return Combine(colour, amount, -1); }

GradientStops TabGradient(int state, Colour face) {
    const auto &d = TabBarDefaults;
    const auto normal = [](Colour f) {
        return GradientStops{{0.0, LiftColour(f, 0x202020)},
                             {0.5, f},
                             {0.6, SinkColour(f, 0x101010)},
                             {1.0, SinkColour(f, 0x303030)}};
    };
    const auto active = [&]() {
        const Colour s = LiftColour(face, d.activeLift);
        return GradientStops{{0.0, LiftColour(s, 0x101010)}, {0.5, s}, {1.0, SinkColour(s, 0x101010)}};
    };
    switch (state) {
    case TabDisabled: return WithStopAlpha(normal(face), DisabledTabAlpha);
    case TabHovered: return normal(LiftColour(face, d.hoverLift));
    case TabSelected: return active();
    case TabDragged: return WithStopAlpha(active(), DraggedTabAlpha);
    default: return normal(face);
    }
}

GradientStops FadeGradient(Colour bar) {
    return {{0.0, WithAlpha(bar, 0)}, {0.5, WithAlpha(bar, 0xA0)}, {1.0, WithAlpha(bar, 0xFF)}};
}

void PaintTabBar(Drawing &dc, const TabBar &bar) {
    if (!dc.ok()) return;
    PaintBackground(dc, bar);
    PaintOrdinaryTabs(dc, bar);
    PaintNewTabButton(dc, bar);
    PaintBottomLine(dc, bar);
    PaintSelectedTabs(dc, bar);
    PaintDraggedTab(dc, bar);
    PaintFades(dc, bar);
    PaintArrows(dc, bar);
}

}  // namespace hx
