// Keys pressed in the main hex view that belong to the main window rather
// than to the view: switching tabs (Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown,
// Ctrl+PageUp), the bookmarks (Ctrl+B, F2, Shift+F2) and the keys' help (F1).
// The loop turns them into the menu commands of the same name before the view
// sees them, so that Ctrl+PageDown switches tabs instead of paging.
#pragma once

namespace hx {

// The command id (MenuIds.h) a key down of the main view stands for, or 0
// for a key the view handles itself. Modifiers match exactly.
int ShellCommandForKey(int key, int modifiers);

}  // namespace hx
