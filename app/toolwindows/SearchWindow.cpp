// The search window (window 4) and its module in the loop: Search and Find
// previous, search again (F3, Shift+F3), Count, the status line, the Go to
// command, and the close box that takes the match marks away again. Replace
// and Replace all are in SearchReplace.cpp.
#include "app/toolwindows/SearchWindow.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "app/settings/Language.h"
#include "app/shell/GoTo.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/SearchRun.h"
#include "app/toolwindows/SearchSession.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/RangeSearch.h"
#include "hexview/HexView.h"
#include "hexview/HexViewCommands.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Menu.h"
#include "platform/Platform.h"

namespace hx {

namespace {

// Up to this many bytes in the searched range, every find also counts the
// matches, so that the status line can say "Match 3 of 17": at the speed of
// the search that costs a few milliseconds. Larger ranges are counted by the
// Count button, with progress and Cancel; so are ranges so dense with
// matches that counting them takes longer than CountWithEveryFindMs.
constexpr int64_t CountWithEveryFind = int64_t{16} << 20;
constexpr auto CountWithEveryFindMs = std::chrono::milliseconds(60);

void ReleasePatterns() {
    HexView *view = SearchedView();
    if (!view) return;
    for (auto &doc : view->Documents) {
        doc->SearchPattern.reset();
        for (Pane &pane : doc->Panes) pane.MatchMask.reset();
    }
    RedrawHexView(view);
}

// "Match 3 of 17 at offset 5000", or without the count for large ranges and
// for a match that the forward steps from the range's start pass over (an
// overlapping one, found from a cursor inside another).
std::string FoundText(const SearchQuery &query, int64_t position, bool wrapped) {
    std::string text;
    int64_t count = 0, index = 0;
    const auto began = std::chrono::steady_clock::now();
    const bool counted = query.scopeTo - query.scopeFrom <= CountWithEveryFind &&
                         ScanForward(query.doc->Store, query.pattern, query.scopeFrom, query.scopeTo,
                                     [&](int64_t p) {
                                         if (p <= position) index = p == position ? count + 1 : 0;
                                         ++count;
                                         return true;
                                     },
                                     [began](int64_t) {
                                         return std::chrono::steady_clock::now() - began < CountWithEveryFindMs;
                                     })
                                 .status == SearchStatus::Done;
    if (counted && index > 0) {
        text = FillPlaceholder(GetText("\\SearchAndReplace\\MatchOf"), "%INDEX", std::to_string(index));
        text = FillPlaceholder(text, "%COUNT", std::to_string(count));
    } else {
        text = GetText("\\SearchAndReplace\\MatchAt");
    }
    text = FillPlaceholder(text, "%OFFSET", std::to_string(position));
    if (wrapped) text += " " + GetText("\\SearchAndReplace\\Wrapped");
    return text;
}

// The finds of one press: from the start point to the range's end (or, going
// backward, to its start), then, with "Wrap around", the rest of the range.
struct FindResult {
    SearchScan scan;
    bool wrapped = false;   // the match lies on the far side of the start point
    bool whole = false;     // the whole range was searched
};

FindResult Find(const SearchQuery &query, bool backward, SearchRun &run) {
    const int64_t k = query.pattern.length();
    Binary *store = query.doc->Store;
    const Document &doc = *query.doc;
    FindResult out;
    if (!backward) {
        const int64_t s = SelectionStart(doc);
        const int64_t start = std::clamp(s == LastMatch() ? LastMatch() + k : s, query.scopeFrom, query.scopeTo);
        // The progress bar shows how far into the range the search is.
        out.scan = FindForward(store, query.pattern, start, query.scopeTo, run.server(start - query.scopeFrom));
        out.whole = start == query.scopeFrom;
        if (out.scan.status != SearchStatus::Done || out.scan.position >= 0 || !query.options.wrap || out.whole)
            return out;
        // The matches that begin before the start point.
        const int64_t to = std::min(start + k - 1, query.scopeTo);
        out.scan = FindForward(store, query.pattern, query.scopeFrom, to, run.server());
    } else {
        const int64_t s = SelectionStart(doc);
        const int64_t end = std::clamp(s == LastMatch() ? LastMatch() : s + SelectionSize(doc), query.scopeFrom,
                                       query.scopeTo);
        out.scan = FindBackward(store, query.pattern, query.scopeFrom, end, run.server(query.scopeTo - end));
        out.whole = end == query.scopeTo;
        if (out.scan.status != SearchStatus::Done || out.scan.position >= 0 || !query.options.wrap || out.whole)
            return out;
        // The matches that end after the end point.
        const int64_t from = std::max(end - k + 1, query.scopeFrom);
        out.scan = FindBackward(store, query.pattern, from, query.scopeTo, run.server());
    }
    out.wrapped = true;
    out.whole = true;
    return out;
}

SearchOutcome RunFind(bool backward) {
    std::optional<SearchQuery> query = BeginQuery();
    if (!query) return SearchOutcome::NotFound;
    if (query->pattern.empty()) return SearchOutcome::NoPattern;
    if (!query->scoped) return SearchOutcome::NoScope;
    FindResult found;
    bool closed = false, quit = false;
    {
        SearchRun run(query->scopeTo - query->scopeFrom);
        found = Find(*query, backward, run);
        closed = run.closed();
        quit = run.quitRequested();
    }
    SearchOutcome outcome = SearchOutcome::Cancelled;
    switch (found.scan.status) {
    case SearchStatus::Done:
        outcome = found.scan.position >= 0 ? SearchOutcome::Found : SearchOutcome::NotFound;
        break;
    case SearchStatus::Stopped: break;
    case SearchStatus::ReadFailed: outcome = SearchOutcome::ReadFailed; break;
    }
    // The document cannot have gone: every event but Cancel and the close
    // box was dropped while the search ran.
    if (closed) {
        CloseSearchWindow();
    } else {
        StorePattern(*query);
    }
    switch (outcome) {
    case SearchOutcome::Found:
        LastMatch() = found.scan.position;
        SelectMatch(*query, found.scan.position);
        SetSearchStatus(FoundText(*query, found.scan.position, found.wrapped));
        break;
    case SearchOutcome::NotFound:
        LastMatch() = -1;
        SetSearchStatus(GetText(found.whole ? "\\SearchAndReplace\\NoMatch" : "\\SearchAndReplace\\NoFurtherMatch"));
        RedrawHexView(SearchedView());
        break;
    case SearchOutcome::ReadFailed:
        SetSearchStatus("");
        RedrawHexView(SearchedView());
        ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), GetText("\\SearchAndReplace\\ReadFailed"));
        break;
    default:
        SetSearchStatus(GetText("\\SearchAndReplace\\Cancelled"));
        RedrawHexView(SearchedView());
        break;
    }
    if (quit) RequestQuit();
    return outcome;
}

