#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "StoreModel.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

// ---- the history with scripted entries ----------------------------------

// An entry that logs every apply and can be told to fail.
struct Probe {
    std::vector<int> *log;
    int64_t kept = 0;
    bool failDo = false;
    bool failUndo = false;
    int *freed = nullptr;
    int id = 0;
    int64_t keptUndone = -1;   // what it keeps while undone; -1: the same as kept
    bool undone = false;
};

int ProbeApply(void *data, int direction) {
    auto *p = static_cast<Probe *>(data);
    if ((direction == 0 && p->failDo) || (direction < 0 && p->failUndo)) return 0;
    p->log->push_back(p->id * 10 + direction);
    p->undone = direction < 0;
    return 1;
}
void ProbeFree(void *data) {
    std::unique_ptr<Probe> owned(static_cast<Probe *>(data));
    if (owned->freed) ++*owned->freed;
}
int64_t ProbeSize(void *data) {
    auto *p = static_cast<Probe *>(data);
    return p->undone && p->keptUndone >= 0 ? p->keptUndone : p->kept;
}

class HistoryCore : public ::testing::Test {
protected:
    void SetUp() override { h = CreateHistory(-1, 1000); }
    void TearDown() override { FreeHistory(h); }

    int add(int id, int64_t kept = 0, bool failDo = false, int64_t keptUndone = -1) {
        auto p = std::make_unique<Probe>(Probe{&log, kept, failDo, false, &freed, id, keptUndone});
        int r = AddHistory(h, p.get(), ProbeApply, ProbeFree, ProbeSize);
        if (r) p.release();
        return r;
    }

    History *h = nullptr;
    std::vector<int> log;
    int freed = 0;
};

TEST_F(HistoryCore, UndoAndRedoWalkTheEntriesWithTheirDirections) {
    add(1);
    add(2);
    EXPECT_EQ(HistoryIndex(h), 2);
    EXPECT_EQ(Undo(h), 1);
    EXPECT_EQ(Undo(h), 1);
    EXPECT_EQ(HistoryIndex(h), 0);
    EXPECT_EQ(Undo(h), 0) << "nothing left to undo";
    EXPECT_EQ(Redo(h), 1);
    EXPECT_EQ(HistoryIndex(h), 1);
    EXPECT_EQ(log, (std::vector<int>{10, 20, 19, 9, 11}));
    EXPECT_EQ(CountHistoryEntries(h), 2);
}

TEST_F(HistoryCore, NewEntryAfterUndosDiscardsTheUndoneOnes) {
    add(1);
    add(2);
    add(3);
    Undo(h);
    Undo(h);
    add(4);
    EXPECT_EQ(CountHistoryEntries(h), 2);
    EXPECT_EQ(HistoryIndex(h), 2);
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(Redo(h), 0);
    Undo(h);
    Undo(h);
    EXPECT_EQ(log.back(), 9) << "the first edit is the oldest one kept";
}

TEST_F(HistoryCore, FailedApplyRecordsNothingAndKeepsTheRedoBranch) {
    add(1);
    add(2);
    Undo(h);
    EXPECT_EQ(add(3, 0, true), 0);
    EXPECT_EQ(CountHistoryEntries(h), 2);
    EXPECT_EQ(HistoryIndex(h), 1);
    EXPECT_EQ(HistorySize(h), 2 * HistoryEntryOverhead);
    EXPECT_EQ(Redo(h), 1);
}

TEST_F(HistoryCore, FailedUndoLeavesTheCurrentEntry) {
    auto p = std::make_unique<Probe>(Probe{&log, 0, false, true, &freed, 7});
    ASSERT_EQ(AddHistory(h, p.release(), ProbeApply, ProbeFree, ProbeSize), 1);
    EXPECT_EQ(Undo(h), 0);
    EXPECT_EQ(HistoryIndex(h), 1) << "undo did not happen, so the entry is still in effect";
}

