// Finding and replacing over a store, against a plain search over a vector:
// every option (case, UTF-16 in both byte orders, a range, both directions),
// stores cut into random chunks so that matches straddle chunk boundaries,
// and replace all with shorter, equal, longer and empty replacements, undone
// in one step and left alone when stopped.
#include <gtest/gtest.h>

#include <random>

#include "document/Binary.h"
#include "document/BytePattern.h"
#include "document/Document.h"
#include "document/History.h"
#include "document/RangeSearch.h"
#include "document/ReplaceAll.h"
#include "document/Scratch.h"
#include "StoreModel.h"

using namespace hx;
using hx::test::Bytes;

namespace {

uint8_t Lower(uint8_t b) { return b >= 'A' && b <= 'Z' ? static_cast<uint8_t>(b + 32) : b; }

bool SameAt(const Bytes &text, size_t at, const Bytes &pattern, bool matchCase) {
    for (size_t j = 0; j < pattern.size(); ++j) {
        const uint8_t a = text[at + j], b = pattern[j];
        if (matchCase ? a != b : Lower(a) != Lower(b)) return false;
    }
    return true;
}

// The reference: the non-overlapping matches in [from, to), stepping forward.
std::vector<int64_t> ReferenceMatches(const Bytes &text, const Bytes &pattern, bool matchCase, int64_t from,
                                      int64_t to) {
    std::vector<int64_t> out;
    const int64_t k = static_cast<int64_t>(pattern.size());
    for (int64_t i = from; i + k <= to;) {
        if (SameAt(text, static_cast<size_t>(i), pattern, matchCase)) {
            out.push_back(i);
            i += k;
        } else {
            ++i;
        }
    }
    return out;
}

int64_t ReferenceLast(const Bytes &text, const Bytes &pattern, bool matchCase, int64_t from, int64_t to) {
    for (int64_t i = to - static_cast<int64_t>(pattern.size()); i >= from; --i)
        if (SameAt(text, static_cast<size_t>(i), pattern, matchCase)) return i;
    return -1;
}

// A store holding text in chunks of random lengths from 1 to maxCut bytes.
Binary *CutStore(const Bytes &text, std::mt19937 &random, int64_t maxCut) {
    Binary *store = CreateBinary(-1, maxCut);
    for (size_t at = 0; at < text.size();) {
        const size_t n = std::min<size_t>(1 + random() % maxCut, text.size() - at);
        AddChunk(store, text.data() + at, static_cast<int64_t>(n));
        at += n;
    }
    return store;
}

// Letters in both cases, their neighbours '@' and '`' (one bit away from 'A'
// and 'a'), zeros and a high byte: near misses for every rule.
Bytes RandomText(std::mt19937 &random, size_t n) {
    static const uint8_t alphabet[] = {'a', 'A', 'b', 'B', '@', '`', 0, 0xE1};
    Bytes text(n);
    for (uint8_t &b : text) b = alphabet[random() % sizeof alphabet];
    return text;
}

TEST(SearchBytes, Utf16TakesEachCharacterAsAUnitInTheChosenOrder) {
    const uint8_t field[] = {'h', 'i', 0xE9};
    EXPECT_EQ(SearchBytes(field, 3, SearchText::Bytes), (Bytes{'h', 'i', 0xE9}));
    EXPECT_EQ(SearchBytes(field, 3, SearchText::Utf16LE), (Bytes{'h', 0, 'i', 0, 0xE9, 0}));
    EXPECT_EQ(SearchBytes(field, 3, SearchText::Utf16BE), (Bytes{0, 'h', 0, 'i', 0, 0xE9}));
    EXPECT_TRUE(SearchBytes(field, 0, SearchText::Utf16LE).empty());
}

TEST(BytePattern, IgnoringCaseFoldsOnlyLetters) {
    struct Case {
        const char *pattern, *text;
        bool matchCase, matches;
    } cases[] = {
        {"Hello", "hELLO", false, true}, {"Hello", "hELLO", true, false}, {"A", "a", false, true},
        {"@", "`", false, false},        {"[", "{", false, false},        {"a1", "A1", false, true},
    };
    for (const Case &c : cases) {
        const BytePattern p(reinterpret_cast<const uint8_t *>(c.pattern), static_cast<int64_t>(strlen(c.pattern)),
                            c.matchCase);
        EXPECT_EQ(p.matchesAt(reinterpret_cast<const uint8_t *>(c.text)), c.matches) << c.pattern << " " << c.text;
    }
    // 0xC1 and 0xE1 differ in the same bit as 'A' and 'a' but are not letters.
    const uint8_t high[] = {0xC1}, other[] = {0xE1};
    EXPECT_FALSE(BytePattern(high, 1, false).matchesAt(other));
}

// findFirst and findLast on buffers long enough for the sixteen-wide steps and
// their tails, at every start and end.
TEST(BytePattern, FindsInBuffersAsTheReferenceDoes) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const Bytes text = RandomText(random, 1 + random() % 90);
        const size_t k = 1 + random() % 5;
        Bytes pattern = RandomText(random, k);
        if (round % 2 && text.size() >= k) {
            const size_t at = random() % (text.size() - k + 1);
            pattern.assign(text.begin() + at, text.begin() + at + k);
        }
        const bool matchCase = round % 3 == 0;
        const BytePattern p(pattern.data(), static_cast<int64_t>(k), matchCase);
        const int64_t n = static_cast<int64_t>(text.size());
        const int64_t from = random() % (n + 1);
        int64_t first = -1;
        for (int64_t i = from; i + static_cast<int64_t>(k) <= n && first < 0; ++i)
            if (SameAt(text, static_cast<size_t>(i), pattern, matchCase)) first = i;
        EXPECT_EQ(p.findFirst(text.data(), n, from), first) << "round " << round;
        EXPECT_EQ(p.findLast(text.data(), from), ReferenceLast(text, pattern, matchCase, 0, from)) << "round " << round;
    }
}