SearchOutcome AgainOrShow(bool backward) {
    if (HexViewDocumentBytes(PatternFieldGadget).size() <= 0) {
        ShowSearchWindow();
        return SearchOutcome::NoPattern;
    }
    return RunFind(backward);
}

void AddOptionControls() {
    constexpr int gx = 5, gy = 180;
    CreateGroup(SearchOptionsGroup, SearchWindowNumber, gx, gy, 590, 75, GetText("Options"));
    CreateCheckBox(SearchMatchCaseCheck, SearchWindowNumber, gx + 10, gy + 20, 180, 22, GetText("MatchCase"));
    SetControlState(SearchMatchCaseCheck, 1);
    CreateCheckBox(SearchWrapCheck, SearchWindowNumber, gx + 200, gy + 20, 180, 22, GetText("WrapAround"));
    CreateCheckBox(SearchInSelectionCheck, SearchWindowNumber, gx + 390, gy + 20, 190, 22, GetText("InSelection"));
    CreateCheckBox(SearchUtf16Check, SearchWindowNumber, gx + 10, gy + 46, 180, 22, GetText("Utf16"));
    CreateDropDown(SearchByteOrderList, SearchWindowNumber, gx + 200, gy + 44, 180, 24);
    AddDropDownItem(SearchByteOrderList, GetText("LittleEndian"), 0);
    AddDropDownItem(SearchByteOrderList, GetText("BigEndian"), 1);
    SetControlState(SearchByteOrderList, 0);
}

