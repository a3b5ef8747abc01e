// The menu builder and the menus, pop-up menus and toolbar of the main window.
#include <gtest/gtest.h>

#include <numeric>

#include <QImage>
#include <QKeySequence>

#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Theme.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/ToolBar.h"
#include "tools/AlgorithmRegistry.h"

using namespace hx;

namespace {

const std::vector<std::string> Fingerprints = {"MD5",      "CRC32",      "SHA1",       "Adler32", "SHA224", "SHA256",
                                               "SHA384",   "SHA512",     "SHA3-256",   "SHA3-512", "BLAKE2b512",
                                               "BLAKE2s256", "CRC32C",   "CRC64",      "XXH64",   "XXH3"};
const std::vector<std::string> Ciphers = {"XOr", "AESEncoder", "AESDecoder", "Base64Encoder", "Base64Decoder"};

bool SameImage(const QImage *a, const QImage *b) {
    if (!a || !b) return false;
    return a->convertToFormat(QImage::Format_RGBA8888) == b->convertToFormat(QImage::Format_RGBA8888);
}

// Ids of the menu events waiting in the queue, in order; other events are dropped.
std::vector<int> TakeMenuEvents() {
    std::vector<int> ids;
    while (auto event = PollEvent()) {
        if (event->kind != EventMenu) continue;
        EXPECT_EQ(event->type, event->data);
        EXPECT_EQ(event->window, 0);
        ids.push_back(event->type);
    }
    return ids;
}

class MainMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini"));
        ASSERT_TRUE(LoadTheme(std::string(HEXALOOM_SOURCE_DIR) + "/Themes/Farm-Fresh.zip"));
        RegisterBuiltinAlgorithms();
        ASSERT_TRUE(OpenWindow(0, 0, 0, 800, 600, "main", WindowMain | WindowResizable | WindowHidden));
        ResetMenuBuilder();
        TakeMenuEvents();
    }
    void TearDown() override {
        for (int menu : {MainMenu, ViewPopupMenu, ToolPopupMenu}) FreeMenu(menu);
        CloseWindow(0);
        ClearLanguage();
        ClearTheme();
        TakeMenuEvents();
    }
    void Build(const std::vector<std::string> &recent) {
        BuildMainMenu(recent);
        BuildPopupMenus();
        BuildToolBar();
    }
};

TEST_F(MainMenuTest, AutomaticIdsAreHandedOutInBuildingOrder) {
    Build({"/data/first.bin", "/data/second.bin"});
    // Recent items, fingerprints, Zip and LZMA, ciphers, then the pop-up's Zip and LZMA.
    EXPECT_EQ(GroupItems(RecentGroup), (std::vector<int>{16384, 16385}));
    std::vector<int> fingerprints(Fingerprints.size());
    std::iota(fingerprints.begin(), fingerprints.end(), 16386);
    EXPECT_EQ(GroupItems(FingerprintGroup), fingerprints);
    const int zip = fingerprints.back() + 1;   // 16402 with the 16 digests
    EXPECT_EQ(MenuItemText(MainMenu, zip), ShownMenuText(GetText("\\Menu\\Zip")));
    EXPECT_EQ(MenuItemText(MainMenu, zip + 1), ShownMenuText(GetText("\\Menu\\LZMA")));
    EXPECT_EQ(GroupItems(CipherGroup), (std::vector<int>{zip + 2, zip + 3, zip + 4, zip + 5, zip + 6}));
    EXPECT_EQ(MenuItemText(ViewPopupMenu, zip + 7), ShownMenuText(GetText("\\Menu\\Zip")));
    EXPECT_EQ(MenuItemText(ViewPopupMenu, zip + 8), ShownMenuText(GetText("\\Menu\\LZMA")));
    EXPECT_EQ(NextAutomaticMenuId(), zip + 9);
    EXPECT_EQ(FirstGroupItem(CipherGroup), zip + 2);
    EXPECT_EQ(LastGroupItem(CipherGroup), zip + 6);
    EXPECT_TRUE(InMenuGroup(FingerprintGroup, zip - 1));
    EXPECT_FALSE(InMenuGroup(FingerprintGroup, zip));
}

