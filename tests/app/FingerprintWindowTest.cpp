// The fingerprint tool driven through the loop: the Fingerprint menu over the
// selection, Update over the typed range, the drop-down, the busy state with
// Cancel and the close box, a range that cannot be read, and copying the
// digest out of the result field.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/shell/Application.h"
#include "app/toolwindows/FingerprintWindow.h"
#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "tools/AlgorithmRegistry.h"
#include "tools/Fingerprints.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

constexpr const char *Md5OfAbc = "900150983CD24FB0D6963F7D28E17F72";
constexpr const char *Md5OfNothing = "D41D8CD98F00B204E9800998ECF8427E";

class FingerprintWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    std::string file(const std::string &name, const std::string &bytes) {
        std::string path = dir.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static Document *current() { return HexViewByGadget(MainViewGadget)->CurrentDocument; }
    static void select(int64_t start, int64_t length) {
        current()->Cursor = start;
        current()->SelectionLength = length;
        RedrawHexView(MainViewGadget);
    }
    static void menu(int id) { ChooseMenuItem(id); }
    static int menuId(const std::string &algorithm) {
        for (int id : GroupItems(FingerprintGroup))
            if (MenuAlgorithm(id) && MenuAlgorithm(id)->Name == algorithm) return id;
        ADD_FAILURE() << "no menu entry for " << algorithm;
        return -1;
    }
    static void update(const std::string &position, const std::string &length) {
        SetControlText(FingerprintPositionField, position);
        SetControlText(FingerprintLengthField, length);
        ActivateControl(FingerprintUpdateButton);
        while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    }
    static std::string shown() {
        ByteBuffer bytes = HexViewDocumentBytes(FingerprintResultField);
        return bytes ? BytesToHex(bytes.data(), bytes.size()) : std::string();
    }
    // The idle state: inputs enabled, Update shown, every window enabled again.
    static void expectIdle() {
        for (int control : {FingerprintAlgorithmList, FingerprintPositionField, FingerprintLengthField,
                            FingerprintResultField})
            EXPECT_TRUE(IsControlEnabled(control)) << control;
        EXPECT_TRUE(IsControlVisible(FingerprintUpdateButton));
        EXPECT_FALSE(IsControlVisible(FingerprintCancelButton));
        for (int w = 0; w <= 6; ++w) {
            if (IsWindow(w)) {
                EXPECT_TRUE(WindowWidget(w)->isEnabled()) << "window " << w;
            }
        }
    }

    QTemporaryDir dir;
    std::vector<std::string> messages;
};

TEST_F(FingerprintWindowTest, WindowHoldsTheRegisteredAlgorithmsInOrderAndStartsHidden) {
    StartUp("");
    ASSERT_TRUE(IsWindow(FingerprintWindowNumber));
    EXPECT_FALSE(IsWindowVisible(FingerprintWindowNumber));
    EXPECT_EQ(WindowWidth(2), FingerprintWindowWidth);
    EXPECT_EQ(WindowHeight(2), FingerprintWindowHeight);
    const auto &records = FingerprintRegistry().records();
    ASSERT_EQ(DropDownCount(FingerprintAlgorithmList), static_cast<int>(records.size()));
    for (int i = 0; i < DropDownCount(FingerprintAlgorithmList); ++i) {
        const auto *record = reinterpret_cast<const AlgorithmRecord *>(DropDownData(FingerprintAlgorithmList, i));
        ASSERT_EQ(record, records[static_cast<size_t>(i)].get());
        EXPECT_EQ(DropDownText(FingerprintAlgorithmList, i), GetText("\\Menu\\" + record->Name));
    }
    EXPECT_EQ(GetControlText(FingerprintPositionField), "0");
    EXPECT_EQ(GetControlText(FingerprintLengthField), "0");
    EXPECT_EQ(shown(), "");
    expectIdle();
}

