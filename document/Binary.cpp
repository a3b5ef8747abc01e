#include "Binary.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "BinaryEdits.h"
#include "BinaryInternal.h"
#include "Journal.h"
#include "Save.h"

namespace hx {

using namespace binary_detail;

namespace {

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
    if (writable) {
        JournalRecovery found = RecoverInterruptedSave(f, name);
        s->Recovery = found.recovery;
        s->RecoveryJournal = std::move(found.keptAside);
        // Still torn: shown as it is, but no in-place save may build on it.
        if (found.recovery == RecoveryRepairFailed) writable = 0;
    }
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
    NotifyBinaryFreed(store);
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
                readChunkBytes(store, *c, from, buffer + done, n);
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
            NotifyBinaryEdit(store, position, 0, length);
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
    NotifyBinaryEdit(store, position, 0, length);
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
    NotifyBinaryEdit(store, position, length, 0);
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
    NotifyBinaryEdit(store, position, m, n);
    return BinaryOk;
}

int ReplaceBinary(Binary *store, int64_t position, int64_t oldLength, const ByteBuffer &source,
                  int64_t newLength) {
    if (newLength == -1) newLength = source.size();
    return ReplaceBinary(store, position, oldLength, source.valid() ? source.data() : nullptr,
                         newLength);
}

int64_t GetBinaryCacheSize(const Binary *store) {
    if (!store) return 0;
    int64_t total = 0;
    for (const BinaryChunk &c : store->Chunks)
        if (c.loaded() || (c.Modified && !c.Scratch) || c.Holders) total += c.Length;
    return total;
}

int64_t GetBinaryScratchSize(const Binary *store) {
    if (!store) return 0;
    int64_t total = 0;
    for (const BinaryChunk &c : store->Chunks)
        if (c.Scratch) total += c.Length;
    return total;
}

bool BinaryHasReadFailure(const Binary *store) {
    if (!store) return false;
    return std::any_of(store->Chunks.begin(), store->Chunks.end(),
                       [](const BinaryChunk &c) { return c.ReadFailed != 0; });
}

std::vector<std::pair<int64_t, int64_t>> UnreadableRuns(const Binary *store, int64_t position, int64_t length) {
    std::vector<std::pair<int64_t, int64_t>> runs;
    if (!store || length <= 0) return runs;
    position = std::max<int64_t>(position, 0);
    // position + length could overflow; the end is the store's at most.
    const int64_t end = length > store->Length - position ? store->Length : position + length;
    int64_t start = 0;
    for (const BinaryChunk &c : store->Chunks) {
        if (start >= end) break;
        const int64_t from = std::max(start, position), to = std::min(start + c.Length, end);
        if (c.ReadFailed && from < to) {
            if (!runs.empty() && runs.back().first + runs.back().second == from)
                runs.back().second += to - from;
            else
                runs.emplace_back(from, to - from);
        }
        start += c.Length;
    }
    return runs;
}

}  // namespace hx
