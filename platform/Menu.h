// Menus by number: menu 0 is the menu bar of a main window, other numbers are
// pop-up menus. Items are addressed by their command id; choosing an item
// posts an EventMenu event (window 0, type = data = id) and changes nothing
// else: check marks and radio marks move only when the program sets them.
//
// A menu is built in order, the way it reads from top to bottom: titles of
// the menu bar, submenus (opened and closed like brackets), items and
// separators. An id may appear in several menus; within one menu it names one
// item (adding it again replaces the older entry in the lookup, both stay shown).
//
// Texts (titles, submenus, items) mark their access letter with "&" ("&File"
// is opened with Alt+F) and write an "&" of the text as "&&"; texts that
// are no language text (file names) go through LiteralMenuText, so that
// "R&D.bin" reads "R&D.bin".
#pragma once

#include <string>
#include <string_view>
#include <vector>

class QImage;

namespace hx {

// The text as a menu shows it: access markers taken out, "&&" as "&".
std::string ShownMenuText(std::string_view text);
// A text to be shown as it is (every "&" doubled).
std::string LiteralMenuText(std::string_view text);

enum MenuItemFlag : int {
    MenuItemCheck = 1,      // shows a check mark when checked
    MenuItemRadio = 2,      // shows a radio mark; consecutive radio items of a submenu form one set
    MenuItemDisabled = 4,   // created disabled
};

// Creates menu number for window: 0 binds to the window's menu bar (the window
// must have been opened with WindowMain), any other number is a pop-up owned
// by the window. A number in use is freed first. Returns false when the
// window has no menu bar to bind to.
bool CreateMenu(int menu, int window);
void FreeMenu(int menu);
bool IsMenu(int menu);

// Starts a new top-level menu of a menu bar; later items go into it. Ignored
// for pop-ups.
void AddMenuTitle(int menu, const std::string &text);
// Opens a submenu in the current (sub)menu; items go into it until CloseSubMenu.
void OpenSubMenu(int menu, const std::string &text, const QImage *icon);
// Closes the innermost open submenu; at the top level it does nothing.
void CloseSubMenu(int menu);
// Adds an item; icon may be nullptr (the image is copied).
void AddMenuAction(int menu, int id, const std::string &text, const QImage *icon, int flags = 0);
void AddMenuSeparator(int menu);

// A shortcut such as "Ctrl+Shift+S" (portable key names). registered true
// makes it work while the menu's window is active and shows it beside the
// item; false only shows it, so the key keeps reaching the focused control.
void SetMenuItemShortcut(int menu, int id, const std::string &keys, bool registered);

// Item state; every function ignores a menu or id that does not exist (and
// the queries then answer false / "").
// A tool tip shown when the mouse rests on the item ("" removes it).
void SetMenuItemToolTip(int menu, int id, const std::string &text);
std::string MenuItemToolTip(int menu, int id);
bool HasMenuItem(int menu, int id);
void EnableMenuItem(int menu, int id, bool enable);
// Hides an item (it keeps its id; showing it again puts it back in its place).
void ShowMenuItem(int menu, int id, bool show);
bool IsMenuItemVisible(int menu, int id);
bool IsMenuItemEnabled(int menu, int id);
void CheckMenuItem(int menu, int id, bool check);
bool IsMenuItemChecked(int menu, int id);
// The item's text as shown (ShownMenuText of its text, without a shortcut).
std::string MenuItemText(int menu, int id);
// The shortcut shown beside the item in native text ("" when none).
std::string MenuItemShortcutText(int menu, int id);
// Whether the item's shortcut is registered (acts on key presses).
bool MenuItemShortcutRegistered(int menu, int id);
// The image given when the item was built, or nullptr.
const QImage *MenuItemImage(int menu, int id);
// The titles from the menu's top down to the submenu holding the item,
// for example {"File", "Recent"}; empty when there is no such item.
std::vector<std::string> MenuItemPath(int menu, int id);
// Every item id of the menu in building order (separators and submenu titles left out).
std::vector<int> MenuItemIds(int menu);
// Chooses the item as a user would: posts its event when it exists and is
// enabled, and returns whether it did.
bool TriggerMenuItem(int menu, int id);

// Shows a pop-up menu at screen position (x, y), or at the mouse pointer when
// x or y is -1. Returns at once; the choice arrives as an event.
void ShowPopupMenu(int menu, int window, int x = -1, int y = -1);
// The pop-up menu shown last, while it is open (tests): -1 when none is.
int OpenPopupMenu();

// Height in pixels of the menu bar of a main window (0 when it has none).
int MenuBarHeight(int window);

}  // namespace hx
