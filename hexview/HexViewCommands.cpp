#include "HexViewCommands.h"

#include <algorithm>
#include <optional>

#include "HexEdit.h"
#include "HexNavigation.h"
#include "HexView.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/EditProgress.h"
#include "document/History.h"
#include "platform/Canvas.h"
#include "platform/Platform.h"

namespace hx {

namespace {

int64_t DocumentSize(const Document &doc) { return doc.Store ? doc.Store->Length : 0; }

ClipboardRefusedHandler &RefusedHandler() {
    static ClipboardRefusedHandler handler;
    return handler;
}

EditRefusedHandler &EditRefused() {
    static EditRefusedHandler handler;
    return handler;
}

// Puts the selection on the clipboard in the focus column's text form. A
// refusal is reported to the handler, so that it is never silent.
bool CopyToClipboard(const HexView &view, Document &doc) {
    ClipboardContent content;
    if (!CopySelection(doc, &content)) {
        const ClipboardRefusal reason =
            SelectionSize(doc) > MaxClipboardBytes ? ClipboardRefusal::TooLarge : ClipboardRefusal::Unreadable;
        if (RefusedHandler()) RefusedHandler()(view.Gadget, reason);
        return false;
    }
    if (content.HasBinary) {
        SetClipboardTextAndData(content.Text, BinaryMimeType, content.Binary);
    } else {
        SetClipboardText(content.Text);
    }
    return true;
}

// Returns false when the text was refused (and the handler told).
bool PasteFromClipboard(const HexView &view, Document &doc) {
    // Exact bytes put there by a copy that text could not carry win over the text.
    const std::optional<std::string> binary = ClipboardData(BinaryMimeType);
    if (binary && !binary->empty()) {
        PasteContent(doc, std::string_view(), &*binary);
        return true;
    }
    const std::string text = ClipboardText();
    if (doc.FocusColumn == 0 && !IsPastableHex(text)) {
        // Guessing at text that is not hexadecimal would insert bytes nobody typed.
        if (RefusedHandler()) RefusedHandler()(view.Gadget, ClipboardRefusal::NotHexText);
        return false;
    }
    PasteContent(doc, text, nullptr);
    return true;
}

// Sets the size outside the history: cuts the end off, or appends zero bytes
// in pieces of at most 1 MiB (no single allocation of the whole growth).
void SetDocumentSize(Document &doc, int64_t length) {
    const int64_t size = DocumentSize(doc);
    if (length < size) {
        RemoveBinary(doc.Store, length, size - length);
        return;
    }
    const int64_t piece = std::max<int64_t>(1, std::min<int64_t>(doc.Store->ChunkLength, 1 << 20));
    const ByteBuffer zeros = ByteBuffer::zeroed(std::min(piece, length - size));
    if (!zeros && length > size) return;
    int64_t at = size;
    while (at < length) {
        const int64_t n = std::min(zeros.size(), length - at);
        if (InsertBinary(doc.Store, at, zeros.data(), n) != BinaryOk) {
            // Out of memory: the size stays as it was.
            RemoveBinary(doc.Store, size, at - size);
            return;
        }
        at += n;
    }
}

}  // namespace

ClipboardRefusedHandler SetClipboardRefusedHandler(ClipboardRefusedHandler handler) {
    ClipboardRefusedHandler previous = std::move(RefusedHandler());
    RefusedHandler() = std::move(handler);
    return previous;
}

EditRefusedHandler SetEditRefusedHandler(EditRefusedHandler handler) {
    EditRefusedHandler previous = std::move(EditRefused());
    EditRefused() = std::move(handler);
    return previous;
}

void ReportEditRefused(const HexView &view) {
    if (EditRefused()) EditRefused()(view.Gadget);
}

int64_t RunHexViewCommand(HexView &view, int command, const uint8_t *data, int64_t length, bool redraw) {
    Document *doc = view.CurrentDocument;
    if (!doc) return 0;
    int64_t result = 0;
    bool changed = true;  // whether the document may have changed under a half-typed byte
    switch (command) {
    case HexUndo:
    case HexRedo:
        if (command == HexUndo)
            Undo(doc->Hist);
        else
            Redo(doc->Hist);
        // The restored cursor (and the bytes around it) may lie outside the
        // active pane: show it, as after any key.
        ClampCursorAndSelection(*doc);
        ScrollIntoActivePane(*doc, doc->Cursor + doc->SelectionLength);
        break;
    case HexCopy:
        // Nothing selected copies nothing: the clipboard keeps what it holds.
        if (SelectionSize(*doc) != 0 && !CopyToClipboard(view, *doc)) result = -1;
        changed = false;
        redraw = false;
        break;
    case HexCut:
        if (SelectionSize(*doc) == 0) return 0;
        if (view.readOnly()) {
            ReportEditRefused(view);
            return 0;
        }
        if (!CopyToClipboard(view, *doc)) {
            // What could not be copied is not deleted either.
            result = -1;
            changed = false;
            break;
        }
        TellEditResult(DeleteBytes(doc, SelectionStart(*doc), SelectionSize(*doc)));
        break;
    case HexPaste:
        if (view.readOnly()) {
            ReportEditRefused(view);
            return 0;
        }
        if (!PasteFromClipboard(view, *doc)) {
            result = -1;
            changed = false;
        }
        break;
    case HexPutData:
        if (view.readOnly()) {
            ReportEditRefused(view);
            return 0;
        }
        PutData(*doc, data, length);
        break;
    case HexReplaceAll:
        if (length < 0 || (length > 0 && !data)) return 0;
        ReplaceBinary(doc->Store, 0, DocumentSize(*doc), data, length);
        doc->Cursor = 0;
        doc->SelectionLength = 0;
        break;
    case HexSetSize:
        if (length < 0) return 0;
        SetDocumentSize(*doc, length);
        ClampCursorAndSelection(*doc);
        break;
    case HexSplit:
        // A split that would push a pane (the new, active one first) off the
        // canvas is refused: keys and the wheel would act on a pane nobody sees.
        if (!view.Layout.splitFits(*doc, CanvasHeight(view.Gadget))) return 0;
        SplitActivePane(*doc);
        changed = false;
        break;
    case HexUnsplit:
        UnsplitActivePane(*doc);
        changed = false;
        break;
    case HexClear:
        RemoveBinary(doc->Store, 0, DocumentSize(*doc));
        ClampCursorAndSelection(*doc);
        break;
    case HexGoTo: changed = GoToOffset(*doc, length); break;
    default: return 0;
    }
    // A half-typed byte belongs to the cursor it was typed at; once the
    // bytes or the cursor changed under it, it is abandoned.
    if (changed) doc->PendingNibble = -1;
    if (redraw) RedrawHexView(&view);
    return result;
}

int64_t HexViewCommand(int gadget, int command, const uint8_t *data, int64_t length) {
    HexView *view = HexViewByGadget(gadget);
    if (!view || command == HexGetAll) return 0;
    return RunHexViewCommand(*view, command, data, length, true);
}

ByteBuffer HexViewDocumentBytes(int gadget) {
    HexView *view = HexViewByGadget(gadget);
    if (!view || !view->CurrentDocument) return {};
    Document &doc = *view->CurrentDocument;
    return ReadBinary(doc.Store, 0, DocumentSize(doc), SlotTransient);
}

}  // namespace hx
