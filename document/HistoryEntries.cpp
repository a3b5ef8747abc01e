// The four kinds of undoable edits (insert, delete, replace, fill) and the
// recording operations that build them.
//
// Every recording operation clamps its range to the document before it copies
// anything, and the entry keeps the clamped position and exactly the bytes it
// touched. Undo and redo then replay raw store operations whose own clamping
// has nothing left to change, so an edit given a range past either end of the
// document is reversed byte-for-byte instead of drifting.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "Binary.h"
#include "ChunkWriter.h"
#include "Document.h"
#include "EditProgress.h"
#include "History.h"

namespace hx {

namespace {

int64_t SizeOf(const ByteBuffer &b) { return b.valid() ? b.size() : 0; }

int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) return b < 0 ? std::numeric_limits<int64_t>::min()
                                                        : std::numeric_limits<int64_t>::max();
    return r;
}

// A range clamped to 0 ... length: a negative start shortens the range by as
// much, a start past the end leaves an empty range at the end, and the range
// is cut at the end. The result's length is never negative.
void ClampRange(int64_t length, int64_t &position, int64_t &n) {
    if (position < 0) {
        n = SaturatingAdd(n, position);
        position = 0;
    } else if (position > length) {
        position = length;
        n = 0;
    }
    if (n > length - position) n = length - position;
    if (n < 0) n = 0;
}

int64_t ClampPosition(int64_t length, int64_t position) {
    if (position < 0) return 0;
    return position > length ? length : position;
}

// Copy of the document's bytes in [position, position + n), read with the
// transient slot; none for n == 0. ok is false when memory ran out.
ByteBuffer CopyRange(Binary *store, int64_t position, int64_t n, bool &ok) {
    ok = true;
    if (n <= 0) return ByteBuffer();
    ByteBuffer copy = ReadBinary(store, position, n, SlotTransient);
    if (!copy.valid() || copy.size() != n) ok = false;
    return copy;
}

void Leave(Document *doc, int64_t cursor) {
    doc->Cursor = cursor;
    doc->SelectionLength = 0;
}

// ---- insert and delete ------------------------------------------------------

struct BytesRecord {
    Document *Doc = nullptr;
    ByteBuffer Bytes;           // the inserted or deleted bytes
    int64_t Position = 0;
};

int InsertAt(BytesRecord *r) {
    if (InsertBinary(r->Doc->Store, r->Position, r->Bytes.data(), SizeOf(r->Bytes)) != BinaryOk)
        return 0;
    Leave(r->Doc, r->Position + SizeOf(r->Bytes));
    return 1;
}

int RemoveAt(BytesRecord *r) {
    if (RemoveBinary(r->Doc->Store, r->Position, SizeOf(r->Bytes)) != BinaryOk) return 0;
    Leave(r->Doc, r->Position);
    return 1;
}

int ApplyInsert(void *data, int direction) {
    auto *r = static_cast<BytesRecord *>(data);
    return direction < 0 ? RemoveAt(r) : InsertAt(r);
}

int ApplyDelete(void *data, int direction) {
    auto *r = static_cast<BytesRecord *>(data);
    return direction < 0 ? InsertAt(r) : RemoveAt(r);
}

void FreeBytesRecord(void *data) {
    std::unique_ptr<BytesRecord> owned(static_cast<BytesRecord *>(data));
}

int64_t BytesRecordSize(void *data) { return SizeOf(static_cast<BytesRecord *>(data)->Bytes) + 16; }

// ---- replace ----------------------------------------------------------------

struct ReplaceRecord {
    Document *Doc = nullptr;
    ByteBuffer Old;             // the replaced bytes; none when nothing was replaced
    ByteBuffer New;             // none when the range is replaced by nothing
    int64_t Position = 0;
};

int ApplyReplace(void *data, int direction) {
    auto *r = static_cast<ReplaceRecord *>(data);
    Binary *store = r->Doc->Store;
    if (direction < 0) {
        if (ReplaceBinary(store, r->Position, SizeOf(r->New), r->Old.data(), SizeOf(r->Old)) !=
            BinaryOk)
            return 0;
        Leave(r->Doc, r->Position);
        return 1;
    }
    if (ReplaceBinary(store, r->Position, SizeOf(r->Old), r->New.data(), SizeOf(r->New)) != BinaryOk)
        return 0;
    Leave(r->Doc, r->Position + SizeOf(r->New));
    return 1;
}

void FreeReplaceRecord(void *data) {
    std::unique_ptr<ReplaceRecord> owned(static_cast<ReplaceRecord *>(data));
}

