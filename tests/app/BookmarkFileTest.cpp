// The bookmark file: any name, note and path survives a write and a read;
// marks that are not well-formed are skipped; storing an entry puts it first
// and an empty one removes the file's entry.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/settings/BookmarkFile.h"

using namespace hx;

namespace {

TEST(BookmarkFileTest, AnyTextSurvivesAndBadMarksAreSkipped) {
    FileBookmarks entry;
    entry.Path = "/tmp/a;b %20\nc\\d ü.bin";
    entry.Size = 4096;
    entry.ModifiedNs = 1700000000123456789;
    entry.Stale = true;
    entry.Items.push_back({" lead; 50% ", "line\r\nnext", 0x700080FFu, 64, 8});
    entry.Items.push_back({"", "", 0xFF00FF00u, 0, 1});
    const std::vector<FileBookmarks> read = ParseBookmarkFile(FormatBookmarkFile({entry}));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].Path, entry.Path);
    EXPECT_EQ(read[0].Size, 4096);
    EXPECT_EQ(read[0].ModifiedNs, entry.ModifiedNs);
    EXPECT_TRUE(read[0].Stale);
    ASSERT_EQ(read[0].Items.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(read[0].Items[i].Name, entry.Items[i].Name) << i;
        EXPECT_EQ(read[0].Items[i].Note, entry.Items[i].Note) << i;
        EXPECT_EQ(read[0].Items[i].Colour, entry.Items[i].Colour) << i;
        EXPECT_EQ(read[0].Items[i].Start, entry.Items[i].Start) << i;
        EXPECT_EQ(read[0].Items[i].Length, entry.Items[i].Length) << i;
    }

    const char *bad[] = {"1;2;FF", "x;2;FF;n;", "-1;2;FF;n;", "1;0;FF;n;", "1;9223372036854775807;FF;n;",
                         "1;2;GG;n;", "1;2;FF;n"};
    for (const char *mark : bad) {
        const std::string text = std::string("[File]\nPath = /f\nMark = ") + mark + "\nMark = 5;1;0;ok;\n";
        const std::vector<FileBookmarks> files = ParseBookmarkFile(text);
        ASSERT_EQ(files.size(), 1u) << mark;
        ASSERT_EQ(files[0].Items.size(), 1u) << mark;
        EXPECT_EQ(files[0].Items[0].Name, "ok") << mark;
    }
    EXPECT_TRUE(ParseBookmarkFile("[File]\nMark = 5;1;0;no path;\n").empty());
}

TEST(BookmarkFileTest, StoringPutsTheEntryFirstAndEmptyRemovesIt) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    FileBookmarks a{"/a", 1, 2, false, {{"x", "", 0, 0, 1}}};
    FileBookmarks b{"/b", 3, 4, false, {{"y", "", 0, 1, 2}}};
    ASSERT_TRUE(StoreFileBookmarks(folder, a));
    ASSERT_TRUE(StoreFileBookmarks(folder, b));
    ASSERT_TRUE(LoadFileBookmarks(folder, "/a"));
    EXPECT_EQ(LoadFileBookmarks(folder, "/b")->Items[0].Name, "y");
    b.Items.clear();
    ASSERT_TRUE(StoreFileBookmarks(folder, b));
    EXPECT_FALSE(LoadFileBookmarks(folder, "/b"));
    EXPECT_TRUE(LoadFileBookmarks(folder, "/a"));
}

}  // namespace
