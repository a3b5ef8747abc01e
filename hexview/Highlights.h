// Coloured backgrounds under byte ranges of a document (bookmarks, the
// differences of a comparison, ...). Any number of sources can be added; at
// every redraw each is asked for the runs that overlap the bytes a pane
// shows, and the view fills those cells before it draws the selection, the
// cursor, the bytes and the search marks, so all of those stay visible on
// top. Sources are asked in the order they were added: where runs overlap,
// a later source's fill is blended over an earlier one's.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Canvas.h"

namespace hx {

struct Document;

struct HighlightRun {
    int64_t Start = 0;    // document offset of the first byte
    int64_t Length = 0;   // bytes; runs of 0 or less are ignored
    Colour Fill = 0;      // drawn with its alpha over the area's white
};

// Appends to out the runs of doc that overlap [from, from + length). Runs may
// reach outside that window (they are cut to it) and need not be sorted. The
// window covers every cell of the pane's rows, also past the document's end:
// those cells are empty, and a run there says that bytes are missing (the
// other side of a comparison goes on). It runs on every redraw of every view:
// answer from data kept ready, or from the bytes of the window itself (a
// screen's worth, as the marks of a comparison do), never from more of the
// document.
using HighlightSource =
    std::function<void(const Document &doc, int64_t from, int64_t length, std::vector<HighlightRun> &out)>;

// Adds a source for all views; returns its id (never 0).
int AddHighlightSource(HighlightSource source);
// Removes the source of that id; unknown ids are ignored.
void RemoveHighlightSource(int id);

// The runs of every source for doc's bytes [from, from + length), each cut to
// that window, in source order. Empty for a length of 0 or less.
std::vector<HighlightRun> HighlightsIn(const Document &doc, int64_t from, int64_t length);

}  // namespace hx
