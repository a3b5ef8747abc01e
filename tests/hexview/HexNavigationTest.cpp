// Selection, the key table's modifier rules and moves, panes, wheel, go to.
#include <gtest/gtest.h>

#include "HexTestSupport.h"
#include "hexview/HexNavigation.h"
#include "hexview/Selection.h"
#include "platform/Event.h"

namespace hx {
namespace {

using test::MakeDocument;

struct SelectionCase {
    int mode;
    int64_t cursor, length;
    int64_t start, size;
};

TEST(Selection, StartAndSizeFollowTheModeAndTheDocumentEnd) {
    auto doc = MakeDocument(test::Sequence(10));
    const SelectionCase cases[] = {
        {0, 4, 0, 4, 0},   {0, 4, 3, 4, 3},  {0, 4, -3, 1, 3},
        {1, 4, 0, 4, 1},   {1, 4, 3, 4, 4},  {1, 4, -3, 1, 4},
        {1, 10, 0, 10, 0},                   // overwrite at the end: no byte under the cursor
        {1, 5, 5, 5, 5},                     // moving end at the end: not counted
        {1, 10, -4, 6, 4},                   // anchor at the end: not counted
        {1, 9, 0, 9, 1},
    };
    for (const SelectionCase &c : cases) {
        doc->EditMode = c.mode;
        doc->Cursor = c.cursor;
        doc->SelectionLength = c.length;
        EXPECT_EQ(SelectionStart(*doc), c.start) << c.mode << " " << c.cursor << " " << c.length;
        EXPECT_EQ(SelectionSize(*doc), c.size) << c.mode << " " << c.cursor << " " << c.length;
    }
    doc->EditMode = 0;
    doc->Cursor = 4;
    doc->SelectionLength = -2;
    EXPECT_FALSE(IsSelected(*doc, 4));
    EXPECT_TRUE(IsSelected(*doc, 2));
    doc->EditMode = 1;
    EXPECT_TRUE(IsSelected(*doc, 4));
    EXPECT_FALSE(IsSelected(*doc, 1));
}

struct KeyCase {
    int key;
    int modifiers;
    bool readOnly;
    KeyAction action;
};

TEST(KeyTable, ModifiersMatchExactlyAndOtherRowsCatchTheRest) {
    const int Ctrl = ModControl, Shift = ModShift, Alt = ModAlt;
    const KeyCase cases[] = {
        {KeyA, Ctrl, false, KeyAction::SelectAll},
        {KeyA, Ctrl | Shift, false, KeyAction::Unhandled},
        {KeyA, Ctrl | Alt, false, KeyAction::Unhandled},
        {KeyA, 0, false, KeyAction::Unhandled},
        {KeyZ, Ctrl, false, KeyAction::Undo},
        {KeyY, Ctrl, false, KeyAction::Redo},
        {KeyC, Ctrl, true, KeyAction::Copy},
        {KeyX, Ctrl, false, KeyAction::Cut},
        {KeyX, Ctrl, true, KeyAction::Unhandled},
        {KeyV, Ctrl, true, KeyAction::Unhandled},
        {'Q', Ctrl, false, KeyAction::Unhandled},
        {KeyInsert, Ctrl, false, KeyAction::Copy},
        {KeyInsert, Shift, false, KeyAction::Paste},
        {KeyInsert, Shift, true, KeyAction::ToggleMode},
        {KeyInsert, Ctrl | Shift, false, KeyAction::ToggleMode},
        {KeyInsert, 0, false, KeyAction::ToggleMode},
        {KeyDelete, Shift, false, KeyAction::Cut},
        {KeyDelete, Shift, true, KeyAction::Nothing},
        {KeyDelete, Ctrl, false, KeyAction::DeleteForward},
        {KeyDelete, 0, true, KeyAction::Nothing},
        {KeyBackspace, Ctrl | Alt | Shift, false, KeyAction::DeleteBackward},
        {KeyBackspace, 0, true, KeyAction::Nothing},
        {KeyPageUp, Shift, false, KeyAction::PageUpExtend},
        {KeyPageUp, Shift | Ctrl, false, KeyAction::PageUp},
        {KeyDown, Shift, false, KeyAction::DownExtend},
        {KeyLeft, Alt, false, KeyAction::Left},
        {KeyHome, Shift, false, KeyAction::HomeExtend},
        {KeyEnd, Ctrl, false, KeyAction::End},
        {KeyReturn, 0, false, KeyAction::Unhandled},
    };
    for (const KeyCase &c : cases) {
        EXPECT_EQ(KeyActionFor(c.key, c.modifiers, c.readOnly), c.action)
            << "key " << c.key << " modifiers " << c.modifiers << " read-only " << c.readOnly;
    }
}

TEST(KeyMoves, UnshiftedMovesOnlyCollapseASelection) {
    auto doc = MakeDocument(test::Sequence(100));
    const struct {
        KeyAction action;
        int64_t length;
        int64_t cursor;
    } cases[] = {
        {KeyAction::Left, 5, 10}, {KeyAction::Left, -5, 5},  {KeyAction::Up, 5, 10},
        {KeyAction::PageUp, -5, 5}, {KeyAction::Right, 5, 15}, {KeyAction::Right, -5, 10},
        {KeyAction::Down, 5, 15},  {KeyAction::PageDown, -5, 10},
    };
    for (const auto &c : cases) {
        doc->Cursor = 10;
        doc->SelectionLength = c.length;
        ApplyMove(*doc, c.action, 4);
        EXPECT_EQ(doc->Cursor, c.cursor);
        EXPECT_EQ(doc->SelectionLength, 0);
    }
    doc->Cursor = 40;
    ApplyMove(*doc, KeyAction::PageUp, 4);
    EXPECT_EQ(doc->Cursor, 40 - 64);  // clamped afterwards
    ClampCursorAndSelection(*doc);
    EXPECT_EQ(doc->Cursor, 0);
}

TEST(KeyMoves, ShiftHomeAndShiftEndSelectToTheDocumentEnds) {
    auto doc = MakeDocument(test::Sequence(100));
    doc->Cursor = 30;
    ApplyMove(*doc, KeyAction::HomeExtend, 4);
    EXPECT_EQ(SelectionStart(*doc), 0);
    EXPECT_EQ(SelectionSize(*doc), 30);
    ApplyMove(*doc, KeyAction::EndExtend, 4);
    EXPECT_EQ(SelectionStart(*doc), 30);
    EXPECT_EQ(SelectionSize(*doc), 70);
    ApplyMove(*doc, KeyAction::SelectAll, 4);
    EXPECT_EQ(doc->Cursor, 0);
    EXPECT_EQ(doc->SelectionLength, 100);
    ApplyMove(*doc, KeyAction::End, 4);
    EXPECT_EQ(doc->Cursor, 100);
    EXPECT_EQ(doc->SelectionLength, 0);
}

TEST(KeyMoves, ClampingKeepsTheSelectionInsideTheDocument) {
    auto doc = MakeDocument(test::Sequence(50));
    doc->Cursor = 45;
    doc->SelectionLength = 16;
    ClampCursorAndSelection(*doc);
    EXPECT_EQ(doc->SelectionLength, 5);
    doc->Cursor = 80;
    doc->SelectionLength = -100;
    ClampCursorAndSelection(*doc);
    EXPECT_EQ(doc->Cursor, 50);
    EXPECT_EQ(doc->SelectionLength, -50);
}

TEST(Panes, ScrollingBringsTheMovingEndIntoTheActivePane) {
    auto doc = MakeDocument(std::vector<uint8_t>(1000));
    Pane &pane = *doc->ActivePane;
    pane.Rows = 4;
    pane.Top = 160;
    ScrollIntoActivePane(*doc, 170);
    EXPECT_EQ(pane.Top, 160);
    ScrollIntoActivePane(*doc, 150);
    EXPECT_EQ(pane.Top, 144);
    ScrollIntoActivePane(*doc, 210);  // beyond the 4 rows from 144: becomes the last row
    EXPECT_EQ(pane.Top, 208 - 48);
}

TEST(Panes, WheelScrolls48BytesPerNotchOnTheActivePane) {
    auto doc = MakeDocument(std::vector<uint8_t>(1000));
    doc->Panes.emplace_back();
    doc->ActivePane = &doc->Panes.back();
    doc->ActivePane->Top = 480;
    WheelScroll(*doc, 1);
    EXPECT_EQ(doc->ActivePane->Top, 432);
    WheelScroll(*doc, -3);
    EXPECT_EQ(doc->ActivePane->Top, 576);
    EXPECT_EQ(doc->Panes.front().Top, 0);
}

TEST(Panes, SplitOf20RowsGives9AndASeparatorAnd10) {
    auto doc = MakeDocument(std::vector<uint8_t>(1000));
    Pane *first = doc->ActivePane;
    first->Rows = 20;
    first->Top = 64;
    SplitActivePane(*doc);
    ASSERT_EQ(doc->Panes.size(), 2u);
    EXPECT_EQ(first->Rows, 9);
    EXPECT_EQ(doc->ActivePane, &doc->Panes.back());
    EXPECT_EQ(doc->ActivePane->Rows, 10);
    EXPECT_EQ(doc->ActivePane->Top, 64 + 9 * 16);
}

TEST(Panes, UnsplittingTheFirstPaneActivatesTheNextAndTheOnlyPaneStays) {
    auto doc = MakeDocument(std::vector<uint8_t>(1000));
    EXPECT_FALSE(UnsplitActivePane(*doc));
    EXPECT_EQ(doc->Panes.size(), 1u);
    doc->Panes.front().Rows = 20;
    SplitActivePane(*doc);
    SplitActivePane(*doc);
    Pane *second = &*std::next(doc->Panes.begin());
    doc->ActivePane = &doc->Panes.front();
    EXPECT_TRUE(UnsplitActivePane(*doc));
    EXPECT_EQ(doc->ActivePane, second);
    doc->ActivePane = &doc->Panes.back();
    EXPECT_TRUE(UnsplitActivePane(*doc));
    EXPECT_EQ(doc->ActivePane, second);
    EXPECT_EQ(doc->Panes.size(), 1u);
}

TEST(Panes, GoToPutsTheOffsetNearTheMiddleAndIgnoresOutsideOffsets) {
    auto doc = MakeDocument(std::vector<uint8_t>(5000));
    doc->ActivePane->ShownLength = 320;
    doc->SelectionLength = 3;
    EXPECT_TRUE(GoToOffset(*doc, 1000));
    EXPECT_EQ(doc->Cursor, 1000);
    EXPECT_EQ(doc->SelectionLength, 0);
    EXPECT_EQ(doc->ActivePane->Top, 832);  // 1000 - 160 = 840, down to a row start
    EXPECT_TRUE(GoToOffset(*doc, 5000));
    EXPECT_FALSE(GoToOffset(*doc, 5001));
    EXPECT_FALSE(GoToOffset(*doc, -1));
    EXPECT_EQ(doc->Cursor, 5000);
    EXPECT_TRUE(GoToOffset(*doc, 10));
    EXPECT_LE(doc->ActivePane->Top, 0);  // clamped to 0 by the next layout
}

}  // namespace
}  // namespace hx
