// Faults a user met in the running shell: the keyboard lost to the tab bar,
// silent refusals of oversized copies, Undo, Redo and Select All from the
// menu leaving the change out of view, Paste offered for an empty clipboard,
// "&" in recent file names, and stored window sizes larger than the screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <filesystem>
#include <fstream>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "document/Document.h"
#include "hexview/HexEdit.h"
#include "hexview/HexView.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"
#include "ShellTestSupport.h"
#include "UserInput.h"

using namespace hx;

namespace {

class FaultsShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // No launch window (it holds start-up for a second) and no values
        // editor (it would take the active window from the main window).
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n[ValuesEditor]\r\nHide = 1\r\n" + recent);
        InitTestPlatform();
        Dialogs().askSave = [this](const SaveQuestion &) {
            ++questions;
            return SaveChoice::Cancel;
        };
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
        QGuiApplication::clipboard()->clear();
    }

    // Starts the shell with the English texts, its main window shown and active.
    void Start(const std::string &file = "") {
        StartUp(file);
        LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini");
        Pump();
        QApplication::setActiveWindow(WindowWidget(0));
        FocusControl(MainViewGadget);
        Pump();
    }
    static bool Menu(int id) { return ChooseMenuItem(id); }
    static void Type(int character) { TypeIntoMainView(character); }
    static void Upkeep() {
        Event e;
        e.window = 0;
        e.kind = EventTimer;
        e.data = 0;
        DispatchEvent(e);
    }
    std::string File(const std::string &name, int64_t size) {
        const std::string path = dir.path().toStdString() + "/" + name;
        WriteAll(path, "");
        std::filesystem::resize_file(path, static_cast<uintmax_t>(size));  // sparse: nothing is written
        return path;
    }
    static Document *Doc() { return HexViewByGadget(MainViewGadget)->CurrentDocument; }
    static const TabBarItem &Tab(int index) { return *GetTabBarItem(TabBarGadget, index); }
    // Whether the cursor end of the selection lies in the rows the active pane shows.
    static bool EndInView() {
        const Document &doc = *Doc();
        const int64_t end = doc.Cursor + doc.SelectionLength;
        return end >= doc.ActivePane->Top && end < doc.ActivePane->Top + int64_t{16} * doc.ActivePane->Rows;
    }

    QTemporaryDir dir;
    std::string recent;
    int questions = 0;
    std::vector<std::string> messages;
};

TEST_F(FaultsShellTest, AfterAnyClickOnTheTabBarTheArrowKeysMoveTheCursor) {
    Start(File("a.bin", 64));
    Menu(CommandNew);
    Type('1');  // a changed document: closing it asks, and the answer is Cancel
    ASSERT_EQ(CountTabBarItems(TabBarGadget), 2);
    UserClick(MainViewGadget, 5, 5);
    struct Click {
        const char *what;
        int x, y;
    };
    const Click clicks[] = {
        {"selected tab", Tab(1).textX + 2, Tab(1).rect.y + Tab(1).rect.height / 2},
        {"other tab", Tab(0).textX + 2, Tab(0).rect.y + Tab(0).rect.height / 2},
        {"empty strip", ControlWidget(TabBarGadget)->width() - 3, 3},
        // The changed document's tab: the question comes and is cancelled.
        {"close button, question cancelled", Tab(1).closeX + 6, Tab(1).closeY + 6},
    };
    for (const Click &click : clicks) {
        const Document *before = Doc();
        const int64_t cursor = before->Cursor;
        UserClick(TabBarGadget, click.x, click.y);
        EXPECT_EQ(FocusedControl(), MainViewGadget) << click.what;
        const int64_t expected = Doc() == before ? cursor : Doc()->Cursor;
        UserKey(expected < Doc()->Store->Length ? Qt::Key_Right : Qt::Key_Left);
        EXPECT_NE(Doc()->Cursor, expected) << click.what << ": the arrow key did nothing";
    }
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(CountTabBarItems(TabBarGadget), 2);
}

TEST_F(FaultsShellTest, CopyOrCutOverTheClipboardLimitSaysSoAndChangesNothing) {
    Start(File("big.bin", MaxClipboardBytes + 1));
    QGuiApplication::clipboard()->setText("kept");
    Menu(CommandSelectAll);
    ASSERT_EQ(Doc()->SelectionLength, MaxClipboardBytes + 1);
    Menu(CommandCopy);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("128 MiB"), std::string::npos) << messages[0];
    UserKey(Qt::Key_X, Qt::ControlModifier);
    UserKey(Qt::Key_C, Qt::ControlModifier);
    Menu(CommandCut);
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_EQ(Doc()->Store->Length, MaxClipboardBytes + 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    // At the limit itself nothing is said (the copy itself is not tried here: 128 MiB of text).
    Doc()->SelectionLength = 16;
    Menu(CommandCopy);
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_EQ(QGuiApplication::clipboard()->text().size(), 32);
}