TEST_F(HistoryCore, SizeBoundDropsOldestButNeverTheNewest) {
    add(1, 400);
    add(2, 400);
    EXPECT_EQ(CountHistoryEntries(h), 2);
    add(3, 400);  // 3 * 428 > 1000
    EXPECT_EQ(CountHistoryEntries(h), 2);
    EXPECT_EQ(HistorySize(h), 2 * 428);
    add(4, 5000);  // alone over the limit: kept, everything older dropped
    EXPECT_EQ(CountHistoryEntries(h), 1);
    EXPECT_EQ(HistorySize(h), 5028);
    EXPECT_EQ(HistoryIndex(h), 1);
    EXPECT_EQ(freed, 3);
}

// Entries that keep other bytes when undone than when done: Size follows each
// apply, and the bound is kept by dropping entries in effect from the front
// and undone ones from the back, never the entry just applied.
struct ChangingCostCase {
    const char *name;
    std::vector<std::pair<int64_t, int64_t>> entries;   // kept when done, when undone
    int undos, redos;
    int64_t size;
    int32_t count, index;
    int32_t savedBefore, savedAfter;
};

class HistoryChangingCosts : public ::testing::TestWithParam<ChangingCostCase> {};

TEST_P(HistoryChangingCosts, SizeFollowsEveryApplyAndStaysWithinTheBound) {
    const ChangingCostCase &c = GetParam();
    History *h = CreateHistory(-1, 1000);
    std::vector<int> log;
    int freed = 0, id = 0;
    for (const auto &[kept, undone] : c.entries) {
        auto p = std::make_unique<Probe>(Probe{&log, kept, false, false, &freed, ++id, undone});
        ASSERT_EQ(AddHistory(h, p.release(), ProbeApply, ProbeFree, ProbeSize), 1);
    }
    int32_t saved = c.savedBefore;
    h->SavedIndex = &saved;
    for (int i = 0; i < c.undos; ++i) EXPECT_EQ(Undo(h), 1);
    for (int i = 0; i < c.redos; ++i) EXPECT_EQ(Redo(h), 1);
    EXPECT_EQ(HistorySize(h), c.size);
    EXPECT_EQ(CountHistoryEntries(h), c.count);
    EXPECT_EQ(HistoryIndex(h), c.index);
    EXPECT_EQ(saved, c.savedAfter);
    EXPECT_EQ(freed, static_cast<int>(c.entries.size()) - c.count);
    FreeHistory(h);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryChangingCosts,
    ::testing::Values(
        // 128 + 128, then B undone keeps 400: 128 + 428.
        ChangingCostCase{"UndoRemeasures", {{100, 100}, {100, 400}}, 1, 0, 556, 2, 1, 2, 2},
        ChangingCostCase{"RedoRemeasures", {{100, 100}, {100, 400}}, 1, 1, 256, 2, 2, 2, 2},
        // B undone costs 928: A (in effect, the oldest) goes; the states move down.
        ChangingCostCase{"UndoDropsTheOldest", {{100, 100}, {100, 900}}, 1, 0, 928, 1, 0, 1, 0},
        // A undone costs 928 with B undone after it: B goes from the back,
        // and the state after it (saved) can no longer be reached.
        ChangingCostCase{"UndoDropsTheFarEndOfTheRedoBranch", {{100, 900}, {100, 100}}, 2, 0, 928, 1, 0, 2, -1},
        // A single entry over the bound is kept, undone or not.
        ChangingCostCase{"LoneEntryIsKept", {{100, 5000}}, 1, 0, 5028, 1, 0, 0, 0},
        ChangingCostCase{"LoneEntryIsKeptOnRedo", {{5000, 100}}, 1, 1, 5028, 1, 1, 0, 0}),
    [](const ::testing::TestParamInfo<ChangingCostCase> &info) { return std::string(info.param.name); });

TEST_F(HistoryCore, CostsBeyondFourGigabytesDoNotOverflow) {
    History *big = CreateHistory(-1, int64_t{8} << 30);
    auto p = std::make_unique<Probe>(Probe{&log, int64_t{3} << 30, false, false, &freed, 1});
    AddHistory(big, p.release(), ProbeApply, ProbeFree, ProbeSize);
    p = std::make_unique<Probe>(Probe{&log, int64_t{3} << 30, false, false, &freed, 2});
    AddHistory(big, p.release(), ProbeApply, ProbeFree, ProbeSize);
    EXPECT_EQ(HistorySize(big), 2 * ((int64_t{3} << 30) + HistoryEntryOverhead));
    EXPECT_EQ(CountHistoryEntries(big), 2) << "6 GiB is within an 8 GiB limit";
    FreeHistory(big);
}

