// Splitting keeps every pane on the canvas, and the separator's grip stays
// clear of the text of the pane below it.
#include "HexViewFixture.h"

#include <QImage>

#include "document/Document.h"
#include "hexview/HexNavigation.h"

namespace hx::test {
namespace {

class SplitLimitsTest : public HexViewTest {
protected:
    // Rows that fit on the canvas below the header, as the layout counts them.
    int32_t CanvasRows() const {
        const HexLayout &l = Layout();
        return (CanvasHeight(Gadget) - l.HeaderHeight - 2 * l.Metrics.RowPadding) / l.Metrics.LineHeight;
    }
    // Last row of every pane lies within the canvas rows, and none has fewer than 2.
    void ExpectEveryPaneVisible() {
        int32_t end = 0;
        for (const Pane &pane : doc->Panes) {
            EXPECT_GE(pane.Rows, HexLayout::MinPaneRows);
            end = pane.Y / Layout().Metrics.LineHeight + pane.Rows;
        }
        EXPECT_LE(end, CanvasRows());
    }
};

TEST_F(SplitLimitsTest, SplitsStopBeforeAPaneLeavesTheCanvasAndUnsplitStillWorks) {
    SetBytes(Sequence(16 * 400));
    size_t panes = 1;
    for (int i = 0; i < 12; ++i) {
        const int64_t draws = CanvasDrawCount(Gadget);
        HexViewCommand(Gadget, HexSplit, nullptr, 0);
        if (doc->Panes.size() == panes) {
            // Refused: nothing happened, not even a redraw.
            EXPECT_EQ(CanvasDrawCount(Gadget), draws);
            break;
        }
        panes = doc->Panes.size();
        ExpectEveryPaneVisible();
    }
    EXPECT_GT(panes, 2u);
    EXPECT_LT(panes, 13u) << "every split was taken";
    // The active (lowest) pane is still on the canvas, and unsplitting goes on as before.
    EXPECT_EQ(doc->ActivePane, &doc->Panes.back());
    HexViewCommand(Gadget, HexUnsplit, nullptr, 0);
    EXPECT_EQ(doc->Panes.size(), panes - 1);
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    EXPECT_EQ(doc->Panes.size(), panes);
}

TEST_F(SplitLimitsTest, SplitFitsAgreesWithWhereTheSplitPanesAreLaidOut) {
    // Canvases around the limit: the answer must match what the layout does
    // with an unconditional split.
    for (int height = 60; height <= 220; height += 7) {
        Open(0, Width, height);
        SetBytes(Sequence(16 * 100));
        const bool fits = Layout().splitFits(*doc, CanvasHeight(Gadget));
        SplitActivePane(*doc);
        RedrawHexView(Gadget);
        const Pane &last = doc->Panes.back();
        const bool laidOutFits = last.Y / Layout().Metrics.LineHeight + last.Rows <= CanvasRows();
        EXPECT_EQ(fits, laidOutFits) << "canvas height " << height;
    }
}

TEST_F(SplitLimitsTest, GripEndsAboveTheFirstRowOfTheLowerPane) {
    SetBytes(Sequence(16 * 100));
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    ASSERT_EQ(doc->Panes.size(), 2u);
    const Pane &lower = doc->Panes.back();
    const int rowTop = Layout().rowY(lower, 0);
    const int gripTop = Layout().gripY(lower);
    const int x = Layout().HexArea.X;
    const int width = Layout().gripWidth();
    const QImage withGrip = CanvasImage(Gadget).copy();

    HexViewLook &look = HexLook();
    const QImage grip = look.Grip;
    look.Grip = QImage();
    RedrawHexView(Gadget);
    const QImage without = CanvasImage(Gadget).copy();
    look.Grip = grip;
    RedrawHexView(Gadget);

    auto rowDiffers = [&](int y) {
        for (int xx = x; xx < x + width; ++xx)
            if (withGrip.pixel(xx, y) != without.pixel(xx, y)) return true;
        return false;
    };
    // The grip is drawn above the pane ...
    bool drawn = false;
    for (int y = gripTop; y < rowTop; ++y) drawn = drawn || rowDiffers(y);
    EXPECT_TRUE(drawn);
    // ... and leaves the pane's first text row (and everything below) untouched.
    for (int y = rowTop; y < gripTop + grip.height(); ++y) EXPECT_FALSE(rowDiffers(y)) << "pixel row " << y;
}

}  // namespace
}  // namespace hx::test