TEST_F(FaultsShellTest, UndoRedoAndSelectAllFromTheMenuShowTheChange) {
    Start(File("long.bin", 16 * 2000));
    Document &doc = *Doc();
    // An edit near the end, then the view scrolled back to the top.
    doc.Cursor = 16 * 1990;
    Type('A');
    struct Step {
        const char *what;
        int command;
    } steps[] = {{"Undo", CommandUndo}, {"Redo", CommandRedo}, {"SelectAll", CommandSelectAll}};
    for (const Step &step : steps) {
        doc.ActivePane->Top = 0;
        doc.Cursor = 0;
        doc.SelectionLength = 0;
        RedrawHexView(MainViewGadget);
        Menu(step.command);
        EXPECT_TRUE(EndInView()) << step.what << ": cursor " << doc.Cursor << " top " << doc.ActivePane->Top;
        EXPECT_NE(doc.ActivePane->Top, 0) << step.what;
    }
}

TEST_F(FaultsShellTest, PasteIsOfferedOnlyForSomethingToPaste) {
    Start();
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText("");
    Upkeep();
    EXPECT_FALSE(IsMenuItemEnabled(MainMenu, CommandPaste));
    clipboard->setText("4142");
    Upkeep();
    EXPECT_TRUE(IsMenuItemEnabled(MainMenu, CommandPaste));
    clipboard->setText("");
    Upkeep();
    EXPECT_FALSE(IsMenuItemEnabled(MainMenu, CommandPaste));
}

TEST_F(FaultsShellTest, StoredSizesLargerThanTheScreenAreCutToItAndSensibleOnesKept) {
    Start();
    const std::vector<ScreenRect> screens = DesktopScreens();
    ASSERT_FALSE(screens.empty());
    const ScreenRect screen = screens.front();
    RestoreWindowPlace(0, 10, 10, 2000000000, 2000000000);
    EXPECT_LE(WindowWidth(0), screen.width);
    EXPECT_LE(WindowHeight(0), screen.height);
    EXPECT_GE(WindowX(0), screen.x);
    EXPECT_GE(WindowY(0), screen.y);
    EXPECT_LE(WindowX(0) + WindowWidth(0), screen.x + screen.width);
    RestoreWindowPlace(0, 20, 30, 640, 480);
    EXPECT_EQ(WindowWidth(0), 640);
    EXPECT_EQ(WindowHeight(0), 480);
    EXPECT_EQ(WindowX(0), 20);
    EXPECT_EQ(WindowY(0), 30);
}

TEST(FitWindowSize, CutsOnlyWhatDoesNotFit) {
    const ScreenRect area{0, 0, 1280, 1000};
    const WindowSize frame{10, 40};
    struct Case {
        int width, height, expectedWidth, expectedHeight;
    } cases[] = {
        {800, 600, 800, 600},               // fits
        {1270, 960, 1270, 960},             // fits exactly with the frame
        {1271, 961, 1270, 960},             // one pixel over
        {2000000000, 2000000000, 1270, 960},
        {-1, 2000000000, -1, 960},          // nothing stored stays nothing stored
    };
    for (const Case &c : cases) {
        const WindowSize fitted = FitWindowSize(c.width, c.height, area, frame);
        EXPECT_EQ(fitted.width, c.expectedWidth) << c.width;
        EXPECT_EQ(fitted.height, c.expectedHeight) << c.height;
    }
    // A tiny or missing screen never gives a tiny window or changes anything.
    EXPECT_EQ(FitWindowSize(5000, 5000, ScreenRect{0, 0, 50, 50}, frame).width, 100);
    EXPECT_EQ(FitWindowSize(5000, 5000, ScreenRect{}, frame).width, 5000);
}

TEST(ScreenAreaAt, TakesTheScreenHoldingThePointElseTheNearest) {
    const std::vector<ScreenRect> screens = {{0, 0, 1000, 800}, {1000, 0, 1920, 1080}};
    EXPECT_EQ(ScreenAreaAt(1500, 100, screens).x, 1000);
    EXPECT_EQ(ScreenAreaAt(10, 10, screens).x, 0);
    EXPECT_EQ(ScreenAreaAt(5000, 100, screens).x, 1000);
    EXPECT_EQ(ScreenAreaAt(-3000, -5, screens).x, 0);
    EXPECT_EQ(ScreenAreaAt(NoPosition, NoPosition, screens).x, 0);
    EXPECT_EQ(ScreenAreaAt(0, 0, {}).width, 0);
}

class FaultsRecentTest : public FaultsShellTest {
protected:
    void SetUp() override {
        recent = "[Recent]\r\nFileName_0 = /data/R&D.bin\r\n";
        FaultsShellTest::SetUp();
    }
};

TEST_F(FaultsRecentTest, RecentFileWithAnAmpersandIsShownWithIt) {
    Start();
    const int id = FirstGroupItem(RecentGroup);
    EXPECT_EQ(MenuItemText(MainMenu, id), "R&D.bin");
    QAction *shown = nullptr;
    for (QAction *action : WindowWidget(0)->findChildren<QAction *>())
        if (action->iconText() == "R&D.bin") shown = action;
    EXPECT_NE(shown, nullptr) << "no menu entry reads R&D.bin";
}

}  // namespace
