// The byte store's behaviour at its edges: chunk layout, where edits put
// bytes and chunks, the merge thresholds, reader slots, search across chunk
// boundaries, the range walk, failed reads and running out of memory.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <numeric>

#include "StoreModel.h"
#include "document/Save.h"

namespace hx::test {
namespace {

using Lengths = std::vector<int64_t>;

// n bytes that differ from their neighbours, so misplaced bytes show.
Bytes Seq(int64_t n, int start = 0) {
    Bytes b(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((start + i) * 7 + 3);
    return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A store opened on a temporary file with the given bytes.
struct OpenStore {
    TempFile file;
    Binary *store;
    OpenStore(const Bytes &content, int64_t L) : file(content), store(OpenBinary(-1, file.path(), L)) {}
    ~OpenStore() { FreeBinary(store); }
    void expectValid() const {
        std::string why;
        EXPECT_TRUE(CheckInvariants(*store, &why)) << why;
    }
};

struct BudgetScope {
    explicit BudgetScope(int64_t n) { ByteBufferFaults::Budget = n; }
    ~BudgetScope() { ByteBufferFaults::Budget = -1; }
};

ChunkIter Nth(Binary *s, int n) { return std::next(s->Chunks.begin(), n); }

// ---- lifecycle -------------------------------------------------------------

TEST(BinaryLifecycle, NumbersAreLimitedAndReusingOneReplacesTheStore) {
    EXPECT_EQ(CreateBinary(65536, 4), nullptr);
    EXPECT_EQ(CreateBinary(-2, 4), nullptr);
    Binary *a = CreateBinary(7, 4);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(BinaryByNumber(7), a);
    Binary *b = CreateBinary(7, 4);
    EXPECT_EQ(BinaryByNumber(7), b);
    Binary *top = CreateBinary(65535, 4);
    EXPECT_EQ(BinaryByNumber(65535), top);
    FreeBinary(b);
    FreeBinary(top);
    EXPECT_EQ(BinaryByNumber(7), nullptr);
    EXPECT_EQ(BinaryByNumber(65535), nullptr);
    EXPECT_EQ(FreeBinary(nullptr), 0);
}

TEST(BinaryLifecycle, CreateGivesAnEmptyWritableStoreAndChunkLengthAtLeastOne) {
    Binary *s = CreateBinary(-1, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->ChunkLength, 1);   // 0 would make the insert loop endless
    EXPECT_EQ(s->Writable, 1);
    EXPECT_EQ(s->Length, 0);
    EXPECT_TRUE(s->Chunks.empty());
    EXPECT_FALSE(s->File.isOpen());
    const Bytes data = Seq(5);
    EXPECT_EQ(InsertBinary(s, 0, data.data(), 5), BinaryOk);
    EXPECT_EQ(StoreBytes(*s), data);
    FreeBinary(s);
}

TEST(BinaryLifecycle, OpenLaysOutChunksWithoutReading) {
    OpenStore o(Seq(9), 4);
    ASSERT_NE(o.store, nullptr);
    EXPECT_EQ(o.store->Length, 9);
    EXPECT_EQ(o.store->Writable, 1);
    EXPECT_EQ(o.store->FileName, o.file.path());
    EXPECT_EQ(ChunkLengths(*o.store), (Lengths{4, 4, 1}));
    int64_t offset = 0;
    for (const BinaryChunk &c : o.store->Chunks) {
        EXPECT_FALSE(c.loaded());
        EXPECT_EQ(c.FileOffset, offset);
        EXPECT_EQ(c.Modified, 0);
        offset += c.Length;
    }
    EXPECT_EQ(GetBinaryCacheSize(o.store), 0);
}

// A mistyped name must not leave an empty file behind: the store keeps the
// name and creates the file at its first save.
TEST(BinaryLifecycle, OpenOfMissingFileCreatesNothingUntilTheFirstSave) {
    TempFile dir;
    std::string missing = dir.path() + ".missing";
    Binary *s = OpenBinary(-1, missing, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(s->File.isOpen());
    EXPECT_EQ(s->FileName, missing);
    EXPECT_EQ(s->Length, 0);
    const Bytes data = Seq(3);
    InsertBinary(s, 0, data.data(), 3);
    EXPECT_EQ(StoreBytes(*s), data);
    EXPECT_FALSE(FileExists(missing));
    ASSERT_TRUE(SaveBinary(s, "").ok());
    EXPECT_EQ(hx::test::ReadFile(missing), data);
    FreeBinary(s);
    RemoveFile(missing);
}

TEST(BinaryLifecycle, OpenOfAFolderLeavesTheStoreEmptyWithoutFile) {
    TempFile name;
    ::unlink(name.path().c_str());
    ASSERT_EQ(::mkdir(name.path().c_str(), 0700), 0);
    Binary *s = OpenBinary(-1, name.path(), 4);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->File.isOpen());
    EXPECT_TRUE(s->FileName.empty());
    EXPECT_EQ(s->Length, 0);
    FreeBinary(s);
    ::rmdir(name.path().c_str());
}

TEST(BinaryLifecycle, ReadOnlyFileOpensWithWritableZero) {
    OpenStore probe(Seq(3), 4);
    ::chmod(probe.file.path().c_str(), 0444);
    if (::access(probe.file.path().c_str(), W_OK) == 0) GTEST_SKIP() << "running as root: modes do not bind";
    Binary *s = OpenBinary(-1, probe.file.path(), 4);
    EXPECT_EQ(s->Writable, 0);
    EXPECT_EQ(s->Length, 3);
    FreeBinary(s);
}

// ---- inserting -------------------------------------------------------------

TEST(BinaryInsert, AtZeroAndAtLengthGoBeforeAndAfterEverything) {
    OpenStore o(Seq(8), 4);   // two full chunks
    const Bytes a = Seq(3, 100), b = Seq(2, 200);
    InsertBinary(o.store, 0, a.data(), 3);
    InsertBinary(o.store, o.store->Length, b.data(), 2);
    InsertBinary(o.store, -50, a.data(), 1);                  // negative counts as 0
    InsertBinary(o.store, INT64_MAX, b.data(), 1);            // past the end appends
    EXPECT_EQ(StoreBytes(*o.store), Concat({Bytes{a[0]}, a, Seq(8), b, Bytes{b[0]}}));
    o.expectValid();
}

TEST(BinaryInsert, UpToTwoLStaysInTheChunkOneMoreMakesNewChunks) {
    OpenStore o(Seq(8), 4);
    const Bytes four = Seq(4, 50);
    InsertBinary(o.store, 2, four.data(), 4);   // 4 + 4 = 2L: stays
    EXPECT_EQ(ChunkLengths(*o.store), (Lengths{8, 4}));
    EXPECT_EQ(GetBinaryCacheSize(o.store), 8) << "only the grown chunk is loaded";

    OpenStore p(Seq(8), 4);
    const Bytes five = Seq(5, 50);
    InsertBinary(p.store, 2, five.data(), 5);   // 4 + 5 = 2L + 1: split, new chunk
    EXPECT_EQ(StoreBytes(*p.store), Concat({Seq(2), five, Seq(6, 2)}));
    std::string why;
    EXPECT_TRUE(CheckNormalized(*p.store, &why)) << why;
    p.expectValid();
}

TEST(BinaryInsert, ThreeLPlusOneBecomesChunksOfLLAndLPlusOne) {
    OpenStore o(Seq(8), 4);
    const Bytes big = Seq(13, 40);
    InsertBinary(o.store, 4, big.data(), 13);   // at the boundary: the chunk there is full
    EXPECT_EQ(ChunkLengths(*o.store), (Lengths{4, 4, 4, 5, 4}));
    EXPECT_EQ(StoreBytes(*o.store), Concat({Seq(4), big, Seq(4, 4)}));
    // The chunks around the new ones were neither loaded nor changed.
    EXPECT_FALSE(o.store->Chunks.front().loaded());
    EXPECT_FALSE(o.store->Chunks.back().loaded());
    o.expectValid();
}

TEST(BinaryInsert, NegativeLengthWithAPointerIsRefusedAndABufferMeansAllOfIt) {
    OpenStore o(Seq(4), 4);
    const Bytes a = Seq(3, 9);
    EXPECT_EQ(InsertBinary(o.store, 0, a.data(), -1), BinaryBadLength);
    EXPECT_EQ(StoreBytes(*o.store), Seq(4));
    ByteBuffer block = ByteBuffer::copyOf(a.data(), 3);
    EXPECT_EQ(InsertBinary(o.store, 1, block), BinaryOk);
    EXPECT_EQ(StoreBytes(*o.store), Concat({Seq(1), a, Seq(3, 1)}));
}

// ---- removing and replacing ------------------------------------------------

TEST(BinaryRemove, WholeChunksGoWithoutBeingLoaded) {
    OpenStore o(Seq(16), 4);
    {
        BudgetScope none(0);   // no buffer may be allocated at all
        EXPECT_EQ(RemoveBinary(o.store, 4, 8), BinaryOk);
    }
    EXPECT_EQ(ChunkLengths(*o.store), (Lengths{4, 4}));
    EXPECT_EQ(StoreBytes(*o.store), Concat({Seq(4), Seq(4, 12)}));
    EXPECT_EQ(GetBinaryCacheSize(o.store), 0);
    o.expectValid();
}

TEST(BinaryRemove, ClampsTheRange) {
    OpenStore o(Seq(10), 4);
    RemoveBinary(o.store, -3, 5);          // (a): removes 2 from 0
    RemoveBinary(o.store, 100, 5);         // (b): nothing
    RemoveBinary(o.store, 6, INT64_MAX);   // (c): to the end
    RemoveBinary(o.store, 1, -4);          // negative: nothing
    EXPECT_EQ(StoreBytes(*o.store), Seq(6, 2));
    o.expectValid();
}

TEST(BinaryReplace, FromZeroOverSeveralChunksWithMoreThanTwoLPutsBytesInFront) {
    OpenStore o(Seq(16), 4);
    const Bytes fresh = Seq(11, 90);
    EXPECT_EQ(ReplaceBinary(o.store, 0, 10, fresh.data(), 11), BinaryOk);
    EXPECT_EQ(StoreBytes(*o.store), Concat({fresh, Seq(6, 10)}));
    std::string why;
    EXPECT_TRUE(CheckNormalized(*o.store, &why)) << why;
    o.expectValid();
}

TEST(BinaryReplace, OldRangeBeforeTheStartInsertsAtZero) {
    // A range wholly before 0 clamps to a negative old length; it replaces nothing.
    OpenStore o(Seq(6), 4);
    const Bytes a = Seq(2, 70);
    EXPECT_EQ(ReplaceBinary(o.store, -10, 3, a.data(), 2), BinaryOk);
    EXPECT_EQ(StoreBytes(*o.store), Concat({a, Seq(6)}));
    EXPECT_EQ(ReplaceBinary(o.store, 2, 3, nullptr, 5), BinaryOk);   // no source: removal
    EXPECT_EQ(StoreBytes(*o.store), Concat({a, Seq(3, 3)}));
}

// ---- replacing by buffers handed over ---------------------------------------

TEST(BinaryReplaceByBuffers, BuffersBecomeChunksAndWholeChunksLeaveWithoutACopy) {
    Binary *s = CreateBinary(-1, 4);
    const Bytes content = Seq(16);
    InsertBinary(s, 0, content.data(), 16);
    ASSERT_EQ(ChunkLengths(*s), (Lengths{4, 4, 8}));
    const uint8_t *old1 = Nth(s, 1)->Buffer.data(), *old2 = Nth(s, 2)->Buffer.data();
    std::vector<ByteBuffer> buffers;
    buffers.push_back(ByteBuffer::copyOf(Seq(6, 50).data(), 6));   // up to 2L: one chunk
    buffers.push_back(ByteBuffer::copyOf(Seq(9, 80).data(), 9));   // over 2L: L, then the rest
    const uint8_t *new6 = buffers[0].data(), *new9 = buffers[1].data();
    ChunkList removed;
    ASSERT_EQ(ReplaceBinaryBuffers(s, 4, 12, std::move(buffers), &removed), BinaryOk);
    EXPECT_EQ(StoreBytes(*s), Concat({Seq(4), Seq(6, 50), Seq(9, 80)}));
    EXPECT_EQ(ChunkLengths(*s), (Lengths{4, 6, 4, 5}));
    EXPECT_EQ(Nth(s, 1)->Buffer.data(), new6);
    EXPECT_EQ(Nth(s, 2)->Buffer.data(), new9) << "the first piece of a cut buffer keeps its block";
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed.front().Buffer.data(), old1);
    EXPECT_EQ(removed.back().Buffer.data(), old2);
    std::string why;
    EXPECT_TRUE(CheckInvariants(*s, &why)) << why;
    FreeBinary(s);
}

TEST(BinaryReplaceByBuffers, FileChunksLeaveAsReferencesWithoutBeingRead) {
    for (const bool keep : {true, false}) {
        OpenStore o(Seq(16), 4);
        std::vector<ByteBuffer> buffers;
        buffers.push_back(ByteBuffer::copyOf(Seq(3, 60).data(), 3));
        ChunkList removed;
        int r;
        {
            // Whole chunks leave as they are, kept or dropped: no memory at all.
            BudgetScope budget(0);
            r = ReplaceBinaryBuffers(o.store, 4, 8, std::move(buffers), keep ? &removed : nullptr);
        }
        ASSERT_EQ(r, BinaryOk) << (keep ? "kept" : "dropped");
        EXPECT_EQ(StoreBytes(*o.store), Concat({Seq(4), Seq(3, 60), Seq(4, 12)}));
        for (const BinaryChunk &c : removed) {
            EXPECT_FALSE(c.loaded());
            EXPECT_EQ(c.Modified, 0) << "a reference to the file's bytes";
        }
        EXPECT_EQ(ChunkListBytes(*o.store, removed), keep ? Seq(8, 4) : Bytes{});
        o.expectValid();
    }
}

// ---- merging ---------------------------------------------------------------

TEST(BinaryMerge, ThresholdsAtTwoL) {
    constexpr int64_t L = 4000000;
    for (auto [second, merged] : {std::pair<int64_t, bool>{6000001, true}, {6000002, false}}) {
        Binary *s = CreateBinary(-1, L);
        const Bytes a(1999999, 1), b(static_cast<size_t>(second), 2);
        AddChunk(s, a.data(), static_cast<int64_t>(a.size()));
        AddChunk(s, b.data(), static_cast<int64_t>(b.size()));
        NormalizeChunks(s);
        EXPECT_EQ(s->Chunks.size(), merged ? 1u : 2u) << "1999999 + " << second;
        EXPECT_EQ(s->Length, 1999999 + second);
        FreeBinary(s);
    }
}

TEST(BinaryMerge, CleanChunksThatWereNotNeighboursInTheFileBecomeModified) {
    OpenStore gap(Seq(9), 4);              // 4, 4, 1
    RemoveBinary(gap.store, 4, 4);         // the middle chunk goes; 4 and 1 merge
    ASSERT_EQ(ChunkLengths(*gap.store), (Lengths{5}));
    EXPECT_EQ(gap.store->Chunks.front().Modified, 1);
    gap.expectValid();

    OpenStore next(Seq(9), 4);
    RemoveBinary(next.store, 0, 1);        // 3, then 4 and 1 that follow in the file merge
    ASSERT_EQ(ChunkLengths(*next.store), (Lengths{3, 5}));
    EXPECT_EQ(Nth(next.store, 1)->Modified, 0);
    next.expectValid();
}

// ---- reading ---------------------------------------------------------------

TEST(BinaryRead, MinusOneReadsToTheEndAndNothingBeyondTheDocumentIsReturned) {
    OpenStore o(Seq(10), 4);
    ByteBuffer all = ReadBinary(o.store, 3, -1, 1);
    EXPECT_EQ(Bytes(all.data(), all.data() + all.size()), Seq(7, 3));
    ByteBuffer front = ReadBinary(o.store, -2, 100, 1);
    ASSERT_TRUE(front.valid());
    EXPECT_EQ(front.size(), 10) << "only the document's bytes, no zeros past the end";
    EXPECT_FALSE(ReadBinary(o.store, 10, 5, 1).valid());
    EXPECT_FALSE(ReadBinary(o.store, -5, 5, 1).valid());
    EXPECT_FALSE(ReadBinary(o.store, 0, 5, 32).valid()) << "no slot 32";
    uint8_t mine[4] = {};
    int64_t copied = 0;
    EXPECT_FALSE(ReadBinary(o.store, 8, 4, 1, mine, &copied).valid());
    EXPECT_EQ(copied, 2);
    EXPECT_EQ(Bytes(mine, mine + 2), Seq(2, 8));
}

TEST(BinaryRead, ASlotHoldsOnlyItsLatestRange) {
    OpenStore o(Seq(16), 4);
    ReadBinary(o.store, 2, 4, 1);   // chunks 0 and 1
    ReadBinary(o.store, 0, 1, 2);   // another reader keeps chunk 0
    EXPECT_TRUE(Nth(o.store, 0)->loaded());
    EXPECT_TRUE(Nth(o.store, 1)->loaded());
    ReadBinary(o.store, 13, 2, 1);  // slot 1 moves to chunk 3
    EXPECT_TRUE(Nth(o.store, 0)->loaded()) << "still held by slot 2";
    EXPECT_EQ(Nth(o.store, 0)->Holders, 1u << 2);
    EXPECT_FALSE(Nth(o.store, 1)->loaded());
    EXPECT_EQ(Nth(o.store, 3)->Holders, 1u << 1);
    EXPECT_EQ(GetBinaryCacheSize(o.store), 8);
}

TEST(BinaryRead, AFailedReadLeavesZerosAndIsRemembered) {
    OpenStore o(Seq(12), 4);
    ASSERT_EQ(::truncate(o.file.path().c_str(), 6), 0);   // the file shrinks behind our back
    ByteBuffer b = ReadBinary(o.store, 4, 8, 1);
    ASSERT_TRUE(b.valid());
    EXPECT_EQ(Bytes(b.data(), b.data() + 8), Concat({Seq(2, 4), Bytes(6, 0)}));
    EXPECT_TRUE(BinaryHasReadFailure(o.store));
    ReadBinary(o.store, 0, 1, 1);   // slot 1 lets go; the failed chunks stay
    EXPECT_TRUE(Nth(o.store, 1)->loaded());
    EXPECT_TRUE(Nth(o.store, 2)->loaded());
    EXPECT_TRUE(BinaryHasReadFailure(o.store));
}

// ---- searching -------------------------------------------------------------

TEST(BinaryFind, MatchesAtTheEndAcrossBoundariesAndOverManyShortChunks) {
    OpenStore o(Seq(20), 4);
    const Bytes data = Seq(20);
    EXPECT_EQ(FindBinary(o.store, data.data() + 17, 3, 0), 17) << "ends at the last byte";
    EXPECT_EQ(FindBinary(o.store, data.data() + 2, 4, 0), 2) << "straddles one boundary";
    EXPECT_EQ(FindBinary(o.store, data.data() + 3, 10, 1), 3) << "spans four chunks";
    EXPECT_EQ(FindBinary(o.store, data.data() + 3, 10, 4), -1) << "start after the match";
    EXPECT_EQ(FindBinary(o.store, data.data() + 0, 20, -7), 0) << "the whole document";
    EXPECT_EQ(FindBinary(o.store, data.data() + 0, 21, 0), -1);
    EXPECT_EQ(FindBinary(o.store, nullptr, 3, 0), -1);
    EXPECT_EQ(FindBinary(o.store, data.data(), 0, 0), -1);
    ByteBuffer pattern = ByteBuffer::copyOf(data.data() + 6, 5);
    EXPECT_EQ(FindBinary(o.store, pattern, -1, 0), 6);

    Binary *tiny = CreateBinary(-1, 1);   // chunks of one or two bytes
    for (int i = 0; i < 20; ++i) InsertBinary(tiny, i, data.data() + i, 1);
    EXPECT_EQ(FindBinary(tiny, data.data() + 5, 9, 0), 5);
    EXPECT_EQ(FindBinary(tiny, data.data() + 19, 1, 0), 19);
    FreeBinary(tiny);
}

TEST(BinaryFind, FirstOccurrenceWinsWhenAStraddlingOneComesFirst) {
    // "ab" straddles the first boundary and also appears inside the second chunk.
    OpenStore o(Bytes{'x', 'x', 'x', 'a', 'b', 'a', 'b', 'x'}, 4);
    const uint8_t ab[] = {'a', 'b'};
    EXPECT_EQ(FindBinary(o.store, ab, 2, 0), 3);
    EXPECT_EQ(FindBinary(o.store, ab, 2, 4), 5);
}

// ---- range walk ------------------------------------------------------------

TEST(BinaryWalk, HandsOutPiecesOfTheChunkBuffersHoldingOneChunkAtATime) {
    OpenStore o(Seq(14), 4);
    ExamineBinary(o.store, 2, 9);
    std::vector<std::pair<int64_t, int64_t>> pieces;
    Bytes seen;
    while (NextBinaryBlock(o.store)) {
        const BinaryChunk &c = *o.store->BlockChunk;
        EXPECT_EQ(BinaryBlockBuffer(o.store), c.Buffer.data() + o.store->BlockOffset) << "no copy";
        EXPECT_EQ(GetBinaryCacheSize(o.store), c.Length) << "only the current chunk is held";
        pieces.emplace_back(BinaryBlockPosition(o.store), BinaryBlockLength(o.store));
        seen.insert(seen.end(), BinaryBlockBuffer(o.store),
                    BinaryBlockBuffer(o.store) + BinaryBlockLength(o.store));
    }
    EXPECT_EQ(pieces, (std::vector<std::pair<int64_t, int64_t>>{{2, 2}, {4, 4}, {8, 3}}));
    EXPECT_EQ(seen, Seq(9, 2));
    EXPECT_EQ(GetBinaryCacheSize(o.store), 0);
    EXPECT_FALSE(BinaryWalkFailed(o.store));

    ExamineBinary(o.store, 5, 0);   // empty range inside the document: one empty piece
    EXPECT_TRUE(NextBinaryBlock(o.store));
    EXPECT_EQ(BinaryBlockLength(o.store), 0);
    EXPECT_FALSE(NextBinaryBlock(o.store));
    ExamineBinary(o.store, 14, 5);  // at the end: nothing
    EXPECT_FALSE(NextBinaryBlock(o.store));
}

TEST(BinaryWalk, ChunksOnlyInTheFileAreReadAPieceAtATimeWithoutLoadingThem) {
    OpenStore o(Seq(30), 10);
    o.store->WalkReadLength = 4;
    ASSERT_NE(LoadChunk(o.store, Nth(o.store, 1), SlotFirstPane), nullptr);   // on screen: used in place
    ExamineBinary(o.store, 3, 22);
    std::vector<std::pair<int64_t, int64_t>> pieces;
    Bytes seen;
    while (NextBinaryBlock(o.store)) {
        pieces.emplace_back(BinaryBlockPosition(o.store), BinaryBlockLength(o.store));
        seen.insert(seen.end(), BinaryBlockBuffer(o.store), BinaryBlockBuffer(o.store) + BinaryBlockLength(o.store));
        EXPECT_EQ(GetBinaryCacheSize(o.store), 10) << "only the chunk on screen is loaded";
    }
    EXPECT_EQ(pieces, (std::vector<std::pair<int64_t, int64_t>>{{3, 4}, {7, 3}, {10, 10}, {20, 4}, {24, 1}}));
    EXPECT_EQ(seen, Seq(22, 3));
    EXPECT_FALSE(BinaryWalkFailed(o.store));
    o.expectValid();
}

TEST(BinaryWalk, AReadThatComesUpShortLoadsTheChunkAndMarksItFailed) {
    OpenStore o(Seq(30), 10);
    o.store->WalkReadLength = 4;
    ASSERT_EQ(::truncate(o.file.path().c_str(), 16), 0);   // another program cut the file
    ExamineBinary(o.store, 0, 30);
    int64_t failedAt = -1;
    while (NextBinaryBlock(o.store)) {
        if (o.store->BlockChunk->ReadFailed) {
            failedAt = BinaryBlockPosition(o.store);
            break;
        }
    }
    EXPECT_EQ(failedAt, 14) << "the first piece that could not be read whole";
}

TEST(BinaryWalk, AnEditDuringTheWalkEndsItAsFailed) {
    OpenStore o(Seq(12), 4);
    ExamineBinary(o.store, 0, 12);
    ASSERT_TRUE(NextBinaryBlock(o.store));
    RemoveBinary(o.store, 0, 6);
    EXPECT_FALSE(NextBinaryBlock(o.store));
    EXPECT_TRUE(BinaryWalkFailed(o.store));
    o.expectValid();
}

// ---- running out of memory -------------------------------------------------

TEST(BinaryMemory, AnEditThatCannotGetMemoryLeavesTheStoreAsItWas) {
    OpenStore o(Seq(16), 4);
    const Bytes a = Seq(13, 60);
    for (int64_t budget = 0; budget < 6; ++budget) {
        BudgetScope scope(budget);
        const int inserted = InsertBinary(o.store, 6, a.data(), 13);
        ByteBufferFaults::Budget = -1;
        if (inserted == BinaryOk) {
            EXPECT_EQ(StoreBytes(*o.store), Concat({Seq(6), a, Seq(10, 6)}));
            break;
        }
        EXPECT_EQ(inserted, BinaryNoMemory);
        EXPECT_EQ(StoreBytes(*o.store), Seq(16));
        EXPECT_EQ(ChunkLengths(*o.store), (Lengths{4, 4, 4, 4}));
        EXPECT_EQ(GetBinaryCacheSize(o.store), 0) << "budget " << budget << ": nothing kept loaded";
    }
    o.expectValid();
}

TEST(BinaryMemory, ReadsStillDeliverWhenChunksCannotBeLoaded) {
    OpenStore o(Seq(12), 4);
    BudgetScope scope(1);   // the result buffer only
    ByteBuffer b = ReadBinary(o.store, 1, 10, 1);
    ASSERT_TRUE(b.valid());
    EXPECT_EQ(Bytes(b.data(), b.data() + 10), Seq(10, 1));
    EXPECT_EQ(FindBinary(o.store, b.data(), 3, 0), BinaryFindNoMemory);
}

}  // namespace
}  // namespace hx::test
