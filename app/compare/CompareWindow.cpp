#include "app/compare/CompareWindow.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/settings/Language.h"
#include "app/settings/Theme.h"
#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/shell/Status.h"
#include "document/Binary.h"
#include "document/BinaryEdits.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "hexview/Highlights.h"
#include "hexview/Selection.h"
#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/VirtualTable.h"
#include "tabbar/TabBar.h"
#include "tools/CompareSession.h"

namespace hx {

namespace {

constexpr int KeyF7 = 0x01000036;   // the canvas reports the toolkit's key codes

// Backgrounds of the marks: differing bytes, bytes without a counterpart,
// and the empty cells past a side's end where the other side goes on.
constexpr Colour DiffersFill = RGBA(255, 170, 160);
constexpr Colour OnlyHereFill = RGBA(255, 222, 140);
constexpr Colour MissingFill = RGBA(212, 212, 212);

// Two views side by side with offsets of ten digits (files up to 1 TB).
constexpr int InitialWidth = 1300, InitialHeight = 760;

struct CompareState {
    std::unique_ptr<CompareSession> session;
    Document *docs[2] = {nullptr, nullptr};
    int active = 0;          // the side whose view had the focus last
    bool going = false;      // a step is pending: go there once it is found
    bool lastForward = true; // its direction
    bool edited = false;     // a side changed: the views are drawn again at the next tick
    bool ticking = false;
    int highlight = 0;
    int editListener = 0, freeListener = 0;
    std::string note;        // what the last step found (or did not)
};

// Never destroyed: nothing may run into it after the program's statics are gone.
CompareState &State() {
    static auto *state = new CompareState;
    return *state;
}

int ViewOf(int side) { return side == 0 ? CompareLeftView : CompareRightView; }
int SideOfView(int gadget) { return gadget == CompareLeftView ? 0 : gadget == CompareRightView ? 1 : -1; }

int SideOfDocument(const Document *doc) {
    const CompareState &s = State();
    if (!doc || !s.session) return -1;
    return doc == s.docs[0] ? 0 : doc == s.docs[1] ? 1 : -1;
}

Document *MainDocument() {
    HexView *view = HexViewByGadget(MainViewGadget);
    return view ? view->CurrentDocument : nullptr;
}

std::string Hex(int64_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    uint64_t v = static_cast<uint64_t>(value);
    do {
        text.insert(text.begin(), digits[v & 15]);
        v >>= 4;
    } while (v);
    return text;
}

// ---- geometry ---------------------------------------------------------------

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
};

struct CompareLayout {
    Box names[2], views[2];
    Box previous, next, copy, shiftLabel, shiftField;
    Box progress, cancel, summary, list;
};

// The two views share the width above a strip of buttons, a line of progress
// and the list, which takes what height is left (at least a few rows).
CompareLayout ComputeCompareLayout(int width, int height) {
    constexpr int Margin = 6, NameHeight = 20, ButtonHeight = 26, LineHeight = 24, ListMinimum = 90;
    CompareLayout l;
    const int half = std::max((width - 3 * Margin) / 2, 0);
    const int bottom = Margin + ButtonHeight + Margin + LineHeight + Margin + std::max(ListMinimum, height / 5) + Margin;
    const int viewHeight = std::max(height - (Margin + NameHeight + 2) - bottom, 60);
    for (int side = 0; side < 2; ++side) {
        const int x = Margin + side * (half + Margin);
        l.names[side] = {x, Margin, half, NameHeight};
        l.views[side] = {x, Margin + NameHeight + 2, half, viewHeight};
    }
    int y = l.views[0].y + viewHeight + Margin;
    // Room for the longer German texts of the buttons and the label.
    l.previous = {Margin, y, 190, ButtonHeight};
    l.next = {Margin + 196, y, 190, ButtonHeight};
    l.copy = {Margin + 404, y, 240, ButtonHeight};
    l.shiftLabel = {Margin + 664, y, 190, ButtonHeight};
    l.shiftField = {Margin + 858, y, 120, ButtonHeight};
    y += ButtonHeight + Margin;
    l.progress = {Margin, y + 4, 240, LineHeight - 8};
    l.cancel = {Margin + 246, y, 100, LineHeight};
    l.summary = {Margin + 356, y, std::max(width - Margin - 356 - Margin, 0), LineHeight};
    y += LineHeight + Margin;
    l.list = {Margin, y, std::max(width - 2 * Margin, 0), std::max(height - y - Margin, 0)};
    return l;
}

void Place(int control, const Box &box) { ResizeControl(control, box.x, box.y, box.width, box.height); }

void LayOutWindow() {
    const CompareLayout l = ComputeCompareLayout(WindowWidth(CompareWindowNumber), WindowHeight(CompareWindowNumber));
    for (int side = 0; side < 2; ++side) {
        Place(side == 0 ? CompareLeftName : CompareRightName, l.names[side]);
        Place(ViewOf(side), l.views[side]);
    }
    Place(ComparePreviousButton, l.previous);
    Place(CompareNextButton, l.next);
    Place(CompareCopyButton, l.copy);
    Place(CompareShiftLabel, l.shiftLabel);
    Place(CompareShiftField, l.shiftField);
    Place(CompareProgressBar, l.progress);
    Place(CompareCancelButton, l.cancel);
    Place(CompareSummary, l.summary);
    Place(CompareList, l.list);
    RedrawHexView(CompareLeftView);
    RedrawHexView(CompareRightView);
}

void BuildWindow() {
    SetTextGroup("Compare");
    if (!OpenWindow(CompareWindowNumber, 0, 0, InitialWidth, InitialHeight, GetText("Title"),
                    WindowResizable | WindowHidden | WindowCentered, MainWindowNumber))
        return;
    const CompareLayout l = ComputeCompareLayout(InitialWidth, InitialHeight);
    for (int side = 0; side < 2; ++side) {
        const Box &n = l.names[side], &v = l.views[side];
        CreateLabel(side == 0 ? CompareLeftName : CompareRightName, CompareWindowNumber, n.x, n.y, n.width, n.height, "");
        CreateHexView(ViewOf(side), CompareWindowNumber, v.x, v.y, v.width, v.height, HexViewNoDocument);
    }
    CreateButton(ComparePreviousButton, CompareWindowNumber, l.previous.x, l.previous.y, l.previous.width,
                 l.previous.height, GetText("Previous"));
    CreateButton(CompareNextButton, CompareWindowNumber, l.next.x, l.next.y, l.next.width, l.next.height,
                 GetText("Next"));
    CreateButton(CompareCopyButton, CompareWindowNumber, l.copy.x, l.copy.y, l.copy.width, l.copy.height,
                 GetText("CopyToRight"));
    SetControlToolTip(CompareCopyButton, GetText("CopyTip"));
    CreateLabel(CompareShiftLabel, CompareWindowNumber, l.shiftLabel.x, l.shiftLabel.y, l.shiftLabel.width,
                l.shiftLabel.height, GetText("Shift"), ControlRightAligned);
    CreateInputField(CompareShiftField, CompareWindowNumber, l.shiftField.x, l.shiftField.y, l.shiftField.width,
                     l.shiftField.height, "0", ControlRightAligned);
    SetControlToolTip(CompareShiftField, GetText("ShiftTip"));
    CreateProgressBar(CompareProgressBar, CompareWindowNumber, l.progress.x, l.progress.y, l.progress.width,
                      l.progress.height, 0, 1000);
    CreateButton(CompareCancelButton, CompareWindowNumber, l.cancel.x, l.cancel.y, l.cancel.width, l.cancel.height,
                 GetText("Cancel"));
    CreateLabel(CompareSummary, CompareWindowNumber, l.summary.x, l.summary.y, l.summary.width, l.summary.height, "");
    CreateVirtualTable(CompareList, CompareWindowNumber, l.list.x, l.list.y, l.list.width, l.list.height,
                       {GetText("OffsetLeft"), GetText("LengthLeft"), GetText("OffsetRight"), GetText("LengthRight")});
    // The buttons leave the keyboard with the views, where F7 and the edits go.
    for (int button : {ComparePreviousButton, CompareNextButton, CompareCopyButton, CompareCancelButton})
        SetControlClickFocus(button, false);
}

// Stepping needs a comparison.
void EnableSteps(bool enable) {
    EnableCommand(CommandNextDifference, enable);
    EnableCommand(CommandPreviousDifference, enable);
}

// ---- what the window shows ---------------------------------------------------

std::string SideName(int side) {
    const Document *doc = State().docs[side];
    if (!doc || !doc->Store) return {};
    std::string name = DocumentTitle(doc) + (DocumentChanged(*doc) ? " *" : "");
    return name + "  (" + FormatSize(doc->Store->Length) + ")";
}

void ShowNames() {
    SetControlText(CompareLeftName, SideName(0));
    SetControlText(CompareRightName, SideName(1));
    SetWindowTitle(CompareWindowNumber, GetText("\\Compare\\Title") + " – " + DocumentTitle(State().docs[0]) + " / " +
                                            DocumentTitle(State().docs[1]));
}

std::string SummaryText(const CompareSession &session) {
    std::string text;
    if (session.complete() && session.count() == 0) {
        text = GetText("\\Compare\\Equal");
    } else {
        text = FillPlaceholder(GetText("\\Compare\\Summary"), "%COUNT", std::to_string(session.count()));
        text = FillPlaceholder(text, "%LEFT", std::to_string(session.bytes(0)));
        text = FillPlaceholder(text, "%RIGHT", std::to_string(session.bytes(1)));
    }
    const int64_t shared = session.geometry().Shared;
    if (session.readFailed()) {
        text += " " + GetText("\\Compare\\ReadFailed");
    } else if (!session.complete() && session.cancelled()) {
        std::string stopped = FillPlaceholder(GetText("\\Compare\\Stopped"), "%DONE", FormatSize(session.compared()));
        text += " " + FillPlaceholder(stopped, "%TOTAL", FormatSize(shared));
    } else if (!session.complete()) {
        const int64_t percent = shared > 0 ? session.compared() * 100 / shared : 0;
        text += " " + FillPlaceholder(GetText("\\Compare\\Computing"), "%PERCENT", std::to_string(percent));
    }
    if (session.capped())
        text += " " + FillPlaceholder(GetText("\\Compare\\Capped"), "%LISTED", std::to_string(session.ranges().size()));
    if (!State().note.empty()) text += "  " + State().note;
    return text;
}

void ShowProgress() {
    CompareState &s = State();
    if (!s.session) return;
    const CompareSession &session = *s.session;
    const int64_t shared = session.geometry().Shared;
    SetControlState(CompareProgressBar,
                    session.complete() || shared <= 0 ? 1000 : static_cast<int>(session.compared() * 1000 / shared));
    const bool open = !session.complete() && !session.readFailed();
    SetControlText(CompareCancelButton, GetText(session.cancelled() ? "\\Compare\\Continue" : "\\Compare\\Cancel"));
    DisableControl(CompareCancelButton, !open);
    SetControlText(CompareSummary, SummaryText(session));
    const CompareSession *shown = s.session.get();
    SetVirtualTableRows(CompareList, static_cast<int64_t>(session.ranges().size()),
                        [shown](int64_t row, int column) -> std::string {
                            CompareSession *now = State().session.get();
                            if (now != shown || row < 0 || row >= static_cast<int64_t>(now->ranges().size())) return {};
                            const CompareRange &r = now->ranges()[static_cast<size_t>(row)];
                            const int64_t values[] = {r.OffsetA, r.LengthA, r.OffsetB, r.LengthB};
                            return column >= 0 && column < 4 ? Hex(values[column]) : std::string();
                        });
}

void ShowActiveSide() {
    SetControlText(CompareCopyButton, GetText(State().active == 0 ? "\\Compare\\CopyToRight" : "\\Compare\\CopyToLeft"));
}

void RedrawMainIfShown() {
    if (SideOfDocument(MainDocument()) >= 0) RedrawHexView(MainViewGadget);
}

void RedrawAll() {
    RedrawHexView(CompareLeftView);
    RedrawHexView(CompareRightView);
    RedrawMainIfShown();
}

void KeepWorking() {
    CompareState &s = State();
    if (s.ticking || !IsWindow(CompareWindowNumber)) return;
    s.ticking = true;
    // A zero interval: a tick whenever the loop has nothing else to do.
    AddWindowTimer(CompareWindowNumber, CompareWorkTimer, 0);
}

void StopWorking() {
    CompareState &s = State();
    if (!s.ticking) return;
    s.ticking = false;
    RemoveWindowTimer(CompareWindowNumber, CompareWorkTimer);
}

// ---- scrolling together and going to a difference ----------------------------

// How far the other side's offsets lie from this side's.
int64_t ShiftFrom(int side) {
    const int64_t shift = State().session ? State().session->geometry().Shift : 0;
    return side == 0 ? shift : -shift;
}

int64_t RowStart(int64_t offset) {
    offset = std::max<int64_t>(offset, 0);
    return offset - offset % 16;
}

// The other side follows this side's scrolling, and its cursor and selection
// when followCursor (both where the shift puts them, cut to its length).
void Follow(int side, bool followCursor) {
    CompareState &s = State();
    Document *mine = s.docs[side], *theirs = s.docs[1 - side];
    if (!mine || !theirs || !mine->ActivePane || !theirs->ActivePane) return;
    const int64_t shift = ShiftFrom(side);
    theirs->ActivePane->Top = RowStart(mine->ActivePane->Top + shift);
    if (followCursor) {
        const int64_t length = theirs->Store ? theirs->Store->Length : 0;
        theirs->Cursor = std::clamp<int64_t>(mine->Cursor + shift, 0, length);
        const int64_t end = std::clamp<int64_t>(mine->Cursor + mine->SelectionLength + shift, 0, length);
        theirs->SelectionLength = end - theirs->Cursor;
        theirs->PendingNibble = -1;
    }
    RedrawHexView(ViewOf(1 - side));
}

// Selects one side's part of a range: in overwrite mode the selection
// includes both ends, so a range of n bytes is n - 1 beyond the cursor.
void SelectPart(Document &doc, int64_t offset, int64_t length) {
    doc.Cursor = offset;
    doc.SelectionLength = doc.EditMode == 1 && length > 0 ? length - 1 : length;
    doc.PendingNibble = -1;
}

void GoTo(const CompareRange &range) {
    CompareState &s = State();
    if (!s.docs[0] || !s.docs[1]) return;
    SelectPart(*s.docs[0], range.OffsetA, range.LengthA);
    SelectPart(*s.docs[1], range.OffsetB, range.LengthB);
    // The side in use gets the range near the middle of its pane; the other follows.
    const int side = s.active;
    Document &doc = *s.docs[side];
    if (Pane *pane = doc.ActivePane) pane->Top = RowStart(doc.Cursor - pane->ShownLength / 2);
    RedrawHexView(ViewOf(side));
    Follow(side, false);
    RedrawMainIfShown();
    const auto &ranges = s.session->ranges();
    auto at = std::lower_bound(ranges.begin(), ranges.end(), range.OffsetA,
                               [](const CompareRange &r, int64_t offset) { return r.OffsetA < offset; });
    SelectVirtualTableRow(CompareList, at != ranges.end() && *at == range ? at - ranges.begin() : -1);
}

void TakeStep(const CompareSession::Step &step, bool forward) {
    CompareState &s = State();
    s.going = step.Kind == CompareSession::Step::Pending;
    switch (step.Kind) {
    case CompareSession::Step::Found:
        s.note.clear();
        GoTo(step.Range);
        break;
    case CompareSession::Step::None:
        s.note = GetText(forward ? "\\Compare\\NoNext" : "\\Compare\\NoPrevious");
        break;
    case CompareSession::Step::Pending:
        s.note = GetText("\\Compare\\Searching");
        KeepWorking();
        break;
    case CompareSession::Step::Failed:
        s.note = GetText("\\Compare\\ReadFailed");
        break;
    }
    ShowProgress();
}

// The side a step starts from: the main view's document when the main window
// asks and shows one of the sides, else the side whose view was used last.
int StepSide(bool fromMain) {
    const int main = SideOfDocument(MainDocument());
    if (fromMain && main >= 0 && !IsWindowVisible(CompareWindowNumber)) return main;
    return State().active;
}

void StepTo(bool forward, int side) {
    CompareState &s = State();
    if (!s.session || !s.session->alive() || !s.docs[side]) return;
    if (!IsWindowVisible(CompareWindowNumber)) ShowWindow(CompareWindowNumber, true);
    s.active = side;
    ShowActiveSide();
    const int64_t cursor = SelectionStart(*s.docs[side]);
    s.lastForward = forward;
    TakeStep(forward ? s.session->next(side, cursor) : s.session->previous(side, cursor), forward);
}

// ---- the comparison's lifetime ------------------------------------------------

void Forget() {
    CompareState &s = State();
    StopWorking();
    if (s.highlight) RemoveHighlightSource(s.highlight);
    if (s.editListener) RemoveBinaryEditListener(s.editListener);
    if (s.freeListener) RemoveBinaryFreeListener(s.freeListener);
    s.highlight = s.editListener = s.freeListener = 0;
    for (int side = 0; side < 2; ++side)
        if (HexView *view = HexViewByGadget(ViewOf(side))) view->CurrentDocument = nullptr;
    SetVirtualTableRows(CompareList, 0, nullptr);
    s.session.reset();
    s.docs[0] = s.docs[1] = nullptr;
    s.going = false;
    s.note.clear();
    EnableSteps(false);
}

void AddMarks(const Document &doc, int64_t from, int64_t length, std::vector<HighlightRun> &out) {
    const int side = SideOfDocument(&doc);
    if (side < 0) return;
    static std::vector<CompareMark> marks;
    State().session->marks(side, from, length, marks);
    for (const CompareMark &m : marks) {
        const Colour fill = m.Kind == CompareMarkKind::Differs    ? DiffersFill
                            : m.Kind == CompareMarkKind::OnlyHere ? OnlyHereFill
                                                                  : MissingFill;
        out.push_back({m.Start, m.Length, fill});
    }
}

void Listen() {
    CompareState &s = State();
    s.editListener = AddBinaryEditListener([](const Binary *store, int64_t, int64_t, int64_t) {
        CompareState &s = State();
        for (Document *doc : s.docs)
            if (doc && doc->Store == store) {
                s.edited = true;
                KeepWorking();
            }
    });
    // A side is closed: the views let go of it at once (its document is being
    // freed), and the next tick ends the comparison.
    s.freeListener = AddBinaryFreeListener([](const Binary *store) {
        CompareState &s = State();
        for (int side = 0; side < 2; ++side) {
            if (!s.docs[side] || s.docs[side]->Store != store) continue;
            if (HexView *view = HexViewByGadget(ViewOf(side))) view->CurrentDocument = nullptr;
            s.docs[side] = nullptr;
            KeepWorking();
        }
    });
}

void TellUser(const std::string &key) {
    ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), GetText(key));
}

