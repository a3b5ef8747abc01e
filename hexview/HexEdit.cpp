#include "HexEdit.h"

#include <algorithm>
#include <cstring>

#include "Selection.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/EditProgress.h"
#include "document/HexText.h"
#include "document/History.h"

namespace hx {

namespace {

// Filling a range with this pattern writes zero bytes.
constexpr uint8_t ZeroPattern[4] = {0, 0, 0, 0};

int64_t DocumentSize(const Document &doc) { return doc.Store ? doc.Store->Length : 0; }

bool Replace(Document &doc, int64_t position, int64_t oldLength, const uint8_t *data, int64_t length) {
    static const uint8_t nothing = 0;
    return TellEditResult(ReplaceBytes(&doc, position, oldLength, data ? data : &nothing, length)) == 0;
}

}  // namespace

bool TypeCharacter(Document &doc, int ch) {
    if (ch < 32 || ch > 255) return false;
    const uint8_t byte = static_cast<uint8_t>(ch);
    if (doc.FocusColumn == 1) return Replace(doc, SelectionStart(doc), SelectionSize(doc), &byte, 1);
    if (ch == ' ') {
        const uint8_t zero = 0;
        return Replace(doc, SelectionStart(doc), SelectionSize(doc), &zero, 1);
    }
    const int value = HexDigitValue(static_cast<char>(ch));
    if (value < 0) return false;
    if (doc.PendingNibble < 0) {
        // The first digit already changes the document: the byte holds its value
        // until the second digit completes it.
        const uint8_t first = static_cast<uint8_t>(value);
        if (!Replace(doc, SelectionStart(doc), SelectionSize(doc), &first, 1)) return false;
        doc.Cursor -= 1;
        doc.PendingNibble = value;
        doc.PendingEntry = CurrentEntryData(doc.Hist);
        return true;
    }
    const uint8_t full = static_cast<uint8_t>(doc.PendingNibble * 16 + value);
    if (!Replace(doc, SelectionStart(doc), 1, &full, 1)) return false;
    // Both digits are one undo step: Ctrl+Z after "41" gives back what was
    // there before the 4, not the 04 in between. When something else was
    // recorded between the digits, they stay two steps.
    JoinNewestEntries(doc.Hist, doc.PendingEntry);
    doc.PendingNibble = -1;
    doc.PendingEntry = nullptr;
    return true;
}

void DeleteForward(Document &doc) {
    const int64_t size = DocumentSize(doc);
    const int64_t start = SelectionStart(doc);
    if (doc.EditMode == 0) {
        if (doc.SelectionLength != 0) {
            TellEditResult(DeleteBytes(&doc, start, SelectionSize(doc)));
        } else if (doc.Cursor < size) {
            TellEditResult(DeleteBytes(&doc, start, 1));
        }
        return;
    }
    const int64_t count = SelectionSize(doc);
    if (doc.PendingNibble != -1) {
        // The half-typed byte becomes 0 and the cursor stays on it.
        TellEditResult(FillBytes(&doc, start, count, ZeroPattern, 4, count, start));
    } else if (start < size) {
        TellEditResult(FillBytes(&doc, start, count, ZeroPattern, 4, count, -1));
    }
}

void DeleteBackward(Document &doc) {
    const int64_t size = DocumentSize(doc);
    if (doc.EditMode == 0) {
        if (doc.PendingNibble != -1) doc.Cursor += 1;  // past the half-typed byte
        const int64_t start = SelectionStart(doc);
        if (doc.SelectionLength != 0) {
            TellEditResult(DeleteBytes(&doc, start, SelectionSize(doc)));
        } else if (doc.Cursor > 0) {
            TellEditResult(DeleteBytes(&doc, start - 1, 1));
        }
        return;
    }
    const int64_t start = SelectionStart(doc);
    if (start < size) {
        const int64_t count = SelectionSize(doc);
        int64_t after = start > 0 || doc.PendingNibble != -1 ? start - 1 : start;
        // -1 would ask FillBytes for "after the filled bytes"; the cursor stops at 0.
        after = std::max<int64_t>(after, 0);
        TellEditResult(FillBytes(&doc, start, count, ZeroPattern, 4, count, after));
    } else if (doc.Cursor > 0) {
        doc.Cursor -= 1;
    }
}

void PutData(Document &doc, const uint8_t *data, int64_t length) {
    if (length < 0 || (length > 0 && !data)) return;
    const int64_t start = SelectionStart(doc);
    if (doc.EditMode == 0) {
        if (doc.SelectionLength != 0) {
            Replace(doc, start, SelectionSize(doc), data, length);
        } else if (length > 0) {
            TellEditResult(InsertBytes(&doc, start, data, length));
        }
        return;
    }
    if (length > 0) Replace(doc, start, length, data, length);
}

bool CopySelection(Document &doc, ClipboardContent *content) {
    const int64_t size = SelectionSize(doc);
    if (size > MaxClipboardBytes) return false;
    ClipboardContent result;
    if (size > 0) {
        ByteBuffer bytes = ReadBinary(doc.Store, SelectionStart(doc), size, SlotTransient);
        if (!bytes) return false;
        const char *chars = reinterpret_cast<const char *>(bytes.data());
        if (doc.FocusColumn == 0) {
            result.Text = BytesToHex(bytes.data(), bytes.size());
        } else {
            const void *zero = std::memchr(chars, 0, static_cast<size_t>(bytes.size()));
            if (zero) {
                // The text ends at the zero byte; the exact bytes go alongside it.
                result.Text.assign(chars, static_cast<const char *>(zero) - chars);
                result.Binary.assign(chars, static_cast<size_t>(bytes.size()));
                result.HasBinary = true;
            } else {
                result.Text.assign(chars, static_cast<size_t>(bytes.size()));
            }
        }
    }
    *content = std::move(result);
    return true;
}

bool IsPastableHex(std::string_view text, std::string *bytes) {
    std::string decoded;
    if (!ReadPastedHex(text, decoded)) return false;
    // Separators alone are no bytes to paste, and are not taken for an empty paste.
    if (decoded.empty() && !text.empty()) return false;
    if (bytes) *bytes = std::move(decoded);
    return true;
}

bool PasteContent(Document &doc, std::string_view text, const std::string *binary) {
    const int64_t start = SelectionStart(doc);
    const int64_t selected = SelectionSize(doc);
    if (binary) {
        if (binary->empty() && selected == 0) return false;
        return Replace(doc, start, selected, reinterpret_cast<const uint8_t *>(binary->data()),
                       static_cast<int64_t>(binary->size()));
    }
    if (doc.FocusColumn == 1) {
        if (text.empty()) return false;
        return Replace(doc, start, selected, reinterpret_cast<const uint8_t *>(text.data()),
                       static_cast<int64_t>(text.size()));
    }
    if (text.empty()) {
        // Nothing to paste: the selection is replaced by nothing.
        if (selected == 0) return false;
        return Replace(doc, start, selected, nullptr, 0);
    }
    std::string bytes;
    if (!IsPastableHex(text, &bytes) || bytes.empty()) return false;
    return Replace(doc, start, selected, reinterpret_cast<const uint8_t *>(bytes.data()),
                   static_cast<int64_t>(bytes.size()));
}

}  // namespace hx
