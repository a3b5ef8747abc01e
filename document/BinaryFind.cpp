// Searching the store for a byte pattern, chunk by chunk, with a window for
// matches that straddle chunk boundaries.
#include <algorithm>
#include <cstring>

#include "Binary.h"
#include "BinaryInternal.h"

namespace hx {

using namespace binary_detail;

int64_t FindBinary(Binary *store, const uint8_t *pattern, int64_t patternLength, int64_t start) {
    if (!store || !pattern || patternLength <= 0) return -1;
    start = std::clamp<int64_t>(start, 0, store->Length);
    const int64_t k = patternLength;
    if (k > store->Length - start) return -1;
    ChunkPosition at = FindChunk(store, start);
    const ChunkIter none = store->Chunks.end();
    if (at.chunk == none) return -1;

    // Candidates that straddle a boundary are searched in a window: the last
    // (at most k - 1) bytes of a chunk followed by up to k - 1 bytes gathered
    // from the chunks after it, however short those are.
    ByteBuffer window;
    ChunkIter c = at.chunk;
    int64_t i = at.offset;
    int64_t base = start - i;
    while (c != none) {
        const uint8_t *d = LoadChunk(store, c, SlotSearch);
        if (!d && c->Length > 0) return BinaryFindNoMemory;
        const int64_t len = c->Length;
        if (len - i >= k) {
            const void *hit = memmem(d + i, static_cast<size_t>(len - i), pattern,
                                     static_cast<size_t>(k));
            if (hit) return base + (static_cast<const uint8_t *>(hit) - d);
        }
        const ChunkIter next = std::next(c);
        if (next == none) {
            ReleaseChunk(store, c, SlotSearch);
            return -1;
        }
        const int64_t from = std::max(i, len - (k - 1));
        if (from < len && k > 1) {
            if (!window.valid()) {
                window = ByteBuffer::uninitialised(2 * (k - 1), 2 * (k - 1));
                if (!window.valid()) return BinaryFindNoMemory;
            }
            const int64_t head = len - from;
            std::memcpy(window.data(), d + from, static_cast<size_t>(head));
            int64_t filled = head;
            const int64_t want = head + (k - 1);
            for (ChunkIter j = next; j != none && filled < want; ++j) {
                const uint8_t *e = LoadChunk(store, j, SlotSearch);
                if (!e && j->Length > 0) return BinaryFindNoMemory;
                const int64_t take = std::min(j->Length, want - filled);
                if (take > 0) std::memcpy(window.data() + filled, e, static_cast<size_t>(take));
                filled += take;
                // Chunks beyond the next one were only needed for this window.
                if (j != next) ReleaseChunk(store, j, SlotSearch);
            }
            const void *hit = memmem(window.data(), static_cast<size_t>(filled), pattern,
                                     static_cast<size_t>(k));
            // A match starting past c's bytes lies in later chunks and is found there.
            if (hit && static_cast<const uint8_t *>(hit) - window.data() < head)
                return base + from + (static_cast<const uint8_t *>(hit) - window.data());
        }
        ReleaseChunk(store, c, SlotSearch);
        base += len;
        i = 0;
        c = next;
    }
    return -1;
}

int64_t FindBinary(Binary *store, const ByteBuffer &pattern, int64_t patternLength, int64_t start) {
    if (patternLength == -1) patternLength = pattern.size();
    return FindBinary(store, pattern.valid() ? pattern.data() : nullptr, patternLength, start);
}

}  // namespace hx
