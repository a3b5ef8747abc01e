// The values editor window driven through the shell's loop: rows refreshed
// from the current hex view's cursor, the menu's sign and byte order, Set
// buttons writing through the view (undoable), the swatch's pixels, and the
// current view following the keyboard focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <QTemporaryDir>

#include <fstream>
#include <random>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "app/toolwindows/ValuesEditorWindow.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "platform/Canvas.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

class ValuesEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\nLanguage = English\r\n");
        InitTestPlatform();
        // Start-up looks beside the test executable and keeps these when it finds none there.
        ASSERT_TRUE(LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/" + language() + ".ini"));
        Dialogs().message = [](int, const std::string &, const std::string &) {};
        const std::string path = dir.path().toStdString() + "/counting.bin";
        std::ofstream(path, std::ios::binary) << std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
        StartUp(path);
        pump();
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    virtual std::string language() const { return "English"; }
    static void pump() {
        while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    }
    static void menu(int id) {
        PostMenuEvent(id);
        pump();
    }
    static void act(int control, int state = 0) {
        ActivateControl(control, state);
        pump();
    }
    static void order(bool sign, bool bigEndian) {
        if (IsCommandChecked(CommandSign) != sign) menu(CommandSign);
        menu(bigEndian ? CommandBigEndian : CommandLittleEndian);
    }
    static Document *doc(int gadget = MainViewGadget) { return HexViewByGadget(gadget)->CurrentDocument; }
    static Bytes bytes(int gadget = MainViewGadget) {
        ByteBuffer all = HexViewDocumentBytes(gadget);
        return all ? Bytes(all.data(), all.data() + all.size()) : Bytes();
    }
    // New content (outside the history) with the cursor at offset.
    static void load(const Bytes &content, int64_t cursor) {
        HexViewCommand(MainViewGadget, HexReplaceAll, content.data(), static_cast<int64_t>(content.size()));
        HexViewCommand(MainViewGadget, HexGoTo, nullptr, cursor);
    }
    static std::string text(int control) { return GetControlText(control); }
    static void set(int field, int button, const std::string &value) {
        SetControlText(field, value);
        act(button);
    }
    static int bitsShown() {
        int value = 0;
        for (int i = 0; i < 8; ++i) {
            const std::string t = text(ValuesFirstBitToggle + i);
            EXPECT_EQ(t, GetControlState(ValuesFirstBitToggle + i) ? "1" : "0") << "bit " << i;
            if (t == "1") value |= 1 << i;
        }
        return value;
    }

    QTemporaryDir dir;
};

TEST_F(ValuesEditorTest, WindowIsBuiltAsTheTableSays) {
    ASSERT_TRUE(IsWindow(ValuesEditorWindowNumber));
    EXPECT_EQ(WindowWidth(ValuesEditorWindowNumber), 240);
    EXPECT_EQ(WindowHeight(ValuesEditorWindowNumber), 410);
    ASSERT_EQ(DropDownCount(ValuesCharacterList), 256);
    EXPECT_EQ(DropDownText(ValuesCharacterList, 65), "[065] A");
    EXPECT_EQ(DropDownText(ValuesCharacterList, 32), "[032] Space");
    EXPECT_EQ(DropDownData(ValuesCharacterList, 200), 200);
    EXPECT_EQ(text(ValuesFirstFrame + 2), "Integers");
    EXPECT_FALSE(IsControlEnabled(ValuesSetColour));
    EXPECT_FALSE(IsControlEnabled(ValuesSetTimestamp));
    EXPECT_EQ(CanvasWidth(ValuesColourSwatch), 120);
    EXPECT_EQ(CanvasHeight(ValuesColourSwatch), 20);
}

class ValuesEditorGermanTest : public ValuesEditorTest {
    std::string language() const override { return "German"; }
};

// Controls take Latin-1: the language file's UTF-8 names arrive as such.
TEST_F(ValuesEditorGermanTest, NamesFromTheLanguageFileKeepTheirUmlauts) {
    EXPECT_EQ(DropDownText(ValuesCharacterList, 4), "[004] EOT (\xC3\x9C" "bertragungsende)");
    EXPECT_EQ(DropDownText(ValuesCharacterList, 0xE4), "[228] \xC3\xA4");
    EXPECT_EQ(text(ValuesFirstFrame + 7), "Gleitkommazahlen");
}

