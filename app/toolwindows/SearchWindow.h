// The search window (window 4): a pattern typed into a hex field of its own,
// found in the main view's document one occurrence after the other, with
// every visible occurrence marked in the main view while the window is open.
//
// The search runs on the GUI thread in pieces: between pieces the window's
// events are served, so Cancel and the close box stop it (the cursor and
// LastMatch then stay as they were). A search that runs to its end gives
// exactly FindBinary's answer.
#pragma once

#include <cstdint>
#include <functional>

namespace hx {

struct Binary;

inline constexpr int SearchWindowNumber = 4;
inline constexpr int SearchGroupControl = 51;
inline constexpr int PatternFieldGadget = 52;
inline constexpr int SearchButton = 53;
inline constexpr int SearchCancelButton = 54;

// A search still running after this long shows Cancel in place of Search and
// disables the other windows.
inline constexpr int SearchCancelDelayMs = 200;

// Position of the last match found, or -1 (program-wide; -1 at start-up).
int64_t &LastMatch();

enum class SearchOutcome {
    Found,       // the cursor moved to LastMatch
    NotFound,    // LastMatch is -1, the cursor did not move
    NoPattern,   // the field is empty: the stored pattern was cleared, nothing searched
    Cancelled,   // Cancel, the close box or a request to end the program: nothing changed
    ReadFailed,  // part of the document could not be read: nothing changed, the user was told
};

// The Search button: the field's bytes become the main document's
// SearchPattern; the search starts at the cursor, or behind the last match
// when the cursor stands on it; no wrap-around.
SearchOutcome SearchNext();

// Search again from the main view (F3): as SearchNext, but the window keeps
// its visibility and the focus stays where it is. With an empty field the
// window is shown instead, with the focus in the field. The pattern is kept
// for marking only while the window is open.
SearchOutcome SearchAgain();

// Shows the window with the keyboard focus in the pattern field.
void ShowSearchWindow();
// The close box: hides the window, releases every main-view document's
// pattern and match masks, and redraws the main view.
void CloseSearchWindow();

// Adds Search and Replace (Ctrl+F), Search Again (F3) and Go to (Ctrl+G) to
// the menu being built; the keys act from the main window in the main menu
// and are only shown in others.
void AddSearchMenuEntries();

// The piecewise search under SearchNext, for tests and benchmarks. Finds the
// first occurrence of pattern (length > 0) at or after start. Pieces are at
// most ToolSliceLength bytes; between them `serve` is called (at most every
// few MiB or few tens of milliseconds) and returning false stops the search.
struct PiecewiseFind {
    enum Result { Found, NotFound, Stopped, ReadFailed } result = NotFound;
    int64_t position = -1;   // the match when Found
};
PiecewiseFind FindInPieces(Binary *store, const uint8_t *pattern, int64_t patternLength, int64_t start,
                           const std::function<bool()> &serve);

}  // namespace hx
