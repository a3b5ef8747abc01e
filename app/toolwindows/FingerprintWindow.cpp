#include "app/toolwindows/FingerprintWindow.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

#include <QByteArray>
#include <QString>

#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/Status.h"
#include "app/toolwindows/SelectionRange.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "platform/Menu.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {

namespace {

constexpr int Window = FingerprintWindowNumber;

// True from the start of a run to its end: only one run at a time.
bool g_running = false;

// The digest on show and what it was computed from; valid is false when the
// result field is empty.
struct ShownDigest {
    bool valid = false;
    const AlgorithmRecord *record = nullptr;
    int64_t position = 0, length = 0;   // as written into the fields
    const Document *document = nullptr;
    int32_t historyIndex = 0;           // the document's bytes as they were
    std::string hex;                    // lower case
};
ShownDigest g_shown;

SelectionMirror g_mirror;

// A text of the window's section, and the same followed by ":" for a label.
std::string Text(const char *key) { return GetText(std::string("\\Result\\") + key); }
// The same for the texts that came later, with their English words for a
// language file that lacks them.
std::string Text(const char *key, const char *fallback) {
    return GetText(std::string("\\Result\\") + key, fallback);
}
std::string LabelText(const char *key) { return Text(key) + ":"; }

void OpenFingerprintWindow() {
    OpenWindow(Window, 0, 0, FingerprintWindowWidth, FingerprintWindowHeight, GetText("\\Window\\Result"),
               WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
    g_shown = ShownDigest();
    g_mirror.forget();
    if (!IsWindow(Window)) return;
    // The group's elements are placed relative to the group at (5, 5).
    constexpr int gx = 5, gy = 5;
    CreateGroup(FingerprintGroupBox, Window, gx, gy, 480, 120, Text("Fingerprint"));
    CreateLabel(FingerprintAlgorithmLabel, Window, gx + 10, gy + 20, 100, 20, LabelText("Algorithm"));
    CreateDropDown(FingerprintAlgorithmList, Window, gx + 10, gy + 40, 245, 20);
    for (const auto &record : FingerprintRegistry().records())
        AddDropDownItem(FingerprintAlgorithmList, ShownMenuText(GetText("\\Menu\\" + record->Name)),
                        reinterpret_cast<intptr_t>(record.get()));
    SetControlState(FingerprintAlgorithmList, DropDownCount(FingerprintAlgorithmList) > 0 ? 0 : -1);
    CreateLabel(FingerprintPositionLabel, Window, gx + 265, gy + 20, 100, 20, LabelText("Position"));
    CreateInputField(FingerprintPositionField, Window, gx + 265, gy + 40, 100, 20, "0",
                     ControlRightAligned | ControlNotifyEdits);
    CreateLabel(FingerprintLengthLabel, Window, gx + 370, gy + 20, 100, 20, LabelText("Length"));
    CreateInputField(FingerprintLengthField, Window, gx + 370, gy + 40, 100, 20, "0",
                     ControlRightAligned | ControlNotifyEdits);
    CreateLabel(FingerprintResultLabel, Window, gx + 10, gy + 72, 65, 20, LabelText("Result"));
    CreateHexView(FingerprintResultField, Window, gx + 80, gy + 70, 390, 40,
                  HexViewNoCharacters | HexViewNoOffsets | HexViewReadOnly);
    // Its cursor feeds the values editor like any other hex field's.
    SetHexViewCallback(FingerprintResultField, RefreshStatus, 0);
    CreateProgressBar(FingerprintProgressBar, Window, 15, 140, 340, 15, 0, 1000);
    CreateButton(FingerprintCancelButton, Window, 370, 135, 110, 25, Text("Cancel"));
    ShowControl(FingerprintCancelButton, false);
    CreateButton(FingerprintUpdateButton, Window, 370, 135, 110, 25, Text("Update"));
    // The row below: what the digest covers, and Copy (enabled with a digest).
    CreateLabel(FingerprintRangeLabel, Window, 15, 167, 340, 25, "");
    CreateButton(FingerprintCopyButton, Window, 370, 167, 110, 25, Text("Copy", "Copy"));
    DisableControl(FingerprintCopyButton, true);
}

const AlgorithmRecord *ChosenAlgorithm() {
    const int index = GetControlState(FingerprintAlgorithmList);
    return reinterpret_cast<const AlgorithmRecord *>(DropDownData(FingerprintAlgorithmList, index));
}

const Document *MainDocument() {
    HexView *view = Shell().MainView;
    return view ? view->CurrentDocument : nullptr;
}

int32_t HistoryIndexOf(const Document *doc) { return doc && doc->Hist ? HistoryIndex(doc->Hist) : 0; }

// The line that says what a digest covers: the walk's range, clamped to the
// document as the walk clamps it.
std::string CoverageText(const AlgorithmRecord &record, int64_t position, int64_t length, int64_t documentLength) {
    const std::string algorithm = ShownMenuText(GetText("\\Menu\\" + record.Name));
    const int64_t first = std::min(position, documentLength);
    const int64_t count = std::min(length, documentLength - first);
    if (count <= 0) return FillPlaceholder(Text("CoversNothing", "%ALGORITHM of no bytes: the range is empty"), "%ALGORITHM", algorithm);
    if (first == 0 && count == documentLength)
        return FillPlaceholder(FillPlaceholder(Text("CoversWhole", "%ALGORITHM of the whole document (length %COUNT)"), "%ALGORITHM", algorithm), "%COUNT",
                               std::to_string(count));
    std::string text = FillPlaceholder(Text("Covers", "%ALGORITHM of offsets %FIRST to %LAST (length %COUNT)"), "%ALGORITHM", algorithm);
    text = FillPlaceholder(text, "%FIRST", std::to_string(first));
    text = FillPlaceholder(text, "%LAST", std::to_string(first + count - 1));
    return FillPlaceholder(text, "%COUNT", std::to_string(count));
}

void ForgetDigest() {
    g_shown = ShownDigest();
    HexViewCommand(FingerprintResultField, HexClear, nullptr, 0);
    SetControlText(FingerprintRangeLabel, "");
    DisableControl(FingerprintCopyButton, true);
}

// The digest goes as soon as the window no longer describes it: another
// algorithm or range in the controls, another document, or changed bytes.
void ForgetDigestIfStale() {
    if (!g_shown.valid || g_running) return;
    const Document *doc = MainDocument();
    const bool same = ChosenAlgorithm() == g_shown.record &&
                      ReadNumber(GetControlText(FingerprintPositionField)) == g_shown.position &&
                      ReadNumber(GetControlText(FingerprintLengthField)) == g_shown.length &&
                      doc == g_shown.document && HistoryIndexOf(doc) == g_shown.historyIndex;
    if (!same) ForgetDigest();
}

void ShowDigest(const AlgorithmRecord &record, const ByteBuffer &digest, int64_t position, int64_t length,
                const Document *doc) {
    HexViewCommand(FingerprintResultField, HexReplaceAll, digest.data(), digest.size());
    g_shown.valid = true;
    g_shown.record = &record;
    g_shown.position = position;
    g_shown.length = length;
    g_shown.document = doc;
    g_shown.historyIndex = HistoryIndexOf(doc);
    g_shown.hex = BytesToHex(digest.data(), digest.size());
    for (char &c : g_shown.hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const int64_t documentLength = doc && doc->Store ? doc->Store->Length : 0;
    SetControlText(FingerprintRangeLabel, CoverageText(record, position, length, documentLength));
    DisableControl(FingerprintCopyButton, false);
}


void SetBusyLook(bool busy) {
    for (int control : {FingerprintAlgorithmList, FingerprintPositionField, FingerprintLengthField,
                        FingerprintResultField})
        DisableControl(control, busy);
    ShowControl(FingerprintUpdateButton, !busy);
    ShowControl(FingerprintCancelButton, busy);
}

void SelectAlgorithm(const AlgorithmRecord *record) {
    const int count = DropDownCount(FingerprintAlgorithmList);
    for (int i = 0; i < count; ++i) {
        if (DropDownData(FingerprintAlgorithmList, i) == reinterpret_cast<intptr_t>(record)) {
            SetControlState(FingerprintAlgorithmList, i);
            return;
        }
    }
}

// The range as the walk will clamp its start: a start before 0 loses that
// part, a negative length is 0. Written back into the fields this way, the
// numbers read again give the same range (a negative number written as an
// unsigned decimal would read back as a huge one, a different range).
void ClampNegatives(int64_t &position, int64_t &length) {
    length = std::max<int64_t>(length, 0);
    if (position >= 0) return;
    length = std::max<int64_t>(length + position, 0);
    position = 0;
}

void ComputeFromFields() {
    ComputeFingerprint(ChosenAlgorithm(), Shell().MainView, ReadNumber(GetControlText(FingerprintPositionField)),
                       ReadNumber(GetControlText(FingerprintLengthField)));
}

bool OnMenu(int id) {
    if (!InMenuGroup(FingerprintGroup, id)) return false;
    HexView *view = Shell().MainView;
    const auto *record = reinterpret_cast<const AlgorithmRecord *>(ItemValue(id));
    if (!view) return true;
    int64_t start = SelectionStart(view), length = SelectionSize(view);
    SelectionOrWholeDocument(view->CurrentDocument, start, length);
    ComputeFingerprint(record, view, start, length);
    return true;
}

bool OnControl(const Event &event) {
    if (event.window != Window) return false;
    switch (event.control) {
    case FingerprintPositionField:
    case FingerprintLengthField:
        if (event.type == ControlEdited) {
            ForgetDigestIfStale();
            return true;
        }
        ComputeFromFields();   // Enter in a range field: as Update
        return true;
    case FingerprintUpdateButton:
        ComputeFromFields();
        return true;
    case FingerprintAlgorithmList:
        ForgetDigestIfStale();
        return true;
    case FingerprintCopyButton:
        if (g_shown.valid) SetClipboardText(g_shown.hex);
        return true;
    case FingerprintResultField:   // keys and the pop-up menu: the loop's hex view handling
        return false;
    default:
        return true;   // Cancel outside a run: nothing to do
    }
}

bool OnClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

// Called at every redraw of the main view. The fields follow the selection
// when it changes (or the document does), so that a range typed into them
// stays until the user selects something else.
void OnSelection(int64_t start, int64_t length) {
    if (!IsWindow(Window) || g_running) return;
    const Document *doc = MainDocument();
    SelectionOrWholeDocument(doc, start, length);
    if (g_mirror.changed(start, length, doc)) {
        SetControlText(FingerprintPositionField, std::to_string(start));
        SetControlText(FingerprintLengthField, std::to_string(length));
    }
    ForgetDigestIfStale();
}

}  // namespace

FingerprintOutcome FingerprintOfRange(const AlgorithmRecord &record, Binary *store, int64_t position,
                                      int64_t length, ToolRun run) {
    FingerprintOutcome outcome;
    if (!record.StartFingerprint || !record.ProcessFingerprint || !record.FinishFingerprint) {
        outcome.result = ToolRunResult::Stopped;
        return outcome;
    }
    if (record.StartFingerprint(0) != 1) {
        outcome.result = ToolRunResult::Stopped;
        return outcome;
    }
    // Slices are at most ToolSliceLength long; the loop keeps Process's
    // 32-bit length safe whatever that limit becomes.
    run.slice = [&record](const uint8_t *bytes, int64_t n) {
        while (n > 0) {
            const auto piece = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
            if (record.ProcessFingerprint(bytes, piece, 0) != 1) return false;
            bytes += piece;
            n -= piece;
        }
        return true;
    };
    outcome.result = RunOverRange(store, position, length, run);
    if (outcome.result != ToolRunResult::Done) return outcome;
    outcome.digest = record.FinishFingerprint(0);
    if (!outcome.digest) outcome.result = ToolRunResult::Stopped;
    return outcome;
}

void ComputeFingerprint(const AlgorithmRecord *record, HexView *view, int64_t position, int64_t length) {
    if (g_running || !record || !IsWindow(Window)) return;
    g_running = true;
    SelectAlgorithm(record);
    ClampNegatives(position, length);
    SetControlText(FingerprintPositionField, std::to_string(position));
    SetControlText(FingerprintLengthField, std::to_string(length));
    Binary *store = view && view->CurrentDocument ? view->CurrentDocument->Store : nullptr;

    ToolRunResult result = ToolRunResult::Done;
    {
        SetBusyLook(true);
        ShowWindow(Window, true);
        ToolBusy busy(Window);
        SetControlState(FingerprintProgressBar, 0);
        ForgetDigest();
        ToolRun run;
        run.window = Window;
        run.cancelButton = FingerprintCancelButton;
        run.progressBar = FingerprintProgressBar;
        FingerprintOutcome outcome = FingerprintOfRange(*record, store, position, length, run);
        result = outcome.result;
        if (result == ToolRunResult::Done) {
            ShowDigest(*record, outcome.digest, position, length, view ? view->CurrentDocument : nullptr);
            SetControlState(FingerprintProgressBar, 1000);
        }
        SetBusyLook(false);
    }
    g_running = false;
    // A digest of bytes that were not all read would be a wrong result: say so instead.
    if (result == ToolRunResult::ReadFailed || result == ToolRunResult::Stopped)
        ShowMessage(Window, GetText("\\Messages\\Title"), Text("ReadFailed"));
}

std::string ShownFingerprintHex() { return g_shown.valid ? g_shown.hex : std::string(); }

const ToolModule FingerprintTool{
    .open = OpenFingerprintWindow,
    .menu = OnMenu,
    .control = OnControl,
    .close = OnClose,
    .selection = OnSelection,
};

}  // namespace hx
