// Handing whole chunks in and out of the store: buffers adopted as chunks,
// and a range exchanged for a list of chunks, the old range leaving as chunks.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "Binary.h"
#include "BinaryEdits.h"
#include "BinaryInternal.h"

namespace hx {

using namespace binary_detail;

// ---- handing whole buffers in and out --------------------------------------

namespace {

// A new chunk made of bytes in memory: it is the document's only copy of them.
void makeFresh(BinaryChunk &c) {
    c.FileOffset = -1;
    c.Modified = 1;
    c.Holders = 0;
}

// A chunk leaves the store as it is: its bytes stay where they are (the
// file, the scratch file or memory). A copy in memory of bytes that lie
// elsewhere is let go: the undo history would keep it for nothing.
void leaveStore(BinaryChunk &c) {
    c.Holders = 0;
    if (c.loaded() && c.backed() && !c.ReadFailed) c.Buffer.reset();
}

// A chunk enters the store: one that holds the only copy of its bytes, or
// zeros for bytes that could not be read, stays in memory (slot 31).
void enterStore(BinaryChunk &c) {
    c.Holders = c.loaded() && (!c.backed() || c.ReadFailed) ? slotBit(SlotEdit) : 0;
}

// A cut of a chunk at 0 < offset < length, prepared so that it cannot fail:
// a chunk in memory gets a buffer for its tail, one whose bytes lie in a file
// only a list node (the two halves refer to the two parts of the same run).
struct Cut {
    int64_t offset = 0;
    ChunkList spare;

    // May throw std::bad_alloc.
    bool prepare(ChunkIter c, int64_t at, int64_t tailLength) {
        offset = at;
        if (c->loaded()) return prepareSplit(spare, tailLength);
        spare.emplace_back();
        return true;
    }

