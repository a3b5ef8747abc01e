#include "app/shell/MainWindow.h"

#include <algorithm>
#include <deque>

#include "app/compare/CompareWindow.h"
#include "app/shell/CommandStates.h"
#include "app/shell/EditWatch.h"
#include "app/shell/Globals.h"
#include "app/toolwindows/SearchWindow.h"
#include "app/settings/Language.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/CompressionWindow.h"
#include "app/settings/Settings.h"
#include "app/shell/Status.h"
#include "app/settings/Theme.h"
#include "hexview/HexEdit.h"
#include "hexview/HexView.h"
#include "hexview/HexViewCommands.h"
#include "platform/Canvas.h"
#include "platform/ClipboardProbe.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/MainWindowMetrics.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/Png.h"
#include "platform/StatusBar.h"
#include "platform/ToolBar.h"
#include "resources/BuiltinImages.h"
#include "tabbar/TabBar.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {
namespace {

// Paths of the Recent items; an item's value points at its entry, so the
// entries must not move (a deque keeps them in place while it grows).
std::deque<std::string> &RecentPaths() {
    static std::deque<std::string> paths;
    return paths;
}

int g_launchCanvas = -1;

// Shortcuts of the file commands act from anywhere in the main window. The
// editing commands belong to the hex views' own key handling (which also
// serves the tool windows' views), so their keys are only shown beside the
// items and keep reaching the focused view.
struct Shortcut {
    int id;
    const char *keys;
    bool registered;
};
constexpr Shortcut MainShortcuts[] = {
    {CommandNew, "Ctrl+N", true},     {CommandOpen, "Ctrl+O", true},     {CommandSave, "Ctrl+S", true},
    {CommandSaveAs, "Ctrl+Shift+S", true}, {CommandClose, "Ctrl+W", true}, {CommandQuit, "Ctrl+Q", true},
    {CommandUndo, "Ctrl+Z", false},   {CommandRedo, "Ctrl+Y", false},    {CommandCut, "Ctrl+X", false},
    {CommandCopy, "Ctrl+C", false},   {CommandPaste, "Ctrl+V", false},   {CommandSelectAll, "Ctrl+A", false},
    // Keys of the main view that the loop turns into these commands (ShellKeys.h).
    {CommandAddBookmark, "Ctrl+B", false}, {CommandNextBookmark, "F2", false},
    {CommandPreviousBookmark, "Shift+F2", false}, {CommandKeys, "F1", true},
};

void AddShortcuts(int menu) {
    for (const Shortcut &shortcut : MainShortcuts) {
        // Pop-up menus only show keys: a registered key belongs to one item.
        bool registered = shortcut.registered && menu == MainMenu;
        SetMenuItemShortcut(menu, shortcut.id, shortcut.keys, registered);
    }
}

// One entry per registered algorithm: the text and icon of its name (the
// submenu's own icon where the theme has none for the name), its record as
// the value. firstId -1 hands out automatic ids (the main menu, which opens
// the group); otherwise the entries take firstId, firstId + 1, ... so that
// the pop-up menu reuses the main menu's ids.
void AddAlgorithmEntries(const AlgorithmRegistry &registry, int firstId, const char *submenuIcon) {
    int position = 0;
    for (const auto &record : registry.records()) {
        int id = firstId < 0 ? -1 : firstId + position;
        const QImage *icon = GetIcon(record->Name);
        AddMenuItem(id, GetText(record->Name), icon ? icon : GetIcon(submenuIcon),
                    reinterpret_cast<intptr_t>(record.get()));
        ++position;
    }
}

void AddRecentEntries(const std::vector<std::string> &recentFiles) {
    OpenSubMenu(MainMenu, GetText("Recent"), GetIcon("Recent"));
    OpenMenuGroup(RecentGroup);
    RecentPaths().clear();
    if (recentFiles.empty()) AddMenuItem(-1, GetText("Empty"), nullptr, 0, MenuItemDisabled);
    for (const std::string &path : recentFiles) {
        RecentPaths().push_back(path);
        // A file name is shown as it is: an "&" in it is no access letter.
        const int id = AddMenuItem(-1, LiteralMenuText(FileNamePart(path)), nullptr,
                                   reinterpret_cast<intptr_t>(&RecentPaths().back()));
        SetMenuItemToolTip(MainMenu, id, path);
    }
    CloseMenuGroup();
    CloseSubMenu(MainMenu);
}

// A copy or cut that put nothing on the clipboard, or a paste that changed
// nothing, says so in the window of the view it was asked of; the limit is
// named in binary units as it is set.
void TellClipboardRefused(int gadget, ClipboardRefusal reason) {
    const std::string limit = std::to_string(MaxClipboardBytes / (int64_t{1} << 20)) + " MiB";
    std::string text;
    switch (reason) {
    case ClipboardRefusal::TooLarge:
        text = FillPlaceholder(GetText("\\Messages\\ClipboardTooLarge"), "%LIMIT", limit);
        break;
    case ClipboardRefusal::Unreadable: text = GetText("\\Messages\\ClipboardUnreadable"); break;
    case ClipboardRefusal::NotHexText: text = GetText("\\Notices\\PasteNotHex"); break;
    }
    const int window = ControlWindow(gadget);
    ShowMessage(window >= 0 ? window : MainWindowNumber, GetText("\\Messages\\Title"), text);
}

QImage LaunchPicture() {
    if (!LaunchImage().isNull()) return LaunchImage();
    return DecodePng(LaunchPng());
}

}  // namespace

