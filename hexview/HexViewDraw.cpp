// RedrawHexView: lay the view out, read each pane's bytes, then draw in fixed
// passes (background, areas, separators, frames, header, then per pane the
// offsets, highlights, cursors, bytes, characters, match marks and scroll bar).
#include <algorithm>
#include <cstring>

#include <QFontMetrics>
#include <QPainter>

#include "FrameDrawing.h"
#include "GlyphText.h"
#include "HexView.h"
#include "HexViewLook.h"
#include "Highlights.h"
#include "document/Binary.h"
#include "document/BytePattern.h"
#include "document/Document.h"
#include "platform/Canvas.h"

namespace hx {

namespace {

// Pane k reads with slot k + 1; slots from 20 on belong to the status bar,
// the search and the edits, so panes beyond the 19th share the last pane slot
// (that only costs cache hits, never bytes).
constexpr int LastPaneSlot = SlotStatus - 1;

int64_t DocumentSize(const Document &doc) { return doc.Store ? doc.Store->Length : 0; }

GlyphFont &ViewGlyphs() {
    static GlyphFont glyphs;
    return glyphs;
}

HexMetrics MeasureMetrics(Drawing &drawing) {
    const HexViewLook &look = HexLook();
    HexMetrics m;
    if (drawing.ok()) {
        drawing.setFont(look.Font);
        m.CharWidth = drawing.textWidth("#");
        m.LineHeight = drawing.textHeight("#");
    } else {
        const QFontMetrics fm(look.Font);
        m.CharWidth = fm.horizontalAdvance(QStringLiteral("#"));
        m.LineHeight = fm.height();
    }
    m.ColumnPadding = look.ColumnPadding;
    m.RowPadding = look.RowPadding;
    m.CellGap = look.CellGap;
    m.AreaGap = look.AreaGap;
    return m;
}

// Bytes read around a pane for its match marks: pattern length - 1 on each
// side, so that an occurrence crossing the pane's top or bottom edge is
// marked in its visible part. Longer patterns get no context: reading it
// would cost more than a redraw should.
constexpr int64_t MaxMarkContext = 64 * 1024;

int64_t MarkContext(const Document &doc) {
    const int64_t p = doc.SearchPattern ? doc.SearchPattern.size() : 0;
    return p > 1 && p - 1 <= MaxMarkContext ? p - 1 : 0;
}

// Fills the pane's match mask (one byte per byte of its buffer) from bytes,
// which hold the pane's bytes at offset `before` with context around them.
// Occurrences are found from the start of bytes on and do not overlap: after
// one, the search goes on behind it. An empty pattern marks nothing; with
// ignoreCase, letters match in either case, as the search found them.
void MarkMatches(Pane &pane, const ByteBuffer &bytesSought, bool ignoreCase, const uint8_t *bytes, int64_t length,
                 int64_t before) {
    const int64_t n = pane.Buffer ? pane.Buffer.size() : 0;
    if (!pane.MatchMask.resize(n)) {
        pane.MatchMask.reset();
        return;
    }
    if (n == 0) return;
    std::memset(pane.MatchMask.data(), 0, static_cast<size_t>(n));
    const int64_t p = bytesSought ? bytesSought.size() : 0;
    if (p <= 0 || !bytes) return;
    const BytePattern pattern(bytesSought.data(), p, !ignoreCase);
    uint8_t *mask = pane.MatchMask.data();
    int64_t i = 0;
    while (i + p <= length) {
        const int64_t at = pattern.findFirst(bytes, length, i);
        if (at < 0) break;
        // The occurrence's bytes that the pane shows.
        const int64_t from = std::max<int64_t>(at - before, 0);
        const int64_t to = std::min<int64_t>(at + p - before, n);
        if (from >= n) break;
        if (to > from) std::memset(mask + from, 1, static_cast<size_t>(to - from));
        i = at + p;
    }
}

// The pane's bytes, and with a search pattern its match mask from the same
// read widened by the context on both sides (one read, with the pane's slot,
// so that no chunk the pane holds is let go and read again).
void ReadPane(Document &doc, Pane &pane, int slot) {
    pane.Buffer.reset();
    const int64_t context = MarkContext(doc);
    if (!doc.SearchPattern || doc.SearchPattern.size() <= 0) {
        pane.MatchMask.reset();
        pane.Buffer = ReadBinary(doc.Store, pane.Top, pane.ShownLength, slot);
        return;
    }
    const int64_t size = DocumentSize(doc);
    const int64_t first = std::max<int64_t>(pane.Top - context, 0);
    const int64_t before = std::min(pane.Top, size) - std::min(first, size);
    ByteBuffer wide = ReadBinary(doc.Store, first, before + pane.ShownLength + context, slot);
    const int64_t got = wide ? wide.size() : 0;
    const int64_t shown = std::clamp<int64_t>(got - before, 0, pane.ShownLength);
    if (before == 0 && shown == got && got > 0) {
        // No context was read (top of the document and end of it, or a
        // one-byte pattern): the read is the pane's buffer as it is.
        pane.Buffer = std::move(wide);
        MarkMatches(pane, doc.SearchPattern, doc.SearchIgnoreCase != 0, pane.Buffer.data(), got, 0);
        return;
    }
    if (shown > 0) pane.Buffer = ByteBuffer::copyOf(wide.data() + before, shown);
    MarkMatches(pane, doc.SearchPattern, doc.SearchIgnoreCase != 0, wide ? wide.data() : nullptr, got, before);
}

// The pane's bytes that could not be read from the file (checked after the
// read, which is what finds out).
void NoteUnreadable(const Document &doc, Pane &pane) {
    pane.Unreadable.clear();
    for (const auto &[start, length] : UnreadableRuns(doc.Store, pane.Top, pane.ShownLength))
        pane.Unreadable.emplace_back(static_cast<int32_t>(start - pane.Top), static_cast<int32_t>(length));
}

// Answers "is cell i unreadable" for cells asked in increasing order.
class UnreadableCells {
public:
    explicit UnreadableCells(const Pane &pane) : runs_(pane.Unreadable) {}
    bool at(int64_t i) {
        while (next_ < runs_.size() && runs_[next_].first + runs_[next_].second <= i) ++next_;
        return next_ < runs_.size() && runs_[next_].first <= i;
    }

private:
    const std::vector<std::pair<int32_t, int32_t>> &runs_;
    size_t next_ = 0;
};

// Unreadable bytes: question marks on a pale red, never the zeros that stand in for them.
constexpr Colour UnreadableText = RGBA(150, 150, 150);
constexpr Colour UnreadableFill = RGBA(255, 225, 225);

// Layout steps: metrics, panes, the bytes each pane shows, digits, areas.
void LayOut(HexView &view, Drawing &drawing) {
    HexLayout &layout = view.Layout;
    layout.begin(MeasureMetrics(drawing), view.Flags);
    Document *doc = view.CurrentDocument;
    int32_t rows = 0;
    if (doc) {
        rows = layout.placePanes(*doc, CanvasHeight(view.Gadget));
        int slot = SlotFirstPane;
        for (Pane &pane : doc->Panes) {
            ReadPane(*doc, pane, std::min(slot, LastPaneSlot));
            pane.ShownLength = pane.Buffer ? static_cast<int32_t>(pane.Buffer.size()) : 0;
            NoteUnreadable(*doc, pane);
            layout.widenDigits(pane);
            ++slot;
        }
    }
    layout.placeAreas(rows, doc != nullptr);
}

struct Pass {
    HexView &view;
    Drawing &d;
    const HexLayout &layout;
    const HexViewLook &look;
    GlyphFont &glyphs;
    bool focus;
    Colour headerColour;