TEST_F(MainMenuTest, EmptyRecentListShowsOneDisabledEmptyItem) {
    Build({});
    std::vector<int> recent = GroupItems(RecentGroup);
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0], FirstAutomaticMenuId);
    EXPECT_EQ(MenuItemText(MainMenu, recent[0]), "(No recent files)");
    EXPECT_FALSE(IsMenuItemEnabled(MainMenu, recent[0]));
    EXPECT_EQ(RecentItemPath(recent[0]), "");
    EXPECT_FALSE(TriggerMenuItem(MainMenu, recent[0]));
    EXPECT_TRUE(TakeMenuEvents().empty());
}

TEST_F(MainMenuTest, RecentItemsShowFileNamesAndCarryTheirPaths) {
    Build({"/home/user/data/first.bin", "C:\\work\\second.dat", "plain"});
    std::vector<int> recent = GroupItems(RecentGroup);
    ASSERT_EQ(recent.size(), 3u);
    EXPECT_EQ(MenuItemText(MainMenu, recent[0]), "first.bin");
    EXPECT_EQ(MenuItemText(MainMenu, recent[1]), "C:\\work\\second.dat");   // a backslash is no separator
    EXPECT_EQ(MenuItemText(MainMenu, recent[2]), "plain");
    EXPECT_EQ(RecentItemPath(recent[0]), "/home/user/data/first.bin");
    EXPECT_EQ(RecentItemPath(recent[1]), "C:\\work\\second.dat");
    EXPECT_EQ(MenuItemPath(MainMenu, recent[0]), (std::vector<std::string>{"File", "Open Recent"}));
    EXPECT_EQ(MenuItemImage(MainMenu, recent[0]), nullptr);
    // Ids of other groups carry no path.
    EXPECT_EQ(RecentItemPath(FirstGroupItem(FingerprintGroup)), "");
    EXPECT_TRUE(TriggerMenuItem(MainMenu, recent[1]));
    EXPECT_EQ(TakeMenuEvents(), std::vector<int>{recent[1]});
}

TEST_F(MainMenuTest, AlgorithmSubmenusListTheRegistriesWithTheirIcons) {
    Build({});
    struct Case {
        int group;
        const std::vector<std::string> *names;
        std::string submenu;
        const char *submenuIcon;
    };
    for (const Case &c : {Case{FingerprintGroup, &Fingerprints, "Fingerprint", "Fingerprint"},
                          Case{CipherGroup, &Ciphers, "Transform", "Cipher"}}) {
        std::vector<int> ids = GroupItems(c.group);
        ASSERT_EQ(ids.size(), c.names->size()) << c.submenu;
        for (size_t i = 0; i < ids.size(); ++i) {
            const std::string &name = (*c.names)[i];
            SCOPED_TRACE(name);
            EXPECT_EQ(MenuItemText(MainMenu, ids[i]), ShownMenuText(GetText("\\Menu\\" + name)));
            // A name the theme has no icon for shows the submenu's icon.
            const QImage *icon = GetIcon(name) ? GetIcon(name) : GetIcon(c.submenuIcon);
            ASSERT_NE(icon, nullptr);
            EXPECT_TRUE(SameImage(MenuItemImage(MainMenu, ids[i]), icon));
            EXPECT_EQ(MenuItemPath(MainMenu, ids[i]), (std::vector<std::string>{"Tools", c.submenu}));
            ASSERT_NE(MenuAlgorithm(ids[i]), nullptr);
            EXPECT_EQ(MenuAlgorithm(ids[i])->Name, name);
        }
    }
    EXPECT_EQ(MenuAlgorithm(CommandNew), nullptr);
    // The described texts: SHA1 and Adler32 have display names of their own.
    EXPECT_EQ(MenuItemText(MainMenu, GroupItems(FingerprintGroup)[2]), "SHA-1");
}

