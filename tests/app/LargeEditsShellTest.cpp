// Edits of many bytes as the shell runs them: the progress window of a long
// edit and its stop when the program is asked to end, and the question a
// save asks when undo steps need file bytes the scratch folder has no room
// for.
#include <gtest/gtest.h>

#include <string>

#include "FileSafetyFixture.h"
#include "document/History.h"
#include "document/Scratch.h"
#include "document/SmallDisk.h"
#include "hexview/HexEdit.h"
#include "platform/ProgressWindow.h"

namespace hx::test {
namespace {

class LargeEdits : public FileSafetyTest {
protected:
    void TearDown() override {
        FileSafetyTest::TearDown();
        HistorySettings::CopyLimit = copyLimit_;
        ScratchSettings::Folder.clear();
    }
    // Select All as the view has it.
    void selectAll() {
        current()->Cursor = 0;
        current()->SelectionLength = current()->Store->Length;
    }

private:
    int64_t copyLimit_ = HistorySettings::CopyLimit;
};

TEST_F(LargeEdits, SaveAsksToLetUndoStepsGoWhenTheScratchFolderIsFull) {
    SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
    ScratchSettings::Folder = disk.path();
    const std::string content(2 << 20, 'x');   // beyond the copy limit: the delete keeps references
    const std::string x = file("x.bin", content);
    StartUp(x);
    selectAll();
    DeleteForward(*current());
    ASSERT_EQ(current()->Store->Length, 0);
    std::vector<bool> yesNo = {false, true};
    std::vector<std::string> asked;
    Dialogs().askYesNo = [&](const YesNoQuestion &q) {
        asked.push_back(q.text);
        const bool answer = yesNo.front();
        yesNo.erase(yesNo.begin());
        return answer;
    };

    menu(CommandSave);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(disk.path()), std::string::npos) << asked[0];
    EXPECT_EQ(ReadFile(x), content) << "cancelled: nothing written";
    EXPECT_EQ(CountHistoryEntries(current()->Hist), 1);

    menu(CommandSave);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(ReadFile(x), "");
    EXPECT_EQ(CountHistoryEntries(current()->Hist), 0) << "the step that needed the bytes went";
    EXPECT_FALSE(DocumentChanged(*current()));
}

TEST_F(LargeEdits, LongEditShowsProgressAndStopsWhenTheProgramIsAskedToEnd) {
    const std::string x = path("large.bin");
    {
        FileHandle f = FileHandle::create(x);
        ASSERT_TRUE(f.truncate(int64_t{80} << 20));
    }
    StartUp(x);
    current()->EditMode = 1;   // overwrite: Delete fills the selection with zeros
    selectAll();
    const int64_t openings = ProgressWindowOpenings();
    DeleteForward(*current());
    EXPECT_EQ(HistoryIndex(current()->Hist), 1);
    EXPECT_GT(ProgressWindowOpenings(), openings);
    EXPECT_FALSE(IsProgressWindowOpen());

    Undo(current()->Hist);
    RequestQuit();
    selectAll();
    DeleteForward(*current());
    EXPECT_EQ(HistoryIndex(current()->Hist), 0) << "stopped: nothing recorded";
    EXPECT_EQ(CountHistoryEntries(current()->Hist), 1) << "the undone fill is still there to redo";
    EXPECT_TRUE(QuitRequestPending()) << "the request is left for the loop";
    EXPECT_FALSE(IsProgressWindowOpen());
}

}  // namespace
}  // namespace hx::test
