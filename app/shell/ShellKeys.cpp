#include "app/shell/ShellKeys.h"

#include "app/shell/MenuIds.h"
#include "platform/Event.h"

namespace hx {

namespace {

struct ShellKey {
    int key;
    int modifiers;
    int command;
};

constexpr ShellKey ShellKeys[] = {
    {KeyTab, ModControl, CommandNextTab},
    {KeyTab, ModControl | ModShift, CommandPreviousTab},
    {KeyPageDown, ModControl, CommandNextTab},
    {KeyPageUp, ModControl, CommandPreviousTab},
    {KeyB, ModControl, CommandAddBookmark},
    {KeyF2, 0, CommandNextBookmark},
    {KeyF2, ModShift, CommandPreviousBookmark},
    {KeyF1, 0, CommandKeys},
};

}  // namespace

int ShellCommandForKey(int key, int modifiers) {
    for (const ShellKey &k : ShellKeys)
        if (k.key == key && k.modifiers == modifiers) return k.command;
    return 0;
}

}  // namespace hx
