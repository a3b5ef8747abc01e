// Cursor, selection and pane moves of a document shown in a hex view, without
// any widget: the key table's moves, the clamping and scrolling after a key,
// the wheel, split, unsplit and go to.
#pragma once

#include <cstdint>

namespace hx {

struct Document;

// What a key of the key table does, after its modifiers have been matched.
enum class KeyAction {
    Unhandled,        // the event ends without clamping or redrawing
    SelectAll,
    Undo,
    Redo,
    Copy,
    Cut,
    Paste,
    ToggleMode,
    SwitchColumn,     // Tab, Shift+Tab: the cursor to the other area, same offset
    DeleteForward,
    DeleteBackward,
    Nothing,          // handled, changes nothing (a changing key in a read-only view)
    PageUpExtend, PageUp, PageDownExtend, PageDown,
    UpExtend, Up, DownExtend, Down,
    LeftExtend, Left, RightExtend, Right,
    HomeExtend, Home, EndExtend, End,
};

// Maps a key code and the modifier bits (Shift 1, Alt 2, Ctrl 4) to its
// action. Modifiers match exactly: "Ctrl" is Ctrl alone and "Shift" is Shift
// alone; a key with any other combination takes its "other" row, and letter
// keys without such a row are unhandled.
KeyAction KeyActionFor(int key, int modifiers, bool readOnly);

// Applies a moving action (SelectAll, ToggleMode, SwitchColumn, the page,
// arrow, Home and End actions) to the cursor and selection; rows is the active pane's rows.
// Other actions are left alone.
void ApplyMove(Document &doc, KeyAction action, int32_t rows);

// With a selection, moves the cursor to its lower (down) or upper (up) end
// and clears it; returns false when there was no selection.
bool CollapseDown(Document &doc);
bool CollapseUp(Document &doc);

// Keeps the cursor within 0 ... size and the selection within the document.
void ClampCursorAndSelection(Document &doc);
// Scrolls the active pane so that offset e lies within its rows.
void ScrollIntoActivePane(Document &doc, int64_t e);

// The wheel: notches away from the user scroll the active pane up 3 rows each.
// Top is not clamped here; the next layout does that.
void WheelScroll(Document &doc, int notches);

// Splits the active pane: it keeps trunc(rows / 2) - 1 rows, the new pane
// below it gets one row more and continues where it ends, and becomes active.
void SplitActivePane(Document &doc);
// Removes the active pane when there are at least two; the pane above it
// (or below, for the first) becomes active. Returns false with one pane.
bool UnsplitActivePane(Document &doc);
// Puts the cursor at offset with no selection and the offset near the middle
// of the active pane. An offset outside 0 ... size is ignored (false).
bool GoToOffset(Document &doc, int64_t offset);

}  // namespace hx
