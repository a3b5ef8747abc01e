// Bookmarks: named, coloured byte ranges of a document that follow its edits.
//
// Each store (Binary) may have one list. The lists follow every edit of
// their store's bytes (through the store's edit listeners), so inserting
// before a bookmark moves it, typing inside it grows or keeps it, and
// deleting its bytes shrinks or removes it. Each list also keeps the edits
// made since the file was last read or saved, so that the bookmarks can be
// given in the file's own offsets when the edits are never saved.
//
// Plain C++; where the lists are kept on disk is the shell's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hx {

struct Binary;

struct Bookmark {
    std::string Name;       // UTF-8
    std::string Note;       // UTF-8, may be empty
    uint32_t Colour = 0;    // red in the low byte, then green, blue, alpha
    int64_t Start = 0;
    int64_t Length = 1;     // at least 1 while the bookmark exists
};

// One edit as the store reports it: [Position, Position + Removed) became Added bytes.
struct ByteEdit {
    int64_t Position = 0;
    int64_t Removed = 0;
    int64_t Added = 0;
};

// The bookmark after the edit. The new bytes of a replacement take the place
// of the old ones, so a bookmark keeps bytes that were overwritten; an insert
// exactly at a bookmark's start moves it, one at its end leaves it alone.
// Returns false when none of its bytes is left (it is then to be removed).
bool AdjustBookmark(Bookmark &bookmark, const ByteEdit &edit);

struct BookmarkList {
    std::vector<Bookmark> Items;   // by Start, then Length
    // The bookmarks were set on a file that has changed since (by another
    // program): they are still shown, but may not mark what they marked.
    bool Stale = false;
    // Bumped by every change of Items or Stale: windows showing the list redraw when it moved.
    uint64_t Revision = 0;
    // Edits since the file was last read or saved, oldest first; cleared by
    // MarkBookmarksSaved. After MaxTrackedEdits the log is given up
    // (EditsLost): the file's offsets can then no longer be worked out.
    std::vector<ByteEdit> Edits;
    bool EditsLost = false;
};

inline constexpr size_t MaxTrackedEdits = 1 << 20;

// Inserts keeping the order; returns the bookmark's index. A length below 1 is made 1.
size_t AddBookmark(BookmarkList &list, Bookmark bookmark);
void RemoveBookmark(BookmarkList &list, size_t index);
// Applies an edit to every bookmark (removing the emptied ones) and logs it.
void ApplyEditToBookmarks(BookmarkList &list, const ByteEdit &edit);
// The bookmarks in the offsets of the file as last read or saved: the logged
// edits reversed, newest first. Bookmarks that lie wholly in bytes the file
// does not have are left out. Meaningless when EditsLost is set.
std::vector<Bookmark> BookmarksAsSaved(const BookmarkList &list);
// The document's bytes now are the file's: the log starts anew.
void MarkBookmarksSaved(BookmarkList &list);

// Index of the first bookmark starting after offset, or the first of all when
// none does (stepping wraps around); -1 for an empty list.
int NextBookmark(const BookmarkList &list, int64_t offset);
// Index of the last bookmark starting before offset, or the last of all; -1 when empty.
int PreviousBookmark(const BookmarkList &list, int64_t offset);

// The list of a store, made empty on first use. Lists live until ForgetBookmarks.
BookmarkList &BookmarksOf(const Binary *store);
// The list of a store, or nullptr when it has none.
BookmarkList *FindBookmarks(const Binary *store);
// Drops the store's list (the store is going away).
void ForgetBookmarks(const Binary *store);

}  // namespace hx