    const HexMetrics &m() const { return layout.Metrics; }

    // The accent of a column: full strength where typing goes (the focus
    // column of the active pane of a focused view), a third elsewhere.
    Colour accent(const Document &doc, const Pane &pane, int column, int alpha) const {
        const bool strong = column == doc.FocusColumn && focus && &pane == doc.ActivePane;
        return BlendOntoWhite(column == 0 ? HexAccent : CharAccent, strong ? alpha : alpha / 3);
    }

    void background() {
        d.setBlending(false);
        d.box(0, 0, d.width(), d.height(), look.FaceColour);
        const HexRect &hex = layout.HexArea;
        d.box(hex.X + 1, hex.Y + 1, hex.Width - 2, hex.Height - 2, AreaColour);
        if (layout.showsCharacters()) {
            const HexRect &chars = layout.CharArea;
            d.box(chars.X + 1, chars.Y + 1, chars.Width - 2, chars.Height - 2, AreaColour);
        }
        d.setBlending(true);
    }

    void separatorGrips(const Document *doc) {
        if (!doc || look.Grip.isNull() || look.Grip.width() <= 0) return;
        const int tileWidth = look.Grip.width();
        bool first = true;
        for (const Pane &pane : doc->Panes) {
            if (first) {
                first = false;
                continue;
            }
            int x = layout.HexArea.X;
            const int y = layout.gripY(pane);
            int remaining = layout.gripWidth();
            do {
                d.image(x, y, look.Grip);
                x += tileWidth;
                remaining -= tileWidth;
            } while (remaining >= 0);
        }
    }

