// The search window (window 4) and its module in the loop: the Search button,
// search again (F3), the Go to command, and the close box that takes the
// match marks away again.
#include "app/toolwindows/SearchWindow.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "app/shell/GoTo.h"
#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/ToolRun.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/InputDialog.h"
#include "platform/Menu.h"
#include "platform/Platform.h"

namespace hx {

namespace {

using Clock = std::chrono::steady_clock;

// Between two services of the window's events at most this much time passes
// while pieces are searched (besides at most ToolSliceLength bytes).
constexpr auto ServeInterval = std::chrono::milliseconds(30);

// Finds a pattern in bytes that arrive piece after piece. Besides each piece
// it keeps the last (pattern length - 1) bytes before it, so that an
// occurrence that starts in earlier pieces and ends in this one is found too,
// however short the pieces are.
class StreamMatcher {
public:
    StreamMatcher(const uint8_t *pattern, int64_t length, int64_t position)
        : pattern_(pattern), length_(length), position_(position) {}

    // Offset of the first occurrence that ends within this piece (and was not
    // found before), or -1. Pieces must follow each other without gaps.
    int64_t feed(const uint8_t *bytes, int64_t n) {
        const size_t k = static_cast<size_t>(length_);
        if (!tail_.empty()) {
            // An occurrence starting in the tail needs at most k - 1 bytes of this piece.
            const size_t take = static_cast<size_t>(std::min<int64_t>(n, length_ - 1));
            window_.assign(tail_.begin(), tail_.end());
            window_.insert(window_.end(), bytes, bytes + take);
            if (const void *hit = memmem(window_.data(), window_.size(), pattern_, k)) {
                const auto at = static_cast<const uint8_t *>(hit) - window_.data();
                // Completeness is monotonic: a later start that is complete
                // implies every earlier start was complete and tried first.
                if (static_cast<size_t>(at) < tail_.size())
                    return position_ - static_cast<int64_t>(tail_.size()) + at;
            }
        }
        if (n >= length_) {
            if (const void *hit = memmem(bytes, static_cast<size_t>(n), pattern_, k))
                return position_ + (static_cast<const uint8_t *>(hit) - bytes);
        }
        keepTail(bytes, n);
        position_ += n;
        return -1;
    }

private:
    void keepTail(const uint8_t *bytes, int64_t n) {
        const int64_t keep = length_ - 1;
        if (keep <= 0) return;
        if (n >= keep) {
            tail_.assign(bytes + (n - keep), bytes + n);
            return;
        }
        tail_.insert(tail_.end(), bytes, bytes + n);
        if (static_cast<int64_t>(tail_.size()) > keep)
            tail_.erase(tail_.begin(), tail_.end() - keep);
    }

    const uint8_t *pattern_;
    int64_t length_;
    int64_t position_;           // of the next byte fed
    std::vector<uint8_t> tail_;  // the bytes just before position_, at most length - 1
    std::vector<uint8_t> window_;
};

// Hands the walk's current chunk back to the store when a search ends early.
void LeaveWalk(Binary *store) {
    if (store->WalkState != WalkInPiece) return;
    store->Delivered = store->RangeLength;
    NextBinaryBlock(store);
}

HexView *MainView() { return HexViewByGadget(MainViewGadget); }

Document *MainDocument() {
    HexView *view = MainView();
    return view ? view->CurrentDocument : nullptr;
}

// The state of one search while it runs: when it began, whether the busy
// state (Cancel shown, other windows disabled) has begun, and what the
// window's events asked for.
class RunningSearch {
public:
    RunningSearch() : began_(Clock::now()) {}
    ~RunningSearch() {
        if (!busy_) return;
        busy_.reset();
        ShowControl(SearchCancelButton, false);
        ShowControl(SearchButton, true);
    }
    RunningSearch(const RunningSearch &) = delete;
    RunningSearch &operator=(const RunningSearch &) = delete;

