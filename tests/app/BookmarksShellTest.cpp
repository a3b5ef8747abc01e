// Bookmarks, the title, the fourth status field and the main window's keys,
// driven through the loop as the user gives them: a bookmark set with Ctrl+B
// is listed, follows an insert, is back after a restart and is marked stale
// when the file changed meanwhile.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QTemporaryDir>
#include <QWidget>

#include "app/bookmarks/BookmarksWindow.h"
#include "app/settings/ConfigurationsWindow.h"
#include "app/settings/Language.h"
#include "app/settings/Settings.h"
#include "app/shell/BuildInfo.h"
#include "app/shell/Help.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/shell/Status.h"
#include "document/Bookmarks.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "hexview/Selection.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FormDialog.h"
#include "platform/Menu.h"
#include "platform/StatusBar.h"
#include "platform/Table.h"
#include "tabbar/TabBar.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

class BookmarksShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\nLanguage = English\r\n");
        InitTestPlatform();
        path = dir.path().toStdString() + "/sample.bin";
        WriteAll(path, std::string(256, 'x'));
        FormDialogHook() = [this](const FormRequest &request) {
            std::vector<FormField> fields = request.fields;
            fields[0].text = name;
            return std::optional<std::vector<FormField>>(fields);
        };
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
    }
    void TearDown() override {
        if (started) ShutDown();
        FormDialogHook() = {};
        Dialogs() = DialogHooks{};
    }
    // The tests' program folder has no language files: the texts come from the sources.
    void Start(const std::string &file) {
        StartUp(file);
        started = true;
        LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini");
        RedrawHexView(MainViewGadget);   // the title and the status bar in these texts
    }
    void Restart(const std::string &file) {
        ShutDown();
        InitTestPlatform();
        Start(file);
    }
    Document *Doc() { return HexViewByGadget(MainViewGadget)->CurrentDocument; }
    BookmarkList *List() { return FindBookmarks(Doc()->Store); }
    static void Key(int key, int modifiers = 0) { PressKeyInMainView(key, modifiers); }
    std::vector<std::string> Row(int row) {
        return {TableCell(BookmarksTable, row, 0), TableCell(BookmarksTable, row, 1), TableCell(BookmarksTable, row, 2)};
    }

    QTemporaryDir dir;
    std::string path;
    std::string name = "header";
    std::vector<std::string> messages;
    bool started = false;
};

TEST_F(BookmarksShellTest, BookmarkIsListedFollowsAnInsertAndIsKeptAcrossARestart) {
    Start(path);
    Doc()->Cursor = 0x40;
    Doc()->SelectionLength = 8;
    Key(KeyB, ModControl);
    ChooseMenuItem(CommandBookmarks);
    EXPECT_TRUE(IsWindowVisible(BookmarksWindowNumber));
    ASSERT_EQ(TableRowCount(BookmarksTable), 1);
    EXPECT_EQ(Row(0), (std::vector<std::string>{"header", "40", "8"}));

    Restart(path);
    ASSERT_EQ(List()->Items.size(), 1u);
    EXPECT_EQ(List()->Items[0].Name, "header");
    EXPECT_FALSE(List()->Stale);

    // Four bytes typed at 0 move it; closing without saving keeps it where the file has it.
    Doc()->Cursor = 0;
    for (int i = 0; i < 8; ++i) TypeIntoMainView('0');
    EXPECT_EQ(List()->Items[0].Start, 0x44);
    ChooseMenuItem(CommandBookmarks);
    EXPECT_EQ(Row(0), (std::vector<std::string>{"header", "44", "8"}));
    Restart(path);
    EXPECT_EQ(List()->Items[0].Start, 0x40);

    // A file changed by another program: still shown, but the list says so.
    ShutDown();
    WriteAll(path, std::string(300, 'y'));
    InitTestPlatform();
    Start(path);
    ASSERT_EQ(List()->Items.size(), 1u);
    EXPECT_TRUE(List()->Stale);
    ChooseMenuItem(CommandBookmarks);
    EXPECT_TRUE(IsControlVisible(BookmarksStaleNote));
}

TEST_F(BookmarksShellTest, F2StepsThroughBookmarksAndDeleteRemovesOne) {
    Start(path);
    for (int64_t at : {0x10, 0x30}) {
        Doc()->Cursor = at;
        Doc()->SelectionLength = 0;
        Key(KeyB, ModControl);
    }
    Doc()->Cursor = 0;
    Key(KeyF2);
    EXPECT_EQ(SelectionStart(*Doc()), 0x10);
    EXPECT_EQ(SelectionSize(*Doc()), 1);
    Key(KeyF2);
    EXPECT_EQ(SelectionStart(*Doc()), 0x30);
    Key(KeyF2, ModShift);
    EXPECT_EQ(SelectionStart(*Doc()), 0x10);

    ChooseMenuItem(CommandBookmarks);
    ActivateTableRow(BookmarksTable, 1, false);
    ActivateControl(BookmarksDeleteButton);
    while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    ASSERT_EQ(List()->Items.size(), 1u);
    EXPECT_EQ(List()->Items[0].Start, 0x10);
}

