// Text dropped on a hex view: the dropped bytes go in at the drop point as
// one undoable step, as the character column's paste would put them there.
#pragma once

#include <string>

namespace hx {

enum class HexDropResult {
    Inserted,   // the bytes are in the document, one history entry
    Refused,    // read-only view, no document, no text, or a point outside both byte areas
    NoMemory,   // the copy for the history could not be made: nothing changed
};

// Inserts latin1 (the dropped text's bytes, byte n being code point n) at the
// position under canvas point (x, y): the pane under the point becomes the
// active pane and the position is found as a click there would find it (the
// nearest gap between bytes in insert mode, the byte under the point in
// overwrite mode). The text is always inserted, never written over bytes.
// Afterwards the cursor stands after the inserted bytes, scrolled into view.
HexDropResult DropTextOnHexView(int gadget, int x, int y, const std::string &latin1);

}  // namespace hx
