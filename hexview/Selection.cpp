#include "Selection.h"

#include "HexView.h"
#include "document/Binary.h"
#include "document/Document.h"

namespace hx {

namespace {
int64_t DocumentSize(const Document &doc) { return doc.Store ? doc.Store->Length : 0; }
}  // namespace

int64_t SelectionStart(const Document &doc) {
    return doc.SelectionLength >= 0 ? doc.Cursor : doc.Cursor + doc.SelectionLength;
}

int64_t SelectionSize(const Document &doc) {
    const int64_t length = doc.SelectionLength;
    const int64_t magnitude = length >= 0 ? length : -length;
    if (doc.EditMode == 0) return magnitude;
    const int64_t size = DocumentSize(doc);
    // The upper end: the moving end for a forward selection, else the anchor.
    const int64_t upper = length >= 0 ? doc.Cursor + length : doc.Cursor;
    return upper + 1 > size ? magnitude : magnitude + 1;
}

bool IsSelected(const Document &doc, int64_t offset) {
    const int64_t a = doc.Cursor;
    const int64_t e = doc.Cursor + doc.SelectionLength;
    const int64_t low = a < e ? a : e;
    const int64_t high = a < e ? e : a;
    if (doc.EditMode == 0) return offset >= low && offset < high;
    return offset >= low && offset <= high;
}

int64_t SelectionStart(const HexView *view) {
    if (!view || !view->CurrentDocument) return 0;
    return SelectionStart(*view->CurrentDocument);
}

int64_t SelectionSize(const HexView *view) {
    if (!view || !view->CurrentDocument) return 0;
    return SelectionSize(*view->CurrentDocument);
}

}  // namespace hx