    // The face-coloured gaps right of both areas cut the grip tiles to the areas.
    void trimAreaGaps() {
        const HexRect &hex = layout.HexArea;
        const HexRect &chars = layout.CharArea;
        d.setBlending(false);
        d.box(hex.X + hex.Width, hex.Y, m().AreaGap, hex.Height, look.FaceColour);
        d.box(chars.X + chars.Width, chars.Y, m().AreaGap, chars.Height, look.FaceColour);
        d.setBlending(true);
    }

    void areaFrames() {
        const HexRect &hex = layout.HexArea;
        DrawFrameImage(d, look.AreaFrame, hex.X, hex.Y, hex.Width, hex.Height);
        if (layout.showsCharacters()) {
            const HexRect &chars = layout.CharArea;
            DrawFrameImage(d, look.AreaFrame, chars.X, chars.Y, chars.Width, chars.Height);
        }
    }

    void header() {
        if (!layout.showsOffsets()) return;
        static const char digits[] = "0123456789ABCDEF";
        GlyphBatch batch(glyphs);
        const int y = layout.Header.Y + m().RowPadding;
        for (int i = 0; i < 16; ++i) {
            const char label[2] = {'0', digits[i]};
            batch.add(label, 2, layout.headerX(i), y);
        }
        batch.draw(d.painter(), headerColour);
    }

    void offsets(const Document &doc, const Pane &pane) {
        if (!layout.showsOffsets()) return;
        const int64_t size = DocumentSize(doc);
        GlyphBatch batch(glyphs);
        const int right = layout.OffsetColumn.X + layout.OffsetColumn.Width - m().ColumnPadding;
        for (int32_t r = 0; r < pane.Rows; ++r) {
            const int64_t offset = pane.Top + int64_t{16} * r;
            if (offset > size) break;
            char text[17];
            const int count = HexLayout::HexDigitCount(offset);
            uint64_t v = static_cast<uint64_t>(offset);
            for (int k = count - 1; k >= 0; --k, v >>= 4) text[k] = "0123456789ABCDEF"[v & 15];
            const int width = count * m().CharWidth;
            const int y = layout.OffsetColumn.Y + m().RowPadding + pane.Y + r * m().LineHeight;
            batch.add(text, count, right - width, y);
        }
        batch.draw(d.painter(), &pane == doc.ActivePane ? headerColour : look.ShadowColour);
    }

    // Backgrounds of the highlight sources (bookmarks, differences, ...)
    // under the cells of both areas, one box per run and row; past the
    // document's end the cells are empty, and a fill there marks bytes missing.
    void highlights(const Document &doc, const Pane &pane) {
        const int64_t count = rowCells(pane);
        if (count == 0) return;
        for (const HighlightRun &run : HighlightsIn(doc, pane.Top, count))
            fillCells(pane, run.Start - pane.Top, run.Start - pane.Top + run.Length, run.Fill);
    }

    // Fills cells i ... end - 1 of the pane in both areas, one box per row.
    void fillCells(const Pane &pane, int64_t i, int64_t end, Colour fill) {
        while (i < end) {
            const int64_t rowEnd = std::min(end, (i / 16 + 1) * 16);
            const int cells = static_cast<int>(rowEnd - i);
            const HexPoint hex = layout.hexCell(pane, i);
            d.box(hex.X, hex.Y, cells * m().cellWidth(), m().LineHeight, fill);
            if (layout.showsCharacters()) {
                const HexPoint chars = layout.charCell(pane, i);
                d.box(chars.X, chars.Y, cells * m().CharWidth, m().LineHeight, fill);
            }
            i = rowEnd;
        }
    }

    // The pale background of unreadable bytes in both areas.
    void unreadableCells(const Pane &pane) {
        const int64_t count = visibleCells(pane);
        for (const auto &[start, length] : pane.Unreadable)
            fillCells(pane, start, std::min<int64_t>(start + length, count), UnreadableFill);
    }

    void hexCursor(const Document &doc, const Pane &pane) {
        if (doc.SelectionLength != 0 || !HexLayout::CursorInPane(doc, pane)) return;
        HexPoint cell = layout.hexCell(pane, doc.Cursor - pane.Top);
        if (doc.EditMode == 0) {
            // A half-typed byte shows its digit; the bar stands behind it.
            if (doc.PendingNibble != -1) cell.X += m().CharWidth + m().CellGap + 1;
            d.box(cell.X - 1, cell.Y, 2, m().LineHeight, accent(doc, pane, 0, 255));
        } else {
            d.box(cell.X, cell.Y, m().cellWidth(), m().LineHeight, accent(doc, pane, 0, 64));
        }
    }