TEST_F(MainMenuTest, AnAlgorithmFromThePopupMenuGivesTheMainMenusId) {
    Build({});
    for (int group : {FingerprintGroup, CipherGroup}) {
        for (int id : GroupItems(group)) {
            ASSERT_TRUE(HasMenuItem(ViewPopupMenu, id)) << id;
            EXPECT_EQ(MenuItemText(ViewPopupMenu, id), MenuItemText(MainMenu, id));
            EXPECT_EQ(MenuAlgorithm(id), reinterpret_cast<const AlgorithmRecord *>(ItemValue(id)));
            EXPECT_TRUE(TriggerMenuItem(ViewPopupMenu, id));
            EXPECT_TRUE(TriggerMenuItem(MainMenu, id));
            EXPECT_EQ(TakeMenuEvents(), (std::vector<int>{id, id}));
        }
    }
    EXPECT_EQ(MenuItemPath(ViewPopupMenu, FirstGroupItem(CipherGroup)), std::vector<std::string>{"Transform"});
    // Pop-up menu 2 has the editing commands only.
    EXPECT_EQ(MenuItemIds(ToolPopupMenu),
              (std::vector<int>{CommandCut, CommandCopy, CommandPaste, CommandSelectAll}));
}

TEST_F(MainMenuTest, MenusHoldTheCommandsInTheirOrder) {
    Build({});
    std::vector<int> ids = MenuItemIds(MainMenu);
    std::vector<int> fixed;
    // The commands keep their order; the bookmark, tab and help commands (120 on) go among them.
    for (int id : ids)
        if (id < CommandAddBookmark) fixed.push_back(id);
    EXPECT_EQ(fixed, (std::vector<int>{4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 31, 100, 32, 23, 24, 25, 110, 111, 112, 30, 26, 28, 29}));
    EXPECT_EQ(MenuItemPath(MainMenu, CommandAddBookmark), std::vector<std::string>{"Edit"});
    EXPECT_EQ(MenuItemPath(MainMenu, CommandKeys), std::vector<std::string>{"Help"});
    EXPECT_EQ(MenuItemPath(MainMenu, CommandQuit), std::vector<std::string>{"File"});
    EXPECT_EQ(MenuItemPath(MainMenu, CommandBriefLZ), (std::vector<std::string>{"Tools", "Compress"}));
    EXPECT_EQ(MenuItemPath(MainMenu, CommandBigEndian), (std::vector<std::string>{"Settings", "Byte Order"}));
    EXPECT_EQ(MenuItemPath(ViewPopupMenu, CommandRemoveSplitter), std::vector<std::string>{});
    EXPECT_TRUE(SameImage(MenuItemImage(MainMenu, CommandOpen), GetIcon("Open")));
    EXPECT_EQ(MenuItemImage(MainMenu, CommandSign), nullptr);
    // Without a language file every text is its bracketed key.
    ClearLanguage();
    FreeMenu(MainMenu);
    ResetMenuBuilder();
    BuildMainMenu({});
    EXPECT_EQ(MenuItemPath(MainMenu, CommandNew), std::vector<std::string>{"[File]"});
    EXPECT_EQ(MenuItemText(MainMenu, CommandNew), "[New]");
    EXPECT_EQ(MenuItemPath(MainMenu, CommandBigEndian), (std::vector<std::string>{"[Configurations]", "Bytereihenfolge"}));
}

TEST_F(MainMenuTest, ByteOrderIsARadioGroupThatOnlyTheProgramMoves) {
    Build({});
    EXPECT_EQ(GroupItems(ByteOrderGroup), (std::vector<int>{CommandBigEndian, CommandLittleEndian}));
    EXPECT_EQ(SelectedRadioItem(ByteOrderGroup), -1);

    SelectRadioItem(MainMenu, ByteOrderGroup, CommandLittleEndian);
    EXPECT_TRUE(IsMenuItemChecked(MainMenu, CommandLittleEndian));
    EXPECT_FALSE(IsMenuItemChecked(MainMenu, CommandBigEndian));
    EXPECT_EQ(SelectedRadioItem(ByteOrderGroup), CommandLittleEndian);

    // Choosing the other item reports it but moves no mark: the loop decides.
    EXPECT_TRUE(TriggerMenuItem(MainMenu, CommandBigEndian));
    EXPECT_EQ(TakeMenuEvents(), std::vector<int>{CommandBigEndian});
    EXPECT_TRUE(IsMenuItemChecked(MainMenu, CommandLittleEndian));
    EXPECT_FALSE(IsMenuItemChecked(MainMenu, CommandBigEndian));
    SelectRadioItem(MainMenu, ByteOrderGroup, CommandBigEndian);
    EXPECT_TRUE(IsMenuItemChecked(MainMenu, CommandBigEndian));
    EXPECT_FALSE(IsMenuItemChecked(MainMenu, CommandLittleEndian));

    // An id outside the group clears every mark.
    SelectRadioItem(MainMenu, ByteOrderGroup, CommandSign);
    EXPECT_FALSE(IsMenuItemChecked(MainMenu, CommandBigEndian));
    EXPECT_FALSE(IsMenuItemChecked(MainMenu, CommandLittleEndian));
    EXPECT_EQ(SelectedRadioItem(ByteOrderGroup), -1);
}

