#include "HexLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "document/Binary.h"
#include "document/Document.h"

namespace hx {

int64_t HexLayout::TotalRowsFor(int64_t size) {
    if (size < 0) size = 0;
    return size / 16 + 1;
}

int32_t HexLayout::HexDigitCount(int64_t value) {
    uint64_t v = static_cast<uint64_t>(value);
    int32_t digits = 1;
    while (v >= 16) {
        v >>= 4;
        ++digits;
    }
    return digits;
}

void HexLayout::begin(const HexMetrics &metrics, int32_t flags) {
    Metrics = metrics;
    Flags = flags;
    BytesPerRow = 16;
    HeaderHeight = showsOffsets() ? Metrics.LineHeight + 2 * Metrics.RowPadding : 0;
    Digits = MinDigits;
}

int32_t HexLayout::placePanes(Document &doc, int32_t canvasHeight) const {
    const int64_t size = doc.Store ? doc.Store->Length : 0;
    doc.TotalRows = TotalRowsFor(size);
    const int32_t lineHeight = std::max<int32_t>(Metrics.LineHeight, 1);
    int32_t accumulator = 0;
    auto last = std::prev(doc.Panes.end());
    for (auto it = doc.Panes.begin(); it != doc.Panes.end(); ++it) {
        Pane &pane = *it;
        pane.Y = accumulator * Metrics.LineHeight;
        if (it != last) {
            pane.Rows = std::max(pane.Rows, MinPaneRows);
            accumulator += pane.Rows + 1;  // the separator row below it
        } else {
            // Division truncating toward zero, as for every row count here.
            int32_t rows = (canvasHeight - HeaderHeight - 2 * Metrics.RowPadding) / lineHeight - accumulator;
            pane.Rows = std::max(rows, MinPaneRows);
            accumulator += pane.Rows;
        }
        // TotalRows - rows may be negative for a short document: top is then 0.
        const int64_t maxTop = (doc.TotalRows - pane.Rows) * BytesPerRow;
        if (pane.Top > maxTop) pane.Top = maxTop;
        if (pane.Top < 0) pane.Top = 0;
        pane.ShownLength = BytesPerRow * pane.Rows;
    }
    return accumulator;
}

bool HexLayout::splitFits(const Document &doc, int32_t canvasHeight) const {
    if (!doc.ActivePane) return false;
    // The rows each pane would ask for after the split, top to bottom.
    std::vector<int32_t> rows;
    rows.reserve(doc.Panes.size() + 1);
    for (const Pane &pane : doc.Panes) {
        if (&pane != doc.ActivePane) {
            rows.push_back(pane.Rows);
            continue;
        }
        const int32_t kept = pane.Rows / 2 - 1;
        rows.push_back(kept);
        rows.push_back(kept + 1);
    }
    // As placePanes: every pane but the last takes max(rows, MinPaneRows)
    // and a separator row; the last gets what the canvas leaves.
    const int32_t lineHeight = std::max<int32_t>(Metrics.LineHeight, 1);
    const int64_t capacity = (int64_t{canvasHeight} - HeaderHeight - 2 * Metrics.RowPadding) / lineHeight;
    int64_t used = 0;
    for (size_t i = 0; i + 1 < rows.size(); ++i) used += std::max(rows[i], MinPaneRows) + 1;
    return capacity - used >= MinPaneRows;
}

int32_t HexLayout::AvailableLength(const Pane &pane, int64_t size) {
    const int64_t left = size - pane.Top;
    if (left <= 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(left, pane.ShownLength));
}

void HexLayout::widenDigits(const Pane &pane) {
    Digits = std::max(Digits, HexDigitCount(pane.Top + pane.ShownLength));
}

void HexLayout::placeAreas(int32_t rowAccumulator, bool hasDocument) {
    const int32_t offsetWidth = showsOffsets() ? Metrics.CharWidth * Digits + 2 * Metrics.ColumnPadding : 0;
    OffsetColumn = {0, HeaderHeight, offsetWidth, OffsetColumn.Height};
    Header = {offsetWidth, 0, Header.Width, HeaderHeight};
    if (hasDocument) {
        HexArea = {offsetWidth, HeaderHeight, BytesPerRow * Metrics.cellWidth() + 2 * Metrics.ColumnPadding,
                   rowAccumulator * Metrics.LineHeight + 2 * Metrics.RowPadding};
    }
    CharArea.Y = HexArea.Y;
    CharArea.Height = HexArea.Height;
    if (showsCharacters()) {
        CharArea.X = HexArea.X + HexArea.Width + Metrics.AreaGap;
        CharArea.Width = BytesPerRow * Metrics.CharWidth + 2 * Metrics.ColumnPadding;
    } else {
        CharArea.X = HexArea.X + HexArea.Width;
        CharArea.Width = 0;
    }
}

int32_t HexLayout::rowY(const Pane &pane, int64_t row) const {
    return HexArea.Y + Metrics.RowPadding + pane.Y + static_cast<int32_t>(row) * Metrics.LineHeight;
}

HexPoint HexLayout::hexCell(const Pane &pane, int64_t index) const {
    return {HexArea.X + Metrics.ColumnPadding + static_cast<int32_t>(index % BytesPerRow) * Metrics.cellWidth(),
            rowY(pane, index / BytesPerRow)};
}

HexPoint HexLayout::charCell(const Pane &pane, int64_t index) const {
    return {CharArea.X + Metrics.ColumnPadding + static_cast<int32_t>(index % BytesPerRow) * Metrics.CharWidth,
            CharArea.Y + Metrics.RowPadding + pane.Y + static_cast<int32_t>(index / BytesPerRow) * Metrics.LineHeight};
}

int32_t HexLayout::headerX(int32_t column) const {
    return Header.X + Metrics.ColumnPadding + Metrics.CellGap + column * Metrics.cellWidth();
}

bool HexLayout::CursorInPane(const Document &doc, const Pane &pane) {
    const int64_t size = doc.Store ? doc.Store->Length : 0;
    const int64_t rel = doc.Cursor - pane.Top;
    if (rel >= 0 && rel < pane.ShownLength) return true;
    return rel == pane.ShownLength && doc.Cursor == size;
}

HexRect HexLayout::track(const Pane &pane) const {
    return {CharArea.X + CharArea.Width + Metrics.AreaGap, CharArea.Y + pane.Y, ScrollBarWidth,
            pane.Rows * Metrics.LineHeight + 2 * Metrics.RowPadding};
}

bool HexLayout::thumb(const Pane &pane, int64_t totalRows, HexRect *out) const {
    if (totalRows <= pane.Rows) return false;
    const HexRect t = track(pane);
    const double height = std::round(static_cast<double>(pane.Rows) / static_cast<double>(totalRows) * t.Height);
    const int32_t thumbHeight = std::max(static_cast<int32_t>(height), MinThumbHeight);
    const double range = static_cast<double>(totalRows - pane.Rows) * BytesPerRow;
    // A track shorter than the minimum thumb leaves no travel: the thumb sits at the top.
    const int32_t travel = std::max(t.Height - thumbHeight, 0);
    const double y = std::round(static_cast<double>(pane.Top) / range * travel + t.Y);
    *out = {t.X, static_cast<int32_t>(y), ScrollBarWidth, thumbHeight};
    return true;
}

int32_t HexLayout::gripY(const Pane &pane) const {
    return HexArea.Y + Metrics.RowPadding + pane.Y - 13;
}

int32_t HexLayout::gripWidth() const {
    return HexArea.Width + Metrics.AreaGap + CharArea.Width;
}

bool HexLayout::inGripZone(const Pane &pane, int32_t mouseY) const {
    const int64_t d = int64_t{mouseY} -
                      (int64_t{HexArea.Y} + pane.Y + int64_t{pane.Rows} * Metrics.LineHeight + 2 * Metrics.RowPadding);
    return d >= 0 && d <= Metrics.LineHeight - 2 * Metrics.RowPadding;
}

bool HexLayout::inPaneRows(const Pane &pane, int32_t mouseY) const {
    const int64_t top = int64_t{HexArea.Y} + pane.Y;
    return mouseY >= top && mouseY <= top + int64_t{pane.Rows} * Metrics.LineHeight + 2 * Metrics.RowPadding;
}

int32_t HexLayout::columnAt(int32_t mouseX, int32_t mouseY) const {
    if (HexArea.contains(mouseX, mouseY)) return 0;
    if (showsCharacters() && CharArea.contains(mouseX, mouseY)) return 1;
    return -1;
}

int64_t HexLayout::hitOffset(const Document &doc, int32_t mouseX, int32_t mouseY, bool ownColumn) const {
    if (!doc.ActivePane) return -1;
    int32_t column = doc.FocusColumn;
    if (ownColumn) {
        column = columnAt(mouseX, mouseY);
        if (column < 0) return -1;
    }
    const HexRect &area = column == 0 ? HexArea : CharArea;
    const int32_t width = column == 0 ? Metrics.cellWidth() : Metrics.CharWidth;
    if (width <= 0 || Metrics.LineHeight <= 0) return -1;
    const double c = static_cast<double>(mouseX - area.X - Metrics.ColumnPadding) / width;
    // Insert mode puts the bar into the nearest gap (halves away from zero);
    // overwrite mode takes the byte the mouse is on.
    double cell = doc.EditMode == 0 ? std::round(c) : std::floor(c);
    cell = std::clamp(cell, 0.0, static_cast<double>(BytesPerRow));
    const int64_t row = (int64_t{mouseY} - (int64_t{area.Y} + Metrics.RowPadding + doc.ActivePane->Y)) / Metrics.LineHeight;
    const int64_t size = doc.Store ? doc.Store->Length : 0;
    int64_t offset = doc.ActivePane->Top + BytesPerRow * row + static_cast<int64_t>(cell);
    return std::clamp<int64_t>(offset, 0, size);
}

bool HexLayout::thumbDragTop(const Pane &pane, int64_t totalRows, int32_t mouseY, int32_t dragReference,
                             int64_t *top) const {
    if (pane.ThumbHeight <= 0) return false;
    const int64_t travel = int64_t{pane.Rows} * Metrics.LineHeight + 2 * Metrics.RowPadding - pane.ThumbHeight;
    if (travel <= 0) return false;
    const int64_t range = (totalRows - pane.Rows) * BytesPerRow;
    const int64_t moved = int64_t{mouseY} - dragReference - CharArea.Y - pane.Y;
    // range may be close to 2^63 for the largest documents; the product needs 128 bits.
    const __int128 product = static_cast<__int128>(range) * moved;
    __int128 value = product / travel;  // truncates toward zero
    const __int128 limit = INT64_MAX;
    value = std::clamp(value, -limit, limit);
    int64_t t = static_cast<int64_t>(value);
    t -= t % BytesPerRow;  // the remainder takes the sign of t
    *top = t;
    return true;
}

int32_t HexLayout::separatorReference(const Pane &pane) const {
    return HexArea.Y + pane.Y + Metrics.RowPadding + Metrics.LineHeight;
}

int32_t HexLayout::separatorRows(int32_t mouseY, int32_t dragReference) const {
    if (Metrics.LineHeight <= 0) return MinPaneRows;
    return (mouseY - dragReference) / Metrics.LineHeight + 1;
}

}  // namespace hx
