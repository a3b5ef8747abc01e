#include "app/toolwindows/CompressionWindow.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/settings/Language.h"
#include "app/settings/Theme.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/shell/Status.h"
#include "app/toolwindows/SelectionRange.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/ChunkWriter.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "document/History.h"
#include "document/Scratch.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Menu.h"
#include "platform/Platform.h"

namespace hx {

namespace {

constexpr int Window = CompressionWindowNumber;

// The group's place; its elements are placed relative to it.
constexpr int GroupX = 5, GroupY = 5;
constexpr int SettingsY = 72, NoteY = 97;   // rows inside the group
constexpr int StripY = 150;

bool g_running = false;
SelectionMirror g_mirror;

// The formats in the order of the Compress menu.
constexpr CodecFormat Formats[] = {CodecFormat::BriefLz, CodecFormat::Zip, CodecFormat::Lzma};

// The container and level last chosen for each format, while the program runs.
struct Choice {
    int container = 0;
    int level = 0;
};
Choice g_choices[3] = {{0, 0}, {0, DefaultZipLevel}, {0, DefaultLzmaPreset}};   // BriefLZ, Zip, LZMA

Choice &ChoiceOf(CodecFormat format) {
    return g_choices[format == CodecFormat::BriefLz ? 0 : format == CodecFormat::Zip ? 1 : 2];
}

// The automatic ids of the Zip and LZMA entries, of the main and the pop-up menu.
std::map<int, CodecFormat> &MenuFormats() {
    static std::map<int, CodecFormat> formats;
    return formats;
}

std::string Text(const char *key, const char *fallback) {
    return GetText(std::string("\\Compression\\") + key, fallback);
}
std::string LabelText(const char *key, const char *fallback) { return Text(key, fallback) + ":"; }

std::string FormatName(CodecFormat format) {
    switch (format) {
    case CodecFormat::BriefLz: return ShownMenuText(GetText("\\Menu\\BriefLZ"));
    case CodecFormat::Lzma: return ShownMenuText(GetText("\\Menu\\LZMA"));
    case CodecFormat::Zip: break;
    }
    return ShownMenuText(GetText("\\Menu\\Zip"));
}

void TellUser(const std::string &text) { ShowMessage(Window, GetText("\\Messages\\Title"), text); }

// An offset in the document as the user reads it in the view: decimal and, after it, "$" and hexadecimal.
std::string OffsetText(int64_t offset) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "$%llX", static_cast<unsigned long long>(offset));
    return std::to_string(offset) + " (" + hex + ")";
}

CodecFormat ChosenFormat() {
    const int index = GetControlState(CompressionFormatList);
    return index < 0 ? CodecFormat::Zip : static_cast<CodecFormat>(DropDownData(CompressionFormatList, index));
}

std::string LevelText(CodecFormat format, int level) {
    const std::string number = std::to_string(level);
    const char *key = nullptr, *fallback = nullptr;
    if (level == 0 && format == CodecFormat::Zip) key = "LevelStore", fallback = "%LEVEL (store only)";
    else if (level == (format == CodecFormat::Zip ? 1 : 0)) key = "LevelFastest", fallback = "%LEVEL (fastest)";
    else if (level == 6) key = "LevelDefault", fallback = "%LEVEL (default)";
    else if (level == 9) key = "LevelSmallest", fallback = "%LEVEL (smallest)";
    return key ? FillPlaceholder(Text(key, fallback), "%LEVEL", number) : number;
}

constexpr int SettingControls[] = {CompressionContainerLabel, CompressionContainerList, CompressionLevelLabel,
                                   CompressionLevelList};