TEST_F(FingerprintWindowTest, MenuEntryDigestsTheSelectionWithEachAlgorithm) {
    StartUp(file("abc.bin", "abc"));
    select(0, 3);
    EXPECT_EQ(GetControlText(FingerprintLengthField), "3");   // the selection mirrored
    const struct {
        const char *algorithm, *digest;
    } cases[] = {
        {"MD5", Md5OfAbc},
        {"CRC32", "352441C2"},   // printed check value, most significant byte first
        {"SHA1", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"Adler32", "024D0127"},
    };
    for (const auto &c : cases) {
        menu(menuId(c.algorithm));
        EXPECT_EQ(shown(), c.digest) << c.algorithm;
        EXPECT_EQ(GetControlText(FingerprintAlgorithmList), GetText(std::string("\\Menu\\") + c.algorithm));
    }
    EXPECT_TRUE(IsWindowVisible(FingerprintWindowNumber));
    EXPECT_EQ(GetControlText(FingerprintPositionField), "0");
    EXPECT_EQ(GetControlText(FingerprintLengthField), "3");
    EXPECT_EQ(GetControlState(FingerprintProgressBar), 1000);
    EXPECT_TRUE(messages.empty());
    expectIdle();
}

TEST_F(FingerprintWindowTest, NothingSelectedDigestsTheWholeDocumentAndCopyGivesLowerCaseHex) {
    StartUp(file("abc.bin", "abc"));
    menu(menuId("SHA256"));
    EXPECT_EQ(shown(), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(GetControlText(FingerprintLengthField), "3");
    const std::string sha256 = GetText("\\Menu\\SHA256");   // "SHA-256" with the English texts loaded
    EXPECT_EQ(GetControlText(FingerprintRangeLabel), sha256 + " of the whole document (length 3)");
    SetClipboardText("");
    ActivateControl(FingerprintCopyButton);
    while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    EXPECT_EQ(ClipboardText(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    update("1", "5");
    EXPECT_EQ(GetControlText(FingerprintRangeLabel), sha256 + " of offsets 1 to 2 (length 2)");
    update("5", "1");
    EXPECT_EQ(GetControlText(FingerprintRangeLabel), sha256 + " of no bytes: the range is empty");
}

// What the user does after a digest is shown, and whether the digest stays.
TEST_F(FingerprintWindowTest, ChangingAlgorithmRangeOrBytesTakesTheDigestAway) {
    StartUp(file("abc.bin", "abc"));
    auto typeInto = [](int field, const char *text) {
        auto *edit = qobject_cast<QLineEdit *>(ControlWidget(field));
        ASSERT_NE(edit, nullptr);
        edit->setText(text);
        emit edit->textEdited(text);
    };
    auto drain = [] {
        while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    };
    const struct {
        const char *change;
        std::function<void()> act;
        bool stays;
    } cases[] = {
        {"a redraw of the main view", [] { RedrawHexView(MainViewGadget); }, true},
        {"the same number typed again", [&] { typeInto(FingerprintLengthField, "$3"); }, true},
        {"another length typed", [&] { typeInto(FingerprintLengthField, "2"); }, false},
        {"another offset typed", [&] { typeInto(FingerprintPositionField, "1"); }, false},
        {"another algorithm", [] { ActivateControl(FingerprintAlgorithmList, 2); }, false},
        {"another selection", [] { select(1, 2); }, false},
        {"a changed byte",
         [] {
             ReplaceBytes(current(), 0, 1, reinterpret_cast<const uint8_t *>("x"), 1);
             RedrawHexView(MainViewGadget);
         },
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        select(0, 0);
        update("0", "3");
        ASSERT_EQ(shown(), Md5OfAbc);
        c.act();
        drain();
        EXPECT_EQ(shown(), c.stays ? Md5OfAbc : "");
        EXPECT_EQ(GetControlText(FingerprintRangeLabel).empty(), !c.stays);
        EXPECT_EQ(IsControlEnabled(FingerprintCopyButton), c.stays);
        EXPECT_EQ(ShownFingerprintHex().empty(), !c.stays);
        HexViewCommand(MainViewGadget, HexUndo, nullptr, 0);
        SetControlState(FingerprintAlgorithmList, 0);
    }
}

TEST_F(FingerprintWindowTest, UpdateReadsTheFieldsLenientlyAndWritesThemBackAsDecimals) {
    StartUp(file("abc.bin", "abc"));
    const struct {
        const char *position, *length;
        const char *positionAfter, *lengthAfter;
        const char *digest;
    } cases[] = {
        {"0", "3", "0", "3", Md5OfAbc},
        {"0", "0", "0", "0", Md5OfNothing},                                // Length 0: digest of nothing
        {"$1", "%10", "1", "2", "5360AF35BDE9EBD8F01F492DC059593C"},       // "bc"
        {"  1", "1000", "1", "1000", "5360AF35BDE9EBD8F01F492DC059593C"},  // past the end: up to the end
        {"7", "5", "7", "5", Md5OfNothing},                                // after the end: nothing
        {"-1", "3", "0", "2", "187EF4436122D1CC2F40DC2B92F0EBA0"},         // "ab": the part before 0 is lost
        {"1", "-4", "1", "0", Md5OfNothing},
        {"x", "", "0", "0", Md5OfNothing},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.position) + " / " + c.length);
        update(c.position, c.length);
        EXPECT_EQ(shown(), c.digest);
        EXPECT_EQ(GetControlText(FingerprintPositionField), c.positionAfter);
        EXPECT_EQ(GetControlText(FingerprintLengthField), c.lengthAfter);
    }
    // The algorithm comes from the drop-down.
    SetControlState(FingerprintAlgorithmList, 1);
    update("0", "3");
    EXPECT_EQ(shown(), "352441C2");
    expectIdle();
}

TEST_F(FingerprintWindowTest, CancelOrCloseDuringARunShowsNoDigestAndEnablesEveryWindow) {
    StartUp(file("abc.bin", "abc"));
    select(0, 3);
    menu(menuId("MD5"));
    ASSERT_EQ(shown(), Md5OfAbc);
    // Pressed while the run goes: served between the slices.
    PostControlEvent(FingerprintWindowNumber, FingerprintCancelButton, ControlActivated);
    menu(menuId("SHA1"));
    EXPECT_EQ(shown(), "");
    EXPECT_TRUE(IsWindowVisible(FingerprintWindowNumber));
    expectIdle();

    Event close;
    close.window = FingerprintWindowNumber;
    close.kind = EventCloseWindow;
    PostEvent(close);
    menu(menuId("MD5"));
    EXPECT_EQ(shown(), "");
    EXPECT_FALSE(IsWindowVisible(FingerprintWindowNumber));
    EXPECT_TRUE(messages.empty());
    expectIdle();
    EXPECT_EQ(PendingEventCount(), 0u);

    // The next run is whole again.
    menu(menuId("MD5"));
    EXPECT_EQ(shown(), Md5OfAbc);
}

TEST_F(FingerprintWindowTest, CloseBoxHidesTheWindowAndItKeepsItsDigest) {
    StartUp(file("abc.bin", "abc"));
    select(0, 3);
    menu(menuId("MD5"));
    Event close;
    close.window = FingerprintWindowNumber;
    close.kind = EventCloseWindow;
    EXPECT_TRUE(DispatchEvent(close));
    EXPECT_FALSE(IsWindowVisible(FingerprintWindowNumber));
    EXPECT_TRUE(IsWindow(FingerprintWindowNumber));
    EXPECT_EQ(shown(), Md5OfAbc);
}

TEST_F(FingerprintWindowTest, RangeThatCannotBeReadShowsTheMessageAndNoDigest) {
    // Two chunks; the view reads only the first. The file then loses the
    // second chunk's bytes behind the editor's back.
    const std::string path = file("shrinks.bin", "abc");
    std::filesystem::resize_file(path, EditorChunkLength + 100);
    StartUp(path);
    ASSERT_EQ(current()->Store->Length, EditorChunkLength + 100);
    std::filesystem::resize_file(path, EditorChunkLength + 10);
    select(0, current()->Store->Length);
    menu(menuId("CRC32"));
    EXPECT_EQ(shown(), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], GetText("\\Result\\ReadFailed"));
    expectIdle();
    // The bytes that can be read still give their digest.
    messages.clear();
    update("0", "3");
    EXPECT_EQ(shown(), "352441C2");
    EXPECT_TRUE(messages.empty());
}

TEST_F(FingerprintWindowTest, SelectAllAndCopyInTheResultFieldPutTheDigestOnTheClipboard) {
    StartUp(file("abc.bin", "abc"));
    select(0, 3);
    menu(menuId("MD5"));
    SetClipboardText("");
    // The field's own keys, as the loop hands them to it.
    for (int key : {int(KeyA), int(KeyC)}) {
        Event e;
        e.window = FingerprintWindowNumber;
        e.control = FingerprintResultField;
        e.kind = EventControl;
        e.type = CanvasKeyDown;
        e.input.key = key;
        e.input.modifiers = ModControl;
        DispatchEvent(e);
    }
    EXPECT_EQ(ClipboardText(), Md5OfAbc);

    // The menu's Select All and Copy act on the focused field, not on the main view.
    HexViewCommand(FingerprintResultField, HexGoTo, nullptr, 0);
    SetClipboardText("");
    QApplication::setActiveWindow(WindowWidget(FingerprintWindowNumber));
    FocusControl(FingerprintResultField);
    ASSERT_EQ(FocusedControl(), FingerprintResultField);
    menu(CommandSelectAll);
    menu(CommandCopy);
    EXPECT_EQ(ClipboardText(), Md5OfAbc);
    EXPECT_EQ(current()->SelectionLength, 3);   // the main view's selection untouched
}

TEST_F(FingerprintWindowTest, ProgressFollowsTheWalkToTheEnd) {
    StartUp("");
    Binary *store = CreateBinary(-1, 1000);
    ASSERT_NE(store, nullptr);
    std::vector<uint8_t> bytes(10000, 'x');
    ASSERT_EQ(InsertBinary(store, 0, bytes.data(), 10000), BinaryOk);
    ToolRun run;
    run.progressBar = FingerprintProgressBar;
    std::vector<int> progress;
    run.afterSlice = [&] { progress.push_back(GetControlState(FingerprintProgressBar)); };
    FingerprintOutcome outcome = FingerprintOfRange(*FingerprintRegistry().find("MD5"), store, 500, 9000, run);
    EXPECT_EQ(outcome.result, ToolRunResult::Done);
    ASSERT_GE(progress.size(), 9u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.front(), 56);   // 500 of 9000 bytes, rounded
    EXPECT_EQ(progress.back(), 1000);
    FreeBinary(store);
}

TEST_F(FingerprintWindowTest, WalkOverAFileLetsGoOfEveryChunkItRead) {
    StartUp("");
    std::string bytes(10000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + (i >> 7));
    const std::string path = file("chunks.bin", bytes);
    Binary *store = OpenBinary(-1, path, 1000);
    ASSERT_NE(store, nullptr);
    const AlgorithmRecord &sha1 = *FingerprintRegistry().find("SHA1");
    FingerprintOutcome whole = FingerprintOfRange(sha1, store, 0, 20000, ToolRun());
    ASSERT_EQ(whole.result, ToolRunResult::Done);
    std::optional<ByteBuffer> expected = DigestOfFile(sha1, path);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(BytesToHex(whole.digest.data(), whole.digest.size()), BytesToHex(expected->data(), expected->size()));
    EXPECT_EQ(GetBinaryCacheSize(store), 0);

    // Cancelled after the first slice: no digest, and the chunk in hand goes back too.
    ToolRun run;
    run.window = FingerprintWindowNumber;
    run.afterSlice = [] {
        Event close;
        close.window = FingerprintWindowNumber;
        close.kind = EventCloseWindow;
        PostEvent(close);
    };
    FingerprintOutcome cancelled = FingerprintOfRange(sha1, store, 0, 10000, run);
    EXPECT_EQ(cancelled.result, ToolRunResult::Cancelled);
    EXPECT_FALSE(cancelled.digest.valid());
    EXPECT_EQ(GetBinaryCacheSize(store), 0);
    FreeBinary(store);
}

TEST_F(FingerprintWindowTest, TextsOfTheLanguageFileKeepTheirUmlauts) {
    StartUp("");
    LoadLanguageText("[Result]\nFingerprint = Pr\xC3\xBC" "fsumme\nLength = L\xC3\xA4nge\n[Menu]\nMD5 = MD5-Pr\xC3\xBC" "fung\n");
    FingerprintTool.open();   // the window anew, with these texts
    EXPECT_EQ(GetControlText(FingerprintGroupBox), "Pr\xC3\xBC" "fsumme");
    EXPECT_EQ(GetControlText(FingerprintLengthLabel), "L\xC3\xA4nge:");
    EXPECT_EQ(DropDownText(FingerprintAlgorithmList, 0), "MD5-Pr\xC3\xBC" "fung");
}

}  // namespace
