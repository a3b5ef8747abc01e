// The two digits of a typed byte are one undo step; Tab and Shift+Tab switch
// the area and keep the offset; Ctrl+Shift+Z redoes; a read-only document
// refuses typing and says so.
#include "HexViewFixture.h"
#include "document/History.h"
#include "hexview/HexViewCommands.h"

namespace hx::test {
namespace {

TEST_F(HexViewTest, TwoDigitsOfOneByteAreOneUndoStepInEitherMode) {
    for (int mode : {0, 1}) {
        SetBytes({0x10, 0x20, 0x30});
        doc->EditMode = mode;
        doc->Cursor = 1;
        doc->SelectionLength = 0;
        const int32_t before = HistoryIndex(doc->Hist);
        Type("41");
        const std::vector<uint8_t> typed = mode == 0 ? std::vector<uint8_t>{0x10, 0x41, 0x20, 0x30}
                                                     : std::vector<uint8_t>{0x10, 0x41, 0x30};
        EXPECT_EQ(Contents(), typed) << mode;
        EXPECT_EQ(HistoryIndex(doc->Hist), before + 1) << mode;
        Key(KeyZ, ModControl);
        EXPECT_EQ(Contents(), (std::vector<uint8_t>{0x10, 0x20, 0x30})) << mode;
        Key(KeyZ, ModControl | ModShift);   // redo
        EXPECT_EQ(Contents(), typed) << mode;
        EXPECT_EQ(doc->Cursor, 2) << mode;
    }
    // A first digit alone stays a step of its own.
    SetBytes({0x10});
    doc->EditMode = 1;
    doc->Cursor = 0;
    Type("4");
    Key(KeyRight);
    Type("7");
    EXPECT_EQ(Contents(), (std::vector<uint8_t>{0x04, 0x07}));
    Key(KeyZ, ModControl);
    EXPECT_EQ(Contents(), (std::vector<uint8_t>{0x04}));
}

TEST_F(HexViewTest, TabAndShiftTabSwitchTheAreaKeepingTheOffset) {
    SetBytes(Sequence(64));
    doc->Cursor = 0x21;
    Key(KeyTab);
    EXPECT_EQ(doc->FocusColumn, 1);
    EXPECT_EQ(doc->Cursor, 0x21);
    Type("A");
    EXPECT_EQ(Contents()[0x21], 'A');   // typed as a character now
    Key(KeyTab, ModShift);
    EXPECT_EQ(doc->FocusColumn, 0);
    Key(KeyTab, ModControl);             // the main window's key, not the view's
    EXPECT_EQ(doc->FocusColumn, 0);

    Open(HexViewNoCharacters);
    Key(KeyTab);
    EXPECT_EQ(doc->FocusColumn, 0);
}

TEST_F(HexViewTest, ReadOnlyViewRefusesTypingAndTellsTheHandler) {
    Open(HexViewReadOnly);
    SetBytes({1, 2, 3});
    std::vector<int> refused;
    const EditRefusedHandler previous = SetEditRefusedHandler([&refused](int gadget) { refused.push_back(gadget); });
    Type("4");
    Key(KeyDelete);
    Key(KeyLeft);
    SetEditRefusedHandler(previous);
    EXPECT_EQ(Contents(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(refused, (std::vector<int>{Gadget, Gadget}));
}

}  // namespace
}  // namespace hx::test
