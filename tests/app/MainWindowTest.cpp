// The main window as built at start-up, its layout, the launch window and
// the 100 ms upkeep of the tab tint and the editing commands.
#include <gtest/gtest.h>

#include <chrono>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "app/shell/CommandStates.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "app/shell/Status.h"
#include "app/settings/Theme.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "resources/BuiltinImages.h"
#include "platform/Canvas.h"
#include "platform/MainWindowMetrics.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/Png.h"
#include "platform/StatusBar.h"
#include "platform/ToolBar.h"
#include "tabbar/TabBar.h"
#include "tools/AlgorithmRegistry.h"

using namespace hx;

namespace {

constexpr int AllMenus[] = {MainMenu, ViewPopupMenu, ToolPopupMenu};

void DrainEvents() {
    while (PollEvent()) {
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini"));
        ASSERT_TRUE(LoadTheme(std::string(HEXALOOM_SOURCE_DIR) + "/Themes/Farm-Fresh.zip"));
        RegisterBuiltinAlgorithms();
        saved = AppSettings();
        AppSettings().LaunchWindow = 0;
        AppSettings().RecentFiles = {"/tmp/one.bin"};
        DrainEvents();
    }
    void TearDown() override {
        PrepareToolPopupMenu(false);
        DestroyHexView(32);
        DestroyHexView(1);
        DestroyTabBar(0);
        for (int menu : AllMenus) FreeMenu(menu);
        CloseWindow(7);
        CloseWindow(0);
        AppSettings() = saved;
        ClearLanguage();
        ClearTheme();
        DrainEvents();
    }
    // A document in the main view with its tab, as the shell makes it.
    Document *NewDocumentWithTab() {
        Document *doc = NewEditorFile(1, "");
        int index = AddTabBarItem(0, -1, "doc", nullptr, doc);
        doc->Tab = GetTabBarItem(0, index);
        SetTabBarState(0, index);
        return doc;
    }
    bool Tinted(const Document *doc) { return doc->Tab->faceColour == ChangedTabColour; }
    void Type(Document *doc, uint8_t byte) { ASSERT_EQ(InsertBytes(doc, doc->Cursor, &byte, 1), 0); }

    Settings saved;
};

TEST_F(MainWindowTest, OpensTheWindowWithBarsTabBarAndView) {
    ASSERT_TRUE(OpenMainWindow());
    EXPECT_EQ(WindowWidget(0)->windowTitle().toStdString(), "Hexaloom - Beta");
    EXPECT_FALSE(IsWindowVisible(0));
    EXPECT_EQ(WindowWidth(0), MainWindowInnerWidth);
    EXPECT_EQ(WindowHeight(0), MainWindowInnerHeight);
    EXPECT_FALSE(IsWindow(LaunchWindowNumber));

    EXPECT_EQ(StatusBarFieldCount(), 4);
    EXPECT_EQ(MenuItemText(MainMenu, FirstGroupItem(RecentGroup)), "one.bin");
    EXPECT_TRUE(HasMenuItem(ViewPopupMenu, CommandAddSplitter));
    EXPECT_TRUE(HasToolBarButton(0, CommandPaste));

    TabBar *bar = GetTabBar(TabBarGadget);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->attributes & 0xFFFFu, MainTabBarAttributes);
    EXPECT_EQ(ControlWindow(TabBarGadget), 0);
    EXPECT_FALSE(bar->newTab.image.isNull());
    EXPECT_EQ(bar->tabToolTip, "%ITEM");
    EXPECT_EQ(bar->newTabToolTip, "New");
    EXPECT_EQ(bar->closeToolTip, "Close");
    EXPECT_EQ(CanvasHeight(TabBarGadget), MainTabBarHeight);