    void charCursor(const Document &doc, const Pane &pane) {
        if (!layout.showsCharacters()) return;
        if (doc.SelectionLength != 0 || !HexLayout::CursorInPane(doc, pane)) return;
        const HexPoint cell = layout.charCell(pane, doc.Cursor - pane.Top);
        if (doc.EditMode == 0) {
            d.box(cell.X - 1, cell.Y, 2, m().LineHeight, accent(doc, pane, 1, 255));
        } else {
            d.box(cell.X, cell.Y, m().CharWidth, m().LineHeight, accent(doc, pane, 1, 64));
        }
    }

    // Selection blocks of one row as runs of adjacent cells (cells tile the
    // row exactly, so a run covers the same pixels as its cells one by one).
    template <typename CellOf>
    void selectionRuns(const Document &doc, const Pane &pane, int64_t count, int cellWidth, Colour colour,
                       CellOf cellOf) {
        int64_t i = 0;
        while (i < count) {
            if (!IsSelected(doc, pane.Top + i)) {
                ++i;
                continue;
            }
            const HexPoint start = cellOf(i);
            int64_t j = i + 1;
            while (j < count && j % 16 != 0 && IsSelected(doc, pane.Top + j)) ++j;
            d.box(start.X, start.Y, static_cast<int>(j - i) * cellWidth, m().LineHeight, colour);
            i = j;
        }
    }

    // Cells drawn in a pane: the loop ends after the first cell below the area.
    int64_t visibleCells(const Pane &pane) const {
        const int64_t n = pane.Buffer ? pane.Buffer.size() : 0;
        for (int64_t i = 0; i < n; i += 16) {
            if (layout.rowY(pane, i / 16) > layout.areaBottom()) return std::min<int64_t>(n, i + 1);
        }
        return n;
    }

    // Cells of the pane's rows that reach into the area, bytes or not.
    int64_t rowCells(const Pane &pane) const {
        int64_t rows = 0;
        while (rows < pane.Rows && layout.rowY(pane, rows) <= layout.areaBottom()) ++rows;
        return rows * 16;
    }

    void hexBytes(const Document &doc, const Pane &pane) {
        const int64_t count = visibleCells(pane);
        if (count == 0) return;
        selectionRuns(doc, pane, count, m().cellWidth(), accent(doc, pane, 0, 64),
                      [&](int64_t i) { return layout.hexCell(pane, i); });
        static const char digits[] = "0123456789ABCDEF";
        GlyphBatch text(glyphs);
        GlyphBatch pending(glyphs);
        GlyphBatch lost(glyphs);
        UnreadableCells unreadable(pane);
        const uint8_t *bytes = pane.Buffer.data();
        for (int64_t i = 0; i < count; ++i) {
            const HexPoint cell = layout.hexCell(pane, i);
            const int x = cell.X + m().CellGap;
            if (doc.PendingNibble != -1 && pane.Top + i == doc.Cursor) {
                pending.add(static_cast<uint8_t>(digits[doc.PendingNibble & 15]), x, cell.Y);
                continue;
            }
            if (unreadable.at(i)) {
                lost.add(static_cast<uint8_t>('?'), lost.add(static_cast<uint8_t>('?'), x, cell.Y), cell.Y);
                continue;
            }
            const qreal next = text.add(static_cast<uint8_t>(digits[bytes[i] >> 4]), x, cell.Y);
            text.add(static_cast<uint8_t>(digits[bytes[i] & 15]), next, cell.Y);
        }
        text.draw(d.painter(), HexTextColour);
        pending.draw(d.painter(), PendingColour);
        lost.draw(d.painter(), UnreadableText);
    }

    void characters(const Document &doc, const Pane &pane) {
        if (!layout.showsCharacters()) return;
        const int64_t count = visibleCells(pane);
        if (count == 0) return;
        selectionRuns(doc, pane, count, m().CharWidth, accent(doc, pane, 1, 64),
                      [&](int64_t i) { return layout.charCell(pane, i); });
        GlyphBatch printable(glyphs);
        GlyphBatch dots(glyphs);
        GlyphBatch lost(glyphs);
        UnreadableCells unreadable(pane);
        const uint8_t *bytes = pane.Buffer.data();
        for (int64_t i = 0; i < count; ++i) {
            const HexPoint cell = layout.charCell(pane, i);
            if (unreadable.at(i)) {
                lost.add(static_cast<uint8_t>('?'), cell.X, cell.Y);
                continue;
            }
            const uint8_t b = bytes[i];
            // Space, the control codes and 127 ... 160 have no visible glyph of their own.
            if ((b >= 33 && b <= 126) || b >= 161) {
                printable.add(b, cell.X, cell.Y);
            } else {
                dots.add(static_cast<uint8_t>('.'), cell.X, cell.Y);
            }
        }
        printable.draw(d.painter(), CharTextColour);
        dots.draw(d.painter(), DotColour);
        lost.draw(d.painter(), UnreadableText);
    }

