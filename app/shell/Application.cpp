#include "app/shell/Application.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <cstdio>
#include <sstream>
#include <sys/stat.h>
#include <utility>

#include "app/bookmarks/BookmarkKeeping.h"
#include "app/compare/CompareWindow.h"
#include "app/shell/CommandStates.h"
#include "app/shell/DiskWatch.h"
#include "app/shell/EditWatch.h"
#include "app/settings/ConfigurationsWindow.h"
#include "app/settings/Ini.h"
#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "app/shell/ShellKeys.h"
#include "app/shell/Status.h"
#include "app/shell/Title.h"
#include "app/settings/Theme.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Document.h"
#include "document/Save.h"
#include "document/Scratch.h"
#include "hexview/HexNavigation.h"
#include "hexview/HexView.h"
#include "hexview/HexViewCommands.h"
#include "hexview/HexViewDrop.h"
#include "hexview/HexViewLook.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/ProgressWindow.h"
#include "tabbar/TabBar.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {

namespace {

HexView *MainView() { return Shell().MainView; }

Document *MainDocument() {
    HexView *view = MainView();
    return view ? view->CurrentDocument : nullptr;
}

// A document nobody has touched yet: no file, no name and nothing done to it.
// A new document named on purpose (a path that does not exist yet) stays.
bool IsUntouched(const Document *doc) {
    return doc && doc->Store && !doc->Store->File.isOpen() && doc->Store->FileName.empty() && doc->Hist &&
           HistoryIndex(doc->Hist) == 0;
}

// The path as one spelling for comparing names of files that do not exist yet.
std::string NormalPath(const std::string &path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return path;
    return absolute.lexically_normal().string();
}

// The document of the view that already holds the file at path: the same file
// (device and inode), however the path spells it or whichever hard link it
// names; for a path that does not exist, a new document waiting to create
// that very path. nullptr when there is none.
Document *DocumentOfFile(HexView *view, const std::string &path) {
    if (!view || path.empty()) return nullptr;
    uint64_t device = 0, inode = 0;
    const bool exists = FileIdentity(path, device, inode);
    const std::string spelled = exists ? std::string() : NormalPath(path);
    for (auto &entry : view->Documents) {
        Document *doc = entry.get();
        if (!doc || !doc->Store) continue;
        const Binary &store = *doc->Store;
        if (exists) {
            uint64_t d = 0, i = 0;
            if (store.File.isOpen() && store.File.identity(d, i) && d == device && i == inode) return doc;
            continue;
        }
        if (!store.File.isOpen() && !store.FileName.empty() && NormalPath(store.FileName) == spelled) return doc;
    }
    return nullptr;
}

std::string SaveReason(const SaveResult &result) {
    switch (result.status) {
    case SaveStatus::ReadOnly: return GetText("\\Messages\\ReasonReadOnly");
    case SaveStatus::CannotCreate: return GetText("\\Messages\\ReasonCannotCreate");
    case SaveStatus::WriteFailed: return GetText("\\Messages\\ReasonWriteFailed");
    case SaveStatus::UnreadableSource: return GetText("\\Messages\\ReasonUnreadableSource");
    case SaveStatus::TargetInUse: return GetText("\\Messages\\ReasonTargetInUse");
    case SaveStatus::NoMemory: return GetText("\\Messages\\ReasonNoMemory");
    case SaveStatus::FileReplaced:
    case SaveStatus::ChangedOnDisk: return GetText("\\Messages\\ReasonWriteFailed");
    case SaveStatus::NeedsRepair: return GetText("\\Messages\\ReasonNeedsRepair");
    case SaveStatus::UndoNeedsRoom:
        return FillPlaceholder(GetText("\\Edits\\ReasonUndoNeedsRoom"), "%FOLDER", ScratchFolder());
    case SaveStatus::Saved:
    case SaveStatus::NothingToDo: break;
    }
    return {};
}

void TellUser(const std::string &text) {
    ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), text);
}

// A journal of the file that did not fit it was put aside (by an open or a
// save): said once, naming where it lies now.
void TellJournalKeptAside(const std::string &file, const std::string &journal) {
    if (journal.empty()) return;
    TellUser(FillPlaceholder(FillPlaceholder(GetText("\\Messages\\JournalKeptAside"), "%FILE", file), "%JOURNAL",
                             journal));
}

// Shows a document of the main view and gives the view the keyboard focus.
void ShowInMainView(Document *doc) {
    HexView *view = MainView();
    if (!view || !doc) return;
    ShowDocument(view, doc);
    FocusControl(MainViewGadget);
}

