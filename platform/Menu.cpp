#include "Menu.h"

#include <map>
#include <memory>

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>

#include "Platform.h"

namespace hx {
namespace {

struct MenuItem {
    QPointer<QAction> action;
    std::string label;                 // as built, with its access marker
    std::string text;                  // as shown: the marker taken out
    std::vector<std::string> path;     // titles of the menus holding it
    std::unique_ptr<QImage> image;     // copy of the image it was built with
    bool checked = false;              // the program's state; Qt's own toggling is undone
    bool registered = false;
    std::string toolTip;
};

struct MenuRecord {
    int window = -1;
    QPointer<QMenuBar> bar;            // menu 0 of a main window
    QPointer<QMenu> popup;             // pop-up menus
    std::vector<QPointer<QMenu>> stack;          // open (sub)menus, innermost last
    std::vector<std::string> titles;             // their titles, in step with stack
    QPointer<QActionGroup> radioSet;             // the set consecutive radio items join
    std::map<int, MenuItem> items;
    std::vector<int> order;
};

std::map<int, MenuRecord> &Menus() {
    static std::map<int, MenuRecord> menus;
    return menus;
}

MenuRecord *FindMenu(int menu) {
    auto it = Menus().find(menu);
    return it == Menus().end() ? nullptr : &it->second;
}

MenuItem *FindItem(int menu, int id) {
    MenuRecord *record = FindMenu(menu);
    if (!record) return nullptr;
    auto it = record->items.find(id);
    if (it == record->items.end() || !it->second.action) return nullptr;
    return &it->second;
}

QString ToQ(const std::string &s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Qt reads "&" as the marker of the underlined access letter and "&&" as
// an "&" of the text, as the texts are written.
QString MenuLabel(const std::string &s) { return ToQ(s); }

int g_openPopup = -1;

// The innermost menu that receives items; nullptr for a menu bar without a title yet.
QMenu *Target(MenuRecord &record) {
    while (!record.stack.empty() && !record.stack.back()) {
        record.stack.pop_back();
        record.titles.pop_back();
    }
    return record.stack.empty() ? nullptr : record.stack.back().data();
}

// Qt flips a checkable action when it is chosen; the program owns that state,
// so every check mark of the menu is put back to what the program last set.
void RestoreChecks(MenuRecord &record) {
    for (auto &[id, item] : record.items) {
        if (item.action && item.action->isCheckable() && item.action->isChecked() != item.checked) {
            QSignalBlocker block(item.action);
            item.action->setChecked(item.checked);
        }
    }
}

void RestoreChecksOf(int menu) {
    if (MenuRecord *record = FindMenu(menu)) RestoreChecks(*record);
}

}  // namespace

std::string ShownMenuText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;   // "&x" shows x, "&&" shows "&"
        shown += text[i];
    }
    return shown;
}

std::string LiteralMenuText(std::string_view text) {
    std::string literal;
    literal.reserve(text.size());
    for (const char c : text) {
        if (c == '&') literal += '&';
        literal += c;
    }
    return literal;
}

bool CreateMenu(int menu, int window) {
    FreeMenu(menu);
    MenuRecord record;
    record.window = window;
    if (menu == 0) {
        QMainWindow *main = MainWindowWidget(window);
        if (!main) return false;
        record.bar = main->menuBar();
        record.bar->clear();
    } else {
        // Parented to its window so it goes when the window goes; still a pop-up.
        record.popup = new QMenu(WindowWidget(window));
        record.stack.push_back(record.popup);
        record.titles.push_back("");
        QObject::connect(record.popup.data(), &QMenu::aboutToHide, [] { g_openPopup = -1; });
    }
    Menus()[menu] = std::move(record);
    return true;
}

void FreeMenu(int menu) {
    auto it = Menus().find(menu);
    if (it == Menus().end()) return;
    MenuRecord &record = it->second;
    if (record.bar) {
        // The bar owns the menus its titles opened; clearing only drops their actions.
        qDeleteAll(record.bar->findChildren<QMenu *>(Qt::FindDirectChildrenOnly));
        record.bar->clear();
    }
    if (record.popup) delete record.popup.data();
    if (g_openPopup == menu) g_openPopup = -1;
    Menus().erase(it);
}

bool IsMenu(int menu) { return FindMenu(menu) != nullptr; }

void AddMenuTitle(int menu, const std::string &text) {
    MenuRecord *record = FindMenu(menu);
    if (!record || !record->bar) return;
    QMenu *top = record->bar->addMenu(MenuLabel(text));
    record->stack.assign(1, top);
    record->titles.assign(1, ShownMenuText(text));
    record->radioSet = nullptr;
}

void OpenSubMenu(int menu, const std::string &text, const QImage *icon) {
    MenuRecord *record = FindMenu(menu);
    if (!record) return;
    QMenu *target = Target(*record);
    if (!target) return;
    QMenu *sub = target->addMenu(MenuLabel(text));
    if (icon && !icon->isNull()) sub->setIcon(QIcon(QPixmap::fromImage(*icon)));
    record->stack.push_back(sub);
    record->titles.push_back(ShownMenuText(text));
    record->radioSet = nullptr;
}

void CloseSubMenu(int menu) {
    MenuRecord *record = FindMenu(menu);
    if (!record || record->stack.size() <= 1) return;
    record->stack.pop_back();
    record->titles.pop_back();
    record->radioSet = nullptr;
}

