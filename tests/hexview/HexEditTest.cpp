// Typing, deleting, writing at the selection and the clipboard text forms,
// each checked against the bytes and undone again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HexTestSupport.h"
#include "hexview/HexEdit.h"
#include "hexview/Selection.h"

namespace hx {
namespace {

using test::Bytes;
using test::MakeDocument;
using test::Sequence;
using V = std::vector<uint8_t>;

// Undoing every entry gives back the bytes the document started with.
void ExpectUndoRestores(Document &doc, const V &original) {
    while (Undo(doc.Hist) != 0) {
    }
    EXPECT_EQ(Bytes(doc), original);
}

TEST(Typing, TwoDigitsInInsertModeInsertOneByteAsOneUndoStep) {
    const V original = Sequence(20);
    auto doc = MakeDocument(original);
    doc->Cursor = 10;
    ASSERT_TRUE(TypeCharacter(*doc, '4'));
    V expected = original;
    expected.insert(expected.begin() + 10, 0x04);
    EXPECT_EQ(Bytes(*doc), expected);
    EXPECT_EQ(doc->Cursor, 10);
    EXPECT_EQ(doc->PendingNibble, 4);
    ASSERT_TRUE(TypeCharacter(*doc, '1'));
    expected[10] = 0x41;
    EXPECT_EQ(Bytes(*doc), expected);
    EXPECT_EQ(doc->Cursor, 11);
    EXPECT_EQ(doc->PendingNibble, -1);
    EXPECT_EQ(HistoryIndex(doc->Hist), 1);
    ExpectUndoRestores(*doc, original);
}

TEST(Typing, OverwriteModeReplacesTheByteAndAppendsAtTheEnd) {
    const V original = Sequence(12);
    auto doc = MakeDocument(original);
    doc->EditMode = 1;
    doc->Cursor = 10;
    TypeCharacter(*doc, 'a');
    TypeCharacter(*doc, 'F');
    V expected = original;
    expected[10] = 0xAF;
    EXPECT_EQ(Bytes(*doc), expected);
    EXPECT_EQ(doc->Cursor, 11);
    doc->Cursor = 12;
    TypeCharacter(*doc, '7');
    EXPECT_EQ(doc->Store->Length, 13);
    TypeCharacter(*doc, 'e');
    expected.push_back(0x7E);
    EXPECT_EQ(Bytes(*doc), expected);
    ExpectUndoRestores(*doc, original);
}

TEST(Typing, SpaceWritesAZeroByteAndOtherCharactersNothing) {
    const V original = {1, 2, 3};
    auto doc = MakeDocument(original);
    doc->Cursor = 1;
    TypeCharacter(*doc, ' ');
    EXPECT_EQ(Bytes(*doc), (V{1, 0, 2, 3}));
    EXPECT_FALSE(TypeCharacter(*doc, 'g'));
    EXPECT_FALSE(TypeCharacter(*doc, 0x100));
    doc->EditMode = 1;
    doc->Cursor = 0;
    TypeCharacter(*doc, ' ');
    EXPECT_EQ(Bytes(*doc), (V{0, 0, 2, 3}));
    ExpectUndoRestores(*doc, original);
}

TEST(Typing, CharacterColumnWritesTheLatin1Byte) {
    const V original = {1, 2, 3};
    auto doc = MakeDocument(original);
    doc->FocusColumn = 1;
    doc->Cursor = 1;
    TypeCharacter(*doc, 0xE9);
    EXPECT_EQ(Bytes(*doc), (V{1, 0xE9, 2, 3}));
    doc->EditMode = 1;
    TypeCharacter(*doc, 'A');
    EXPECT_EQ(Bytes(*doc), (V{1, 0xE9, 'A', 3}));
    EXPECT_FALSE(TypeCharacter(*doc, 0x20AC));  // no Latin-1 byte
    doc->SelectionLength = 1;                   // overwrite selection 3 ... 4 (only 3 exists)
    TypeCharacter(*doc, 'z');
    EXPECT_EQ(Bytes(*doc), (V{1, 0xE9, 'A', 'z'}));
    ExpectUndoRestores(*doc, original);
}

TEST(Deleting, DeleteInOverwriteModeNeverChangesTheSize) {
    const V original = Sequence(8, 1);
    auto doc = MakeDocument(original);
    doc->EditMode = 1;
    doc->Cursor = 2;
    DeleteForward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 2, 0, 4, 5, 6, 7, 8}));
    EXPECT_EQ(doc->Cursor, 3);
    doc->SelectionLength = 2;
    DeleteForward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 2, 0, 0, 0, 0, 7, 8}));
    doc->Cursor = 8;
    DeleteForward(*doc);
    EXPECT_EQ(doc->Store->Length, 8);
    // A half-typed byte becomes 0 and the cursor stays on it.
    doc->Cursor = 0;
    TypeCharacter(*doc, '9');
    DeleteForward(*doc);
    EXPECT_EQ(Bytes(*doc)[0], 0);
    EXPECT_EQ(doc->Cursor, 0);
    ExpectUndoRestores(*doc, original);
}

