// Pixels of a drawn view read back from its canvas.
#include <QPainter>

#include "HexViewFixture.h"
#include "hexview/FrameDrawing.h"
#include "hexview/GlyphText.h"
#include "platform/FrameImage.h"

namespace hx::test {
namespace {

using V = std::vector<uint8_t>;

TEST_F(HexViewTest, CursorBarsFollowTheFocusColumnAndTheKeyboardFocus) {
    SetBytes(Sequence(64));
    doc->Cursor = 5;
    GiveFocus();
    ASSERT_TRUE(CanvasHasFocus(Gadget));
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    const int lh = Layout().Metrics.LineHeight;
    const HexPoint hex = Layout().hexCell(pane, 5);
    const HexPoint chars = Layout().charCell(pane, 5);
    EXPECT_EQ(Pixel(hex.X - 1, hex.Y + lh / 2), BlendOntoWhite(HexAccent, 255));
    EXPECT_EQ(Pixel(hex.X, hex.Y + lh / 2), BlendOntoWhite(HexAccent, 255));
    EXPECT_EQ(Pixel(chars.X - 1, chars.Y + lh / 2), BlendOntoWhite(CharAccent, 85));

    doc->FocusColumn = 1;
    RedrawHexView(view);
    EXPECT_EQ(Pixel(hex.X - 1, hex.Y + lh / 2), BlendOntoWhite(HexAccent, 85));
    EXPECT_EQ(Pixel(chars.X - 1, chars.Y + lh / 2), BlendOntoWhite(CharAccent, 255));
}

TEST_F(HexViewTest, SelectionBlocksAndTheOverwriteBlockFillTheirCells) {
    SetBytes(Sequence(64));
    doc->Cursor = 16;
    doc->SelectionLength = 4;  // 16 ... 19
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    const HexMetrics &m = Layout().Metrics;
    const Colour hexSelection = BlendOntoWhite(HexAccent, 21);  // no focus: a third of 64
    const Colour charSelection = BlendOntoWhite(CharAccent, 21);
    for (int i = 16; i < 20; ++i) {
        const HexPoint cell = Layout().hexCell(pane, i);
        EXPECT_EQ(Pixel(cell.X + 1, cell.Y + 1), hexSelection) << i;
        EXPECT_EQ(Pixel(cell.X + m.cellWidth() - 1, cell.Y + m.LineHeight - 1), hexSelection) << i;
        const HexPoint ch = Layout().charCell(pane, i);
        EXPECT_EQ(Pixel(ch.X, ch.Y), charSelection) << i;
    }
    const HexPoint after = Layout().hexCell(pane, 20);
    EXPECT_EQ(Pixel(after.X + 1, after.Y + 1), AreaColour);
    // No cursor is drawn while something is selected.
    const HexPoint anchor = Layout().hexCell(pane, 16);
    EXPECT_EQ(Pixel(anchor.X - 1, anchor.Y + 1), AreaColour);

    doc->EditMode = 1;
    doc->SelectionLength = 0;
    doc->Cursor = 30;
    RedrawHexView(view);
    const HexPoint block = Layout().hexCell(pane, 30);
    EXPECT_EQ(Pixel(block.X + 1, block.Y + 1), hexSelection);
    EXPECT_EQ(Pixel(block.X + m.cellWidth() - 1, block.Y + 1), hexSelection);
    EXPECT_EQ(Pixel(block.X + m.cellWidth(), block.Y + 1), AreaColour);
}

TEST_F(HexViewTest, PendingDigitShowsAloneInItsColourWithTheBarBehindIt) {
    SetBytes(V(32, 0xAB));
    doc->Cursor = 3;
    Type("7");
    ASSERT_EQ(doc->PendingNibble, 7);
    const Pane &pane = FirstPane();
    const HexMetrics &m = Layout().Metrics;
    const HexPoint cell = Layout().hexCell(pane, 3);
    const int textX = cell.X + m.CellGap;
    EXPECT_GT(Count(textX, cell.Y, m.CharWidth, m.LineHeight, [](Colour c) { return Ink(c, PendingColour); }), 3);
    // The bar stands behind the single digit; no byte digits beside it.
    const int barX = cell.X + m.CharWidth + m.CellGap + 1 - 1;
    auto byteInk = [](Colour c) { return Ink(c, HexTextColour); };
    EXPECT_EQ(Count(cell.X, cell.Y, barX - cell.X, m.LineHeight, byteInk), 0);
    EXPECT_EQ(Count(barX + 2, cell.Y, cell.X + m.cellWidth() - barX - 2, m.LineHeight, byteInk), 0);
    EXPECT_EQ(Pixel(barX, cell.Y + m.LineHeight / 2), BlendOntoWhite(HexAccent, 85));
    EXPECT_EQ(Pixel(barX + 1, cell.Y + m.LineHeight / 2), BlendOntoWhite(HexAccent, 85));
    // Its neighbours show both digits in the byte colour.
    const HexPoint next = Layout().hexCell(pane, 4);
    EXPECT_GT(Count(next.X + m.CellGap + m.CharWidth, next.Y, m.CharWidth, m.LineHeight,
                    [](Colour c) { return Ink(c, HexTextColour); }), 3);
}

TEST_F(HexViewTest, CharactersUseTheDotRuleForSpaceControlAndHighCodes) {
    SetBytes(V{32, 33, 127, 160, 161, 0, 'A', 255});
    doc->Cursor = 8;  // the cursor bar away from the cells looked at
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    const HexMetrics &m = Layout().Metrics;
    const bool dot[] = {true, false, true, true, false, true, false, false};
    for (int i = 0; i < 8; ++i) {
        const HexPoint cell = Layout().charCell(pane, i);
        const int dots = Count(cell.X, cell.Y, m.CharWidth, m.LineHeight, [](Colour c) { return Ink(c, DotColour); });
        const int chars = Count(cell.X, cell.Y, m.CharWidth, m.LineHeight, [](Colour c) { return Ink(c, CharTextColour); });
        if (dot[i]) {
            EXPECT_GT(dots, 0) << i;
            EXPECT_EQ(chars, 0) << i;
        } else {
            EXPECT_EQ(dots, 0) << i;
            EXPECT_GT(chars, 0) << i;
        }
    }
}

TEST_F(HexViewTest, EmptyDocumentShowsOffsetZeroOnlyAndTheCursorAtZero) {
    GiveFocus();
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    const HexLayout &L = Layout();
    EXPECT_EQ(doc->TotalRows, 1);
    const int lh = L.Metrics.LineHeight;
    const HexRect &col = L.OffsetColumn;
    const int firstRow = col.Y + L.Metrics.RowPadding;
    auto notFace = [](Colour c) { return c != HexLook().FaceColour; };
    EXPECT_GT(Count(col.X, firstRow, col.Width, lh, notFace), 0);
    EXPECT_EQ(Count(col.X, firstRow + lh, col.Width, lh * 3, notFace), 0);
    const HexPoint cell = L.hexCell(pane, 0);
    EXPECT_EQ(Pixel(cell.X - 1, cell.Y + lh / 2), BlendOntoWhite(HexAccent, 255));
    // Nothing else inside the area: no byte text.
    EXPECT_EQ(Count(cell.X + 2, cell.Y, L.Metrics.cellWidth() * 4, lh,
                    [](Colour c) { return Ink(c, HexTextColour); }), 0);
}

TEST_F(HexViewTest, ThumbAppearsOnlyWhenTheDocumentHasMoreRowsThanThePane) {
    SetBytes(V(100));
    EXPECT_EQ(FirstPane().ThumbHeight, 0);
    EXPECT_EQ(Layout().ScrollBar.Height, 0);
    SetBytes(V(100000));
    const Pane &pane = FirstPane();
    EXPECT_EQ(pane.ThumbHeight, HexLayout::MinThumbHeight);
    EXPECT_EQ(pane.ThumbX, Layout().track(pane).X);
    EXPECT_EQ(Layout().ScrollBar, Layout().track(pane));
    // The thumb picture is drawn there: its pixels differ from the face.
    EXPECT_NE(Pixel(pane.ThumbX + 8, pane.ThumbY + 6), HexLook().FaceColour);
    SetBytes(V(100));
    EXPECT_EQ(FirstPane().ThumbHeight, 0);  // forgotten, so no drag can start there
}

TEST_F(HexViewTest, OffsetColumnWidensAndPanesReadTheirOwnRows) {
    SetBytes(V(0x12345));
    EXPECT_EQ(Layout().Digits, 3);
    HexViewCommand(Gadget, HexGoTo, nullptr, 0x12340);
    EXPECT_EQ(Layout().Digits, 5);
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    ASSERT_EQ(doc->Panes.size(), 2u);
    for (const Pane &pane : doc->Panes) {
        ASSERT_TRUE(pane.Buffer);
        EXPECT_EQ(pane.ShownLength, std::min<int64_t>(16 * pane.Rows, 0x12345 - pane.Top));
    }
    // The grip row between the panes is drawn over both areas and trimmed at the gap.
    const Pane &lower = doc->Panes.back();
    const int gy = Layout().gripY(lower);
    const HexRect &hex = Layout().HexArea;
    const Colour face = HexLook().FaceColour;
    auto grip = [](Colour c) { return c != AreaColour; };
    EXPECT_GT(Count(hex.X + 8, gy, hex.Width - 16, 16, grip), hex.Width / 4);
    EXPECT_EQ(Count(hex.X + hex.Width, gy, Layout().Metrics.AreaGap, 16, [&](Colour c) { return c != face; }), 0);
}

TEST_F(HexViewTest, SearchPatternUnderlinesOccurrencesWithoutOverlap) {
    SetBytes(V{1, 1, 1, 0, 1, 1});
    doc->SearchPattern = ByteBuffer::copyOf("\x01\x01", 2);
    RedrawHexView(view);
    const Pane &pane = FirstPane();
    const HexMetrics &m = Layout().Metrics;
    const Colour mark = BlendOntoWhite(HexAccent, 128);
    const bool marked[] = {true, true, false, false, true, true};
    for (int i = 0; i < 6; ++i) {
        const HexPoint cell = Layout().hexCell(pane, i);
        EXPECT_EQ(Pixel(cell.X + 1, cell.Y + m.LineHeight) == mark, marked[i]) << i;
        const HexPoint ch = Layout().charCell(pane, i);
        EXPECT_EQ(Pixel(ch.X + 1, ch.Y + m.LineHeight - 1) == BlendOntoWhite(CharAccent, 128), marked[i]) << i;
    }
    doc->SearchPattern = ByteBuffer::zeroed(0);  // an empty pattern marks nothing (and ends)
    RedrawHexView(view);
    EXPECT_EQ(Pixel(Layout().hexCell(pane, 0).X + 1, Layout().hexCell(pane, 0).Y + m.LineHeight), AreaColour);
}

TEST_F(HexViewTest, FlagsLeaveOutOffsetsAndCharactersAndNoDocumentDrawsTheFrameOnly) {
    int calls = 0;
    static int *counter;
    counter = &calls;
    Open(HexViewNoOffsets | HexViewNoCharacters);
    EXPECT_EQ(Layout().HexArea.X, 0);
    EXPECT_EQ(Layout().HexArea.Y, 0);
    EXPECT_EQ(Layout().CharArea.Width, 0);
    EXPECT_EQ(Pixel(Layout().HexArea.X + Layout().HexArea.Width + Layout().Metrics.AreaGap + 20, 5),
              HexLook().FaceColour);  // nothing right of the scroll bar's place
    Open(HexViewNoDocument);
    SetHexViewCallback(Gadget, [](HexView *, int) { ++*counter; }, 0);
    EXPECT_EQ(view->CurrentDocument, nullptr);
    RedrawHexView(view);
    EXPECT_EQ(calls, 0);  // no document: no callback
    EXPECT_EQ(Pixel(100, 100), HexLook().FaceColour);
    Send(CanvasKeyDown, 0, 0, KeyEnd);  // events without a document are ignored
    EXPECT_EQ(HexViewCommand(Gadget, HexPaste, nullptr, 0), 0);
}

TEST(FrameDrawing, CornersStayAndEdgesStretch) {
    // A 12 x 12 picture with a distinct colour per piece (borders 4).
    QImage source(12, 12, QImage::Format_RGBA8888);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) source.setPixelColor(x, y, QColor(20 * (x / 4) + 10, 20 * (y / 4) + 10, 200));
    }
    const FrameImage hollow = CutFrameImage(source, 4, 4, 4, 4, FrameHollow);
    QImage target(40, 30, QImage::Format_RGBA8888);
    target.fill(Qt::white);
    {
        Drawing d(target);
        DrawFrameImage(d, &hollow, 5, 5, 30, 20);
        DrawFrameImage(d, nullptr, 0, 0, 40, 30);
    }
    auto at = [&](int x, int y) { return target.pixelColor(x, y); };
    EXPECT_EQ(at(5, 5), QColor(10, 10, 200));      // top-left corner
    EXPECT_EQ(at(20, 6), QColor(30, 10, 200));     // top edge stretched
    EXPECT_EQ(at(33, 8), QColor(50, 10, 200));     // top-right corner at x + width - 4
    EXPECT_EQ(at(6, 15), QColor(10, 30, 200));     // left edge
    EXPECT_EQ(at(20, 15), QColor(Qt::white));      // hollow: no centre
    EXPECT_EQ(at(34, 24), QColor(50, 50, 200));    // bottom-right corner
    EXPECT_EQ(at(4, 4), QColor(Qt::white));

