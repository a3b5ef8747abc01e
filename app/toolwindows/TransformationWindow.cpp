#include "app/toolwindows/TransformationWindow.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/Status.h"
#include "app/toolwindows/ToolRun.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/ChunkWriter.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "document/History.h"
#include "document/Scratch.h"
#include "hexview/HexView.h"
#include "hexview/HexViewCommands.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"
#include "platform/Menu.h"
#include "tools/AlgorithmRegistry.h"
#include "tools/Transformations.h"

namespace hx {

namespace {

constexpr int Window = TransformationWindowNumber;

// The "Cipher" group's place; the mask and mode groups sit inside it at
// (10, 70), and their elements are placed relative to them.
constexpr int GroupX = 5, GroupY = 5;
constexpr int InnerX = GroupX + 10, InnerY = GroupY + 70;
constexpr int StripX = 10;

bool g_running = false;

std::string Text(const char *key, const char *fallback) {
    return GetText(std::string("\\Transformation\\") + key, fallback);
}
std::string LabelText(const char *key, const char *fallback) { return Text(key, fallback) + ":"; }

void TellUser(const std::string &text) { ShowMessage(Window, GetText("\\Messages\\Title"), text); }

// The controls of each part of the window, for showing and disabling them together.
constexpr int MaskControls[] = {TransformMaskLabel, TransformMaskField};
constexpr int ModeControls[] = {TransformModeLabel, TransformKeySizeList, TransformBlockModeList,
                                TransformKeyLabel,  TransformKeyField,    TransformVectorLabel,
                                TransformVectorField};
constexpr int CipherControls[] = {
    TransformCipherGroup,  TransformAlgorithmLabel, TransformAlgorithmList, TransformPositionLabel,
    TransformPositionField, TransformLengthLabel,   TransformLengthField,   TransformMaskLabel,
    TransformMaskField,    TransformModeLabel,      TransformKeySizeList,   TransformBlockModeList,
    TransformKeyLabel,     TransformKeyField,       TransformVectorLabel,   TransformVectorField,
};

void ShowControls(const int *controls, size_t count, bool show) {
    for (size_t i = 0; i < count; ++i) ShowControl(controls[i], show);
}

enum class Kind { Other, XOr, AesEncoder, AesDecoder, Base64Encoder, Base64Decoder };

// Which built-in algorithm a record is: the registry's record under each name
// is compared by identity, so a later registration under a name takes over.
Kind KindOf(const AlgorithmRecord *record) {
    if (!record) return Kind::Other;
    const AlgorithmRegistry &registry = TransformationRegistry();
    const std::pair<const char *, Kind> names[] = {
        {"XOr", Kind::XOr},
        {"AESEncoder", Kind::AesEncoder},
        {"AESDecoder", Kind::AesDecoder},
        {"Base64Encoder", Kind::Base64Encoder},
        {"Base64Decoder", Kind::Base64Decoder},
    };
    for (const auto &[name, kind] : names)
        if (registry.find(name) == record) return kind;
    return Kind::Other;
}

const AlgorithmRecord *SelectedAlgorithm() {
    const int index = GetControlState(TransformAlgorithmList);
    return reinterpret_cast<const AlgorithmRecord *>(DropDownData(TransformAlgorithmList, index));
}

HexView *CreateField(int gadget, int x, int y) {
    HexView *view = CreateHexView(gadget, Window, x, y, 535, 60, HexViewNoOffsets);
    // Their cursor and contents show in the status bar like any view's.
    if (view) SetHexViewCallback(gadget, RefreshStatus, 0);
    return view;
}

void OpenTransformationWindow() {
    OpenWindow(Window, 0, 0, TransformationWindowWidth, TransformationWindowHeight,
               GetText("\\Window\\Transformation"), WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
    if (!IsWindow(Window)) return;
    CreateGroup(TransformCipherGroup, Window, GroupX, GroupY, 555, 70, Text("Cipher", "Cipher"));
    CreateLabel(TransformAlgorithmLabel, Window, GroupX + 10, GroupY + 20, 100, 20,
                LabelText("Algorithm", "Algorithm"));
    CreateDropDown(TransformAlgorithmList, Window, GroupX + 10, GroupY + 40, 320, 20);
    for (const auto &record : TransformationRegistry().records())
        AddDropDownItem(TransformAlgorithmList, ShownMenuText(GetText("\\Menu\\" + record->Name)),
                        reinterpret_cast<intptr_t>(record.get()));
    SetControlState(TransformAlgorithmList, DropDownCount(TransformAlgorithmList) > 0 ? 0 : -1);
    CreateLabel(TransformPositionLabel, Window, GroupX + 340, GroupY + 20, 100, 20, LabelText("Position", "Position"));
    CreateInputField(TransformPositionField, Window, GroupX + 340, GroupY + 40, 100, 20, "0", ControlRightAligned);
    CreateLabel(TransformLengthLabel, Window, GroupX + 445, GroupY + 20, 100, 20, LabelText("Length", "Length"));
    CreateInputField(TransformLengthField, Window, GroupX + 445, GroupY + 40, 100, 20, "0", ControlRightAligned);

    // Mask group.
    CreateLabel(TransformMaskLabel, Window, InnerX, InnerY, 100, 20, LabelText("Mask", "Mask"));
    CreateField(TransformMaskField, InnerX, InnerY + 20);
    const uint8_t mask[] = {0xFF, 0xFF, 0xFF, 0xFF};
    HexViewCommand(TransformMaskField, HexReplaceAll, mask, sizeof mask);

    // Mode group.
    CreateLabel(TransformModeLabel, Window, InnerX, InnerY + 4, 50, 16, LabelText("Mode", "Mode"));
    CreateDropDown(TransformKeySizeList, Window, InnerX + 50, InnerY, 70, 20);
    AddDropDownItem(TransformKeySizeList, Text("KeySize128", "128 Bit"));
    AddDropDownItem(TransformKeySizeList, Text("KeySize192", "192 Bit"));
    AddDropDownItem(TransformKeySizeList, Text("KeySize256", "256 Bit"));
    SetControlState(TransformKeySizeList, 0);
    CreateDropDown(TransformBlockModeList, Window, InnerX + 130, InnerY, 190, 20);
    AddDropDownItem(TransformBlockModeList, Text("ModeCBC", "Cipher Block Chaining (CBC)"));
    AddDropDownItem(TransformBlockModeList, Text("ModeECB", "Electronic CodeBook (ECB)"));
    SetControlState(TransformBlockModeList, 0);
    CreateLabel(TransformKeyLabel, Window, InnerX, InnerY + 30, 100, 20, LabelText("Key", "Key"));
    CreateField(TransformKeyField, InnerX, InnerY + 50);
    HexViewCommand(TransformKeyField, HexSetSize, nullptr, 16);
    CreateLabel(TransformVectorLabel, Window, InnerX, InnerY + 115, 100, 20, LabelText("Vector", "Vector"));
    CreateField(TransformVectorField, InnerX, InnerY + 135);
    HexViewCommand(TransformVectorField, HexSetSize, nullptr, 16);

    ShowControls(MaskControls, std::size(MaskControls), false);
    ShowControls(ModeControls, std::size(ModeControls), false);

    // Bottom strip.
    CreateProgressBar(TransformProgressBar, Window, StripX + 5, 85 + 5, 375, 15, 0, 1000);
    CreateButton(TransformCancelButton, Window, StripX + 395, 85, 150, 25, Text("Cancel", "Cancel"));
    ShowControl(TransformCancelButton, false);
    CreateButton(TransformApplyButton, Window, StripX + 395, 85, 150, 25, Text("Apply", "Apply"));
}

// The window's layout for an algorithm: which group shows, and the heights.
void LayOut(Kind kind) {
    int windowHeight, groupHeight, stripY;
    bool mask = false, mode = false;
    switch (kind) {
    case Kind::Base64Encoder:
    case Kind::Base64Decoder: windowHeight = 120, groupHeight = 70, stripY = 85; break;
    case Kind::XOr: windowHeight = 210, groupHeight = 160, stripY = 175, mask = true; break;
    case Kind::AesEncoder:
    case Kind::AesDecoder: windowHeight = 325, groupHeight = 275, stripY = 290, mode = true; break;
    default: return;
    }
    ShowControls(MaskControls, std::size(MaskControls), mask);
    ShowControls(ModeControls, std::size(ModeControls), mode);
    ResizeControl(TransformCipherGroup, -1, -1, -1, groupHeight);
    ResizeControl(TransformProgressBar, -1, stripY + 5, -1, -1);
    ResizeControl(TransformCancelButton, -1, stripY, -1, -1);
    ResizeControl(TransformApplyButton, -1, stripY, -1, -1);
    MoveWindow(Window, -65535, -65535, TransformationWindowWidth, windowHeight);
}

void CopySelection(int64_t start, int64_t length) {
    if (!IsWindow(Window)) return;
    SetControlText(TransformPositionField, std::to_string(start));
    SetControlText(TransformLengthField, std::to_string(length));
}

void SetBusyLook(bool busy) {
    for (int control : CipherControls) DisableControl(control, busy);
    ShowControl(TransformApplyButton, !busy);
    ShowControl(TransformCancelButton, busy);
}

// The range as the walk clamps it: a start before 0 shortens it by as much,
// a start past the end leaves nothing, and it ends at the document's end.
int64_t ClampedLength(int64_t documentLength, int64_t position, int64_t length) {
    if (position < 0) {
        length = length + position < 0 ? 0 : length + position;   // length > 0 here: no overflow
        position = 0;
    }
    if (position >= documentLength) return 0;
    return std::min(length, documentLength - position);
}

// The scratch folder cannot take the output; needed < 0: it said so half way.
std::string NoRoomText(int64_t needed) {
    std::string text = needed < 0 ? Text("ScratchFull", "The folder for temporary data (%FOLDER) became full during "
                                                        "the run. Nothing was changed.")
                                  : Text("NoScratchRoom", "The result needs %SIZE of temporary space, more than the "
                                                          "folder for temporary data (%FOLDER) has free. Nothing "
                                                          "was changed.");
    text = FillPlaceholder(text, "%FOLDER", ScratchFolder());
    return FillPlaceholder(text, "%SIZE", FormatSize(needed));
}

std::string FaultText(const TransformStatus &status, int64_t rangeStart) {
    switch (status.Fault) {
    case TransformFault::BadInput:
        return FillPlaceholder(Text("Base64Bad", "The range is not valid Base64: the byte at offset %OFFSET is not "
                                                 "part of it. Nothing was changed."),
                               "%OFFSET", std::to_string(rangeStart + status.Offset));
    case TransformFault::BadKey:
        return Text("AesKey", "AES needs a key of 16, 24 or 32 bytes. Nothing was changed.");
    case TransformFault::BadVector:
        return Text("AesVector", "AES in CBC mode needs an initialisation vector of 16 bytes. Nothing was changed.");
    case TransformFault::PartialBlock:
        return Text("AesBlocks", "AES needs a length that is a multiple of 16. Nothing was changed.");
    case TransformFault::NoMemory:
        return GetText("\\Messages\\NoMemory");
    case TransformFault::CipherFailed:
    case TransformFault::None: break;
    }
    return Text("Failed", "The transformation failed. Nothing was changed.");
}

// The checks that refuse an AES run before it starts; "" when it may run.
std::string AesRefusal(const ByteBuffer &key, const ByteBuffer &vector, bool chaining, int64_t length) {
    TransformStatus status;
    const int64_t keyLength = key.valid() ? key.size() : 0;
    if (keyLength != 16 && keyLength != 24 && keyLength != 32) status.Fault = TransformFault::BadKey;
    else if (chaining && (!vector.valid() || vector.size() < AesBlockLength)) status.Fault = TransformFault::BadVector;
    else if (length % AesBlockLength != 0) status.Fault = TransformFault::PartialBlock;
    return status.Fault == TransformFault::None ? std::string() : FaultText(status, 0);
}

// A copy of a field's bytes; none when the field is empty. noMemory is set
// when the field has bytes that could not be copied.
ByteBuffer FieldBytes(int gadget, bool &noMemory) {
    ByteBuffer bytes = HexViewDocumentBytes(gadget);
    if (bytes.valid()) return bytes;
    const HexView *field = HexViewByGadget(gadget);
    const Document *doc = field ? field->CurrentDocument : nullptr;
    if (doc && doc->Store && doc->Store->Length > 0) noMemory = true;
    return bytes;
}

bool TransformationMenu(int id) {
    if (!InMenuGroup(CipherGroup, id)) return false;
    ShowTransformation(reinterpret_cast<const AlgorithmRecord *>(ItemValue(id)));
    return true;
}

bool HandleControl(const Event &event) {
    if (event.kind != EventControl) return false;
    switch (event.control) {
    case TransformMaskField:
    case TransformKeyField:
    case TransformVectorField:
        return false;   // hex views: the loop hands them their keys and pop-up menu
    case TransformAlgorithmList:
        ShowTransformation(SelectedAlgorithm());
        return true;
    case TransformKeySizeList:
        ChangeKeySize(GetControlState(TransformKeySizeList));
        return true;
    case TransformApplyButton:
        ApplyTransformation(SelectedAlgorithm());
        return true;
    default:
        return event.window == Window;
    }
}

bool TransformationClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

}  // namespace

void ShowTransformation(const AlgorithmRecord *record) {
    if (!IsWindow(Window) || !record) return;
    const int count = DropDownCount(TransformAlgorithmList);
    for (int i = 0; i < count; ++i)
        if (DropDownData(TransformAlgorithmList, i) == reinterpret_cast<intptr_t>(record))
            SetControlState(TransformAlgorithmList, i);
    if (HexView *view = Shell().MainView)
        CopySelection(SelectionStart(view), SelectionSize(view));
    LayOut(KindOf(record));
    ShowWindow(Window, true);
}

void ChangeKeySize(int k) {
    if (k < 0 || k > 2) return;
    const int64_t n = 16 + 8 * int64_t{k};
    HexViewCommand(TransformKeyField, HexSetSize, nullptr, n);
    HexViewCommand(TransformVectorField, HexSetSize, nullptr, n);
}

void ApplyTransformation(const AlgorithmRecord *record) {
    if (g_running || !record || !HasCallbacks(*record)) return;
    HexView *view = Shell().MainView;
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store || !doc->Hist) return;
    // A file that can only be read is not changed (the status bar says so).
    if (view->readOnly()) return ReportEditRefused(*view);
    const int64_t position = ReadNumber(GetControlText(TransformPositionField));
    const int64_t length = ReadNumber(GetControlText(TransformLengthField));
    if (length <= 0) return;
    const int64_t walked = ClampedLength(doc->Store->Length, position, length);