// ---- events -------------------------------------------------------------------

void ApplyShiftField() {
    const LenientNumber n = ReadLenientNumber(GetControlText(CompareShiftField), INT64_MAX, true);
    const int64_t value = n.sign < 0 ? -static_cast<int64_t>(std::min<uint64_t>(n.magnitude, INT64_MAX))
                                     : static_cast<int64_t>(std::min<uint64_t>(n.magnitude, INT64_MAX));
    SetCompareShift(value);
}

// Keys of the compare views before the view's own: F7 and Shift+F7 step,
// Alt+Left and Alt+Right shift the right side by a byte, Alt+Up and Alt+Down
// by a row, Ctrl+S saves the side.
bool ViewKey(int side, const Event &event) {
    const int key = event.input.key, modifiers = event.input.modifiers;
    if (key == KeyF7 && (modifiers == 0 || modifiers == ModShift)) {
        StepTo(modifiers == 0, side);
        return true;
    }
    if (modifiers == ModAlt && (key == KeyLeft || key == KeyRight || key == KeyUp || key == KeyDown)) {
        const int64_t by = key == KeyLeft ? -1 : key == KeyRight ? 1 : key == KeyUp ? -16 : 16;
        SetCompareShift(State().session->geometry().Shift + by);
        return true;
    }
    if (modifiers == ModControl && key == 'S') {
        SaveDocumentInteractive(State().docs[side], false);
        ShowNames();
        return true;
    }
    return false;
}

