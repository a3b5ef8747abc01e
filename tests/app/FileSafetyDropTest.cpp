// Drops on the shell's windows: text into the hex view at the drop point,
// files by their own names; and the progress window of long saves.
#include "FileSafetyFixture.h"
#include "hexview/HexLayout.h"
#include "platform/ProgressWindow.h"

namespace hx::test {
namespace {

std::vector<uint8_t> Shown() {
    ByteBuffer bytes = HexViewDocumentBytes(MainViewGadget);
    return bytes ? std::vector<uint8_t>(bytes.data(), bytes.data() + bytes.size()) : std::vector<uint8_t>{};
}

std::vector<uint8_t> BytesOf(const std::string &text) { return {text.begin(), text.end()}; }

class DropTest : public FileSafetyTest {
protected:
    // A point on the left edge of the character cell of byte i (first pane):
    // in insert mode the drop goes in before that byte.
    HexPoint CharCellPoint(int64_t i) {
        const Pane &pane = current()->Panes.front();
        HexPoint p = view()->Layout.charCell(pane, i);
        return {p.X + 1, p.Y + view()->Layout.Metrics.LineHeight / 2};
    }
};

TEST_F(DropTest, TextGoesInAtTheDropPointAsOneUndoStep) {
    StartUp(file("x.bin", "0123456789"));
    const HexPoint at = CharCellPoint(4);
    drop(MainViewGadget, DropText, {}, "h\xE9!", at.X, at.Y);
    EXPECT_EQ(Shown(), BytesOf("0123h\xE9!456789"));
    EXPECT_EQ(current()->Cursor, 7);
    EXPECT_EQ(HistoryIndex(current()->Hist), 1);
    menu(CommandUndo);
    EXPECT_EQ(Shown(), BytesOf("0123456789"));
    EXPECT_EQ(HistoryIndex(current()->Hist), 0);
}

TEST_F(DropTest, TextIsRefusedByAReadOnlyViewAndOutsideTheBytes) {
    StartUp(file("x.bin", "0123"));
    const HexPoint at = CharCellPoint(1);
    view()->Flags |= HexViewReadOnly;
    drop(MainViewGadget, DropText, {}, "ro", at.X, at.Y);
    view()->Flags &= ~HexViewReadOnly;
    drop(MainViewGadget, DropText, {}, "out", 0, 0);   // the header's corner
    EXPECT_EQ(Shown(), BytesOf("0123"));
    EXPECT_EQ(HistoryIndex(current()->Hist), 0);
}

// The dropped list is split by its entries, not by line feeds in the names.
TEST_F(DropTest, NameWithALineFeedOpensAsItselfAndCreatesNothing) {
    StartUp("");
    const std::string odd = file("a\nb.bin", "LF");
    for (int control : {TabBarGadget, MainViewGadget}) {
        drop(control, DropFiles, {odd});
        EXPECT_EQ(tabs(), 1);
        EXPECT_EQ(current()->Store->FileName, odd);
        EXPECT_EQ(Shown(), BytesOf("LF"));
    }
    EXPECT_FALSE(FileExists(path("a")));
    EXPECT_FALSE(FileExists(path("b.bin")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DropTest, FilesDroppedOnTheViewOpenLikeOnTheTabBar) {
    StartUp("");
    drop(MainViewGadget, DropFiles, {file("a.bin", "A"), file("b.bin", "B")});
    EXPECT_EQ(tabs(), 2);   // the untouched empty document made way
    EXPECT_EQ(current()->Store->FileName, path("b.bin"));
}

class ProgressTest : public FileSafetyTest {
protected:
    void TearDown() override {
        SaveProgressDelay::Millis = 500;
        SaveFaults::WriteDelayMicros = 0;
        FileSafetyTest::TearDown();
    }
};

TEST_F(ProgressTest, WindowShowsBytesWrittenOfTotalAndItsNote) {
    StartUp("");
    const int64_t before = ProgressWindowOpenings();
    OpenProgressWindow(MainWindowNumber, "Saving", "Cannot be cancelled.");
    OpenProgressWindow(MainWindowNumber, "Saving", "Cannot be cancelled.");   // still one window
    UpdateProgressWindow(3 << 20, 12 << 20, "3 of 12");
    EXPECT_TRUE(IsProgressWindowOpen());
    EXPECT_EQ(ProgressWindowOpenings(), before + 1);
    EXPECT_EQ(ProgressWindowLine(), "3 of 12");
    EXPECT_EQ(ProgressWindowNote(), "Cannot be cancelled.");
    EXPECT_EQ(ProgressWindowPermille(), 250);
    UpdateProgressWindow(INT64_MAX - 1, INT64_MAX, "near the end");   // no overflow
    EXPECT_EQ(ProgressWindowPermille(), 999);
    UpdateProgressWindow(5, 0, "nothing to write");
    EXPECT_EQ(ProgressWindowPermille(), 1000);
    CloseProgressWindow();
    EXPECT_FALSE(IsProgressWindowOpen());
    EXPECT_EQ(ProgressWindowPermille(), -1);
}

TEST_F(ProgressTest, SlowSaveShowsTheWindowAndAQuickOneDoesNot) {
    // An insert at the start moves every byte: 12 MiB are written, with
    // progress reports every few MiB.
    const std::string bytes(12 << 20, 'z');
    const std::string x = file("big.bin", bytes);
    StartUp(x);
    type("41");
    const int64_t before = ProgressWindowOpenings();
    SaveProgressDelay::Millis = 60000;
    menu(CommandSave);
    EXPECT_EQ(ProgressWindowOpenings(), before);

    type("42");
    SaveProgressDelay::Millis = 1;
    SaveFaults::WriteDelayMicros = 5000;
    menu(CommandSave);
    EXPECT_GT(ProgressWindowOpenings(), before);
    EXPECT_FALSE(IsProgressWindowOpen());
    EXPECT_TRUE(ReadFile(x) == "AB" + bytes);   // (not printed: 12 MiB)
}

}  // namespace
}  // namespace hx::test
