// Bookmarks follow the store's edits: moved by inserts before them, grown by
// inserts inside, shrunk or removed by deletions, kept by overwriting; the
// list can give them back in the file's offsets; stepping wraps around.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "document/Binary.h"
#include "document/Bookmarks.h"

using namespace hx;

namespace {

struct AdjustCase {
    const char *what;
    ByteEdit edit;
    int64_t start, length;   // afterwards; length 0: removed
};

// The bookmark covers [10, 20).
const AdjustCase AdjustCases[] = {
    {"insert before", {0, 0, 4}, 14, 10},
    {"insert at its start", {10, 0, 4}, 14, 10},
    {"insert inside", {15, 0, 4}, 10, 14},
    {"insert at its end", {20, 0, 4}, 10, 10},
    {"delete before", {0, 5, 0}, 5, 10},
    {"delete over its start", {5, 10, 0}, 5, 5},
    {"delete inside", {12, 3, 0}, 10, 7},
    {"delete over its end", {15, 10, 0}, 10, 5},
    {"delete exactly it", {10, 10, 0}, 0, 0},
    {"delete around it", {5, 20, 0}, 0, 0},
    {"delete after", {20, 5, 0}, 10, 10},
    {"overwrite inside", {12, 2, 2}, 10, 10},
    {"overwrite over its start", {5, 10, 10}, 10, 10},
    {"replace before, growing", {0, 2, 5}, 13, 10},
    {"replace exactly it, shorter", {10, 10, 3}, 10, 3},
    {"replace around it by one byte", {5, 20, 1}, 0, 0},
    {"replace after", {30, 2, 5}, 10, 10},
};

TEST(BookmarksTest, AdjustmentToInsertDeleteAndReplaceBeforeInsideAndAfter) {
    for (const AdjustCase &c : AdjustCases) {
        Bookmark b;
        b.Start = 10;
        b.Length = 10;
        const bool kept = AdjustBookmark(b, c.edit);
        EXPECT_EQ(kept, c.length > 0) << c.what;
        if (!kept) continue;
        EXPECT_EQ(b.Start, c.start) << c.what;
        EXPECT_EQ(b.Length, c.length) << c.what;
    }
}

class StoreBookmarksTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = CreateBinary(-1, 16);   // tiny chunks: edits cross chunk boundaries
        const std::vector<uint8_t> bytes(256, 0xAB);
        ASSERT_EQ(InsertBinary(store, 0, bytes.data(), 256), BinaryOk);
        list = &BookmarksOf(store);
        MarkBookmarksSaved(*list);
    }
    void TearDown() override {
        ForgetBookmarks(store);
        FreeBinary(store);
    }
    size_t Mark(int64_t start, int64_t length) {
        Bookmark b;
        b.Start = start;
        b.Length = length;
        return AddBookmark(*list, b);
    }

    Binary *store = nullptr;
    BookmarkList *list = nullptr;
};

TEST_F(StoreBookmarksTest, FollowEveryEditOfTheStoreAndGiveTheFilesOffsetsBack) {
    Mark(0x40, 8);
    Mark(0x80, 4);
    const uint8_t four[4] = {1, 2, 3, 4};
    ASSERT_EQ(InsertBinary(store, 0, four, 4), BinaryOk);
    ASSERT_EQ(list->Items.size(), 2u);
    EXPECT_EQ(list->Items[0].Start, 0x44);
    EXPECT_EQ(list->Items[1].Start, 0x84);

    // A bookmark set on inserted bytes is not in the file; the others go back.
    Mark(1, 2);
    ASSERT_EQ(RemoveBinary(store, 0x84, 4), BinaryOk);   // the second one's bytes
    ASSERT_EQ(list->Items.size(), 2u);
    std::vector<Bookmark> saved = BookmarksAsSaved(*list);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Start, 0x40);
    EXPECT_EQ(saved[0].Length, 8);

    // After a save the document's offsets are the file's.
    MarkBookmarksSaved(*list);
    saved = BookmarksAsSaved(*list);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1].Start, 0x44);

    // Another store's edits leave the list alone; a forgotten store has none.
    Binary *other = CreateBinary(-1, 16);
    ASSERT_EQ(InsertBinary(other, 0, four, 4), BinaryOk);
    EXPECT_EQ(list->Items[1].Start, 0x44);
    EXPECT_EQ(FindBookmarks(other), nullptr);
    FreeBinary(other);
}

TEST_F(StoreBookmarksTest, SteppingWrapsAroundBothWays) {
    EXPECT_EQ(NextBookmark(*list, 0), -1);
    Mark(0x10, 1);
    Mark(0x30, 1);
    const int64_t cursors[] = {0, 0x10, 0x20, 0x30, 0x40};
    const int next[] = {0, 1, 1, 0, 0};
    const int previous[] = {1, 1, 0, 0, 1};
    for (size_t i = 0; i < std::size(cursors); ++i) {
        EXPECT_EQ(NextBookmark(*list, cursors[i]), next[i]) << i;
        EXPECT_EQ(PreviousBookmark(*list, cursors[i]), previous[i]) << i;
    }
}

}  // namespace