// After a document of the main view was closed: show the selected tab's
// document, or a new empty one when no tab is left selected.
void ShowSelectedOrNew() {
    TabBarItem *selected = GetTabBarItem(TabBarGadget, TabBarSelectedItem);
    auto *doc = selected ? static_cast<Document *>(TabBarItemData(selected)) : nullptr;
    if (doc) {
        ShowInMainView(doc);
        return;
    }
    NewFileInEditor(MainViewGadget);
}

// Opens path into the main view, replacing an untouched document first. A
// file that is open already only has its tab selected.
void OpenReplacingUntouched(const std::string &path) {
    if (path.empty()) return;
    Document *current = MainDocument();
    // A path that cannot be opened leaves the untouched document where it is.
    const OpenProblem problem = ProbeOpen(path);
    const bool opens = problem == OpenProblem::None || problem == OpenProblem::Missing;
    if (opens && IsUntouched(current) && !DocumentOfFile(MainView(), path)) CloseDocument(current);
    OpenFileInEditor(MainViewGadget, path);
}

// Makes an open document the shown one of its view: its tab selected, the
// view focused.
void SelectDocument(int gadget, Document *doc) {
    HexView *view = HexViewByGadget(gadget);
    if (!view || !doc) return;
    if (doc->Tab) SetTabBarState(view->TabBar, TabBarItemIndex(view->TabBar, doc->Tab));
    ShowDocument(view, doc);
    FocusControl(gadget);
}

// The reason, in the language's words, why a path could not be opened.
std::string OpenProblemText(OpenProblem problem, int error) {
    switch (problem) {
    case OpenProblem::Folder: return GetText("\\Notices\\ReasonFolder");
    case OpenProblem::NotRegular: return GetText("\\Notices\\ReasonNotRegular");
    case OpenProblem::PermissionDenied: return GetText("\\Notices\\ReasonPermissionDenied");
    case OpenProblem::NoDevice: return GetText("\\Notices\\ReasonNoDevice");
    case OpenProblem::None:
    case OpenProblem::Missing:
    case OpenProblem::Other: break;
    }
    return FillPlaceholder(GetText("\\Notices\\ReasonOther"), "%ERROR", error ? std::strerror(error) : "?");
}

// Nothing when opening name gave a document: the file, or a new document
// for a name that does not exist yet. When the path is there but could not
// be opened, the message that says why: such a document must not stay (it
// would look like an empty file, and Save would replace a file whose bytes it
// never had).
std::optional<std::string> OpenFailure(const Binary *store, const std::string &name) {
    if (!store || store->File.isOpen()) return std::nullopt;
    int error = 0;
    const OpenProblem problem = ProbeOpen(name, &error);
    if (problem == OpenProblem::Missing) return std::nullopt;
    const std::string text = FillPlaceholder(GetText("\\Notices\\OpenFailedBecause"), "%FILE", name);
    return FillPlaceholder(text, "%REASON", OpenProblemText(problem, error));
}