// The container and level lists for a format (BriefLZ has neither), and the
// note on what decompressing reads and when it asks.
void LayOut(CodecFormat format) {
    ClearDropDown(CompressionContainerList);
    ClearDropDown(CompressionLevelList);
    std::string note;
    switch (format) {
    case CodecFormat::Zip:
        AddDropDownItem(CompressionContainerList, Text("ZipZlib", "zlib"), int(ZipContainer::Zlib));
        AddDropDownItem(CompressionContainerList, Text("ZipRaw", "raw DEFLATE"), int(ZipContainer::Raw));
        AddDropDownItem(CompressionContainerList, Text("ZipGzip", "gzip"), int(ZipContainer::Gzip));
        note = Text("NoteZip", "Decompressing recognises zlib, gzip and raw DEFLATE by their first bytes.");
        break;
    case CodecFormat::Lzma:
        AddDropDownItem(CompressionContainerList, Text("LzmaXz", ".xz"), int(LzmaContainer::Xz));
        AddDropDownItem(CompressionContainerList, Text("LzmaAlone", ".lzma"), int(LzmaContainer::Lzma));
        note = Text("NoteLzma", "Decompressing reads .xz and .lzma.");
        break;
    case CodecFormat::BriefLz:
        note = Text("NoteBriefLZ", "Blocks of 1 MiB with CRC-32 checks; decompressing checks them where given.");
        break;
    }
    const bool settings = format != CodecFormat::BriefLz;
    for (int control : SettingControls) ShowControl(control, settings);
    // Without settings the note moves up into their row.
    ResizeControl(CompressionNote, -1, GroupY + (settings ? NoteY : SettingsY), -1, -1);
    if (settings) {
        for (int level = 0; level <= 9; ++level) AddDropDownItem(CompressionLevelList, LevelText(format, level), level);
        SetControlState(CompressionContainerList, ChoiceOf(format).container);
        SetControlState(CompressionLevelList, ChoiceOf(format).level);
    }
    note += " " + FillPlaceholder(Text("NoteLimit", "Before unpacking more than %FACTOR times the range (at least "
                                                    "%LEAST), it asks."),
                                  "%FACTOR", std::to_string(AskAboveFactor));
    SetControlText(CompressionNote, FillPlaceholder(note, "%LEAST", FormatSize(AskAboveAtLeast)));
}