TEST_F(MainMenuTest, SignCheckMarkIsToggledByTheProgramNotByChoosingIt) {
    Build({});
    CheckCommand(CommandSign, true);
    EXPECT_TRUE(IsCommandChecked(CommandSign));
    EXPECT_TRUE(TriggerMenuItem(MainMenu, CommandSign));
    EXPECT_TRUE(IsCommandChecked(CommandSign));
    EXPECT_EQ(TakeMenuEvents(), std::vector<int>{CommandSign});
    CheckCommand(CommandSign, !IsCommandChecked(CommandSign));
    EXPECT_FALSE(IsCommandChecked(CommandSign));
}

TEST_F(MainMenuTest, EnablingACommandReachesEveryMenuAndTheToolbar) {
    Build({});
    EnableCommand(CommandCut, false);
    for (int menu : {MainMenu, ViewPopupMenu, ToolPopupMenu}) EXPECT_FALSE(IsMenuItemEnabled(menu, CommandCut)) << menu;
    EXPECT_FALSE(IsToolBarButtonEnabled(0, CommandCut));
    EXPECT_FALSE(ClickToolBarButton(0, CommandCut));
    EXPECT_FALSE(TriggerMenuItem(ViewPopupMenu, CommandCut));
    EXPECT_TRUE(TakeMenuEvents().empty());
    EnableCommand(CommandCut, true);
    for (int menu : {MainMenu, ViewPopupMenu, ToolPopupMenu}) EXPECT_TRUE(IsMenuItemEnabled(menu, CommandCut)) << menu;
    EXPECT_TRUE(IsToolBarButtonEnabled(0, CommandCut));
    // The other commands are untouched.
    EXPECT_TRUE(IsMenuItemEnabled(MainMenu, CommandCopy));
}

TEST_F(MainMenuTest, ToolbarButtonsCarryIconsTipsAndMenuIds) {
    Build({});
    EXPECT_EQ(ToolBarButtonIds(0), (std::vector<int>{4, 5, 6, 12, 13, 14, 15, 16}));
    const std::pair<int, const char *> buttons[] = {{4, "New"}, {5, "Open"}, {6, "Save"}, {12, "Undo"},
                                                   {13, "Redo"}, {14, "Cut"}, {15, "Copy"}, {16, "Paste"}};
    for (auto [id, name] : buttons) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ToolBarButtonToolTip(0, id), GetText(std::string("\\ToolBar\\") + name));
        EXPECT_TRUE(SameImage(ToolBarButtonImage(0, id), GetIcon(name)));
        EXPECT_TRUE(ClickToolBarButton(0, id));
        EXPECT_EQ(TakeMenuEvents(), std::vector<int>{id});
    }
    EXPECT_EQ(ToolBarButtonToolTip(0, 4), "New File");
    EXPECT_GT(ToolBarHeight(0), 0);
}

