#include "History.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <list>
#include <memory>
#include <vector>

namespace hx {

namespace {

constexpr int64_t kMaxHistoryNumber = 65535;

// Every history of the program, and the ones created under a number.
std::list<std::unique_ptr<History>> &AllHistories() {
    static std::list<std::unique_ptr<History>> all;
    return all;
}

std::vector<History *> &NumberTable() {
    static std::vector<History *> table;
    return table;
}

int64_t EntryCost(const HistoryEntry &entry) {
    int64_t kept = entry.GetSize ? entry.GetSize(entry.Data) : 0;
    if (kept < 0) kept = 0;
    if (kept > std::numeric_limits<int64_t>::max() - HistoryEntryOverhead)
        return std::numeric_limits<int64_t>::max();
    return kept + HistoryEntryOverhead;
}

void FreeEntry(HistoryEntry &entry) {
    if (entry.Free) entry.Free(entry.Data);
    entry.Data = nullptr;
}

int64_t SaturatingSub(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r)) return a < 0 ? std::numeric_limits<int64_t>::min() : 0;
    return r;
}

int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) return std::numeric_limits<int64_t>::max();
    return r;
}

// Removes the oldest entry. The states reachable by undo all move down by
// one; state 0 (before that entry) is gone, so a saved state there is lost.
void DropOldest(History *history) {
    auto &entries = history->Entries;
    HistoryEntry &oldest = entries.front();
    history->Size = SaturatingSub(history->Size, oldest.Cost);
    FreeEntry(oldest);
    if (history->Current == entries.begin()) history->Current = entries.end();
    entries.pop_front();
    if (history->Index > 0) --history->Index;
    ++history->Dropped;
    if (history->SavedIndex) {
        int32_t &saved = *history->SavedIndex;
        if (saved > 0)
            --saved;
        else
            saved = -1;
    }
}

// Removes every entry after the current one (all when none is current).
void CutRedoBranch(History *history) {
    auto &entries = history->Entries;
    auto first = history->Current == entries.end() ? entries.begin() : std::next(history->Current);
    if (first == entries.end()) return;
    // The saved state lay in the discarded branch: no index can reach it again.
    if (history->SavedIndex && *history->SavedIndex > history->Index) *history->SavedIndex = -1;
    while (first != entries.end()) {
        history->Size = SaturatingSub(history->Size, first->Cost);
        FreeEntry(*first);
        first = entries.erase(first);
    }
}

// Removes the last entry, which is not in effect (it lies in the redo
// branch); the state after it can no longer be reached.
void DropNewest(History *history) {
    auto &entries = history->Entries;
    HistoryEntry &newest = entries.back();
    history->Size = SaturatingSub(history->Size, newest.Cost);
    FreeEntry(newest);
    entries.pop_back();
    if (history->SavedIndex && *history->SavedIndex > static_cast<int64_t>(entries.size()))
        *history->SavedIndex = -1;
}

// Measures the entry's cost again after it was applied.
void Remeasure(History *history, HistoryEntry &entry) {
    const int64_t cost = EntryCost(entry);
    history->Size = SaturatingAdd(SaturatingSub(history->Size, entry.Cost), cost);
    entry.Cost = cost;
}

// Drops entries while Size exceeds MaxSize, never `keep`: the oldest while it
// is in effect, then the far end of the redo branch. Entries in effect can go
// only from the front and undone ones only from the back, so that every entry
// left still applies to the bytes it was recorded on.
void EnforceBound(History *history, const HistoryEntry *keep) {
    auto &entries = history->Entries;
    while (history->Size > history->MaxSize && entries.size() > 1) {
        if (history->Index > 0 && &entries.front() != keep) {
            DropOldest(history);
            continue;
        }
        const bool lastInEffect =
            history->Current != entries.end() && std::next(history->Current) == entries.end();
        if (!lastInEffect && &entries.back() != keep) {
            DropNewest(history);
            continue;
        }
        break;
    }
}

}  // namespace