void OpenSearchWindow() {
    SetTextGroup("SearchAndReplace");
    OpenWindow(SearchWindowNumber, 0, 0, SearchWindowWidth, SearchWindowHeight,
               GetText("\\Window\\SearchAndReplace"), WindowTool | WindowHidden | WindowCentered, 0);
    CreateGroup(SearchGroupControl, SearchWindowNumber, 5, 5, 590, 130, GetText("SearchFor"));
    // The field lies inside the group at (10, 20).
    CreateHexView(PatternFieldGadget, SearchWindowNumber, 5 + 10, 5 + 20, 570, 100, 0);
    CreateButton(SearchCancelButton, SearchWindowNumber, 490, 145, 100, 25, GetText("Cancel"));
    ShowControl(SearchCancelButton, false);
    CreateButton(SearchButton, SearchWindowNumber, 490, 145, 100, 25, GetText("Search"));
    // Beside Search: the way back and the count; left of them the progress
    // of a long run.
    CreateButton(SearchPreviousButton, SearchWindowNumber, 380, 145, 100, 25, GetText("FindPrevious"));
    CreateButton(SearchCountButton, SearchWindowNumber, 270, 145, 100, 25, GetText("Count"));
    CreateProgressBar(SearchProgressBar, SearchWindowNumber, 10, 149, 250, 18, 0, 1000);
    ShowControl(SearchProgressBar, false);
    AddOptionControls();
    // Below: the replacement, a field like the pattern's, and its buttons
    // beside the status line.
    CreateGroup(ReplaceGroupControl, SearchWindowNumber, 5, 265, 590, 130, GetText("ReplaceWith"));
    CreateHexView(ReplaceFieldGadget, SearchWindowNumber, 5 + 10, 265 + 20, 570, 100, 0);
    CreateLabel(SearchStatusLabel, SearchWindowNumber, 10, 408, 360, 20, "");
    CreateButton(ReplaceButton, SearchWindowNumber, 380, 405, 100, 25, GetText("Replace"));
    CreateButton(ReplaceAllButton, SearchWindowNumber, 490, 405, 100, 25, GetText("ReplaceAll"));
}

bool SearchMenu(int id) {
    switch (id) {
    case CommandSearchAndReplace: ShowSearchWindow(); return true;
    case CommandSearchAgain: SearchAgain(); return true;
    case CommandFindPrevious: SearchAgainBackward(); return true;
    case CommandGoTo: GoToFromMenu(); return true;
    default: return false;
    }
}

bool SearchControl(const Event &event) {
    switch (event.control) {
    case SearchButton: SearchNext(); return true;
    case SearchPreviousButton: FindPrevious(); return true;
    case SearchCountButton: CountMatches(); return true;
    case ReplaceButton: ReplaceOne(); return true;
    case ReplaceAllButton: ReplaceAll(); return true;
    // Outside a run Cancel is hidden; a late press has nothing to stop.
    case SearchCancelButton: return true;
    case SearchMatchCaseCheck:
    case SearchUtf16Check:
    case SearchByteOrderList:
        // The marks follow the options at once.
        RefreshSearchMarks();
        return true;
    case SearchWrapCheck:
    case SearchInSelectionCheck: return true;
    default: break;
    }
    // Enter in the pattern field searches, as in every find field; the field
    // has no use of its own for the key. Everything else is the field's.
    if (event.control == PatternFieldGadget && event.type == CanvasKeyDown && event.input.key == KeyReturn &&
        event.input.modifiers == 0) {
        SearchNext();
        return true;
    }
    return false;
}

bool SearchClose(int window) {
    if (window != SearchWindowNumber) return false;
    CloseSearchWindow();
    return true;
}

}  // namespace