    TransformParameters parameters;
    int64_t expected = walked;
    bool noMemory = false;
    switch (KindOf(record)) {
    case Kind::XOr:
        parameters.Parameter1 = FieldBytes(TransformMaskField, noMemory);
        if (noMemory) break;
        if (!parameters.Parameter1.valid() || parameters.Parameter1.size() == 0) return;
        break;
    case Kind::AesEncoder:
    case Kind::AesDecoder: {
        const bool chaining = GetControlState(TransformBlockModeList) != 1;
        parameters.Parameter1 = FieldBytes(TransformKeyField, noMemory);
        parameters.Parameter2 = FieldBytes(TransformVectorField, noMemory);
        if (noMemory) break;
        if (std::string refusal = AesRefusal(parameters.Parameter1, parameters.Parameter2, chaining, walked);
            !refusal.empty()) {
            TellUser(refusal);
            return;
        }
        parameters.Mode = (chaining ? AesChaining : AesCodeBook) +
                          (KindOf(record) == Kind::AesEncoder ? AesEncode : AesDecode);
        break;
    }
    case Kind::Base64Encoder: expected = Base64EncodedLength(walked); break;
    case Kind::Base64Decoder: expected = walked / 4 * 3 + 3; break;
    case Kind::Other: return;
    }
    if (noMemory) {
        TellUser(GetText("\\Messages\\NoMemory"));
        return;
    }
    // The output beyond the edits' memory budget goes to the scratch file: a
    // run it cannot hold is refused before it starts, not half way.
    if (!RoomForNewBytes(expected)) {
        TellUser(NoRoomText(ScratchBytesForNew(expected)));
        return;
    }

