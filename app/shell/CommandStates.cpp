#include "app/shell/CommandStates.h"

#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "platform/ClipboardProbe.h"
#include "platform/Menu.h"
#include "platform/ToolBar.h"
#include "tabbar/TabBar.h"

namespace hx {
namespace {

constexpr int MainWindow = 0;
constexpr int TabBarGadget = 0;

bool g_toolPopupReadOnly = false;

// Enables an editing command everywhere it appears; the tool windows'
// pop-up menu keeps the commands that change bytes off for a read-only view.
void EnableEditCommand(int id, bool enable, bool changesBytes) {
    EnableMenuItem(MainMenu, id, enable);
    EnableMenuItem(ViewPopupMenu, id, enable);
    EnableMenuItem(ToolPopupMenu, id, enable && !(changesBytes && g_toolPopupReadOnly));
    EnableToolBarButton(MainWindow, id, enable);
}

void TintTab(const Document &doc) {
    if (!doc.Tab) return;
    int index = TabBarItemIndex(TabBarGadget, doc.Tab);
    if (index < 0) return;
    // The strip redraws only when the colour really changes, so setting it
    // at every tick costs nothing while it stays the same.
    SetTabBarItemColor(TabBarGadget, index, 2, DocumentChanged(doc) ? static_cast<int64_t>(ChangedTabColour) : -1);
}

}  // namespace

void UpdateCommandStates(HexView *mainView, HexView *activeView) {
    if (!mainView || !mainView->CurrentDocument) return;
    const Document &doc = *mainView->CurrentDocument;
    TintTab(doc);

    int32_t index = doc.Hist ? HistoryIndex(doc.Hist) : 0;
    int32_t count = doc.Hist ? CountHistoryEntries(doc.Hist) : 0;
    EnableCommand(CommandUndo, index != 0);
    EnableCommand(CommandRedo, index != count);
    EnableEditCommand(CommandPaste, ClipboardHasPasteData(), true);

    bool selection = activeView && SelectionSize(activeView) != 0;
    EnableEditCommand(CommandCut, selection, true);
    EnableEditCommand(CommandCopy, selection, false);
}

void PrepareToolPopupMenu(bool readOnly) {
    g_toolPopupReadOnly = readOnly;
    EnableMenuItem(ToolPopupMenu, CommandCut, !readOnly);
    EnableMenuItem(ToolPopupMenu, CommandPaste, !readOnly);
}

}  // namespace hx
