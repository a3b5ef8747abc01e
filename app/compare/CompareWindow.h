// The compare window (window 11): two open documents side by side in two hex
// views that scroll together, their differences marked in both (and in any
// other view that shows them), listed below with their count and bytes, and
// stepped through with F7 and Shift+F7. One side's selection can be copied
// over the other side's as one undoable edit there, and the right side can
// be shifted against the left.
//
// Each side stays the document of its tab in the main window: the views show
// the very same documents (cursor, selection, undo history and file), so an
// edit anywhere is seen everywhere and the marks follow it. The list is
// computed in the background between events, a few tens of milliseconds at a
// time, with progress and Cancel; the marks of the rows on screen are
// compared from their own bytes at each redraw, so they are there at once.
#pragma once

#include <cstdint>
#include <string>

#include "app/toolwindows/ToolWindows.h"

namespace hx {

struct Document;
class CompareSession;

inline constexpr int CompareWindowNumber = 11;
// Controls of the window.
inline constexpr int CompareLeftView = 1100;
inline constexpr int CompareRightView = 1101;
inline constexpr int CompareLeftName = 1102;
inline constexpr int CompareRightName = 1103;
inline constexpr int ComparePreviousButton = 1104;
inline constexpr int CompareNextButton = 1105;
inline constexpr int CompareCopyButton = 1106;
inline constexpr int CompareShiftLabel = 1107;
inline constexpr int CompareShiftField = 1108;
inline constexpr int CompareProgressBar = 1109;
inline constexpr int CompareCancelButton = 1110;
inline constexpr int CompareSummary = 1111;
inline constexpr int CompareList = 1112;
// The timer that drives the background work while there is some.
inline constexpr int CompareWorkTimer = 0;
// Work done per timer tick: the window answers between ticks.
inline constexpr int CompareTickMillis = 20;

// Tools → Compare…: the main view's document against one of the other tabs
// or a file chosen in the open dialog (opened in a tab of its own).
void CompareFromMenu();
// Shows a (left) and b (right) side by side and starts comparing them; ends
// a comparison that was running. false, with a message, when a and b are
// the same document or one is missing.
bool StartComparison(Document *a, Document *b);
// Hides the window and forgets the comparison (the marks go).
void EndComparison();
// The running comparison, or nullptr.
CompareSession *CurrentComparison();
// Runs one tick of the background work (what the timer does); tests call it.
void CompareTick();

// F7 / Shift+F7: to the next or previous difference from the cursor of the
// side whose view had the focus last (from the main window: of the main
// view's document when it is one of the sides). Both views go there, with
// the difference selected on each side. When the list does not reach that
// far yet, the window searches and goes there once it is found.
void GoToNextDifference();
void GoToPreviousDifference();
// Replaces the other side's selection by the selected bytes of the side
// whose view had the focus last: one undoable edit of the other document,
// whose view then gets the focus (so that Ctrl+Z undoes it).
void CopyToOtherSide();
// The right side's bytes stand shift bytes further than the left side's:
// byte p on the left beside byte p + shift on the right.
void SetCompareShift(int64_t shift);

// Adds Compare…, Next Difference (F7) and Previous Difference (Shift+F7) to
// the menu being built (the keys act from the main window). The module that
// answers them is CompareTool (ToolWindows.h).
void AddCompareMenuEntries();

}  // namespace hx