History *CreateHistory(int64_t number, int64_t limit) {
    if (number < -1 || number > kMaxHistoryNumber || limit < 0) return nullptr;
    if (number >= 0) {
        auto &table = NumberTable();
        if (static_cast<size_t>(number) < table.size() && table[number])
            FreeHistory(table[number]);
    }
    auto &all = AllHistories();
    all.push_back(std::make_unique<History>());
    History *history = all.back().get();
    history->Number = number;
    history->MaxSize = limit;
    if (number >= 0) {
        auto &table = NumberTable();
        if (static_cast<size_t>(number) >= table.size()) table.resize(number + 1, nullptr);
        table[number] = history;
    }
    return history;
}

int FreeHistory(History *history) {
    if (!history) return 0;
    for (HistoryEntry &entry : history->Entries) FreeEntry(entry);
    history->Entries.clear();
    auto &table = NumberTable();
    if (history->Number >= 0 && static_cast<size_t>(history->Number) < table.size() &&
        table[history->Number] == history)
        table[history->Number] = nullptr;
    AllHistories().remove_if([history](const auto &h) { return h.get() == history; });
    return 0;
}

History *HistoryByNumber(int64_t number) {
    auto &table = NumberTable();
    if (number < 0 || static_cast<uint64_t>(number) >= table.size()) return nullptr;
    return table[number];
}

int AddHistory(History *history, void *data, HistoryApply apply, HistoryFree free,
               HistoryGetSize getSize, HistoryHeld held) {
    if (!history || !apply) return 0;
    // Applying first means a failed apply leaves the redo branch in place:
    // nothing about the history changes when nothing about the bytes did.
    int r = apply(data, 0);
    if (r == 0) return 0;
    CutRedoBranch(history);
    HistoryEntry entry{data, apply, free, getSize, held};
    entry.Cost = EntryCost(entry);
    history->Entries.push_back(entry);
    history->Current = std::prev(history->Entries.end());
    ++history->Index;  // each entry keeps at least a list node: 2^31 of them do not fit in memory
    history->Size = SaturatingAdd(history->Size, entry.Cost);
    EnforceBound(history, &*history->Current);
    return r;
}

int Undo(History *history) {
    if (!history || history->Current == history->Entries.end()) return 0;
    HistoryEntry &entry = *history->Current;
    int r = entry.Apply(entry.Data, -1);
    if (r == 0) return 0;
    history->Current = history->Current == history->Entries.begin() ? history->Entries.end()
                                                                     : std::prev(history->Current);
    --history->Index;
    Remeasure(history, entry);
    EnforceBound(history, &entry);
    return r;
}

int Redo(History *history) {
    if (!history) return 0;
    auto next = history->Current == history->Entries.end() ? history->Entries.begin()
                                                           : std::next(history->Current);
    if (next == history->Entries.end()) return 0;
    int r = next->Apply(next->Data, 1);
    if (r == 0) return 0;
    history->Current = next;
    ++history->Index;
    Remeasure(history, *next);
    EnforceBound(history, &*next);
    return r;
}

namespace {

// Two entries that act as one: applied in their order, undone in reverse. A
// half-done apply is taken back, so the bytes are never left between the two.
struct JoinedEntries {
    HistoryEntry First, Second;
};

int ApplyJoined(void *data, int direction) {
    auto *j = static_cast<JoinedEntries *>(data);
    HistoryEntry &first = direction < 0 ? j->Second : j->First;
    HistoryEntry &second = direction < 0 ? j->First : j->Second;
    if (first.Apply(first.Data, direction) == 0) return 0;
    if (second.Apply(second.Data, direction) != 0) return 1;
    first.Apply(first.Data, direction < 0 ? 1 : -1);
    return 0;
}

void FreeJoined(void *data) {
    std::unique_ptr<JoinedEntries> owned(static_cast<JoinedEntries *>(data));
    FreeEntry(owned->First);
    FreeEntry(owned->Second);
}

// The two entries' costs, less the overhead the joined entry adds itself.
int64_t JoinedSize(void *data) {
    auto *j = static_cast<JoinedEntries *>(data);
    return SaturatingSub(SaturatingAdd(EntryCost(j->First), EntryCost(j->Second)), HistoryEntryOverhead);
}

}  // namespace

