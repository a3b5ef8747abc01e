#include "app/toolwindows/FingerprintWindow.h"

#include <algorithm>
#include <climits>
#include <string>

#include <QByteArray>
#include <QString>

#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/Status.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {

namespace {

constexpr int Window = FingerprintWindowNumber;

// True from the start of a run to its end: only one run at a time.
bool g_running = false;

// A text of the window's section, and the same followed by ":" for a label.
std::string Text(const char *key) { return GetText(std::string("\\Result\\") + key); }
std::string LabelText(const char *key) { return Text(key) + ":"; }

void OpenFingerprintWindow() {
    OpenWindow(Window, 0, 0, FingerprintWindowWidth, FingerprintWindowHeight, GetText("\\Window\\Result"),
               WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
    if (!IsWindow(Window)) return;
    // The group's elements are placed relative to the group at (5, 5).
    constexpr int gx = 5, gy = 5;
    CreateGroup(FingerprintGroupBox, Window, gx, gy, 480, 120, Text("Fingerprint"));
    CreateLabel(FingerprintAlgorithmLabel, Window, gx + 10, gy + 20, 100, 20, LabelText("Algorithm"));
    CreateDropDown(FingerprintAlgorithmList, Window, gx + 10, gy + 40, 245, 20);
    for (const auto &record : FingerprintRegistry().records())
        AddDropDownItem(FingerprintAlgorithmList, GetText("\\Menu\\" + record->Name),
                        reinterpret_cast<intptr_t>(record.get()));
    SetControlState(FingerprintAlgorithmList, DropDownCount(FingerprintAlgorithmList) > 0 ? 0 : -1);
    CreateLabel(FingerprintPositionLabel, Window, gx + 265, gy + 20, 100, 20, LabelText("Position"));
    CreateInputField(FingerprintPositionField, Window, gx + 265, gy + 40, 100, 20, "0", ControlRightAligned);
    CreateLabel(FingerprintLengthLabel, Window, gx + 370, gy + 20, 100, 20, LabelText("Length"));
    CreateInputField(FingerprintLengthField, Window, gx + 370, gy + 40, 100, 20, "0", ControlRightAligned);
    CreateLabel(FingerprintResultLabel, Window, gx + 10, gy + 72, 65, 20, LabelText("Result"));
    CreateHexView(FingerprintResultField, Window, gx + 80, gy + 70, 390, 40,
                  HexViewNoCharacters | HexViewNoOffsets | HexViewReadOnly);
    // Its cursor feeds the values editor like any other hex field's.
    SetHexViewCallback(FingerprintResultField, RefreshStatus, 0);
    CreateProgressBar(FingerprintProgressBar, Window, 15, 140, 340, 15, 0, 1000);
    CreateButton(FingerprintCancelButton, Window, 370, 135, 110, 25, Text("Cancel"));
    ShowControl(FingerprintCancelButton, false);
    CreateButton(FingerprintUpdateButton, Window, 370, 135, 110, 25, Text("Update"));
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
    const int index = GetControlState(FingerprintAlgorithmList);
    const auto *record = reinterpret_cast<const AlgorithmRecord *>(DropDownData(FingerprintAlgorithmList, index));
    ComputeFingerprint(record, Shell().MainView, ReadNumber(GetControlText(FingerprintPositionField)),
                       ReadNumber(GetControlText(FingerprintLengthField)));
}

bool OnMenu(int id) {
    if (!InMenuGroup(FingerprintGroup, id)) return false;
    HexView *view = Shell().MainView;
    const auto *record = reinterpret_cast<const AlgorithmRecord *>(ItemValue(id));
    if (view) ComputeFingerprint(record, view, SelectionStart(view), SelectionSize(view));
    return true;
}

bool OnControl(const Event &event) {
    if (event.window != Window) return false;
    switch (event.control) {
    case FingerprintUpdateButton:
    case FingerprintPositionField:   // Enter in a range field: as Update
    case FingerprintLengthField:
        ComputeFromFields();
        return true;
    case FingerprintResultField:   // keys and the pop-up menu: the loop's hex view handling
        return false;
    default:
        return true;   // the drop-down, Cancel outside a run: nothing to do
    }
}

bool OnClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

void OnSelection(int64_t start, int64_t length) {
    if (!IsWindow(Window) || g_running) return;
    SetControlText(FingerprintPositionField, std::to_string(start));
    SetControlText(FingerprintLengthField, std::to_string(length));
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
        HexViewCommand(FingerprintResultField, HexClear, nullptr, 0);
        ToolRun run;
        run.window = Window;
        run.cancelButton = FingerprintCancelButton;
        run.progressBar = FingerprintProgressBar;
        FingerprintOutcome outcome = FingerprintOfRange(*record, store, position, length, run);
        result = outcome.result;
        if (result == ToolRunResult::Done) {
            HexViewCommand(FingerprintResultField, HexReplaceAll, outcome.digest.data(), outcome.digest.size());
            SetControlState(FingerprintProgressBar, 1000);
        }
        SetBusyLook(false);
    }
    g_running = false;
    // A digest of bytes that were not all read would be a wrong result: say so instead.
    if (result == ToolRunResult::ReadFailed || result == ToolRunResult::Stopped)
        ShowMessage(Window, GetText("\\Messages\\Title"), Text("ReadFailed"));
}

const ToolModule FingerprintTool{
    .open = OpenFingerprintWindow,
    .menu = OnMenu,
    .control = OnControl,
    .close = OnClose,
    .selection = OnSelection,
};

}  // namespace hx
