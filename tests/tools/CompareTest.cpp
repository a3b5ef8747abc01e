// The comparison against a plain one over two vectors: the difference list,
// stepping from difference to difference (also before the list got there),
// the marks of a window, and the list after edits of either side, on stores
// with tiny chunks (in memory and on files read a few bytes at a time) so
// that pieces of the two sides end at every possible place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "tools/Compare.h"
#include "tools/CompareSession.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

// ---- the plain comparison ----------------------------------------------------
//
// Byte t of A stands beside byte t + shift of B. Walking t over every place
// where either side has a byte, a place is a difference unless both sides
// have a byte there and the bytes are equal; places where neither has one do
// not break a run. A run's offset on a side without bytes in it is where they
// would be.

std::vector<CompareRange> Reference(const Bytes &a, const Bytes &b, int64_t shift) {
    const int64_t la = static_cast<int64_t>(a.size()), lb = static_cast<int64_t>(b.size());
    std::vector<CompareRange> out;
    std::optional<CompareRange> run;
    for (int64_t t = std::min<int64_t>(0, -shift); t < std::max(la, lb - shift); ++t) {
        const bool hasA = t >= 0 && t < la, hasB = t + shift >= 0 && t + shift < lb;
        if (!hasA && !hasB) continue;
        if (hasA && hasB && a[t] == b[t + shift]) {
            if (run) out.push_back(*run);
            run.reset();
            continue;
        }
        if (!run) run = CompareRange{std::clamp<int64_t>(t, 0, la), 0, std::clamp<int64_t>(t + shift, 0, lb), 0};
        run->LengthA += hasA;
        run->LengthB += hasB;
    }
    if (run) out.push_back(*run);
    return out;
}

// The kind of each place of side's window, -1 for none.
std::vector<int> ReferenceMarks(const Bytes &a, const Bytes &b, int64_t shift, int side, int64_t from, int64_t n) {
    const Bytes &mine = side == 0 ? a : b, &theirs = side == 0 ? b : a;
    const int64_t d = side == 0 ? shift : -shift;
    std::vector<int> kinds(n, -1);
    for (int64_t i = 0; i < n; ++i) {
        const int64_t p = from + i, q = p + d;
        const bool here = p < static_cast<int64_t>(mine.size());
        const bool there = q >= 0 && q < static_cast<int64_t>(theirs.size());
        if (here && there && mine[p] != theirs[q]) kinds[i] = static_cast<int>(CompareMarkKind::Differs);
        if (here && !there) kinds[i] = static_cast<int>(CompareMarkKind::OnlyHere);
        if (!here && there) kinds[i] = static_cast<int>(CompareMarkKind::Missing);
    }
    return kinds;
}

std::string Show(const std::vector<CompareRange> &ranges) {
    std::string s;
    for (const CompareRange &r : ranges)
        s += "(" + std::to_string(r.OffsetA) + "," + std::to_string(r.LengthA) + "|" + std::to_string(r.OffsetB) +
             "," + std::to_string(r.LengthB) + ") ";
    return s;
}

// ---- stores ----------------------------------------------------------------

std::string TempPath(const std::string &name) {
    return testing::TempDir() + "/hexaloom-compare-" + std::to_string(::getpid()) + "-" + name;
}

struct Side {
    Binary *store = nullptr;
    std::string path;
    ~Side() {
        FreeBinary(store);
        if (!path.empty()) ::unlink(path.c_str());
    }
};