void BuildMainMenu(const std::vector<std::string> &recentFiles) {
    SetTextGroup("Menu");
    SetCurrentMenu(MainMenu);
    CreateMenu(MainMenu, MainWindowNumber);

    AddMenuTitle(MainMenu, GetText("File"));
    AddMenuEntry(CommandNew, "New");
    AddMenuEntry(CommandOpen, "Open");
    AddRecentEntries(recentFiles);
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandSave, "Save");
    AddMenuEntry(CommandSaveAs, "SaveAs");
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandClose, "Close");
    AddMenuEntry(CommandCloseAll, "CloseAll");
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandQuit, "Quit");

    AddMenuTitle(MainMenu, GetText("Edit"));
    AddMenuEntry(CommandUndo, "Undo");
    AddMenuEntry(CommandRedo, "Redo");
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandCut, "Cut");
    AddMenuEntry(CommandCopy, "Copy");
    AddMenuEntry(CommandPaste, "Paste");
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandSelectAll, "SelectAll");
    AddMenuSeparator(MainMenu);
    AddSearchMenuEntries();
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandAddBookmark, "AddBookmark");
    AddMenuEntry(CommandNextBookmark, "NextBookmark");
    AddMenuEntry(CommandPreviousBookmark, "PreviousBookmark");

    AddMenuTitle(MainMenu, GetText("Tools"));
    AddMenuEntry(CommandValuesEditor, "ValuesEditor");
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandHistogram, "Histogram");
    OpenSubMenu(MainMenu, GetText("Fingerprint"), GetIcon("Fingerprint"));
    OpenMenuGroup(FingerprintGroup);
    AddAlgorithmEntries(FingerprintRegistry(), -1, "Fingerprint");
    CloseMenuGroup();
    CloseSubMenu(MainMenu);
    AddCompressionMenu();
    OpenSubMenu(MainMenu, GetText("Cipher"), GetIcon("Cipher"));
    OpenMenuGroup(CipherGroup);
    AddAlgorithmEntries(TransformationRegistry(), -1, "Cipher");
    CloseMenuGroup();
    CloseSubMenu(MainMenu);
    AddMenuSeparator(MainMenu);
    AddMenuEntry(CommandBookmarks, "Bookmarks");
    AddMenuSeparator(MainMenu);
    AddCompareMenuEntries();

    AddMenuTitle(MainMenu, GetText("Configurations"));
    AddMenuEntry(CommandConfigurations, "Configurations");
    AddMenuSeparator(MainMenu);
    AddMenuItem(CommandSign, GetText("Sign"), nullptr, 0, MenuItemCheck);
    // The byte-order submenu's title has no key of its own in the language
    // files; a file that adds "ByteOrder" to its menu texts translates it.
    OpenSubMenu(MainMenu, GetText("ByteOrder", "Bytereihenfolge"), nullptr);
    OpenMenuGroup(ByteOrderGroup);
    AddMenuItem(CommandBigEndian, GetText("BigEndian"), nullptr, 0, MenuItemRadio);
    AddMenuItem(CommandLittleEndian, GetText("LittleEndian"), nullptr, 0, MenuItemRadio);
    CloseMenuGroup();
    CloseSubMenu(MainMenu);

    AddMenuTitle(MainMenu, GetText("Help"));
    AddMenuEntry(CommandKeys, "Keys");
    AddMenuEntry(CommandAbout, "About");

    AddShortcuts(MainMenu);
}

