// The main window's upkeep, run by its 100 ms timer: the tab of a changed
// document is tinted, and Undo, Redo, Cut, Copy and Paste are enabled or
// disabled in the menus and on the toolbar to match what they would do now.
#pragma once

#include <cstdint>

namespace hx {

struct HexView;

// Face colour of the tab of a document with unsaved changes.
inline constexpr uint32_t ChangedTabColour = 0xFFC0F0F0u;

// mainView: the main hex view (its document's tab and history decide the tint,
// Undo and Redo); activeView: the view that last had the focus (its selection
// decides Cut and Copy). Nothing happens while the main view shows no document.
void UpdateCommandStates(HexView *mainView, HexView *activeView);

// Called before pop-up menu 2 is shown for a tool window's view: a read-only
// view gets Cut and Paste disabled, any other both enabled; while the flag is
// set the upkeep keeps them disabled there.
void PrepareToolPopupMenu(bool readOnly);

}  // namespace hx