// Tells the user what opening name gave when it was not simply the file: a
// new document whose folder is missing, or an interrupted save that opening
// repaired.
void ReportOpening(Binary *store, const std::string &name) {
    if (!store) return;
    if (store->File.isOpen()) {
        const int32_t recovery = store->Recovery;
        store->Recovery = RecoveryNone;
        TellJournalKeptAside(name, std::exchange(store->RecoveryJournal, std::string()));
        if (recovery == RecoveryFinishedNew)
            TellUser(FillPlaceholder(GetText("\\Messages\\RecoveryFinishedNew"), "%FILE", name));
        else if (recovery == RecoveryKeptOld)
            TellUser(FillPlaceholder(GetText("\\Messages\\RecoveryKeptOld"), "%FILE", name));
        else if (recovery == RecoveryRepairFailed)
            TellUser(FillPlaceholder(GetText("\\Messages\\RecoveryRepairFailed"), "%FILE", name));
        return;
    }
    // A new document under that name; its first save creates the file.
    store->FileName = name;
    struct stat folder {};
    if (::stat(FolderOf(name).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        TellUser(FillPlaceholder(GetText("\\Messages\\NewFileFolderMissing"), "%FILE", name));
}

// A Recent entry: its file is opened; one that no longer exists is not
// opened as a new, empty document (that is for names typed on purpose): the
// user is told and may drop the entry.
void OpenRecentFile(int id) {
    const std::string path = RecentItemPath(id);
    if (path.empty()) return;
    if (ProbeOpen(path) != OpenProblem::Missing) {
        OpenReplacingUntouched(path);
        return;
    }
    YesNoQuestion question;
    question.window = MainWindowNumber;
    question.title = GetText("\\Messages\\Title");
    question.text = FillPlaceholder(GetText("\\Notices\\RecentMissing"), "%FILE", path);
    question.yesText = GetText("\\Notices\\RemoveEntry");
    question.noText = GetText("\\Notices\\KeepEntry");
    if (!AskYesNo(question)) return;
    RemoveRecentFile(path);
    ShowMenuItem(MainMenu, id, false);
}

void UpdateTabText(Document *doc) {
    if (!doc || !doc->Tab) return;
    doc->Tab->text = DocumentDisplayName(doc);
    doc->Tab->displayText = doc->Tab->text;
    RefreshTabToolTip(doc);
    SetTabBarState(TabBarGadget, TabBarSelectedItem);  // asks for a redraw
}

// Asks whether to save a changed document before it goes: true when it was
// saved or the user lets the changes go, false on cancel or a failed save.
bool MayLoseChanges(Document *doc) {
    SaveQuestion question;
    question.window = MainWindowNumber;
    question.title = GetText("\\Messages\\Title");
    question.text = FillPlaceholder(GetText("\\Messages\\UnsavedChanges"), "%FILE", DocumentDisplayName(doc));
    question.saveText = GetText("\\Messages\\Save");
    question.discardText = GetText("\\Messages\\Discard");
    question.cancelText = GetText("\\Messages\\Cancel");
    SaveChoice choice = AskSaveChanges(question);
    if (choice == SaveChoice::Cancel) return false;
    return choice == SaveChoice::Discard || SaveDocumentInteractive(doc, false);
}

// Asks about every changed document of the main view; false when the user
// cancelled (nothing has been closed then).
bool ConfirmEveryChangedDocument() {
    HexView *view = MainView();
    if (!view) return true;
    std::vector<Document *> docs;
    for (auto &doc : view->Documents) docs.push_back(doc.get());
    for (Document *doc : docs) {
        if (!DocumentChanged(*doc)) continue;
        ShowInMainView(doc);
        SetTabBarState(TabBarGadget, TabBarItemIndex(TabBarGadget, doc->Tab));
        if (!MayLoseChanges(doc)) return false;
    }
    return true;
}

// Close All: closes every tab from left to right as Close does, asking about
// each changed document on the way (shown while it is asked about). Cancel
// stops there and keeps it and every tab after it.
void CloseAllDocuments() {
    std::vector<Document *> docs;
    for (int i = 0, n = CountTabBarItems(TabBarGadget); i < n; ++i)
        if (TabBarItem *item = GetTabBarItem(TabBarGadget, i))
            if (auto *doc = static_cast<Document *>(TabBarItemData(item))) docs.push_back(doc);
    for (Document *doc : docs) {
        if (DocumentChanged(*doc)) {
            SetTabBarState(TabBarGadget, TabBarItemIndex(TabBarGadget, doc->Tab));
            ShowInMainView(doc);
        }
        if (!CloseDocumentAsking(doc)) break;
    }
    ShowSelectedOrNew();
}

void SelectAll() {
    HexView *view = Shell().ActiveView;
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store) return;
    // As the key does: select everything and show the end the selection grew to.
    ApplyMove(*doc, KeyAction::SelectAll, doc->ActivePane ? doc->ActivePane->Rows : 0);
    ClampCursorAndSelection(*doc);
    ScrollIntoActivePane(*doc, doc->Cursor + doc->SelectionLength);
    doc->PendingNibble = -1;
    RedrawHexView(Shell().CurrentView);
}

void OpenWithDialog() {
    OpenFileRequest request;
    request.window = MainWindowNumber;
    request.title = GetText("\\OpenFileRequester\\Title");
    request.pattern = GetText("\\OpenFileRequester\\Pattern");
    request.multiple = true;
    for (const std::string &path : OpenFileDialog(request)) OpenReplacingUntouched(path);
}

// Each dropped path is opened as it is, line feeds in names included.
void OpenDroppedFiles(const Event &event) {
    if (!event.paths.empty()) {
        for (const std::string &path : event.paths) OpenReplacingUntouched(path);
        return;
    }
    // A drop posted with the paths only as lines of text (no list): the
    // first empty line ends the walk.
    std::istringstream lines(event.text);
    std::string path;
    while (std::getline(lines, path) && !path.empty()) OpenReplacingUntouched(path);
}

// Files dropped on the tab bar or the main view open; text dropped on a hex
// view goes into its document at the drop point.
void HandleDrop(const Event &event) {
    if (event.type == DropText) {
        if (!IsHexViewGadget(event.control)) return;
        HexDropResult result = DropTextOnHexView(event.control, event.input.mouseX, event.input.mouseY, event.text);
        if (result == HexDropResult::NoMemory) TellUser(GetText("\\Messages\\NoMemory"));
        return;
    }
    if (event.control == TabBarGadget || event.control == MainViewGadget) OpenDroppedFiles(event);
}

void HandleTabBar(const Event &event) {
    int code = ProcessTabBarEvent(TabBarGadget, event);
    switch (code) {
    case TabBarEventSelect: {
        TabBarItem *item = GetTabBarItem(TabBarGadget, TabBarSelectedItem);
        if (item) ShowInMainView(static_cast<Document *>(TabBarItemData(item)));
        break;
    }
    case TabBarEventNewTab:
        NewFileInEditor(MainViewGadget);
        break;
    case TabBarEventClose: {
        TabBarItem *item = GetTabBarItem(TabBarGadget, TabBarEventItem(TabBarGadget));
        auto *doc = item ? static_cast<Document *>(TabBarItemData(item)) : nullptr;
        if (doc && CloseDocumentAsking(doc)) ShowSelectedOrNew();
        // Also after a cancelled question: the keyboard goes back to the view.
        FocusControl(MainViewGadget);
        break;
    }
    default:
        break;
    }
    // The strip has no keys; whatever the mouse did there, typing and the
    // arrow keys go on acting on the main view.
    const bool mouse = (event.type >= CanvasLeftClick && event.type <= CanvasRightDoubleClick) ||
                       (event.type >= CanvasLeftButtonDown && event.type <= CanvasMouseWheel);
    if (mouse && FocusedControl() == TabBarGadget) FocusControl(MainViewGadget);
}

// Shows the next (step 1) or previous (-1) tab's document, wrapping around.
void SwitchTab(int step) {
    const int count = CountTabBarItems(TabBarGadget);
    if (count < 2) return;
    const int selected = SelectedTabBarItem(TabBarGadget);
    const int next = ((selected < 0 ? 0 : selected) + step + count) % count;
    SetTabBarState(TabBarGadget, next);
    if (TabBarItem *item = GetTabBarItem(TabBarGadget, next))
        ShowInMainView(static_cast<Document *>(TabBarItemData(item)));
}

// A read-only document refused an edit: the status bar says so.
void TellEditRefused(int gadget) {
    if (gadget != MainViewGadget) return;
    NoteEditRefused(MainDocument());
    RefreshStatus(MainView(), 0);
}

bool HandleMenu(int id);

void HandleHexViewControl(const Event &event) {
    // Keys of the main window (tabs, bookmarks, help) before the view's own.
    if (event.control == MainViewGadget && event.type == CanvasKeyDown) {
        if (const int command = ShellCommandForKey(event.input.key, event.input.modifiers)) {
            HandleMenu(command);
            return;
        }
    }
    HandleHexViewEvent(event.control, event);
    if (event.type != CanvasRightClick) return;
    if (event.control == MainViewGadget) {
        ShowPopupMenu(ViewPopupMenu, MainWindowNumber);
        return;
    }
    HexView *view = HexViewByGadget(event.control);
    PrepareToolPopupMenu(view && view->readOnly());
    ShowPopupMenu(ToolPopupMenu, ControlWindow(event.control));
}

// Returns false when the program is to end.
bool HandleMenu(int id) {
    switch (id) {
    case CommandNew:
        NewFileInEditor(MainViewGadget);
        return true;
    case CommandOpen:
        OpenWithDialog();
        return true;
    case CommandSave:
        if (Document *doc = MainDocument()) SaveDocumentInteractive(doc, false);
        return true;
    case CommandSaveAs:
        if (Document *doc = MainDocument()) SaveDocumentInteractive(doc, true);
        return true;
    case CommandClose:
        if (Document *doc = MainDocument(); doc && CloseDocumentAsking(doc)) ShowSelectedOrNew();
        return true;
    case CommandCloseAll:
        CloseAllDocuments();
        return true;
    case CommandQuit:
        if (!ConfirmEveryChangedDocument()) return true;
        SaveSettings();
        return false;
    case CommandUndo:
    case CommandRedo:
        HexViewCommand(MainViewGadget, id == CommandUndo ? HexUndo : HexRedo, nullptr, 0);
        return true;
    case CommandCut:
        HexViewCommand(Shell().CurrentView, HexCut, nullptr, 0);
        return true;
    case CommandCopy:
        HexViewCommand(Shell().CurrentView, HexCopy, nullptr, 0);
        return true;
    case CommandPaste:
        HexViewCommand(Shell().CurrentView, HexPaste, nullptr, 0);
        return true;
    case CommandSelectAll:
        SelectAll();
        return true;
    case CommandAddSplitter:
        HexViewCommand(MainViewGadget, HexSplit, nullptr, 0);
        return true;
    case CommandRemoveSplitter:
        HexViewCommand(MainViewGadget, HexUnsplit, nullptr, 0);
        return true;
    case CommandNextTab:
    case CommandPreviousTab:
        SwitchTab(id == CommandNextTab ? 1 : -1);
        return true;
    case CommandSign:
        CheckCommand(CommandSign, !IsCommandChecked(CommandSign));
        RefreshStatus(Shell().ActiveView, 0);
        return true;
    case CommandBigEndian:
    case CommandLittleEndian:
        SelectRadioItem(MainMenu, ByteOrderGroup, id);
        RefreshStatus(Shell().ActiveView, 0);
        return true;
    default:
        break;
    }
    if (InMenuGroup(RecentGroup, id)) {
        OpenRecentFile(id);
        return true;
    }
    // The tools' own commands: their windows and the algorithm groups.
    for (const ToolModule *tool : ToolModules())
        if (tool->menu && tool->menu(id)) return true;
    return true;
}

bool HandleCloseWindow(const Event &event) {
    for (const ToolModule *tool : ToolModules())
        if (tool->close && tool->close(event.window)) return true;
    if (event.window != MainWindowNumber) {
        ShowWindow(event.window, false);
        if (event.window == 1) AppSettings().Hide = 1;
        return true;
    }
    // data 1: asked to end by a signal; unsaved changes cannot be asked about then.
    if (event.data != 1 && !ConfirmEveryChangedDocument()) return true;
    SaveSettings();
    return false;
}

void HandleTimer(const Event &event) {
    for (const ToolModule *tool : ToolModules())
        if (tool->timer && tool->timer(event)) return;
    if (event.window == MainWindowNumber && event.data == UpkeepTimer) {
        UpdateCommandStates(MainView(), Shell().ActiveView);
        WatchOpenFiles();
        return;
    }
    if (event.window == LaunchWindowNumber && event.data == LaunchTimer) CloseLaunchWindow();
}

void TrackFocus() {
    // Not merely the focus: a click on the main window's menu bar activates
    // that window and moves the focus to its view, yet Paste is meant for the
    // field the user was in.
    int focused = CommandFocusControl();
    if (!IsHexViewGadget(focused)) return;
    HexView *view = HexViewByGadget(focused);
    if (!view) return;
    Shell().CurrentView = focused;
    Shell().ActiveView = view;
}

void RestoreGeometry() {
    const Settings &s = AppSettings();
    RestoreWindowPlace(MainWindowNumber, s.X, s.Y, s.Width, s.Height);
    if (s.State == WindowMaximized || s.State == WindowMinimized) SetWindowState(MainWindowNumber, s.State);
    ShowWindow(MainWindowNumber, true);
    CheckCommand(CommandSign, s.Sign != 0);
    SelectRadioItem(MainMenu, ByteOrderGroup, s.Endian);
    // The tool windows get their places (tests may start without some of them).
    if (IsWindow(1)) {
        RestoreWindowPlace(1, s.ValuesEditor.x, s.ValuesEditor.y);
        ShowWindow(1, s.Hide == 0);
    }
    const WindowPlace *places[] = {&s.Result, &s.Transformation, &s.SearchAndReplace, nullptr, &s.Histogram};
    const int numbers[] = {2, 3, 4, 5, 6};
    for (int i = 0; i < 5; ++i)
        if (places[i] && IsWindow(numbers[i])) RestoreWindowPlace(numbers[i], places[i]->x, places[i]->y);
    // The windows just shown came up above the launch picture; it stays in
    // front until its timer closes it.
    KeepLaunchWindowInFront();
}

}  // namespace