// The longer German names ("Zeitstempel:") are not cut.
TEST_F(ValuesEditorGermanTest, EveryLabelShowsItsWholeText) {
    const QList<QLabel *> labels = WindowWidget(ValuesEditorWindowNumber)->findChildren<QLabel *>();
    ASSERT_GE(labels.size(), 8);
    for (const QLabel *label : labels)
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
}

TEST_F(ValuesEditorTest, MenuCommandShowsTheWindowAndClearsHide) {
    ShowWindow(ValuesEditorWindowNumber, false);
    AppSettings().Hide = 1;
    menu(CommandValuesEditor);
    EXPECT_TRUE(IsWindowVisible(ValuesEditorWindowNumber));
    EXPECT_EQ(AppSettings().Hide, 0);
}

TEST_F(ValuesEditorTest, RowsShowTheBytesAtTheCursor) {
    struct Case {
        Bytes content;
        int64_t cursor;
        bool sign, big;
        int character;
        const char *byte, *word, *dword, *qword, *single, *dbl, *timestamp;
    } cases[] = {
        // Single and Double too small for their decimals show their exact short form.
        {{1, 2, 3, 4, 5, 6, 7, 8}, 0, false, false, 1, "1", "513", "67305985", "578437695752307201",
         "1.5399896e-36", "5.447603722011605e-270", "19.02.1972 00:06:25"},
        {{1, 2, 3, 4, 5, 6, 7, 8}, 0, false, true, 1, "1", "258", "16909060", "72623859790382856",
         "1.5399896e-36", "5.447603722011605e-270", "15.07.1970 16:57:40"},
        {{0xFF, 0xFF}, 0, true, false, 255, "-1", "-1", "", "", "", "", ""},
        {{0xFF, 0xFF}, 0, false, false, 255, "255", "65535", "", "", "", "", ""},
        {{9, 9, 0x41, 0x42, 0x43}, 2, false, false, 0x41, "65", "16961", "", "", "", "", ""},
        {{1, 2, 3}, 3, true, false, -1, "", "", "", "", "", "", ""},
        {{0, 0, 0, 0}, 0, true, true, 0, "0", "0", "0", "", "0.0000000", "", "01.01.1970 00:00:00"},
        {{0, 0, 0x80, 0x3F}, 0, true, true, 0, "0", "0", "32831", "", "1.0000000", "", "01.01.1970 09:07:11"},
        {{0, 0, 0x80, 0x3F}, 0, true, false, 0, "0", "0", "1065353216", "", "1.0000000", "", "05.10.2003 11:26:56"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.word) + " at " + std::to_string(c.cursor) + (c.big ? " big" : " little"));
        order(c.sign, c.big);
        load(c.content, c.cursor);
        EXPECT_EQ(GetControlState(ValuesCharacterList), c.character);
        EXPECT_EQ(bitsShown(), c.character < 0 ? 0 : c.character);
        EXPECT_EQ(text(ValuesByteField), c.byte);
        EXPECT_EQ(text(ValuesWordField), c.word);
        EXPECT_EQ(text(ValuesDWordField), c.dword);
        EXPECT_EQ(text(ValuesQWordField), c.qword);
        EXPECT_EQ(text(ValuesSingleField), c.single);
        EXPECT_EQ(text(ValuesDoubleField), c.dbl);
        EXPECT_EQ(text(ValuesTimestampField), c.timestamp);
    }
}

TEST_F(ValuesEditorTest, ByteOrderAndSignFromTheMenuRefreshAtOnce) {
    order(false, false);
    EXPECT_EQ(text(ValuesWordField), "513");
    menu(CommandBigEndian);
    EXPECT_EQ(text(ValuesWordField), "258");
    EXPECT_EQ(text(ValuesQWordField), "72623859790382856");
    load({0xFF, 0xFE}, 0);
    EXPECT_EQ(text(ValuesWordField), "65534");
    menu(CommandSign);
    EXPECT_EQ(text(ValuesWordField), "-2");
}

