// The menu builder: adds items with texts and icons to the menu being built,
// hands out automatic ids, gathers ids into numbered groups (radio sets, the
// algorithm and recent-file lists) and remembers one value per id for the
// dispatch (a recent file's path, an algorithm's record).
//
// Ids are one space shared by the main menu (0), the two pop-up menus (1, 2)
// and the toolbar, so an item chosen anywhere arrives as the same command.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QImage;

namespace hx {

inline constexpr int FirstAutomaticMenuId = 16384;

// Group numbers in use.
enum MenuGroupNumber : int {
    ByteOrderGroup = 0,
    FingerprintGroup = 1,
    CipherGroup = 2,
    RecentGroup = 3,
};
inline constexpr int MaxMenuGroup = 65535;

// Main menu and pop-up menus.
inline constexpr int MainMenu = 0;
inline constexpr int ViewPopupMenu = 1;   // the main hex view's
inline constexpr int ToolPopupMenu = 2;   // the tool windows' hex views'

// Forgets every id, value and group; the next automatic id is 16384 again;
// the current menu is 0 and no group is open. (The menus themselves are not touched.)
void ResetMenuBuilder();
void SetCurrentMenu(int menu);
int CurrentMenu();
// The id the next automatic item will get.
int NextAutomaticMenuId();

// Adds an item to the current menu. id -1 takes the next automatic id. icon
// may be nullptr. value is recorded for the id (a later item with the same id
// replaces it). When a group is open, the id is appended to it. flags are
// MenuItemFlag bits (check item, radio item, disabled). Returns the id.
int AddMenuItem(int id, const std::string &text, const QImage *icon, intptr_t value = 0, int flags = 0);
// AddMenuItem with text GetText(name) in the current text group, icon GetIcon(name), value 0.
int AddMenuEntry(int id, std::string_view name, int flags = 0);

// Makes group number current (0 ... 65535; others are ignored); an existing
// group of that number is replaced by an empty one.
void OpenMenuGroup(int number);
void CloseMenuGroup();
// First and last id of a group in the order they were added; -1 when the
// group does not exist or is empty.
int FirstGroupItem(int number);
int LastGroupItem(int number);
// FirstGroupItem(number) <= id <= LastGroupItem(number) for a non-empty group.
bool InMenuGroup(int number, int id);
std::vector<int> GroupItems(int number);

// The value recorded for id; 0 for an unknown id.
intptr_t ItemValue(int id);
void SetItemValue(int id, intptr_t value);
// The group the id was added to, or -1.
int ItemGroup(int id);

// Checks id in the group's items of the given menu and clears every other;
// remembers id as the group's selection, or -1 when it is not in the group.
void SelectRadioItem(int menu, int group, int id);
int SelectedRadioItem(int group);

// Item state across every place the id appears: the main menu, both pop-up
// menus and the main window's toolbar (check marks: menus only).
void EnableCommand(int id, bool enable);
void CheckCommand(int id, bool check);
// The main menu's state of the id.
bool IsCommandChecked(int id);
bool IsCommandEnabled(int id);

}  // namespace hx