std::string DocumentTitle(const Document *doc) {
    if (doc && doc->Store && !doc->Store->FileName.empty()) return FileNamePart(doc->Store->FileName);
    return GetText("\\Window\\New");
}

// ---- the look ----

void FillHexViewLook() {
    FillDefaultHexViewLook();
    LoadBuiltinImages();
    HexViewLook &look = HexLook();
    look.AreaFrame = AreaFrame();
    look.TrackFrame = ScrollTrackFrame();
    look.ThumbFrame = ScrollThumbFrame();
    look.Grip = SplitterImage();
}

// ---- document flows ----------------------------------------------------------------

Document *OpenFileInEditor(int gadget, const std::string &name) {
    HexView *view = HexViewByGadget(gadget);
    // A second document on the same file would let one tab's save silently
    // undo the other's: the file's tab is selected instead.
    if (Document *open = DocumentOfFile(view, name)) {
        SelectDocument(gadget, open);
        if (open->Store->File.isOpen()) AddRecentFile(name);
        return open;
    }
    Document *previous = view ? view->CurrentDocument : nullptr;
    Document *doc = NewEditorFile(gadget, name);
    if (!doc) return nullptr;
    if (const std::optional<std::string> failure = OpenFailure(doc->Store, name)) {
        // No tab for it: the view goes back to what it showed (the main view
        // to a new document when it showed none) before the message shows.
        CloseEditorFile(gadget, doc);
        if (previous)
            ShowDocument(view, previous);
        else if (gadget == MainViewGadget)
            NewFileInEditor(gadget);
        FocusControl(gadget);
        TellUser(*failure);
        return nullptr;
    }
    int tabBar = view ? view->TabBar : TabBarGadget;
    int index = AddTabBarItem(tabBar, -1, FileNamePart(name), nullptr, doc);
    SetTabBarState(tabBar, index);
    doc->Tab = GetTabBarItem(tabBar, index);
    FocusControl(gadget);
    ReportOpening(doc->Store, name);
    LoadDocumentBookmarks(doc);
    RefreshTabToolTip(doc);
    // A name that is no file yet enters the recent list at its first save.
    if (doc->Store && doc->Store->File.isOpen()) AddRecentFile(name);
    return doc;
}

