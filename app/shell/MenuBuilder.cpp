#include "app/shell/MenuBuilder.h"

#include <map>
#include <unordered_map>

#include "app/settings/Language.h"
#include "app/settings/Theme.h"
#include "platform/Menu.h"
#include "platform/ToolBar.h"

namespace hx {
namespace {

struct ItemRecord {
    intptr_t value = 0;
    int group = -1;
};

struct GroupRecord {
    std::vector<int> ids;
    int selected = -1;
};

struct BuilderState {
    int nextId = FirstAutomaticMenuId;
    int menu = MainMenu;
    int group = -1;     // open group, -1 none
    std::unordered_map<int, ItemRecord> items;
    std::map<int, GroupRecord> groups;
};

BuilderState &State() {
    static BuilderState state;
    return state;
}

const GroupRecord *FindGroup(int number) {
    auto it = State().groups.find(number);
    return it == State().groups.end() ? nullptr : &it->second;
}

constexpr int AllMenus[] = {MainMenu, ViewPopupMenu, ToolPopupMenu};
constexpr int MainWindow = 0;

}  // namespace

void ResetMenuBuilder() { State() = BuilderState(); }

void SetCurrentMenu(int menu) { State().menu = menu; }
int CurrentMenu() { return State().menu; }
int NextAutomaticMenuId() { return State().nextId; }

int AddMenuItem(int id, const std::string &text, const QImage *icon, intptr_t value, int flags) {
    BuilderState &state = State();
    if (id == -1) id = state.nextId++;
    AddMenuAction(state.menu, id, text, icon, flags);
    ItemRecord &item = state.items[id];
    item.value = value;
    if (state.group >= 0) {
        state.groups[state.group].ids.push_back(id);
        item.group = state.group;
    }
    return id;
}

int AddMenuEntry(int id, std::string_view name, int flags) {
    return AddMenuItem(id, GetText(name), GetIcon(name), 0, flags);
}

void OpenMenuGroup(int number) {
    if (number < 0 || number > MaxMenuGroup) return;
    State().groups[number] = GroupRecord();
    State().group = number;
}

void CloseMenuGroup() { State().group = -1; }

int FirstGroupItem(int number) {
    const GroupRecord *group = FindGroup(number);
    return group && !group->ids.empty() ? group->ids.front() : -1;
}

int LastGroupItem(int number) {
    const GroupRecord *group = FindGroup(number);
    return group && !group->ids.empty() ? group->ids.back() : -1;
}

bool InMenuGroup(int number, int id) {
    int first = FirstGroupItem(number);
    return first >= 0 && first <= id && id <= LastGroupItem(number);
}

std::vector<int> GroupItems(int number) {
    const GroupRecord *group = FindGroup(number);
    return group ? group->ids : std::vector<int>();
}

intptr_t ItemValue(int id) {
    auto it = State().items.find(id);
    return it == State().items.end() ? 0 : it->second.value;
}

void SetItemValue(int id, intptr_t value) { State().items[id].value = value; }

int ItemGroup(int id) {
    auto it = State().items.find(id);
    return it == State().items.end() ? -1 : it->second.group;
}

void SelectRadioItem(int menu, int group, int id) {
    auto it = State().groups.find(group);
    if (it == State().groups.end()) return;
    GroupRecord &record = it->second;
    record.selected = -1;
    for (int item : record.ids) {
        CheckMenuItem(menu, item, item == id);
        if (item == id) record.selected = id;
    }
}

int SelectedRadioItem(int group) {
    const GroupRecord *record = FindGroup(group);
    return record ? record->selected : -1;
}

void EnableCommand(int id, bool enable) {
    for (int menu : AllMenus) EnableMenuItem(menu, id, enable);
    EnableToolBarButton(MainWindow, id, enable);
}

void CheckCommand(int id, bool check) {
    for (int menu : AllMenus) CheckMenuItem(menu, id, check);
}

bool IsCommandChecked(int id) { return IsMenuItemChecked(MainMenu, id); }
bool IsCommandEnabled(int id) { return IsMenuItemEnabled(MainMenu, id); }

}  // namespace hx