void ViewEvent(int side, const Event &event) {
    CompareState &s = State();
    Document *doc = s.docs[side];
    if (!doc || !s.session) return;
    if (event.type == CanvasFocus && s.active != side) {
        s.active = side;
        ShowActiveSide();
    }
    if (event.type == CanvasKeyDown && ViewKey(side, event)) return;
    const int64_t cursor = doc->Cursor, selection = doc->SelectionLength;
    HandleHexViewEvent(ViewOf(side), event);
    if (!s.docs[side]) return;
    Follow(side, doc->Cursor != cursor || doc->SelectionLength != selection);
    if (s.edited) {
        // Typed, cut, pasted or undone here: this view and the other one are
        // drawn already, the main view and the names follow now.
        s.edited = false;
        ShowNames();
        RedrawMainIfShown();
    }
}

bool Control(const Event &event) {
    const int side = SideOfView(event.control);
    if (side >= 0) {
        // The views of the window are the window's own: no pop-up menu of
        // the main window acts on them.
        ViewEvent(side, event);
        return true;
    }
    CompareState &s = State();
    switch (event.control) {
    case ComparePreviousButton:
    case CompareNextButton:
        StepTo(event.control == CompareNextButton, s.active);
        return true;
    case CompareCopyButton:
        CopyToOtherSide();
        return true;
    case CompareShiftField:
        ApplyShiftField();
        return true;
    case CompareCancelButton:
        if (!s.session) return true;
        if (s.session->cancelled()) {
            s.session->resume();
            KeepWorking();
        } else {
            s.session->cancel();
            s.going = false;
        }
        ShowProgress();
        return true;
    case CompareList:
        if (event.type == CanvasKeyDown) {
            if (event.input.key == KeyF7) StepTo(event.input.modifiers == 0, s.active);
            return true;
        }
        if (s.session && event.data >= 0 && event.data < static_cast<int64_t>(s.session->ranges().size())) {
            s.note.clear();
            GoTo(s.session->ranges()[static_cast<size_t>(event.data)]);
            ShowProgress();
        }
        return true;
    default:
        return false;
    }
}

