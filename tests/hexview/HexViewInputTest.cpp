// Mouse, wheel, focus and key events through HandleHexViewEvent.
#include "HexViewFixture.h"

namespace hx::test {
namespace {

using V = std::vector<uint8_t>;

TEST_F(HexViewTest, ClickPlacesTheCursorByModeAndDraggingSelects) {
    SetBytes(Sequence(256));
    const Pane &pane = FirstPane();
    const HexPoint cell5 = Layout().hexCell(pane, 5);
    const int w = Layout().Metrics.cellWidth();
    const int midY = cell5.Y + 5;
    Press(cell5.X + w / 2 + 1, midY);  // right half: the bar goes after byte 5
    EXPECT_EQ(doc->Cursor, 6);
    EXPECT_EQ(doc->FocusColumn, 0);
    const HexPoint cell9 = Layout().hexCell(pane, 9 + 16);
    Move(cell9.X + 2, cell9.Y + 5);
    EXPECT_EQ(doc->SelectionLength, 25 - 6);
    Release(cell9.X + 2, cell9.Y + 5);
    Move(cell5.X, midY);  // no longer selecting
    EXPECT_EQ(doc->SelectionLength, 25 - 6);

    doc->EditMode = 1;
    Press(cell5.X + w - 1, midY);  // overwrite: the byte under the mouse
    EXPECT_EQ(doc->Cursor, 5);
    EXPECT_EQ(doc->SelectionLength, 0);
    const HexPoint ch = Layout().charCell(pane, 7);
    Press(ch.X + 1, ch.Y + 2);
    EXPECT_EQ(doc->FocusColumn, 1);
    EXPECT_EQ(doc->Cursor, 7);
    Release(ch.X + 1, ch.Y + 2);

    // Right of the last cell of a row: column 16, the first byte of the next row.
    doc->EditMode = 0;
    const HexRect &hex = Layout().HexArea;
    Press(hex.X + hex.Width - 2, midY);
    EXPECT_EQ(doc->Cursor, 16);
    Release(hex.X + hex.Width - 2, midY);
    // A press outside both areas places nothing.
    Press(2, midY);
    EXPECT_EQ(doc->Cursor, 16);
    Release(2, midY);
}

TEST_F(HexViewTest, DraggingAboveAPaneSelectsBackwardsWithoutScrolling) {
    SetBytes(V(4096));
    FirstPane().Top = 320;
    RedrawHexView(view);
    const HexPoint cell = Layout().hexCell(FirstPane(), 2 * 16);
    Press(cell.X + 1, cell.Y + 3);
    ASSERT_EQ(doc->Cursor, 352);
    Move(cell.X + 1, Layout().HexArea.Y - 40);
    EXPECT_LT(doc->SelectionLength, -32);
    EXPECT_EQ(FirstPane().Top, 320);
    Release(cell.X + 1, Layout().HexArea.Y - 40);
    EXPECT_EQ(FirstPane().Top, 320);
}

TEST_F(HexViewTest, DragUsesThePaneWhereItBegan) {
    SetBytes(V(4096));
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    Pane &upper = doc->Panes.front();
    Pane &lower = doc->Panes.back();
    lower.Top = 2048;
    RedrawHexView(view);
    const HexPoint start = Layout().hexCell(lower, 0);
    Press(start.X + 1, start.Y + 3);
    EXPECT_EQ(doc->ActivePane, &lower);
    EXPECT_EQ(doc->Cursor, 2048);
    const HexPoint inUpper = Layout().hexCell(upper, 0);
    Move(inUpper.X + 1, inUpper.Y + 3);
    // Rows are counted from the lower pane's top (truncated toward zero), not
    // taken from the upper pane.
    const int rows = (inUpper.Y + 3 - (start.Y + 0)) / Layout().Metrics.LineHeight;
    ASSERT_LT(rows, 0);
    EXPECT_EQ(doc->Cursor + doc->SelectionLength, 2048 + 16 * rows);
    EXPECT_EQ(doc->ActivePane, &lower);
    Release(inUpper.X + 1, inUpper.Y + 3);
}

TEST_F(HexViewTest, ThumbDragScrollsWithinRangeAndTheTrackAloneDoesNothing) {
    SetBytes(V(16 * 5000));
    Pane &pane = FirstPane();
    const int64_t maxTop = (doc->TotalRows - pane.Rows) * 16;
    const HexRect track = Layout().track(pane);
    // The track below the thumb: no drag, no scroll.
    Press(track.X + 8, track.Y + track.Height - 3);
    EXPECT_EQ(view->ThumbDragging, 0);
    Move(track.X + 8, track.Y + track.Height / 2);
    EXPECT_EQ(pane.Top, 0);
    Release(track.X + 8, track.Y + track.Height / 2);

    Press(pane.ThumbX + 8, pane.ThumbY + 4);
    EXPECT_EQ(view->ThumbDragging, 1);
    Move(pane.ThumbX + 8, pane.ThumbY + 4 + (track.Height - pane.ThumbHeight) / 2);
    EXPECT_GT(pane.Top, maxTop / 3);
    EXPECT_LT(pane.Top, 2 * maxTop / 3);
    EXPECT_EQ(pane.Top % 16, 0);
    Move(pane.ThumbX + 8, track.Y + track.Height + 500);  // far below: clamped by the layout
    EXPECT_EQ(pane.Top, maxTop);
    Move(pane.ThumbX + 8, -500);
    EXPECT_EQ(pane.Top, 0);
    Release(pane.ThumbX + 8, -500);
    EXPECT_EQ(view->ThumbDragging, 0);
}

TEST_F(HexViewTest, SeparatorDragResizesTheUpperPane) {
    SetBytes(V(4096));
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    Pane &upper = doc->Panes.front();
    const int lh = Layout().Metrics.LineHeight;
    const int zoneY = Layout().HexArea.Y + upper.Y + upper.Rows * lh + 2 * Layout().Metrics.RowPadding + 1;
    Move(Layout().HexArea.X + 30, zoneY);
    EXPECT_EQ(GetCanvasPointer(Gadget), Pointer::SizeVertical);
    int calls = 0;
    static int *counter;
    counter = &calls;
    SetHexViewCallback(Gadget, [](HexView *, int) { ++*counter; }, 0);
    Press(Layout().HexArea.X + 30, zoneY);
    EXPECT_EQ(view->SeparatorDragging, 1);
    calls = 0;
    const int reference = Layout().separatorReference(upper);
    Move(Layout().HexArea.X + 30, reference + 5 * lh + 2);
    EXPECT_EQ(upper.Rows, 6);
    EXPECT_EQ(calls, 1);  // the redraw's call only
    Release(Layout().HexArea.X + 30, reference + 5 * lh + 2);
    EXPECT_EQ(view->SeparatorDragging, 0);
    Move(Layout().HexArea.X + 30, Layout().HexArea.Y + upper.Y + 3);
    EXPECT_EQ(GetCanvasPointer(Gadget), Pointer::IBeam);
    Move(Layout().HexArea.X + Layout().HexArea.Width + 2, Layout().HexArea.Y + 3);
    EXPECT_EQ(GetCanvasPointer(Gadget), Pointer::Arrow);
}

TEST_F(HexViewTest, WheelScrollsTheActivePaneNotThePaneUnderTheMouse) {
    SetBytes(V(16 * 1000));
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    Pane &upper = doc->Panes.front();
    Pane &lower = doc->Panes.back();
    doc->ActivePane = &upper;
    upper.Top = 480;
    const int64_t lowerTop = lower.Top;
    const HexPoint overLower = HexMiddle(lower, 0);
    Send(CanvasMouseWheel, overLower.X, overLower.Y, 0, 0, 0, 1);
    EXPECT_EQ(upper.Top, 432);
    EXPECT_EQ(lower.Top, lowerTop);
    Send(CanvasMouseWheel, overLower.X, overLower.Y, 0, 0, 0, 20);
    EXPECT_EQ(upper.Top, 0);  // clamped at the top by the redraw
}

TEST_F(HexViewTest, KeysMoveSelectAndEndWithScrollingAndTwoCallbacks) {
    SetBytes(V(16 * 1000));
    int calls = 0;
    static int *counter;
    counter = &calls;
    SetHexViewCallback(Gadget, [](HexView *, int) { ++*counter; }, 0);
    doc->Cursor = 100;
    Key(KeyHome, ModShift);
    EXPECT_EQ(SelectionStart(view), 0);
    EXPECT_EQ(SelectionSize(view), 100);
    EXPECT_EQ(calls, 2);
    Key(KeyRight);  // collapses to the upper end without moving on
    EXPECT_EQ(doc->Cursor, 100);
    EXPECT_EQ(doc->SelectionLength, 0);
    Key(KeyEnd, ModShift);
    EXPECT_EQ(SelectionSize(view), 16 * 1000 - 100);
    EXPECT_EQ(FirstPane().Top, (doc->TotalRows - FirstPane().Rows) * 16);
    Key(KeyUp);
    EXPECT_EQ(doc->Cursor, 100);

    const int64_t draws = CanvasDrawCount(Gadget);
    calls = 0;
    Key(KeyA, ModControl | ModShift);
    Key(KeyA, ModControl | ModAlt);
    EXPECT_EQ(CanvasDrawCount(Gadget), draws);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(doc->SelectionLength, 0);

    FirstPane().Top = 0;
    Key(KeyA, ModControl);
    EXPECT_EQ(doc->Cursor, 0);
    EXPECT_EQ(doc->SelectionLength, 16 * 1000);
    EXPECT_EQ(FirstPane().Top, (doc->TotalRows - FirstPane().Rows) * 16);  // the moving end is shown

    Key(KeyInsert);
    EXPECT_EQ(doc->EditMode, 1);
    Key(KeyInsert, ModAlt);
    EXPECT_EQ(doc->EditMode, 0);
    Key(KeyHome);
    Key(KeyPageDown, ModShift);
    EXPECT_EQ(doc->SelectionLength, 16 * FirstPane().Rows);
}

TEST_F(HexViewTest, CtrlInsertCopiesAndReadOnlyViewsKeepTheirBytes) {
    Open(HexViewReadOnly);
    SetBytes(V{0x0A, 0xFF, 0x10});
    doc->SelectionLength = 3;
    SetClipboardText("before");
    Key(KeyInsert, ModControl);
    EXPECT_EQ(ClipboardText(), "0AFF10");
    SetClipboardText("");
    Key(KeyC, ModControl);
    EXPECT_EQ(ClipboardText(), "0AFF10");

    SetClipboardText("4142");
    const int64_t draws = CanvasDrawCount(Gadget);
    Key(KeyX, ModControl);
    Key(KeyV, ModControl);
    EXPECT_EQ(CanvasDrawCount(Gadget), draws);  // unhandled
    Key(KeyDelete);
    Key(KeyDelete, ModShift);
    Key(KeyBackspace);
    Type("12 ab");
    Key(KeyInsert, ModShift);  // toggles the mode instead of pasting
    EXPECT_EQ(doc->EditMode, 1);
    EXPECT_EQ(HexViewCommand(Gadget, HexCut, nullptr, 0), 0);
    HexViewCommand(Gadget, HexPaste, nullptr, 0);
    const uint8_t data[] = {1};
    HexViewCommand(Gadget, HexPutData, data, 1);
    EXPECT_EQ(Contents(), (V{0x0A, 0xFF, 0x10}));
    EXPECT_EQ(HistoryIndex(doc->Hist), 0);
    // The tool's own fills still work.
    HexViewCommand(Gadget, HexReplaceAll, data, 1);
    EXPECT_EQ(Contents(), (V{1}));
}

TEST_F(HexViewTest, KeysAbandonAHalfTypedByteAndFocusChangesRedraw) {
    SetBytes(V{1, 2, 3});
    Type("5");
    EXPECT_EQ(doc->PendingNibble, 5);
    Key(KeyLeft);
    EXPECT_EQ(doc->PendingNibble, -1);
    EXPECT_EQ(Contents(), (V{5, 1, 2, 3}));
    Type("7");
    const HexPoint cell = HexMiddle(FirstPane(), 2);
    Press(cell.X, cell.Y);
    EXPECT_EQ(doc->PendingNibble, -1);
    Release(cell.X, cell.Y);
    const int64_t draws = CanvasDrawCount(Gadget);
    Send(CanvasFocus);
    Send(CanvasLostFocus);
    Send(CanvasRightButtonDown, cell.X, cell.Y);
    EXPECT_EQ(CanvasDrawCount(Gadget), draws + 2);
}

}  // namespace
}  // namespace hx::test