// A store holding bytes: in memory as edits made it (chunks of about
// chunkLength), or on a file laid out in chunks of chunkLength that the walk
// reads readLength bytes at a time.
void Fill(Side &side, const Bytes &bytes, int64_t chunkLength, bool onFile, int64_t readLength,
          const std::string &name) {
    if (!onFile) {
        side.store = CreateBinary(-1, chunkLength);
        // Several inserts, so that chunks of different lengths meet.
        int64_t done = 0;
        for (int64_t n = 1; done < static_cast<int64_t>(bytes.size()); n = n * 2 + 1) {
            const int64_t take = std::min<int64_t>(n, bytes.size() - done);
            InsertBinary(side.store, done, bytes.data() + done, take);
            done += take;
        }
        return;
    }
    side.path = TempPath(name);
    FileHandle f = FileHandle::create(side.path);
    ASSERT_TRUE(f.isOpen());
    ASSERT_TRUE(f.write(bytes.data(), static_cast<int64_t>(bytes.size())));
    f.close();
    side.store = OpenBinary(-1, side.path, chunkLength);
    side.store->WalkReadLength = readLength;
}

void RunToEnd(CompareSession &session) {
    for (int guard = 0; session.work(std::chrono::hours(1)) && guard < 1000000; ++guard) {
    }
}

CompareSession::Step Resolve(CompareSession &session, CompareSession::Step step) {
    for (int guard = 0; step.Kind == CompareSession::Step::Pending && guard < 1000000; ++guard) {
        session.work(std::chrono::hours(1));
        if (std::optional<CompareSession::Step> answer = session.answer()) step = *answer;
    }
    return step;
}

std::optional<CompareRange> ExpectedNext(const std::vector<CompareRange> &ranges, int side, int64_t cursor,
                                         bool forward) {
    std::optional<CompareRange> best;
    for (const CompareRange &r : ranges) {
        const int64_t offset = side == 0 ? r.OffsetA : r.OffsetB;
        if (forward && offset > cursor) return r;
        if (!forward && offset < cursor) best = r;
    }
    return best;
}

Bytes RandomBytes(std::mt19937 &random, int64_t n, int values) {
    Bytes bytes(n);
    for (uint8_t &x : bytes) x = static_cast<uint8_t>(random() % values);
    return bytes;
}

struct Pair {
    const char *name;
    Bytes a, b;
    int64_t shift;
};

// Equal sides, a byte changed at each chunk boundary and around it, sides of
// different lengths, shifts both ways (also past either end), empty sides,
// and random bytes from a small alphabet (many short runs).
std::vector<Pair> Pairs() {
    std::mt19937 random(29);
    const Bytes base = RandomBytes(random, 120, 256);
    std::vector<Pair> pairs;
    pairs.push_back({"equal", base, base, 0});
    Bytes boundaries = base;
    for (size_t i = 6; i < boundaries.size(); i += 7) boundaries[i] ^= 0x5A;   // chunk length 7: each last byte
    boundaries[0] ^= 1;
    boundaries.back() ^= 1;
    pairs.push_back({"boundaries", base, boundaries, 0});
    Bytes runs = base;
    for (size_t i = 13; i < 30; ++i) runs[i] ^= 0xFF;
    pairs.push_back({"a run across chunks", base, runs, 0});
    Bytes longer = boundaries;
    longer.insert(longer.end(), {1, 2, 3});
    pairs.push_back({"B longer, its tail joins a difference", base, longer, 0});
    pairs.push_back({"A longer", longer, base, 0});
    Bytes inserted = base;
    inserted.insert(inserted.begin() + 3, {9, 9, 9, 9, 9});
    pairs.push_back({"B has an insertion, shifted over it", base, inserted, 5});
    pairs.push_back({"B has an insertion, not shifted", base, inserted, 0});
    pairs.push_back({"negative shift", inserted, base, -5});
    pairs.push_back({"shift beyond B", base, Bytes(base.begin(), base.begin() + 10), 40});
    pairs.push_back({"shift before A", Bytes(base.begin(), base.begin() + 10), base, -40});
    pairs.push_back({"A empty", {}, base, 0});
    pairs.push_back({"both empty", {}, {}, 3});
    pairs.push_back({"small alphabet", RandomBytes(random, 300, 3), RandomBytes(random, 290, 3), 2});
    return pairs;
}

