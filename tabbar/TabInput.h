// Input handling of a tab strip: one call per canvas event, working on the
// rectangles of the last layout. Touches no widget: the caller gives the tool
// tip to the canvas and lays out and draws afterwards.
#pragma once

#include "platform/Event.h"
#include "tabbar/TabBar.h"

namespace hx {

// Updates what is under the mouse, presses, the drag, the shift and the
// selection from one event, and leaves in bar.eventCode what to report
// (TabBarEventCode) and in bar.eventItem the item concerned (its index, -2 for
// the new-tab button, -1 for none). bar.toolTip becomes the text the canvas
// should show ("" for none).
void HandleTabBarInput(TabBar &bar, const Event &event);

}  // namespace hx