void OpenCompressionWindow() {
    g_mirror.forget();
    OpenWindow(Window, 0, 0, CompressionWindowWidth, CompressionWindowHeight, GetText("\\Window\\Compression", "Compression"),
               WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
    if (!IsWindow(Window)) return;
    constexpr int gx = GroupX, gy = GroupY;
    CreateGroup(CompressionGroup, Window, gx, gy, 555, 140, Text("Compression", "Compression"));
    CreateLabel(CompressionFormatLabel, Window, gx + 10, gy + 20, 100, 20, LabelText("Format", "Format"));
    CreateDropDown(CompressionFormatList, Window, gx + 10, gy + 40, 320, 20);
    for (CodecFormat format : Formats) AddDropDownItem(CompressionFormatList, FormatName(format), int(format));
    CreateLabel(CompressionPositionLabel, Window, gx + 340, gy + 20, 100, 20, LabelText("Position", "Offset"));
    CreateInputField(CompressionPositionField, Window, gx + 340, gy + 40, 100, 20, "0", ControlRightAligned);
    CreateLabel(CompressionLengthLabel, Window, gx + 445, gy + 20, 100, 20, LabelText("Length", "Length"));
    CreateInputField(CompressionLengthField, Window, gx + 445, gy + 40, 100, 20, "0", ControlRightAligned);
    CreateLabel(CompressionContainerLabel, Window, gx + 10, gy + 72, 100, 20, LabelText("Container", "Compress as"));
    CreateDropDown(CompressionContainerList, Window, gx + 110, gy + 70, 220, 20);
    CreateLabel(CompressionLevelLabel, Window, gx + 340, gy + 72, 60, 20, LabelText("Level", "Level"));
    CreateDropDown(CompressionLevelList, Window, gx + 400, gy + 70, 145, 20);
    CreateLabel(CompressionNote, Window, gx + 10, gy + NoteY, 535, 38, "");
    CreateProgressBar(CompressionProgressBar, Window, 15, StripY + 5, 285, 15, 0, 1000);
    CreateButton(CompressionCompressButton, Window, 310, StripY, 120, 25, Text("Compress", "Compress"));
    CreateButton(CompressionDecompressButton, Window, 435, StripY, 125, 25, Text("Decompress", "Decompress"));
    CreateButton(CompressionCancelButton, Window, 435, StripY, 125, 25, Text("Cancel", "Cancel"));
    ShowControl(CompressionCancelButton, false);
    SetControlState(CompressionFormatList, 1);
    LayOut(CodecFormat::Zip);
}

const Document *MainDocument() {
    HexView *view = Shell().MainView;
    return view ? view->CurrentDocument : nullptr;
}

void CopySelection(int64_t start, int64_t length) {
    if (!IsWindow(Window) || g_running) return;
    const Document *doc = MainDocument();
    SelectionOrWholeDocument(doc, start, length);
    if (!g_mirror.changed(start, length, doc)) return;
    SetControlText(CompressionPositionField, std::to_string(start));
    SetControlText(CompressionLengthField, std::to_string(length));
}

void SetBusyLook(bool busy) {
    for (int control : {CompressionFormatList, CompressionPositionField, CompressionLengthField,
                        CompressionContainerList, CompressionLevelList})
        DisableControl(control, busy);
    ShowControl(CompressionCompressButton, !busy);
    ShowControl(CompressionDecompressButton, !busy);
    ShowControl(CompressionCancelButton, busy);
}

// The range as the walk clamps it: a start before 0 shortens it by as much,
// a start past the end leaves nothing, and it ends at the document's end.
int64_t ClampedLength(int64_t documentLength, int64_t position, int64_t length) {
    if (length <= 0) return 0;
    if (position < 0) {
        length = length + position < 0 ? 0 : length + position;
        position = 0;
    }
    if (position >= documentLength) return 0;
    return std::min(length, documentLength - position);
}

// The message of each refusal: its key and its English words for a language
// file that lacks it. Faults not listed get "Failed".
struct FaultMessage {
    CodecFault fault;
    const char *key, *fallback;
};
constexpr FaultMessage FaultMessages[] = {
    {CodecFault::BadInput, "BadInput",
     "The range is not valid %FORMAT data: it goes wrong at offset %OFFSET. Nothing was changed."},
    {CodecFault::Truncated, "Truncated",
     "The range ends at offset %OFFSET, before the %FORMAT data does. Nothing was changed."},
    {CodecFault::TrailingData, "TrailingData",
     "The %FORMAT data ends before the range does: the bytes from offset %OFFSET on are not part of it. Nothing "
     "was changed."},
    {CodecFault::BadChecksum, "BadChecksum",
     "The %FORMAT data is damaged: the check value at offset %OFFSET does not match. Nothing was changed."},
    {CodecFault::NeedsMemory, "NeedsMemory",
     "Unpacking this data needs %SIZE of memory, more than the %LIMIT allowed. Nothing was changed."},
    {CodecFault::OutputTooLarge, "TooLarge",
     "The result does not fit in the memory and the temporary space (%FOLDER) that are free. Nothing was changed."},
    {CodecFault::Failed, "Failed", "The compression library refused the data. Nothing was changed."},
};

std::string FaultText(const CodecStatus &status, CodecFormat format, int64_t rangeStart) {
    if (status.fault == CodecFault::NoMemory) return GetText("\\Messages\\NoMemory");
    const FaultMessage *message = &FaultMessages[std::size(FaultMessages) - 1];
    for (const FaultMessage &m : FaultMessages)
        if (m.fault == status.fault) message = &m;
    const char *key = message->key, *fallback = message->fallback;
    std::string text = FillPlaceholder(Text(key, fallback), "%FORMAT", FormatName(format));
    text = FillPlaceholder(text, "%OFFSET", OffsetText(rangeStart + std::max<int64_t>(status.offset, 0)));
    text = FillPlaceholder(text, "%SIZE", FormatSize(status.amount));
    text = FillPlaceholder(text, "%FOLDER", ScratchFolder());
    return FillPlaceholder(text, "%LIMIT", FormatSize(static_cast<int64_t>(LzmaDecoderMemoryLimit)));
}

// The question when unpacking passes its limit: go on (up to the room), or stop.
bool AskToGoOn(int64_t produced, int64_t input) {
    YesNoQuestion question;
    question.window = Window;
    question.title = GetText("\\Messages\\Title");
    std::string text = Text("AskLarge", "Unpacking has made %SIZE so far, more than %FACTOR times the %INPUT of the "
                                        "range, and is not done. Data that unpacks this far may be made to fill "
                                        "memory. Go on?");
    text = FillPlaceholder(text, "%SIZE", FormatSize(produced));
    text = FillPlaceholder(text, "%FACTOR", std::to_string(AskAboveFactor));
    question.text = FillPlaceholder(text, "%INPUT", FormatSize(input));
    question.yesText = Text("GoOn", "Go on");
    question.noText = Text("Stop", "Stop");
    return AskYesNo(question);
}

bool OnMenu(int id) {
    if (id == CommandBriefLZ) {
        ShowCompression(CodecFormat::BriefLz);
        return true;
    }
    auto it = MenuFormats().find(id);
    if (it == MenuFormats().end()) return false;
    ShowCompression(it->second);
    return true;
}

bool OnControl(const Event &event) {
    if (event.window != Window) return false;
    switch (event.control) {
    case CompressionFormatList: LayOut(ChosenFormat()); break;
    case CompressionContainerList: ChoiceOf(ChosenFormat()).container = GetControlState(CompressionContainerList); break;
    case CompressionLevelList: ChoiceOf(ChosenFormat()).level = GetControlState(CompressionLevelList); break;
    case CompressionCompressButton: ApplyCompression(true); break;
    case CompressionDecompressButton: ApplyCompression(false); break;
    default: break;   // Enter in a field, Cancel outside a run: nothing to do
    }
    return true;
}

bool OnClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

}  // namespace