TEST_F(BookmarksShellTest, TitleTabAndStatusNameTheFileAndItsState) {
    Start(path);
    const std::string clean = "sample.bin - Hexaloom - Beta";
    EXPECT_EQ(WindowTitle(0), clean);
    EXPECT_EQ(Doc()->Tab->toolTip, path);
    EXPECT_EQ(StatusBarText(StatusModeField), "0x0  INS");
    Doc()->Cursor = 0x1F;
    TypeIntoMainView('A');
    EXPECT_EQ(WindowTitle(0), "sample.bin* - Hexaloom - Beta");
    Key(KeyInsert);
    EXPECT_EQ(StatusBarText(StatusModeField), "0x1F  OVR");
    ChooseMenuItem(CommandSave);
    EXPECT_EQ(WindowTitle(0), clean);

    // A file that can only be read: typing changes nothing and the status bar says why.
    Doc()->Store->Writable = 0;
    TypeIntoMainView('B');
    EXPECT_EQ(StatusBarText(StatusModeField), "0x1F  OVR  Read-only: not changed");
    Key(KeyRight);
    EXPECT_EQ(StatusBarText(StatusModeField), "0x20  OVR  Read-only");
    EXPECT_FALSE(DocumentChanged(*Doc()));
}

TEST_F(BookmarksShellTest, CtrlTabAndCtrlPageKeysSwitchTabs) {
    const std::string other = dir.path().toStdString() + "/other.bin";
    WriteAll(other, "abc");
    WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n[Recent]\r\nFileName_0 = " + other + "\r\n");
    Start(path);
    OpenFileInEditor(MainViewGadget, other);
    ASSERT_EQ(SelectedTabBarItem(0), 1);
    const int keys[][2] = {{KeyTab, ModControl}, {KeyTab, ModControl | ModShift}, {KeyPageDown, ModControl},
                           {KeyPageUp, ModControl}};
    const int expected[] = {0, 1, 0, 1};
    for (int i = 0; i < 4; ++i) {
        Key(keys[i][0], keys[i][1]);
        EXPECT_EQ(SelectedTabBarItem(0), expected[i]) << i;
        EXPECT_EQ(Doc(), TabBarItemData(GetTabBarItem(0, expected[i]))) << i;
    }
    // The recent entry reads the file's name; its tool tip gives the whole path.
    EXPECT_EQ(MenuItemText(MainMenu, FirstGroupItem(RecentGroup)), "other.bin");
    EXPECT_EQ(MenuItemToolTip(MainMenu, FirstGroupItem(RecentGroup)), other);
}

TEST_F(BookmarksShellTest, HelpShowsTheKeysAndTheAboutBoxNamesVersionAndLibraries) {
    Start(path);
    EXPECT_EQ(MenuItemShortcutText(MainMenu, CommandKeys), "F1");
    ChooseMenuItem(CommandKeys);
    EXPECT_TRUE(IsWindowVisible(KeysWindowNumber));
    EXPECT_GT(TableRowCount(KeysTable), 20);
    EXPECT_EQ(TableCell(KeysTable, 2, 0), "Tab, Shift+Tab");
    ChooseMenuItem(CommandAbout);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(std::string("Hexaloom ") + ProgramVersion + "\n", 0), 0u) << messages[0];
    for (const char *library : {"Qt 6.", "libzip ", "libpng ", "zlib ", "OpenSSL 3."})
        EXPECT_NE(messages[0].find(library), std::string::npos) << library;
}

TEST_F(BookmarksShellTest, EscapeClosesToolWindowsAndConfigurationsCancelsOkApplies) {
    Start(path);
    // Escape is an action of each tool window: pressing it asks to close.
    auto escape = [](int window) {
        for (QAction *action : WindowWidget(window)->actions())
            if (action->shortcut() == QKeySequence(Qt::Key_Escape)) action->trigger();
        while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    };
    ChooseMenuItem(CommandBookmarks);
    EXPECT_EQ(QApplication::activeWindow(), WindowWidget(BookmarksWindowNumber));
    escape(BookmarksWindowNumber);
    EXPECT_FALSE(IsWindowVisible(BookmarksWindowNumber));

    const bool launch = AppSettings().LaunchWindow != 0;
    for (int button : {int(ConfigCancel), -1, int(ConfigOk)}) {
        ChooseMenuItem(CommandConfigurations);
        // Opened with the keyboard focus, or Escape would reach the disabled main window.
        EXPECT_EQ(QApplication::activeWindow(), WindowWidget(ConfigurationsWindowNumber)) << button;
        ActivateControl(ConfigLaunchCheck, launch ? 0 : 1);
        if (button < 0) escape(ConfigurationsWindowNumber);
        else ActivateControl(button);
        while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
        EXPECT_FALSE(IsWindow(ConfigurationsWindowNumber)) << button;
        EXPECT_EQ(AppSettings().LaunchWindow != 0, button == ConfigOk ? !launch : launch) << button;
        EXPECT_TRUE(WindowWidget(0)->isEnabled()) << button;
    }
}

}  // namespace