    HexView *view = HexViewByGadget(1);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->CurrentDocument, nullptr);
    EXPECT_TRUE(view->Flags & HexViewNoDocument);
    EXPECT_EQ(view->Callback, &RefreshStatus);
    EXPECT_EQ(ControlWindow(1), 0);

    // Nothing to undo, redo or copy before the first document.
    for (int id : {CommandUndo, CommandRedo, CommandCut, CommandCopy}) {
        EXPECT_FALSE(IsCommandEnabled(id)) << id;
        EXPECT_FALSE(IsToolBarButtonEnabled(0, id)) << id;
    }

    // The upkeep timer ticks every 100 ms.
    auto start = std::chrono::steady_clock::now();
    bool ticked = false;
    while (!ticked && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        Event event = WaitEvent();
        ticked = event.kind == EventTimer && event.window == 0 && event.data == UpkeepTimer;
    }
    EXPECT_TRUE(ticked);
}

TEST_F(MainWindowTest, WithoutLanguageTheTitleIsTheBracketedKey) {
    ClearLanguage();
    ASSERT_TRUE(OpenMainWindow());
    EXPECT_EQ(WindowWidget(0)->windowTitle().toStdString(), "[Main] - Beta");
}

TEST_F(MainWindowTest, ViewFillsTheWindowBelowTheTabBarLessTheBarsAndFivePixels) {
    ASSERT_TRUE(OpenMainWindow());
    auto expectLayout = [](int width) {
        MainWindowMetrics m = MeasureMainWindow(0);
        EXPECT_EQ(m.innerWidth, width);
        EXPECT_GT(m.menuBarHeight, 0);
        EXPECT_GT(m.toolBarHeight, 0);
        EXPECT_GT(m.statusBarHeight, 0);
        EXPECT_EQ(CanvasWidth(TabBarGadget), width);
        EXPECT_EQ(CanvasWidth(1), width);
        EXPECT_EQ(CanvasHeight(1),
                  m.innerHeight - m.menuBarHeight - m.toolBarHeight - MainTabBarHeight - m.statusBarHeight - 5);
        EXPECT_EQ(ControlWidget(1)->y(), MainTabBarHeight);
        EXPECT_EQ(ControlWidget(TabBarGadget)->y(), 0);
    };
    expectLayout(800);
    ShowWindow(0, true);
    MoveWindow(0, NoPosition, NoPosition, 1000, 700);
    LayoutMainWindow();
    expectLayout(1000);
    MoveWindow(0, NoPosition, NoPosition, 640, 480);
    LayoutMainWindow();
    expectLayout(640);
}

TEST(MainWindowLayout, HeightArithmeticNeverGoesNegative) {
    MainWindowLayout layout = ComputeMainWindowLayout(800, 600, 20, 30, 22);
    EXPECT_EQ(layout.tabBarY, 0);
    EXPECT_EQ(layout.tabBarWidth, 800);
    EXPECT_EQ(layout.viewY, 25);
    EXPECT_EQ(layout.viewWidth, 800);
    EXPECT_EQ(layout.viewHeight, 600 - 20 - 30 - 25 - 22 - 5);
    layout = ComputeMainWindowLayout(-3, 60, 20, 30, 22);
    EXPECT_EQ(layout.viewHeight, 0);
    EXPECT_EQ(layout.viewWidth, 0);
}

