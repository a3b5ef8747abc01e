// What the store's source files share: the thresholds, loading a chunk's
// bytes, and the planned edits of the chunk list (prepared first, applied
// without failing). Only the store's own files include this.
#pragma once

#include <array>
#include <cstdint>

#include "Binary.h"

namespace hx::binary_detail {

// Chunk lengths beyond this would let 2L overflow in the threshold arithmetic;
// no machine holds a chunk that long anyway.
constexpr int64_t kMaxChunkLength = int64_t(1) << 60;

inline uint32_t slotBit(int slot) { return (slot >= 0 && slot <= 31) ? (uint32_t(1) << slot) : 0; }

// 2L: the longest chunk an edit may make.
inline int64_t upperBound(const Binary *s) { return 2 * s->ChunkLength; }
// A chunk is small when shorter than L/2 taken to the nearest integer (halves round up).
inline int64_t smallBound(const Binary *s) { return (s->ChunkLength + 1) / 2; }

// Reads n bytes of the store's file at offset into dest. Whatever cannot be
// read is left zero; returns false when not all n bytes came. A read that
// reports an error mid-way may have left partial bytes, so it zeroes all.
bool readFileBytes(Binary *s, int64_t offset, uint8_t *dest, int64_t n);
// Reads n bytes of a backed chunk from offset, from the scratch file or the
// store's file, as they are; false (dest unspecified) when not all came.
bool readBackedBytes(Binary *s, const BinaryChunk &c, int64_t offset, uint8_t *dest, int64_t n);
// The same for any chunk that is not loaded, leaving zeros where the read failed.
bool readChunkBytes(Binary *s, const BinaryChunk &c, int64_t offset, uint8_t *dest, int64_t n);

// The chunk's buffer now holds bytes of an edit: it stays in memory (slot 31)
// and no longer matches the file or the scratch file.
void markChanged(BinaryChunk &c);

// Gives the chunk a buffer holding its bytes, with room for `capacity` bytes,
// without touching its holders (except that a failed read holds it with slot
// 31, see LoadChunk). False when memory is short; the chunk is then unchanged.
bool ensureLoaded(Binary *s, BinaryChunk &c, int64_t capacity);

// A successful edit ends a walk that is going on: its piece may have moved or
// vanished (a chunk that was deleted or merged away already cleared BlockChunk).
// A failed edit changed nothing and leaves the walk alone.
void interruptWalk(Binary *s);

// What an edit needs before it changes anything: chunk buffers loaded with
// room to grow, new chunks built. When something cannot be had, rollback()
// returns the touched chunks to how they were, so the edit can report
// BinaryNoMemory with the store unchanged.
class EditPrep {
public:
    explicit EditPrep(Binary *s) : s_(s) {}

    bool load(ChunkIter c, int64_t capacity) {
        touched_[count_++] = {c, c->loaded()};
        return ensureLoaded(s_, *c, capacity);
    }

    void rollback() {
        while (count_ > 0) {
            Touched &t = touched_[--count_];
            // A chunk whose read failed stays loaded so that the failure is remembered.
            if (!t.wasLoaded && !t.chunk->ReadFailed) t.chunk->Buffer.reset();
            else t.chunk->Buffer.shrinkToFit();
        }
    }

private:
    struct Touched {
        ChunkIter chunk;
        bool wasLoaded = false;
    };
    Binary *s_;
    std::array<Touched, 4> touched_{};
    int count_ = 0;
};
// The new chunks for n inserted bytes: L-byte chunks while more than 2L remain,
// then one chunk with the rest (more than L and at most 2L, or all of it).
bool buildNewChunks(const Binary *s, ChunkList &out, const uint8_t *source, int64_t n);

// Puts the prepared chunks after the current element (at the front when there
// is none); the last of them becomes current.
void spliceAfterCurrent(Binary *s, ChunkList &fresh);

// The in-chunk edits below need the chunk loaded with enough room; they cannot fail.

void insertLoaded(Binary *s, ChunkIter c, int64_t offset, const uint8_t *source, int64_t n);
// Removes n bytes at offset, leaving at least one byte in the chunk.
void removeLoaded(Binary *s, ChunkIter c, int64_t offset, int64_t n);
// offset and oldN already clamped to the chunk.
void replaceLoaded(Binary *s, ChunkIter c, int64_t offset, int64_t oldN, const uint8_t *source,
                   int64_t newN);

// A one-element list holding the tail chunk's buffer, prepared for applySplit.
bool prepareSplit(ChunkList &spare, int64_t tailLength);
// Cuts the loaded chunk at 0 < offset < length using the prepared tail.
ChunkIter applySplit(Binary *s, ChunkIter c, int64_t offset, ChunkList &spare);

// A removal of n bytes starting at offset o of chunk `first` and running on
// through the chunks after it: what goes from the first chunk, which chunks go
// whole (they are never loaded) and how much goes from the head of the last.
struct RemovalPlan {
    ChunkIter first;
    int64_t offset = 0;
    int64_t inFirst = 0;
    bool firstWhole = false;
    ChunkIter wholeEnd;     // chunks after first, up to here, go whole
    ChunkIter last;
    int64_t inLast = 0;     // 0 < inLast < last's length when last is cut
};
RemovalPlan planRemoval(Binary *s, ChunkIter first, int64_t o, int64_t n);
bool prepareRemoval(EditPrep &prep, const RemovalPlan &plan);
void applyRemoval(Binary *s, const RemovalPlan &plan);

// The clamping of a range to the store: (a) a negative position shortens the
// length by as much and becomes 0, (b) a position past the end becomes the end
// with length 0, (c) the length is cut at the end. Lengths are >= 0 on entry;
// the arithmetic cannot overflow because p + n is never formed.
void clampRange(const Binary *s, int64_t &p, int64_t &n);

}  // namespace hx::binary_detail
