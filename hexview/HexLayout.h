// The geometry of a hex view, without any widget: area rectangles, pane rows,
// offset digits, cell positions, the scroll bar and the hit offsets of mouse
// positions. Drawing and mouse handling both read these numbers, so what is
// drawn is exactly what is hit.
//
// All pixel values are canvas coordinates (int32); byte positions are int64.
// Nothing here reads bytes: the view reads each pane's bytes between
// placePanes() and placeAreas().
#pragma once

#include <cstdint>
#include <list>

namespace hx {

struct Document;
struct Pane;

// The view flags that change the geometry (the full set lives in HexView.h).
enum HexLayoutFlag : int {
    LayoutNoCharacters = 2,
    LayoutNoOffsets = 4,
};

struct HexRect {
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
    // Inside means X <= x < X + Width and Y <= y < Y + Height; an empty
    // rectangle contains nothing.
    bool contains(int32_t x, int32_t y) const {
        return x >= X && y >= Y && int64_t{x} < int64_t{X} + Width && int64_t{y} < int64_t{Y} + Height;
    }
    bool operator==(const HexRect &) const = default;
};

struct HexPoint {
    int32_t X = 0, Y = 0;
};

struct HexMetrics {
    int32_t CharWidth = 8;      // width of "#" in the view font
    int32_t LineHeight = 16;    // height of "#" in the view font
    int32_t ColumnPadding = 6;
    int32_t RowPadding = 4;
    int32_t CellGap = 3;
    int32_t AreaGap = 6;
    // A hexadecimal cell: two digits with a gap on either side.
    int32_t cellWidth() const { return 2 * CharWidth + 2 * CellGap; }
};

class HexLayout {
public:
    static constexpr int32_t ScrollBarWidth = 16;
    static constexpr int32_t MinThumbHeight = 12;
    static constexpr int32_t MinPaneRows = 2;
    static constexpr int32_t MinDigits = 3;

    int32_t BytesPerRow = 16;
    int32_t Flags = 0;
    HexMetrics Metrics;
    int32_t HeaderHeight = 0;
    int32_t Digits = MinDigits;
    HexRect OffsetColumn;   // x 0, y = header height; the height is not used
    HexRect Header;         // x = offset column width, y 0; the width is not used
    HexRect HexArea;
    HexRect CharArea;
    HexRect ScrollBar;      // the track of the pane drawn last; height 0 when it shows no thumb

    bool showsOffsets() const { return (Flags & LayoutNoOffsets) == 0; }
    bool showsCharacters() const { return (Flags & LayoutNoCharacters) == 0; }

    // Rows of a document of size bytes: one more than its full rows, so the
    // end position (offset = size) always has a row. Negative sizes count as 0.
    static int64_t TotalRowsFor(int64_t size);
    // Upper-case hexadecimal digits of value without leading zeros ("0" has one).
    static int32_t HexDigitCount(int64_t value);

    // Starts a layout: metrics, bytes per row, header height, digits = 3.
    void begin(const HexMetrics &metrics, int32_t flags);
    // Gives every pane its y, rows (at least 2; the last pane takes what the
    // canvas leaves, the others keep theirs plus a separator row) and clamps
    // its top to 0 ... (TotalRows - rows) * 16. Sets doc.TotalRows and every
    // pane's ShownLength to 16 * rows (the bytes it asks for). Returns the row
    // accumulator: every row of the panes and separators.
    int32_t placePanes(Document &doc, int32_t canvasHeight) const;
    // Whether splitting the active pane (SplitActivePane: it keeps
    // trunc(rows / 2) - 1 rows, the new pane below gets one more) would still
    // give every pane at least MinPaneRows rows inside a canvas canvasHeight
    // high, placed as placePanes places them. Uses the header height of the
    // last begin(). false without an active pane.
    bool splitFits(const Document &doc, int32_t canvasHeight) const;
    // The bytes a pane asking for ShownLength bytes from Top can get from a
    // document of size bytes (0 when it lies beyond the end).
    static int32_t AvailableLength(const Pane &pane, int64_t size);
    // Widens Digits to the digits of a pane's end offset (top + shown length).
    void widenDigits(const Pane &pane);
    // Offset column, header, hexadecimal and character areas. The hexadecimal
    // area (and so the character area's y and height) is only recomputed with
    // a document: a view that never had one keeps empty areas.
    void placeAreas(int32_t rowAccumulator, bool hasDocument);

    // Top-left corner of the cell of buffer index i of a pane; the text of a
    // hexadecimal cell starts CellGap to the right of it.
    HexPoint hexCell(const Pane &pane, int64_t index) const;
    HexPoint charCell(const Pane &pane, int64_t index) const;
    // y of a pane's row r (offset column, both areas).
    int32_t rowY(const Pane &pane, int64_t row) const;
    // Bottom edge of the hexadecimal area; a cell loop stops after the first
    // cell whose y lies below it.
    int32_t areaBottom() const { return HexArea.Y + HexArea.Height; }
    // x of the header label of column i.
    int32_t headerX(int32_t column) const;

    // The cursor belongs to a pane when 0 <= Cursor - top < shown length, or
    // when it stands at the end of the document right after the pane's bytes.
    static bool CursorInPane(const Document &doc, const Pane &pane);

    // Scroll bar track of a pane (x right of the character area).
    HexRect track(const Pane &pane) const;
    // The thumb of a pane when the document has more rows than the pane:
    // at least MinThumbHeight high, placed by top. false when no thumb is shown.
    bool thumb(const Pane &pane, int64_t totalRows, HexRect *out) const;
    // y of the separator grip tiles above a pane (every pane but the first).
    int32_t gripY(const Pane &pane) const;
    // Width covered by grip tiles: both areas and the gap between them.
    int32_t gripWidth() const;
    // The grip zone below a pane: where the separator can be grabbed (x is not tested).
    bool inGripZone(const Pane &pane, int32_t mouseY) const;
    // Whether y lies within a pane's rows including its padding (both ends included).
    bool inPaneRows(const Pane &pane, int32_t mouseY) const;

    // Byte offset under a mouse position in the active pane, clamped to
    // 0 ... size. ownColumn: the column is the area under the mouse, and the
    // result is -1 outside both areas; otherwise the column is doc.FocusColumn
    // wherever the mouse is. Insert mode rounds to the nearest gap between
    // bytes; overwrite mode takes the byte under the mouse. The cell column is
    // clamped to 0 ... 16 (16 is the first byte of the next row); the row is
    // not clamped, so dragging beyond a pane reaches outside it.
    int64_t hitOffset(const Document &doc, int32_t mouseX, int32_t mouseY, bool ownColumn) const;
    // Column under the mouse: 0 hexadecimal area, 1 character area (when
    // shown), -1 elsewhere.
    int32_t columnAt(int32_t mouseX, int32_t mouseY) const;

    // Top of the active pane while its thumb is dragged: the thumb's travel
    // (track height minus thumb height) maps onto 0 ... (TotalRows - rows) * 16,
    // rounded down to a row start. Computed with a 128-bit product so that
    // huge documents do not overflow. Returns false (nothing to do) when the
    // pane has no thumb or the thumb cannot travel.
    bool thumbDragTop(const Pane &pane, int64_t totalRows, int32_t mouseY, int32_t dragReference,
                      int64_t *top) const;
    // Drag reference of a separator drag on a pane: the top of its second row.
    int32_t separatorReference(const Pane &pane) const;
    // Rows of a pane while its separator is dragged to mouseY (layout keeps at least 2).
    int32_t separatorRows(int32_t mouseY, int32_t dragReference) const;
};

}  // namespace hx
