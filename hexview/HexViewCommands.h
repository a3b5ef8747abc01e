// The numbered view commands with the redraw made optional, so that a key
// that runs a command and then redraws once (after clamping and scrolling)
// does not draw twice.
#pragma once

#include <cstdint>
#include <functional>

namespace hx {

struct HexView;

// Why a copy or cut put nothing on the clipboard (and a cut deleted nothing),
// or a paste changed nothing.
enum class ClipboardRefusal {
    TooLarge,     // the selection is larger than MaxClipboardBytes
    Unreadable,   // part of the selection could not be read from its file
    NotHexText,   // a paste into the hexadecimal column of text that is not hexadecimal
};
// Told of every refused copy, cut or paste, from a key or a command, with the view's
// gadget; the view itself has no texts to show. One handler for all views;
// an empty function removes it. Returns the handler set before.
using ClipboardRefusedHandler = std::function<void(int gadget, ClipboardRefusal reason)>;
ClipboardRefusedHandler SetClipboardRefusedHandler(ClipboardRefusedHandler handler);

// Told when a key or command would have changed a read-only view's document
// (typing, Delete, Backspace, cut, paste, put data), with the view's gadget:
// nothing was changed, and the user should learn why. Returns the handler set before.
using EditRefusedHandler = std::function<void(int gadget)>;
EditRefusedHandler SetEditRefusedHandler(EditRefusedHandler handler);
void ReportEditRefused(const HexView &view);

// HexViewCommand on a view record. Returns 0, or -1 when a copy, cut or paste
// was refused (selection too large or unreadable, pasted text not
// hexadecimal; a refused cut deletes nothing, a refused paste changes nothing).
int64_t RunHexViewCommand(HexView &view, int command, const uint8_t *data, int64_t length, bool redraw);

}  // namespace hx