TEST_F(MainWindowTest, ChangedTabIsTintedUntilUndoReachesTheSavedState) {
    ASSERT_TRUE(OpenMainWindow());
    Document *doc = NewDocumentWithTab();
    HexView *view = HexViewByGadget(1);
    UpdateCommandStates(view, view);
    EXPECT_FALSE(Tinted(doc));
    EXPECT_FALSE(IsCommandEnabled(CommandUndo));
    EXPECT_FALSE(IsCommandEnabled(CommandRedo));

    Type(doc, 0x41);
    Type(doc, 0x42);
    UpdateCommandStates(view, view);
    EXPECT_TRUE(Tinted(doc));
    EXPECT_TRUE(IsCommandEnabled(CommandUndo));
    EXPECT_TRUE(IsToolBarButtonEnabled(0, CommandUndo));
    EXPECT_FALSE(IsCommandEnabled(CommandRedo));
    EXPECT_FALSE(IsToolBarButtonEnabled(0, CommandRedo));

    HexViewCommand(1, HexUndo, nullptr, 0);
    UpdateCommandStates(view, view);
    EXPECT_TRUE(Tinted(doc));
    EXPECT_TRUE(IsCommandEnabled(CommandRedo));

    HexViewCommand(1, HexUndo, nullptr, 0);
    UpdateCommandStates(view, view);
    EXPECT_FALSE(Tinted(doc));
    EXPECT_EQ(doc->Tab->faceColour, TabBarDefaults.faceColour | 0xFF000000u);
    EXPECT_FALSE(IsCommandEnabled(CommandUndo));
    EXPECT_TRUE(IsCommandEnabled(CommandRedo));
    EXPECT_TRUE(IsToolBarButtonEnabled(0, CommandRedo));

    // Saved after one step: that step is the unchanged state.
    HexViewCommand(1, HexRedo, nullptr, 0);
    doc->SavedHistoryIndex = HistoryIndex(doc->Hist);
    UpdateCommandStates(view, view);
    EXPECT_FALSE(Tinted(doc));
    HexViewCommand(1, HexRedo, nullptr, 0);
    UpdateCommandStates(view, view);
    EXPECT_TRUE(Tinted(doc));

    // Another document shown in the view carries its own state.
    Document *other = NewDocumentWithTab();
    UpdateCommandStates(view, view);
    EXPECT_FALSE(Tinted(other));
    EXPECT_TRUE(Tinted(doc));
    EXPECT_FALSE(IsCommandEnabled(CommandUndo));
}

TEST_F(MainWindowTest, CutAndCopyFollowTheActiveViewsSelectionEverywhere) {
    ASSERT_TRUE(OpenMainWindow());
    Document *doc = NewDocumentWithTab();
    for (int i = 0; i < 8; ++i) Type(doc, static_cast<uint8_t>(i));
    HexView *main = HexViewByGadget(1);
    HexView *tool = CreateHexView(32, 0, 0, 0, 200, 100, 0);
    ASSERT_NE(tool, nullptr);

    auto expectCutCopy = [](bool enabled) {
        for (int id : {CommandCut, CommandCopy}) {
            for (int menu : AllMenus) EXPECT_EQ(IsMenuItemEnabled(menu, id), enabled) << "menu " << menu << " id " << id;
            EXPECT_EQ(IsToolBarButtonEnabled(0, id), enabled) << id;
        }
    };
    doc->Cursor = 2;
    doc->SelectionLength = 0;
    UpdateCommandStates(main, main);
    expectCutCopy(false);
    doc->SelectionLength = 3;
    UpdateCommandStates(main, main);
    expectCutCopy(true);
    // The active view decides, not the main view.
    UpdateCommandStates(main, tool);
    expectCutCopy(false);
    Type(tool->CurrentDocument, 7);
    tool->CurrentDocument->Cursor = 0;
    tool->CurrentDocument->SelectionLength = 1;
    doc->SelectionLength = 0;
    UpdateCommandStates(main, tool);
    expectCutCopy(true);
}

TEST_F(MainWindowTest, PasteFollowsTheClipboard) {
    ASSERT_TRUE(OpenMainWindow());
    NewDocumentWithTab();
    HexView *main = HexViewByGadget(1);
    auto expectPaste = [](bool enabled) {
        for (int menu : AllMenus) EXPECT_EQ(IsMenuItemEnabled(menu, CommandPaste), enabled) << menu;
        EXPECT_EQ(IsToolBarButtonEnabled(0, CommandPaste), enabled);
    };
    QGuiApplication::clipboard()->clear();
    UpdateCommandStates(main, main);
    expectPaste(false);
    SetClipboardText("4142");
    UpdateCommandStates(main, main);
    expectPaste(true);
    QGuiApplication::clipboard()->clear();
    UpdateCommandStates(main, main);
    expectPaste(false);
}