int64_t ReplaceRecordSize(void *data) {
    auto *r = static_cast<ReplaceRecord *>(data);
    return SizeOf(r->New) + SizeOf(r->Old) + 20;
}

// ---- replace by moved chunks ------------------------------------------------

// The bytes that are not in the document live here as the store's own chunks:
// the old range while the edit is in effect, the new bytes while it is undone.
// Each apply swaps them with the range in the store (ExchangeBinaryRange), so
// neither side is ever copied: chunks whose bytes lie in the file or the
// scratch file stay references to them.
struct MovedReplaceRecord {
    Document *Doc = nullptr;
    ChunkList Held;
    int64_t Position = 0;
    int64_t OldLength = 0;
    int64_t NewLength = 0;
    int64_t CursorAfter = 0;    // where the cursor goes when done or redone
    bool InEffect = false;
};

int ApplyMovedReplace(void *data, int direction) {
    auto *r = static_cast<MovedReplaceRecord *>(data);
    const bool undo = direction < 0;
    if (undo != r->InEffect) return 0;   // out of step with the document: refuse rather than garble it
    ChunkList out;
    const int64_t inStore = undo ? r->NewLength : r->OldLength;
    if (ExchangeBinaryRange(r->Doc->Store, r->Position, inStore, r->Held, &out) != BinaryOk) return 0;
    r->Held = std::move(out);
    r->InEffect = !undo;
    Leave(r->Doc, undo ? r->Position : r->CursorAfter);
    return 1;
}

void FreeMovedReplaceRecord(void *data) {
    std::unique_ptr<MovedReplaceRecord> owned(static_cast<MovedReplaceRecord *>(data));
}

// A chunk kept elsewhere costs its list node; one in memory its bytes too.
constexpr int64_t kHeldChunkCost = static_cast<int64_t>(sizeof(BinaryChunk) + 2 * sizeof(void *));

int64_t MovedReplaceRecordSize(void *data) {
    auto *r = static_cast<MovedReplaceRecord *>(data);
    int64_t bytes = 20;
    for (const BinaryChunk &c : r->Held) bytes += kHeldChunkCost + (c.loaded() ? c.Length : 0);
    return bytes;
}

ChunkList *MovedReplaceHeld(void *data) { return &static_cast<MovedReplaceRecord *>(data)->Held; }

// ---- fill -------------------------------------------------------------------

struct FillRecord {
    Document *Doc = nullptr;
    ByteBuffer Old;             // the replaced bytes; none for a fill that only inserts
    ByteBuffer Pattern;
    int64_t Count = 0;          // bytes the repeated pattern makes
    int64_t Position = 0;
    int64_t CursorAfter = 0;
};

int ApplyFill(void *data, int direction) {
    auto *r = static_cast<FillRecord *>(data);
    Binary *store = r->Doc->Store;
    if (direction < 0) {
        if (ReplaceBinary(store, r->Position, r->Count, r->Old.data(), SizeOf(r->Old)) != BinaryOk)
            return 0;
        Leave(r->Doc, r->Position);
        return 1;
    }
    // The filled bytes are made anew each time, so the entry keeps only the pattern.
    ByteBuffer filled = MakeFillPattern(r->Pattern.data(), SizeOf(r->Pattern), r->Count);
    if (!filled.valid()) return 0;
    if (ReplaceBinary(store, r->Position, SizeOf(r->Old), filled.data(), r->Count) != BinaryOk)
        return 0;
    Leave(r->Doc, r->CursorAfter);
    return 1;
}

void FreeFillRecord(void *data) {
    std::unique_ptr<FillRecord> owned(static_cast<FillRecord *>(data));
}

int64_t FillRecordSize(void *data) {
    auto *r = static_cast<FillRecord *>(data);
    return SizeOf(r->Pattern) + SizeOf(r->Old) + 36;
}

// ---- recording --------------------------------------------------------------

bool Usable(const Document *doc) { return doc && doc->Store && doc->Hist; }

// Hands the record to the history, which applies it. On failure the record is
// still ours and is freed here; the document is unchanged.
template <typename Record>
int Commit(Document *doc, std::unique_ptr<Record> record, HistoryApply apply, HistoryFree free,
            HistoryGetSize getSize, HistoryHeld held = nullptr) {
    doc->Hist->SavedIndex = &doc->SavedHistoryIndex;
    if (AddHistory(doc->Hist, record.get(), apply, free, getSize, held) == 0) return BinaryNoMemory;
    record.release();  // owned by the history from here on
    return 0;
}

bool Large(int64_t n) { return n > HistorySettings::CopyLimit; }

