// Match marks of the search pattern: occurrences that cross a pane's edges,
// a page full of one-byte matches, and marks in split panes that go when the
// search window closes.
#include "HexViewFixture.h"
#include "app/toolwindows/SearchWindow.h"

namespace hx::test {
namespace {

using V = std::vector<uint8_t>;

const Colour HexMark = BlendOntoWhite(HexAccent, 128);
const Colour CharMark = BlendOntoWhite(CharAccent, 128);

class MarksTest : public HexViewTest {
protected:
    void SetPattern(const V &bytes) {
        doc->SearchPattern = ByteBuffer::copyOf(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    bool HexMarked(const Pane &pane, int64_t i) {
        const HexPoint cell = Layout().hexCell(pane, i);
        return Pixel(cell.X + 1, cell.Y + Layout().Metrics.LineHeight) == HexMark;
    }
    bool CharMarked(const Pane &pane, int64_t i) {
        const HexPoint cell = Layout().charCell(pane, i);
        return Pixel(cell.X + 1, cell.Y + Layout().Metrics.LineHeight - 1) == CharMark;
    }
};

TEST_F(MarksTest, OccurrencesCrossingThePaneEdgesAreMarkedInTheirVisiblePart) {
    V bytes(8192, 0);
    SetBytes(bytes);
    FirstPane().Top = 1024;
    RedrawHexView(view);
    const int64_t top = FirstPane().Top, end = top + FirstPane().ShownLength;
    ASSERT_EQ(top, 1024);
    ASSERT_LT(end, 8192 - 4);
    const V pattern{'W', 'X', 'Y', 'Z'};
    std::copy(pattern.begin(), pattern.end(), bytes.begin() + (top - 2));   // two bytes above the pane
    std::copy(pattern.begin(), pattern.end(), bytes.begin() + (end - 2));   // two bytes below it
    SetBytes(bytes);
    FirstPane().Top = top;
    SetPattern(pattern);
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    ASSERT_EQ(pane.Top, top);
    const int64_t n = pane.ShownLength;
    ASSERT_EQ(pane.MatchMask.size(), n);   // one mask byte per byte shown, no more
    const struct {
        int64_t index;
        bool marked;
    } cells[] = {{0, true}, {1, true}, {2, false}, {n - 3, false}, {n - 2, true}, {n - 1, true}};
    for (const auto &c : cells) {
        EXPECT_EQ(pane.MatchMask[c.index] != 0, c.marked) << c.index;
        EXPECT_EQ(HexMarked(pane, c.index), c.marked) << c.index;
        EXPECT_EQ(CharMarked(pane, c.index), c.marked) << c.index;
    }
}

TEST_F(MarksTest, OneBytePatternOnAPageOfIdenticalBytesMarksEveryByte) {
    SetBytes(V(4096, 0x41));
    SetPattern({0x41});
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    ASSERT_GT(pane.ShownLength, 16 * 20);
    for (int64_t i = 0; i < pane.ShownLength; ++i) ASSERT_NE(pane.MatchMask[i], 0) << i;
    for (int64_t i : {int64_t{0}, int64_t{15}, int64_t{16 * 7 + 9}}) {
        EXPECT_TRUE(HexMarked(pane, i)) << i;
        EXPECT_TRUE(CharMarked(pane, i)) << i;
    }
    // Between two marked cells of a row the underline runs on unbroken.
    const HexPoint a = Layout().hexCell(pane, 3), b = Layout().hexCell(pane, 4);
    EXPECT_EQ(Count(a.X, a.Y + Layout().Metrics.LineHeight, b.X - a.X + 1, 1, [](Colour c) { return c == HexMark; }),
              b.X - a.X + 1);
}

TEST_F(MarksTest, SplitPanesAreMarkedAndClosingTheSearchTakesTheMarksAway) {
    SetBytes(Sequence(8192));
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    ASSERT_EQ(doc->Panes.size(), 2u);
    doc->Panes.front().Top = 0;
    doc->Panes.back().Top = 4096;
    SetPattern({0x10, 0x11});   // at 16, 272, ... and 4096 + 16 in the lower pane
    RedrawHexView(view);
    for (const Pane &pane : doc->Panes) {
        EXPECT_TRUE(HexMarked(pane, 16)) << pane.Top;
        EXPECT_TRUE(HexMarked(pane, 17)) << pane.Top;
        EXPECT_FALSE(HexMarked(pane, 18)) << pane.Top;
        EXPECT_TRUE(CharMarked(pane, 16)) << pane.Top;
    }
    CloseSearchWindow();   // the close box: the main view's documents let their patterns go
    EXPECT_FALSE(doc->SearchPattern);
    for (const Pane &pane : doc->Panes) {
        EXPECT_FALSE(pane.MatchMask);
        EXPECT_FALSE(HexMarked(pane, 16)) << pane.Top;
        EXPECT_FALSE(CharMarked(pane, 16)) << pane.Top;
    }
}

}  // namespace
}  // namespace hx::test
