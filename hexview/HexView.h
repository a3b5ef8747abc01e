// The hex view: a self-drawn canvas control that shows one document as rows
// of 16 bytes (offset column, hexadecimal area, character area, one scroll
// bar per pane) and turns mouse, keyboard and clipboard input into cursor,
// selection, scrolling and undoable edits.
//
// Views are addressed by the number of their canvas control (the gadget).
// Nothing of the document is kept between redraws: every redraw lays the
// view out again and reads exactly the bytes each pane shows.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "document/ByteBuffer.h"
#include "hexview/HexLayout.h"
#include "hexview/Selection.h"

namespace hx {

struct Document;
struct Event;
struct HexView;

enum HexViewFlag : int {
    HexViewNoDocument = 1,    // starts without a document (draws its empty frame only)
    HexViewNoCharacters = 2,  // no character area
    HexViewNoOffsets = 4,     // no header row and no offset column
    HexViewReadOnly = 8,      // keys and commands that change the document are ignored
};

enum HexViewCommandCode : int {
    HexUndo = 1,
    HexRedo = 2,
    HexCopy = 3,
    HexCut = 4,
    HexPaste = 5,
    HexPutData = 6,       // write data at the selection (insert or overwrite by mode)
    HexReplaceAll = 7,    // replace the whole content, outside the history
    HexGetAll = 8,        // a copy of the whole content (HexViewDocumentBytes)
    HexSetSize = 9,       // cut or zero-extend to length bytes, outside the history
    HexSplit = 10,
    HexUnsplit = 11,
    HexClear = 12,        // remove every byte, outside the history
    HexGoTo = 13,         // go to the offset given as length
};

using HexViewCallback = void (*)(HexView *view, int value);

// Frees a document's byte store and history with the record.
struct DocumentDeleter {
    void operator()(Document *doc) const;
};
using DocumentPtr = std::unique_ptr<Document, DocumentDeleter>;

struct HexView {
    int32_t Gadget = -1;
    int32_t Flags = 0;
    // Bytes per row, metrics and the area and scroll bar rectangles of the last redraw.
    HexLayout Layout;
    int32_t MouseX = 0, MouseY = 0;   // of the event being handled
    int32_t DragReference = 0;
    int32_t ThumbDragging = 0;
    int32_t Selecting = 0;
    int32_t SeparatorDragging = 0;
    Document *CurrentDocument = nullptr;   // an element of Documents, or none
    std::list<DocumentPtr> Documents;
    int32_t TabBar = 0;                    // gadget of the tab bar showing the documents
    HexViewCallback Callback = nullptr;
    int32_t CallbackValue = 0;

    // The view is read-only (HexViewReadOnly), or its document's file can
    // only be read: edits are refused at once instead of failing at the save.
    bool readOnly() const;
};

// Creates the canvas (gadget -1 lets the platform choose the number, which
// the record then holds) and the view on window. Without HexViewNoDocument a
// new empty document is made current at once; with it the view is drawn
// empty. Returns the view, or nullptr when the canvas could not be made.
HexView *CreateHexView(int gadget, int window, int x, int y, int width, int height, int flags);
// Frees the view, its documents and its canvas.
void DestroyHexView(int gadget);
// The view of a canvas, or nullptr.
HexView *HexViewByGadget(int gadget);

// Lays the view out and draws it, then calls the change callback.
void RedrawHexView(HexView *view);
void RedrawHexView(int gadget);
void SetHexViewCallback(int gadget, HexViewCallback callback, int value);

// Handles a control event of the view's canvas. Returns 0.
int HandleHexViewEvent(int gadget, const Event &event);

// The numbered commands (HexViewCommandCode). A view without a document, an
// unknown gadget and an unknown command do nothing and return 0. Commands
// that change the document through the clipboard or by the user's data
// (cut, paste, put data) do nothing in a read-only view. HexGoTo takes the
// offset in length, HexSetSize the new size.
int64_t HexViewCommand(int gadget, int command, const uint8_t *data, int64_t length);
// Command 8: a new buffer with the whole document; none when it is empty.
ByteBuffer HexViewDocumentBytes(int gadget);

// Makes doc (one of the view's documents) current and redraws.
void ShowDocument(HexView *view, Document *doc);

// Adds a new document to the view and makes it current: name empty gives an
// empty document without file, else the named file (opened read-write,
// created when missing, else read-only, else an empty document). Redraws.
// nullptr for an unknown gadget.
Document *NewEditorFile(int gadget, const std::string &name);
// Closes doc (nullptr: the current document) and frees it. When it was the
// current one, the document before it becomes current (none when it was the
// first) and the view is redrawn. Returns 0.
int CloseEditorFile(int gadget, Document *doc);

// Chunk length and history limit of the documents NewEditorFile makes,
// until SetEditorCacheSizes sets others.
inline constexpr int64_t EditorChunkLength = 4000000;
inline constexpr int64_t EditorHistoryLimit = 67108864;
// The chunk length and history limit (bytes) of documents made from now on;
// documents already open keep theirs. Values below 1 are ignored.
void SetEditorCacheSizes(int64_t chunkLength, int64_t historyLimit);

}  // namespace hx