    // Serves what is pending; false when the search is to stop. Every event
    // other than Cancel, the close box and a request to end is dropped, as
    // during every tool run: nothing may change the document under the search.
    bool serve() {
        if (!busy_ && Clock::now() - began_ >= std::chrono::milliseconds(SearchCancelDelayMs)) {
            // The Cancel button must be reachable: a search begun by F3 with
            // the window hidden shows it.
            if (!IsWindowVisible(SearchWindowNumber)) ShowWindow(SearchWindowNumber, true);
            busy_.emplace(SearchWindowNumber);
            ShowControl(SearchButton, false);
            ShowControl(SearchCancelButton, true);
        }
        bool go = true;
        while (std::optional<Event> event = PollEvent()) {
            if (event->kind == EventCloseWindow && event->window == SearchWindowNumber) {
                closed_ = true;
                go = false;
            } else if (event->kind == EventCloseWindow && event->window == MainWindowNumber && event->data == 1) {
                quit_ = true;
                go = false;
            } else if (event->kind == EventControl && event->control == SearchCancelButton) {
                go = false;
            }
        }
        return go;
    }

    bool closed() const { return closed_; }
    bool quitRequested() const { return quit_; }

private:
    Clock::time_point began_;
    std::optional<ToolBusy> busy_;
    bool closed_ = false;
    bool quit_ = false;
};

// The pattern is kept (and marked) only while the window is open.
void StorePattern(Document &doc, const ByteBuffer &pattern) {
    doc.SearchPattern.reset();
    if (pattern && pattern.size() > 0 && IsWindowVisible(SearchWindowNumber))
        doc.SearchPattern = ByteBuffer::copyOf(pattern.data(), pattern.size());
}

void ReleasePatterns() {
    HexView *view = MainView();
    if (!view) return;
    for (auto &doc : view->Documents) {
        doc->SearchPattern.reset();
        for (Pane &pane : doc->Panes) pane.MatchMask.reset();
    }
    RedrawHexView(view);
}

SearchOutcome RunSearch() {
    Document *doc = MainDocument();
    if (!doc || !doc->Store) return SearchOutcome::NotFound;
    const ByteBuffer pattern = HexViewDocumentBytes(PatternFieldGadget);
    StorePattern(*doc, pattern);
    if (!pattern || pattern.size() <= 0) {
        RedrawHexView(MainView());
        return SearchOutcome::NoPattern;
    }
    const int64_t k = pattern.size();
    const int64_t s = SelectionStart(*doc);
    const int64_t start = s == LastMatch() ? LastMatch() + k : s;

    PiecewiseFind found;
    bool closed = false, quit = false;
    {
        RunningSearch search;
        found = FindInPieces(doc->Store, pattern.data(), k, start, [&search] { return search.serve(); });
        closed = search.closed();
        quit = search.quitRequested();
    }
    SearchOutcome outcome = SearchOutcome::Cancelled;
    switch (found.result) {
    case PiecewiseFind::Found:
        LastMatch() = found.position;
        outcome = SearchOutcome::Found;
        break;
    case PiecewiseFind::NotFound:
        LastMatch() = -1;
        outcome = SearchOutcome::NotFound;
        break;
    case PiecewiseFind::Stopped:
        break;
    case PiecewiseFind::ReadFailed:
        outcome = SearchOutcome::ReadFailed;
        break;
    }
    // The document cannot have gone: every event but Cancel and the close
    // box was dropped while the search ran.
    if (closed) {
        CloseSearchWindow();
    } else {
        StorePattern(*doc, pattern);
    }
    if (outcome == SearchOutcome::Found) {
        HexViewCommand(MainViewGadget, HexGoTo, nullptr, found.position);
    } else {
        RedrawHexView(MainView());
    }
    if (outcome == SearchOutcome::ReadFailed)
        ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), GetText("\\SearchAndReplace\\ReadFailed"));
    if (quit) RequestQuit();
    return outcome;
}