TEST_F(HistoryCore, SavedIndexFollowsDroppedEntries) {
    int32_t saved = 2;
    h->SavedIndex = &saved;
    add(1, 200);
    add(2, 200);
    add(3, 200);  // 3 * 228 = 684 <= 1000
    add(4, 200);  // 912
    add(5, 200);  // 1140: the first entry goes, states move down by one
    EXPECT_EQ(saved, 1);
    add(6, 200);
    EXPECT_EQ(saved, 0);
    add(7, 200);  // the saved state itself is gone now
    EXPECT_EQ(saved, -1);
    add(8, 200);
    EXPECT_EQ(saved, -1);
}

TEST_F(HistoryCore, SavedStateInDiscardedRedoBranchBecomesUnreachable) {
    int32_t saved = 0;
    h->SavedIndex = &saved;
    add(1);
    add(2);
    add(3);
    saved = 3;
    Undo(h);
    Undo(h);
    add(4);
    add(5);  // index 3 again, but with other bytes than those saved
    EXPECT_EQ(saved, -1);
    EXPECT_NE(HistoryIndex(h), saved);
}

TEST(HistoryHandles, NumbersAreLookedUpAndReuseFreesThePreviousHistory) {
    std::vector<int> log;
    int freed = 0;
    History *first = CreateHistory(7, 100);
    ASSERT_NE(first, nullptr);
    auto probe = std::make_unique<Probe>(Probe{&log, 0, false, false, &freed, 1});
    AddHistory(first, probe.release(), ProbeApply, ProbeFree, ProbeSize);
    EXPECT_EQ(HistoryByNumber(7), first);
    History *second = CreateHistory(7, 100);
    EXPECT_EQ(freed, 1) << "the history under 7 was freed with its entries";
    EXPECT_EQ(HistoryByNumber(7), second);
    FreeHistory(second);
    EXPECT_EQ(HistoryByNumber(7), nullptr);
    EXPECT_EQ(CreateHistory(65536, 100), nullptr);
    EXPECT_EQ(CreateHistory(-2, 100), nullptr);
}

// ---- the four entry kinds on a real store ------------------------------

Bytes ReadAll(Binary *store) {
    ByteBuffer b = ReadBinary(store, 0, -1, SlotSearch);
    if (!b.valid()) return {};
    return Bytes(b.data(), b.data() + b.size());
}

Bytes Pattern(size_t n, uint8_t seed = 0) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + 1);
    return b;
}

// A document over a store with a tiny chunk length, so edits cross chunk
// boundaries all the time.
struct Doc {
    Document d;
    explicit Doc(const Bytes &content, int64_t limit = DocumentHistoryLimit, int64_t chunk = 8) {
        d.Store = CreateBinary(-1, chunk);
        d.Hist = CreateHistory(-1, limit);
        if (!content.empty()) InsertBinary(d.Store, 0, content.data(), content.size());
    }
    ~Doc() {
        FreeBinary(d.Store);
        FreeHistory(d.Hist);
    }
    Bytes bytes() { return ReadAll(d.Store); }
};

struct EditCase {
    const char *name;
    // Records the edit on the document and returns the expected content.
    std::function<Bytes(Document *, Bytes)> edit;
    int64_t cursorAfterEdit;
    int64_t cursorAfterUndo;
};

Bytes Splice(Bytes b, int64_t at, int64_t remove, const Bytes &insert) {
    b.erase(b.begin() + at, b.begin() + at + remove);
    b.insert(b.begin() + at, insert.begin(), insert.end());
    return b;
}

// Buffers holding the given runs of bytes, as a tool hands its output over.
std::vector<ByteBuffer> Buffers(std::initializer_list<Bytes> runs) {
    std::vector<ByteBuffer> out;
    for (const Bytes &r : runs) out.push_back(ByteBuffer::copyOf(r.data(), static_cast<int64_t>(r.size())));
    return out;
}

