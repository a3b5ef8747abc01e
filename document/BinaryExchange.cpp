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

// A chunk outside the store holds its bytes in memory and owes nothing to the
// file: the file may be rewritten (in place) or replaced (under a new name)
// before the chunk comes back.
void detach(BinaryChunk &c) {
    c.FileOffset = -1;
    c.Modified = 1;
    c.Holders = 0;
}

// The chunks an exchange had to load, so that they can be let go again when
// it cannot be made after all.
class Loads {
public:
    explicit Loads(Binary *s) : s_(s) {}

    // May throw std::bad_alloc (the list of loaded chunks grows).
    bool load(ChunkIter c) {
        if (c->loaded()) return true;
        loaded_.push_back(c);
        return ensureLoaded(s_, *c, c->Length);
    }

    void rollback() {
        // A chunk whose read failed stays loaded, so that the failure is remembered.
        for (ChunkIter c : loaded_)
            if (!c->ReadFailed) c->Buffer.reset();
        loaded_.clear();
    }

private:
    Binary *s_;
    std::vector<ChunkIter> loaded_;
};

// A chunk with room for n bytes that will be cut out of a chunk of the store.
// May throw std::bad_alloc.
bool preparePiece(ChunkList &pieces, int64_t n) {
    BinaryChunk &p = pieces.emplace_back();
    p.Buffer = ByteBuffer::uninitialised(n, n);
    if (!p.Buffer) return false;
    p.Length = n;
    detach(p);
    return true;
}

// Moves a chunk of the store to the end of out.
void takeOut(Binary *s, ChunkIter c, ChunkList &out) {
    if (s->BlockChunk == c) s->BlockChunk = s->Chunks.end();
    if (s->Current == c) s->Current = s->Chunks.end();
    s->Length -= c->Length;
    detach(*c);
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
                detach(c);
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
        detach(*node);
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
        if (c.Length < 1 || !c.loaded() || c.Buffer.size() != c.Length) return BinaryBadLength;
        added += c.Length;   // every chunk is in memory: the sum fits
    }
    oldLength = std::max<int64_t>(oldLength, 0);
    clampRange(store, position, oldLength);
    if (added > INT64_MAX - (store->Length - oldLength)) return BinaryNoMemory;
    const bool keep = outgoing != nullptr;
    if (oldLength == 0 && incoming.empty()) {
        if (keep) outgoing->clear();
        return BinaryOk;
    }

    const ChunkIter none = store->Chunks.end();
    const ChunkPosition at = FindChunk(store, position);
    ChunkIter c = at.chunk;
    int64_t o = at.offset;
    // A range that starts on a boundary starts in the chunk after it.
    while (oldLength > 0 && c != none && o == c->Length) {
        ++c;
        o = 0;
    }
    if (oldLength > 0 && c == none) return BinaryOk;   // cannot happen: the range is clamped

    // Everything that needs memory is had before the first change.
    Loads loads(store);
    ChunkList pieces, spare, out;
    RemovalPlan plan;
    bool split = false;   // the chunk at the position is cut in two around the new bytes
    int64_t splitAt = 0;
    try {
        bool ok = true;
        if (oldLength == 0) {
            split = c != none && o > 0 && o < c->Length;
            splitAt = o;
            if (split) ok = loads.load(c) && prepareSplit(spare, c->Length - o);
        } else {
            plan = planRemoval(store, c, o, oldLength);
            const int64_t firstEnd = plan.offset + plan.inFirst;
            split = !plan.firstWhole && plan.offset > 0 && firstEnd < c->Length && !incoming.empty();
            splitAt = firstEnd;
            if (!plan.firstWhole)
                ok = loads.load(c) && (!keep || preparePiece(pieces, plan.inFirst)) &&
                     (!split || prepareSplit(spare, c->Length - firstEnd));
            // Chunks that leave whole are read now when they are to be kept:
            // their place in the file may not hold their bytes by the time they come back.
            if (keep)
                for (ChunkIter j = plan.firstWhole ? c : std::next(c); ok && j != plan.wholeEnd; ++j)
                    ok = loads.load(j);
            if (ok && plan.inLast > 0)
                ok = loads.load(plan.last) && (!keep || preparePiece(pieces, plan.inLast));
        }
        if (!ok) {
            loads.rollback();
            return BinaryNoMemory;
        }
    } catch (const std::bad_alloc &) {
        loads.rollback();
        return BinaryNoMemory;
    }

    // From here on nothing can fail.
    auto before = [&](ChunkIter x) { return x == store->Chunks.begin() ? none : std::prev(x); };
    auto remove = [&](ChunkIter x) {
        if (keep) takeOut(store, x, out);
        else DeleteChunk(store, x);
    };
    ChunkIter piece = pieces.begin();
    // Moves n bytes from offset out of a chunk that keeps at least one byte.
    auto cut = [&](ChunkIter from, int64_t offset, int64_t n) {
        if (keep) {
            std::memcpy(piece->Buffer.data(), from->Buffer.data() + offset, static_cast<size_t>(n));
            piece->ReadFailed = from->ReadFailed;
            const ChunkIter next = std::next(piece);
            out.splice(out.end(), pieces, piece);
            piece = next;
        }
        removeLoaded(store, from, offset, n);
    };
    ChunkIter after;   // the new chunks go after this one; none: at the front
    if (oldLength == 0) {
        if (c == none) {
            after = none;
        } else if (split) {
            applySplit(store, c, o, spare);
            after = c;
        } else {
            after = o == 0 ? before(c) : c;
        }
    } else {
        const ChunkIter afterFirst = std::next(c);
        if (plan.firstWhole) {
            after = before(c);
            remove(c);
        } else {
            after = plan.offset > 0 ? c : before(c);
            if (split) applySplit(store, c, splitAt, spare);
            cut(c, plan.offset, plan.inFirst);
        }
        for (ChunkIter j = afterFirst; j != plan.wholeEnd;) {
            const ChunkIter next = std::next(j);
            remove(j);
            j = next;
        }
        if (plan.inLast > 0) cut(plan.last, 0, plan.inLast);
    }
    for (BinaryChunk &x : incoming) {
        detach(x);
        x.Holders = slotBit(SlotEdit);
    }
    store->Current = after;
    spliceAfterCurrent(store, incoming);
    NormalizeChunks(store);
    interruptWalk(store);
    NotifyBinaryEdit(store, position, oldLength, added);
    if (keep) *outgoing = std::move(out);
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
