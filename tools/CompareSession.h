// A comparison of two open documents as the compare window keeps it:
//
// - the list of differences, computed from the front a budget at a time
//   (work()), and kept in step with edits of either side: an edit drops the
//   ranges from its place on and the computation goes on from there;
// - the next or previous difference from a cursor, taken from the list, or,
//   where the list does not reach yet, found by a search of its own that also
//   runs in work(), before the list's computation;
// - the marks of any window of either side, compared from the window's bytes
//   themselves, so that the rows on screen are marked at once however far the
//   list has come.
//
// Sides are numbered 0 (A) and 1 (B); the two stores must differ. Plain C++.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/Compare.h"

namespace hx {

struct Binary;

enum class CompareMarkKind {
    Differs,    // the byte differs from the one beside it
    OnlyHere,   // the byte has nothing beside it on the other side
    Missing,    // past this side's end, where the other side still has bytes
};

struct CompareMark {
    int64_t Start = 0;    // offset on the side asked for
    int64_t Length = 0;
    CompareMarkKind Kind = CompareMarkKind::Differs;
    bool operator==(const CompareMark &) const = default;
};

class CompareSession {
public:
    // The list keeps at most this many ranges (32 bytes each); past that it
    // only counts, and stepping beyond the last listed one searches.
    static constexpr size_t MaxListedRanges = size_t{1} << 20;
    // Bytes compared in one go inside work(): a few milliseconds from memory.
    static constexpr int64_t StepBytes = int64_t{4} << 20;
    // marks() answers for windows up to this long (a screen is a few KiB).
    static constexpr int64_t MaxMarkWindow = int64_t{1} << 20;
    // Searching backwards looks at windows this long first, doubling up to
    // LargestWindow, so that a difference just before the cursor is found at once.
    static constexpr int64_t FirstWindow = int64_t{8} << 20;
    static constexpr int64_t LargestWindow = int64_t{1} << 30;

    // The limits in use (tests make them tiny, so that every boundary is met).
    size_t maxListed = MaxListedRanges;
    int64_t stepBytes = StepBytes;
    int64_t firstWindow = FirstWindow;

    CompareSession(Binary *a, Binary *b, int64_t shift = 0);
    ~CompareSession();
    CompareSession(const CompareSession &) = delete;
    CompareSession &operator=(const CompareSession &) = delete;

    // The side's store; nullptr once it was freed (the comparison is over then).
    Binary *store(int side) const { return side == 0 || side == 1 ? stores_[side] : nullptr; }
    bool alive() const { return stores_[0] && stores_[1]; }
    const CompareGeometry &geometry() const { return g_; }
    // A new alignment: everything is computed again, from the start.
    void setShift(int64_t shift);

    // The ranges found so far, in order: every range that starts before the
    // main computation's position, up to MaxListedRanges of them.
    const std::vector<CompareRange> &ranges() const { return ranges_; }
    // Every range found so far, listed or not, and their bytes on each side.
    int64_t count() const { return listed_.Count + unlisted_.Count; }
    int64_t bytes(int side) const { return side == 0 ? listed_.BytesA + unlisted_.BytesA : listed_.BytesB + unlisted_.BytesB; }
    // The computation has reached the end: count() and bytes() are final.
    bool complete() const;
    // More ranges were found than the list keeps.
    bool capped() const { return capPoint_ >= 0; }
    // Part of a side could not be read: the computation stopped there.
    bool readFailed() const { return readFailed_; }
    // Shared bytes compared so far by the main computation, of geometry().Shared.
    int64_t compared() const;

    // Works for about budget: the pending search first, then the list.
    // Returns busy().
    bool work(std::chrono::steady_clock::duration budget);
    // Something is left to do (and not cancelled).
    bool busy() const;
    // Stops the computation and a pending search (work() then does nothing
    // until resume(); what was found stays).
    void cancel();
    void resume() { cancelled_ = false; }
    bool cancelled() const { return cancelled_; }

    // The next difference after cursor (the first whose offset on side is
    // greater), or the previous one (the last whose offset is smaller).
    // Pending: it is not known yet; work() searches and answer() then tells.
    // Failed: a side could not be read where the search had to look.
    struct Step {
        enum Kind { Found, None, Pending, Failed } Kind = None;
        CompareRange Range;
    };
    Step next(int side, int64_t cursor);
    Step previous(int side, int64_t cursor);
    // The answer to the last pending step once the search has it (given out
    // once); nullopt while it is pending or when nothing is asked.
    std::optional<Step> answer();
    bool searching() const { return seek_.Phase != SeekPhase::None; }

    // The marks of side's bytes [from, from + length) (cut to MaxMarkWindow),
    // in order; runs may reach past the side's end (Missing). Reads the
    // window on both sides through the stores' range walk.
    void marks(int side, int64_t from, int64_t length, std::vector<CompareMark> &out);

private:
    struct Totals {
        int64_t Count = 0, BytesA = 0, BytesB = 0;
        void add(const CompareRange &r, int sign = 1) {
            Count += sign;
            BytesA += sign * r.LengthA;
            BytesB += sign * r.LengthB;
        }
    };
    enum class SeekPhase { None, Forward, Backward, Extend, Measure };
    struct Seek {
        SeekPhase Phase = SeekPhase::None;
        int Side = 0;
        int64_t Cursor = 0;
        bool Forward = true;
        std::optional<CompareScan> Scan;
        int64_t Low = 0;          // below it the list knows every range
        int64_t WindowFrom = 0, WindowSize = 0;
        int64_t Start = 0;        // Extend: the start found so far; Measure: where the range starts
        std::optional<CompareRange> Last;
    };

    static int64_t Offset(int side, const CompareRange &r) { return side == 0 ? r.OffsetA : r.OffsetB; }
    int64_t sharedStart(const CompareRange &r) const;
    int64_t sharedEnd(const CompareRange &r) const;

    void edited(const Binary *store, int64_t position);
    void freed(const Binary *store);
    void restartFrom(int64_t index);
    bool found(const CompareRange &r);
    void stepMain();
    // Below it every range is in the list or is the main computation's open one.
    int64_t knownTo() const;
    Step ask(bool forward, int side, int64_t cursor);
    Step fromKnown(int side, int64_t cursor);
    void startWindow(int64_t to);
    void measureFrom(int64_t start);
    void stepSeek();
    void finishSeek(Step step);

    Binary *stores_[2] = {nullptr, nullptr};
    int editListener_ = 0, freeListener_ = 0;
    CompareGeometry g_;
    std::vector<CompareRange> ranges_;
    Totals listed_, unlisted_;
    int64_t capPoint_ = -1;       // shared start of the first range not listed; -1 none
    std::optional<CompareScan> main_;
    bool readFailed_ = false;
    bool cancelled_ = false;
    Seek seek_;
    std::optional<Step> answer_;
};

}  // namespace hx