    // Cuts and returns the tail; `c` (when the chunk is the tail of an
    // earlier cut) replaces the chunk named at preparation.
    ChunkIter apply(Binary *s, ChunkIter c) {
        if (c->loaded()) return applySplit(s, c, offset, spare);
        ChunkIter tail = spare.begin();
        tail->Length = c->Length - offset;
        tail->FileOffset = c->FileOffset < 0 ? -1 : c->FileOffset + offset;
        tail->Scratch = c->Scratch;
        tail->ScratchOffset = c->ScratchOffset + offset;
        tail->Modified = c->Modified;
        c->Length = offset;
        s->Chunks.splice(std::next(c), spare);
        return tail;
    }
};

// The chunk holding byte p (0 <= p < Length) and p's offset in it; none
// with offset 0 for p == Length.
ChunkPosition chunkHolding(Binary *s, int64_t p) {
    int64_t start = 0;
    for (ChunkIter c = s->Chunks.begin(); c != s->Chunks.end(); ++c) {
        if (p < start + c->Length) return {c, p - start};
        start += c->Length;
    }
    return {s->Chunks.end(), 0};
}

// Moves a chunk of the store to the end of out.
void takeOut(Binary *s, ChunkIter c, ChunkList &out) {
    if (s->BlockChunk == c) s->BlockChunk = s->Chunks.end();
    if (s->Current == c) s->Current = s->Chunks.end();
    s->Length -= c->Length;
    leaveStore(*c);
    out.splice(out.end(), s->Chunks, c);
}

}  // namespace

int AdoptBuffers(const Binary *store, std::vector<ByteBuffer> &buffers, ChunkList &out) {
    if (!store) return BinaryOk;
    const int64_t L = store->ChunkLength;
    const int64_t upper = upperBound(store);
    // First every node and every copied piece, while the buffers stay the
    // caller's; then, with nothing left that can fail, the buffers move in.
    ChunkList made;
    try {
        for (const ByteBuffer &b : buffers) {
            if (!b.valid() || b.size() == 0) continue;
            int64_t rest = b.size();
            int64_t at = rest > upper ? L : rest;
            made.emplace_back().Length = at;   // the buffer itself, cut to its first piece
            rest -= at;
            while (rest > 0) {
                const int64_t piece = rest > upper ? L : rest;
                BinaryChunk &c = made.emplace_back();
                c.Buffer = ByteBuffer::copyOf(b.data() + at, piece);
                if (!c.Buffer) return BinaryNoMemory;
                c.Length = piece;
                makeFresh(c);
                at += piece;
                rest -= piece;
            }
        }
    } catch (const std::bad_alloc &) {
        return BinaryNoMemory;
    }
    ChunkIter node = made.begin();
    for (ByteBuffer &b : buffers) {
        if (!b.valid() || b.size() == 0) continue;
        const int64_t total = b.size();
        const int64_t first = node->Length;
        node->Buffer = std::move(b);
        // Shrinking never fails; it also gives back room the block had beyond
        // its bytes, which the history would otherwise keep without counting it.
        node->Buffer.resize(first);
        makeFresh(*node);
        for (int64_t covered = first; covered < total; covered += node->Length) ++node;
        ++node;
    }
    buffers.clear();
    out.splice(out.end(), made);
    return BinaryOk;
}

int ExchangeBinaryRange(Binary *store, int64_t position, int64_t oldLength, ChunkList &incoming,
                        ChunkList *outgoing) {
    if (!store) return BinaryOk;
    int64_t added = 0;
    for (const BinaryChunk &c : incoming) {
        // No upper bound is checked: chunks put back by an undo were the
        // store's own, and refusing them would make the undo impossible.
        const bool inMemory = c.loaded() && c.Buffer.size() == c.Length;
        if (c.Length < 1 || (!inMemory && (c.loaded() || !c.backed()))) return BinaryBadLength;
        if (c.Length > INT64_MAX - added) return BinaryNoMemory;
        added += c.Length;
    }
    oldLength = std::max<int64_t>(oldLength, 0);
    clampRange(store, position, oldLength);
    if (added > INT64_MAX - (store->Length - oldLength)) return BinaryNoMemory;
    if (oldLength == 0 && incoming.empty()) {
        if (outgoing) outgoing->clear();
        return BinaryOk;
    }

    // The range is cut out of the chunks at its two ends, so that it is made
    // of whole chunks, which then leave the store as they are. Everything a
    // cut needs is had before the first change.
    const ChunkIter none = store->Chunks.end();
    const ChunkPosition from = chunkHolding(store, position);
    const ChunkPosition to = chunkHolding(store, position + oldLength);
    Cut first, second;
    const bool cutFirst = from.chunk != none && from.offset > 0;
    const bool cutSecond = oldLength > 0 && to.chunk != none && to.offset > 0;
    const bool sameChunk = cutFirst && cutSecond && from.chunk == to.chunk;
    try {
        // A chunk that is loaded is cut in memory; one that is not stays unloaded.
        bool ok = true;
        if (cutFirst)
            ok = first.prepare(from.chunk, from.offset, from.chunk->Length - from.offset);
        if (ok && cutSecond)
            ok = second.prepare(to.chunk, sameChunk ? to.offset - from.offset : to.offset,
                                to.chunk->Length - to.offset);
        if (!ok) return BinaryNoMemory;
    } catch (const std::bad_alloc &) {
        return BinaryNoMemory;
    }

    // From here on nothing can fail.
    ChunkIter begin = cutFirst ? first.apply(store, from.chunk) : from.chunk;
    ChunkIter end = cutSecond ? second.apply(store, sameChunk ? begin : to.chunk) : to.chunk;
    if (oldLength == 0) end = begin;
    const ChunkIter after = begin == store->Chunks.begin() ? none : std::prev(begin);
    ChunkList out;
    for (ChunkIter c = begin; c != end;) {
        const ChunkIter next = std::next(c);
        if (outgoing) takeOut(store, c, out);
        else DeleteChunk(store, c);
        c = next;
    }
    for (BinaryChunk &x : incoming) enterStore(x);
    store->Current = after;
    spliceAfterCurrent(store, incoming);
    NormalizeChunks(store);
    interruptWalk(store);
    NotifyBinaryEdit(store, position, oldLength, added);
    if (outgoing) *outgoing = std::move(out);
    return BinaryOk;
}

int ReplaceBinaryBuffers(Binary *store, int64_t position, int64_t oldLength,
                         std::vector<ByteBuffer> &&buffers, ChunkList *removed) {
    std::vector<ByteBuffer> taken = std::move(buffers);   // consumed whatever the result
    if (!store) return BinaryOk;
    ChunkList incoming;
    const int r = AdoptBuffers(store, taken, incoming);
    if (r != BinaryOk) return r;
    return ExchangeBinaryRange(store, position, oldLength, incoming, removed);
}

}  // namespace hx