struct Layout {
    int64_t chunkA, chunkB;
    bool files;
    int64_t readLength;
};
constexpr Layout Layouts[] = {{7, 7, false, 0}, {7, 5, false, 0}, {7, 11, true, 3}, {64, 3, true, 1}};

class CompareWith : public testing::TestWithParam<Layout> {};

TEST_P(CompareWith, ListMarksAndStepsMatchThePlainComparison) {
    const Layout layout = GetParam();
    for (const Pair &pair : Pairs()) {
        SCOPED_TRACE(pair.name);
        Side a, b;
        Fill(a, pair.a, layout.chunkA, layout.files, layout.readLength, "a");
        Fill(b, pair.b, layout.chunkB, layout.files, layout.readLength, "b");
        const std::vector<CompareRange> expected = Reference(pair.a, pair.b, pair.shift);

        // Stepping before anything is listed: every answer comes from a search.
        CompareSession early(a.store, b.store, pair.shift);
        early.stepBytes = 4;
        early.firstWindow = 3;
        for (int side = 0; side < 2; ++side) {
            const int64_t length = static_cast<int64_t>(side == 0 ? pair.a.size() : pair.b.size());
            for (int64_t cursor = 0; cursor <= length; cursor += 1 + cursor % 5) {
                for (bool forward : {true, false}) {
                    SCOPED_TRACE(testing::Message() << "side " << side << " cursor " << cursor << " forward " << forward);
                    // A fresh session each time, so that no list has grown yet.
                    CompareSession fresh(a.store, b.store, pair.shift);
                    fresh.stepBytes = 4;
                    fresh.firstWindow = 3;
                    const auto step = Resolve(fresh, forward ? fresh.next(side, cursor) : fresh.previous(side, cursor));
                    const std::optional<CompareRange> want = ExpectedNext(expected, side, cursor, forward);
                    ASSERT_EQ(step.Kind, want ? CompareSession::Step::Found : CompareSession::Step::None);
                    if (want) {
                        EXPECT_EQ(step.Range, *want) << Show({step.Range});
                    }
                }
            }
        }

        // Halfway: steps answered partly from the list, partly by searching.
        for (int i = 0; i < 6; ++i) early.work(std::chrono::nanoseconds(0));   // one step each
        for (int64_t cursor = 0; cursor < static_cast<int64_t>(pair.a.size()); cursor += 7) {
            const auto step = Resolve(early, early.previous(0, cursor));
            const std::optional<CompareRange> want = ExpectedNext(expected, 0, cursor, false);
            ASSERT_EQ(step.Kind, want ? CompareSession::Step::Found : CompareSession::Step::None) << cursor;
            if (want) {
                EXPECT_EQ(step.Range, *want) << cursor;
            }
        }

        CompareSession session(a.store, b.store, pair.shift);
        session.stepBytes = 5;
        RunToEnd(session);
        ASSERT_TRUE(session.complete());
        EXPECT_FALSE(session.readFailed());
        EXPECT_EQ(Show(session.ranges()), Show(expected));
        int64_t bytesA = 0, bytesB = 0;
        for (const CompareRange &r : expected) bytesA += r.LengthA, bytesB += r.LengthB;
        EXPECT_EQ(session.count(), static_cast<int64_t>(expected.size()));
        EXPECT_EQ(session.bytes(0), bytesA);
        EXPECT_EQ(session.bytes(1), bytesB);

        // Marks of windows of both sides, also past each side's end.
        std::vector<CompareMark> marks;
        for (int side = 0; side < 2; ++side) {
            for (int64_t from = 0; from < 140; from += 16) {
                session.marks(side, from, 48, marks);
                std::vector<int> kinds(48, -1);
                for (const CompareMark &m : marks)
                    for (int64_t i = m.Start; i < m.Start + m.Length; ++i) kinds[i - from] = static_cast<int>(m.Kind);
                EXPECT_EQ(kinds, ReferenceMarks(pair.a, pair.b, pair.shift, side, from, 48))
                    << "side " << side << " from " << from;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Chunks, CompareWith, testing::ValuesIn(Layouts));

TEST(CompareSession, ListFollowsEditsOfEitherSideWhileItIsComputed) {
    const unsigned seed = 2029;
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 40; ++round) {
        Bytes a = RandomBytes(random, 60 + random() % 60, 4), b = a;
        for (int i = 0; i < 5; ++i) b[random() % b.size()] ^= 1;
        Side sa, sb;
        Fill(sa, a, 6, false, 0, "");
        Fill(sb, b, 5, false, 0, "");
        CompareSession session(sa.store, sb.store, static_cast<int64_t>(random() % 5) - 2);
        session.stepBytes = 7;
        session.maxListed = 3;   // most ranges are only counted: edits must count them again
        for (int edit = 0; edit < 12; ++edit) {
            for (int n = random() % 4; n > 0; --n) session.work(std::chrono::nanoseconds(0));   // one step each
            Bytes &bytes = random() % 2 ? a : b;
            Binary *store = &bytes == &a ? sa.store : sb.store;
            const int64_t p = random() % (bytes.size() + 1);
            const uint8_t value[3] = {static_cast<uint8_t>(random() % 4), 1, 2};
            switch (random() % 3) {
            case 0:
                InsertBinary(store, p, value, 3);
                bytes.insert(bytes.begin() + p, value, value + 3);
                break;
            case 1:
                RemoveBinary(store, p, 2);
                bytes.erase(bytes.begin() + p, bytes.begin() + std::min<int64_t>(p + 2, bytes.size()));
                break;
            default:
                if (p == static_cast<int64_t>(bytes.size())) break;
                ReplaceBinary(store, p, 1, value, 1);
                bytes[p] = value[0];
            }
        }
        RunToEnd(session);
        const std::vector<CompareRange> expected = Reference(a, b, session.geometry().Shift);
        ASSERT_EQ(session.count(), static_cast<int64_t>(expected.size())) << round;
        ASSERT_EQ(Show(session.ranges()),
                  Show(std::vector<CompareRange>(expected.begin(), expected.begin() + std::min<size_t>(3, expected.size()))))
            << round;
    }
}

TEST(CompareSession, ShiftChangeComputesTheNewAlignment) {
    Bytes a(50, 7), b(50, 7);
    b.insert(b.begin() + 10, {1, 2});
    Side sa, sb;
    Fill(sa, a, 8, false, 0, "");
    Fill(sb, b, 8, false, 0, "");
    CompareSession session(sa.store, sb.store);
    RunToEnd(session);
    EXPECT_EQ(Show(session.ranges()), Show(Reference(a, b, 0)));
    session.setShift(2);
    RunToEnd(session);
    EXPECT_EQ(Show(session.ranges()), Show(Reference(a, b, 2)));
}

TEST(CompareSession, EndsWhenASideIsFreedAndStopsAtUnreadableBytes) {
    Bytes bytes(100, 3);
    Side a, b;
    Fill(a, bytes, 16, true, 4, "unreadable");
    Fill(b, bytes, 16, false, 0, "");
    // The file loses its second half under the open document.
    ASSERT_EQ(::truncate(a.path.c_str(), 50), 0);
    CompareSession session(a.store, b.store);
    RunToEnd(session);
    EXPECT_TRUE(session.readFailed());
    EXPECT_FALSE(session.complete());

    CompareSession ended(a.store, b.store);
    FreeBinary(b.store);
    b.store = nullptr;
    EXPECT_FALSE(ended.alive());
    EXPECT_FALSE(ended.work(std::chrono::hours(1)));
    std::vector<CompareMark> marks;
    ended.marks(0, 0, 16, marks);
    EXPECT_TRUE(marks.empty());
}

}  // namespace
