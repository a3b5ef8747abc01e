// Edits of a document shown in a hex view, without any widget: typing in
// either column, deleting forward and backward, writing data at the
// selection, and the clipboard's text forms. Every change goes through the
// document's undoable recording operations, one history entry each.
//
// The read-only flag is the caller's business: these functions always edit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "document/ByteBuffer.h"

namespace hx {

struct Document;

// The MIME type under which a copy from the character column also puts the
// exact bytes when the text form would lose some (a zero byte ends the text).
inline constexpr const char *BinaryMimeType = "application/octet-stream";

// Selections larger than this are not copied (nor cut): the clipboard keeps
// whole copies in memory, several times the selection's size.
inline constexpr int64_t MaxClipboardBytes = int64_t{128} * 1024 * 1024;

// A typed character (code 32 and above). Character column: the byte replaces
// the selection (inserts in insert mode, overwrites in overwrite mode);
// codes above 255 have no byte and are ignored. Hexadecimal column: a space
// writes a zero byte; a first digit writes its value as a byte and leaves the
// cursor on it with PendingNibble set; the second digit completes the byte,
// and the two are one undo step; anything else is ignored. Returns true when the document was changed.
bool TypeCharacter(Document &doc, int ch);
// The Delete key: insert mode removes the selection or the byte after the
// cursor; overwrite mode zeroes the selection (or the byte under the cursor)
// and never changes the document's size.
void DeleteForward(Document &doc);
// The Backspace key: insert mode removes the selection or the byte before the
// cursor (a half-typed byte counts as typed); overwrite mode zeroes the
// selection (or the byte under the cursor) and steps back one byte.
void DeleteBackward(Document &doc);
// Writes data at the selection: insert mode replaces the selection (or
// inserts), overwrite mode overwrites length bytes from the selection start.
void PutData(Document &doc, const uint8_t *data, int64_t length);

// What a copy puts on the clipboard.
struct ClipboardContent {
    std::string Text;          // Latin-1
    std::string Binary;        // the exact bytes, when Text does not hold them all
    bool HasBinary = false;
};
// The selection in the text form of the focus column: upper-case hexadecimal
// pairs for column 0, the bytes as Latin-1 text up to the first zero byte for
// column 1 (then with the whole selection as binary too). false (content
// untouched) when the selection is larger than MaxClipboardBytes or could not
// be read.
bool CopySelection(Document &doc, ClipboardContent *content);
// Replaces the selection by pasted bytes. binary: exact bytes taken from the
// binary clipboard type; otherwise text is decoded by the focus column
// (hexadecimal as IsPastableHex reads it, or the Latin-1 bytes). Text that is
// not such hexadecimal changes nothing. Pasting nothing over no selection
// records nothing. Returns true when the document was changed.
bool PasteContent(Document &doc, std::string_view text, const std::string *binary);

// Whether text pasted into the hexadecimal column gives bytes (ReadPastedHex:
// pairs with separators and 0x or \x prefixes); the empty text does (none),
// separators alone do not. bytes (when given) receives them.
bool IsPastableHex(std::string_view text, std::string *bytes = nullptr);

}  // namespace hx
