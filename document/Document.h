// A document shown in a hex view: its bytes (Binary), its undo history and
// the view's state for it (cursor, selection, panes). The view reads and
// writes the view fields; the history's entries set Cursor and
// SelectionLength.
#pragma once

#include <cstdint>
#include <list>
#include <utility>
#include <vector>

#include "Binary.h"
#include "ByteBuffer.h"
#include "History.h"

namespace hx {

struct TabBarItem;

// Every document is made with this chunk length and this history limit.
inline constexpr int64_t DocumentChunkLength = 4000000;
inline constexpr int64_t DocumentHistoryLimit = 67108864;

struct Pane {
    ByteBuffer Buffer;          // the bytes shown, read at every redraw
    ByteBuffer MatchMask;       // one byte per buffer byte, non-zero where a match covers it
    // Runs (offset from Top, length) of the shown bytes that could not be read
    // from the file: drawn as unreadable, not as the zeros the buffer holds.
    std::vector<std::pair<int32_t, int32_t>> Unreadable;
    int64_t Top = 0;            // offset of the first byte shown; a multiple of 16 after scrolling
    int32_t ShownLength = 0;
    int32_t Rows = 0;           // text rows, at least 2 after layout
    int32_t Y = 0;              // pixel offset of the first row below the areas' content top
    int32_t ThumbX = 0, ThumbY = 0, ThumbWidth = 0, ThumbHeight = 0;
};

struct Document {
    Binary *Store = nullptr;    // the document's bytes
    int32_t EditMode = 0;       // 0 insert, 1 overwrite
    int32_t FocusColumn = 0;    // 0 hexadecimal area, 1 character area
    int32_t PendingNibble = -1; // first typed digit waiting for its second; -1 none
    // The history entry the first digit recorded (CurrentEntryData): the
    // second digit joins it, so that the byte is one undo step.
    const void *PendingEntry = nullptr;
    int32_t LayoutScratch = 0;
    std::list<Pane> Panes;      // top to bottom; never empty once the view owns the document
    Pane *ActivePane = nullptr;
    int64_t TotalRows = 1;
    int64_t Cursor = 0;
    int64_t SelectionLength = 0;
    History *Hist = nullptr;
    TabBarItem *Tab = nullptr;
    // HistoryIndex at which the document counts as unchanged. After the size
    // bound dropped the saved state, it is set to -1, which no index reaches.
    int32_t SavedHistoryIndex = 0;
    ByteBuffer SearchPattern;
    // 1 when the marks of SearchPattern ignore case (letters A-Z / a-z match
    // either case), as the search that stored the pattern did.
    int32_t SearchIgnoreCase = 0;
    void *View = nullptr;       // the hex view this document belongs to

    Document() = default;
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;
};

// A document over a file that could be opened for reading only.
inline bool DocumentReadOnly(const Document &doc) {
    return doc.Store && doc.Store->File.isOpen() && doc.Store->Writable == 0;
}

inline bool DocumentChanged(const Document &doc) {
    return doc.Hist && HistoryIndex(doc.Hist) != doc.SavedHistoryIndex;
}

}  // namespace hx
