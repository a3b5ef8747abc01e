#include "app/toolwindows/SelectionRange.h"

#include "document/Document.h"

namespace hx {

void SelectionOrWholeDocument(const Document *doc, int64_t &start, int64_t &length) {
    if (length != 0) return;
    start = 0;
    length = doc && doc->Store ? doc->Store->Length : 0;
}

bool SelectionMirror::changed(int64_t start, int64_t length, const Document *doc) {
    if (start == start_ && length == length_ && doc == doc_) return false;
    start_ = start;
    length_ = length;
    doc_ = doc;
    return true;
}

}  // namespace hx