void BuildPopupMenus() {
    SetTextGroup("Menu");

    SetCurrentMenu(ViewPopupMenu);
    CreateMenu(ViewPopupMenu, MainWindowNumber);
    AddMenuEntry(CommandCut, "Cut");
    AddMenuEntry(CommandCopy, "Copy");
    AddMenuEntry(CommandPaste, "Paste");
    AddMenuSeparator(ViewPopupMenu);
    AddMenuEntry(CommandSelectAll, "SelectAll");
    AddMenuSeparator(ViewPopupMenu);
    AddMenuEntry(CommandHistogram, "Histogram");
    OpenSubMenu(ViewPopupMenu, GetText("Fingerprint"), GetIcon("Fingerprint"));
    AddAlgorithmEntries(FingerprintRegistry(), FirstGroupItem(FingerprintGroup), "Fingerprint");
    CloseSubMenu(ViewPopupMenu);
    AddCompressionMenu();
    OpenSubMenu(ViewPopupMenu, GetText("Cipher"), GetIcon("Cipher"));
    AddAlgorithmEntries(TransformationRegistry(), FirstGroupItem(CipherGroup), "Cipher");
    CloseSubMenu(ViewPopupMenu);
    AddMenuSeparator(ViewPopupMenu);
    AddMenuEntry(CommandAddSplitter, "AddSplitter");
    AddMenuEntry(CommandRemoveSplitter, "RemoveSplitter");
    AddShortcuts(ViewPopupMenu);

    SetCurrentMenu(ToolPopupMenu);
    CreateMenu(ToolPopupMenu, MainWindowNumber);
    AddMenuEntry(CommandCut, "Cut");
    AddMenuEntry(CommandCopy, "Copy");
    AddMenuEntry(CommandPaste, "Paste");
    AddMenuSeparator(ToolPopupMenu);
    AddMenuEntry(CommandSelectAll, "SelectAll");
    AddShortcuts(ToolPopupMenu);

    SetCurrentMenu(MainMenu);
}

void BuildToolBar() {
    SetTextGroup("ToolBar");
    CreateToolBar(MainWindowNumber);
    auto button = [](int id, const char *name) {
        AddToolBarButton(MainWindowNumber, id, GetIcon(name), GetText(name));
    };
    button(CommandNew, "New");
    button(CommandOpen, "Open");
    button(CommandSave, "Save");
    AddToolBarSeparator(MainWindowNumber);
    button(CommandUndo, "Undo");
    button(CommandRedo, "Redo");
    AddToolBarSeparator(MainWindowNumber);
    button(CommandCut, "Cut");
    button(CommandCopy, "Copy");
    button(CommandPaste, "Paste");
}

void BuildStatusBar() {
    // The fourth field (offset, mode, read-only) takes the rest of the bar, so
    // that the window can still be made as narrow as the three fixed ones allow.
    CreateStatusBar(MainWindowNumber, {StatusFieldWidth, StatusFieldWidth, StatusFieldWidth, 0});
}

bool ShowLaunchWindow() {
    if (!OpenWindow(LaunchWindowNumber, 0, 0, LaunchWindowWidth, LaunchWindowHeight, LaunchWindowTitle,
                    WindowBorderless | WindowCentered | WindowFront, MainWindowNumber))
        return false;
    g_launchCanvas = CreateCanvas(-1, LaunchWindowNumber, 0, 0, LaunchWindowWidth, LaunchWindowHeight, 0);
    if (g_launchCanvas >= 0) {
        QImage picture = LaunchPicture();
        Drawing drawing(g_launchCanvas);
        if (drawing.ok() && !picture.isNull()) drawing.image(0, 0, picture);
    }
    AddWindowTimer(LaunchWindowNumber, LaunchTimer, LaunchInterval);

    // Start-up goes on only after the picture has been up for a second; what
    // the user did meanwhile is dropped, except a request to end the program.
    std::vector<Event> kept;
    for (;;) {
        Event event = WaitEvent();
        if (event.kind == EventTimer && event.window == LaunchWindowNumber && event.data == LaunchTimer) break;
        if (event.kind == EventCloseWindow && event.window == MainWindowNumber) kept.push_back(event);
    }
    for (const Event &event : kept) PostEvent(event);
    return true;
}

void KeepLaunchWindowInFront() { RaiseWindow(LaunchWindowNumber); }

void CloseLaunchWindow() {
    RemoveWindowTimer(LaunchWindowNumber, LaunchTimer);
    if (g_launchCanvas >= 0) FreeControl(g_launchCanvas);
    g_launchCanvas = -1;
    CloseWindow(LaunchWindowNumber);
}