    // A track frame (borders 4, 0, 4, 0) lower than its borders draws no middle.
    const FrameImage track = CutFrameImage(source, 4, 0, -1, -1, 0);
    target.fill(Qt::white);
    {
        Drawing d(target);
        DrawFrameImage(d, &track, 0, 0, 16, 6);
    }
    EXPECT_EQ(at(3, 0), QColor(10, 10, 200));
    EXPECT_EQ(at(3, 5), QColor(10, 50, 200));
}

TEST(GlyphText, GlyphsLandOnThePixelsOfPlainText) {
    FillDefaultHexViewLook();
    const QFont font = HexLook().Font;
    const char text[] = "0123456789ABCDEF.Az\xE9\xFF";
    const int count = static_cast<int>(sizeof(text) - 1);
    // A run of text, and the same characters one by one at whole-pixel cells.
    auto render = [&](bool glyphRuns) {
        QImage image(300, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        Drawing d(image);
        d.setFont(font);
        if (!glyphRuns) {
            d.textLatin1(7, 9, text, count, RGBA(0, 64, 192));
            for (int i = 0; i < count; ++i) d.textLatin1(5 + 11 * i, 30, text + i, 1, RGBA(32, 128, 0));
            return image;
        }
        GlyphFont glyphs;
        glyphs.prepare(font, d.painter()->device());
        GlyphBatch batch(glyphs);
        batch.add(text, count, 7, 9);
        batch.draw(d.painter(), RGBA(0, 64, 192));
        for (int i = 0; i < count; ++i) batch.add(static_cast<uint8_t>(text[i]), 5 + 11 * i, 30);
        batch.draw(d.painter(), RGBA(32, 128, 0));
        return image;
    };
    const QImage plain = render(false);
    EXPECT_EQ(plain, render(true));
    EXPECT_NE(plain.pixelColor(5, 5), plain.pixelColor(12, 14));  // something was drawn
}

}  // namespace
}  // namespace hx::test