    // Runs of marked cells in each row, one box per run (cells tile a row
    // exactly, so a run covers the same pixels as its cells one by one): a
    // page full of matches costs a box per row, not one per byte.
    template <typename CellOf>
    void markRuns(const Pane &pane, int cellWidth, int dy, int height, Colour colour, CellOf cellOf) {
        const int64_t count = std::min<int64_t>(visibleCells(pane), pane.MatchMask.size());
        const uint8_t *mask = pane.MatchMask.data();
        int64_t i = 0;
        while (i < count) {
            if (!mask[i]) {
                ++i;
                continue;
            }
            int64_t j = i + 1;
            while (j < count && j % 16 != 0 && mask[j]) ++j;
            const HexPoint start = cellOf(i);
            d.box(start.X, start.Y + dy, static_cast<int>(j - i) * cellWidth, height, colour);
            i = j;
        }
    }

    // The mask was made while the pane's bytes were read (layout); returns
    // whether there is one (the character marks use it too).
    bool hexMatches(const Document &doc, const Pane &pane) {
        if (!doc.SearchPattern || doc.SearchPattern.size() <= 0 || !pane.Buffer || !pane.MatchMask) return false;
        markRuns(pane, m().cellWidth(), m().LineHeight - 1, 2, BlendOntoWhite(HexAccent, 128),
                 [&](int64_t i) { return layout.hexCell(pane, i); });
        return true;
    }

    void charMatches(const Pane &pane, bool marked) {
        if (!marked || !layout.showsCharacters()) return;
        markRuns(pane, m().CharWidth, m().LineHeight - 1, 1, BlendOntoWhite(CharAccent, 128),
                 [&](int64_t i) { return layout.charCell(pane, i); });
    }

    void scrollBar(const Document &doc, Pane &pane) {
        const HexRect track = layout.track(pane);
        view.Layout.ScrollBar = track;
        DrawFrameImage(d, look.TrackFrame, track.X, track.Y, track.Width, track.Height);
        HexRect thumb;
        if (!layout.thumb(pane, doc.TotalRows, &thumb)) {
            // No thumb: forget the old one, so that a press where it was
            // starts no drag on a pane that cannot scroll.
            pane.ThumbX = pane.ThumbY = pane.ThumbWidth = pane.ThumbHeight = 0;
            view.Layout.ScrollBar.Height = 0;
            return;
        }
        pane.ThumbX = thumb.X;
        pane.ThumbY = thumb.Y;
        pane.ThumbWidth = thumb.Width;
        pane.ThumbHeight = thumb.Height;
        DrawFrameImage(d, look.ThumbFrame, thumb.X, thumb.Y, thumb.Width, thumb.Height);
    }

    void panes(Document &doc) {
        for (Pane &pane : doc.Panes) {
            offsets(doc, pane);
            highlights(doc, pane);
            unreadableCells(pane);
            hexCursor(doc, pane);
            hexBytes(doc, pane);
            const bool marked = hexMatches(doc, pane);
            charCursor(doc, pane);
            characters(doc, pane);
            charMatches(pane, marked);
            scrollBar(doc, pane);
        }
    }
};

// Returns false when the view has no document (then no callback follows).
bool Draw(HexView &view, Drawing &d) {
    const HexViewLook &look = HexLook();
    GlyphFont &glyphs = ViewGlyphs();
    glyphs.prepare(look.Font, d.painter()->device());
    const bool focus = CanvasHasFocus(view.Gadget);
    Pass pass{view, d, view.Layout, look, glyphs, focus, focus ? look.DarkShadowColour : look.ShadowColour};
    Document *doc = view.CurrentDocument;
    pass.background();
    pass.separatorGrips(doc);
    pass.trimAreaGaps();
    pass.areaFrames();
    if (!doc) return false;
    pass.header();
    pass.panes(*doc);
    return true;
}

}  // namespace

void RedrawHexView(HexView *view) {
    if (!view) return;
    bool callback = true;
    {
        Drawing drawing(view->Gadget);
        LayOut(*view, drawing);
        if (drawing.ok()) callback = Draw(*view, drawing);
    }
    if (callback && view->Callback) view->Callback(view, view->CallbackValue);
}

}  // namespace hx
