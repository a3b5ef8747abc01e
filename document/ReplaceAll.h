// Every match of a range replaced at once, as one undo step.
//
// Planning reads the range once, through the store's walk, and builds the new
// bytes of the part that changes (from the first match to the end of the
// last) piece by piece while it goes: nothing in the document changes, so a
// plan that is stopped half way is simply dropped. Applying hands the new
// pieces to the history as they are (no further copy); the replaced part
// leaves the store as the chunks that held it and waits in the history for
// undo.
#pragma once

#include <cstdint>
#include <vector>

#include "ByteBuffer.h"
#include "RangeSearch.h"

namespace hx {

struct Binary;
struct Document;

struct ReplaceAllPlan {
    SearchStatus status = SearchStatus::Done;   // Stopped also when memory ran out (noMemory)
    bool noMemory = false;
    int64_t count = 0;       // matches replaced
    int64_t from = 0;        // the first match
    int64_t oldLength = 0;   // from the first match to the end of the last
    std::vector<ByteBuffer> bytes;   // the new bytes of that part, in pieces of about the chunk length
};

// Plans the replacement of every match in [from, to), stepping forward
// without overlap, by the r bytes at replacement (r may be 0: the matches go).
// serve is told the bytes searched so far, out of about to - from (the
// last match is found from the end first, so the part behind it is not
// copied).
ReplaceAllPlan PlanReplaceAll(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                              const uint8_t *replacement, int64_t r, const SearchServe &serve);

// Applies a finished plan with matches to the document as one undo step.
// BinaryOk, or an error of the history with the document unchanged. The
// plan's pieces are consumed either way.
int ApplyReplaceAll(Document *doc, ReplaceAllPlan &&plan);

}  // namespace hx