TEST_F(MainMenuTest, FileShortcutsActAndEditingKeysAreOnlyShown) {
    Build({});
    const std::pair<int, const char *> registered[] = {{4, "Ctrl+N"}, {5, "Ctrl+O"}, {6, "Ctrl+S"},
                                                      {7, "Ctrl+Shift+S"}, {9, "Ctrl+W"}, {11, "Ctrl+Q"}};
    for (auto [id, keys] : registered) {
        EXPECT_TRUE(MenuItemShortcutRegistered(MainMenu, id)) << keys;
        EXPECT_EQ(MenuItemShortcutText(MainMenu, id), QKeySequence(keys).toString(QKeySequence::NativeText).toStdString());
    }
    for (int id : {12, 13, 14, 15, 16, 18}) {
        EXPECT_FALSE(MenuItemShortcutRegistered(MainMenu, id)) << id;
        EXPECT_FALSE(MenuItemShortcutText(MainMenu, id).empty()) << id;
        EXPECT_FALSE(MenuItemShortcutRegistered(ViewPopupMenu, id)) << id;
    }
    EXPECT_NE(MenuItemShortcutText(MainMenu, CommandUndo).find('Z'), std::string::npos);
    // The text as built stays without the key.
    EXPECT_EQ(MenuItemText(MainMenu, CommandUndo), "Undo");
}

// The builder on its own, on a scratch pop-up menu.
class MenuBuilderTest : public ::testing::Test {
protected:
    static constexpr int Scratch = 9;
    void SetUp() override {
        ClearLanguage();
        ClearTheme();
        ASSERT_TRUE(OpenWindow(0, 0, 0, 200, 100, "main", WindowMain | WindowHidden));
        ResetMenuBuilder();
        ASSERT_TRUE(CreateMenu(Scratch, 0));
        SetCurrentMenu(Scratch);
    }
    void TearDown() override {
        FreeMenu(Scratch);
        CloseWindow(0);
        TakeMenuEvents();
    }
};

TEST_F(MenuBuilderTest, ValuesAndGroupsFollowTheItems) {
    int a = AddMenuItem(-1, "a", nullptr, 11);
    OpenMenuGroup(7);
    int b = AddMenuItem(-1, "b", nullptr, 22);
    int c = AddMenuItem(100, "c", nullptr);
    CloseMenuGroup();
    int d = AddMenuItem(-1, "d", nullptr);
    EXPECT_EQ(a, 16384);
    EXPECT_EQ(b, 16385);
    EXPECT_EQ(c, 100);
    EXPECT_EQ(d, 16386);
    EXPECT_EQ(GroupItems(7), (std::vector<int>{16385, 100}));
    EXPECT_EQ(FirstGroupItem(7), 16385);
    EXPECT_EQ(LastGroupItem(7), 100);
    EXPECT_EQ(ItemGroup(b), 7);
    EXPECT_EQ(ItemGroup(d), -1);
    EXPECT_EQ(ItemValue(a), 11);
    EXPECT_EQ(ItemValue(b), 22);
    EXPECT_EQ(ItemValue(c), 0);
    EXPECT_EQ(ItemValue(12345), 0);
    SetItemValue(c, 33);
    EXPECT_EQ(ItemValue(c), 33);

    // A group number in use starts over; unknown and out-of-range groups are empty.
    OpenMenuGroup(7);
    int e = AddMenuItem(-1, "e", nullptr);
    CloseMenuGroup();
    EXPECT_EQ(GroupItems(7), std::vector<int>{e});
    EXPECT_EQ(FirstGroupItem(8), -1);
    EXPECT_EQ(LastGroupItem(8), -1);
    EXPECT_FALSE(InMenuGroup(8, -1));
    OpenMenuGroup(65536);
    AddMenuItem(-1, "f", nullptr);
    EXPECT_TRUE(GroupItems(65536).empty());
    EXPECT_EQ(MenuItemIds(Scratch), (std::vector<int>{a, b, c, d, e, e + 1}));
}

TEST_F(MenuBuilderTest, EntriesTakeTextsAndIconsByName) {
    LoadLanguageText("[Menu]\nSave = Keep it\n");
    SetTextGroup("Menu");
    int id = AddMenuEntry(6, "Save");
    int missing = AddMenuEntry(-1, "Nowhere");
    EXPECT_EQ(MenuItemText(Scratch, id), "Keep it");
    EXPECT_EQ(MenuItemText(Scratch, missing), "[Nowhere]");
    EXPECT_EQ(MenuItemImage(Scratch, id), nullptr);  // no theme loaded
    ClearLanguage();
}

}  // namespace