bool JoinNewestEntries(History *history, const void *earlier) {
    if (!history || history->Index < 2 || history->Entries.size() < 2) return false;
    auto &entries = history->Entries;
    const auto second = std::prev(entries.end());
    if (history->Current != second) return false;
    const auto first = std::prev(second);
    if (first->Data != earlier) return false;
    // Entries that keep chunks outside the document are not joined: a save
    // must still find those chunks through each entry (ForEachHeldChunks).
    if (first->Held || second->Held) return false;
    auto joined = std::make_unique<JoinedEntries>();
    joined->First = *first;
    joined->Second = *second;
    history->Size = SaturatingSub(history->Size, SaturatingAdd(first->Cost, second->Cost));
    entries.erase(first, entries.end());
    HistoryEntry entry{joined.release(), ApplyJoined, FreeJoined, JoinedSize};
    entry.Cost = EntryCost(entry);
    entries.push_back(entry);
    history->Current = std::prev(entries.end());
    --history->Index;
    history->Size = SaturatingAdd(history->Size, entry.Cost);
    // The state between the two entries is gone; the one after both is one step nearer.
    if (int32_t *saved = history->SavedIndex) {
        if (*saved == history->Index) *saved = -1;
        else if (*saved == history->Index + 1) *saved = history->Index;
    }
    return true;
}

const void *CurrentEntryData(const History *history) {
    if (!history || history->Current == history->Entries.end()) return nullptr;
    return history->Current->Data;
}

int32_t HistoryIndex(const History *history) { return history ? history->Index : 0; }

int32_t CountHistoryEntries(const History *history) {
    if (!history) return 0;
    size_t n = history->Entries.size();
    return n > static_cast<size_t>(std::numeric_limits<int32_t>::max())
               ? std::numeric_limits<int32_t>::max()
               : static_cast<int32_t>(n);
}

int64_t HistorySize(const History *history) { return history ? history->Size : 0; }

int64_t HistoryScratchBytes(History *history) {
    int64_t total = 0;
    ForEachHeldChunks(history, [&](ChunkList &chunks) {
        for (const BinaryChunk &c : chunks)
            if (c.Scratch) total += c.Length;
    });
    return total;
}

void ForEachHistory(void (*visit)(History *history, void *context), void *context) {
    if (!visit) return;
    for (const auto &h : AllHistories()) visit(h.get(), context);
}

void ForEachHeldChunks(History *history, const std::function<void(ChunkList &chunks)> &visit) {
    if (!history) return;
    for (HistoryEntry &entry : history->Entries)
        if (entry.Held)
            if (ChunkList *chunks = entry.Held(entry.Data)) visit(*chunks);
}

int32_t DropHistoryEntries(History *history, const std::function<bool(const BinaryChunk &chunk)> &needs) {
    if (!history) return 0;
    auto holds = [&](HistoryEntry &entry) {
        ChunkList *chunks = entry.Held ? entry.Held(entry.Data) : nullptr;
        if (!chunks) return false;
        for (const BinaryChunk &c : *chunks)
            if (needs(c)) return true;
        return false;
    };
    // How many entries in effect (from the oldest) and undone ones (from the
    // far end) must go.
    int32_t inEffect = 0, undone = 0, index = 0;
    const int32_t count = CountHistoryEntries(history);
    for (HistoryEntry &entry : history->Entries) {
        ++index;
        if (!holds(entry)) continue;
        if (index <= history->Index) inEffect = index;
        else if (undone == 0) undone = count - index + 1;
    }
    for (int32_t i = 0; i < inEffect; ++i) DropOldest(history);
    for (int32_t i = 0; i < undone; ++i) DropNewest(history);
    return inEffect + undone;
}

}  // namespace hx