struct SearchCase {
    const char *name;
    bool matchCase;
    SearchText text;
};

class RangeSearchTest : public ::testing::TestWithParam<SearchCase> {};

// Forward scans, the first match and the last match of random ranges of
// random texts in random chunk cuts, as the reference finds them.
TEST_P(RangeSearchTest, MatchesTheReferenceInEveryRangeAndCut) {
    const SearchCase &c = GetParam();
    std::mt19937 random(20240601);
    for (int round = 0; round < 150; ++round) {
        const Bytes text = RandomText(random, 50 + random() % 200);
        Binary *store = CutStore(text, random, 1 + random() % 9);
        const Bytes field = RandomText(random, 1 + random() % 3);
        const Bytes sought = SearchBytes(field.data(), static_cast<int64_t>(field.size()), c.text);
        const BytePattern pattern(sought.data(), static_cast<int64_t>(sought.size()), c.matchCase);
        const int64_t n = static_cast<int64_t>(text.size());
        const int64_t from = random() % (n / 2), to = from + random() % (n - from + 1);
        const std::vector<int64_t> expected = ReferenceMatches(text, sought, c.matchCase, from, to);

        std::vector<int64_t> seen;
        const SearchScan scan = ScanForward(
            store, pattern, from, to, [&](int64_t p) { return seen.push_back(p), true; }, {});
        EXPECT_EQ(seen, expected) << c.name << " round " << round;
        EXPECT_EQ(scan.count, static_cast<int64_t>(expected.size()));
        EXPECT_EQ(FindForward(store, pattern, from, to, {}).position, expected.empty() ? -1 : expected.front());
        EXPECT_EQ(FindBackward(store, pattern, from, to, {}).position,
                  ReferenceLast(text, sought, c.matchCase, from, to))
            << c.name << " round " << round;
        EXPECT_NE(store->WalkState, WalkInPiece);
        FreeBinary(store);
    }
}