// A large edit: the new bytes made by `make` through a ChunkWriter (memory or
// the scratch file, with progress), the old range moved out as it is.
template <typename Make>
int RecordLarge(Document *doc, int64_t position, int64_t oldLength, int64_t newLength, int64_t cursorAfter,
                Make make) {
    // A run that cannot fit is refused before it writes anything.
    if (!RoomForNewBytes(newLength)) return BinaryNoSpace;
    ChunkWriter writer(doc->Store);
    writer.expect(newLength);
    if (newLength > 0) make(writer);
    ChunkList chunks = writer.take();
    int r = writer.status();
    if (r == BinaryOk) r = ReplaceBytesMoving(doc, position, oldLength, std::move(chunks), cursorAfter);
    ReportEditProgress(newLength, newLength);
    return r;
}

int RecordLargeCopy(Document *doc, int64_t position, int64_t oldLength, const uint8_t *source, int64_t n) {
    return RecordLarge(doc, position, oldLength, n, -1, [&](ChunkWriter &w) { w.append(source, n); });
}

}  // namespace

int InsertBytes(Document *doc, int64_t position, const uint8_t *source, int64_t length) {
    // Nothing to insert records nothing, as a delete of nothing does; an empty
    // entry would only make an unchanged document look changed.
    if (!Usable(doc) || !source || length <= 0) return 0;
    if (Large(length)) return RecordLargeCopy(doc, ClampPosition(doc->Store->Length, position), 0, source, length);
    auto record = std::make_unique<BytesRecord>();
    record->Doc = doc;
    record->Position = ClampPosition(doc->Store->Length, position);
    record->Bytes = ByteBuffer::copyOf(source, length);
    if (!record->Bytes.valid()) return BinaryNoMemory;
    return Commit(doc, std::move(record), ApplyInsert, FreeBytesRecord, BytesRecordSize);
}

int DeleteBytes(Document *doc, int64_t position, int64_t length) {
    if (!Usable(doc)) return 0;
    ClampRange(doc->Store->Length, position, length);
    if (length == 0) return 0;
    if (Large(length)) return ReplaceBytesMoving(doc, position, length, ChunkList{});
    auto record = std::make_unique<BytesRecord>();
    record->Doc = doc;
    record->Position = position;
    bool ok;
    record->Bytes = CopyRange(doc->Store, position, length, ok);
    if (!ok) return BinaryNoMemory;
    return Commit(doc, std::move(record), ApplyDelete, FreeBytesRecord, BytesRecordSize);
}

int ReplaceBytes(Document *doc, int64_t position, int64_t oldLength, const uint8_t *source,
                 int64_t newLength) {
    if (!Usable(doc)) return 0;
    // An old length of 0 (or less, which no caller means) replaces nothing: an insert.
    if (oldLength <= 0) return InsertBytes(doc, position, source, newLength);
    if (!source || newLength < 0) newLength = 0;  // a missing source replaces by nothing
    ClampRange(doc->Store->Length, position, oldLength);
    if (oldLength == 0) return InsertBytes(doc, position, source, newLength);
    if (Large(oldLength) || Large(newLength)) return RecordLargeCopy(doc, position, oldLength, source, newLength);
    auto record = std::make_unique<ReplaceRecord>();
    record->Doc = doc;
    record->Position = position;
    bool ok;
    record->Old = CopyRange(doc->Store, position, oldLength, ok);
    if (!ok) return BinaryNoMemory;
    if (newLength > 0) {
        record->New = ByteBuffer::copyOf(source, newLength);
        if (!record->New.valid()) return BinaryNoMemory;
    }
    return Commit(doc, std::move(record), ApplyReplace, FreeReplaceRecord, ReplaceRecordSize);
}

int ReplaceBytesMoving(Document *doc, int64_t position, int64_t oldLength, ChunkList &&newChunks,
                       int64_t cursorAfter) {
    ChunkList taken = std::move(newChunks);   // taken over whatever the result
    if (!Usable(doc)) return 0;
    oldLength = std::max<int64_t>(oldLength, 0);
    ClampRange(doc->Store->Length, position, oldLength);
    auto record = std::make_unique<MovedReplaceRecord>();
    record->Doc = doc;
    record->Position = position;
    record->OldLength = oldLength;
    for (const BinaryChunk &c : taken) record->NewLength = SaturatingAdd(record->NewLength, c.Length);
    if (oldLength == 0 && record->NewLength == 0) return 0;   // neither removes nor adds a byte
    record->CursorAfter = cursorAfter == -1 ? SaturatingAdd(position, record->NewLength) : cursorAfter;
    record->Held = std::move(taken);
    // The exchange checks the chunks; one that is not fit for the store
    // fails it, and nothing is recorded.
    for (const BinaryChunk &c : record->Held)
        if (c.Length < 1 || (c.loaded() ? c.Buffer.size() != c.Length : !c.backed())) return BinaryBadLength;
    return Commit(doc, std::move(record), ApplyMovedReplace, FreeMovedReplaceRecord, MovedReplaceRecordSize,
                  MovedReplaceHeld);
}

