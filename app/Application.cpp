#include "Application.h"

#include <sstream>

#include "app/CommandStates.h"
#include "app/Globals.h"
#include "app/Language.h"
#include "app/MainWindow.h"
#include "app/MenuBuilder.h"
#include "app/MenuIds.h"
#include "app/Settings.h"
#include "app/Status.h"
#include "app/Theme.h"
#include "app/ToolWindows.h"
#include "document/Document.h"
#include "document/Save.h"
#include "hexview/HexView.h"
#include "hexview/HexViewLook.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {

namespace {

HexView *MainView() { return Shell().MainView; }

Document *MainDocument() {
    HexView *view = MainView();
    return view ? view->CurrentDocument : nullptr;
}

// A document nobody has touched yet: no file and nothing done to it.
bool IsUntouched(const Document *doc) {
    return doc && doc->Store && !doc->Store->File.isOpen() && doc->Hist && HistoryIndex(doc->Hist) == 0;
}

std::string DocumentTitle(const Document *doc) {
    if (doc && doc->Store && !doc->Store->FileName.empty()) return FileNamePart(doc->Store->FileName);
    return GetText("\\Window\\New");
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
    case SaveStatus::Saved:
    case SaveStatus::NothingToDo: break;
    }
    return {};
}

void TellUser(const std::string &text) {
    ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), text);
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

// Opens path into the main view, replacing an untouched document first.
void OpenReplacingUntouched(const std::string &path) {
    if (path.empty()) return;
    Document *current = MainDocument();
    if (IsUntouched(current)) CloseDocument(current);
    OpenFileInEditor(MainViewGadget, path);
}

void UpdateTabText(Document *doc) {
    if (!doc || !doc->Tab) return;
    doc->Tab->text = DocumentTitle(doc);
    doc->Tab->displayText = doc->Tab->text;
    SetTabBarState(TabBarGadget, TabBarSelectedItem);  // asks for a redraw
}

// Asks whether to save a changed document before it goes: true when it was
// saved or the user lets the changes go, false on cancel or a failed save.
bool MayLoseChanges(Document *doc) {
    SaveQuestion question;
    question.window = MainWindowNumber;
    question.title = GetText("\\Messages\\Title");
    question.text = FillPlaceholder(GetText("\\Messages\\UnsavedChanges"), "%FILE", DocumentTitle(doc));
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

void SelectAll() {
    HexView *view = Shell().ActiveView;
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store) return;
    doc->Cursor = 0;
    doc->SelectionLength = doc->Store->Length;
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

void HandleDrop(const Event &event) {
    if (event.control != TabBarGadget) return;
    std::istringstream lines(event.text);
    std::string path;
    // The first empty field ends the walk.
    while (std::getline(lines, path) && !path.empty()) OpenReplacingUntouched(path);
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
        break;
    }
    default:
        break;
    }
}

void HandleHexViewControl(const Event &event) {
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
        OpenReplacingUntouched(RecentItemPath(id));
        return true;
    }
    // The tools' own commands (their windows, the algorithm groups); a tool
    // not built in answers none of them, and they do nothing.
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
    if (event.window == MainWindowNumber && event.data == UpkeepTimer) {
        UpdateCommandStates(MainView(), Shell().ActiveView);
        return;
    }
    if (event.window == LaunchWindowNumber && event.data == LaunchTimer) CloseLaunchWindow();
}

void TrackFocus() {
    int focused = FocusedControl();
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
    // The tool windows arrive with their tools; those that exist get their places.
    if (IsWindow(1)) {
        RestoreWindowPlace(1, s.ValuesEditor.x, s.ValuesEditor.y);
        ShowWindow(1, s.Hide == 0);
    }
    const WindowPlace *places[] = {&s.Result, &s.Transformation, &s.SearchAndReplace, nullptr, &s.Histogram};
    const int numbers[] = {2, 3, 4, 5, 6};
    for (int i = 0; i < 5; ++i)
        if (places[i] && IsWindow(numbers[i])) RestoreWindowPlace(numbers[i], places[i]->x, places[i]->y);
}

}  // namespace

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
    Document *doc = NewEditorFile(gadget, name);
    if (!doc) return nullptr;
    HexView *view = HexViewByGadget(gadget);
    int tabBar = view ? view->TabBar : TabBarGadget;
    int index = AddTabBarItem(tabBar, -1, FileNamePart(name), nullptr, doc);
    SetTabBarState(tabBar, index);
    doc->Tab = GetTabBarItem(tabBar, index);
    FocusControl(gadget);
    AddRecentFile(name);
    if (!doc->Store || !doc->Store->File.isOpen())
        TellUser(FillPlaceholder(GetText("\\Messages\\OpenFailed"), "%FILE", name));
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
    return doc;
}

void CloseDocument(Document *doc) {
    if (!doc) return;
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

bool SaveDocumentInteractive(Document *doc, bool askName) {
    if (!doc || !doc->Store) return false;
    std::string name;
    // A document without a file is saved as under a new name: saving it
    // "in place" would write nothing and look like success.
    if (askName || !doc->Store->File.isOpen()) {
        SaveFileRequest request;
        request.window = MainWindowNumber;
        request.title = GetText("\\SaveFileRequester\\Title");
        request.pattern = GetText("\\SaveFileRequester\\Pattern");
        request.proposedName = doc->Store->FileName.empty() ? GetText("\\Window\\New") : doc->Store->FileName;
        name = SaveFileDialog(request);
        if (name.empty()) return false;
    }
    SaveResult result = SaveDocument(doc, name);
    if (!result.ok()) {
        std::string text = FillPlaceholder(GetText("\\Messages\\SaveFailed"), "%FILE",
                                           name.empty() ? doc->Store->FileName : name);
        TellUser(FillPlaceholder(text, "%REASON", SaveReason(result)));
        return false;
    }
    if (!name.empty()) {
        UpdateTabText(doc);
        AddRecentFile(doc->Store->FileName);
    }
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
    LoadLanguage(data + "/Languages/" + AppSettings().Language + ".ini");
    LoadTheme(data + "/Themes/" + AppSettings().Theme + ".zip");
    OpenMainWindow();
    for (const ToolModule *tool : ToolModules())
        if (tool->open) tool->open();
    SetSelectionListener([](int64_t start, int64_t length) {
        for (const ToolModule *tool : ToolModules())
            if (tool->selection) tool->selection(start, length);
    });
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
    switch (event.kind) {
    case EventCloseWindow:
        return HandleCloseWindow(event);
    case EventSizeWindow:
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

void ShutDown() {
    HexView *view = MainView();
    if (view) {
        while (!view->Documents.empty()) CloseEditorFile(MainViewGadget, view->Documents.front().get());
    }
    Shell().MainView = nullptr;
    Shell().ActiveView = nullptr;
    ShutdownPlatform();
}

int RunApplication(int argc, char **argv) {
    InitPlatform(argc, argv);
    InstallQuitSignals();
    StartUp(CommandLineArgument(0));
    while (DispatchEvent(WaitEvent())) {
    }
    ShutDown();
    return 0;
}

}  // namespace hx
