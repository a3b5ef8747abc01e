#include "Binary.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "Journal.h"

namespace hx {

namespace {

// Chunk lengths beyond this would let 2L overflow in the threshold arithmetic;
// no machine holds a chunk that long anyway.
constexpr int64_t kMaxChunkLength = int64_t(1) << 60;
constexpr int64_t kMaxNumber = 65535;

// Every store lives here until FreeBinary; numbered ones are also in the table.
struct Registry {
    std::unordered_map<Binary *, std::unique_ptr<Binary>> all;
    std::vector<Binary *> numbers;
};

Registry &registry() {
    static Registry r;
    return r;
}

uint32_t slotBit(int slot) { return (slot >= 0 && slot <= 31) ? (uint32_t(1) << slot) : 0; }

// 2L: the longest chunk an edit may make.
int64_t upperBound(const Binary *s) { return 2 * s->ChunkLength; }
// A chunk is small when shorter than L/2 taken to the nearest integer (halves round up).
int64_t smallBound(const Binary *s) { return (s->ChunkLength + 1) / 2; }

// Reads n bytes of the store's file at offset into dest. Whatever cannot be
// read is left zero; returns false when not all n bytes came. A read that
// reports an error mid-way may have left partial bytes, so it zeroes all.
bool readFileBytes(Binary *s, int64_t offset, uint8_t *dest, int64_t n) {
    if (n <= 0) return true;
    int64_t got = -1;
    if (s->File.isOpen() && offset >= 0) got = s->File.readAt(dest, n, offset);
    if (got < 0) got = 0;
    if (got < n) std::memset(dest + got, 0, static_cast<size_t>(n - got));
    return got == n;
}

// Gives the chunk a buffer holding its bytes, with room for `capacity` bytes,
// without touching its holders (except that a failed read holds it with slot
// 31, see LoadChunk). False when memory is short; the chunk is then unchanged.
bool ensureLoaded(Binary *s, BinaryChunk &c, int64_t capacity) {
    if (c.loaded()) return c.Buffer.reserve(capacity);
    ByteBuffer b = ByteBuffer::uninitialised(c.Length, capacity);
    if (!b) return false;
    if (!readFileBytes(s, c.FileOffset, b.data(), c.Length)) {
        c.ReadFailed = 1;
        c.Holders |= slotBit(SlotEdit);
    }
    c.Buffer = std::move(b);
    return true;
}

// A successful edit ends a walk that is going on: its piece may have moved or
// vanished (a chunk that was deleted or merged away already cleared BlockChunk).
// A failed edit changed nothing and leaves the walk alone.
void interruptWalk(Binary *s) {
    if (s->WalkState == WalkInPiece && s->BlockChunk != s->Chunks.end() && !s->BlockStreamed)
        ReleaseChunk(s, s->BlockChunk, SlotSearch);
    if (s->WalkState == WalkReady || s->WalkState == WalkInPiece) s->WalkState = WalkInterrupted;
    s->BlockChunk = s->Chunks.end();
    s->BlockStreamed = 0;
    s->WalkBuffer.reset();
}

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

// Puts the prepared chunks after the current element (at the front when there
// is none); the last of them becomes current.
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

// The in-chunk edits below need the chunk loaded with enough room; they cannot fail.

void insertLoaded(Binary *s, ChunkIter c, int64_t offset, const uint8_t *source, int64_t n) {
    offset = std::clamp<int64_t>(offset, 0, c->Length);
    const int64_t len = c->Length;
    c->Buffer.resize(len + n);
    uint8_t *d = c->Buffer.data();
    std::memmove(d + offset + n, d + offset, static_cast<size_t>(len - offset));
    std::memcpy(d + offset, source, static_cast<size_t>(n));
    c->Holders |= slotBit(SlotEdit);
    c->Modified = 1;
    c->Length += n;
    s->Length += n;
}

// Removes n bytes at offset, leaving at least one byte in the chunk.
void removeLoaded(Binary *s, ChunkIter c, int64_t offset, int64_t n) {
    uint8_t *d = c->Buffer.data();
    const int64_t after = c->Length - offset - n;
    std::memmove(d + offset, d + offset + n, static_cast<size_t>(after));
    c->Buffer.resize(c->Length - n);
    c->Holders |= slotBit(SlotEdit);
    c->Modified = 1;
    c->Length -= n;
    s->Length -= n;
}

// offset and oldN already clamped to the chunk.
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
    c->Holders |= slotBit(SlotEdit);
    c->Modified = 1;
    c->Length = newLen;
    s->Length += newN - oldN;
}

// A one-element list holding the tail chunk's buffer, prepared for applySplit.
bool prepareSplit(ChunkList &spare, int64_t tailLength) {
    BinaryChunk &t = spare.emplace_back();
    t.Buffer = ByteBuffer::uninitialised(tailLength, tailLength);
    return t.Buffer.valid();
}

// Cuts the loaded chunk at 0 < offset < length using the prepared tail.
ChunkIter applySplit(Binary *s, ChunkIter c, int64_t offset, ChunkList &spare) {
    ChunkIter tail = spare.begin();
    const int64_t tailLength = c->Length - offset;
    std::memcpy(tail->Buffer.data(), c->Buffer.data() + offset, static_cast<size_t>(tailLength));
    c->Holders |= slotBit(SlotEdit);
    tail->FileOffset = c->FileOffset < 0 ? -1 : c->FileOffset + offset;
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

// The clamping of a range to the store: (a) a negative position shortens the
// length by as much and becomes 0, (b) a position past the end becomes the end
// with length 0, (c) the length is cut at the end. Lengths are >= 0 on entry;
// the arithmetic cannot overflow because p + n is never formed.
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

}  // namespace

// ---- lifecycle -------------------------------------------------------------

Binary *CreateBinary(int64_t number, int64_t chunkLength) {
    if (number != -1 && (number < 0 || number > kMaxNumber)) return nullptr;
    Registry &r = registry();
    if (number >= 0) FreeBinary(BinaryByNumber(number));
    auto owned = std::make_unique<Binary>();
    Binary *s = owned.get();
    s->Number = number;
    s->ChunkLength = std::clamp<int64_t>(chunkLength, 1, kMaxChunkLength);
    if (number >= 0) {
        if (r.numbers.size() <= static_cast<size_t>(number)) r.numbers.resize(number + 1, nullptr);
        r.numbers[number] = s;
    }
    r.all.emplace(s, std::move(owned));
    return s;
}

Binary *OpenBinary(int64_t number, const std::string &name, int64_t chunkLength) {
    Binary *s = CreateBinary(number, chunkLength);
    if (!s) return nullptr;
    // A folder, pipe or device is no document: opening a pipe could block and a
    // folder reads as nonsense. Such a name leaves the store empty, like a
    // file that cannot be opened.
    if (name.empty() || IsSpecialFile(name)) return s;
    // A name that does not exist is not created here: the store keeps the
    // name, has no file and no bytes, and its first save creates the file.
    if (!FileExists(name)) {
        s->FileName = name;
        return s;
    }
    FileHandle f = FileHandle::openExisting(name);
    int32_t writable = 1;
    if (!f) {
        f = FileHandle::openReadOnly(name);
        writable = 0;
    }
    if (!f || !f.isRegular()) return s;
    // A save of this file that was cut off is finished before anything is
    // read from it.
    if (writable) s->Recovery = RecoverInterruptedSave(f, name);
    {
        Binary::Stamp &st = s->FileStamp;
        if (!f.stamp(st.Device, st.Inode, st.Size, st.ModifiedNs)) st = Binary::Stamp{};
    }
    const int64_t length = std::max<int64_t>(f.length(), 0);
    s->File = std::move(f);
    s->FileName = name;
    s->Writable = writable;
    s->Length = length;
    const int64_t L = s->ChunkLength;
    int64_t p = 0;
    while (length - p > L) {
        BinaryChunk &c = s->Chunks.emplace_back();
        c.FileOffset = p;
        c.Length = L;
        p += L;
    }
    // The last chunk: 1 ... L bytes, or the one empty chunk of an empty file.
    BinaryChunk &last = s->Chunks.emplace_back();
    last.FileOffset = p;
    last.Length = length - p;
    s->Current = s->Chunks.end();
    s->BlockChunk = s->Chunks.end();
    return s;
}

int FreeBinary(Binary *store) {
    if (!store) return 0;
    Registry &r = registry();
    auto it = r.all.find(store);
    if (it == r.all.end()) return 0;
    if (store->Number >= 0 && static_cast<size_t>(store->Number) < r.numbers.size() &&
        r.numbers[store->Number] == store)
        r.numbers[store->Number] = nullptr;
    r.all.erase(it);
    return 0;
}

Binary *BinaryByNumber(int64_t number) {
    const Registry &r = registry();
    if (number < 0 || static_cast<uint64_t>(number) >= r.numbers.size()) return nullptr;
    return r.numbers[number];
}

void ForEachBinary(void (*visit)(Binary *store, void *context), void *context) {
    if (!visit) return;
    for (const auto &entry : registry().all) visit(entry.first, context);
}

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
    if (chunk->Holders == 0 && !chunk->Modified && chunk->loaded()) {
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
    const int64_t total = a->Length + b->Length;
    if (!ensureLoaded(store, *a, total)) return BinaryNoMemory;
    uint8_t *dest = a->Buffer.data() + a->Length;
    if (b->loaded()) {
        if (b->Length > 0) std::memcpy(dest, b->Buffer.data(), static_cast<size_t>(b->Length));
    } else if (!readFileBytes(store, b->FileOffset, dest, b->Length)) {
        a->ReadFailed = 1;
    }
    // Two clean chunks stay clean together only when b's bytes follow a's in
    // the file; otherwise (whole chunks between them were removed, say) the
    // merged bytes no longer match the file at a's offset.
    const bool followsInFile = !a->Modified && !b->Modified && a->FileOffset >= 0 &&
                               b->FileOffset == a->FileOffset + a->Length;
    a->Modified = followsInFile ? 0 : 1;
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

// ---- public operations -----------------------------------------------------

ByteBuffer ReadBinary(Binary *store, int64_t position, int64_t length, int slot, uint8_t *buffer,
                      int64_t *copied) {
    if (copied) *copied = 0;
    if (!store || slotBit(slot) == 0) return {};
    if (length == -1) length = INT64_MAX;
    if (length <= 0) return {};
    clampRange(store, position, length);
    if (length <= 0) return {};
    ByteBuffer own;
    if (!buffer) {
        own = ByteBuffer::zeroed(length);
        if (!own) return {};
        buffer = own.data();
    }
    int64_t start = 0;
    int64_t done = 0;
    for (ChunkIter c = store->Chunks.begin(); c != store->Chunks.end(); ++c) {
        const int64_t end = start + c->Length;
        if (end <= position || done >= length) {
            ReleaseChunk(store, c, slot);
        } else {
            const int64_t from = done == 0 ? position - start : 0;
            const int64_t n = std::min(c->Length - from, length - done);
            if (const uint8_t *d = LoadChunk(store, c, slot)) {
                std::memcpy(buffer + done, d + from, static_cast<size_t>(n));
            } else {
                // No memory for the chunk's buffer: its bytes can still come
                // straight from the file (it is clean, as unloaded chunks are).
                readFileBytes(store, c->FileOffset + from, buffer + done, n);
            }
            done += n;
        }
        start = end;
    }
    if (copied) *copied = done;
    return own;
}

int InsertBinary(Binary *store, int64_t position, const uint8_t *source, int64_t length) {
    if (!store) return BinaryOk;
    if (length < 0) return BinaryBadLength;
    if (!source || length == 0) return BinaryOk;
    if (length > INT64_MAX - store->Length) return BinaryNoMemory;
    position = std::clamp<int64_t>(position, 0, store->Length);
    const ChunkPosition at = FindChunk(store, position);
    const ChunkIter none = store->Chunks.end();
    EditPrep prep(store);
    ChunkList fresh, spare;
    try {
        if (at.chunk != none && length <= upperBound(store) - at.chunk->Length) {
            // Some room beyond the insert, so that typing byte by byte does not
            // move the whole block at every key; without it when memory is tight.
            const int64_t want = at.chunk->Length + length;
            const int64_t room = std::min<int64_t>(int64_t(64) << 10, store->ChunkLength / 8);
            if (!prep.load(at.chunk, want + room) && !prep.load(at.chunk, want)) {
                prep.rollback();
                return BinaryNoMemory;
            }
            insertLoaded(store, at.chunk, at.offset, source, length);
            interruptWalk(store);
            return BinaryOk;
        }
        bool ok = buildNewChunks(store, fresh, source, length);
        if (ok && at.chunk != none && at.offset > 0 && at.offset < at.chunk->Length)
            ok = prep.load(at.chunk, at.chunk->Length) &&
                 prepareSplit(spare, at.chunk->Length - at.offset);
        if (!ok) {
            prep.rollback();
            return BinaryNoMemory;
        }
    } catch (const std::bad_alloc &) {
        prep.rollback();
        return BinaryNoMemory;
    }
    if (at.chunk == none) store->Current = none;
    else if (!spare.empty()) applySplit(store, at.chunk, at.offset, spare);
    else SplitChunk(store, at.chunk, at.offset, nullptr);   // no cut: only sets the current element
    spliceAfterCurrent(store, fresh);
    NormalizeChunks(store);
    interruptWalk(store);
    return BinaryOk;
}

int InsertBinary(Binary *store, int64_t position, const ByteBuffer &source, int64_t length) {
    if (length == -1) length = source.size();
    return InsertBinary(store, position, source.valid() ? source.data() : nullptr, length);
}

int RemoveBinary(Binary *store, int64_t position, int64_t length) {
    if (!store || length <= 0) return BinaryOk;
    clampRange(store, position, length);
    if (length <= 0) return BinaryOk;
    const ChunkPosition at = FindChunk(store, position);
    if (at.chunk == store->Chunks.end()) return BinaryOk;
    const RemovalPlan plan = planRemoval(store, at.chunk, at.offset, length);
    EditPrep prep(store);
    if (!prepareRemoval(prep, plan)) {
        prep.rollback();
        return BinaryNoMemory;
    }
    applyRemoval(store, plan);
    NormalizeChunks(store);
    interruptWalk(store);
    return BinaryOk;
}

int ReplaceBinary(Binary *store, int64_t position, int64_t oldLength, const uint8_t *source,
                  int64_t newLength) {
    if (!store) return BinaryOk;
    if (source && newLength < 0) return BinaryBadLength;
    // An old length that clamps below 0 (a range wholly before the start)
    // replaces nothing: the new bytes are inserted at 0.
    oldLength = std::max<int64_t>(oldLength, 0);
    clampRange(store, position, oldLength);
    if (oldLength == 0) return InsertBinary(store, position, source, source ? newLength : 0);
    if (!source || newLength == 0) return RemoveBinary(store, position, oldLength);
    if (newLength > INT64_MAX - store->Length) return BinaryNoMemory;

    const ChunkPosition at = FindChunk(store, position);
    const ChunkIter none = store->Chunks.end();
    if (at.chunk == none) return BinaryOk;
    const ChunkIter c = at.chunk;
    const int64_t o = at.offset;
    const int64_t len = c->Length;
    const int64_t rest = len - o;   // bytes of c from the position on
    const int64_t upper = upperBound(store);
    const int64_t m = oldLength;
    const int64_t n = newLength;

    EditPrep prep(store);
    ChunkList fresh, spare;
    auto fail = [&] {
        prep.rollback();
        return BinaryNoMemory;
    };
    try {
        if (m <= rest) {
            if (n <= upper - (len - m)) {
                // The old run lies in c and the result fits: change c in place.
                if (!prep.load(c, std::max(len, len - m + n))) return fail();
                replaceLoaded(store, c, o, m, source, n);
            } else {
                // Cut c after the old run, drop the run, add the new bytes as chunks.
                const bool cut = o + m < len;
                if (!buildNewChunks(store, fresh, source, n)) return fail();
                if ((cut || o > 0) && !prep.load(c, len)) return fail();
                if (cut && !prepareSplit(spare, len - o - m)) return fail();
                if (cut) applySplit(store, c, o + m, spare);
                else store->Current = c;
                if (o == 0) DeleteChunk(store, c);   // the element before c becomes current
                else removeLoaded(store, c, o, m);
                spliceAfterCurrent(store, fresh);
            }
        } else if (n <= upper - o) {
            // The new bytes take the place of c's tail; the rest of the old run
            // goes from the chunks after c.
            // m > rest, so there are bytes after c: clamping keeps the run inside the store.
            const RemovalPlan plan = planRemoval(store, std::next(c), 0, m - rest);
            if (!prep.load(c, std::max(len, o + n))) return fail();
            if (!prepareRemoval(prep, plan)) return fail();
            replaceLoaded(store, c, o, rest, source, n);
            applyRemoval(store, plan);
        } else {
            // Remove the whole old run, then add the new bytes as chunks where it began.
            const RemovalPlan plan = planRemoval(store, c, o, m);
            if (!buildNewChunks(store, fresh, source, n)) return fail();
            if (!prepareRemoval(prep, plan)) return fail();
            const ChunkIter before = o > 0 ? c : (c == store->Chunks.begin() ? none : std::prev(c));
            applyRemoval(store, plan);
            store->Current = before;
            spliceAfterCurrent(store, fresh);
        }
    } catch (const std::bad_alloc &) {
        return fail();
    }
    NormalizeChunks(store);
    interruptWalk(store);
    return BinaryOk;
}

int ReplaceBinary(Binary *store, int64_t position, int64_t oldLength, const ByteBuffer &source,
                  int64_t newLength) {
    if (newLength == -1) newLength = source.size();
    return ReplaceBinary(store, position, oldLength, source.valid() ? source.data() : nullptr,
                         newLength);
}

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

int ExamineBinary(Binary *store, int64_t position, int64_t length) {
    if (!store) return 1;
    if (store->WalkState == WalkInPiece && store->BlockChunk != store->Chunks.end() && !store->BlockStreamed)
        ReleaseChunk(store, store->BlockChunk, SlotSearch);
    store->BlockStreamed = 0;
    length = std::max<int64_t>(length, 0);
    clampRange(store, position, length);
    store->RangeStart = position;
    store->RangeLength = length;
    store->Delivered = 0;
    store->BlockPosition = position;
    store->BlockChunk = store->Chunks.end();
    store->BlockLength = 0;
    store->BlockOffset = 0;
    store->WalkState = WalkReady;
    return 1;
}

namespace {

// Ends the walk; the read buffer is let go with it.
bool endWalk(Binary *store, int32_t state) {
    store->WalkState = state;
    store->BlockStreamed = 0;
    store->WalkBuffer.reset();
    return false;
}

// Reads the piece of chunk c at offset (at most length bytes) into the walk's
// read buffer when c is only in the file and longer than one read; returns
// the bytes read. -1 when the piece is to come from the loaded chunk instead,
// also after a read that failed or came up short: loading the chunk then
// remembers the failure as every load does.
int64_t streamPiece(Binary *store, const BinaryChunk &c, int64_t offset, int64_t length) {
    const int64_t readLength = std::max<int64_t>(store->WalkReadLength, 1);
    if (c.loaded() || c.Modified || c.FileOffset < 0 || c.Length <= readLength || !store->File.isOpen())
        return -1;
    if (store->WalkBuffer.capacity() < readLength) {
        store->WalkBuffer = ByteBuffer::uninitialised(readLength, readLength);
        if (!store->WalkBuffer) return -1;
    }
    const int64_t n = std::min(length, readLength);
    return store->File.readAt(store->WalkBuffer.data(), n, c.FileOffset + offset) == n ? n : -1;
}

}  // namespace

bool NextBinaryBlock(Binary *store) {
    if (!store) return false;
    const ChunkIter none = store->Chunks.end();
    ChunkIter c = none;
    int64_t offset = 0;
    if (store->WalkState == WalkReady) {
        int64_t chunkStart = 0;
        for (c = store->Chunks.begin(); c != none; ++c) {
            if (chunkStart + c->Length > store->RangeStart) break;
            chunkStart += c->Length;
        }
        if (c == none) return endWalk(store, WalkIdle);
        offset = store->RangeStart - chunkStart;
    } else if (store->WalkState == WalkInPiece) {
        if (store->BlockChunk == none)   // the chunk went away under the walk
            return endWalk(store, WalkInterrupted);
        store->BlockPosition = store->RangeStart + store->Delivered;
        if (!store->BlockStreamed) ReleaseChunk(store, store->BlockChunk, SlotSearch);
        // A streamed piece may have left part of its chunk for the next ones.
        offset = store->BlockOffset + store->BlockLength;
        c = store->BlockChunk;
        if (offset >= c->Length) {
            c = std::next(c);
            offset = 0;
        }
        store->BlockChunk = none;
        if (store->Delivered >= store->RangeLength || c == none) return endWalk(store, WalkIdle);
    } else {
        return false;
    }
    const int64_t wanted = std::min(c->Length - offset, store->RangeLength - store->Delivered);
    if (const int64_t streamed = streamPiece(store, *c, offset, wanted); streamed >= 0) {
        store->BlockStreamed = 1;
        store->BlockLength = streamed;
    } else {
        store->BlockStreamed = 0;
        if (!LoadChunk(store, c, SlotSearch) && c->Length > 0) return endWalk(store, WalkInterrupted);
        store->BlockLength = wanted;
    }
    store->BlockChunk = c;
    store->BlockOffset = offset;
    store->Delivered += store->BlockLength;
    store->WalkState = WalkInPiece;
    return true;
}

const uint8_t *BinaryBlockBuffer(const Binary *store) {
    if (!store || store->WalkState != WalkInPiece || store->BlockChunk == store->Chunks.end())
        return nullptr;
    if (store->BlockStreamed) return store->WalkBuffer.data();
    return store->BlockChunk->Buffer.data() + store->BlockOffset;
}

int64_t BinaryBlockLength(const Binary *store) { return store ? store->BlockLength : 0; }

int64_t BinaryBlockPosition(const Binary *store) { return store ? store->BlockPosition : 0; }

bool BinaryWalkFailed(const Binary *store) { return store && store->WalkState == WalkInterrupted; }

int64_t GetBinaryCacheSize(const Binary *store) {
    if (!store) return 0;
    int64_t total = 0;
    for (const BinaryChunk &c : store->Chunks)
        if (c.loaded() || c.Modified || c.Holders) total += c.Length;
    return total;
}

bool BinaryHasReadFailure(const Binary *store) {
    if (!store) return false;
    return std::any_of(store->Chunks.begin(), store->Chunks.end(),
                       [](const BinaryChunk &c) { return c.ReadFailed != 0; });
}

}  // namespace hx