TEST(Deleting, BackspaceInOverwriteModeZeroesAndStepsBack) {
    const V original = Sequence(6, 1);
    auto doc = MakeDocument(original);
    doc->EditMode = 1;
    doc->Cursor = 3;
    DeleteBackward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 2, 3, 0, 5, 6}));
    EXPECT_EQ(doc->Cursor, 2);
    doc->Cursor = 0;
    DeleteBackward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{0, 2, 3, 0, 5, 6}));
    EXPECT_EQ(doc->Cursor, 0);
    doc->Cursor = 6;  // at the end: only steps back
    DeleteBackward(*doc);
    EXPECT_EQ(doc->Cursor, 5);
    EXPECT_EQ(doc->Store->Length, 6);
    ExpectUndoRestores(*doc, original);
}

TEST(Deleting, InsertModeRemovesSelectionOrNeighbour) {
    const V original = Sequence(6, 1);
    auto doc = MakeDocument(original);
    doc->Cursor = 2;
    DeleteForward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 2, 4, 5, 6}));
    DeleteBackward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 4, 5, 6}));
    EXPECT_EQ(doc->Cursor, 1);
    doc->SelectionLength = 2;
    DeleteBackward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 6}));
    doc->Cursor = 0;
    DeleteBackward(*doc);  // nothing before the start
    doc->Cursor = 2;
    DeleteForward(*doc);   // nothing after the end
    EXPECT_EQ(Bytes(*doc), (V{1, 6}));
    // Backspace after a first digit removes the half-typed byte.
    doc->Cursor = 1;
    TypeCharacter(*doc, 'c');
    DeleteBackward(*doc);
    EXPECT_EQ(Bytes(*doc), (V{1, 6}));
    EXPECT_EQ(doc->Cursor, 1);
    ExpectUndoRestores(*doc, original);
}

TEST(PutData, InsertsReplacesOrOverwritesByMode) {
    const V original = Sequence(6, 1);
    auto doc = MakeDocument(original);
    const uint8_t data[] = {0xAA, 0xBB};
    doc->Cursor = 1;
    PutData(*doc, data, 2);
    EXPECT_EQ(Bytes(*doc), (V{1, 0xAA, 0xBB, 2, 3, 4, 5, 6}));
    doc->Cursor = 0;
    doc->SelectionLength = 3;
    PutData(*doc, data, 1);
    EXPECT_EQ(Bytes(*doc), (V{0xAA, 2, 3, 4, 5, 6}));
    doc->EditMode = 1;
    doc->Cursor = 5;
    PutData(*doc, data, 2);  // overwrites the last byte and appends one
    EXPECT_EQ(Bytes(*doc), (V{0xAA, 2, 3, 4, 5, 0xAA, 0xBB}));
    ExpectUndoRestores(*doc, original);
}