MainWindowLayout ComputeMainWindowLayout(int innerWidth, int innerHeight, int menuBarHeight, int toolBarHeight,
                                         int statusBarHeight) {
    MainWindowLayout layout;
    int width = std::max(innerWidth, 0);
    layout.tabBarWidth = width;
    layout.viewY = layout.tabBarY + layout.tabBarHeight;
    layout.viewWidth = width;
    layout.viewHeight =
        std::max(innerHeight - menuBarHeight - toolBarHeight - layout.tabBarHeight - statusBarHeight - 5, 0);
    return layout;
}

void LayoutMainWindow() {
    MainWindowMetrics metrics = MeasureMainWindow(MainWindowNumber);
    MainWindowLayout layout = ComputeMainWindowLayout(metrics.innerWidth, metrics.innerHeight, metrics.menuBarHeight,
                                                      metrics.toolBarHeight, metrics.statusBarHeight);
    ResizeControl(TabBarGadget, -1, -1, layout.tabBarWidth, -1);
    UpdateTabBar(TabBarGadget);
    ResizeControl(MainViewGadget, -1, -1, layout.viewWidth, layout.viewHeight);
    RedrawHexView(MainViewGadget);
}

bool OpenMainWindow() {
    std::string title = GetText("\\Window\\Main") + MainTitleSuffix;
    if (!OpenWindow(MainWindowNumber, 0, 0, MainWindowInnerWidth, MainWindowInnerHeight, title,
                    WindowMain | WindowResizable | WindowCentered | WindowHidden))
        return false;

    if (AppSettings().LaunchWindow != 0) ShowLaunchWindow();

    AddWindowTimer(MainWindowNumber, UpkeepTimer, UpkeepInterval);

    ResetMenuBuilder();
    BuildMainMenu(AppSettings().RecentFiles);
    BuildPopupMenus();
    BuildToolBar();
    BuildStatusBar();
    SetSettingsMenuReader([] {
        SettingsMenuState state;
        state.sign = IsCommandChecked(CommandSign) ? 1 : 0;
        state.endian = std::max(SelectedRadioItem(ByteOrderGroup), 0);
        return state;
    });

    // The tab bar and the view sit in the control area, which begins below
    // the menu bar and the toolbar.
    MainWindowMetrics metrics = MeasureMainWindow(MainWindowNumber);
    MainWindowLayout layout = ComputeMainWindowLayout(metrics.innerWidth, metrics.innerHeight, metrics.menuBarHeight,
                                                      metrics.toolBarHeight, metrics.statusBarHeight);

    CreateTabBar(TabBarGadget, layout.tabBarX, layout.tabBarY, layout.tabBarWidth, layout.tabBarHeight,
                 MainTabBarAttributes, MainWindowNumber);
    AddTabBarItem(TabBarGadget, TabBarNewTabItem, "", GetIcon("New"), nullptr);
    SetTabBarToolTips(TabBarGadget, "%ITEM", ShownMenuText(GetText("\\Menu\\New")),
                      ShownMenuText(GetText("\\Menu\\Close")));
    SetCanvasDropFiles(TabBarGadget, true);

    HexView *view = CreateHexView(MainViewGadget, MainWindowNumber, layout.viewX, layout.viewY, layout.viewWidth,
                                  layout.viewHeight, HexViewNoDocument);
    if (view) view->TabBar = TabBarGadget;
    SetHexViewCallback(MainViewGadget, RefreshStatus, 0);
    SetCanvasDropText(MainViewGadget, true);

    SetClipboardRefusedHandler(TellClipboardRefused);
    InstallEditWatch();

    // Until the first upkeep tick there is no document: nothing to undo, redo or copy.
    for (int id : {CommandUndo, CommandRedo, CommandCut, CommandCopy}) EnableCommand(id, false);
    EnableCommand(CommandPaste, ClipboardHasPasteData());
    return true;
}

std::string RecentItemPath(int id) {
    if (!InMenuGroup(RecentGroup, id)) return {};
    auto *path = reinterpret_cast<const std::string *>(ItemValue(id));
    return path ? *path : std::string();
}

const AlgorithmRecord *MenuAlgorithm(int id) {
    if (!InMenuGroup(FingerprintGroup, id) && !InMenuGroup(CipherGroup, id)) return nullptr;
    return reinterpret_cast<const AlgorithmRecord *>(ItemValue(id));
}

}  // namespace hx