bool Menu(int id) {
    switch (id) {
    case CommandCompare: CompareFromMenu(); return true;
    case CommandNextDifference: StepTo(true, StepSide(true)); return true;
    case CommandPreviousDifference: StepTo(false, StepSide(true)); return true;
    default: return false;
    }
}

bool Close(int window) {
    if (window != CompareWindowNumber) return false;
    EndComparison();
    return true;
}

bool Timer(const Event &event) {
    if (event.window != CompareWindowNumber) return false;
    if (event.data == CompareWorkTimer) CompareTick();
    return true;
}

bool Resized(int window) {
    if (window != CompareWindowNumber) return false;
    LayOutWindow();
    return true;
}

}  // namespace

// ---- the commands ------------------------------------------------------------------

CompareSession *CurrentComparison() { return State().session.get(); }

bool StartComparison(Document *a, Document *b) {
    if (!a || !b || !a->Store || !b->Store) return false;
    if (a == b) {
        TellUser("\\Compare\\SameDocument");
        return false;
    }
    if (!IsWindow(CompareWindowNumber)) BuildWindow();
    Forget();
    CompareState &s = State();
    s.docs[0] = a;
    s.docs[1] = b;
    s.active = 0;
    s.session = std::make_unique<CompareSession>(a->Store, b->Store, 0);
    s.highlight = AddHighlightSource(AddMarks);
    Listen();
    for (int side = 0; side < 2; ++side)
        if (HexView *view = HexViewByGadget(ViewOf(side))) view->CurrentDocument = s.docs[side];
    SetControlText(CompareShiftField, "0");
    EnableSteps(true);
    ShowNames();
    ShowActiveSide();
    ShowWindow(CompareWindowNumber, true);
    ActivateWindow(CompareWindowNumber);
    LayOutWindow();
    Follow(0, false);
    RedrawAll();
    FocusControl(CompareLeftView);
    ShowProgress();
    KeepWorking();
    return true;
}