int ReplaceBytesMoving(Document *doc, int64_t position, int64_t oldLength,
                       std::vector<ByteBuffer> &&newBytes) {
    std::vector<ByteBuffer> taken = std::move(newBytes);   // consumed whatever the result
    if (!Usable(doc)) return 0;
    ChunkWriter writer(doc->Store);
    for (ByteBuffer &b : taken)
        if (writer.append(std::move(b)) != BinaryOk) return writer.status();
    ChunkList chunks = writer.take();
    if (writer.status() != BinaryOk) return writer.status();
    return ReplaceBytesMoving(doc, position, oldLength, std::move(chunks));
}

namespace {

// A fill of many bytes: the pattern repeated into a block of whole
// repetitions about L long, handed to the writer again and again (the
// last time cut), so that the pattern runs on without a seam.
int FillLarge(Document *doc, int64_t position, int64_t oldLength, const uint8_t *pattern, int64_t patternLength,
              int64_t count, int64_t cursorAfter) {
    if (oldLength <= 0) {
        oldLength = 0;
        position = ClampPosition(doc->Store->Length, position);
    } else {
        ClampRange(doc->Store->Length, position, oldLength);
    }
    if (oldLength == 0 && count == 0) return 0;
    const int64_t L = doc->Store->ChunkLength;
    const int64_t unit = count == 0 ? 0 : std::min(count, std::max(patternLength, L / patternLength * patternLength));
    ByteBuffer block = MakeFillPattern(pattern, patternLength, unit);
    if (!block.valid()) return BinaryNoMemory;
    const int64_t after = cursorAfter == -1 ? SaturatingAdd(position, count) : cursorAfter;
    return RecordLarge(doc, position, oldLength, count, after, [&](ChunkWriter &w) {
        for (int64_t done = 0; done < count && w.status() == BinaryOk; done += unit)
            w.append(block.data(), std::min(unit, count - done));
    });
}

}  // namespace

int FillBytes(Document *doc, int64_t position, int64_t oldLength, const uint8_t *pattern,
              int64_t patternLength, int64_t count, int64_t cursorAfter) {
    if (!Usable(doc)) return 0;
    // A negative count, or bytes to make without a pattern to make them from,
    // is no edit at all.
    if (count < 0 || (count > 0 && (!pattern || patternLength < 1))) return 0;
    if (Large(count) || Large(oldLength)) return FillLarge(doc, position, oldLength, pattern, patternLength, count, cursorAfter);
    auto record = std::make_unique<FillRecord>();
    record->Doc = doc;
    record->Count = count;
    bool ok = true;
    if (oldLength <= 0) {
        // Nothing replaced: the fill inserts its bytes at the position.
        record->Position = ClampPosition(doc->Store->Length, position);
    } else {
        ClampRange(doc->Store->Length, position, oldLength);
        record->Position = position;
        record->Old = CopyRange(doc->Store, position, oldLength, ok);
        if (!ok) return BinaryNoMemory;
    }
    if (SizeOf(record->Old) == 0 && count == 0) return 0;  // neither removes nor adds a byte
    if (count > 0) {
        record->Pattern = ByteBuffer::copyOf(pattern, patternLength);
        if (!record->Pattern.valid()) return BinaryNoMemory;
    }
    record->CursorAfter = cursorAfter == -1 ? SaturatingAdd(record->Position, count) : cursorAfter;
    return Commit(doc, std::move(record), ApplyFill, FreeFillRecord, FillRecordSize);
}

ByteBuffer MakeFillPattern(const uint8_t *pattern, int64_t patternLength, int64_t count) {
    if (count < 0) return ByteBuffer();
    if (count > 0 && (!pattern || patternLength < 1)) return ByteBuffer();
    ByteBuffer block = ByteBuffer::zeroed(count);
    if (!block.valid() || count == 0) return block;
    uint8_t *out = block.data();
    int64_t filled = patternLength < count ? patternLength : count;
    std::memcpy(out, pattern, static_cast<size_t>(filled));
    // Doubling: each copy repeats everything made so far, which is a whole
    // number of repetitions, so the pattern continues without a seam and the
    // last copy is simply cut at count.
    while (filled < count) {
        int64_t step = filled < count - filled ? filled : count - filled;
        std::memcpy(out + filled, out, static_cast<size_t>(step));
        filled += step;
    }
    return block;
}

}  // namespace hx
