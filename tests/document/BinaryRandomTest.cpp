// Randomised differential test of the byte store against a plain vector.
//
// Thousands of random operations with positions and lengths partly out of
// range, on stores with tiny chunk lengths opened on a real temporary file;
// after every step the bytes are compared with the model and the store's
// invariants are checked. Some edits run with a tiny allocation budget: they
// either succeed in full or report BinaryNoMemory with the store untouched.
//
// HEXALOOM_RANDOM_STEPS sets the steps per chunk length (default 2000);
// HEXALOOM_RANDOM_SEED replaces the fixed seed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <tuple>

#include "StoreModel.h"

namespace hx::test {
namespace {

int64_t EnvNumber(const char *name, int64_t fallback) {
    const char *v = std::getenv(name);
    return v && *v ? std::strtoll(v, nullptr, 10) : fallback;
}

// Everything about the chunk list that an edit that ran out of memory must not change.
using Layout = std::vector<std::tuple<int64_t, int64_t, int32_t, bool, uint32_t>>;
Layout LayoutOf(const Binary &s) {
    Layout out;
    for (const BinaryChunk &c : s.Chunks)
        out.emplace_back(c.Length, c.FileOffset, c.Modified, c.loaded(), c.Holders);
    return out;
}

class RandomRun {
public:
    RandomRun(int64_t chunkLength, uint64_t seed) : rng_(seed), L_(chunkLength) {}

    void run(int64_t steps) {
        Bytes initial = randomBytes(uniform(0, 12 * L_ + 20));
        TempFile file(initial);
        store_ = OpenBinary(-1, file.path(), L_);
        ASSERT_NE(store_, nullptr);
        // Walks read chunks longer than this from the file piece by piece.
        store_->WalkReadLength = uniform(1, 2 * L_);
        model_.bytes = initial;
        check("open");
        for (int64_t step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            step_ = step;
            randomStep();
        }
        FreeBinary(store_);
    }

private:
    int64_t uniform(int64_t lo, int64_t hi) {
        return std::uniform_int_distribution<int64_t>(lo, hi)(rng_);
    }
    bool chance(int percent) { return uniform(1, 100) <= percent; }

    // Bytes from a small alphabet so that partial matches are frequent.
    Bytes randomBytes(int64_t n) {
        Bytes b(static_cast<size_t>(n));
        for (auto &x : b) x = static_cast<uint8_t>(chance(90) ? uniform(0, 2) : uniform(0, 255));
        return b;
    }

    int64_t position() {
        const int64_t len = model_.size();
        if (chance(3)) return chance(50) ? INT64_MIN : INT64_MAX;
        if (chance(5)) return -uniform(1, len + 5);
        return uniform(-2, len + 2);
    }
    int64_t length() {
        if (chance(3)) return chance(50) ? INT64_MAX : -uniform(1, 5);
        if (chance(15)) return uniform(0, 2);
        return uniform(0, 5 * L_ + 3);
    }

    std::string where(const std::string &op) {
        std::ostringstream s;
        s << "chunk length " << L_ << ", step " << step_ << ", " << op;
        return s.str();
    }

    void check(const std::string &op, bool normalizes = false) {
        std::string why;
        ASSERT_TRUE(CheckInvariants(*store_, &why)) << where(op) << ": " << why;
        if (normalizes) {
            ASSERT_TRUE(CheckNormalized(*store_, &why)) << where(op) << ": " << why;
        }
        ASSERT_EQ(store_->Length, model_.size()) << where(op);
        ASSERT_TRUE(StoreBytes(*store_) == model_.bytes) << where(op) << ": bytes differ";
        for (const BinaryChunk &c : store_->Chunks)
            ASSERT_FALSE(!c.Modified && c.loaded() && c.Holders == 0)
                << where(op) << ": a clean chunk nobody holds kept its buffer";
    }

    // Whether an insert of n bytes at p makes new chunks (and so runs the merge pass).
    bool insertMakesChunks(int64_t p, int64_t n) {
        if (n <= 0) return false;
        p = std::clamp<int64_t>(p, 0, store_->Length);
        ChunkPosition at = FindChunk(store_, p);
        return at.chunk == store_->Chunks.end() || at.chunk->Length + n > 2 * L_;
    }

    // Runs an edit, sometimes with an allocation budget; returns whether it took effect.
    template <class Edit>
    bool edit(const std::string &op, Edit &&run) {
        const bool starve = chance(12);
        const Layout before = starve ? LayoutOf(*store_) : Layout{};
        if (starve) ByteBufferFaults::Budget = uniform(0, 3);
        const int result = run();
        ByteBufferFaults::Budget = -1;
        if (result == BinaryNoMemory) {
            EXPECT_TRUE(starve) << where(op) << ": out of memory without a budget";
            EXPECT_TRUE(LayoutOf(*store_) == before) << where(op) << ": failed edit changed chunks";
            check(op + " (no memory)");
            return false;
        }
        EXPECT_EQ(result, BinaryOk) << where(op);
        lastStarved_ = starve;
        return true;
    }