Document *NewFileInEditor(int gadget) {
    Document *doc = NewEditorFile(gadget, "");
    if (!doc) return nullptr;
    HexView *view = HexViewByGadget(gadget);
    int tabBar = view ? view->TabBar : TabBarGadget;
    int index = AddTabBarItem(tabBar, -1, GetText("\\Window\\New"), nullptr, doc);
    SetTabBarState(tabBar, index);
    doc->Tab = GetTabBarItem(tabBar, index);
    FocusControl(gadget);
    LoadDocumentBookmarks(doc);
    RefreshTabToolTip(doc);
    return doc;
}

void CloseDocument(Document *doc) {
    if (!doc) return;
    KeepDocumentBookmarks(doc);
    int index = TabBarItemIndex(TabBarGadget, doc->Tab);
    if (index >= 0) RemoveTabBarItem(TabBarGadget, index);
    CloseEditorFile(MainViewGadget, doc);
    FocusControl(MainViewGadget);
}

bool CloseDocumentAsking(Document *doc) {
    if (!doc) return false;
    if (DocumentChanged(*doc) && !MayLoseChanges(doc)) return false;
    CloseDocument(doc);
    return true;
}

namespace {

// Shows the progress window while a save runs longer than
// SaveProgressDelay::Millis, from the save's progress reports; closes it when
// the save is over.
class SaveProgressWatch {
public:
    SaveProgressWatch() : start_(std::chrono::steady_clock::now()) {
        SaveProgress::Report = [this](int64_t done, int64_t total) { report(done, total); };
    }
    ~SaveProgressWatch() {
        SaveProgress::Report = nullptr;
        if (shown_) CloseProgressWindow();
    }
    SaveProgressWatch(const SaveProgressWatch &) = delete;
    SaveProgressWatch &operator=(const SaveProgressWatch &) = delete;

private:
    void report(int64_t done, int64_t total) {
        if (!shown_) {
            auto elapsed = std::chrono::steady_clock::now() - start_;
            if (elapsed < std::chrono::milliseconds(SaveProgressDelay::Millis)) return;
            OpenProgressWindow(MainWindowNumber, GetText("\\Messages\\SaveProgressTitle"),
                               GetText("\\Messages\\SaveProgressNote"));
            shown_ = true;
        }
        std::string line = FillPlaceholder(GetText("\\Messages\\SaveProgress"), "%DONE", FormatSize(done));
        UpdateProgressWindow(done, total, FillPlaceholder(line, "%TOTAL", FormatSize(total)));
    }

