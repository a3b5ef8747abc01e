// The range a tool window takes from the main view, and the mirror that
// copies it into the window's Offset and Length fields.
#pragma once

#include <cstdint>

namespace hx {

struct Document;

// The selection, or the whole document (0 and its length) when nothing is
// selected; 0 and 0 without a document.
void SelectionOrWholeDocument(const Document *doc, int64_t &start, int64_t &length);

// Remembers the range last copied into a window's fields: the main view
// reports its selection at every redraw, and the fields are to change only
// when the selection or the document does, so that a range the user typed
// stays until another one is selected.
class SelectionMirror {
public:
    // True when start, length or doc differ from the last call's (and remembers them).
    bool changed(int64_t start, int64_t length, const Document *doc);
    void forget() { *this = SelectionMirror(); }

private:
    int64_t start_ = -1, length_ = -1;
    const Document *doc_ = nullptr;
};

}  // namespace hx
