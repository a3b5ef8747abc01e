// HandleHexViewEvent: the mouse pointer, clicks and drags (selection, thumb,
// separator), the wheel, focus changes, the key table and typed characters.
#include "HexEdit.h"
#include "HexNavigation.h"
#include "HexView.h"
#include "HexViewCommands.h"
#include "document/Document.h"
#include "platform/Canvas.h"
#include "platform/Event.h"

namespace hx {

namespace {

bool InThumb(const Pane &pane, int32_t x, int32_t y) {
    return HexRect{pane.ThumbX, pane.ThumbY, pane.ThumbWidth, pane.ThumbHeight}.contains(x, y);
}

void UpdatePointer(HexView &view) {
    const HexLayout &layout = view.Layout;
    Pointer pointer = Pointer::Arrow;
    bool grip = view.SeparatorDragging != 0;
    if (!grip && view.CurrentDocument) {
        for (const Pane &pane : view.CurrentDocument->Panes) {
            if (layout.inGripZone(pane, view.MouseY)) grip = true;
        }
    }
    if (grip) {
        pointer = Pointer::SizeVertical;
    } else if (layout.columnAt(view.MouseX, view.MouseY) >= 0) {
        pointer = Pointer::IBeam;
    }
    SetCanvasPointer(view.Gadget, pointer);
}

// Returns whether the view was redrawn.
bool LeftButtonDown(HexView &view, Document &doc) {
    const HexLayout &layout = view.Layout;
    const int32_t column = layout.columnAt(view.MouseX, view.MouseY);
    if (column >= 0) doc.FocusColumn = column;
    for (Pane &pane : doc.Panes) {
        if (layout.inPaneRows(pane, view.MouseY)) doc.ActivePane = &pane;
    }
    const int64_t offset = layout.hitOffset(doc, view.MouseX, view.MouseY, true);
    const bool placed = offset != -1;
    if (placed) {
        doc.Cursor = offset;
        doc.SelectionLength = 0;
        doc.PendingNibble = -1;
        view.Selecting = 1;
        RedrawHexView(&view);
    }
    for (Pane &pane : doc.Panes) {
        if (InThumb(pane, view.MouseX, view.MouseY)) {
            view.ThumbDragging = 1;
            view.DragReference = view.MouseY - pane.ThumbY;
            doc.ActivePane = &pane;
        }
        if (layout.inGripZone(pane, view.MouseY)) {
            view.SeparatorDragging = 1;
            view.DragReference = layout.separatorReference(pane);
            doc.ActivePane = &pane;
        }
    }
    return placed;
}

// Returns whether the view was redrawn.
bool MouseMove(HexView &view, Document &doc) {
    const HexLayout &layout = view.Layout;
    if (!doc.ActivePane) return false;
    if (view.SeparatorDragging) {
        doc.ActivePane->Rows = layout.separatorRows(view.MouseY, view.DragReference);
        RedrawHexView(&view);
        return true;
    }
    if (view.ThumbDragging) {
        int64_t top = 0;
        if (!layout.thumbDragTop(*doc.ActivePane, doc.TotalRows, view.MouseY, view.DragReference, &top)) return false;
        doc.ActivePane->Top = top;
        RedrawHexView(&view);
        return true;
    }
    if (view.Selecting) {
        const int64_t offset = layout.hitOffset(doc, view.MouseX, view.MouseY, false);
        if (offset == -1) return false;
        doc.SelectionLength = offset - doc.Cursor;
        RedrawHexView(&view);
        return true;
    }
    return false;
}

// Returns whether the key was handled (and the view redrawn).
bool HandleKeyDown(HexView &view, Document &doc, int key, int modifiers) {
    const KeyAction action = KeyActionFor(key, modifiers, view.readOnly());
    // Without a character area there is nothing to switch to.
    if (action == KeyAction::SwitchColumn && (view.Flags & HexViewNoCharacters)) return false;
    switch (action) {
    case KeyAction::Unhandled: return false;
    case KeyAction::Undo: RunHexViewCommand(view, HexUndo, nullptr, 0, false); break;
    case KeyAction::Redo: RunHexViewCommand(view, HexRedo, nullptr, 0, false); break;
    case KeyAction::Copy: RunHexViewCommand(view, HexCopy, nullptr, 0, false); break;
    case KeyAction::Cut: RunHexViewCommand(view, HexCut, nullptr, 0, false); break;
    case KeyAction::Paste: RunHexViewCommand(view, HexPaste, nullptr, 0, false); break;
    case KeyAction::DeleteForward: DeleteForward(doc); break;
    case KeyAction::DeleteBackward: DeleteBackward(doc); break;
    case KeyAction::Nothing: ReportEditRefused(view); break;
    default: ApplyMove(doc, action, doc.ActivePane ? doc.ActivePane->Rows : 0); break;
    }
    ClampCursorAndSelection(doc);
    ScrollIntoActivePane(doc, doc.Cursor + doc.SelectionLength);
    doc.PendingNibble = -1;  // any handled key abandons a half-typed byte
    RedrawHexView(&view);
    return true;
}

}  // namespace

int HandleHexViewEvent(int gadget, const Event &event) {
    HexView *view = HexViewByGadget(gadget);
    if (!view) return 0;
    view->MouseX = event.input.mouseX;
    view->MouseY = event.input.mouseY;
    UpdatePointer(*view);
    Document *doc = view->CurrentDocument;
    if (!doc) return 0;
    bool redrew = false;
    bool separatorMove = false;
    switch (event.type) {
    case CanvasFocus:
    case CanvasLostFocus:
        RedrawHexView(view);
        redrew = true;
        break;
    case CanvasLeftButtonDown:
        redrew = LeftButtonDown(*view, *doc);
        break;
    case CanvasMouseMove:
        separatorMove = view->SeparatorDragging != 0;
        redrew = MouseMove(*view, *doc);
        break;
    case CanvasLeftButtonUp:
        view->ThumbDragging = 0;
        view->Selecting = 0;
        view->SeparatorDragging = 0;
        RedrawHexView(view);
        redrew = true;
        break;
    case CanvasMouseWheel:
        WheelScroll(*doc, event.input.wheelDelta);
        RedrawHexView(view);
        redrew = true;
        break;
    case CanvasKeyDown:
        redrew = HandleKeyDown(*view, *doc, event.input.key, event.input.modifiers);
        break;
    case CanvasInput: {
        const int ch = event.input.character;
        if (ch < 32) break;
        if (view->readOnly()) {
            ReportEditRefused(*view);
            break;
        }
        TypeCharacter(*doc, ch);
        ScrollIntoActivePane(*doc, doc->Cursor);
        RedrawHexView(view);
        redrew = true;
        break;
    }
    default: break;
    }
    // The redraw already called the callback once; handled input calls it
    // again (a separator drag excepted).
    if (redrew && !separatorMove && view->Callback) view->Callback(view, view->CallbackValue);
    return 0;
}

}  // namespace hx