class EntryKinds : public ::testing::TestWithParam<EditCase> {};

TEST_P(EntryKinds, UndoRestoresEveryByteAndRedoReappliesWithCursorAndEmptySelection) {
    const EditCase &c = GetParam();
    Bytes before = Pattern(40);
    Doc doc(before);
    doc.d.SelectionLength = 5;
    Bytes expected = c.edit(&doc.d, before);
    EXPECT_EQ(doc.bytes(), expected);
    EXPECT_EQ(doc.d.Cursor, c.cursorAfterEdit);
    EXPECT_EQ(doc.d.SelectionLength, 0);
    ASSERT_EQ(HistoryIndex(doc.d.Hist), 1);

    doc.d.SelectionLength = 3;
    EXPECT_EQ(Undo(doc.d.Hist), 1);
    EXPECT_EQ(doc.bytes(), before);
    EXPECT_EQ(doc.d.Cursor, c.cursorAfterUndo);
    EXPECT_EQ(doc.d.SelectionLength, 0);

    EXPECT_EQ(Redo(doc.d.Hist), 1);
    EXPECT_EQ(doc.bytes(), expected);
    EXPECT_EQ(doc.d.Cursor, c.cursorAfterEdit);
    EXPECT_EQ(doc.d.SelectionLength, 0);
}

const Bytes kNew = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC};

INSTANTIATE_TEST_SUITE_P(
    AllKinds, EntryKinds,
    ::testing::Values(
        EditCase{"Insert",
                 [](Document *d, Bytes b) {
                     InsertBytes(d, 10, kNew.data(), kNew.size());
                     return Splice(b, 10, 0, kNew);
                 },
                 22, 10},
        EditCase{"Delete",
                 [](Document *d, Bytes b) {
                     DeleteBytes(d, 5, 20);
                     return Splice(b, 5, 20, {});
                 },
                 5, 25},
        EditCase{"ReplaceLonger",
                 [](Document *d, Bytes b) {
                     ReplaceBytes(d, 6, 3, kNew.data(), kNew.size());
                     return Splice(b, 6, 3, kNew);
                 },
                 18, 6},
        EditCase{"ReplaceShorter",
                 [](Document *d, Bytes b) {
                     ReplaceBytes(d, 6, 20, kNew.data(), 2);
                     return Splice(b, 6, 20, Bytes(kNew.begin(), kNew.begin() + 2));
                 },
                 8, 6},
        EditCase{"ReplaceMovingAcrossChunks",
                 [](Document *d, Bytes b) {
                     ReplaceBytesMoving(d, 6, 20, Buffers({Bytes(kNew.begin(), kNew.begin() + 5),
                                                           Bytes(kNew.begin() + 5, kNew.end())}));
                     return Splice(b, 6, 20, kNew);
                 },
                 18, 6},
        EditCase{"ReplaceMovingFromBeforeStart",
                 [](Document *d, Bytes) {
                     ReplaceBytesMoving(d, -4, 100, Buffers({Bytes(kNew.begin(), kNew.begin() + 2)}));
                     return Bytes(kNew.begin(), kNew.begin() + 2);
                 },
                 2, 0},
        EditCase{"ReplaceMovingByNothingRemoves",
                 [](Document *d, Bytes b) {
                     ReplaceBytesMoving(d, 5, 10, Buffers({{}}));
                     return Splice(b, 5, 10, {});
                 },
                 5, 5},
        EditCase{"ReplaceMovingOfNothingInserts",
                 [](Document *d, Bytes b) {
                     ReplaceBytesMoving(d, 7, 0, Buffers({kNew}));
                     return Splice(b, 7, 0, kNew);
                 },
                 19, 7},
        EditCase{"Fill",
                 [](Document *d, Bytes b) {
                     const uint8_t p[] = {0x41, 0x42, 0x43};
                     FillBytes(d, 3, 4, p, 3, 10, 30);
                     return Splice(b, 3, 4, {0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x41});
                 },
                 30, 3},
        EditCase{"FillDefaultCursor",
                 [](Document *d, Bytes b) {
                     const uint8_t p[] = {0x01, 0x02};
                     FillBytes(d, 0, 5, p, 2, 5, -1);
                     return Splice(b, 0, 5, {0x01, 0x02, 0x01, 0x02, 0x01});
                 },
                 5, 0},
        // Ranges given past the document's ends are clamped when recorded, so
        // undo reverses exactly what the edit did.
        EditCase{"InsertPastEnd",
                 [](Document *d, Bytes b) {
                     InsertBytes(d, 1000, kNew.data(), 3);
                     return Splice(b, 40, 0, Bytes(kNew.begin(), kNew.begin() + 3));
                 },
                 43, 40},
        EditCase{"DeleteFromBeforeStart",
                 [](Document *d, Bytes b) {
                     DeleteBytes(d, -5, 12);
                     return Splice(b, 0, 7, {});
                 },
                 0, 7},
        EditCase{"DeletePastEnd",
                 [](Document *d, Bytes b) {
                     DeleteBytes(d, 30, 100);
                     return Splice(b, 30, 10, {});
                 },
                 30, 40},
        EditCase{"ReplaceFromBeforeStart",
                 [](Document *d, Bytes) {
                     ReplaceBytes(d, -4, 100, kNew.data(), 2);
                     return Bytes(kNew.begin(), kNew.begin() + 2);
                 },
                 2, 0},
        EditCase{"FillPastEnd",
                 [](Document *d, Bytes b) {
                     const uint8_t p[] = {0xEE};
                     FillBytes(d, 38, 10, p, 1, 4, -1);
                     return Splice(b, 38, 2, {0xEE, 0xEE, 0xEE, 0xEE});
                 },
                 42, 38},
        EditCase{"FillWithoutOldBytesInserts",
                 [](Document *d, Bytes b) {
                     const uint8_t p[] = {0x55, 0x66};
                     FillBytes(d, 4, 0, p, 2, 3, -1);
                     return Splice(b, 4, 0, {0x55, 0x66, 0x55});
                 },
                 7, 4}),
    [](const ::testing::TestParamInfo<EditCase> &info) { return std::string(info.param.name); });

