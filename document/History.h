// The undo history of one document: a linear list of entries, each of which
// knows how to apply, reverse and free itself and how much memory it keeps.
// The kept entries' costs are bounded by MaxSize; the oldest are dropped first,
// the newest is always kept.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <vector>

#include "Binary.h"
#include "ByteBuffer.h"

namespace hx {

struct Document;

// direction: 0 do (first time), 1 redo, -1 undo. Returns non-zero on success.
using HistoryApply = int (*)(void *data, int direction);
using HistoryFree = void (*)(void *data);
using HistoryGetSize = int64_t (*)(void *data);
// The chunks the entry keeps outside the document (moved out of its store),
// nullptr for an entry that keeps copies only. Their bytes may lie in the
// document's file: a save that overwrites them must copy them first.
using HistoryHeld = ChunkList *(*)(void *data);

struct HistoryEntry {
    void *Data = nullptr;
    HistoryApply Apply = nullptr;
    HistoryFree Free = nullptr;
    HistoryGetSize GetSize = nullptr;
    HistoryHeld Held = nullptr;
    // The cost counted in History::Size for this entry: GetSize + overhead as
    // measured when the entry was recorded or last applied. An entry may keep
    // different bytes when done and when undone; Size always sums these.
    int64_t Cost = 0;
};

struct History {
    int64_t Number = -1;
    int64_t Size = 0;          // sum of the costs of the kept entries
    int64_t MaxSize = 0;
    std::list<HistoryEntry> Entries;                 // oldest first
    std::list<HistoryEntry>::iterator Current;       // Entries.end(): none in effect
    int32_t Index = 0;         // entries in effect: Current's index + 1, 0 when none
    int64_t Dropped = 0;       // entries dropped from the front by the size bound, ever
    // The owning document's SavedHistoryIndex, kept in step when entries are
    // dropped: it moves down with entries dropped from the front, and becomes
    // -1 (unreachable) when the saved state itself is dropped or cut off with
    // the redo branch. The recording operations bind it; nullptr: none kept.
    int32_t *SavedIndex = nullptr;

