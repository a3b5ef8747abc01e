#include "app/bookmarks/BookmarkKeeping.h"

#include <algorithm>
#include <filesystem>

#include "app/settings/BookmarkFile.h"
#include "app/shell/Globals.h"
#include "document/Binary.h"
#include "document/Bookmarks.h"
#include "document/Document.h"
#include "hexview/Highlights.h"
#include "platform/Canvas.h"

namespace hx {

namespace {

bool HasFile(const Document *doc) {
    return doc && doc->Store && doc->Store->File.isOpen() && !doc->Store->FileName.empty();
}

// Bookmarks past the end of a file that shrank are cut to it, or dropped.
void FitToLength(BookmarkList &list, int64_t length) {
    std::erase_if(list.Items, [length](const Bookmark &b) { return b.Start >= length; });
    for (Bookmark &b : list.Items) b.Length = std::min(b.Length, length - b.Start);
}

void AddRuns(const Document &doc, int64_t from, int64_t length, std::vector<HighlightRun> &out) {
    const BookmarkList *list = FindBookmarks(doc.Store);
    if (!list) return;
    for (const Bookmark &b : list->Items) {
        if (b.Start >= from + length) break;   // sorted by start: the rest lie beyond
        if (b.Start + b.Length <= from) continue;
        out.push_back({b.Start, b.Length, WithAlpha(b.Colour, BookmarkFillAlpha)});
    }
}

}  // namespace

const std::array<BookmarkColour, BookmarkColourCount> &BookmarkPalette() {
    static const std::array<BookmarkColour, BookmarkColourCount> palette = {{
        {"Yellow", RGBA(255, 204, 0)},
        {"Green", RGBA(40, 190, 70)},
        {"Blue", RGBA(40, 120, 255)},
        {"Red", RGBA(235, 50, 50)},
        {"Violet", RGBA(160, 70, 230)},
        {"Orange", RGBA(255, 130, 0)},
    }};
    return palette;
}

std::string BookmarkKey(const std::string &path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    if (error) return path;
    return full.string();
}

void LoadDocumentBookmarks(Document *doc) {
    if (!doc || !doc->Store) return;
    BookmarkList &list = BookmarksOf(doc->Store);
    if (!HasFile(doc)) return;
    const Binary &store = *doc->Store;
    std::optional<FileBookmarks> kept = LoadFileBookmarks(Shell().ConfigFolder, BookmarkKey(store.FileName));
    if (!kept) return;
    list.Items.clear();
    for (Bookmark &b : kept->Items) AddBookmark(list, std::move(b));
    list.Stale = kept->Stale || kept->Size != store.FileStamp.Size || kept->ModifiedNs != store.FileStamp.ModifiedNs;
    FitToLength(list, store.Length);
    ++list.Revision;
}

void KeepDocumentBookmarks(Document *doc) {
    if (!HasFile(doc)) return;
    BookmarkList *list = FindBookmarks(doc->Store);
    if (!list) return;
    const Binary &store = *doc->Store;
    FileBookmarks entry;
    entry.Path = BookmarkKey(store.FileName);
    entry.Size = store.FileStamp.Size;
    entry.ModifiedNs = store.FileStamp.ModifiedNs;
    entry.Stale = list->Stale;
    if (list->EditsLost) {
        // Too many edits to take back: the file's offsets are not known.
        entry.Items = list->Items;
        entry.Stale = entry.Stale || DocumentChanged(*doc);
    } else {
        entry.Items = BookmarksAsSaved(*list);
    }
    StoreFileBookmarks(Shell().ConfigFolder, entry);
}

void DocumentBookmarksSaved(Document *doc) {
    if (!doc || !doc->Store) return;
    MarkBookmarksSaved(BookmarksOf(doc->Store));
    KeepDocumentBookmarks(doc);
}

void InstallBookmarkHighlights() {
    static const int id = AddHighlightSource(AddRuns);
    (void)id;
}

}  // namespace hx
