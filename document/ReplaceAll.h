// Every match of a range replaced at once, as one undo step, on documents of
// any size.
//
// Planning reads the range once, through the store's walk, and gathers the
// new bytes of the part that changes (from the first match to the end of the
// last) in a ChunkWriter while it goes: the replacements and short stretches
// between matches are copied (into memory within the edits' budget, into the
// scratch file beyond it), long stretches between matches become references
// to the store's own bytes where those lie in the file or the scratch file,
// without a copy. Nothing in the document changes while planning, so a plan
// that is stopped half way is simply dropped. Applying puts the new chunks
// in place of that part as one undo step; the replaced part leaves the store
// as the chunks that held it (references again where its bytes are in a file)
// and waits in the history for undo.
#pragma once

#include <cstdint>
#include <vector>

#include "Binary.h"
#include "RangeSearch.h"

namespace hx {

struct Binary;
struct Document;

struct ReplaceAllPlan {
    SearchStatus status = SearchStatus::Done;   // Stopped also when the new bytes could not be kept
    // Why the new bytes could not be kept: BinaryNoMemory, BinaryNoSpace (the
    // scratch file is full) or BinaryReadFailed; BinaryOk otherwise.
    int failure = 0;
    int64_t count = 0;       // matches replaced
    int64_t from = 0;        // the first match
    int64_t oldLength = 0;   // from the first match to the end of the last
    ChunkList chunks;        // the new bytes of that part
};

// Plans the replacement of every match in [from, to), stepping forward
// without overlap, by the r bytes at replacement (r may be 0: the matches go).
// serve is told the bytes searched so far, out of about to - from (the
// last match is found from the end first, so the part behind it is not
// copied).
ReplaceAllPlan PlanReplaceAll(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                              const uint8_t *replacement, int64_t r, const SearchServe &serve);

// Applies a finished plan with matches to the document as one undo step;
// the cursor goes behind the last replacement. BinaryOk, or an error of the
// history with the document unchanged. The plan's chunks are consumed either
// way.
int ApplyReplaceAll(Document *doc, ReplaceAllPlan &&plan);

}  // namespace hx