void ShowCompression(CodecFormat format) {
    if (g_running) return;
    // Made the first time it is asked for, so that start-up does not wait for it.
    if (!IsWindow(Window)) OpenCompressionWindow();
    if (!IsWindow(Window)) return;
    const int count = DropDownCount(CompressionFormatList);
    for (int i = 0; i < count; ++i)
        if (DropDownData(CompressionFormatList, i) == int(format)) SetControlState(CompressionFormatList, i);
    LayOut(format);
    if (HexView *view = Shell().MainView) {
        g_mirror.forget();   // the menu's choice is the selection now, whatever was typed
        CopySelection(SelectionStart(view), SelectionSize(view));
    }
    ShowWindow(Window, true);
    RaiseWindow(Window);
}

void ApplyCompression(bool compress) {
    if (g_running) return;
    HexView *view = Shell().MainView;
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store || !doc->Hist) return;
    const int64_t position = ReadNumber(GetControlText(CompressionPositionField));
    const int64_t length = ReadNumber(GetControlText(CompressionLengthField));
    const int64_t walked = ClampedLength(doc->Store->Length, position, length);
    if (walked <= 0) return;

    const CodecFormat format = ChosenFormat();
    CodecSettings settings;
    settings.format = format;
    settings.compress = compress;
    settings.container = ChoiceOf(format).container;
    settings.level = ChoiceOf(format).level;
    // The output goes to memory within the edits' budget and to the scratch
    // file beyond it: its room is what both have free now.
    OutputLimits limits;
    limits.room = NewBytesRoom();
    if (compress) {
        // Packed data is at most a little longer than its input: what cannot
        // fit is refused before the run rather than after it.
        if (walked / 8 + (int64_t(1) << 20) > limits.room - walked) {
            TellUser(FaultText({CodecFault::OutputTooLarge, -1, 0}, format, 0));
            return;
        }
    } else {
        limits.askAbove = AskAboveFor(walked);
        limits.ask = [walked](int64_t produced) { return AskToGoOn(produced, walked); };
    }

    g_running = true;
    SetBusyLook(true);
    CompressionOutcome outcome;
    {
        ToolBusy busy(Window);
        SetControlState(CompressionProgressBar, 0);
        ToolRun run;
        run.window = Window;
        run.cancelButton = CompressionCancelButton;
        run.progressBar = CompressionProgressBar;
        outcome = RunCompression(*doc, settings, position, length, run, std::move(limits));
        SetControlState(CompressionProgressBar, 1000);
    }
    SetBusyLook(false);
    g_running = false;
    RedrawHexView(view);

    switch (outcome.result) {
    case CompressionResult::Written:
        // The result is looked at, saved or undone in the main view: the keyboard goes there.
        ActivateWindow(MainWindowNumber);
        FocusControl(MainViewGadget);
        break;
    case CompressionResult::NoMemory: TellUser(GetText("\\Messages\\NoMemory")); break;
    case CompressionResult::NoSpace:
        TellUser(FillPlaceholder(Text("ScratchFull", "The folder for temporary data (%FOLDER) became full during the "
                                                     "run. Nothing was changed."),
                                 "%FOLDER", ScratchFolder()));
        break;
    case CompressionResult::ReadFailed:
        TellUser(Text("ReadFailed", "Part of the range could not be read, so nothing was changed."));
        break;
    case CompressionResult::Refused:
        // A "stop" to the question is the user's own choice: nothing to tell.
        if (outcome.status.fault != CodecFault::OutputRefused)
            TellUser(FaultText(outcome.status, format, std::max<int64_t>(position, 0)));
        break;
    case CompressionResult::Cancelled: break;
    }
}

