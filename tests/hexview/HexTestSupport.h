// Documents for the hex view tests without a view: a store with given bytes,
// a history and one pane, as NewEditorFile makes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"

namespace hx::test {

inline DocumentPtr MakeDocument(const std::vector<uint8_t> &bytes, int64_t chunkLength = 7) {
    DocumentPtr doc(new Document);
    doc->Store = CreateBinary(-1, chunkLength);
    if (!bytes.empty()) InsertBinary(doc->Store, 0, bytes.data(), static_cast<int64_t>(bytes.size()));
    doc->Hist = CreateHistory(-1, EditorHistoryLimit);
    doc->PendingNibble = -1;
    doc->Panes.emplace_back();
    doc->ActivePane = &doc->Panes.front();
    return doc;
}

inline std::vector<uint8_t> Bytes(Document &doc) {
    std::vector<uint8_t> out(static_cast<size_t>(doc.Store->Length));
    if (!out.empty()) ReadBinary(doc.Store, 0, doc.Store->Length, SlotTransient, out.data());
    return out;
}

inline std::vector<uint8_t> Sequence(int n, int start = 0) {
    std::vector<uint8_t> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = static_cast<uint8_t>(start + i);
    return out;
}

}  // namespace hx::test