    std::chrono::steady_clock::time_point start_;
    bool shown_ = false;
};

SaveResult SaveWatchedOnce(Document *doc, const std::string &name, bool full, SaveUndo undo) {
    SaveProgressWatch watch;
    if (!full) return SaveDocument(doc, name, undo);
    SaveResult result = SaveDocumentFull(doc, name, undo);
    if (result.ok()) doc->SavedHistoryIndex = HistoryIndex(doc->Hist);
    return result;
}

// A save that undo steps would stop for lack of scratch room asks whether
// to let those steps go; UndoNeedsRoom stays when the user says no.
SaveResult SaveWatched(Document *doc, const std::string &name, bool full) {
    SaveResult result = SaveWatchedOnce(doc, name, full, SaveUndo::Keep);
    if (result.status != SaveStatus::UndoNeedsRoom || !AskToDropUndoSteps(result.undoBytes)) return result;
    return SaveWatchedOnce(doc, name, full, SaveUndo::DropWithoutRoom);
}

enum class DiskAnswer { WriteAnyway, SaveElsewhere, Cancel };

// The question when the file on disk is not the one this document was read
// from (FileReplaced) or was changed by someone else (ChangedOnDisk).
DiskAnswer AskAboutFileOnDisk(SaveStatus status, const std::string &path) {
    const bool replaced = status == SaveStatus::FileReplaced;
    SaveQuestion question;
    question.window = MainWindowNumber;
    question.title = GetText("\\Messages\\Title");
    question.text = FillPlaceholder(
        GetText(replaced ? "\\Messages\\FileReplaced" : "\\Messages\\ChangedOnDisk"), "%FILE", path);
    question.saveText = GetText(replaced ? "\\Messages\\SaveAnyway" : "\\Messages\\Overwrite");
    question.discardText = GetText("\\Messages\\SaveAsElsewhere");
    question.cancelText = GetText("\\Messages\\Cancel");
    switch (AskSaveChanges(question)) {
    case SaveChoice::Save: return DiskAnswer::WriteAnyway;
    case SaveChoice::Discard: return DiskAnswer::SaveElsewhere;
    case SaveChoice::Cancel: break;
    }
    return DiskAnswer::Cancel;
}

std::string AskSaveName(const Document *doc) {
    SaveFileRequest request;
    request.window = MainWindowNumber;
    request.title = GetText("\\SaveFileRequester\\Title");
    request.pattern = GetText("\\SaveFileRequester\\Pattern");
    request.proposedName = doc->Store->FileName.empty() ? GetText("\\Window\\New") : doc->Store->FileName;
    return SaveFileDialog(request);
}

}  // namespace

