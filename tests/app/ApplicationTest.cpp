// The shell's loop driven in-process: start-up, documents through the tab bar,
// drops, the recent list, and the question before changes are lost.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <fstream>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // No launch window: it would hold start-up for a second.
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().askSave = [this](const SaveQuestion &q) {
            questions.push_back(q.text);
            return answer;
        };
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        Dialogs().saveFile = [this](const SaveFileRequest &) { return saveAsName; };
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    std::string file(const std::string &name, const std::string &bytes) {
        std::string path = dir.path().toStdString() + "/" + name;
        WriteAll(path, bytes);
        return path;
    }
    HexView *view() { return HexViewByGadget(MainViewGadget); }
    Document *current() { return view()->CurrentDocument; }
    int tabs() { return CountTabBarItems(0); }
    bool menu(int id) { return ChooseMenuItem(id); }
    void type(int character) { TypeIntoMainView(character); }

    QTemporaryDir dir;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    SaveChoice answer = SaveChoice::Cancel;
    std::string saveAsName;
};

TEST_F(ApplicationTest, StartsWithOneEmptyDocumentAndOneTab) {
    StartUp("");
    ASSERT_NE(view(), nullptr);
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(current()->Store->Length, 0);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(Shell().CurrentView, MainViewGadget);
}

TEST_F(ApplicationTest, DropOnUntouchedDocumentReplacesItAndKeepsAChangedOne) {
    StartUp("");
    std::string a = file("a.bin", "A"), b = file("b.bin", "BB"), c = file("c.bin", "CCC");
    Event drop;
    drop.window = 0;
    drop.control = 0;
    drop.kind = EventDrop;
    drop.text = a + "\n" + b + "\n" + c;
    DispatchEvent(drop);
    EXPECT_EQ(tabs(), 3);
    EXPECT_EQ(view()->Documents.size(), 3u);
    EXPECT_EQ(current()->Store->FileName, c);
    EXPECT_EQ(AppSettings().RecentFiles.front(), c);

    // A changed new document stays when files are dropped.
    menu(CommandNew);
    type('4');
    drop.text = file("d.bin", "D");   // a file not open yet: an open one only gets its tab selected
    DispatchEvent(drop);
    EXPECT_EQ(tabs(), 5);
}

TEST_F(ApplicationTest, DropEndsAtTheFirstEmptyField) {
    StartUp("");
    std::string a = file("a.bin", "A"), b = file("b.bin", "B");
    Event drop;
    drop.control = 0;
    drop.kind = EventDrop;
    drop.text = a + "\n\n" + b;
    DispatchEvent(drop);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(current()->Store->FileName, a);
}

TEST_F(ApplicationTest, ClosingAChangedDocumentAsksAndCancelKeepsIt) {
    std::string path = file("x.bin", "0123");
    StartUp(path);
    type('a');
    ASSERT_TRUE(DocumentChanged(*current()));

    answer = SaveChoice::Cancel;
    menu(CommandClose);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(current()->Store->FileName, path);

    // Discard closes without writing; the last tab's place is taken by a new empty document.
    answer = SaveChoice::Discard;
    menu(CommandClose);
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(current()->Store->Length, 0);
    EXPECT_EQ(ReadAll(path), "0123");
}

TEST_F(ApplicationTest, SaveAnswerWritesBeforeClosing) {
    std::string path = file("x.bin", "0123");
    StartUp(path);
    view()->CurrentDocument->EditMode = 1;  // overwrite the first byte
    type('4');
    type('1');
    answer = SaveChoice::Save;
    menu(CommandClose);
    EXPECT_EQ(ReadAll(path), std::string("A123"));
}

TEST_F(ApplicationTest, TabCloseButtonAsksForAChangedDocument) {
    std::string path = file("x.bin", "0123");
    StartUp(path);
    type('7');
    answer = SaveChoice::Cancel;
    Event e;
    e.window = 0;
    e.control = 0;
    e.kind = EventControl;
    // Press and release on the tab's close button.
    TabBar *bar = GetTabBar(0);
    ASSERT_NE(bar, nullptr);
    UpdateTabBar(0);
    TabBarItem *item = GetTabBarItem(0, 0);
    ASSERT_NE(item, nullptr);
    e.input.mouseX = item->closeX + 6;
    e.input.mouseY = item->closeY + 6;
    e.type = CanvasMouseMove;
    DispatchEvent(e);
    e.type = CanvasLeftButtonDown;
    DispatchEvent(e);
    e.type = CanvasLeftButtonUp;
    DispatchEvent(e);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(current()->Store->FileName, path);
}

TEST_F(ApplicationTest, QuitAsksAndCancelKeepsRunning) {
    std::string path = file("x.bin", "0123");
    StartUp(path);
    type('5');
    answer = SaveChoice::Cancel;
    EXPECT_TRUE(menu(CommandQuit));
    EXPECT_EQ(questions.size(), 1u);
    answer = SaveChoice::Discard;
    EXPECT_FALSE(menu(CommandQuit));
    EXPECT_EQ(ReadAll(path), "0123");
}

TEST_F(ApplicationTest, SignalCloseEndsWithoutAsking) {
    std::string path = file("x.bin", "0123");
    StartUp(path);
    type('5');
    Event e;
    e.window = 0;
    e.kind = EventCloseWindow;
    e.data = 1;
    EXPECT_FALSE(DispatchEvent(e));
    EXPECT_TRUE(questions.empty());
}

TEST_F(ApplicationTest, SaveOfADocumentWithoutFileAsksForAName) {
    StartUp("");
    type('4');
    type('2');
    saveAsName = dir.path().toStdString() + "/new.bin";
    menu(CommandSave);
    EXPECT_EQ(ReadAll(saveAsName), "B");
    EXPECT_FALSE(DocumentChanged(*current()));
    EXPECT_EQ(current()->Tab->text, "new.bin");
}

TEST_F(ApplicationTest, UnopenableFileIsReportedAndKeepsItsTab) {
    StartUp(dir.path().toStdString() + "/missing-folder/x.bin");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(tabs(), 1);
    EXPECT_EQ(current()->Tab->text, "x.bin");
}

TEST_F(ApplicationTest, OpeningTheSameFileTwiceKeepsOneRecentEntry) {
    std::string a = file("a.bin", "A"), b = file("b.bin", "B");
    StartUp(a);
    OpenFileInEditor(MainViewGadget, b);
    OpenFileInEditor(MainViewGadget, a);
    ASSERT_GE(AppSettings().RecentFiles.size(), 2u);
    EXPECT_EQ(AppSettings().RecentFiles[0], a);
    EXPECT_EQ(AppSettings().RecentFiles[1], b);
    EXPECT_EQ(std::count(AppSettings().RecentFiles.begin(), AppSettings().RecentFiles.end(), a), 1);
}

}  // namespace