void AddMenuAction(int menu, int id, const std::string &text, const QImage *icon, int flags) {
    MenuRecord *record = FindMenu(menu);
    if (!record) return;
    QMenu *target = Target(*record);
    if (!target) return;

    QAction *action = target->addAction(MenuLabel(text));
    MenuItem item;
    item.action = action;
    item.label = text;
    item.text = ShownMenuText(text);
    // The pop-up's root has an empty title; it is not part of the path.
    item.path.assign(record->titles.begin() + (record->popup ? 1 : 0), record->titles.end());
    if (icon && !icon->isNull()) {
        item.image = std::make_unique<QImage>(*icon);
        action->setIcon(QIcon(QPixmap::fromImage(*icon)));
    }
    if (flags & (MenuItemCheck | MenuItemRadio)) action->setCheckable(true);
    if (flags & MenuItemRadio) {
        if (!record->radioSet) {
            record->radioSet = new QActionGroup(target);
            record->radioSet->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        }
        record->radioSet->addAction(action);
    } else {
        record->radioSet = nullptr;
    }
    if (flags & MenuItemDisabled) action->setEnabled(false);

    QObject::connect(action, &QAction::triggered, [menu, id] {
        RestoreChecksOf(menu);
        PostMenuEvent(id);
    });

    if (record->items.find(id) == record->items.end()) record->order.push_back(id);
    record->items[id] = std::move(item);
}

void AddMenuSeparator(int menu) {
    MenuRecord *record = FindMenu(menu);
    if (!record) return;
    if (QMenu *target = Target(*record)) target->addSeparator();
    record->radioSet = nullptr;
}

void SetMenuItemShortcut(int menu, int id, const std::string &keys, bool registered) {
    MenuItem *item = FindItem(menu, id);
    if (!item) return;
    QKeySequence sequence(ToQ(keys), QKeySequence::PortableText);
    item->registered = registered && !sequence.isEmpty();
    if (item->registered) {
        item->action->setText(MenuLabel(item->label));
        item->action->setShortcut(sequence);
        // Active wherever the main window is active, also with the menu closed.
        item->action->setShortcutContext(Qt::WindowShortcut);
        return;
    }
    // Shown only: a menu item's text after a tab is drawn where shortcuts are.
    item->action->setShortcut(QKeySequence());
    QString shown = sequence.toString(QKeySequence::NativeText);
    item->action->setText(shown.isEmpty() ? MenuLabel(item->label) : MenuLabel(item->label) + '\t' + shown);
}

void SetMenuItemToolTip(int menu, int id, const std::string &text) {
    MenuItem *item = FindItem(menu, id);
    if (!item) return;
    // Qt shows an action's tool tip only in menus that ask for it; without
    // one of its own, an action's tool tip is its text, which shows nothing new.
    item->action->setToolTip(text.empty() ? item->action->text() : ToQ(text));
    for (QObject *parent = item->action->parent(); parent; parent = parent->parent())
        if (auto *owner = qobject_cast<QMenu *>(parent)) owner->setToolTipsVisible(true);
    item->toolTip = text;
}

std::string MenuItemToolTip(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item ? item->toolTip : std::string();
}

bool HasMenuItem(int menu, int id) { return FindItem(menu, id) != nullptr; }

void EnableMenuItem(int menu, int id, bool enable) {
    if (MenuItem *item = FindItem(menu, id)) item->action->setEnabled(enable);
}

void ShowMenuItem(int menu, int id, bool show) {
    if (MenuItem *item = FindItem(menu, id)) item->action->setVisible(show);
}

bool IsMenuItemVisible(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item && item->action->isVisible();
}

bool IsMenuItemEnabled(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item && item->action->isEnabled();
}

void CheckMenuItem(int menu, int id, bool check) {
    MenuItem *item = FindItem(menu, id);
    if (!item) return;
    item->checked = check;
    if (!item->action->isCheckable()) item->action->setCheckable(true);
    QSignalBlocker block(item->action);
    item->action->setChecked(check);
    // In a radio set, checking one item unchecks the others inside Qt; keep
    // the program's record of those in step.
    if (check && item->action->actionGroup()) {
        for (auto &[otherId, other] : FindMenu(menu)->items)
            if (otherId != id && other.action && other.action->actionGroup() == item->action->actionGroup())
                other.checked = other.action->isChecked();
    }
}

bool IsMenuItemChecked(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item && item->action->isChecked();
}

std::string MenuItemText(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item ? item->text : std::string();
}

std::string MenuItemShortcutText(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    if (!item) return {};
    if (item->registered) return item->action->shortcut().toString(QKeySequence::NativeText).toStdString();
    QString text = item->action->text();
    qsizetype tab = text.indexOf('\t');
    return tab < 0 ? std::string() : text.mid(tab + 1).toStdString();
}

bool MenuItemShortcutRegistered(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item && item->registered && !item->action->shortcut().isEmpty();
}

const QImage *MenuItemImage(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item ? item->image.get() : nullptr;
}

std::vector<std::string> MenuItemPath(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    return item ? item->path : std::vector<std::string>();
}

std::vector<int> MenuItemIds(int menu) {
    MenuRecord *record = FindMenu(menu);
    return record ? record->order : std::vector<int>();
}

bool TriggerMenuItem(int menu, int id) {
    MenuItem *item = FindItem(menu, id);
    if (!item || !item->action->isEnabled()) return false;
    item->action->trigger();
    return true;
}

void ShowPopupMenu(int menu, int window, int x, int y) {
    MenuRecord *record = FindMenu(menu);
    if (!record || !record->popup) return;
    (void)window;  // the pop-up belongs to the window it was created for
    QPoint at = (x == -1 || y == -1) ? QCursor::pos() : QPoint(x, y);
    g_openPopup = menu;
    record->popup->popup(at);
}

int OpenPopupMenu() { return g_openPopup; }

int MenuBarHeight(int window) {
    QMainWindow *main = MainWindowWidget(window);
    if (!main || !main->menuWidget()) return 0;
    QWidget *bar = main->menuWidget();
    return bar->isVisible() ? bar->height() : bar->sizeHint().height();
}

}  // namespace hx