    History() : Current(Entries.end()) {}
    History(const History &) = delete;
    History &operator=(const History &) = delete;
};

// Fixed part of every entry's cost on top of what its record keeps.
inline constexpr int64_t HistoryEntryOverhead = 28;

// number -1 makes an unnumbered history; 0 ... 65535 enters it in the
// history number table (freeing a history already there); anything else, or a
// negative limit, returns nullptr.
History *CreateHistory(int64_t number, int64_t limit);
// Frees every entry (through its Free), the number-table entry and the record.
// nullptr is ignored.
int FreeHistory(History *history);
// A history created under a number (0 ... 65535); nullptr when none.
History *HistoryByNumber(int64_t number);
// Applies the entry (direction 0) and, when that succeeds, records it after
// the current entry, discarding the undone ones, then drops the oldest while
// Size exceeds MaxSize (never the new one). Returns apply's result; on 0 the
// entry is not recorded, the history is unchanged and data stays the caller's.
int AddHistory(History *history, void *data, HistoryApply apply, HistoryFree free,
               HistoryGetSize getSize, HistoryHeld held = nullptr);
// Reverse the current entry / re-apply the next one. Return apply's result, or
// 0 when there is nothing to undo or redo. An apply that fails (0) leaves the
// current entry where it was, so the history stays in step with the bytes.
// The applied entry's cost is measured again; when Size then exceeds MaxSize,
// entries are dropped until it does not or only the applied entry is left:
// first the oldest entries that are in effect (as AddHistory drops them),
// then undone entries from the far end of the redo branch.
int Undo(History *history);
int Redo(History *history);
// Joins the newest entry with the one before it into one entry, so that one
// undo reverses both and one redo applies both again (the two digits typed
// into one byte). Only when both are in effect, no undone entry follows them
// and the earlier one holds the data `earlier` (as CurrentEntryData gave it
// after that edit); otherwise returns false and changes nothing. Size stays
// the same; a saved state between the two can no longer be reached.
bool JoinNewestEntries(History *history, const void *earlier);
// The data of the entry that Undo would reverse; nullptr when none.
const void *CurrentEntryData(const History *history);
int32_t HistoryIndex(const History *history);
int32_t CountHistoryEntries(const History *history);
// Sum of the entries' costs: bytes they keep in memory, their records, and
// a list node for each chunk they keep elsewhere (the file, the scratch
// file). The bound (MaxSize) applies to it.
int64_t HistorySize(const History *history);
// Bytes the kept entries hold in the scratch file (not part of Size).
int64_t HistoryScratchBytes(History *history);

// Calls visit for every history of the program.
void ForEachHistory(void (*visit)(History *history, void *context), void *context);
// Calls visit for every chunk list a kept entry holds outside its document.
void ForEachHeldChunks(History *history, const std::function<void(ChunkList &chunks)> &visit);
// Drops every kept entry holding a chunk for which `needs` is true, with
// every entry that could only be reached through it: entries in effect from
// the oldest up to the newest such one, undone entries from the far end of
// the redo branch down to the nearest such one. The document stays as it
// is; the saved state follows as when the bound drops entries. Returns the
// number of entries dropped.
int32_t DropHistoryEntries(History *history, const std::function<bool(const BinaryChunk &chunk)> &needs);

// Ranges and new bytes up to this many bytes are copied into the entry (the
// insert, delete, replace and fill kinds); longer ones go as chunks: the old
// range moves out of the store as it is (references to the file's bytes cost
// no memory), the new bytes go through a ChunkWriter (memory or the scratch
// file) and progress is reported for long ones (EditProgress.h).
struct HistorySettings {
    static inline int64_t CopyLimit = int64_t(1) << 20;
};

// The recording operations act on the document's Binary and History and set
// its Cursor and SelectionLength (see the entry kinds). They return 0, or
// BinaryNoMemory when the copies could not be made, BinaryNoSpace when the
// scratch file could not take the new bytes, BinaryCancelled when the
// progress report stopped the edit, BinaryReadFailed when bytes to be kept
// could not be read (nothing is recorded then, the document is unchanged).
int InsertBytes(Document *doc, int64_t position, const uint8_t *source, int64_t length);
int DeleteBytes(Document *doc, int64_t position, int64_t length);
int ReplaceBytes(Document *doc, int64_t position, int64_t oldLength, const uint8_t *source,
                 int64_t newLength);
// A replace of a range, clamped as ReplaceBytes clamps it, by bytes handed
// over as buffers, for large ranges: the store takes the buffers as its chunks
// (ExchangeBinaryRange) and the entry keeps the replaced range as the chunks
// that held it; undo and redo swap the chunks again. So the entry keeps the
// bytes that are not in the document: the old range while the edit is in
// effect, the new bytes while it is undone; its cost follows (held + 20 + 28).
// An empty old range inserts, no new bytes remove. The buffers are consumed
// whatever the result (the history's on success, freed otherwise);
// BinaryNoMemory: nothing recorded, the document unchanged.
int ReplaceBytesMoving(Document *doc, int64_t position, int64_t oldLength,
                       std::vector<ByteBuffer> &&newBytes);
// The same with the new bytes as chunks (made by a ChunkWriter for the
// document's store: in memory, in the scratch file, or references to the
// store's own bytes), taken over whatever the result. This is the way to
// replace a range of any size by many pieces as one undo step. cursorAfter:
// where the cursor goes when the edit is done or redone; -1: after the new
// bytes. BinaryBadLength: a chunk that is not fit for the store (see
// ExchangeBinaryRange).
int ReplaceBytesMoving(Document *doc, int64_t position, int64_t oldLength, ChunkList &&newChunks,
                       int64_t cursorAfter = -1);
int FillBytes(Document *doc, int64_t position, int64_t oldLength, const uint8_t *pattern,
              int64_t patternLength, int64_t count, int64_t cursorAfter);

// n bytes holding the pattern repeated from the start, the last repetition cut.
ByteBuffer MakeFillPattern(const uint8_t *pattern, int64_t patternLength, int64_t count);

}  // namespace hx