TEST(Clipboard, CopyGivesHexPairsOrTextThatStopsAtZeroWithTheBytesBeside) {
    auto doc = MakeDocument({0x00, 0x41, 0x0A, 0xFF});
    doc->SelectionLength = 2;
    ClipboardContent content;
    ASSERT_TRUE(CopySelection(*doc, &content));
    EXPECT_EQ(content.Text, "0041");
    EXPECT_FALSE(content.HasBinary);
    doc->FocusColumn = 1;
    ASSERT_TRUE(CopySelection(*doc, &content));
    EXPECT_EQ(content.Text, "");
    ASSERT_TRUE(content.HasBinary);
    EXPECT_EQ(content.Binary, std::string("\0A", 2));
    doc->Cursor = 1;
    doc->SelectionLength = 3;
    ASSERT_TRUE(CopySelection(*doc, &content));
    EXPECT_EQ(content.Text, "A\n\xFF");
    EXPECT_FALSE(content.HasBinary);
    doc->SelectionLength = 0;
    ASSERT_TRUE(CopySelection(*doc, &content));
    EXPECT_EQ(content.Text, "");
}

TEST(Clipboard, CopyRefusesSelectionsBeyondTheLimit) {
    // A sparse file: its length counts, none of its bytes are read.
    const std::string path = ::testing::TempDir() + "hexview-copy-limit.bin";
    std::filesystem::remove(path);
    { std::ofstream(path, std::ios::binary); }
    std::filesystem::resize_file(path, MaxClipboardBytes + 1);
    DocumentPtr doc(new Document);
    doc->Store = OpenBinary(-1, path, EditorChunkLength);
    doc->Hist = CreateHistory(-1, EditorHistoryLimit);
    doc->Panes.emplace_back();
    doc->ActivePane = &doc->Panes.front();
    doc->SelectionLength = doc->Store->Length;
    ClipboardContent content;
    content.Text = "kept";
    EXPECT_FALSE(CopySelection(*doc, &content));
    EXPECT_EQ(content.Text, "kept");
    doc.reset();
    std::filesystem::remove(path);
}

TEST(Clipboard, PasteDecodesPairsAndReplacesTheSelection) {
    const V original = {1, 2, 3, 4};
    auto doc = MakeDocument(original);
    doc->Cursor = 1;
    ASSERT_TRUE(PasteContent(*doc, "0a", nullptr));
    EXPECT_EQ(Bytes(*doc), (V{1, 0x0A, 2, 3, 4}));
    EXPECT_EQ(doc->Cursor, 2);
    doc->SelectionLength = 2;
    ASSERT_TRUE(PasteContent(*doc, "00 00\n00", nullptr));
    EXPECT_EQ(Bytes(*doc), (V{1, 0x0A, 0, 0, 0, 4}));
    EXPECT_FALSE(PasteContent(*doc, "0a1", nullptr));  // not hexadecimal pairs: nothing changes
    doc->Cursor = 1;
    doc->SelectionLength = 1;
    ASSERT_TRUE(PasteContent(*doc, "", nullptr));  // nothing to paste: the selection goes
    EXPECT_EQ(Bytes(*doc), (V{1, 0, 0, 0, 4}));
    EXPECT_FALSE(PasteContent(*doc, "", nullptr));  // nothing over nothing records nothing
    doc->FocusColumn = 1;
    doc->SelectionLength = 1;
    EXPECT_FALSE(PasteContent(*doc, "", nullptr));  // the character column pastes nothing
    ASSERT_TRUE(PasteContent(*doc, "Hi", nullptr));
    EXPECT_EQ(Bytes(*doc), (V{1, 'H', 'i', 0, 0, 4}));
    const std::string binary("\0\x01", 2);
    ASSERT_TRUE(PasteContent(*doc, "ignored", &binary));
    EXPECT_EQ(Bytes(*doc), (V{1, 'H', 'i', 0, 1, 0, 0, 4}));
    ExpectUndoRestores(*doc, original);
}

}  // namespace
}  // namespace hx