bool SaveDocumentInteractive(Document *doc, bool askName) {
    if (!doc || !doc->Store) return false;
    Binary *store = doc->Store;
    const bool hadFile = store->File.isOpen();
    const std::string oldName = store->FileName;
    std::string name;
    if (askName || store->FileName.empty()) {
        // A document without a name is saved as: saving it "in place" would
        // write nothing and look like success.
        name = AskSaveName(doc);
        if (name.empty()) return false;
    } else if (!hadFile) {
        // A new document named when it was opened: the first save creates
        // the file. One that another program made there meanwhile is not
        // replaced unasked.
        name = store->FileName;
        if (FileExists(name)) {
            switch (AskAboutFileOnDisk(SaveStatus::ChangedOnDisk, name)) {
            case DiskAnswer::Cancel: return false;
            case DiskAnswer::SaveElsewhere: return SaveDocumentInteractive(doc, true);
            case DiskAnswer::WriteAnyway: break;
            }
        }
    }
    SaveResult result = SaveWatched(doc, name, false);
    const std::string target = name.empty() ? store->FileName : name;
    if (result.status == SaveStatus::FileReplaced || result.status == SaveStatus::ChangedOnDisk) {
        // Nothing was written. The whole content can always be written: the
        // old file's bytes stay readable while it is open.
        switch (AskAboutFileOnDisk(result.status, target)) {
        case DiskAnswer::Cancel: return false;
        case DiskAnswer::SaveElsewhere: return SaveDocumentInteractive(doc, true);
        case DiskAnswer::WriteAnyway: break;
        }
        result = SaveWatched(doc, target, true);
    }
    TellJournalKeptAside(target, result.keptAside);
    if (!result.ok()) {
        std::string text = FillPlaceholder(GetText("\\Messages\\SaveFailed"), "%FILE", target);
        TellUser(FillPlaceholder(text, "%REASON", SaveReason(result)));
        return false;
    }
    if (!name.empty() || !hadFile || store->FileName != oldName) {
        UpdateTabText(doc);
        AddRecentFile(store->FileName);
    }
    DocumentBookmarksSaved(doc);
    if (HexView *view = static_cast<HexView *>(doc->View); view && view->CurrentDocument == doc)
        RedrawHexView(view);
    return true;
}

// ---- start-up, loop, end -------------------------------------------------------------