    void randomStep() {
        if (model_.size() > 40 * L_ + 200) {   // keep the document small
            doRemove(uniform(0, model_.size() / 2), model_.size() / 2);
            return;
        }
        switch (uniform(0, 10)) {
        case 0:
        case 1:
            doInsert();
            break;
        case 10:
            doReplaceBuffers();
            break;
        case 2:
        case 3:
            doRemove(position(), length());
            break;
        case 4:
        case 5:
            doReplace();
            break;
        case 6:
            doRead();
            break;
        case 7:
            doFind();
            break;
        default:
            doWalk();
            break;
        }
    }

    void doInsert() {
        const int64_t p = position();
        const int64_t n = chance(20) ? uniform(2 * L_ - 2, 3 * L_ + 2) : uniform(0, 2 * L_ + 1);
        const Bytes src = randomBytes(n);
        const bool makes = insertMakesChunks(p, n);
        const std::string op = "insert p=" + std::to_string(p) + " n=" + std::to_string(n);
        if (!edit(op, [&] { return InsertBinary(store_, p, src.data(), n); })) return;
        model_.insert(p, src.data(), n);
        check(op, makes && !lastStarved_);
    }

    void doRemove(int64_t p, int64_t n) {
        int64_t cp = p, cn = std::max<int64_t>(n, 0);
        model_.clamp(cp, cn);
        const std::string op = "remove p=" + std::to_string(p) + " n=" + std::to_string(n);
        if (!edit(op, [&] { return RemoveBinary(store_, p, n); })) return;
        model_.remove(p, n);
        check(op, cn > 0 && !lastStarved_);
    }

    void doReplace() {
        const int64_t p = position();
        const int64_t m = length();
        const int64_t n = chance(25) ? uniform(2 * L_ - 1, 4 * L_ + 2) : uniform(0, 2 * L_);
        const Bytes src = randomBytes(n);
        const uint8_t *source = chance(5) ? nullptr : src.data();
        int64_t cp = p, cm = std::max<int64_t>(m, 0);
        model_.clamp(cp, cm);
        const bool normalizes = cm > 0 || insertMakesChunks(cp, source ? n : 0);
        const std::string op = "replace p=" + std::to_string(p) + " m=" + std::to_string(m) +
                               " n=" + std::to_string(n) + (source ? "" : " (no source)");
        if (!edit(op, [&] { return ReplaceBinary(store_, p, m, source, n); })) return;
        model_.replace(p, m, source, n);
        check(op, normalizes && !lastStarved_);
    }

    // The chunks an exchange hands out: each at most 2L long, in memory only
    // when its bytes lie nowhere else; their bytes in order.
    Bytes takenBytes(const ChunkList &chunks, const std::string &op) {
        for (const BinaryChunk &c : chunks) {
            EXPECT_TRUE(c.loaded() ? c.Buffer.size() == c.Length && (!c.backed() || c.ReadFailed) : c.backed())
                << where(op);
            EXPECT_TRUE(c.Length >= 1 && c.Length <= 2 * L_) << where(op);
        }
        return ChunkListBytes(*store_, chunks);
    }

    // A replace by buffers handed over whole (some empty or none, some longer
    // than 2L), then now and then the removed chunks put back as an undo does,
    // and the new ones again as a redo does.
    void doReplaceBuffers() {
        const int64_t p = position();
        const int64_t m = length();
        std::vector<ByteBuffer> buffers;
        Bytes fresh;
        for (int64_t k = uniform(0, 4); k > 0; --k) {
            if (chance(10)) {
                buffers.emplace_back();
                continue;
            }
            const Bytes b = randomBytes(chance(20) ? uniform(2 * L_ - 1, 5 * L_ + 2) : uniform(0, L_ + 1));
            fresh.insert(fresh.end(), b.begin(), b.end());
            buffers.push_back(ByteBuffer::copyOf(b.data(), static_cast<int64_t>(b.size())));
        }
        const int64_t n = static_cast<int64_t>(fresh.size());
        int64_t cp = p, cm = std::max<int64_t>(m, 0);
        model_.clamp(cp, cm);
        const Bytes old = model_.read(cp, cm);
        const std::string op = "replace by buffers p=" + std::to_string(p) + " m=" + std::to_string(m) +
                               " n=" + std::to_string(n);
        ChunkList removed;
        if (!edit(op, [&] { return ReplaceBinaryBuffers(store_, p, m, std::move(buffers), &removed); })) {
            ASSERT_TRUE(removed.empty()) << where(op);
            return;
        }
        model_.replace(p, m, fresh.data(), n);
        check(op, (cm > 0 || n > 0) && !lastStarved_);
        ASSERT_TRUE(takenBytes(removed, op) == old) << where(op) << ": removed bytes differ";
        if (chance(50)) return;

        const std::string undo = op + ", put back";
        ChunkList back;
        if (!edit(undo, [&] { return ExchangeBinaryRange(store_, cp, n, removed, &back); })) {
            ASSERT_FALSE(removed.empty() && cm > 0) << where(undo) << ": a failed exchange lost the chunks";
            return;
        }
        ASSERT_TRUE(removed.empty()) << where(undo);
        model_.replace(cp, n, old.data(), cm);
        check(undo, (cm > 0 || n > 0) && !lastStarved_);
        ASSERT_TRUE(takenBytes(back, undo) == fresh) << where(undo) << ": taken-back bytes differ";
        if (chance(50)) return;

        const std::string redo = op + ", again";
        if (!edit(redo, [&] { return ExchangeBinaryRange(store_, cp, cm, back, nullptr); })) return;
        model_.replace(cp, cm, fresh.data(), n);
        check(redo, (cm > 0 || n > 0) && !lastStarved_);
    }

