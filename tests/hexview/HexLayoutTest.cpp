// The widget-free geometry: rows, digits, areas, cells, hits, thumb.
#include <gtest/gtest.h>

#include "HexTestSupport.h"
#include "hexview/HexLayout.h"

namespace hx {
namespace {

using test::MakeDocument;

// Character width 8, line height 16: a cell is 22 pixels, the header 24.
HexMetrics Metrics() {
    HexMetrics m;
    m.CharWidth = 8;
    m.LineHeight = 16;
    return m;
}

// Runs the layout the way a redraw does, with the bytes a pane can get.
int32_t LayOut(HexLayout &layout, Document &doc, int canvasHeight, int flags = 0) {
    layout.begin(Metrics(), flags);
    const int32_t rows = layout.placePanes(doc, canvasHeight);
    for (Pane &pane : doc.Panes) {
        pane.ShownLength = HexLayout::AvailableLength(pane, doc.Store->Length);
        layout.widenDigits(pane);
    }
    layout.placeAreas(rows, true);
    return rows;
}

TEST(HexLayout, EmptyDocumentHasOneRowThreeDigitsAndFixedAreas) {
    auto doc = MakeDocument({});
    HexLayout layout;
    const int32_t rows = LayOut(layout, *doc, 400);
    EXPECT_EQ(doc->TotalRows, 1);
    EXPECT_EQ(rows, (400 - 24 - 8) / 16);
    EXPECT_EQ(doc->Panes.front().Rows, 23);
    EXPECT_EQ(doc->Panes.front().ShownLength, 0);
    EXPECT_EQ(layout.Digits, 3);
    EXPECT_EQ(layout.HeaderHeight, 24);
    EXPECT_EQ(layout.OffsetColumn, (HexRect{0, 24, 36, 0}));
    EXPECT_EQ(layout.HexArea, (HexRect{36, 24, 16 * 22 + 12, 23 * 16 + 8}));
    EXPECT_EQ(layout.CharArea, (HexRect{36 + 364 + 6, 24, 16 * 8 + 12, 23 * 16 + 8}));
    EXPECT_EQ(layout.track(doc->Panes.front()), (HexRect{406 + 140 + 6, 24, 16, 376}));
    // The end position (offset 0 = size) belongs to the pane.
    EXPECT_TRUE(HexLayout::CursorInPane(*doc, doc->Panes.front()));
}

TEST(HexLayout, SizeThatIsAMultipleOf16HasItsEndRow) {
    auto doc = MakeDocument(test::Sequence(32));
    HexLayout layout;
    LayOut(layout, *doc, 400);
    EXPECT_EQ(doc->TotalRows, 3);
    doc->Cursor = 32;
    EXPECT_TRUE(HexLayout::CursorInPane(*doc, doc->Panes.front()));
    EXPECT_EQ(layout.hexCell(doc->Panes.front(), 32).Y, 24 + 4 + 2 * 16);
}

TEST(HexLayout, DigitsWidenWithTheLargestEndOffsetOfAnyPane) {
    EXPECT_EQ(HexLayout::HexDigitCount(0), 1);
    EXPECT_EQ(HexLayout::HexDigitCount(0xFFF), 3);
    EXPECT_EQ(HexLayout::HexDigitCount(0x1000), 4);
    EXPECT_EQ(HexLayout::HexDigitCount(INT64_MAX), 16);

    auto doc = MakeDocument(std::vector<uint8_t>(0x12345));
    HexLayout layout;
    LayOut(layout, *doc, 200);
    EXPECT_EQ(layout.Digits, 3);  // the first rows end at 0xA0
    doc->Panes.front().Top = 0x12300;
    LayOut(layout, *doc, 200);
    EXPECT_EQ(layout.Digits, 5);  // clamped to the last page, which ends at 0x12345
    EXPECT_EQ(layout.OffsetColumn.Width, 5 * 8 + 12);
    EXPECT_EQ(layout.HexArea.X, 52);
}

TEST(HexLayout, PanesKeepTwoRowsAndTheLastTakesWhatRemains) {
    auto doc = MakeDocument(test::Sequence(256));
    doc->Panes.emplace_back();
    doc->Panes.emplace_back();
    auto it = doc->Panes.begin();
    it->Rows = 0;
    (++it)->Rows = 5;
    HexLayout layout;
    const int32_t rows = LayOut(layout, *doc, 400);
    it = doc->Panes.begin();
    EXPECT_EQ(it->Rows, 2);
    EXPECT_EQ(it->Y, 0);
    EXPECT_EQ((++it)->Rows, 5);
    EXPECT_EQ(it->Y, 3 * 16);  // two rows and a separator row above
    EXPECT_EQ((++it)->Rows, 23 - 3 - 6);
    EXPECT_EQ(it->Y, 9 * 16);
    EXPECT_EQ(rows, 23);

    // A canvas too low for anything still gives the last pane two rows.
    LayOut(layout, *doc, 10);
    EXPECT_EQ(doc->Panes.back().Rows, 2);
}

TEST(HexLayout, TopIsClampedToTheLastFullPage) {
    auto doc = MakeDocument(std::vector<uint8_t>(1000));  // 63 rows
    doc->Panes.front().Top = 1 << 20;
    HexLayout layout;
    LayOut(layout, *doc, 400);  // 23 rows
    EXPECT_EQ(doc->Panes.front().Top, (63 - 23) * 16);
    EXPECT_EQ(doc->Panes.front().ShownLength, 1000 - 640);

    auto shortDoc = MakeDocument(test::Sequence(40));
    shortDoc->Panes.front().Top = 32;
    LayOut(layout, *shortDoc, 400);
    EXPECT_EQ(shortDoc->Panes.front().Top, 0);
    shortDoc->Panes.front().Top = -64;
    LayOut(layout, *shortDoc, 400);
    EXPECT_EQ(shortDoc->Panes.front().Top, 0);
}

TEST(HexLayout, FlagsRemoveHeaderOffsetsAndCharacters) {
    auto doc = MakeDocument(test::Sequence(16));
    HexLayout layout;
    LayOut(layout, *doc, 100, LayoutNoOffsets | LayoutNoCharacters);
    EXPECT_EQ(layout.HeaderHeight, 0);
    EXPECT_EQ(layout.OffsetColumn.Width, 0);
    EXPECT_EQ(layout.HexArea.X, 0);
    EXPECT_EQ(layout.HexArea.Y, 0);
    EXPECT_EQ(layout.CharArea.Width, 0);
    EXPECT_EQ(layout.CharArea.X, layout.HexArea.Width);
    EXPECT_EQ(layout.track(doc->Panes.front()).X, layout.HexArea.Width + 6);
    EXPECT_EQ(layout.columnAt(layout.CharArea.X, 10), -1);
}

TEST(HexLayout, AViewWithoutDocumentKeepsEmptyAreas) {
    HexLayout layout;
    layout.begin(Metrics(), 0);
    layout.placeAreas(0, false);
    EXPECT_EQ(layout.HexArea, HexRect{});
    EXPECT_EQ(layout.CharArea.X, 6);
    EXPECT_EQ(layout.CharArea.Height, 0);
}

struct HitCase {
    int mode;
    int x, y;
    bool ownColumn;
    int focusColumn;
    int64_t expected;
};

TEST(HexLayout, HitOffsetsRoundByModeAndClampTheColumn) {
    auto doc = MakeDocument(std::vector<uint8_t>(200));
    HexLayout layout;
    LayOut(layout, *doc, 400);
    doc->Panes.front().Top = 32;
    const int cell0 = 36 + 6;       // left edge of the first hexadecimal cell
    const int char0 = 406 + 6;      // left edge of the first character cell
    const int row1 = 24 + 4 + 16 + 5;
    const HitCase cases[] = {
        {0, cell0 + 10, row1, true, 0, 32 + 16 + 0},        // left half: gap before the byte
        {0, cell0 + 11, row1, true, 0, 32 + 16 + 1},        // right half: bar after the byte
        {1, cell0 + 21, row1, true, 0, 32 + 16 + 0},        // overwrite: the byte under the mouse
        {1, cell0 + 22, row1, true, 0, 32 + 16 + 1},
        {1, cell0 + 16 * 22 + 3, row1, true, 0, 32 + 32},   // right of the last cell: column 16
        {0, cell0 - 5, row1, true, 0, 32 + 16},             // padding left of the cells: column 0
        {0, char0 + 3 * 8 + 4, row1, true, 0, 32 + 16 + 4}, // character column, halves round up
        {1, char0 + 3 * 8 + 7, row1, true, 0, 32 + 16 + 3},
        {0, 2, row1, true, 0, -1},                          // offset column: no area
        {0, 2, row1, false, 0, 32 + 16},                    // dragging uses the focus column
        {0, 2, row1, false, 1, 32 + 16},
        {0, cell0, 24 + 4 - 20, false, 0, 32 - 16},         // above the pane: a row before its top
        {0, cell0, 24 + 4 + 16 * 40, false, 0, 200},        // clamped to the document size
    };
    for (const HitCase &c : cases) {
        doc->EditMode = c.mode;
        doc->FocusColumn = c.focusColumn;
        EXPECT_EQ(layout.hitOffset(*doc, c.x, c.y, c.ownColumn), c.expected)
            << "mode " << c.mode << " at " << c.x << "," << c.y;
    }
}

TEST(HexLayout, ThumbIsAtLeast12HighAndAbsentWhenEverythingFits) {
    auto doc = MakeDocument(std::vector<uint8_t>(16 * 1000));
    HexLayout layout;
    LayOut(layout, *doc, 400);
    Pane &pane = doc->Panes.front();
    const HexRect track = layout.track(pane);
    HexRect thumb;
    ASSERT_TRUE(layout.thumb(pane, doc->TotalRows, &thumb));
    EXPECT_EQ(thumb.Height, 12);  // 23 / 1001 of 376 pixels would be 9
    EXPECT_EQ(thumb.Y, track.Y);
    pane.Top = (doc->TotalRows - pane.Rows) * 16;
    ASSERT_TRUE(layout.thumb(pane, doc->TotalRows, &thumb));
    EXPECT_EQ(thumb.Y, track.Y + track.Height - 12);

    auto half = MakeDocument(std::vector<uint8_t>(16 * 45));  // 46 rows, pane of 23
    LayOut(layout, *half, 400);
    ASSERT_TRUE(layout.thumb(half->Panes.front(), half->TotalRows, &thumb));
    EXPECT_EQ(thumb.Height, 188);

    auto fits = MakeDocument(std::vector<uint8_t>(16 * 22));  // 23 rows in a pane of 23
    LayOut(layout, *fits, 400);
    EXPECT_FALSE(layout.thumb(fits->Panes.front(), fits->TotalRows, &thumb));
}

TEST(HexLayout, ThumbDragMapsTravelOntoTopWithoutOverflow) {
    auto doc = MakeDocument(std::vector<uint8_t>(16 * 1000));
    HexLayout layout;
    LayOut(layout, *doc, 400);
    Pane &pane = doc->Panes.front();
    pane.ThumbHeight = 12;
    const int travel = 376 - 12;
    const int64_t range = (doc->TotalRows - pane.Rows) * 16;
    int64_t top = -1;
    // The drag reference is where the thumb was grabbed; track y is 24.
    ASSERT_TRUE(layout.thumbDragTop(pane, doc->TotalRows, 24 + travel + 5, 5, &top));
    EXPECT_EQ(top, range);
    ASSERT_TRUE(layout.thumbDragTop(pane, doc->TotalRows, 24 + travel / 2 + 5, 5, &top));
    EXPECT_EQ(top % 16, 0);
    EXPECT_NEAR(static_cast<double>(top), range / 2.0, 16.0 + range / travel);
    // Above the track the top goes negative; the next layout clamps it to 0.
    ASSERT_TRUE(layout.thumbDragTop(pane, doc->TotalRows, 0, 5, &top));
    EXPECT_LE(top, 0);
    EXPECT_EQ(top % 16, 0);

    // A document near the 64-bit limit: range * travel needs more than 64 bits.
    const int64_t hugeRows = INT64_MAX / 16 - 1;
    const int64_t hugeRange = (hugeRows - pane.Rows) * 16;
    ASSERT_TRUE(layout.thumbDragTop(pane, hugeRows, 24 + travel + 5, 5, &top));
    EXPECT_EQ(top, hugeRange - hugeRange % 16);
    ASSERT_TRUE(layout.thumbDragTop(pane, hugeRows, 24 + travel / 2 + 5, 5, &top));
    EXPECT_GT(top, hugeRange / 2 - hugeRange / 100);
    EXPECT_LT(top, hugeRange / 2 + hugeRange / 100);

    // No thumb, or a thumb that cannot travel: no drag.
    pane.ThumbHeight = 0;
    EXPECT_FALSE(layout.thumbDragTop(pane, doc->TotalRows, 100, 5, &top));
    pane.ThumbHeight = 376;
    EXPECT_FALSE(layout.thumbDragTop(pane, doc->TotalRows, 100, 5, &top));
}

TEST(HexLayout, GripZoneLiesInTheSeparatorRowBelowAPane) {
    auto doc = MakeDocument(test::Sequence(255));
    doc->Panes.front().Rows = 4;
    doc->Panes.emplace_back();
    HexLayout layout;
    LayOut(layout, *doc, 400);
    const Pane &upper = doc->Panes.front();
    const int zoneTop = 24 + 4 * 16 + 8;
    EXPECT_FALSE(layout.inGripZone(upper, zoneTop - 1));
    EXPECT_TRUE(layout.inGripZone(upper, zoneTop));
    EXPECT_TRUE(layout.inGripZone(upper, zoneTop + 16 - 8));
    EXPECT_FALSE(layout.inGripZone(upper, zoneTop + 16 - 7));
    EXPECT_EQ(layout.gripY(doc->Panes.back()), 24 + 4 + 5 * 16 - 13);
    EXPECT_EQ(layout.separatorRows(layout.separatorReference(upper) + 16 * 6 + 3,
                                   layout.separatorReference(upper)), 7);
}

}  // namespace
}  // namespace hx