INSTANTIATE_TEST_SUITE_P(Options, RangeSearchTest,
                         ::testing::Values(SearchCase{"Exact", true, SearchText::Bytes},
                                           SearchCase{"IgnoreCase", false, SearchText::Bytes},
                                           SearchCase{"Utf16LE", true, SearchText::Utf16LE},
                                           SearchCase{"Utf16BEIgnoreCase", false, SearchText::Utf16BE}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(RangeSearch, StopsWhenServeSaysSoInBothDirections) {
    Binary *store = CreateBinary(-1, int64_t{8} << 20);
    const Bytes zeros(int64_t{20} << 20, 0);
    ASSERT_EQ(InsertBinary(store, 0, zeros.data(), static_cast<int64_t>(zeros.size())), BinaryOk);
    const uint8_t one = 1;
    const BytePattern pattern(&one, 1, true);
    int serves = 0;
    const SearchServe stopSecond = [&](int64_t) { return ++serves < 2; };
    EXPECT_EQ(FindForward(store, pattern, 0, store->Length, stopSecond).status, SearchStatus::Stopped);
    EXPECT_EQ(serves, 2);
    serves = 0;
    EXPECT_EQ(FindBackward(store, pattern, 0, store->Length, stopSecond).status, SearchStatus::Stopped);
    EXPECT_EQ(serves, 2);
    EXPECT_NE(store->WalkState, WalkInPiece);
    FreeBinary(store);
}

// ---- replace all ------------------------------------------------------------------------------

Bytes ReferenceReplaced(const Bytes &text, const std::vector<int64_t> &matches, size_t k, const Bytes &with) {
    Bytes out;
    size_t at = 0;
    for (const int64_t m : matches) {
        out.insert(out.end(), text.begin() + at, text.begin() + m);
        out.insert(out.end(), with.begin(), with.end());
        at = static_cast<size_t>(m) + k;
    }
    out.insert(out.end(), text.begin() + at, text.end());
    return out;
}

struct ReplaceCase {
    const char *name;
    size_t patternLength, replacementLength;
};

// Where the document's bytes and the plan's new bytes lie: memory chunks cut
// at random; a file opened with a tiny chunk length, so that stretches
// between matches become references to it; the same with a memory budget of
// a few bytes, so that the new bytes go to the scratch file.
enum class Place { Memory, File, Scratch };

std::string ReplaceCaseName(const std::tuple<ReplaceCase, Place> &param) {
    static const char *const places[] = {"Memory", "File", "Scratch"};
    return std::string(std::get<0>(param).name) + places[static_cast<int>(std::get<1>(param))];
}

class ReplaceAllTest : public ::testing::TestWithParam<std::tuple<ReplaceCase, Place>> {};

class BudgetGuard {
public:
    explicit BudgetGuard(int64_t budget) : saved_(ScratchSettings::MemoryBudget) {
        ScratchSettings::MemoryBudget = budget;
    }
    ~BudgetGuard() { ScratchSettings::MemoryBudget = saved_; }

private:
    int64_t saved_;
};

TEST_P(ReplaceAllTest, EqualsTheReferenceAndOneUndoRestoresTheOriginal) {
    const auto &[c, place] = GetParam();
    std::mt19937 random(99);
    const BudgetGuard budget(place == Place::Scratch ? 16 : ScratchSettings::MemoryBudget);
    int fileChunks = 0, scratchChunks = 0;   // of the plans, over all rounds
    for (int round = 0; round < 40; ++round) {
        const Bytes text = RandomText(random, 40 + random() % 300);
        hx::test::TempFile file(text);
        Document doc;
        const int64_t chunk = 1 + random() % 12;
        doc.Store = place == Place::Memory ? CutStore(text, random, chunk) : OpenBinary(-1, file.path(), chunk);
        doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
        const Bytes pattern = RandomText(random, c.patternLength);
        const Bytes with = RandomText(random, c.replacementLength);
        const bool matchCase = round % 2;
        const int64_t n = static_cast<int64_t>(text.size());
        const int64_t from = round % 4 ? 0 : random() % n, to = round % 4 ? n : from + random() % (n - from + 1);
        const std::vector<int64_t> matches = ReferenceMatches(text, pattern, matchCase, from, to);
        const BytePattern p(pattern.data(), static_cast<int64_t>(pattern.size()), matchCase);

        ReplaceAllPlan plan = PlanReplaceAll(doc.Store, p, from, to, with.data(), static_cast<int64_t>(with.size()), {});
        ASSERT_EQ(plan.status, SearchStatus::Done) << "failure " << plan.failure;
        EXPECT_EQ(plan.count, static_cast<int64_t>(matches.size()));
        EXPECT_EQ(hx::test::StoreBytes(*doc.Store), text) << "planning changed the document";
        for (const BinaryChunk &k : plan.chunks) {
            fileChunks += k.FileOffset >= 0 && !k.Modified;
            scratchChunks += k.Scratch != nullptr;
        }
        ASSERT_EQ(ApplyReplaceAll(&doc, std::move(plan)), BinaryOk);
        const Bytes replaced = ReferenceReplaced(text, matches, pattern.size(), with);
        EXPECT_EQ(hx::test::StoreBytes(*doc.Store), replaced) << c.name << " round " << round;
        EXPECT_EQ(HistoryIndex(doc.Hist), matches.empty() ? 0 : 1);
        std::string why;
        EXPECT_TRUE(hx::test::CheckInvariants(*doc.Store, &why)) << why;
        if (!matches.empty()) {
            ASSERT_NE(Undo(doc.Hist), 0);
            EXPECT_EQ(hx::test::StoreBytes(*doc.Store), text) << c.name << " round " << round;
            ASSERT_NE(Redo(doc.Hist), 0);
            EXPECT_EQ(hx::test::StoreBytes(*doc.Store), replaced);
        }
        FreeHistory(doc.Hist);
        FreeBinary(doc.Store);
    }
    EXPECT_EQ(fileChunks > 0, place != Place::Memory) << "stretches referring to the file";
    EXPECT_EQ(scratchChunks > 0, place == Place::Scratch) << "new bytes in the scratch file";
}

// Replacing two matches at the ends of a file loads nothing in between: the
// stretch stays in the file as references, in the document and in the undo step.
TEST(ReplaceAll, LongStretchesBetweenMatchesStayInTheFile) {
    const int64_t chunk = 64 * 1024;
    Bytes text(40 * chunk, '.');
    text[10] = 'X';
    text[text.size() - 10] = 'X';
    hx::test::TempFile file(text);
    Document doc;
    doc.Store = OpenBinary(-1, file.path(), chunk);
    doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
    const uint8_t x = 'X', y[] = {'Y', 'Y'};
    ReplaceAllPlan plan = PlanReplaceAll(doc.Store, BytePattern(&x, 1, true), 0, doc.Store->Length, y, 2, {});
    ASSERT_EQ(ApplyReplaceAll(&doc, std::move(plan)), BinaryOk);
    int64_t loaded = 0;
    for (const BinaryChunk &c : doc.Store->Chunks) loaded += c.loaded() ? c.Length : 0;
    EXPECT_LT(loaded, 6 * chunk) << "the bytes between the matches were read into memory";
    EXPECT_EQ(doc.Store->Length, static_cast<int64_t>(text.size()) + 2);
    ASSERT_NE(Undo(doc.Hist), 0);
    EXPECT_EQ(hx::test::StoreBytes(*doc.Store), text);
    FreeHistory(doc.Hist);
    FreeBinary(doc.Store);
}

INSTANTIATE_TEST_SUITE_P(
    LengthsAndPlaces, ReplaceAllTest,
    ::testing::Combine(::testing::Values(ReplaceCase{"Shorter", 3, 1}, ReplaceCase{"Equal", 2, 2},
                                         ReplaceCase{"Longer", 1, 4}, ReplaceCase{"Empty", 2, 0}),
                       ::testing::Values(Place::Memory, Place::File, Place::Scratch)),
    [](const auto &info) { return ReplaceCaseName(info.param); });

TEST(ReplaceAll, StoppedPlanLeavesTheDocumentAsItWas) {
    Document doc;
    doc.Store = CreateBinary(-1, 1 << 20);
    doc.Hist = CreateHistory(-1, DocumentHistoryLimit);
    Bytes text(int64_t{24} << 20, 'x');
    for (size_t i = 0; i < text.size(); i += 4096) text[i] = 'A';
    ASSERT_EQ(InsertBinary(doc.Store, 0, text.data(), static_cast<int64_t>(text.size())), BinaryOk);
    const uint8_t a = 'A';
    int serves = 0;
    ReplaceAllPlan plan = PlanReplaceAll(doc.Store, BytePattern(&a, 1, true), 0, doc.Store->Length, nullptr, 0,
                                         [&](int64_t) { return ++serves < 3; });
    EXPECT_EQ(plan.status, SearchStatus::Stopped);
    EXPECT_EQ(ApplyReplaceAll(&doc, std::move(plan)), BinaryOk);
    EXPECT_EQ(doc.Store->Length, static_cast<int64_t>(text.size()));
    EXPECT_EQ(hx::test::StoreBytes(*doc.Store), text);
    EXPECT_EQ(HistoryIndex(doc.Hist), 0);
    FreeHistory(doc.Hist);
    FreeBinary(doc.Store);
}

}  // namespace
