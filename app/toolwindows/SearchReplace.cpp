// Replace and Replace all of the search window.
#include <optional>
#include <string>
#include <vector>

#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/toolwindows/SearchRun.h"
#include "app/toolwindows/SearchSession.h"
#include "app/toolwindows/SearchWindow.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/EditProgress.h"
#include "document/History.h"
#include "document/ReplaceAll.h"
#include "hexview/HexView.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace hx {

namespace {

// Whether the selection is exactly a match that lies in the range searched.
bool SelectionIsMatch(const SearchQuery &query) {
    const Document &doc = *query.doc;
    const int64_t k = query.pattern.length();
    const int64_t start = SelectionStart(doc);
    if (SelectionSize(doc) != k || start < query.scopeFrom || start + k > query.scopeTo) return false;
    const ByteBuffer bytes = ReadBinary(doc.Store, start, k, SlotTransient);
    return bytes && bytes.size() == k && query.pattern.matchesAt(bytes.data());
}


}  // namespace

SearchOutcome ReplaceOne() {
    std::optional<SearchQuery> query = BeginQuery();
    if (!query) return SearchOutcome::NotFound;
    if (query->pattern.empty()) return SearchOutcome::NoPattern;
    if (!query->scoped) return SearchOutcome::NoScope;
    if (SelectionIsMatch(*query)) {
        const std::vector<uint8_t> replacement = FieldBytes(ReplaceFieldGadget, query->options);
        const int64_t k = query->pattern.length();
        const int64_t r = static_cast<int64_t>(replacement.size());
        // An edit that cannot be made (memory, scratch space, unreadable
        // bytes) changes nothing and says why.
        if (TellEditResult(ReplaceBytes(query->doc, SelectionStart(*query->doc), k, replacement.data(), r)) != 0)
            return SearchOutcome::Cancelled;
        AdjustKeptScope(*query->doc, r - k);
        // The cursor stands behind the replacement; the search goes on from
        // there even when the replacement is empty.
        LastMatch() = -1;
    }
    return SearchNext();
}

int64_t ReplaceAll() {
    std::optional<SearchQuery> query = BeginQuery();
    if (!query || query->pattern.empty() || !query->scoped) return -1;
    const std::vector<uint8_t> replacement = FieldBytes(ReplaceFieldGadget, query->options);
    ReplaceAllPlan plan;
    bool closed = false, quit = false;
    {
        SearchRun run(query->scopeTo - query->scopeFrom);
        plan = PlanReplaceAll(query->doc->Store, query->pattern, query->scopeFrom, query->scopeTo,
                              replacement.data(), static_cast<int64_t>(replacement.size()), run.server());
        closed = run.closed();
        quit = run.quitRequested();
    }
    if (closed) CloseSearchWindow();
    int64_t replaced = -1;
    if (plan.failure != BinaryOk) {
        SetSearchStatus(GetText("\\SearchAndReplace\\ReplaceCancelled"));
        TellEditResult(plan.failure);
    } else if (plan.status == SearchStatus::Stopped) {
        SetSearchStatus(GetText("\\SearchAndReplace\\ReplaceCancelled"));
    } else if (plan.status == SearchStatus::ReadFailed) {
        SetSearchStatus("");
        ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), GetText("\\SearchAndReplace\\ReadFailed"));
    } else if (plan.count == 0) {
        replaced = 0;
        SetSearchStatus(GetText("\\SearchAndReplace\\NoMatch"));
    } else {
        const int64_t count = plan.count;
        const int64_t delta = count * (static_cast<int64_t>(replacement.size()) - query->pattern.length());
        const int applied = ApplyReplaceAll(query->doc, std::move(plan));
        if (applied == BinaryOk) {
            replaced = count;
            AdjustKeptScope(*query->doc, delta);
            LastMatch() = -1;
            SetSearchStatus(FillPlaceholder(GetText("\\SearchAndReplace\\Replaced"), "%COUNT", std::to_string(count)));
        } else {
            SetSearchStatus(GetText("\\SearchAndReplace\\ReplaceCancelled"));
            TellEditResult(applied);
        }
    }
    RedrawHexView(SearchedView());
    if (quit) RequestQuit();
    return replaced;
}

}  // namespace hx