TEST_F(MainWindowTest, ToolPopupKeepsCutAndPasteOffForAReadOnlyView) {
    ASSERT_TRUE(OpenMainWindow());
    Document *doc = NewDocumentWithTab();
    Type(doc, 1);
    doc->Cursor = 0;
    doc->SelectionLength = 1;
    SetClipboardText("00");
    HexView *main = HexViewByGadget(1);

    PrepareToolPopupMenu(true);
    EXPECT_FALSE(IsMenuItemEnabled(ToolPopupMenu, CommandCut));
    EXPECT_FALSE(IsMenuItemEnabled(ToolPopupMenu, CommandPaste));
    UpdateCommandStates(main, main);
    EXPECT_FALSE(IsMenuItemEnabled(ToolPopupMenu, CommandCut));
    EXPECT_FALSE(IsMenuItemEnabled(ToolPopupMenu, CommandPaste));
    EXPECT_TRUE(IsMenuItemEnabled(ToolPopupMenu, CommandCopy));
    EXPECT_TRUE(IsMenuItemEnabled(MainMenu, CommandCut));
    EXPECT_TRUE(IsMenuItemEnabled(ViewPopupMenu, CommandPaste));

    PrepareToolPopupMenu(false);
    UpdateCommandStates(main, main);
    EXPECT_TRUE(IsMenuItemEnabled(ToolPopupMenu, CommandCut));
    EXPECT_TRUE(IsMenuItemEnabled(ToolPopupMenu, CommandPaste));
}

TEST_F(MainWindowTest, UpkeepWithoutADocumentChangesNothing) {
    ASSERT_TRUE(OpenMainWindow());
    EnableCommand(CommandUndo, true);
    UpdateCommandStates(HexViewByGadget(1), HexViewByGadget(1));
    UpdateCommandStates(nullptr, nullptr);
    EXPECT_TRUE(IsCommandEnabled(CommandUndo));
}

TEST_F(MainWindowTest, MenuStateIsWhatTheSettingsKeep) {
    ASSERT_TRUE(OpenMainWindow());
    CheckCommand(CommandSign, false);
    SelectRadioItem(MainMenu, ByteOrderGroup, CommandBigEndian);
    Settings settings;
    CaptureWindowGeometry(settings);
    EXPECT_EQ(settings.Sign, 0);
    EXPECT_EQ(settings.Endian, CommandBigEndian);
    CheckCommand(CommandSign, true);
    SelectRadioItem(MainMenu, ByteOrderGroup, -1);
    CaptureWindowGeometry(settings);
    EXPECT_EQ(settings.Sign, 1);
    EXPECT_EQ(settings.Endian, 0);
}

TEST_F(MainWindowTest, LaunchWindowShowsThePictureForItsFirstTick) {
    AppSettings().LaunchWindow = 1;
    // Queued before: user input is dropped, a request to end the program is kept.
    Event menu;
    menu.window = 0;
    menu.kind = EventMenu;
    menu.type = menu.data = CommandNew;
    PostEvent(menu);
    Event quit;
    quit.window = 0;
    quit.kind = EventCloseWindow;
    quit.data = 1;
    PostEvent(quit);

    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(OpenMainWindow());
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));

    ASSERT_TRUE(IsWindow(LaunchWindowNumber));
    EXPECT_TRUE(IsWindowVisible(LaunchWindowNumber));
    QWidget *launch = WindowWidget(LaunchWindowNumber);
    EXPECT_EQ(launch->windowTitle().toStdString(), LaunchWindowTitle);
    EXPECT_EQ(WindowWidth(LaunchWindowNumber), LaunchWindowWidth);
    EXPECT_EQ(WindowHeight(LaunchWindowNumber), LaunchWindowHeight);
    QImage shown = launch->grab().toImage().convertToFormat(QImage::Format_RGBA8888);
    QImage picture = DecodePng(LaunchPng()).convertToFormat(QImage::Format_RGBA8888);
    ASSERT_FALSE(picture.isNull());
    ASSERT_EQ(shown.size(), picture.size());
    for (QPoint p : {QPoint(10, 10), QPoint(240, 112), QPoint(470, 200)})
        EXPECT_EQ(shown.pixel(p), picture.pixel(p)) << p.x() << "," << p.y();

    std::vector<int> kinds;
    while (auto event = PollEvent()) kinds.push_back(event->kind);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), EventCloseWindow), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), EventMenu), 0);

    CloseLaunchWindow();
    EXPECT_FALSE(IsWindow(LaunchWindowNumber));
}

}  // namespace
