#include "app/bookmarks/BookmarksWindow.h"

#include <cstdio>

#include "app/bookmarks/BookmarkKeeping.h"
#include "app/settings/Language.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuIds.h"
#include "document/Binary.h"
#include "document/Bookmarks.h"
#include "document/Document.h"
#include "hexview/HexNavigation.h"
#include "hexview/HexView.h"
#include "hexview/Selection.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FormDialog.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"
#include "platform/Table.h"

namespace hx {

namespace {

constexpr int Window = BookmarksWindowNumber;

// What the table shows now, so that it is rebuilt only when that changed.
const Document *g_shownDocument = nullptr;
uint64_t g_shownRevision = 0;

std::string Text(const char *key) { return GetText(std::string("\\Bookmarks\\") + key); }

Document *MainDocument() {
    HexView *view = Shell().MainView;
    return view ? view->CurrentDocument : nullptr;
}

std::string Hex(int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

FormField Field(FormField::Kind kind, const std::string &label, const std::string &text) {
    FormField field;
    field.kind = kind;
    field.label = label;
    field.text = text;
    return field;
}

// The dialog's fields: name, colour, note.
std::vector<FormField> BookmarkFields(const Bookmark &b) {
    FormField colour = Field(FormField::Kind::Choice, Text("Colour") + ":", "");
    for (size_t i = 0; i < BookmarkPalette().size(); ++i) {
        colour.choices.push_back(Text(BookmarkPalette()[i].Key));
        colour.swatches.push_back(BookmarkPalette()[i].Colour);
        if (BookmarkPalette()[i].Colour == b.Colour) colour.choice = static_cast<int>(i);
    }
    return {Field(FormField::Kind::Text, Text("Name") + ":", b.Name), colour,
            Field(FormField::Kind::Text, Text("Note") + ":", b.Note)};
}

// Asks for name, colour and note; false when the user cancelled. An emptied
// name keeps the one the dialog started with.
bool AskBookmark(const std::string &title, Bookmark &b, int owner) {
    FormRequest request;
    request.window = owner;
    request.title = title;
    request.fields = BookmarkFields(b);
    request.okText = Text("OK");
    request.cancelText = Text("Cancel");
    const std::optional<std::vector<FormField>> answer = AskForm(request);
    if (!answer || answer->size() != 3) return false;
    if (!(*answer)[0].text.empty()) b.Name = (*answer)[0].text;
    const int colour = (*answer)[1].choice;
    if (colour >= 0 && colour < static_cast<int>(BookmarkPalette().size())) b.Colour = BookmarkPalette()[colour].Colour;
    b.Note = (*answer)[2].text;
    return true;
}

void Refresh(bool force) {
    const Document *doc = MainDocument();
    const BookmarkList *list = doc ? FindBookmarks(doc->Store) : nullptr;
    const uint64_t revision = list ? list->Revision : 0;
    if (!IsWindow(Window) || (!force && doc == g_shownDocument && revision == g_shownRevision)) return;
    g_shownDocument = doc;
    g_shownRevision = revision;
    std::vector<TableRow> rows;
    if (list) {
        for (const Bookmark &b : list->Items)
            rows.push_back({{b.Name, Hex(b.Start), std::to_string(b.Length), b.Note}, b.Colour});
    }
    SetTableRows(BookmarksTable, rows);
    ShowControl(BookmarksStaleNote, list && list->Stale);
}

// The main view's document changed its bookmarks: keep them and show them.
void Changed(Document *doc) {
    KeepDocumentBookmarks(doc);
    RedrawHexView(MainViewGadget);
    Refresh(false);
}

// Selects the bookmark's bytes in the main view; the view scrolls only when
// its start is not shown.
void GoToBookmark(Document &doc, const Bookmark &b) {
    Pane *pane = doc.ActivePane;
    const bool shown = pane && b.Start >= pane->Top && b.Start < pane->Top + pane->ShownLength;
    if (!shown) GoToOffset(doc, b.Start);
    doc.Cursor = b.Start;
    // In overwrite mode the selection includes its far end.
    doc.SelectionLength = doc.EditMode == 0 ? b.Length : b.Length - 1;
    doc.PendingNibble = -1;
    ClampCursorAndSelection(doc);
    RedrawHexView(MainViewGadget);
}

void OpenBookmarksWindow() {
    OpenWindow(Window, 0, 0, BookmarksWindowWidth, BookmarksWindowHeight, GetText("\\Window\\Bookmarks"),
               WindowTool | WindowHidden | WindowCentered, MainWindowNumber);
    if (!IsWindow(Window)) return;
    constexpr int w = BookmarksWindowWidth, h = BookmarksWindowHeight;
    CreateTable(BookmarksTable, Window, 10, 10, w - 20, h - 85,
                {Text("Name"), Text("Offset"), Text("Length"), Text("Note")}, {160, 100, 80, 0});
    CreateLabel(BookmarksStaleNote, Window, 10, h - 70, w - 20, 30, Text("Stale"));
    ShowControl(BookmarksStaleNote, false);
    CreateButton(BookmarksEditButton, Window, w - 220, h - 35, 100, 25, Text("Edit"));
    CreateButton(BookmarksDeleteButton, Window, w - 110, h - 35, 100, 25, Text("Delete"));
    Refresh(true);
}

// The selected row's bookmark of the main document, or nullptr.
Bookmark *SelectedBookmark(Document *&doc) {
    doc = MainDocument();
    BookmarkList *list = doc ? FindBookmarks(doc->Store) : nullptr;
    const int row = TableSelectedRow(BookmarksTable);
    if (!list || row < 0 || row >= static_cast<int>(list->Items.size())) return nullptr;
    return &list->Items[static_cast<size_t>(row)];
}

bool OnControl(const Event &event) {
    if (event.window != Window) return false;
    Document *doc = nullptr;
    Bookmark *b = SelectedBookmark(doc);
    if (event.control == BookmarksTable && event.type == TableRowOpened) {
        const int row = static_cast<int>(event.data);
        BookmarkList *list = doc ? FindBookmarks(doc->Store) : nullptr;
        if (list && row >= 0 && row < static_cast<int>(list->Items.size()))
            GoToBookmark(*doc, list->Items[static_cast<size_t>(row)]);
        return true;
    }
    if (!b) return true;
    if (event.control == BookmarksEditButton) {
        Bookmark edited = *b;
        if (!AskBookmark(Text("EditTitle"), edited, Window)) return true;
        // The dialog ran its own loop; the list may have changed meanwhile.
        b = SelectedBookmark(doc);
        if (!b) return true;
        *b = edited;
        ++BookmarksOf(doc->Store).Revision;
        Changed(doc);
    } else if (event.control == BookmarksDeleteButton) {
        BookmarkList &list = BookmarksOf(doc->Store);
        RemoveBookmark(list, static_cast<size_t>(b - list.Items.data()));
        Changed(doc);
    }
    return true;
}

bool OnMenu(int id) {
    switch (id) {
    case CommandAddBookmark: AddBookmarkFromMenu(); return true;
    case CommandNextBookmark: StepToBookmark(true); return true;
    case CommandPreviousBookmark: StepToBookmark(false); return true;
    case CommandBookmarks: ShowBookmarksWindow(); return true;
    default: return false;
    }
}

bool OnClose(int window) {
    if (window != Window) return false;
    ShowWindow(Window, false);
    return true;
}

void OnViewChanged(HexView *view) {
    if (view && view->Gadget == MainViewGadget) Refresh(false);
}

void OpenAtStart() {
    InstallBookmarkHighlights();
    OpenBookmarksWindow();
}

}  // namespace

void AddBookmarkFromMenu() {
    Document *doc = MainDocument();
    if (!doc || !doc->Store) return;
    int64_t start = SelectionStart(*doc);
    int64_t length = SelectionSize(*doc);
    if (length == 0) {
        // No selection: the byte at the cursor, when there is one.
        if (doc->Cursor >= doc->Store->Length) {
            ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), Text("NothingToMark"));
            return;
        }
        start = doc->Cursor;
        length = 1;
    }
    BookmarkList &list = BookmarksOf(doc->Store);
    Bookmark b;
    b.Name = FillPlaceholder(Text("DefaultName"), "%N", std::to_string(list.Items.size() + 1));
    b.Colour = BookmarkPalette()[list.Items.size() % BookmarkPalette().size()].Colour;
    b.Start = start;
    b.Length = length;
    if (!AskBookmark(Text("AddTitle"), b, MainWindowNumber)) return;
    // The dialog ran its own loop: the document may be gone or shorter now.
    if (MainDocument() != doc || start >= doc->Store->Length) return;
    b.Length = std::min(b.Length, doc->Store->Length - start);
    AddBookmark(BookmarksOf(doc->Store), std::move(b));
    Changed(doc);
}

void StepToBookmark(bool forward) {
    Document *doc = MainDocument();
    const BookmarkList *list = doc ? FindBookmarks(doc->Store) : nullptr;
    if (!list) return;
    const int index = forward ? NextBookmark(*list, doc->Cursor) : PreviousBookmark(*list, doc->Cursor);
    if (index < 0) return;
    GoToBookmark(*doc, list->Items[static_cast<size_t>(index)]);
}

void ShowBookmarksWindow() {
    if (!IsWindow(Window)) OpenBookmarksWindow();
    Refresh(true);
    // In front with the keyboard: arrows and Enter go to a bookmark, Escape closes.
    ActivateWindow(Window);
}

const ToolModule BookmarksTool{
    .open = OpenAtStart,
    .menu = OnMenu,
    .control = OnControl,
    .close = OnClose,
    .viewChanged = OnViewChanged,
};

}  // namespace hx
