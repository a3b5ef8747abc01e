// What the search window's commands share: the query made of the pattern
// field and the options for the main view's document, the range "In
// selection only" keeps, the stored pattern behind the marks, the selected
// match and the status line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/toolwindows/SearchWindow.h"
#include "document/BytePattern.h"

namespace hx {

struct Document;
struct HexView;

HexView *SearchedView();     // the main hex view
Document *SearchedDocument();   // its current document, or nullptr

struct SearchQuery {
    Document *doc = nullptr;
    SearchOptions options;
    BytePattern pattern;       // empty when the field is
    // The range searched: the whole document, or with "In selection only" the
    // selection (kept while the selection is one of its matches, or the
    // cursor where a replace in it left it).
    // scoped is false when that option is on and there is nothing to keep.
    bool scoped = true;
    int64_t scopeFrom = 0;
    int64_t scopeTo = 0;
};

// Reads the pattern field and the options for the main view's document and
// stores the pattern for the marks (StorePattern). nullopt without a main
// document. An empty field clears the status line and redraws the view; no
// range to search in says so on the status line.
std::optional<SearchQuery> BeginQuery();

// The bytes of a field (the pattern's or the replacement's) as the options
// make them.
std::vector<uint8_t> FieldBytes(int gadget, const SearchOptions &options);

// The pattern becomes the document's SearchPattern, with the case rule for
// its marks, while the window is open (else the document keeps none).
void StorePattern(const SearchQuery &query);
// The marks of the main document follow the window's current field and
// options (a check box was changed); nothing is searched.
void RefreshSearchMarks();

// Moves the main view's cursor to the match at position, selects its k bytes
// and scrolls it into view; remembers it as the selected match.
void SelectMatch(const SearchQuery &query, int64_t position);
// The range "In selection only" keeps grows or shrinks by delta when a match
// in it was replaced, and stays kept while the cursor is where the replace
// left it.
void AdjustKeptScope(const Document &doc, int64_t delta);

void SetSearchStatus(const std::string &text);

}  // namespace hx
