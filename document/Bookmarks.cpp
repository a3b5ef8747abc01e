#include "Bookmarks.h"

#include <algorithm>
#include <unordered_map>

#include "BinaryEdits.h"

namespace hx {

namespace {

// Where offset x of the old bytes lies after the edit. Offsets inside the
// replaced range keep their distance from its start as far as the new bytes
// reach. An insert exactly at x moves a start behind the new bytes and leaves
// an end before them. Never overflows: x - Removed + Added is at most the new
// length of the document.
int64_t MapOffset(int64_t x, const ByteEdit &e, bool isStart) {
    const int64_t p = e.Position;
    if (e.Removed == 0) {
        if (x < p || (x == p && !isStart)) return x;
        return x + e.Added;
    }
    if (x <= p) return x;
    if (x - p >= e.Removed) return x - e.Removed + e.Added;
    return p + std::min(x - p, e.Added);
}

bool Before(const Bookmark &a, const Bookmark &b) {
    return a.Start != b.Start ? a.Start < b.Start : a.Length < b.Length;
}

void Sort(std::vector<Bookmark> &items) { std::stable_sort(items.begin(), items.end(), Before); }

std::unordered_map<const Binary *, BookmarkList> &Lists() {
    static std::unordered_map<const Binary *, BookmarkList> lists;
    return lists;
}

void FollowEdit(const Binary *store, int64_t position, int64_t removed, int64_t added) {
    if (BookmarkList *list = FindBookmarks(store)) ApplyEditToBookmarks(*list, {position, removed, added});
}

}  // namespace

bool AdjustBookmark(Bookmark &bookmark, const ByteEdit &edit) {
    const int64_t start = MapOffset(bookmark.Start, edit, true);
    const int64_t end = MapOffset(bookmark.Start + bookmark.Length, edit, false);
    bookmark.Start = start;
    bookmark.Length = end - start;
    return bookmark.Length > 0;
}

size_t AddBookmark(BookmarkList &list, Bookmark bookmark) {
    bookmark.Length = std::max<int64_t>(bookmark.Length, 1);
    auto at = std::upper_bound(list.Items.begin(), list.Items.end(), bookmark, Before);
    at = list.Items.insert(at, std::move(bookmark));
    ++list.Revision;
    return static_cast<size_t>(at - list.Items.begin());
}

void RemoveBookmark(BookmarkList &list, size_t index) {
    if (index >= list.Items.size()) return;
    list.Items.erase(list.Items.begin() + static_cast<std::ptrdiff_t>(index));
    ++list.Revision;
}

void ApplyEditToBookmarks(BookmarkList &list, const ByteEdit &edit) {
    if (!list.EditsLost) {
        if (list.Edits.size() < MaxTrackedEdits) {
            list.Edits.push_back(edit);
        } else {
            list.Edits.clear();
            list.Edits.shrink_to_fit();
            list.EditsLost = true;
        }
    }
    if (list.Items.empty()) return;
    std::erase_if(list.Items, [&edit](Bookmark &b) { return !AdjustBookmark(b, edit); });
    // An edit keeps the order of the bookmarks it leaves, except where it
    // squeezes several onto the same start.
    Sort(list.Items);
    ++list.Revision;
}

std::vector<Bookmark> BookmarksAsSaved(const BookmarkList &list) {
    std::vector<Bookmark> items = list.Items;
    for (auto it = list.Edits.rbegin(); it != list.Edits.rend(); ++it) {
        const ByteEdit undone{it->Position, it->Added, it->Removed};
        std::erase_if(items, [&undone](Bookmark &b) { return !AdjustBookmark(b, undone); });
    }
    Sort(items);
    return items;
}

void MarkBookmarksSaved(BookmarkList &list) {
    list.Edits.clear();
    list.EditsLost = false;
}

int NextBookmark(const BookmarkList &list, int64_t offset) {
    if (list.Items.empty()) return -1;
    for (size_t i = 0; i < list.Items.size(); ++i)
        if (list.Items[i].Start > offset) return static_cast<int>(i);
    return 0;
}

int PreviousBookmark(const BookmarkList &list, int64_t offset) {
    if (list.Items.empty()) return -1;
    for (size_t i = list.Items.size(); i-- > 0;)
        if (list.Items[i].Start < offset) return static_cast<int>(i);
    return static_cast<int>(list.Items.size() - 1);
}

BookmarkList &BookmarksOf(const Binary *store) {
    static const int listener = AddBinaryEditListener(FollowEdit);
    (void)listener;
    return Lists()[store];
}

BookmarkList *FindBookmarks(const Binary *store) {
    auto it = Lists().find(store);
    return it == Lists().end() ? nullptr : &it->second;
}

void ForgetBookmarks(const Binary *store) { Lists().erase(store); }

}  // namespace hx