TEST(RecordingOperations, EditsThatChangeNothingRecordNothing) {
    Doc doc(Pattern(20));
    const uint8_t p[] = {1};
    EXPECT_EQ(DeleteBytes(&doc.d, 5, 0), 0);
    EXPECT_EQ(DeleteBytes(&doc.d, 25, 3), 0);  // starts past the end
    EXPECT_EQ(DeleteBytes(&doc.d, 5, -3), 0);
    EXPECT_EQ(InsertBytes(&doc.d, 5, p, 0), 0);
    EXPECT_EQ(InsertBytes(&doc.d, 5, nullptr, 4), 0);
    EXPECT_EQ(FillBytes(&doc.d, 5, 2, nullptr, 0, 4, -1), 0);
    EXPECT_EQ(FillBytes(&doc.d, 5, 2, p, 1, -1, -1), 0);
    EXPECT_EQ(HistoryIndex(doc.d.Hist), 0);
    EXPECT_EQ(doc.bytes(), Pattern(20));
}

TEST(RecordingOperations, ReplaceWithoutOldBytesIsAnInsertEntry) {
    for (int64_t oldLength : {int64_t{0}, int64_t{-4}}) {
        Doc doc(Pattern(20));
        ReplaceBytes(&doc.d, 3, oldLength, kNew.data(), 5);
        EXPECT_EQ(doc.bytes(), Splice(Pattern(20), 3, 0, Bytes(kNew.begin(), kNew.begin() + 5)));
        EXPECT_EQ(HistorySize(doc.d.Hist), 5 + 44) << "insert entries cost their bytes + 44";
        Undo(doc.d.Hist);
        EXPECT_EQ(doc.bytes(), Pattern(20));
    }
}