int64_t &LastMatch() {
    static int64_t last = -1;
    return last;
}

PiecewiseFind FindInPieces(Binary *store, const uint8_t *pattern, int64_t patternLength, int64_t start,
                           const std::function<bool()> &serve) {
    PiecewiseFind out;
    if (!store || !pattern || patternLength <= 0) return out;
    const SearchScan scan = FindForward(store, BytePattern(pattern, patternLength, true), start, store->Length,
                                        [&serve](int64_t) { return !serve || serve(); });
    switch (scan.status) {
    case SearchStatus::Done:
        if (scan.position >= 0) out.result = PiecewiseFind::Found;
        out.position = scan.position;
        break;
    case SearchStatus::Stopped: out.result = PiecewiseFind::Stopped; break;
    case SearchStatus::ReadFailed: out.result = PiecewiseFind::ReadFailed; break;
    }
    return out;
}

SearchOutcome SearchNext() { return RunFind(false); }
SearchOutcome FindPrevious() { return RunFind(true); }
SearchOutcome SearchAgain() { return AgainOrShow(false); }
SearchOutcome SearchAgainBackward() { return AgainOrShow(true); }

int64_t CountMatches() {
    std::optional<SearchQuery> query = BeginQuery();
    if (!query || query->pattern.empty() || !query->scoped) return -1;
    SearchScan scan;
    bool closed = false, quit = false;
    {
        SearchRun run(query->scopeTo - query->scopeFrom);
        scan = ScanForward(query->doc->Store, query->pattern, query->scopeFrom, query->scopeTo, {}, run.server());
        closed = run.closed();
        quit = run.quitRequested();
    }
    if (closed) CloseSearchWindow();
    int64_t count = -1;
    switch (scan.status) {
    case SearchStatus::Done:
        count = scan.count;
        SetSearchStatus(FillPlaceholder(GetText(query->options.inSelection ? "\\SearchAndReplace\\CountInSelection"
                                                                            : "\\SearchAndReplace\\CountInDocument"),
                                        "%COUNT", std::to_string(count)));
        break;
    case SearchStatus::Stopped: SetSearchStatus(GetText("\\SearchAndReplace\\Cancelled")); break;
    case SearchStatus::ReadFailed:
        SetSearchStatus("");
        ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), GetText("\\SearchAndReplace\\ReadFailed"));
        break;
    }
    if (quit) RequestQuit();
    return count;
}

std::string SearchStatusText() { return GetControlText(SearchStatusLabel); }

void ShowSearchWindow() {
    if (!IsWindow(SearchWindowNumber)) return;
    ShowWindow(SearchWindowNumber, true);
    ActivateWindow(SearchWindowNumber);
    FocusControl(PatternFieldGadget);
}

void CloseSearchWindow() {
    ShowWindow(SearchWindowNumber, false);
    ReleasePatterns();
}

void AddSearchMenuEntries() {
    const int menu = CurrentMenu();
    AddMenuEntry(CommandSearchAndReplace, "SearchAndReplace");
    AddMenuEntry(CommandSearchAgain, "SearchAgain");
    AddMenuEntry(CommandFindPrevious, "FindPrevious");
    AddMenuEntry(CommandGoTo, "GoTo");
    // None of these keys is one of the hex view's own (it leaves F-keys, Ctrl+F
    // and Ctrl+G alone), so they act from anywhere in the main window.
    const bool registered = menu == MainMenu;
    SetMenuItemShortcut(menu, CommandSearchAndReplace, "Ctrl+F", registered);
    SetMenuItemShortcut(menu, CommandSearchAgain, "F3", registered);
    SetMenuItemShortcut(menu, CommandFindPrevious, "Shift+F3", registered);
    SetMenuItemShortcut(menu, CommandGoTo, "Ctrl+G", registered);
}

const ToolModule SearchTool{
    .open = OpenSearchWindow,
    .menu = SearchMenu,
    .control = SearchControl,
    .close = SearchClose,
};

}  // namespace hx