    g_running = true;
    SetBusyLook(true);
    TransformationOutcome outcome;
    {
        ToolBusy busy(Window);
        SetControlState(TransformProgressBar, 0);
        ToolRun run;
        run.window = Window;
        run.cancelButton = TransformCancelButton;
        run.progressBar = TransformProgressBar;
        outcome = RunTransformation(*doc, *record, parameters, position, length, run);
        SetControlState(TransformProgressBar, 1000);
    }
    SetBusyLook(false);
    g_running = false;
    RedrawHexView(view);

    switch (outcome.result) {
    case TransformationResult::NoMemory: TellUser(GetText("\\Messages\\NoMemory")); break;
    case TransformationResult::NoSpace: TellUser(NoRoomText(-1)); break;
    case TransformationResult::ReadFailed:
        TellUser(Text("ReadFailed", "The range could not be read completely. Nothing was changed."));
        break;
    case TransformationResult::Refused: TellUser(FaultText(outcome.status, std::max<int64_t>(position, 0))); break;
    case TransformationResult::Written:
        // The result is looked at, and maybe undone, in the main view: the
        // keyboard goes there, as after any edit.
        ActivateWindow(0);
        FocusControl(MainViewGadget);
        break;
    case TransformationResult::NothingWritten:
    case TransformationResult::Cancelled: break;
    }
}

TransformationOutcome RunTransformation(Document &doc, const AlgorithmRecord &record, TransformParameters &parameters,
                                        int64_t position, int64_t length, const ToolRun &events) {
    TransformationOutcome outcome;
    ToolRunResult result = ToolRunResult::Stopped;
    // The blocks that Process and Finish return become the document's chunks
    // as they are (in memory within the edits' budget, in the scratch file
    // beyond it), so the output is never copied into one block and its
    // length is bounded by the scratch folder's room, not by memory.
    ChunkWriter output(doc.Store);
    record.StartTransform(&parameters);
    if (TransformationStatus().Fault == TransformFault::None) {
        ToolRun run = events;
        run.slice = [&](const uint8_t *bytes, int64_t n) {
            ByteBuffer block = record.ProcessTransform(bytes, n, 0);
            if (TransformationStatus().Fault != TransformFault::None) return false;
            return output.append(std::move(block)) == BinaryOk;
        };
        result = RunOverRange(doc.Store, position, length, run);
    }
    if (result == ToolRunResult::Done) {
        ByteBuffer last = record.FinishTransform(&parameters);
        if (TransformationStatus().Fault != TransformFault::None || output.append(std::move(last)) != BinaryOk)
            result = ToolRunResult::Stopped;
    }
    outcome.status = TransformationStatus();
    // A run that ends without Finish still holds its state.
    ReleaseTransformation();
    int written = output.status();
    if (outcome.status.Fault == TransformFault::NoMemory) written = BinaryNoMemory;

    const int64_t produced = output.length();
    parameters.OutputLength = produced;
    ChunkList chunks = output.take();
    if (result == ToolRunResult::Done && written == BinaryOk && produced > 0) {
        // The range as entered; the edit clamps it as the walk did.
        written = ReplaceBytesMoving(&doc, position, length, std::move(chunks));
        if (written == BinaryOk) doc.SelectionLength = -produced;
    }
    parameters.Output.reset();

    if (written == BinaryNoSpace) outcome.result = TransformationResult::NoSpace;
    else if (written != BinaryOk) outcome.result = TransformationResult::NoMemory;
    else if (result == ToolRunResult::Cancelled) outcome.result = TransformationResult::Cancelled;
    else if (result == ToolRunResult::ReadFailed) outcome.result = TransformationResult::ReadFailed;
    else if (result == ToolRunResult::Stopped) outcome.result = TransformationResult::Refused;
    else outcome.result = produced > 0 ? TransformationResult::Written : TransformationResult::NothingWritten;
    return outcome;
}

const ToolModule TransformationTool{
    .open = OpenTransformationWindow,
    .menu = TransformationMenu,
    .control = HandleControl,
    .close = TransformationClose,
    .selection = CopySelection,
};

}  // namespace hx