TEST_F(ValuesEditorTest, SetWritesTheRowsBytesAtTheCursor) {
    struct Case {
        int mode;   // 0 insert, 1 overwrite
        bool big;
        int field, button;
        const char *typed;
        Bytes after;
    } cases[] = {
        {1, true, ValuesWordField, ValuesSetWord, "1", {0xAA, 0x00, 0x01, 0xAA}},
        {0, false, ValuesWordField, ValuesSetWord, "$FFFF", {0xAA, 0xFF, 0xFF, 0xAA, 0xAA, 0xAA}},
        {1, false, ValuesByteField, ValuesSetByte, "-1", {0xAA, 0xFF, 0xAA, 0xAA}},
        {1, false, ValuesByteField, ValuesSetByte, "$7f", {0xAA, 0x7F, 0xAA, 0xAA}},
        {1, true, ValuesDWordField, ValuesSetDWord, "%101", {0xAA, 0, 0, 0, 5}},
        {1, false, ValuesSingleField, ValuesSetSingle, "-2.5", {0xAA, 0, 0, 0x20, 0xC0}},
        {1, true, ValuesDoubleField, ValuesSetDouble, "+Infinity", {0xAA, 0, 0, 0, 0, 0, 0, 0xF0, 0x7F}},
        // Overwriting near the end grows the document as the view's command does.
        {1, false, ValuesQWordField, ValuesSetQWord, "1", {0xAA, 1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        order(true, c.big);
        load({0xAA, 0xAA, 0xAA, 0xAA}, 1);
        doc()->EditMode = c.mode;
        const int before = HistoryIndex(doc()->Hist);
        set(c.field, c.button, c.typed);
        EXPECT_EQ(bytes(), c.after);
        EXPECT_EQ(HistoryIndex(doc()->Hist), before + 1);
        menu(CommandUndo);
        EXPECT_EQ(bytes(), Bytes(4, 0xAA));
    }
}

TEST_F(ValuesEditorTest, SetInInsertModeReplacesTheSelection) {
    load({1, 2, 3, 4, 5, 6}, 1);
    doc()->EditMode = 0;
    doc()->SelectionLength = 3;
    RedrawHexView(MainViewGadget);
    set(ValuesByteField, ValuesSetByte, "-1");
    EXPECT_EQ(bytes(), (Bytes{1, 0xFF, 5, 6}));
    menu(CommandUndo);
    EXPECT_EQ(bytes(), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST_F(ValuesEditorTest, TextWithoutANumberWritesNothingAndShowsTheValueAgain) {
    order(false, false);
    const int before = HistoryIndex(doc()->Hist);
    const std::pair<int, int> rows[] = {{ValuesByteField, ValuesSetByte},     {ValuesWordField, ValuesSetWord},
                                        {ValuesQWordField, ValuesSetQWord},   {ValuesSingleField, ValuesSetSingle},
                                        {ValuesDoubleField, ValuesSetDouble}};
    for (auto [field, button] : rows)
        for (const char *typed : {"", "abc", "-", "$"}) {
            const std::string shown = text(field);
            set(field, button, typed);
            EXPECT_EQ(text(field), shown) << typed;
        }
    EXPECT_EQ(bytes(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(HistoryIndex(doc()->Hist), before);
}

TEST_F(ValuesEditorTest, ValuesThatDoNotFitAreRefusedWithAMessageAndWriteNothing) {
    std::vector<std::string> said;
    Dialogs().message = [&](int window, const std::string &, const std::string &text) {
        EXPECT_EQ(window, ValuesEditorWindowNumber);
        said.push_back(text);
    };
    struct Case {
        bool sign;
        int field, button;
        const char *typed;
        const char *says;   // "" when it is written
    } cases[] = {
        {false, ValuesByteField, ValuesSetByte, "300", "0 to 255"},
        {false, ValuesByteField, ValuesSetByte, "255", ""},
        {false, ValuesByteField, ValuesSetByte, "-1", "0 to 255"},
        {true, ValuesByteField, ValuesSetByte, "128", "-128 to 127"},
        {true, ValuesByteField, ValuesSetByte, "-128", ""},
        {true, ValuesByteField, ValuesSetByte, "$FF", ""},   // bits fill the row whatever the sign
        {true, ValuesByteField, ValuesSetByte, "$100", "-128 to 127"},
        {true, ValuesWordField, ValuesSetWord, "40000", "-32768 to 32767"},
        {false, ValuesQWordField, ValuesSetQWord, "18446744073709551615", ""},
        {false, ValuesQWordField, ValuesSetQWord, "18446744073709551616", "0 to 18446744073709551615"},
        {true, ValuesQWordField, ValuesSetQWord, "-9223372036854775809", "-9223372036854775808 to"},
        {false, ValuesByteField, ValuesSetByte, "abc", "not a number"},
        {false, ValuesByteField, ValuesSetByte, "12abc", "not a number"},
        {false, ValuesSingleField, ValuesSetSingle, "1,5", "not a number"},
        {false, ValuesSingleField, ValuesSetSingle, "1e39", "beyond the range"},
        {false, ValuesDoubleField, ValuesSetDouble, " 1e308 ", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        order(c.sign, false);
        load({0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, 0);
        doc()->EditMode = 1;
        said.clear();
        const int before = HistoryIndex(doc()->Hist);
        set(c.field, c.button, c.typed);
        const bool refused = *c.says != 0;
        EXPECT_EQ(HistoryIndex(doc()->Hist), before + (refused ? 0 : 1));
        ASSERT_EQ(said.size(), refused ? 1u : 0u);
        if (refused) {
            EXPECT_NE(said[0].find(c.says), std::string::npos) << said[0];
        }
    }
    // The widest values can be read whole.
    order(true, false);
    load({0, 0, 0, 0, 0, 0, 0, 0x80}, 0);
    EXPECT_EQ(ControlToolTip(ValuesQWordField), "-9223372036854775808");
    EXPECT_EQ(ControlToolTip(ValuesTimestampField), text(ValuesTimestampField));
}

TEST_F(ValuesEditorTest, BitTogglesChangeOnlyTheirTextUntilSet) {
    doc()->EditMode = 1;
    act(ValuesFirstBitToggle + 7);
    act(ValuesFirstBitToggle + 0);
    EXPECT_EQ(text(ValuesFirstBitToggle + 7), "1");
    EXPECT_EQ(text(ValuesFirstBitToggle + 0), "0");   // bit 0 of 01 was set
    EXPECT_EQ(bytes()[0], 0x01);
    act(ValuesSetBits);
    EXPECT_EQ(bytes()[0], 0x80);

    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 0);
    SetControlState(ValuesCharacterList, 0x41);
    act(ValuesSetCharacter);
    EXPECT_EQ(bytes()[0], 0x41);
}

TEST_F(ValuesEditorTest, EnterInANumberFieldWritesItsRow) {
    doc()->EditMode = 1;
    SetControlText(ValuesDWordField, "-1");
    act(ValuesDWordField);
    EXPECT_EQ(bytes(), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 5, 6, 7, 8}));
}

TEST_F(ValuesEditorTest, AtTheEndCharacterSetWritesNothing) {
    load({1, 2}, 2);
    act(ValuesSetCharacter);
    EXPECT_EQ(bytes(), (Bytes{1, 2}));
}

// Each row's shown text set back in overwrite mode leaves the document as it
// was: random bytes with NaNs and infinities among them, every sign and order.
TEST_F(ValuesEditorTest, EveryShownValueWritesBackUnchanged) {
    const uint32_t seed = 7177;
    std::mt19937 random(seed);
    // Quiet NaNs at 0; single -Inf and a double NaN with payload at 8; random from 16.
    Bytes content = {0, 0, 0xC0, 0x7F, 0, 0, 0xF8, 0x7F, 0, 0, 0x80, 0xFF, 0, 0, 0xF0, 0xFF};
    for (int i = 0; i < 16; ++i) content.push_back(static_cast<uint8_t>(random()));
    load(content, 0);
    doc()->EditMode = 1;
    const int sets[] = {ValuesSetCharacter, ValuesSetBits, ValuesSetByte,   ValuesSetWord,
                        ValuesSetDWord,     ValuesSetQWord, ValuesSetSingle, ValuesSetDouble};
    for (bool sign : {false, true})
        for (bool big : {false, true}) {
            order(sign, big);
            for (int64_t cursor : {0, 8, 16}) {
                HexViewCommand(MainViewGadget, HexGoTo, nullptr, cursor);
                for (int button : sets) {
                    act(button);
                    ASSERT_EQ(bytes(), content) << "seed " << seed << " cursor " << cursor << " button " << button;
                    HexViewCommand(MainViewGadget, HexGoTo, nullptr, cursor);
                }
            }
        }
}

TEST_F(ValuesEditorTest, SwatchShowsCheckerboardAndTheColour) {
    auto pixel = [](int x, int y) { return CanvasImage(ValuesColourSwatch).pixelColor(x, y); };
    order(true, false);
    load({0x20, 0x40, 0xF0, 0x80}, 0);   // red 20, green 40, blue F0, alpha 80
    // Right half: the colour, opaque.
    EXPECT_EQ(pixel(119, 19), QColor(0x20, 0x40, 0xF0));
    EXPECT_EQ(pixel(60, 0), QColor(0x20, 0x40, 0xF0));
    // Left half: blended over light (0, 0) and dark (4, 0) squares.
    auto near = [](int a, int b) { return std::abs(a - b) <= 2; };
    const QColor light = pixel(0, 0), dark = pixel(4, 0);
    EXPECT_TRUE(near(light.red(), (0x20 * 0x80 + 0xC0 * 0x7F) / 255)) << light.red();
    EXPECT_TRUE(near(dark.red(), (0x20 * 0x80 + 0x80 * 0x7F) / 255)) << dark.red();
    EXPECT_TRUE(near(light.blue(), (0xF0 * 0x80 + 0xC0 * 0x7F) / 255)) << light.blue();

    // Fewer than 4 bytes: only the checkerboard.
    load({1, 2, 3}, 0);
    EXPECT_EQ(pixel(0, 0), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(pixel(4, 0), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(pixel(4, 4), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(pixel(112, 16), QColor(0xC0, 0xC0, 0xC0));
}

// Values follow, and are written to, the hex view that last had the focus:
// the transformation window's mask field when that window is there, else a
// field of the same number made here.
TEST_F(ValuesEditorTest, CurrentViewFollowsTheFocus) {
    constexpr int MaskField = 42;
    if (!HexViewByGadget(MaskField)) {
        ASSERT_NE(CreateHexView(MaskField, ValuesEditorWindowNumber, 0, 0, 200, 60, 0), nullptr);
    }
    const Bytes mask{0x10, 0x20, 0x30};
    HexViewCommand(MaskField, HexReplaceAll, mask.data(), 3);
    HexViewCommand(MaskField, HexGoTo, nullptr, 0);
    const int window = ControlWindow(MaskField);
    ShowWindow(window, true);
    ShowControl(MaskField, true);   // the transformation window shows it for XOr only
    QApplication::setActiveWindow(WindowWidget(window));
    FocusControl(MaskField);
    pump();
    DispatchEvent(Event{});   // the loop notes the focus at every event
    EXPECT_EQ(Shell().CurrentView, MaskField);
    order(false, false);
    EXPECT_EQ(text(ValuesWordField), "8208");   // 10 20 of the mask, not 01 02

    doc(MaskField)->EditMode = 0;
    const Bytes before = bytes(MaskField);
    set(ValuesByteField, ValuesSetByte, "255");
    EXPECT_EQ(bytes(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    Bytes expected = before;
    expected.insert(expected.begin(), 0xFF);
    EXPECT_EQ(bytes(MaskField), expected);

    // A redraw of the main view while the field is current leaves the rows alone.
    RedrawHexView(MainViewGadget);
    EXPECT_EQ(text(ValuesWordField), "8208") << "shown from the current view only";
}

}  // namespace