TEST(RecordingOperations, CostsFollowTheEntryKinds) {
    Doc doc(Pattern(50));
    const uint8_t p[] = {1, 2, 3};
    DeleteBytes(&doc.d, 0, 10);
    EXPECT_EQ(HistorySize(doc.d.Hist), 10 + 44);
    ReplaceBytes(&doc.d, 0, 4, kNew.data(), 6);
    EXPECT_EQ(HistorySize(doc.d.Hist), 54 + 4 + 6 + 48);
    FillBytes(&doc.d, 0, 5, p, 3, 100, -1);
    EXPECT_EQ(HistorySize(doc.d.Hist), 112 + 3 + 5 + 64) << "a fill keeps its pattern, not its bytes";
}

// The bound counts memory: a large edit keeps the old range as the chunks
// that held it, which cost their bytes only when those lie in memory alone.
TEST(RecordingOperations, LargeEditsCostTheMemoryTheyHold) {
    const Bytes content = Pattern(4096);
    hx::test::TempFile file(content);
    struct Case {
        const char *name;
        bool fromFile;
        int64_t atLeast, atMost;
    };
    for (const Case &c : {Case{"bytes in the file cost their records", true, 48, 2048},
                          Case{"bytes in memory cost themselves", false, 4096, 8192}}) {
        Doc doc(c.fromFile ? Bytes{} : content, DocumentHistoryLimit, 512);
        if (c.fromFile) {
            FreeBinary(doc.d.Store);
            doc.d.Store = OpenBinary(-1, file.path(), 512);
        }
        const int64_t limit = HistorySettings::CopyLimit;
        HistorySettings::CopyLimit = 16;
        ASSERT_EQ(DeleteBytes(&doc.d, 100, 4000), 0) << c.name;
        HistorySettings::CopyLimit = limit;
        EXPECT_GE(HistorySize(doc.d.Hist), c.atLeast) << c.name;
        EXPECT_LE(HistorySize(doc.d.Hist), c.atMost) << c.name;
        Undo(doc.d.Hist);
        EXPECT_EQ(HistorySize(doc.d.Hist), 20 + HistoryEntryOverhead) << c.name << ": undone, it keeps nothing";
        EXPECT_EQ(doc.bytes(), content) << c.name;
    }
}

// Every allocation of the edit, its undo and its redo, made to fail in turn:
// each either happens in full or leaves bytes and history as they were.
TEST(RecordingOperations, MovingReplaceOutOfMemoryAtAnyStepChangesNothing) {
    const Bytes before = Pattern(60);
    const Bytes fresh = Pattern(21, 5);
    const Bytes after = Splice(before, 13, 30, fresh);
    bool sawFailure = false;
    for (int64_t budget = 0; budget < 40; ++budget) {
        Doc doc(before);
        std::vector<ByteBuffer> buffers = Buffers({Bytes(fresh.begin(), fresh.begin() + 4),
                                                   Bytes(fresh.begin() + 4, fresh.end())});
        ByteBufferFaults::Budget = budget;
        const int r = ReplaceBytesMoving(&doc.d, 13, 30, std::move(buffers));
        ByteBufferFaults::Budget = -1;
        if (r != 0) {
            sawFailure = true;
            EXPECT_EQ(r, BinaryNoMemory);
            EXPECT_EQ(doc.bytes(), before) << "budget " << budget;
            EXPECT_EQ(HistoryIndex(doc.d.Hist), 0) << "budget " << budget;
            continue;
        }
        EXPECT_EQ(doc.bytes(), after) << "budget " << budget;
        for (int direction : {-1, 1}) {
            ByteBufferFaults::Budget = budget;
            const int applied = direction < 0 ? Undo(doc.d.Hist) : Redo(doc.d.Hist);
            ByteBufferFaults::Budget = -1;
            if (!applied) {
                sawFailure = true;
                EXPECT_EQ(doc.bytes(), direction < 0 ? after : before) << "budget " << budget;
                break;
            }
            EXPECT_EQ(doc.bytes(), direction < 0 ? before : after) << "budget " << budget;
        }
    }
    EXPECT_TRUE(sawFailure);
}

