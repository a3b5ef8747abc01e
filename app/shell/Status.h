// The main window's status bar: what the cursor or selection is, and how much
// memory the undo history and the byte store hold; and the size formatting
// used for such figures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hx {

struct Document;
struct HexView;

// Status bar fields of the main window.
enum StatusField : int {
    StatusCursorField = 0,
    StatusHistoryField = 1,
    StatusStoreField = 2,
    StatusModeField = 3,   // cursor offset in hexadecimal, INS / OVR, read-only
};
inline constexpr int StatusFieldWidth = 200;

// Three significant digits on a base of 1000: "0 B", "1.00 B", "125 B",
// "16.4 kB", "4.00 MB", "67.1 MB", "999 GB". The value is scaled in 32-bit
// floating point after the unit is chosen from the digit count, so 999999
// gives "1000 kB". Negative sizes and sizes of 1000 GB or more give "".
std::string FormatSize(int64_t bytes);

// The change callback of the hex views (the view calls it after each redraw):
// for the main view fills the three status fields (texts of the "StatusBar"
// group) and passes the selection to the selection listener; for every view
// calls the values listener. A view without a document changes nothing.
void RefreshStatus(HexView *view, int value);

// Field 3's text: the offset of the cursor's moving end in upper-case
// hexadecimal ("0x1F"), the edit mode (texts "Insert" / "Overwrite"), and for
// a read-only document "ReadOnly", or "ReadOnlyRefused" while the cursor
// stands where an edit was just refused.
std::string ModeText(const Document &doc, bool readOnly, bool refused);

// An edit of the main view's read-only document was refused: field 3 says so
// until the cursor, the selection or the document changes.
void NoteEditRefused(const Document *doc);

// Listeners for the tool windows that follow the main view: the selection
// (start and length, decimal in their fields) and the values at a view's
// cursor. Empty functions (the default) mean no such window exists.
void SetSelectionListener(std::function<void(int64_t start, int64_t length)> listener);
void SetValuesListener(std::function<void(HexView *view)> listener);

}  // namespace hx