CompressionOutcome RunCompression(Document &doc, const CodecSettings &settings, int64_t position, int64_t length,
                                  const ToolRun &events, OutputLimits limits) {
    CompressionOutcome outcome;
    // Full blocks go on to the writer as they come, so the codec's output
    // never holds more than one block.
    ChunkWriter writer(doc.Store);
    CodecOutput output(std::move(limits),
                       [&writer](ByteBuffer &&block) { return writer.append(std::move(block)) == BinaryOk; });
    std::unique_ptr<Codec> codec = MakeCodec(settings, output, ClampedLength(doc.Store->Length, position, length));
    ToolRunResult result = ToolRunResult::Stopped;
    if (codec->status().fault == CodecFault::None) {
        ToolRun run = events;
        run.slice = [&codec](const uint8_t *bytes, int64_t n) { return codec->process(bytes, n); };
        result = RunOverRange(doc.Store, position, length, run);
    }
    if (result == ToolRunResult::Done && (!codec->finish() || !output.flush())) result = ToolRunResult::Stopped;
    outcome.status = codec->status();
    codec.reset();   // its memory goes before the output becomes the document's
    if (writer.status() != BinaryOk) {
        outcome.result = writer.status() == BinaryNoSpace ? CompressionResult::NoSpace : CompressionResult::NoMemory;
        return outcome;
    }
    switch (result) {
    case ToolRunResult::Cancelled: outcome.result = CompressionResult::Cancelled; return outcome;
    case ToolRunResult::ReadFailed: outcome.result = CompressionResult::ReadFailed; return outcome;
    case ToolRunResult::Stopped: outcome.result = CompressionResult::Refused; return outcome;
    case ToolRunResult::Done: break;
    }
    outcome.written = writer.length();
    // The range as entered; the edit clamps it as the walk did.
    if (const int written = ReplaceBytesMoving(&doc, position, length, writer.take()); written != BinaryOk) {
        outcome.result = written == BinaryNoSpace ? CompressionResult::NoSpace : CompressionResult::NoMemory;
        return outcome;
    }
    doc.SelectionLength = -outcome.written;
    outcome.result = CompressionResult::Written;
    return outcome;
}

void AddCompressionMenu() {
    const int menu = CurrentMenu();
    if (menu == MainMenu) MenuFormats().clear();   // the menus are being built anew
    OpenSubMenu(menu, GetText("Compress"), GetIcon("Compress"));
    AddMenuEntry(CommandBriefLZ, "BriefLZ");
    MenuFormats()[AddMenuEntry(-1, "Zip")] = CodecFormat::Zip;
    MenuFormats()[AddMenuEntry(-1, "LZMA")] = CodecFormat::Lzma;
    CloseSubMenu(menu);
}

const ToolModule CompressionTool{
    .open = nullptr,   // made on demand by ShowCompression
    .menu = OnMenu,
    .control = OnControl,
    .close = OnClose,
    .selection = CopySelection,
};

}  // namespace hx
