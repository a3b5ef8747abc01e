// Bookmarks as the user works with them: Ctrl+B marks the main view's
// selection (or the byte at the cursor) after asking for a name, a colour and
// a note; F2 and Shift+F2 step to the next and previous bookmark; the
// Bookmarks window lists the main view's document's bookmarks (name, offset
// in hexadecimal, length, note), goes to one on a double click or Enter, and
// edits (renames, recolours) or deletes the selected one.
#pragma once

#include "app/toolwindows/ToolWindows.h"

namespace hx {

inline constexpr int BookmarksWindowNumber = 20;
inline constexpr int BookmarksWindowWidth = 480;
inline constexpr int BookmarksWindowHeight = 300;

// Control numbers of the window (its range 20000 + k).
enum BookmarksControl : int {
    BookmarksTable = 20001,
    BookmarksEditButton = 20002,
    BookmarksDeleteButton = 20003,
    BookmarksStaleNote = 20004,
};

// The menu commands (ids in MenuIds.h): ask for and add a bookmark; step
// forward or back from the cursor (wrapping around), selecting the bookmark's
// bytes; show the window. Nothing happens without a document.
void AddBookmarkFromMenu();
void StepToBookmark(bool forward);
void ShowBookmarksWindow();

extern const ToolModule BookmarksTool;

}  // namespace hx