    void doRead() {
        const int64_t p = position();
        const int64_t n = chance(10) ? -1 : length();
        const int slot = chance(5) ? 32 : static_cast<int>(uniform(0, 31));
        const std::string op = "read p=" + std::to_string(p) + " n=" + std::to_string(n) +
                               " slot " + std::to_string(slot);
        Bytes expected = slot == 32 ? Bytes{} : model_.read(p, n);
        ByteBuffer got = ReadBinary(store_, p, n, slot);
        ASSERT_EQ(got.valid(), !expected.empty()) << where(op);
        if (got.valid()) {
            ASSERT_TRUE(Bytes(got.data(), got.data() + got.size()) == expected) << where(op);
            // The slot holds exactly the chunks of the range.
            int64_t cp = p, cn = n == -1 ? INT64_MAX : n;
            model_.clamp(cp, cn);
            int64_t start = 0;
            for (const BinaryChunk &c : store_->Chunks) {
                const bool overlaps = start < cp + cn && start + c.Length > cp;
                ASSERT_EQ((c.Holders >> slot) & 1u, overlaps ? 1u : 0u)
                    << where(op) << ": chunk at " << start;
                start += c.Length;
            }
        }
        check(op);
    }

    void doFind() {
        int64_t k;
        Bytes pattern;
        if (chance(60) && model_.size() > 0) {
            const int64_t at = uniform(0, model_.size() - 1);
            k = uniform(1, std::min<int64_t>(model_.size() - at, 3 * L_ + 3));
            pattern.assign(model_.bytes.begin() + at, model_.bytes.begin() + at + k);
        } else {
            k = uniform(1, 4);
            pattern = randomBytes(k);
        }
        const int64_t start = chance(10) ? position() : uniform(0, model_.size());
        const std::string op = "find k=" + std::to_string(k) + " start=" + std::to_string(start);
        ASSERT_EQ(FindBinary(store_, pattern.data(), k, start), model_.find(pattern.data(), k, start))
            << where(op);
        check(op);
    }

    void doWalk() {
        const int64_t p = position();
        const int64_t n = length();
        const std::string op = "walk p=" + std::to_string(p) + " n=" + std::to_string(n);
        const Bytes expected = model_.walk(p, n);
        int64_t cp = p, cn = std::max<int64_t>(n, 0);
        model_.clamp(cp, cn);
        const bool abandon = chance(15);
        ExamineBinary(store_, p, n);
        Bytes got;
        int pieces = 0;
        while (NextBinaryBlock(store_)) {
            ++pieces;
            ASSERT_EQ(BinaryBlockPosition(store_), cp + static_cast<int64_t>(got.size())) << where(op);
            const uint8_t *b = BinaryBlockBuffer(store_);
            const int64_t len = BinaryBlockLength(store_);
            ASSERT_LE(store_->BlockOffset + len, store_->BlockChunk->Length) << where(op);
            got.insert(got.end(), b, b + len);
            if (abandon) break;
        }
        if (abandon) return check(op + " (abandoned)");
        ASSERT_FALSE(BinaryWalkFailed(store_)) << where(op);
        ASSERT_TRUE(got == expected) << where(op);
        if (cn == 0) {
            ASSERT_EQ(pieces, cp < model_.size() ? 1 : 0) << where(op);
        }
        check(op);
    }

    std::mt19937_64 rng_;
    int64_t L_;
    Binary *store_ = nullptr;
    StoreModel model_;
    int64_t step_ = 0;
    bool lastStarved_ = false;
};

TEST(BinaryRandom, MatchesVectorModelOverTinyChunkLengths) {
    const int64_t steps = EnvNumber("HEXALOOM_RANDOM_STEPS", 2000);
    const uint64_t seed = static_cast<uint64_t>(EnvNumber("HEXALOOM_RANDOM_SEED", 20240611));
    for (int64_t L : {1, 2, 3, 4, 5, 7, 8, 13, 16, 64}) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " (HEXALOOM_RANDOM_SEED)");
        RandomRun(L, seed + static_cast<uint64_t>(L)).run(steps);
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
}  // namespace hx::test