TEST(RecordingOperations, LimitOfAThousandWithSixHundredByteInserts) {
    Doc doc({}, 1000);
    Bytes chunk = Pattern(600);
    for (int i = 0; i < 3; ++i) {
        InsertBytes(&doc.d, 0, chunk.data(), chunk.size());
        EXPECT_EQ(CountHistoryEntries(doc.d.Hist), 1);
        EXPECT_EQ(HistorySize(doc.d.Hist), 644);
    }
    EXPECT_EQ(doc.d.Store->Length, 1800);
    EXPECT_EQ(Undo(doc.d.Hist), 1);
    EXPECT_EQ(Undo(doc.d.Hist), 0);
    EXPECT_EQ(doc.d.Store->Length, 1200);
}

TEST(RecordingOperations, SavedStateFollowsDroppedEntries) {
    Doc doc(Pattern(10), 200);
    Bytes hundred = Pattern(100);
    InsertBytes(&doc.d, 0, hundred.data(), 100);
    doc.d.SavedHistoryIndex = HistoryIndex(doc.d.Hist);  // as a save does
    Bytes saved = doc.bytes();
    InsertBytes(&doc.d, 0, hundred.data(), 100);  // 2 * 144 > 200: the first entry goes
    EXPECT_EQ(CountHistoryEntries(doc.d.Hist), 1);
    EXPECT_TRUE(DocumentChanged(doc.d));
    Undo(doc.d.Hist);
    EXPECT_EQ(doc.bytes(), saved);
    EXPECT_FALSE(DocumentChanged(doc.d)) << "the saved state moved down to index 0";
}

TEST(RecordingOperations, DroppingTheSavedStateKeepsTheDocumentChanged) {
    Doc doc(Pattern(10), 200);
    Bytes hundred = Pattern(100);
    EXPECT_FALSE(DocumentChanged(doc.d));
    InsertBytes(&doc.d, 0, hundred.data(), 100);
    InsertBytes(&doc.d, 0, hundred.data(), 100);  // drops the way back to the opened content
    Undo(doc.d.Hist);
    EXPECT_EQ(HistoryIndex(doc.d.Hist), 0);
    EXPECT_NE(doc.bytes(), Pattern(10));
    EXPECT_TRUE(DocumentChanged(doc.d)) << "index 0 is no longer the saved content";
}

TEST(RecordingOperations, OutOfMemoryRecordsNothingAndLeavesTheBytes) {
    Doc doc(Pattern(30));
    ByteBufferFaults::Budget = 0;
    int r = InsertBytes(&doc.d, 4, kNew.data(), kNew.size());
    int d = DeleteBytes(&doc.d, 4, 10);
    ByteBufferFaults::Budget = -1;
    EXPECT_EQ(r, BinaryNoMemory);
    EXPECT_EQ(d, BinaryNoMemory);
    EXPECT_EQ(HistoryIndex(doc.d.Hist), 0);
    EXPECT_EQ(doc.bytes(), Pattern(30));
}

// ---- fill patterns ------------------------------------------------------

TEST(MakeFillPattern, RepeatsThePatternAndCutsTheLastRepetition) {
    for (int64_t k = 1; k <= 9; ++k) {
        for (int64_t n : {int64_t{0}, int64_t{1}, k - 1, k, k + 1, 3 * k + 2, int64_t{1000}}) {
            if (n < 0) continue;
            Bytes pattern = Pattern(k, static_cast<uint8_t>(k));
            ByteBuffer block = MakeFillPattern(pattern.data(), k, n);
            ASSERT_TRUE(block.valid()) << "k=" << k << " n=" << n;
            ASSERT_EQ(block.size(), n);
            for (int64_t i = 0; i < n; ++i)
                ASSERT_EQ(block[i], pattern[i % k]) << "k=" << k << " n=" << n << " i=" << i;
        }
    }
}

TEST(MakeFillPattern, RefusesWhatCannotBeMade) {
    const uint8_t p[] = {1};
    EXPECT_FALSE(MakeFillPattern(p, 1, -1).valid());
    EXPECT_FALSE(MakeFillPattern(nullptr, 1, 4).valid());
    EXPECT_FALSE(MakeFillPattern(p, 0, 4).valid());
}

}  // namespace
