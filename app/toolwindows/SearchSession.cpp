#include "app/toolwindows/SearchSession.h"

#include <algorithm>

#include "app/settings/Language.h"
#include "app/shell/Globals.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "hexview/HexViewCommands.h"
#include "platform/Controls.h"
#include "platform/Platform.h"

namespace hx {

namespace {

// The range "In selection only" searches once the selection has become one
// of its matches, or the cursor where a replace left it.
struct KeptScope {
    const Document *doc = nullptr;
    int64_t from = 0, to = 0;
    int64_t matchAt = -1, matchLength = 0;   // the match selected last
    int64_t cursorAt = -1;                   // the cursor a replace left
};

KeptScope &Kept() {
    static KeptScope kept;
    return kept;
}

// The range to search: the whole document; or with "In selection only" the
// selection, which is kept while the selection is the match found last in it
// or the cursor stands where the last replace left it (so that stepping,
// replacing and counting stay inside it). False when that option is on and
// there is no range to keep.
bool FindScope(SearchQuery &query) {
    const Document &doc = *query.doc;
    const int64_t size = doc.Store->Length;
    KeptScope &kept = Kept();
    query.scopeFrom = 0;
    query.scopeTo = size;
    if (!query.options.inSelection) {
        kept = {};
        return true;
    }
    const int64_t start = SelectionStart(doc);
    const int64_t length = SelectionSize(doc);
    const bool onMatch = length > 0 && start == kept.matchAt && length == kept.matchLength;
    const bool afterReplace = length == 0 && doc.Cursor == kept.cursorAt;
    if (kept.doc == &doc && (onMatch || afterReplace)) {
        query.scopeFrom = std::min(kept.from, size);
        query.scopeTo = std::clamp(kept.to, query.scopeFrom, size);
        return true;
    }
    if (length == 0) return false;
    kept = {&doc, start, start + length, -1, 0, -1};
    query.scopeFrom = start;
    query.scopeTo = start + length;
    return true;
}

// The pattern field and the options, for doc; the range is left to FindScope.
SearchQuery QueryFromWindow(Document *doc) {
    SearchQuery query;
    query.doc = doc;
    query.options = CurrentSearchOptions();
    const std::vector<uint8_t> bytes = FieldBytes(PatternFieldGadget, query.options);
    query.pattern = BytePattern(bytes.data(), static_cast<int64_t>(bytes.size()), query.options.matchCase);
    return query;
}

}  // namespace

HexView *SearchedView() { return HexViewByGadget(MainViewGadget); }

Document *SearchedDocument() {
    HexView *view = SearchedView();
    return view ? view->CurrentDocument : nullptr;
}

SearchOptions CurrentSearchOptions() {
    SearchOptions options;
    if (!IsWindow(SearchWindowNumber)) return options;
    options.matchCase = GetControlState(SearchMatchCaseCheck) == 1;
    options.wrap = GetControlState(SearchWrapCheck) == 1;
    options.inSelection = GetControlState(SearchInSelectionCheck) == 1;
    if (GetControlState(SearchUtf16Check) == 1)
        options.text = GetControlState(SearchByteOrderList) == 1 ? SearchText::Utf16BE : SearchText::Utf16LE;
    return options;
}

std::vector<uint8_t> FieldBytes(int gadget, const SearchOptions &options) {
    const ByteBuffer bytes = HexViewDocumentBytes(gadget);
    if (!bytes || bytes.size() <= 0) return {};
    return SearchBytes(bytes.data(), bytes.size(), options.text);
}

std::optional<SearchQuery> BeginQuery() {
    Document *doc = SearchedDocument();
    if (!doc || !doc->Store) return std::nullopt;
    SearchQuery query = QueryFromWindow(doc);
    StorePattern(query);
    if (query.pattern.empty()) {
        SetSearchStatus("");
        RedrawHexView(SearchedView());
        return query;
    }
    query.scoped = FindScope(query);
    if (!query.scoped) {
        SetSearchStatus(GetText("\\SearchAndReplace\\NoSelection"));
        RedrawHexView(SearchedView());
    }
    return query;
}

void StorePattern(const SearchQuery &query) {
    Document &doc = *query.doc;
    doc.SearchPattern.reset();
    doc.SearchIgnoreCase = query.options.matchCase ? 0 : 1;
    if (!query.pattern.empty() && IsWindowVisible(SearchWindowNumber))
        doc.SearchPattern = ByteBuffer::copyOf(query.pattern.data(), query.pattern.length());
}

void RefreshSearchMarks() {
    Document *doc = SearchedDocument();
    // Marks come from a search; before the first there are none to follow.
    if (!doc || !doc->SearchPattern) return;
    StorePattern(QueryFromWindow(doc));
    RedrawHexView(SearchedView());
}

void SelectMatch(const SearchQuery &query, int64_t position) {
    HexView *view = SearchedView();
    Document &doc = *query.doc;
    const int64_t k = query.pattern.length();
    RunHexViewCommand(*view, HexGoTo, nullptr, position, false);
    // In overwrite mode both ends of a selection are selected bytes.
    doc.SelectionLength = doc.EditMode == 0 ? k : k - 1;
    KeptScope &kept = Kept();
    if (kept.doc == &doc) {
        kept.matchAt = position;
        kept.matchLength = k;
    }
    RedrawHexView(view);
}

void AdjustKeptScope(const Document &doc, int64_t delta) {
    KeptScope &kept = Kept();
    if (kept.doc != &doc) return;
    kept.to += delta;
    kept.matchAt = -1;
    kept.cursorAt = doc.Cursor;
}

void SetSearchStatus(const std::string &text) { SetControlText(SearchStatusLabel, text); }

}  // namespace hx