void EndComparison() {
    Forget();
    if (IsWindow(CompareWindowNumber)) ShowWindow(CompareWindowNumber, false);
    // The marks go with the comparison.
    RedrawHexView(MainViewGadget);
}

void CompareTick() {
    CompareState &s = State();
    if (!s.session) {
        StopWorking();
        return;
    }
    if (!s.session->alive() || !s.docs[0] || !s.docs[1]) {
        EndComparison();
        return;
    }
    const bool busy = s.session->work(std::chrono::milliseconds(CompareTickMillis));
    if (s.going) {
        if (std::optional<CompareSession::Step> answer = s.session->answer()) TakeStep(*answer, s.lastForward);
    }
    if (s.edited) {
        s.edited = false;
        ShowNames();
        RedrawAll();
    }
    ShowProgress();
    if (!busy) StopWorking();
}

void CompareFromMenu() {
    Document *current = MainDocument();
    HexView *main = HexViewByGadget(MainViewGadget);
    if (!current || !main) return;
    std::vector<Document *> others;
    for (const auto &doc : main->Documents)
        if (doc.get() != current) others.push_back(doc.get());
    SetTextGroup("Compare");
    ChoiceRequest request;
    request.window = MainWindowNumber;
    request.title = GetText("Title");
    request.prompt = FillPlaceholder(GetText("ChooseOther"), "%FILE", DocumentTitle(current));
    for (Document *doc : others) request.entries.push_back(DocumentTitle(doc));
    request.entries.push_back(GetText("OpenFile"));
    request.okText = GetText("Compare");
    request.cancelText = GetText("Cancel");
    std::optional<int> choice = others.empty() ? std::optional<int>(0) : AskChoice(request);
    if (!choice || *choice < 0 || *choice > static_cast<int>(others.size())) return;
    if (*choice < static_cast<int>(others.size())) {
        StartComparison(current, others[static_cast<size_t>(*choice)]);
        return;
    }
    OpenFileRequest open;
    open.window = MainWindowNumber;
    open.title = GetText("\\OpenFileRequester\\Title");
    open.pattern = GetText("\\OpenFileRequester\\Pattern");
    const std::vector<std::string> paths = OpenFileDialog(open);
    if (paths.empty()) return;
    Document *other = OpenFileInEditor(MainViewGadget, paths.front());
    // The main view goes back to the document that asked.
    if (current->Tab) SetTabBarState(TabBarGadget, TabBarItemIndex(TabBarGadget, current->Tab));
    ShowDocument(main, current);
    StartComparison(current, other);
}

