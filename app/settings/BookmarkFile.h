// The bookmarks of every file, kept in "Bookmarks.ini" of the configuration
// folder: one [File] group per file, keyed by its full path, with the size
// and modification time the file had when its bookmarks last matched it.
// Nothing of it is ever written into the user's files.
//
//   [File]
//   Path = /home/me/sample.bin
//   Size = 4096
//   Time = 1700000000123456789      (nanoseconds)
//   Stale = 0
//   Mark = 64;8;80C0FFFF;header;     (start;length;colour;name;note)
//
// Path, name and note are written with "%XX" for "%", ";", blanks and
// control characters, so that any file name survives. The newest files come
// first; the file keeps at most MaxBookmarkedFiles of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Bookmarks.h"

namespace hx {

inline constexpr const char *BookmarkFileName = "Bookmarks.ini";
inline constexpr size_t MaxBookmarkedFiles = 1000;
inline constexpr size_t MaxBookmarksPerFile = 100000;
inline constexpr int64_t MaxBookmarkFileBytes = int64_t{32} << 20;
inline constexpr size_t MaxBookmarkTextBytes = 4096;   // of a name or a note, on reading

struct FileBookmarks {
    std::string Path;
    int64_t Size = -1;          // of the file when the bookmarks matched it
    int64_t ModifiedNs = 0;
    bool Stale = false;         // known not to match the file any more
    std::vector<Bookmark> Items;
};

// Reads the file's text. Groups without a path, marks that are not
// well-formed (or of a negative start, a length below 1) and everything
// beyond the limits above are skipped; texts are cut at MaxBookmarkTextBytes.
std::vector<FileBookmarks> ParseBookmarkFile(std::string_view text);
std::string FormatBookmarkFile(const std::vector<FileBookmarks> &files);

// The entry of path in folder's Bookmarks.ini; nullopt when there is none
// (or no readable file).
std::optional<FileBookmarks> LoadFileBookmarks(const std::string &folder, const std::string &path);
// Puts entry first in folder's Bookmarks.ini, replacing the path's old one;
// an entry without bookmarks removes the path's entry. false when the file
// could not be written (it then stays as it was).
bool StoreFileBookmarks(const std::string &folder, const FileBookmarks &entry);

// "%XX" for the bytes that would break a line or a field, and back.
std::string EscapeBookmarkText(std::string_view text);
std::string UnescapeBookmarkText(std::string_view text);

}  // namespace hx
