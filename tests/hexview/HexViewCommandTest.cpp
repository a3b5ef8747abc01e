// The numbered view commands, the clipboard round trips, the view's document
// list, and a file edited by keystrokes and saved.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "HexViewFixture.h"
#include "document/Save.h"
#include "hexview/HexEdit.h"

namespace hx::test {
namespace {

using V = std::vector<uint8_t>;

std::string TempPath(const std::string &name) { return ::testing::TempDir() + "hexview-" + name; }

V ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return V(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const V &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(HexViewTest, ReplaceGetSizeAndClearWorkOutsideTheHistory) {
    const V bytes = {1, 2, 3, 4, 5};
    doc->Cursor = 0;
    HexViewCommand(Gadget, HexReplaceAll, bytes.data(), 5);
    EXPECT_EQ(Contents(), bytes);
    EXPECT_EQ(HistoryIndex(doc->Hist), 0);
    ByteBuffer all = HexViewDocumentBytes(Gadget);
    ASSERT_TRUE(all);
    EXPECT_EQ(V(all.data(), all.data() + all.size()), bytes);
    EXPECT_EQ(HexViewCommand(Gadget, HexGetAll, nullptr, 0), 0);

    doc->Cursor = 5;
    HexViewCommand(Gadget, HexSetSize, nullptr, 8);
    EXPECT_EQ(Contents(), (V{1, 2, 3, 4, 5, 0, 0, 0}));
    HexViewCommand(Gadget, HexSetSize, nullptr, 3);
    EXPECT_EQ(Contents(), (V{1, 2, 3}));
    EXPECT_EQ(doc->Cursor, 3);  // kept inside the shorter document
    HexViewCommand(Gadget, HexSetSize, nullptr, -4);
    EXPECT_EQ(Contents(), (V{1, 2, 3}));
    HexViewCommand(Gadget, HexSetSize, nullptr, 3 * 1024 * 1024 + 5);
    EXPECT_EQ(doc->Store->Length, 3 * 1024 * 1024 + 5);
    EXPECT_EQ(Contents()[3 * 1024 * 1024], 0);

    HexViewCommand(Gadget, HexClear, nullptr, 0);
    EXPECT_EQ(doc->Store->Length, 0);
    EXPECT_EQ(doc->Cursor, 0);
    EXPECT_FALSE(HexViewDocumentBytes(Gadget));
    EXPECT_EQ(HistoryIndex(doc->Hist), 0);
    EXPECT_EQ(HexViewCommand(Gadget, 99, nullptr, 0), 0);
    EXPECT_EQ(HexViewCommand(4711, HexClear, nullptr, 0), 0);
}

TEST_F(HexViewTest, GoToCentresTheOffsetAndIgnoresOffsetsOutside) {
    SetBytes(V(16 * 1000));
    const int64_t draws = CanvasDrawCount(Gadget);
    HexViewCommand(Gadget, HexGoTo, nullptr, 8000);
    const Pane &pane = FirstPane();
    EXPECT_EQ(doc->Cursor, 8000);
    EXPECT_LE(pane.Top, 8000 - 16 * (pane.Rows / 2 - 1));
    EXPECT_GE(pane.Top, 8000 - 16 * (pane.Rows / 2 + 1));
    HexViewCommand(Gadget, HexGoTo, nullptr, 16 * 1000 + 1);
    EXPECT_EQ(doc->Cursor, 8000);
    EXPECT_EQ(CanvasDrawCount(Gadget), draws + 2);  // redrawn in any case
}

TEST_F(HexViewTest, UndoRedoCutPasteAndPutDataThroughCommands) {
    SetBytes(V{1, 2, 3, 4});
    doc->Cursor = 1;
    doc->SelectionLength = 2;
    HexViewCommand(Gadget, HexCut, nullptr, 0);
    EXPECT_EQ(Contents(), (V{1, 4}));
    EXPECT_EQ(ClipboardText(), "0203");
    HexViewCommand(Gadget, HexPaste, nullptr, 0);
    EXPECT_EQ(Contents(), (V{1, 2, 3, 4}));
    HexViewCommand(Gadget, HexUndo, nullptr, 0);
    HexViewCommand(Gadget, HexUndo, nullptr, 0);
    EXPECT_EQ(Contents(), (V{1, 2, 3, 4}));
    HexViewCommand(Gadget, HexRedo, nullptr, 0);
    EXPECT_EQ(Contents(), (V{1, 4}));
    const uint8_t value[] = {0xDE, 0xAD};
    doc->EditMode = 1;
    doc->Cursor = 0;
    HexViewCommand(Gadget, HexPutData, value, 2);
    EXPECT_EQ(Contents(), (V{0xDE, 0xAD}));
    HexViewCommand(Gadget, HexUndo, nullptr, 0);
    EXPECT_EQ(Contents(), (V{1, 4}));
}

TEST_F(HexViewTest, EveryByteValueRoundTripsThroughBothColumns) {
    const V all = Sequence(256);
    for (int column = 0; column < 2; ++column) {
        SetBytes(all);
        doc->FocusColumn = column;
        doc->Cursor = 0;
        Key(KeyEnd, ModShift);
        Key(KeyC, ModControl);
        if (column == 0) {
            EXPECT_EQ(ClipboardText().substr(0, 8), "00010203");
        } else {
            EXPECT_EQ(ClipboardText(), "");  // the text ends at the first zero byte
        }
        HexViewCommand(Gadget, HexClear, nullptr, 0);
        Key(KeyV, ModControl);
        EXPECT_EQ(Contents(), all) << "column " << column;
    }
    // Text without zero bytes stays plain text, in either direction.
    SetBytes(V{'H', 'i', 0xE9});
    doc->FocusColumn = 1;
    doc->SelectionLength = 3;
    Key(KeyC, ModControl);
    EXPECT_EQ(ClipboardText(), "Hi\xE9");
    EXPECT_FALSE(ClipboardData(BinaryMimeType).has_value());
    Key(KeyEnd);
    Key(KeyV, ModControl);
    EXPECT_EQ(Contents(), (V{'H', 'i', 0xE9, 'H', 'i', 0xE9}));
}

TEST_F(HexViewTest, ZeroBytesFromTheCharacterColumnSurviveCutAndPaste) {
    SetBytes(V{0x00, 0x41, 0x42});
    doc->FocusColumn = 1;
    doc->SelectionLength = 2;
    Key(KeyX, ModControl);
    EXPECT_EQ(Contents(), (V{0x42}));
    EXPECT_EQ(ClipboardText(), "");
    ASSERT_TRUE(ClipboardData(BinaryMimeType).has_value());
    doc->FocusColumn = 0;  // the exact bytes win over the text in the other column too
    Key(KeyEnd);
    Key(KeyV, ModControl);
    EXPECT_EQ(Contents(), (V{0x42, 0x00, 0x41}));
    SetClipboardText("0a");  // replaces the bytes: plain text again
    Key(KeyHome);
    Key(KeyV, ModControl);
    EXPECT_EQ(Contents(), (V{0x0A, 0x42, 0x00, 0x41}));
}

TEST_F(HexViewTest, LargeHexPasteIsOneUndoStep) {
    constexpr int64_t n = 2 * 1024 * 1024;
    std::string text(static_cast<size_t>(2 * n), '0');
    for (int64_t i = 0; i < n; ++i) {
        text[static_cast<size_t>(2 * i)] = "0123456789abcdef"[(i >> 4) & 15];
        text[static_cast<size_t>(2 * i + 1)] = "0123456789ABCDEF"[i & 15];
    }
    SetBytes(V{7, 7});
    doc->Cursor = 1;
    SetClipboardText(text);
    HexViewCommand(Gadget, HexPaste, nullptr, 0);
    EXPECT_EQ(doc->Store->Length, n + 2);
    EXPECT_EQ(HistoryIndex(doc->Hist), 1);
    EXPECT_EQ(doc->Cursor, n + 1);
    ByteBuffer all = HexViewDocumentBytes(Gadget);
    ASSERT_TRUE(all);
    for (int64_t i = 0; i < n; i += 4093) ASSERT_EQ(all[1 + i], static_cast<uint8_t>(i & 255)) << i;
    HexViewCommand(Gadget, HexUndo, nullptr, 0);
    EXPECT_EQ(Contents(), (V{7, 7}));
}

TEST_F(HexViewTest, DocumentsComeAndGoWithTheViewsList) {
    Document *first = doc;
    Document *second = NewEditorFile(Gadget, "");
    Document *third = NewEditorFile(Gadget, "");
    EXPECT_EQ(view->CurrentDocument, third);
    EXPECT_EQ(view->Documents.size(), 3u);
    EXPECT_EQ(third->View, view);
    EXPECT_EQ(third->Store->ChunkLength, EditorChunkLength);
    EXPECT_EQ(third->Hist->MaxSize, EditorHistoryLimit);
    EXPECT_EQ(third->PendingNibble, -1);
    ASSERT_EQ(third->Panes.size(), 1u);
    EXPECT_EQ(third->ActivePane, &third->Panes.front());
    ShowDocument(view, second);
    EXPECT_EQ(view->CurrentDocument, second);
    CloseEditorFile(Gadget, nullptr);  // the current one: the one before it follows
    EXPECT_EQ(view->CurrentDocument, first);
    CloseEditorFile(Gadget, third);    // not current: the current one stays
    EXPECT_EQ(view->CurrentDocument, first);
    Document *fourth = NewEditorFile(Gadget, "");
    ShowDocument(view, first);
    CloseEditorFile(Gadget, first);    // the first: no current document
    EXPECT_EQ(view->CurrentDocument, nullptr);
    EXPECT_EQ(view->Documents.size(), 1u);
    EXPECT_EQ(view->Documents.front().get(), fourth);
}

TEST_F(HexViewTest, NewEditorFileOpensTheNamedFileOrNamesAMissingOne) {
    const std::string path = TempPath("open.bin");
    WriteFile(path, V{9, 8, 7});
    Document *opened = NewEditorFile(Gadget, path);
    EXPECT_EQ(Contents(), (V{9, 8, 7}));
    EXPECT_EQ(opened->Store->FileName, path);
    const std::string missing = TempPath("created.bin");
    std::filesystem::remove(missing);
    NewEditorFile(Gadget, missing);
    // A missing name becomes the document's name; the file comes with the first save.
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(view->CurrentDocument->Store->FileName, missing);
    EXPECT_EQ(view->CurrentDocument->Store->Length, 0);
    CloseEditorFile(Gadget, nullptr);
    CloseEditorFile(Gadget, opened);
    std::filesystem::remove(path);
    std::filesystem::remove(missing);
}

// A file opened, edited by keystrokes (digits, characters, Delete,
// Backspace, Insert, Ctrl+Z, Ctrl+Y, Ctrl+C, Ctrl+V) and saved holds
// exactly the bytes those keys make.
TEST_F(HexViewTest, FileEditedByKeystrokesIsSavedWithExactlyTheExpectedBytes) {
    const std::string path = TempPath("edited.bin");
    WriteFile(path, V{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
    CloseEditorFile(Gadget, nullptr);
    Document *edited = NewEditorFile(Gadget, path);
    ASSERT_EQ(view->CurrentDocument, edited);
    doc = edited;

    Key(KeyRight);
    Key(KeyRight);           // cursor 2, insert mode
    Type("ab");              // 00 11 AB 22 33 44 55 66 77
    Type("c");               // 00 11 AB 0C 22 ... (first digit pending)
    Key(KeyBackspace);       // removes the half-typed byte
    Key(KeyDelete);          // removes 22: 00 11 AB 33 44 55 66 77
    Key(KeyInsert);          // overwrite
    Type("9");
    Type("9");               // 00 11 AB 99 44 55 66 77
    Key(KeyBackspace);       // zeroes 44, steps back: 00 11 AB 99 00 55 66 77
    Key(KeyZ, ModControl);   // undo the zeroing
    Key(KeyZ, ModControl);   // undo the second digit: 09 at offset 3
    Key(KeyY, ModControl);   // redo it: 99 again
    Key(KeyHome);
    Key(KeyRight, ModShift); // overwrite selects 00 11
    Key(KeyC, ModControl);
    Key(KeyEnd);
    Key(KeyInsert);          // insert mode at the end
    Key(KeyV, ModControl);   // append 00 11
    doc->FocusColumn = 1;
    Type("Z");               // append 'Z'
    const V expected = {0x00, 0x11, 0xAB, 0x99, 0x44, 0x55, 0x66, 0x77, 0x00, 0x11, 'Z'};
    ASSERT_EQ(Contents(), expected);
    ASSERT_TRUE(SaveBinary(doc->Store, "").ok());
    EXPECT_EQ(ReadFile(path), expected);
    CloseEditorFile(Gadget, nullptr);
    EXPECT_EQ(ReadFile(path), expected);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace hx::test