void GoToNextDifference() { StepTo(true, StepSide(true)); }
void GoToPreviousDifference() { StepTo(false, StepSide(true)); }

void CopyToOtherSide() {
    CompareState &s = State();
    const int side = s.active;
    Document *from = s.docs[side], *to = s.docs[1 - side];
    if (!s.session || !from || !to) return;
    const int64_t start = SelectionStart(*from), length = SelectionSize(*from);
    const int64_t target = SelectionStart(*to), replaced = SelectionSize(*to);
    if (length == 0 && replaced == 0) return;
    // The bytes come over in pieces of a few MiB, which the other document
    // takes as they are (no second copy of a large selection).
    std::vector<ByteBuffer> pieces;
    constexpr int64_t Piece = int64_t{4} << 20;
    for (int64_t done = 0; done < length; done += Piece) {
        ByteBuffer piece = ReadBinary(from->Store, start + done, std::min(Piece, length - done), SlotTransient);
        if (!piece.valid()) {
            TellUser("\\Messages\\NoMemory");
            return;
        }
        pieces.push_back(std::move(piece));
    }
    if (ReplaceBytesMoving(to, target, replaced, std::move(pieces)) != 0) {
        TellUser("\\Messages\\NoMemory");
        return;
    }
    // The copied bytes stay selected on the other side, where Ctrl+Z undoes them.
    SelectPart(*to, target, length);
    s.active = 1 - side;
    ShowActiveSide();
    FocusControl(ViewOf(1 - side));
    ShowNames();
    RedrawAll();
    ShowProgress();
}

