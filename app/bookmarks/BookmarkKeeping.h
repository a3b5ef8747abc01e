// The bookmarks of the main view's documents as the shell keeps them: read
// from the configuration folder when a file opens, written back (in the
// file's own offsets) when they change, when the document is saved and when
// it closes; and drawn as coloured backgrounds in every view.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hx {

struct Document;

// The colours a bookmark can have, with the language keys of their names.
struct BookmarkColour {
    const char *Key;
    uint32_t Colour;   // opaque, red in the low byte
};
inline constexpr size_t BookmarkColourCount = 6;
const std::array<BookmarkColour, BookmarkColourCount> &BookmarkPalette();
// A bookmark's cells are filled with its colour at this alpha over white, so
// that the bytes stay readable on every colour.
inline constexpr int BookmarkFillAlpha = 112;

// The full path a file's bookmarks are kept under: absolute, with "." and
// ".." and symbolic links resolved as far as the path exists.
std::string BookmarkKey(const std::string &path);

// Gives the document its bookmark list (also an empty one, so that its edits
// are followed from the start) and, for a file, the bookmarks kept for it.
// They are marked stale when the file's size or time stamp is not the one
// they were kept with; bookmarks beyond the file's end are cut off.
void LoadDocumentBookmarks(Document *doc);
// Writes the document's bookmarks for its file, in the file's offsets (the
// unsaved edits taken back). A document without a file writes nothing.
void KeepDocumentBookmarks(Document *doc);
// The document was just saved: its bytes are the file's now.
void DocumentBookmarksSaved(Document *doc);

// Adds the source that draws the bookmarks (once; later calls do nothing).
void InstallBookmarkHighlights();

}  // namespace hx