void OpenSearchWindow() {
    SetTextGroup("SearchAndReplace");
    OpenWindow(SearchWindowNumber, 0, 0, 600, 180, GetText("\\Window\\SearchAndReplace"),
               WindowTool | WindowHidden | WindowCentered, 0);
    CreateGroup(SearchGroupControl, SearchWindowNumber, 5, 5, 590, 130, GetText("SearchFor"));
    // The field lies inside the group at (10, 20).
    CreateHexView(PatternFieldGadget, SearchWindowNumber, 5 + 10, 5 + 20, 570, 100, 0);
    CreateButton(SearchCancelButton, SearchWindowNumber, 490, 145, 100, 25, GetText("Cancel"));
    ShowControl(SearchCancelButton, false);
    CreateButton(SearchButton, SearchWindowNumber, 490, 145, 100, 25, GetText("Search"));
}

bool SearchMenu(int id) {
    switch (id) {
    case CommandSearchAndReplace: ShowSearchWindow(); return true;
    case CommandSearchAgain: SearchAgain(); return true;
    case CommandGoTo: GoToFromMenu(); return true;
    default: return false;
    }
}

bool SearchControl(const Event &event) {
    if (event.control == SearchButton) {
        SearchNext();
        return true;
    }
    // Outside a search Cancel is hidden; a late press has nothing to stop.
    if (event.control == SearchCancelButton) return true;
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
    start = std::clamp<int64_t>(start, 0, store->Length);
    if (patternLength > store->Length - start) return out;
    StreamMatcher matcher(pattern, patternLength, start);
    ExamineBinary(store, start, store->Length - start);
    int64_t unserved = 0;
    Clock::time_point served = Clock::now();
    while (NextBinaryBlock(store)) {
        // A chunk that could not be read holds zeros in place of its bytes:
        // no answer over it would be true.
        if (store->BlockChunk != store->Chunks.end() && store->BlockChunk->ReadFailed) {
            LeaveWalk(store);
            out.result = PiecewiseFind::ReadFailed;
            return out;
        }
        const uint8_t *bytes = BinaryBlockBuffer(store);
        const int64_t length = BinaryBlockLength(store);
        for (int64_t done = 0; done < length;) {
            const int64_t n = std::min(ToolSliceLength, length - done);
            const int64_t hit = matcher.feed(bytes + done, n);
            if (hit >= 0) {
                LeaveWalk(store);
                out.result = PiecewiseFind::Found;
                out.position = hit;
                return out;
            }
            done += n;
            unserved += n;
            if (unserved < ToolSliceLength && Clock::now() - served < ServeInterval) continue;
            unserved = 0;
            served = Clock::now();
            if (serve && !serve()) {
                LeaveWalk(store);
                out.result = PiecewiseFind::Stopped;
                return out;
            }
        }
    }
    if (BinaryWalkFailed(store)) out.result = PiecewiseFind::ReadFailed;
    return out;
}

SearchOutcome SearchNext() { return RunSearch(); }

SearchOutcome SearchAgain() {
    if (HexViewDocumentBytes(PatternFieldGadget).size() <= 0) {
        ShowSearchWindow();
        return SearchOutcome::NoPattern;
    }
    return RunSearch();
}

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
    AddMenuEntry(CommandGoTo, "GoTo");
    // None of these keys is one of the hex view's own (it leaves F-keys, Ctrl+F
    // and Ctrl+G alone), so they act from anywhere in the main window.
    const bool registered = menu == MainMenu;
    SetMenuItemShortcut(menu, CommandSearchAndReplace, "Ctrl+F", registered);
    SetMenuItemShortcut(menu, CommandSearchAgain, "F3", registered);
    SetMenuItemShortcut(menu, CommandGoTo, "Ctrl+G", registered);
}

const ToolModule SearchTool{
    .open = OpenSearchWindow,
    .menu = SearchMenu,
    .control = SearchControl,
    .close = SearchClose,
};

}  // namespace hx
