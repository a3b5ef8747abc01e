// Drawing a laid-out tab strip: ordered passes over the rectangles the layout
// wrote, so that what is drawn and what is hit-tested agree.
#pragma once

#include "platform/Canvas.h"
#include "tabbar/TabBar.h"

namespace hx {

// Channel-wise saturating add and subtract of the red, green and blue bytes of
// amount; the alpha of colour is kept.
Colour LiftColour(Colour colour, Colour amount);
Colour SinkColour(Colour colour, Colour amount);

// The vertical gradient of a tab with face colour face in a visual state
// (TabState), from its top (0.0) to its bottom edge (1.0).
GradientStops TabGradient(int state, Colour face);
// The stops of a fade zone from its inner edge (0.0, transparent) to its outer edge (1.0, opaque).
GradientStops FadeGradient(Colour bar);

// Draws the whole strip on a canvas of the drawing's size: background, tabs
// that are neither selected nor dragged, the new-tab button, the bottom line,
// the selected tab, the dragged tab, the fades and the arrow buttons.
void PaintTabBar(Drawing &dc, const TabBar &bar);

}  // namespace hx
