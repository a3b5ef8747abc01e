// The chunk list: finding, loading and releasing chunks, and the edits of the
// list that the store's operations and the save are made of.
#include <algorithm>
#include <cstring>
#include <new>

#include "Binary.h"
#include "BinaryInternal.h"

namespace hx {

namespace binary_detail {

bool readFileBytes(Binary *s, int64_t offset, uint8_t *dest, int64_t n) {
    if (n <= 0) return true;
    int64_t got = -1;
    if (s->File.isOpen() && offset >= 0) got = s->File.readAt(dest, n, offset);
    if (got < 0) got = 0;
    if (got < n) std::memset(dest + got, 0, static_cast<size_t>(n - got));
    return got == n;
}

bool readBackedBytes(Binary *s, const BinaryChunk &c, int64_t offset, uint8_t *dest, int64_t n) {
    if (n <= 0) return true;
    if (c.Scratch) return ScratchRead(c.ScratchOffset + offset, dest, n);
    if (c.FileOffset < 0 || !s->File.isOpen()) return false;
    return s->File.readAt(dest, n, c.FileOffset + offset) == n;
}

bool readChunkBytes(Binary *s, const BinaryChunk &c, int64_t offset, uint8_t *dest, int64_t n) {
    if (!c.Scratch) return readFileBytes(s, c.FileOffset < 0 ? -1 : c.FileOffset + offset, dest, n);
    if (readBackedBytes(s, c, offset, dest, n)) return true;
    std::memset(dest, 0, static_cast<size_t>(n));
    return false;
}

void markChanged(BinaryChunk &c) {
    c.Holders |= slotBit(SlotEdit);
    c.Modified = 1;
    c.Scratch.reset();
}

bool ensureLoaded(Binary *s, BinaryChunk &c, int64_t capacity) {
    if (c.loaded()) return c.Buffer.reserve(capacity);
    ByteBuffer b = ByteBuffer::uninitialised(c.Length, capacity);
    if (!b) return false;
    if (!readChunkBytes(s, c, 0, b.data(), c.Length)) {
        c.ReadFailed = 1;
        c.Holders |= slotBit(SlotEdit);
    }
    c.Buffer = std::move(b);
    return true;
}

void interruptWalk(Binary *s) {
    if (s->WalkState == WalkInPiece && s->BlockChunk != s->Chunks.end() && !s->BlockStreamed)
        ReleaseChunk(s, s->BlockChunk, SlotSearch);
    if (s->WalkState == WalkReady || s->WalkState == WalkInPiece) s->WalkState = WalkInterrupted;
    s->BlockChunk = s->Chunks.end();
    s->BlockStreamed = 0;
    s->WalkBuffer.reset();
}

bool buildNewChunks(const Binary *s, ChunkList &out, const uint8_t *source, int64_t n) {
    const int64_t L = s->ChunkLength;
    while (n > 0) {
        int64_t piece = n > upperBound(s) ? L : n;
        BinaryChunk &c = out.emplace_back();
        c.Buffer = ByteBuffer::copyOf(source, piece);
        if (!c.Buffer) return false;
        c.FileOffset = -1;
        c.Modified = 1;
        c.Length = piece;
        source += piece;
        n -= piece;
    }
    return true;
}

void spliceAfterCurrent(Binary *s, ChunkList &fresh) {
    if (fresh.empty()) return;
    int64_t added = 0;
    for (const BinaryChunk &c : fresh) added += c.Length;
    ChunkIter last = std::prev(fresh.end());
    ChunkIter pos = s->Current == s->Chunks.end() ? s->Chunks.begin() : std::next(s->Current);
    s->Chunks.splice(pos, fresh);
    s->Current = last;
    s->Length += added;
}

void insertLoaded(Binary *s, ChunkIter c, int64_t offset, const uint8_t *source, int64_t n) {
    offset = std::clamp<int64_t>(offset, 0, c->Length);
    const int64_t len = c->Length;
    c->Buffer.resize(len + n);
    uint8_t *d = c->Buffer.data();
    std::memmove(d + offset + n, d + offset, static_cast<size_t>(len - offset));
    std::memcpy(d + offset, source, static_cast<size_t>(n));
    markChanged(*c);
    c->Length += n;
    s->Length += n;
}

void removeLoaded(Binary *s, ChunkIter c, int64_t offset, int64_t n) {
    uint8_t *d = c->Buffer.data();
    const int64_t after = c->Length - offset - n;
    std::memmove(d + offset, d + offset + n, static_cast<size_t>(after));
    c->Buffer.resize(c->Length - n);
    markChanged(*c);
    c->Length -= n;
    s->Length -= n;
}

void replaceLoaded(Binary *s, ChunkIter c, int64_t offset, int64_t oldN, const uint8_t *source,
                   int64_t newN) {
    const int64_t len = c->Length;
    const int64_t newLen = len - oldN + newN;
    const int64_t tail = len - offset - oldN;
    if (newLen > len) c->Buffer.resize(newLen);   // grow before moving the tail up
    uint8_t *d = c->Buffer.data();
    std::memmove(d + offset + newN, d + offset + oldN, static_cast<size_t>(tail));
    if (newN > 0) std::memcpy(d + offset, source, static_cast<size_t>(newN));
    if (newLen < len) c->Buffer.resize(newLen);   // shrink after moving it down
    markChanged(*c);
    c->Length = newLen;
    s->Length += newN - oldN;
}

bool prepareSplit(ChunkList &spare, int64_t tailLength) {
    BinaryChunk &t = spare.emplace_back();
    t.Buffer = ByteBuffer::uninitialised(tailLength, tailLength);
    return t.Buffer.valid();
}

ChunkIter applySplit(Binary *s, ChunkIter c, int64_t offset, ChunkList &spare) {
    ChunkIter tail = spare.begin();
    const int64_t tailLength = c->Length - offset;
    std::memcpy(tail->Buffer.data(), c->Buffer.data() + offset, static_cast<size_t>(tailLength));
    c->Holders |= slotBit(SlotEdit);
    tail->FileOffset = c->FileOffset < 0 ? -1 : c->FileOffset + offset;
    tail->Scratch = c->Scratch;
    tail->ScratchOffset = c->ScratchOffset + offset;
    tail->Holders = c->Holders;
    tail->Modified = c->Modified;
    tail->ReadFailed = c->ReadFailed;
    tail->Length = tailLength;
    c->Buffer.resize(offset);
    c->Length = offset;
    s->Chunks.splice(std::next(c), spare);
    s->Current = c;
    return tail;
}

RemovalPlan planRemoval(Binary *s, ChunkIter first, int64_t o, int64_t n) {
    RemovalPlan plan;
    plan.first = first;
    plan.offset = std::clamp<int64_t>(o, 0, first->Length);
    plan.inFirst = std::min(n, first->Length - plan.offset);
    plan.firstWhole = plan.offset == 0 && plan.inFirst == first->Length;
    int64_t rest = n - plan.inFirst;
    ChunkIter j = std::next(first);
    while (rest > 0 && j != s->Chunks.end() && j->Length <= rest) {
        rest -= j->Length;
        ++j;
    }
    plan.wholeEnd = j;
    plan.last = j;
    plan.inLast = j != s->Chunks.end() ? rest : 0;
    return plan;
}

bool prepareRemoval(EditPrep &prep, const RemovalPlan &plan) {
    if (plan.inFirst > 0 && !plan.firstWhole && !prep.load(plan.first, plan.first->Length))
        return false;
    if (plan.inLast > 0 && !prep.load(plan.last, plan.last->Length)) return false;
    return true;
}

void applyRemoval(Binary *s, const RemovalPlan &plan) {
    ChunkIter after = std::next(plan.first);
    if (plan.firstWhole) DeleteChunk(s, plan.first);
    else if (plan.inFirst > 0) removeLoaded(s, plan.first, plan.offset, plan.inFirst);
    for (ChunkIter j = after; j != plan.wholeEnd;) {
        ChunkIter next = std::next(j);
        DeleteChunk(s, j);
        j = next;
    }
    if (plan.inLast > 0) removeLoaded(s, plan.last, 0, plan.inLast);
}

void clampRange(const Binary *s, int64_t &p, int64_t &n) {
    if (p < 0) {
        n = std::max<int64_t>(n + p, 0);
        p = 0;
    } else if (p > s->Length) {
        p = s->Length;
        n = 0;
    }
    if (n > s->Length - p) n = s->Length - p;
}

}  // namespace binary_detail

using namespace binary_detail;

// ---- chunk operations ------------------------------------------------------

ChunkPosition FindChunk(Binary *store, int64_t p) {
    ChunkPosition at{store->Chunks.end(), 0};
    if (p < 0 || p > store->Length) return at;
    int64_t end = 0;
    for (ChunkIter c = store->Chunks.begin(); c != store->Chunks.end(); ++c) {
        end += c->Length;
        if (end >= p) {
            at.chunk = c;
            at.offset = p - (end - c->Length);
            store->Current = c;
            return at;
        }
    }
    return at;
}

uint8_t *LoadChunk(Binary *store, ChunkIter chunk, int slot) {
    if (!ensureLoaded(store, *chunk, chunk->Length)) return nullptr;
    chunk->Holders |= slotBit(slot);
    return chunk->Buffer.data();
}

void ReleaseChunk(Binary *store, ChunkIter chunk, int slot) {
    (void)store;
    chunk->Holders &= ~slotBit(slot);
    if (chunk->Holders == 0 && chunk->backed() && chunk->loaded()) {
        chunk->Buffer.reset();
        chunk->ReadFailed = 0;
    }
}

int AddChunk(Binary *store, const uint8_t *source, int64_t n) {
    if (n < 0) return BinaryBadLength;
    ChunkList fresh;
    try {
        BinaryChunk &c = fresh.emplace_back();
        c.Buffer = ByteBuffer::copyOf(source, n);
        if (!c.Buffer) return BinaryNoMemory;
        c.FileOffset = -1;
        c.Modified = 1;
        c.Length = n;
    } catch (const std::bad_alloc &) {
        return BinaryNoMemory;
    }
    spliceAfterCurrent(store, fresh);
    return BinaryOk;
}

int64_t DeleteChunk(Binary *store, ChunkIter chunk) {
    const int64_t length = chunk->Length;
    store->Current = chunk == store->Chunks.begin() ? store->Chunks.end() : std::prev(chunk);
    if (store->BlockChunk == chunk) store->BlockChunk = store->Chunks.end();
    store->Chunks.erase(chunk);
    store->Length -= length;
    return -length;
}

int InsertIntoChunk(Binary *store, ChunkIter chunk, int64_t offset, const uint8_t *source,
                    int64_t n) {
    if (n < 0) return BinaryBadLength;
    if (n == 0 || !source) return BinaryOk;
    if (n > upperBound(store) + kMaxChunkLength || !ensureLoaded(store, *chunk, chunk->Length + n))
        return BinaryNoMemory;
    insertLoaded(store, chunk, offset, source, n);
    return BinaryOk;
}

int RemoveFromChunk(Binary *store, ChunkIter chunk, int64_t offset, int64_t n, int64_t *removed) {
    if (removed) *removed = 0;
    if (offset < 0) {
        n += offset;
        offset = 0;
    }
    if (n <= 0 || offset >= chunk->Length) return BinaryOk;
    n = std::min(n, chunk->Length - offset);
    if (offset == 0 && n == chunk->Length) {
        DeleteChunk(store, chunk);
    } else {
        if (!ensureLoaded(store, *chunk, chunk->Length)) return BinaryNoMemory;
        removeLoaded(store, chunk, offset, n);
    }
    if (removed) *removed = n;
    return BinaryOk;
}

int ReplaceInChunk(Binary *store, ChunkIter chunk, int64_t offset, int64_t oldN,
                   const uint8_t *source, int64_t newN) {
    if (newN < 0) return BinaryBadLength;
    if (!source) newN = 0;
    if (offset < 0) {
        oldN += offset;
        offset = 0;
    }
    offset = std::min(offset, chunk->Length);
    oldN = std::clamp<int64_t>(oldN, 0, chunk->Length - offset);
    if (newN > upperBound(store) + kMaxChunkLength) return BinaryNoMemory;
    const int64_t newLen = chunk->Length - oldN + newN;
    if (!ensureLoaded(store, *chunk, std::max(chunk->Length, newLen))) return BinaryNoMemory;
    replaceLoaded(store, chunk, offset, oldN, source, newN);
    return BinaryOk;
}

int SplitChunk(Binary *store, ChunkIter chunk, int64_t offset, ChunkIter *tail) {
    ChunkIter none = store->Chunks.end();
    if (offset <= 0) {
        store->Current = chunk == store->Chunks.begin() ? none : std::prev(chunk);
        if (tail) *tail = chunk;
        return BinaryOk;
    }
    if (offset >= chunk->Length) {
        store->Current = chunk;
        if (tail) *tail = none;
        return BinaryOk;
    }
    ChunkList spare;
    try {
        if (!prepareSplit(spare, chunk->Length - offset)) return BinaryNoMemory;
    } catch (const std::bad_alloc &) {
        return BinaryNoMemory;
    }
    if (!ensureLoaded(store, *chunk, chunk->Length)) return BinaryNoMemory;
    ChunkIter t = applySplit(store, chunk, offset, spare);
    if (tail) *tail = t;
    return BinaryOk;
}

int MergeChunks(Binary *store, ChunkIter a, ChunkIter b) {
    if (a->Length == 0 || b->Length == 0) {
        // An empty chunk adds nothing: the other stays as it is, loaded or not.
        if (a->Length == 0) std::swap(*a, *b);
        if (store->Current == b) store->Current = a;
        if (store->BlockChunk == b || store->BlockChunk == a) store->BlockChunk = store->Chunks.end();
        store->Chunks.erase(b);
        return BinaryOk;
    }
    const int64_t total = a->Length + b->Length;
    if (!ensureLoaded(store, *a, total)) return BinaryNoMemory;
    uint8_t *dest = a->Buffer.data() + a->Length;
    if (b->loaded()) {
        if (b->Length > 0) std::memcpy(dest, b->Buffer.data(), static_cast<size_t>(b->Length));
    } else if (!readChunkBytes(store, *b, 0, dest, b->Length)) {
        a->ReadFailed = 1;
    }
    // Two clean chunks stay clean together only when b's bytes follow a's in
    // the file; otherwise (whole chunks between them were removed, say) the
    // merged bytes no longer match the file at a's offset.
    const bool followsInFile = !a->Modified && !b->Modified && a->FileOffset >= 0 &&
                               b->FileOffset == a->FileOffset + a->Length;
    a->Modified = followsInFile ? 0 : 1;
    a->Scratch.reset();
    a->Holders |= b->Holders | slotBit(SlotEdit);
    a->ReadFailed |= b->ReadFailed;
    a->Buffer.resize(total);
    a->Length = total;
    if (store->Current == b) store->Current = a;
    if (store->BlockChunk == b) store->BlockChunk = store->Chunks.end();
    store->Chunks.erase(b);
    return BinaryOk;
}

int NormalizeChunks(Binary *store) {
    int result = BinaryOk;
    ChunkIter a = store->Chunks.begin();
    if (a == store->Chunks.end()) return result;
    const int64_t small = smallBound(store);
    const int64_t upper = upperBound(store);
    for (ChunkIter b = std::next(a); b != store->Chunks.end();) {
        if ((a->Length < small || b->Length < small) && a->Length <= upper - b->Length) {
            if (MergeChunks(store, a, b) == BinaryOk) {
                b = std::next(a);
                continue;
            }
            result = BinaryNoMemory;
        }
        a = b;
        ++b;
    }
    return result;
}

}  // namespace hx
