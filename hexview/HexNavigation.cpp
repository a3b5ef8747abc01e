#include "HexNavigation.h"

#include <algorithm>
#include <iterator>

#include "document/Binary.h"
#include "document/Document.h"
#include "platform/Event.h"

namespace hx {

namespace {

int64_t DocumentSize(const Document &doc) { return doc.Store ? doc.Store->Length : 0; }

}  // namespace

KeyAction KeyActionFor(int key, int modifiers, bool readOnly) {
    const bool ctrl = modifiers == ModControl;
    const bool shift = modifiers == ModShift;
    switch (key) {
    case KeyA: return ctrl ? KeyAction::SelectAll : KeyAction::Unhandled;
    case KeyZ:
        if (ctrl) return KeyAction::Undo;
        // Ctrl+Shift+Z redoes, as in most desktop programs.
        return modifiers == (ModControl | ModShift) ? KeyAction::Redo : KeyAction::Unhandled;
    case KeyY: return ctrl ? KeyAction::Redo : KeyAction::Unhandled;
    case KeyC: return ctrl ? KeyAction::Copy : KeyAction::Unhandled;
    case KeyX: return ctrl && !readOnly ? KeyAction::Cut : KeyAction::Unhandled;
    case KeyV: return ctrl && !readOnly ? KeyAction::Paste : KeyAction::Unhandled;
    case KeyInsert:
        if (ctrl) return KeyAction::Copy;
        if (shift && !readOnly) return KeyAction::Paste;
        return KeyAction::ToggleMode;
    case KeyDelete:
        if (readOnly) return KeyAction::Nothing;
        return shift ? KeyAction::Cut : KeyAction::DeleteForward;
    case KeyBackspace: return readOnly ? KeyAction::Nothing : KeyAction::DeleteBackward;
    case KeyPageUp: return shift ? KeyAction::PageUpExtend : KeyAction::PageUp;
    case KeyPageDown: return shift ? KeyAction::PageDownExtend : KeyAction::PageDown;
    case KeyUp: return shift ? KeyAction::UpExtend : KeyAction::Up;
    case KeyDown: return shift ? KeyAction::DownExtend : KeyAction::Down;
    case KeyLeft: return shift ? KeyAction::LeftExtend : KeyAction::Left;
    case KeyRight: return shift ? KeyAction::RightExtend : KeyAction::Right;
    case KeyHome: return shift ? KeyAction::HomeExtend : KeyAction::Home;
    case KeyEnd: return shift ? KeyAction::EndExtend : KeyAction::End;
    case KeyTab: return modifiers == 0 || shift ? KeyAction::SwitchColumn : KeyAction::Unhandled;
    default: break;
    }
    return KeyAction::Unhandled;
}

bool CollapseDown(Document &doc) {
    if (doc.SelectionLength == 0) return false;
    if (doc.SelectionLength < 0) doc.Cursor += doc.SelectionLength;
    doc.SelectionLength = 0;
    return true;
}

bool CollapseUp(Document &doc) {
    if (doc.SelectionLength == 0) return false;
    if (doc.SelectionLength > 0) doc.Cursor += doc.SelectionLength;
    doc.SelectionLength = 0;
    return true;
}

void ApplyMove(Document &doc, KeyAction action, int32_t rows) {
    const int64_t page = int64_t{16} * rows;
    const int64_t size = DocumentSize(doc);
    switch (action) {
    case KeyAction::SelectAll:
        doc.Cursor = 0;
        doc.SelectionLength = size;
        break;
    case KeyAction::ToggleMode: doc.EditMode = 1 - doc.EditMode; break;
    case KeyAction::SwitchColumn: doc.FocusColumn = 1 - doc.FocusColumn; break;
    case KeyAction::PageUpExtend: doc.SelectionLength -= page; break;
    case KeyAction::PageUp:
        if (!CollapseDown(doc)) doc.Cursor -= page;
        break;
    case KeyAction::PageDownExtend: doc.SelectionLength += page; break;
    case KeyAction::PageDown:
        if (!CollapseUp(doc)) doc.Cursor += page;
        break;
    case KeyAction::UpExtend: doc.SelectionLength -= 16; break;
    case KeyAction::Up:
        if (!CollapseDown(doc)) doc.Cursor -= 16;
        break;
    case KeyAction::DownExtend: doc.SelectionLength += 16; break;
    case KeyAction::Down:
        if (!CollapseUp(doc)) doc.Cursor += 16;
        break;
    case KeyAction::LeftExtend: doc.SelectionLength -= 1; break;
    case KeyAction::Left:
        if (!CollapseDown(doc)) doc.Cursor -= 1;
        break;
    case KeyAction::RightExtend: doc.SelectionLength += 1; break;
    case KeyAction::Right:
        if (!CollapseUp(doc)) doc.Cursor += 1;
        break;
    case KeyAction::HomeExtend: doc.SelectionLength = -doc.Cursor; break;
    case KeyAction::Home:
        doc.Cursor = 0;
        doc.SelectionLength = 0;
        break;
    case KeyAction::EndExtend: doc.SelectionLength = size - doc.Cursor; break;
    case KeyAction::End:
        doc.Cursor = size;
        doc.SelectionLength = 0;
        break;
    default: break;
    }
}

void ClampCursorAndSelection(Document &doc) {
    const int64_t size = DocumentSize(doc);
    doc.Cursor = std::clamp<int64_t>(doc.Cursor, 0, size);
    if (doc.SelectionLength < -doc.Cursor) {
        doc.SelectionLength = -doc.Cursor;
    } else if (doc.SelectionLength > size - doc.Cursor) {
        doc.SelectionLength = size - doc.Cursor;
    }
}

void ScrollIntoActivePane(Document &doc, int64_t e) {
    Pane *pane = doc.ActivePane;
    if (!pane) return;
    const int64_t rowStart = e - e % 16;
    if (e < pane->Top) {
        pane->Top = rowStart;
    } else if (e >= pane->Top + int64_t{16} * pane->Rows) {
        pane->Top = rowStart - int64_t{16} * (pane->Rows - 1);
    }
}

void WheelScroll(Document &doc, int notches) {
    if (!doc.ActivePane) return;
    doc.ActivePane->Top -= int64_t{48} * notches;
}

namespace {
std::list<Pane>::iterator ActiveIterator(Document &doc) {
    for (auto it = doc.Panes.begin(); it != doc.Panes.end(); ++it) {
        if (&*it == doc.ActivePane) return it;
    }
    return doc.Panes.end();
}
}  // namespace

void SplitActivePane(Document &doc) {
    auto active = ActiveIterator(doc);
    if (active == doc.Panes.end()) return;
    active->Rows = active->Rows / 2 - 1;
    auto added = doc.Panes.emplace(std::next(active));
    added->Rows = active->Rows + 1;
    added->Top = active->Top + int64_t{16} * active->Rows;
    doc.ActivePane = &*added;
}

bool UnsplitActivePane(Document &doc) {
    if (doc.Panes.size() < 2) return false;
    auto active = ActiveIterator(doc);
    if (active == doc.Panes.end()) return false;
    auto next = active == doc.Panes.begin() ? std::next(active) : std::prev(active);
    doc.ActivePane = &*next;
    doc.Panes.erase(active);
    return true;
}

bool GoToOffset(Document &doc, int64_t offset) {
    if (offset < 0 || offset > DocumentSize(doc) || !doc.ActivePane) return false;
    doc.Cursor = offset;
    doc.SelectionLength = 0;
    int64_t top = offset - doc.ActivePane->ShownLength / 2;
    top -= top % 16;  // toward zero; a negative top is clamped by the next layout
    doc.ActivePane->Top = top;
    return true;
}

}  // namespace hx
