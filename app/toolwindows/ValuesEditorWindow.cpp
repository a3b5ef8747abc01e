// The values editor (window 1): the bytes at the cursor of the current hex
// view as a character, eight bits, integers, floating-point numbers, a colour
// and a time stamp, and Set buttons that write a typed value back at the
// cursor through the view's put-data command (one undoable edit each).
//
// The window keeps nothing of its own beyond its controls: every refresh
// reads at most 8 bytes at the cursor and overwrites every row.
#include <QString>

#include <array>
#include <string>
#include <vector>

#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "app/settings/Theme.h"
#include "app/toolwindows/ToolWindows.h"
#include "app/toolwindows/ValueFormats.h"
#include "app/toolwindows/ValuesEditorWindow.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace hx {

namespace {

constexpr int ValuesWindow = ValuesEditorWindowNumber;

// Short names inside this file.
enum : int {
    CharacterList = ValuesCharacterList,
    FirstBitToggle = ValuesFirstBitToggle,
    ByteField = ValuesByteField,
    WordField = ValuesWordField,
    DWordField = ValuesDWordField,
    QWordField = ValuesQWordField,
    SingleField = ValuesSingleField,
    DoubleField = ValuesDoubleField,
    ColourSwatch = ValuesColourSwatch,
    TimestampField = ValuesTimestampField,
    SetCharacter = ValuesSetCharacter,
    SetBits = ValuesSetBits,
    SetByte = ValuesSetByte,
    SetWord = ValuesSetWord,
    SetDWord = ValuesSetDWord,
    SetQWord = ValuesSetQWord,
    SetSingle = ValuesSetSingle,
    SetDouble = ValuesSetDouble,
    SetColour = ValuesSetColour,
    SetTimestamp = ValuesSetTimestamp,
    FirstFrameControl = ValuesFirstFrame,
};

constexpr int SetButtonSize = 20;

// The number rows: field, its Set button, what it writes.
struct NumberRow {
    int field;
    int set;
    ValueRow row;
};
constexpr std::array<NumberRow, 6> NumberRows{{
    {ByteField, SetByte, ValueRow::Byte},
    {WordField, SetWord, ValueRow::Word},
    {DWordField, SetDWord, ValueRow::DWord},
    {QWordField, SetQWord, ValueRow::QWord},
    {SingleField, SetSingle, ValueRow::Single},
    {DoubleField, SetDouble, ValueRow::Double},
}};

// The language file's texts are UTF-8, as the controls take them; the
// character list names bytes, which are Latin-1 like every byte shown.
std::string Latin1Text(const std::string &utf8) {
    QByteArray bytes = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string Utf8Text(const std::string &latin1) {
    QByteArray bytes = QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string Text(std::string_view key, std::string_view fallback) {
    SetTextGroup("ValuesEditor");
    return GetText(key, fallback);
}

ValueOrder CurrentOrder() {
    ValueOrder order;
    order.sign = IsCommandChecked(CommandSign);
    order.bigEndian = SelectedRadioItem(ByteOrderGroup) == CommandBigEndian;
    return order;
}

// Sets a field's text only when it differs, so that the caret of a field the
// user is in does not jump on every redraw of the view.
void SetFieldText(int control, const std::string &text) {
    if (GetControlText(control) != text) SetControlText(control, text);
}

// ---- building -----------------------------------------------------------------

void SetButton(int number, int groupX, int groupY, int x, int y) {
    CreateButton(number, ValuesWindow, groupX + x, groupY + y, SetButtonSize, SetButtonSize, "");
    SetButtonImage(number, GetIcon("Set"));
    SetControlToolTip(number, Text("SetTip", "Write this value at the cursor"));
}

// A row label, right-aligned: the fixed name of the row from the language
// file, followed by ":".
void RowLabel(int *next, int groupX, int groupY, int x, int y, int width, std::string_view key,
              std::string_view fallback) {
    CreateLabel((*next)++, ValuesWindow, groupX + x, groupY + y, width, 16, Text(key, fallback) + ":",
                ControlRightAligned);
}

// A number row of a group: the label, a right-aligned field of the given
// width at (60, y) and its Set button right after the field. The label starts
// at 6, not at the group's 10: "Double:" needs 47 pixels in the default font.
void CreateNumberRow(int *next, int groupX, int groupY, int y, int width, std::string_view key, int field, int set) {
    RowLabel(next, groupX, groupY, 6, y + 2, 50, key, key);
    CreateInputField(field, ValuesWindow, groupX + 60, groupY + y, width, 20, "", ControlRightAligned);
    SetButton(set, groupX, groupY, 60 + width, y);
}

void BuildCharacterList() {
    SetTextGroup("ValuesEditor");
    for (int n = 0; n < 256; ++n) {
        const std::string key = "Character\\" + std::to_string(n);
        if (HasText(key)) {
            std::string name = Latin1Text(GetText(key));
            AddDropDownItem(CharacterList, Utf8Text(CharacterEntry(n, &name)), n);
        } else {
            AddDropDownItem(CharacterList, Utf8Text(CharacterEntry(n, nullptr)), n);
        }
    }
    SetControlState(CharacterList, -1);
}

void OpenValuesEditor() {
    SetTextGroup("ValuesEditor");
    OpenWindow(ValuesWindow, 0, 0, ValuesEditorWidth, ValuesEditorHeight, GetText("\\Window\\ValuesEditor"),
               WindowTool | WindowHidden | WindowCentered, 0);
    if (!IsWindow(ValuesWindow)) return;
    int frame = FirstFrameControl;

    // Character (5, 5)
    CreateGroup(frame++, ValuesWindow, 5, 5, 230, 50, Text("Character", "Character"));
    CreateDropDown(CharacterList, ValuesWindow, 5 + 10, 5 + 20, 190, 20);
    BuildCharacterList();
    SetButton(SetCharacter, 5, 5, 200, 20);

    // Single bits (5, 60): bit 0 on the right.
    CreateGroup(frame++, ValuesWindow, 5, 60, 230, 50, Text("SingleBit", "Single Bits"));
    for (int i = 0; i < 8; ++i) {
        CreateButton(FirstBitToggle + i, ValuesWindow, 5 + 180 - 20 * i, 60 + 20, 20, 20, "0", ControlToggle);
        SetControlToolTip(FirstBitToggle + i, Text("Bit", "Bit") + " " + std::to_string(i));
    }
    SetButton(SetBits, 5, 60, 200, 20);

    // Integers (5, 115)
    CreateGroup(frame++, ValuesWindow, 5, 115, 230, 125, Text("Integer", "Integers"));
    CreateNumberRow(&frame, 5, 115, 20, 60, "Byte", ByteField, SetByte);
    CreateNumberRow(&frame, 5, 115, 45, 60, "Word", WordField, SetWord);
    CreateNumberRow(&frame, 5, 115, 70, 140, "DWord", DWordField, SetDWord);
    CreateNumberRow(&frame, 5, 115, 95, 140, "QWord", QWordField, SetQWord);

    // Floating point (5, 245)
    CreateGroup(frame++, ValuesWindow, 5, 245, 230, 75, Text("Float", "Floating Point"));
    CreateNumberRow(&frame, 5, 245, 20, 140, "Single", SingleField, SetSingle);
    CreateNumberRow(&frame, 5, 245, 45, 140, "Double", DoubleField, SetDouble);

    // Others (5, 325): colour and time stamp are shown only; their Set
    // buttons stay disabled and say why.
    CreateGroup(frame++, ValuesWindow, 5, 325, 230, 75, Text("Others", "Other"));
    // These labels reach 8 pixels further left than the table's 10, and
    // their fields and buttons sit 5 pixels further right: the default font
    // of this desktop needs 76 pixels for the German "Zeitstempel:". The
    // field's tool tip shows a time stamp that does not fit whole.
    RowLabel(&frame, 5, 325, 2, 22, 80, "Color", "Colour");
    CreateCanvas(ColourSwatch, ValuesWindow, 5 + 85, 325 + 20, 120, 20, 0);
    SetButton(SetColour, 5, 325, 205, 20);
    RowLabel(&frame, 5, 325, 2, 47, 80, "Timestemp", "Timestamp");
    CreateInputField(TimestampField, ValuesWindow, 5 + 85, 325 + 45, 120, 20, "", ControlReadOnly);
    SetButton(SetTimestamp, 5, 325, 205, 45);
    for (int set : {SetColour, SetTimestamp}) {
        DisableControl(set, true);
        SetControlToolTip(set, Text("SetUnavailable", "This value is shown only and cannot be written"));
    }
}

// ---- refreshing -----------------------------------------------------------------

// Checkerboard of 4 x 4 squares (light where x + y is a multiple of 8), then
// the colour over the left half blended by its alpha and opaque over the right
// half. Without a colour (fewer than 4 bytes) only the checkerboard shows.
void DrawSwatch(bool hasColour, uint32_t colour) {
    Drawing drawing(ColourSwatch);
    if (!drawing.ok()) return;
    const int width = drawing.width(), height = drawing.height();
    for (int y = 0; y < height; y += 4)
        for (int x = 0; x < width; x += 4)
            drawing.box(x, y, 4, 4, (x + y) % 8 == 0 ? RGBA(0xC0, 0xC0, 0xC0) : RGBA(0x80, 0x80, 0x80));
    if (!hasColour) return;
    const int half = width / 2;
    drawing.setBlending(true);
    drawing.box(0, 0, half, height, colour);
    drawing.setBlending(false);
    drawing.box(half, 0, width - half, height, WithAlpha(colour, 255));
}

void ShowTexts(const ValueTexts &texts) {
    SetControlState(CharacterList, texts.character);
    for (int i = 0; i < 8; ++i) {
        const bool down = (texts.bits >> i) & 1;
        SetControlState(FirstBitToggle + i, down ? 1 : 0);
        SetControlText(FirstBitToggle + i, down ? "1" : "0");
    }
    SetFieldText(ByteField, texts.byte);
    SetFieldText(WordField, texts.word);
    SetFieldText(DWordField, texts.dword);
    SetFieldText(QWordField, texts.qword);
    SetFieldText(SingleField, texts.single);
    SetFieldText(DoubleField, texts.dbl);
    SetFieldText(TimestampField, texts.timestamp);
    // The longest values (20 digits, 16 decimals) are wider than their fields.
    SetControlToolTip(QWordField, texts.qword);
    SetControlToolTip(DoubleField, texts.dbl);
    SetControlToolTip(TimestampField, texts.timestamp);
    DrawSwatch(texts.hasColour, texts.colour);
}

// Up to 8 bytes at the cursor; returns how many there are.
int ReadAtCursor(HexView *view, uint8_t (&bytes)[8]) {
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store) return 0;
    const int64_t available = doc->Store->Length - doc->Cursor;
    if (doc->Cursor < 0 || available <= 0) return 0;
    const int64_t count = available < 8 ? available : 8;
    int64_t copied = 0;
    ReadBinary(doc->Store, doc->Cursor, count, SlotStatus, bytes, &copied);
    return static_cast<int>(copied);
}

void RefreshValues(HexView *view) {
    if (!IsWindow(ValuesWindow)) return;
    uint8_t bytes[8] = {};
    int available = ReadAtCursor(view, bytes);
    // Bytes the file could no longer give (another program cut it) are no
    // values: the rows end before them, as at the document's end.
    if (const Document *doc = view ? view->CurrentDocument : nullptr; doc && available > 0) {
        const auto runs = UnreadableRuns(doc->Store, doc->Cursor, available);
        if (!runs.empty()) available = static_cast<int>(runs.front().first - doc->Cursor);
    }
    ShowTexts(DescribeBytes(bytes, available, CurrentOrder()));
}

void RefreshFromCurrentView() { RefreshValues(HexViewByGadget(Shell().CurrentView)); }

// ---- writing ------------------------------------------------------------------------

void WriteAtCursor(const std::vector<uint8_t> &bytes) {
    const int gadget = Shell().CurrentView;
    HexViewCommand(gadget, HexPutData, bytes.data(), static_cast<int64_t>(bytes.size()));
    // The view's change callback refreshes too when it has one; a field
    // without that callback is refreshed here.
    RefreshValues(HexViewByGadget(gadget));
}

const char *RowName(ValueRow row) {
    switch (row) {
    case ValueRow::Byte: return "Byte";
    case ValueRow::Word: return "Word";
    case ValueRow::DWord: return "DWord";
    case ValueRow::QWord: return "QWord";
    case ValueRow::Single: return "Single";
    case ValueRow::Double: return "Double";
    }
    return "";
}

// A typed value the row cannot hold is not cut to fit: the user is told in
// this window and nothing is written. Returns false then.
bool AcceptTypedValue(const NumberRow &row, const std::string &text) {
    const ValueProblem problem = CheckValueText(row.row, text, CurrentOrder().sign);
    if (problem == ValueProblem::None) return true;
    const std::string name = Text(RowName(row.row), RowName(row.row));
    std::string message;
    if (problem == ValueProblem::NotANumber) {
        message = FillPlaceholder(GetText("\\Notices\\ValueNotANumber"), "%TEXT", text);
    } else if (row.row == ValueRow::Single || row.row == ValueRow::Double) {
        message = FillPlaceholder(GetText("\\Notices\\ValueBeyondFloat"), "%TEXT", text);
    } else {
        const auto [lowest, highest] = RowRange(row.row, CurrentOrder().sign);
        message = FillPlaceholder(GetText("\\Notices\\ValueOutOfRange"), "%TEXT", text);
        message = FillPlaceholder(FillPlaceholder(message, "%LOW", lowest), "%HIGH", highest);
    }
    ShowMessage(ValuesWindow, GetText("\\Messages\\Title"), FillPlaceholder(message, "%ROW", name));
    return false;
}

void SetNumberRow(const NumberRow &row) {
    const std::string text = GetControlText(row.field);
    if (!AcceptTypedValue(row, text)) {
        RefreshFromCurrentView();   // the field shows the document's value again
        return;
    }
    uint8_t current[8] = {};
    const int available = ReadAtCursor(HexViewByGadget(Shell().CurrentView), current);
    auto bytes = EncodeValue(row.row, text, CurrentOrder().bigEndian, current, available);
    // Checked above; no bytes is not written as zeros either.
    if (!bytes) {
        RefreshFromCurrentView();
        return;
    }
    WriteAtCursor(*bytes);
}

bool HandleControl(const Event &event) {
    // A hex view placed on this window still belongs to the loop.
    if (ControlWindow(event.control) != ValuesWindow || IsHexViewGadget(event.control)) return false;
    const int control = event.control;
    if (control >= FirstBitToggle && control < FirstBitToggle + 8) {
        SetControlText(control, GetControlState(control) ? "1" : "0");
        return true;
    }
    for (const NumberRow &row : NumberRows) {
        // Enter in a number field does what its Set button does.
        if (control == row.set || control == row.field) {
            SetNumberRow(row);
            return true;
        }
    }
    if (control == SetCharacter) {
        const int index = GetControlState(CharacterList);
        if (index < 0 || index > 255) return true;   // nothing selected: nothing to write
        WriteAtCursor({static_cast<uint8_t>(index)});
        return true;
    }
    if (control == SetBits) {
        uint8_t value = 0;
        for (int i = 0; i < 8; ++i)
            if (GetControlState(FirstBitToggle + i)) value |= static_cast<uint8_t>(1u << i);
        WriteAtCursor({value});
        return true;
    }
    // The list, the swatch, the time stamp and the disabled Set buttons act on nothing.
    return true;
}

bool HandleMenu(int id) {
    if (id != CommandValuesEditor) return false;
    AppSettings().Hide = 0;
    ShowWindow(ValuesWindow, true);
    RefreshFromCurrentView();
    return true;
}

// Every redraw of a hex view lands here; only the current view's count.
void ViewChanged(HexView *view) {
    if (!view || view->Gadget != Shell().CurrentView) return;
    RefreshValues(view);
}

}  // namespace

const ToolModule ValuesEditorTool{
    .open = OpenValuesEditor,
    .menu = HandleMenu,
    .control = HandleControl,
    .close = nullptr,
    .selection = nullptr,
    .viewChanged = ViewChanged,
};

}  // namespace hx
