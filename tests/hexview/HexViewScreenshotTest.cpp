// Pictures of the view for looking at by eye: written only when
// HEXALOOM_SCREENSHOT_DIR names a folder.
#include <cstdlib>
#include <filesystem>

#include "HexViewFixture.h"

namespace hx::test {
namespace {

TEST_F(HexViewTest, WritesPicturesWhenAskedTo) {
    const char *folder = std::getenv("HEXALOOM_SCREENSHOT_DIR");
    if (!folder || !*folder) GTEST_SKIP() << "HEXALOOM_SCREENSHOT_DIR is not set";
    // A real file: this test program itself.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    CloseEditorFile(Gadget, nullptr);
    Document *file = NewEditorFile(Gadget, self);
    ASSERT_NE(file, nullptr);
    ASSERT_GT(file->Store->Length, 4096);
    GiveFocus();
    Pane &upper = file->Panes.front();
    upper.Top = 0;
    HexViewCommand(Gadget, HexSplit, nullptr, 0);
    Pane &lower = file->Panes.back();
    lower.Top = 0x3000;
    file->ActivePane = &upper;
    file->Cursor = 0x25;
    file->SelectionLength = 0x2C;
    RedrawHexView(view);
    const std::string dir = folder;
    EXPECT_TRUE(CanvasImage(Gadget).save(QString::fromStdString(dir + "/h5-view.png")));

    file->SelectionLength = 0;
    file->Cursor = 0x44;
    Type("7");
    EXPECT_TRUE(CanvasImage(Gadget).save(QString::fromStdString(dir + "/h5-view-cursor.png")));
    file->EditMode = 1;
    file->PendingNibble = -1;
    file->FocusColumn = 1;
    RedrawHexView(view);
    EXPECT_TRUE(CanvasImage(Gadget).save(QString::fromStdString(dir + "/h5-view-overwrite.png")));
}

}  // namespace
}  // namespace hx::test