void StartUp(const std::string &firstFile) {
    FillTabBarDefaults();
    Shell().ConfigFolder = ConfigFolderPath();
    RegisterBuiltinAlgorithms();
    FillHexViewLook();
    // Data files are found beside the executable; the current directory is
    // left alone so that relative names on the command line mean what the
    // user meant.
    const std::string data = DataFolder();
    LoadSettings();
    // Every document opened or created in this run gets the configured sizes.
    SetEditorCacheSizes(ConfiguredChunkLength(AppSettings().BinaryChunkLength),
                        ConfiguredHistoryLimit(AppSettings().HistoryCacheSize));
    {
        // The first start (no file, or no Language key in it) speaks the user's language.
        const std::optional<std::string> text = ReadTextFile(Shell().ConfigFolder + "Configuration.ini", 1 << 20);
        ChooseLanguageOnFirstStart(text ? *text : std::string(), text.has_value());
    }
    // Start-up goes on without them (a missing language falls back to
    // English, then to the texts' keys; icons are empty), but whoever started
    // the program from a terminal learns why.
    LoadLanguageOrEnglish(data + "/Languages", AppSettings().Language, std::cerr);
    const std::string theme = data + "/Themes/" + AppSettings().Theme + ".zip";
    if (!LoadTheme(theme)) std::fprintf(stderr, "hexaloom: cannot read the icon theme %s\n", theme.c_str());
    OpenMainWindow();
    // Files dropped on the main view open as on the tab bar.
    SetCanvasDropFiles(MainViewGadget, true);
    for (const ToolModule *tool : ToolModules())
        if (tool->open) tool->open();
    SetSelectionListener([](int64_t start, int64_t length) {
        for (const ToolModule *tool : ToolModules())
            if (tool->selection) tool->selection(start, length);
    });
    SetEditRefusedHandler(TellEditRefused);
    SetValuesListener([](HexView *view) {
        for (const ToolModule *tool : ToolModules())
            if (tool->viewChanged) tool->viewChanged(view);
    });
    Shell().MainView = HexViewByGadget(MainViewGadget);
    Shell().CurrentView = MainViewGadget;
    Shell().ActiveView = Shell().MainView;
    RestoreGeometry();
    if (!firstFile.empty())
        OpenFileInEditor(MainViewGadget, ResolveUserPath(firstFile));
    else
        NewFileInEditor(MainViewGadget);
}

bool DispatchEvent(const Event &event) {
    TrackFocus();
    if (HandleDiskWatchEvent(event)) return true;
    switch (event.kind) {
    case EventCloseWindow:
        return HandleCloseWindow(event);
    case EventSizeWindow:
        for (const ToolModule *tool : ToolModules())
            if (tool->resized && tool->resized(event.window)) return true;
        if (event.window == MainWindowNumber) {
            LayoutMainWindow();
            RedrawHexView(MainViewGadget);
        }
        return true;
    case EventControl:
        if (event.control == TabBarGadget) {
            HandleTabBar(event);
            return true;
        }
        for (const ToolModule *tool : ToolModules())
            if (tool->control && tool->control(event)) return true;
        if (IsHexViewGadget(event.control)) {
            HandleHexViewControl(event);
        }
        return true;
    case EventMenu:
        return HandleMenu(static_cast<int>(event.data ? event.data : event.type));
    case EventDrop:
        HandleDrop(event);
        return true;
    case EventTimer:
        HandleTimer(event);
        return true;
    default:
        return true;
    }
}

void OpenMoreFiles(const std::vector<std::string> &files) {
    if (files.size() < 2) return;
    Document *first = MainDocument();
    for (size_t i = 1; i < files.size(); ++i) OpenReplacingUntouched(ResolveUserPath(files[i]));
    if (first && first->Tab) {
        SetTabBarState(TabBarGadget, TabBarItemIndex(TabBarGadget, first->Tab));
        ShowInMainView(first);
    }
}

void ShutDown() {
    // Every hex view lets go of its documents before the platform and the
    // program's statics go: a tool window's field still holding its document
    // at exit would free its history after the list of histories is gone.
    for (int gadget : {32, 42, 46, 47, 52, MainViewGadget}) {
        HexView *view = HexViewByGadget(gadget);
        if (!view) continue;
        if (gadget == MainViewGadget)
            for (auto &doc : view->Documents) KeepDocumentBookmarks(doc.get());
        while (!view->Documents.empty()) CloseEditorFile(gadget, view->Documents.front().get());
        if (gadget != MainViewGadget) DestroyHexView(gadget);
    }
    Shell().MainView = nullptr;
    Shell().ActiveView = nullptr;
    ShutdownPlatform();
}

void CompareOpenedFiles(const std::vector<std::string> &files) {
    if (files.size() != 2) return;
    StartComparison(DocumentOfFile(MainView(), ResolveUserPath(files[0])),
                    DocumentOfFile(MainView(), ResolveUserPath(files[1])));
}

int RunApplication(int argc, char **argv, const std::vector<std::string> &files, bool compare) {
    InitPlatform(argc, argv);
    InstallQuitSignals();
    StartUp(files.empty() ? std::string() : files.front());
    OpenMoreFiles(files);
    if (compare) CompareOpenedFiles(files);
    while (DispatchEvent(WaitEvent())) {
    }
    ShutDown();
    return 0;
}

}  // namespace hx
