// The selection of a document shown in a hex view.
//
// The anchor is Cursor, the moving end Cursor + SelectionLength. In insert
// mode (EditMode 0) the selection is the half-open range between the two ends
// and SelectionLength 0 selects nothing; in overwrite mode (EditMode 1) both
// ends are included, so SelectionLength 0 selects the byte under the cursor,
// except at the end of the document where there is no byte.
#pragma once

#include <cstdint>

namespace hx {

struct Document;
struct HexView;

// First selected offset: the lower of the two ends.
int64_t SelectionStart(const Document &doc);
// Number of selected bytes. In overwrite mode the byte at the upper end is
// counted only when it exists (lies before the end of the document).
int64_t SelectionSize(const Document &doc);
// Whether the byte at offset is drawn as selected.
bool IsSelected(const Document &doc, int64_t offset);

// The same for the view's current document; 0 for a view without one.
int64_t SelectionStart(const HexView *view);
int64_t SelectionSize(const HexView *view);

}  // namespace hx