void SetCompareShift(int64_t shift) {
    CompareState &s = State();
    if (!s.session || !s.session->alive()) return;
    const int64_t limit = std::max(s.docs[0]->Store->Length, s.docs[1]->Store->Length);
    shift = std::clamp(shift, -limit, limit);
    s.session->setShift(shift);
    s.going = false;
    s.note.clear();
    SetControlText(CompareShiftField, std::to_string(shift));
    Follow(s.active, false);
    RedrawAll();
    ShowProgress();
    KeepWorking();
}

void AddCompareMenuEntries() {
    const int menu = CurrentMenu();
    AddMenuItem(CommandCompare, GetText("\\Compare\\MenuCompare"), GetIcon("Compare"));
    AddMenuItem(CommandNextDifference, GetText("\\Compare\\MenuNext"), nullptr);
    AddMenuItem(CommandPreviousDifference, GetText("\\Compare\\MenuPrevious"), nullptr);
    // The hex view leaves the function keys alone, so they act from anywhere
    // in the main window; the compare window's views take them themselves.
    SetMenuItemShortcut(menu, CommandNextDifference, "F7", menu == MainMenu);
    SetMenuItemShortcut(menu, CommandPreviousDifference, "Shift+F7", menu == MainMenu);
}

const ToolModule CompareTool{
    .open = [] { EnableSteps(false); },
    .menu = Menu,
    .control = Control,
    .close = Close,
    .timer = Timer,
    .resized = Resized,
};

}  // namespace hx
