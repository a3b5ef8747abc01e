// The search window (window 4): a pattern typed into a hex field of its own,
// found in the main view's document one occurrence after the other, forward
// or backward, with every visible occurrence marked in the main view while
// the window is open; matches counted; the selected match or all of them
// replaced by the bytes of a second field.
//
// Searches run on the GUI thread in pieces: between pieces the window's
// events are served, so Cancel and the close box stop them (the cursor and
// LastMatch then stay as they were). A search that runs to its end with the
// default options (match case, bytes, no wrap, whole document) gives exactly
// FindBinary's answer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/BytePattern.h"

namespace hx {

struct Binary;

inline constexpr int SearchWindowNumber = 4;
inline constexpr int SearchGroupControl = 51;
inline constexpr int PatternFieldGadget = 52;
inline constexpr int SearchButton = 53;
inline constexpr int SearchCancelButton = 54;

// The controls beside and below the pattern's group and the Search button.
enum SearchWindowControl : int {
    SearchPreviousButton = 4001,
    SearchCountButton = 4002,
    SearchProgressBar = 4003,      // shown while a long run goes on
    SearchOptionsGroup = 4004,
    SearchMatchCaseCheck = 4005,
    SearchWrapCheck = 4006,
    SearchInSelectionCheck = 4007,
    SearchUtf16Check = 4008,
    SearchByteOrderList = 4009,    // 0 little-endian, 1 big-endian
    ReplaceGroupControl = 4010,
    ReplaceFieldGadget = 4011,     // a hex view, like the pattern field
    ReplaceButton = 4012,
    ReplaceAllButton = 4013,
    SearchStatusLabel = 4014,      // what the last search, count or replace found
};

inline constexpr int SearchWindowWidth = 600;
inline constexpr int SearchWindowHeight = 440;

// A run still going after this long shows Cancel in place of Search, the
// progress bar, and disables the other windows.
inline constexpr int SearchCancelDelayMs = 200;

// Position of the last match found, or -1 (program-wide; -1 at start-up).
int64_t &LastMatch();

// The options as the window's controls hold them. The defaults are those of
// a window that was never touched: exact bytes, no wrap, whole document.
struct SearchOptions {
    bool matchCase = true;
    SearchText text = SearchText::Bytes;
    bool wrap = false;
    bool inSelection = false;
};
SearchOptions CurrentSearchOptions();

enum class SearchOutcome {
    Found,       // the match is selected, LastMatch is its position
    NotFound,    // LastMatch is -1, the cursor did not move
    NoPattern,   // the field is empty: the stored pattern was cleared, nothing searched
    NoScope,     // "In selection only" with nothing selected: nothing searched
    Cancelled,   // Cancel, the close box or a request to end the program: nothing changed
    ReadFailed,  // part of the document could not be read: nothing changed, the user was told
};

// The Search button: the field's bytes (as the options make them) become the
// main document's SearchPattern; the search starts at the selection's start,
// or behind the last match when that is where the selection starts, and
// selects the match it finds. Wraps to the start only with "Wrap around".
SearchOutcome SearchNext();
// Find previous: the mirror image. It ends at the selection's end (the
// cursor when nothing is selected), or at the last match when that is where
// the selection starts, and finds the last match that ends there or before.
SearchOutcome FindPrevious();

// Search again from the main view (F3, and Shift+F3 backward): as SearchNext
// or FindPrevious, but the window keeps its visibility and the focus stays
// where it is. With an empty field the window is shown instead, with the
// focus in the field. The pattern is kept for marking only while the window
// is open.
SearchOutcome SearchAgain();
SearchOutcome SearchAgainBackward();

// The Count button: the matches in the document or the selection, stepping
// forward without overlap. -1 when nothing was counted (no pattern, no
// selection to count in, cancelled, unreadable).
int64_t CountMatches();

// Replace: when the selection is a match (in the range searched), it is
// replaced by the replacement field's bytes as one undo step; then the next
// match is searched for as the Search button does, from behind the
// replacement. Without a selected match it only searches.
SearchOutcome ReplaceOne();

// Replace all: every match in the document or the selection, stepping
// forward without overlap from the range's start, is replaced by the
// replacement field's bytes as one undo step. The matches are found with
// progress and Cancel; Cancel leaves the document as it was. Returns the
// number replaced, or -1 when nothing was done (no pattern, no selection to
// replace in, cancelled, unreadable, out of memory or scratch space).
int64_t ReplaceAll();

// The line under the buttons: what the last search, count or replace found.
std::string SearchStatusText();

// Shows the window with the keyboard focus in the pattern field.
void ShowSearchWindow();
// The close box: hides the window, releases every main-view document's
// pattern and match masks, and redraws the main view.
void CloseSearchWindow();

// Adds Search and Replace (Ctrl+F), Search Again (F3), Find Previous
// (Shift+F3) and Go to (Ctrl+G) to the menu being built; the keys act from
// the main window in the main menu and are only shown in others.
void AddSearchMenuEntries();

// The piecewise search under SearchNext for exact bytes, for tests and
// benchmarks. Finds the first occurrence of pattern (length > 0) at or after
// start. Between pieces `serve` is called (at most every few MiB or few tens
// of milliseconds) and returning false stops the search.
struct PiecewiseFind {
    enum Result { Found, NotFound, Stopped, ReadFailed } result = NotFound;
    int64_t position = -1;   // the match when Found
};
PiecewiseFind FindInPieces(Binary *store, const uint8_t *pattern, int64_t patternLength, int64_t start,
                           const std::function<bool()> &serve);

}  // namespace hx
