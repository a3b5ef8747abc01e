// The compare window on two documents of the main window: the list and the
// marks, stepping with F7 and Shift+F7, copying a difference across and
// undoing it there, shifting the right side, and closing a side's tab.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <string>
#include <vector>

#include "app/compare/CompareWindow.h"
#include "app/shell/Application.h"
#include "app/shell/MenuIds.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "hexview/Highlights.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"
#include "tools/CompareSession.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

constexpr int KeyF7 = 0x01000036;

class CompareWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        Dialogs().askSave = [](const SaveQuestion &) { return SaveChoice::Discard; };
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    // Opens both files in tabs and compares them; the list is computed to its end.
    void Compare(const std::string &a, const std::string &b) {
        const std::vector<std::string> files = {File("a.bin", a), File("b.bin", b)};
        StartUp(files[0]);
        OpenMoreFiles(files);
        CompareOpenedFiles(files);
        ASSERT_NE(CurrentComparison(), nullptr);
        Finish();
    }
    std::string File(const std::string &name, const std::string &bytes) {
        const std::string path = dir.path().toStdString() + "/" + name;
        WriteAll(path, bytes);
        return path;
    }
    static void Finish() {
        for (int i = 0; i < 1000 && CurrentComparison() && CurrentComparison()->busy(); ++i) CompareTick();
    }
    static Document *Side(int side) { return HexViewByGadget(side == 0 ? CompareLeftView : CompareRightView)->CurrentDocument; }
    static void Key(int view, int key, int modifiers = 0) {
        Event e;
        e.window = CompareWindowNumber;
        e.control = view;
        e.kind = EventControl;
        e.type = CanvasKeyDown;
        e.input.key = key;
        e.input.modifiers = modifiers;
        DispatchEvent(e);
        Finish();
    }
    static std::vector<int64_t> Cursors() { return {Side(0)->Cursor, Side(1)->Cursor}; }

    QTemporaryDir dir;
    std::vector<std::string> messages;
};

std::string Changed(std::string bytes, std::initializer_list<size_t> at) {
    for (size_t i : at) bytes[i] ^= 0x40;
    return bytes;
}

TEST_F(CompareWindowTest, StepsVisitEveryDifferenceInBothViewsWhichMarkThem) {
    const std::string a(5000, 'a');
    Compare(a, Changed(a, {10, 2000, 4000}) + "xyz");
    CompareSession &session = *CurrentComparison();
    EXPECT_EQ(session.count(), 4);
    EXPECT_EQ(session.bytes(0), 3);
    EXPECT_EQ(session.bytes(1), 6);
    // Both sides' views, and the main view that shows the left one, mark the
    // difference at 10 and nothing before it.
    for (Document *doc : {Side(0), Side(1)}) {
        const std::vector<HighlightRun> runs = HighlightsIn(*doc, 0, 32);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].Start, 10);
        EXPECT_EQ(runs[0].Length, 1);
    }
    EXPECT_EQ(HighlightsIn(*Side(0), 4992, 16).size(), 1u) << "the missing tail past the left side's end";

    const std::vector<std::vector<int64_t>> visits = {{10, 10}, {2000, 2000}, {4000, 4000}, {5000, 5000}};
    for (const auto &expected : visits) {
        ChooseMenuItem(CommandNextDifference);
        EXPECT_EQ(Cursors(), expected);
    }
    EXPECT_EQ(Side(1)->SelectionLength, 3) << "the tail is selected on the side that has it";
    ChooseMenuItem(CommandNextDifference);
    EXPECT_EQ(Cursors(), visits.back()) << "no further difference: nothing moves";
    Key(CompareRightView, KeyF7, ModShift);
    EXPECT_EQ(Cursors(), visits[2]);
}

TEST_F(CompareWindowTest, CopyToOtherSideIsOneUndoStepOfTheOtherDocument) {
    const std::string a(3000, 'a');
    Compare(a, Changed(a, {10, 20}));
    Key(CompareLeftView, KeyF7);
    const int32_t steps = HistoryIndex(Side(1)->Hist);
    CopyToOtherSide();
    Finish();
    EXPECT_EQ(HistoryIndex(Side(1)->Hist), steps + 1);
    EXPECT_EQ(HistoryIndex(Side(0)->Hist), 0);
    EXPECT_EQ(CurrentComparison()->count(), 1);
    EXPECT_EQ(CurrentComparison()->ranges().front().OffsetA, 20);
    // The other side has the keyboard: Ctrl+Z there brings the difference back.
    Key(CompareRightView, 'Z', ModControl);
    EXPECT_EQ(HistoryIndex(Side(1)->Hist), steps);
    EXPECT_EQ(CurrentComparison()->count(), 2);
}

TEST_F(CompareWindowTest, MenuComparesWithAnotherTabShiftKeysAlignAnInsertionClosingASideEnds) {
    const std::string a(2000, 'a');
    std::string b = "123" + a;
    b[1500] = 'b';
    const std::vector<std::string> files = {File("a.bin", a), File("b.bin", b)};
    StartUp(files[0]);
    OpenMoreFiles(files);
    std::vector<std::string> offered;
    ChoiceDialogHook() = [&](const ChoiceRequest &request) {
        offered = request.entries;
        return std::optional<int>(0);
    };
    ChooseMenuItem(CommandCompare);
    ChoiceDialogHook() = {};
    ASSERT_EQ(offered.size(), 2u) << "the other tab and a file from disk";
    EXPECT_EQ(offered[0], "b.bin");
    ASSERT_NE(CurrentComparison(), nullptr);
    Finish();
    for (int i = 0; i < 3; ++i) Key(CompareLeftView, KeyRight, ModAlt);
    EXPECT_EQ(CurrentComparison()->geometry().Shift, 3);
    ASSERT_EQ(CurrentComparison()->count(), 2) << "the three inserted bytes and the changed one";
    EXPECT_EQ(CurrentComparison()->ranges()[1].OffsetB, 1500);

    CloseDocument(Side(1));
    Finish();
    CompareTick();
    EXPECT_EQ(CurrentComparison(), nullptr);
    EXPECT_FALSE(IsWindowVisible(CompareWindowNumber));
    RedrawHexView(MainViewGadget);   // no marks of a comparison that is gone
}

}  // namespace
