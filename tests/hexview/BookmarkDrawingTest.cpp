// A bookmark is drawn as its colour under its bytes in both areas, and only there.
#include "HexViewFixture.h"
#include "app/bookmarks/BookmarkKeeping.h"
#include "document/Bookmarks.h"

namespace hx::test {
namespace {

class BookmarkDrawingTest : public HexViewTest {
protected:
    void TearDown() override {
        ForgetBookmarks(doc->Store);
        HexViewTest::TearDown();
    }
    bool Near(Colour a, Colour b) {
        return std::abs(Red(a) - Red(b)) <= 2 && std::abs(Green(a) - Green(b)) <= 2 && std::abs(Blue(a) - Blue(b)) <= 2;
    }
};

TEST_F(BookmarkDrawingTest, BookmarkedBytesShowTheirColourInBothAreas) {
    InstallBookmarkHighlights();
    SetBytes(Sequence(256));
    Bookmark b;
    b.Start = 0x40;
    b.Length = 8;
    b.Colour = BookmarkPalette()[2].Colour;
    AddBookmark(BookmarksOf(doc->Store), b);
    RedrawHexView(view);
    const Colour fill = BlendOntoWhite(b.Colour, BookmarkFillAlpha);
    for (int64_t i : {0x3F, 0x40, 0x47, 0x48}) {
        const bool marked = i >= 0x40 && i < 0x48;
        const HexPoint hex = Layout().hexCell(FirstPane(), i);
        const HexPoint chars = Layout().charCell(FirstPane(), i);
        EXPECT_EQ(Near(Pixel(hex.X + 1, hex.Y + 1), fill), marked) << i;
        EXPECT_EQ(Near(Pixel(chars.X + 1, chars.Y + 1), fill), marked) << i;
        EXPECT_EQ(Pixel(hex.X + 1, hex.Y + 1) == AreaColour, !marked) << i;
    }
}

}  // namespace
}  // namespace hx::test
