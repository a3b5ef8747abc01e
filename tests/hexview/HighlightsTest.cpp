// Highlight sources: their runs are cut to the asked window, and the view
// fills exactly the highlighted cells of both areas, under the selection.
#include "HexViewFixture.h"
#include "hexview/Highlights.h"

namespace hx::test {
namespace {

constexpr Colour Fill = RGBA(255, 224, 128);

class HighlightsTest : public HexViewTest {
protected:
    void TearDown() override {
        for (int id : ids) RemoveHighlightSource(id);
        HexViewTest::TearDown();
    }
    void Highlight(std::vector<HighlightRun> runs) {
        ids.push_back(AddHighlightSource([this, runs](const Document &d, int64_t, int64_t, std::vector<HighlightRun> &out) {
            if (&d == doc) out.insert(out.end(), runs.begin(), runs.end());
        }));
    }
    Colour HexCellColour(int64_t i) {
        const HexPoint cell = Layout().hexCell(FirstPane(), i);
        return Pixel(cell.X + 1, cell.Y + 1);
    }
    Colour CharCellColour(int64_t i) {
        const HexPoint cell = Layout().charCell(FirstPane(), i);
        return Pixel(cell.X + 1, cell.Y + 1);
    }
    std::vector<int> ids;
};

TEST_F(HighlightsTest, RunsAreCutToTheWindowAndEmptyOrOutsideRunsDropped) {
    Highlight({{-5, 10, Fill}, {8, 0, Fill}, {20, 5, Fill}, {30, INT64_MAX, Fill}, {100, 3, Fill}});
    const auto runs = HighlightsIn(*doc, 0, 40);
    ASSERT_EQ(runs.size(), 3u);
    const int64_t expected[][2] = {{0, 5}, {20, 5}, {30, 10}};
    for (size_t k = 0; k < runs.size(); ++k) {
        EXPECT_EQ(runs[k].Start, expected[k][0]) << k;
        EXPECT_EQ(runs[k].Length, expected[k][1]) << k;
    }
    EXPECT_TRUE(HighlightsIn(*doc, 0, 0).empty());
}

TEST_F(HighlightsTest, HighlightedCellsOfBothAreasAreFilledAcrossRowEnds) {
    SetBytes(Sequence(256));
    Highlight({{14, 4, Fill}});   // the last two cells of row 0 and the first two of row 1
    RedrawHexView(view);
    for (int64_t i : {13, 14, 15, 16, 17, 18}) {
        const bool lit = i >= 14 && i < 18;
        EXPECT_EQ(HexCellColour(i) == Fill, lit) << i;
        EXPECT_EQ(CharCellColour(i) == Fill, lit) << i;
    }
    // The selection is drawn over the fill, so it stays visible there.
    doc->Cursor = 14;
    doc->SelectionLength = 2;
    RedrawHexView(view);
    EXPECT_NE(HexCellColour(14), Fill);
    EXPECT_EQ(HexCellColour(16), Fill);
}

TEST_F(HighlightsTest, RunsPastTheEndFillTheEmptyCellsOfThePanesRows) {
    SetBytes(Sequence(20));
    Highlight({{18, 30, Fill}});
    RedrawHexView(view);
    for (int64_t i : {17, 18, 19, 20, 31, 47, 48}) EXPECT_EQ(HexCellColour(i) == Fill, i >= 18 && i < 48) << i;
}

}  // namespace
}  // namespace hx::test
