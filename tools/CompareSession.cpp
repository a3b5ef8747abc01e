#include "CompareSession.h"

#include <algorithm>
#include <limits>

#include "document/Binary.h"
#include "document/BinaryEdits.h"

namespace hx {

namespace {

constexpr int64_t Largest = std::numeric_limits<int64_t>::max();

int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) return b < 0 ? std::numeric_limits<int64_t>::min() : Largest;
    return r;
}

// Copies side's bytes [position, position + length) (cut to the side) into
// out; false when a piece could not be read.
bool ReadWindow(Binary *store, int64_t position, int64_t length, std::vector<uint8_t> &out) {
    out.clear();
    StoreSource source(store);
    source.begin(position, length);
    const uint8_t *bytes = nullptr;
    int64_t n = 0;
    while (source.next(bytes, n)) out.insert(out.end(), bytes, bytes + n);
    return !source.failed();
}

}  // namespace

CompareSession::CompareSession(Binary *a, Binary *b, int64_t shift) {
    stores_[0] = a;
    stores_[1] = b;
    editListener_ = AddBinaryEditListener([this](const Binary *store, int64_t position, int64_t, int64_t) {
        edited(store, position);
    });
    freeListener_ = AddBinaryFreeListener([this](const Binary *store) { freed(store); });
    // One store on both sides would run two walks on it at once.
    if (a == b) stores_[1] = nullptr;
    setShift(shift);
}

CompareSession::~CompareSession() {
    RemoveBinaryEditListener(editListener_);
    RemoveBinaryFreeListener(freeListener_);
}

void CompareSession::setShift(int64_t shift) {
    g_ = CompareGeometry::Of(stores_[0] ? stores_[0]->Length : 0, stores_[1] ? stores_[1]->Length : 0, shift);
    ranges_.clear();
    listed_ = unlisted_ = Totals();
    capPoint_ = -1;
    readFailed_ = false;
    cancelled_ = false;
    seek_ = Seek();
    answer_.reset();
    main_.reset();
    if (alive()) main_.emplace(g_, 0, g_.Shared);
}

int64_t CompareSession::sharedStart(const CompareRange &r) const {
    return std::min(r.OffsetA - g_.StartA, r.OffsetB - g_.StartB);
}

int64_t CompareSession::sharedEnd(const CompareRange &r) const {
    return std::max(r.OffsetA + r.LengthA - g_.StartA, r.OffsetB + r.LengthB - g_.StartB);
}

bool CompareSession::complete() const { return main_ && main_->status() == CompareScan::Status::Done; }

int64_t CompareSession::compared() const {
    if (!main_) return 0;
    return complete() ? g_.Shared : main_->position();
}

bool CompareSession::busy() const {
    if (!alive()) return false;
    if (seek_.Phase != SeekPhase::None) return true;
    return !cancelled_ && main_ && main_->status() == CompareScan::Status::Running;
}

void CompareSession::cancel() {
    cancelled_ = true;
    seek_ = Seek();
}

// ---- keeping in step with the stores -----------------------------------------

void CompareSession::edited(const Binary *store, int64_t position) {
    const int side = store == stores_[0] ? 0 : store == stores_[1] ? 1 : -1;
    if (side < 0 || !alive()) return;
    const CompareGeometry before = g_;
    g_ = CompareGeometry::Of(stores_[0]->Length, stores_[1]->Length, g_.Shift);
    // Where the shared stretch begins moved (a side shorter than the shift
    // grew or shrank): every pair of bytes is another one now.
    const bool moved = g_.StartA != before.StartA || g_.StartB != before.StartB;
    restartFrom(moved ? 0 : before.sharedIndex(side, position));
    if (seek_.Phase == SeekPhase::None) return;
    // The search started on the old bytes: ask again.
    const Seek asked = seek_;
    const Step again = ask(asked.Forward, asked.Side, asked.Cursor);
    if (again.Kind != Step::Pending) answer_ = again;
}

void CompareSession::freed(const Binary *store) {
    if (store != stores_[0] && store != stores_[1]) return;
    if (store == stores_[0]) stores_[0] = nullptr;
    if (store == stores_[1]) stores_[1] = nullptr;
    main_.reset();
    seek_ = Seek();
    answer_.reset();
}

// Drops what may have changed from shared index `index` on and computes it
// again from there. The new computation must begin where the byte before is
// known to be equal (or at 0), so that a run found at its start is a real
// one: at the edit (bytes before it did not change), or further back at the
// start of a range that touches or follows it.
void CompareSession::restartFrom(int64_t index) {
    int64_t from = std::max<int64_t>(index, 0);
    if (main_) {
        from = std::min(from, main_->position());
        if (main_->open()) from = std::min(from, sharedStart(*main_->open()));
    }
    if (capPoint_ >= 0) {
        // The ranges beyond the list are only counted: count them again.
        from = std::min(from, capPoint_);
        capPoint_ = -1;
        unlisted_ = Totals();
    }
    // A range that ends right at the edit may grow with it.
    auto first = std::partition_point(ranges_.begin(), ranges_.end(),
                                      [&](const CompareRange &r) { return sharedEnd(r) < from; });
    if (first != ranges_.end()) from = std::min(from, sharedStart(*first));
    for (auto it = first; it != ranges_.end(); ++it) listed_.add(*it, -1);
    ranges_.erase(first, ranges_.end());
    if (from <= 0) {
        ranges_.clear();
        listed_ = Totals();
        from = 0;
    }
    readFailed_ = false;
    main_.emplace(g_, from, g_.Shared);
}

// ---- the list ------------------------------------------------------------------

bool CompareSession::found(const CompareRange &r) {
    if (capPoint_ < 0 && ranges_.size() < maxListed) {
        ranges_.push_back(r);
        listed_.add(r);
        return true;
    }
    if (capPoint_ < 0) capPoint_ = sharedStart(r);
    unlisted_.add(r);
    return true;
}

void CompareSession::stepMain() {
    StoreSource a(stores_[0]), b(stores_[1]);
    const auto status = main_->step(a, b, stepBytes, [this](const CompareRange &r) { return found(r); });
    if (status == CompareScan::Status::ReadFailed) readFailed_ = true;
}

bool CompareSession::work(std::chrono::steady_clock::duration budget) {
    const auto deadline = std::chrono::steady_clock::now() + budget;
    do {
        if (!alive()) break;
        if (seek_.Phase != SeekPhase::None) {
            stepSeek();
        } else if (!cancelled_ && main_ && main_->status() == CompareScan::Status::Running) {
            stepMain();
        } else {
            break;
        }
    } while (std::chrono::steady_clock::now() < deadline);
    return busy();
}

// ---- stepping from difference to difference -----------------------------------

int64_t CompareSession::knownTo() const {
    if (capPoint_ >= 0) return capPoint_;
    if (complete()) return Largest;
    return main_ ? main_->position() : 0;
}

CompareSession::Step CompareSession::next(int side, int64_t cursor) { return ask(true, side, cursor); }
CompareSession::Step CompareSession::previous(int side, int64_t cursor) { return ask(false, side, cursor); }

std::optional<CompareSession::Step> CompareSession::answer() {
    std::optional<Step> given = answer_;
    answer_.reset();
    return given;
}

CompareSession::Step CompareSession::ask(bool forward, int side, int64_t cursor) {
    seek_ = Seek();
    answer_.reset();
    if (!alive() || (side != 0 && side != 1)) return {};
    seek_.Side = side;
    seek_.Cursor = cursor;
    seek_.Forward = forward;
    const int64_t index = g_.sharedIndex(side, cursor);
    if (!forward) {
        seek_.Low = knownTo();
        if (index <= seek_.Low) return fromKnown(side, cursor);
        startWindow(std::min(index, g_.Shared));
        return {Step::Pending, {}};
    }
    auto after = std::partition_point(ranges_.begin(), ranges_.end(),
                                      [&](const CompareRange &r) { return Offset(side, r) <= cursor; });
    if (after != ranges_.end()) {
        seek_ = Seek();
        return {Step::Found, *after};
    }
    if (complete() && !capped()) {
        seek_ = Seek();
        return {};
    }
    // Nothing listed beyond the cursor yet: search from where the list ends
    // (or from the cursor, when that lies further on). The first range found
    // whose offset lies past the cursor is the next one.
    int64_t from = index;
    if (capped()) {
        from = std::max(from, capPoint_);
    } else if (main_) {
        from = std::max(from, main_->open() ? sharedStart(*main_->open()) : main_->position());
    }
    seek_.Phase = SeekPhase::Forward;
    seek_.Scan.emplace(g_, from, g_.Shared);
    return {Step::Pending, {}};
}

// The previous range when the list knows every range before the cursor: the
// last listed one, or the main computation's open range (then only its start
// is known, and its length is measured).
CompareSession::Step CompareSession::fromKnown(int side, int64_t cursor) {
    const std::optional<CompareRange> open = main_ && !capped() ? main_->open() : std::nullopt;
    if (open && Offset(side, *open) < cursor) {
        measureFrom(sharedStart(*open));
        return {Step::Pending, {}};
    }
    // Before the computation has begun, the head (before the shared stretch,
    // at offset 0 on both sides) is known to be there, but not how far a run
    // of differences after it makes it reach.
    const CompareRange head = g_.head();
    if (ranges_.empty() && !open && (head.LengthA > 0 || head.LengthB > 0) && cursor > 0) {
        measureFrom(-1);
        return {Step::Pending, {}};
    }
    seek_ = Seek();
    auto before = std::partition_point(ranges_.begin(), ranges_.end(),
                                       [&](const CompareRange &r) { return Offset(side, r) < cursor; });
    if (before == ranges_.begin()) return {};
    return {Step::Found, *std::prev(before)};
}

void CompareSession::startWindow(int64_t to) {
    seek_.Phase = SeekPhase::Backward;
    seek_.WindowSize = std::max<int64_t>(firstWindow, 1);
    seek_.WindowFrom = std::max(seek_.Low, to - seek_.WindowSize);
    seek_.Last.reset();
    seek_.Scan.emplace(g_, seek_.WindowFrom, to);
}

void CompareSession::measureFrom(int64_t start) {
    seek_.Phase = SeekPhase::Measure;
    seek_.Start = start;
    seek_.Last.reset();
    seek_.Scan.emplace(g_, std::max<int64_t>(start, 0), g_.Shared);
}

void CompareSession::finishSeek(Step step) {
    seek_ = Seek();
    answer_ = step;
}

void CompareSession::stepSeek() {
    Seek &s = seek_;
    StoreSource a(stores_[0]), b(stores_[1]);
    // The callbacks only note what they saw: the scan must not go while it runs.
    const auto status = s.Scan->step(a, b, stepBytes, [&s, this](const CompareRange &r) {
        switch (s.Phase) {
        case SeekPhase::Forward:
            if (Offset(s.Side, r) <= s.Cursor) return true;
            s.Last = r;
            return false;
        case SeekPhase::Backward:
            if (Offset(s.Side, r) < s.Cursor) s.Last = r;
            return true;
        case SeekPhase::Extend:
            s.Last = r;
            return true;
        case SeekPhase::Measure:
        case SeekPhase::None:
            break;
        }
        s.Last = r;
        return false;
    });
    if (status == CompareScan::Status::ReadFailed) return finishSeek({Step::Failed, {}});
    if (status == CompareScan::Status::Running) return;
    if (s.Phase == SeekPhase::Forward || s.Phase == SeekPhase::Measure) {
        return finishSeek(s.Last ? Step{Step::Found, *s.Last} : Step{});
    }
    // A window is done. Backward: the last range before the cursor in it, if
    // any; Extend: a range that ends where the one found begins continues it.
    int64_t start = 0;
    if (s.Phase == SeekPhase::Backward) {
        if (!s.Last) {
            if (s.WindowFrom <= s.Low) {
                const Step known = fromKnown(s.Side, s.Cursor);
                if (known.Kind != Step::Pending) finishSeek(known);
                return;
            }
            const int64_t to = s.WindowFrom;
            s.WindowSize = std::min(s.WindowSize * 2, LargestWindow);
            s.WindowFrom = std::max(s.Low, to - s.WindowSize);
            s.Scan.emplace(g_, s.WindowFrom, to);
            return;
        }
        start = sharedStart(*s.Last);
    } else {
        start = s.Last && sharedEnd(*s.Last) == s.Start ? sharedStart(*s.Last) : s.Start;
        if (start == s.Start && start > s.WindowFrom) return measureFrom(start);
    }
    // A run found at the very start of a window may have begun before it.
    if (start == s.WindowFrom && start > s.Low) {
        s.Phase = SeekPhase::Extend;
        s.Start = start;
        s.Last.reset();
        s.WindowFrom = std::max(s.Low, start - s.WindowSize);
        s.Scan.emplace(g_, s.WindowFrom, start);
        return;
    }
    if (start == s.Low && s.Low > 0) {
        // At the list's end: a known range may end right there.
        const std::optional<CompareRange> open = main_ && !capped() ? main_->open() : std::nullopt;
        if (open && sharedEnd(*open) == start) start = sharedStart(*open);
        else if (!ranges_.empty() && sharedEnd(ranges_.back()) == start) start = sharedStart(ranges_.back());
    }
    measureFrom(start);
}

// ---- marks ----------------------------------------------------------------------

void CompareSession::marks(int side, int64_t from, int64_t length, std::vector<CompareMark> &out) {
    out.clear();
    if (!alive() || (side != 0 && side != 1) || length <= 0) return;
    length = std::min(length, MaxMarkWindow);
    const int64_t to = SaturatingAdd(from, length);
    const int other = 1 - side;
    const int64_t own = side == 0 ? g_.LengthA : g_.LengthB;
    const int64_t theirs = side == 0 ? g_.LengthB : g_.LengthA;
    const int64_t start = side == 0 ? g_.StartA : g_.StartB;
    const int64_t otherStart = side == 0 ? g_.StartB : g_.StartA;
    const int64_t shift = side == 0 ? g_.Shift : -g_.Shift;
    auto add = [&](int64_t a, int64_t b, CompareMarkKind kind) {
        a = std::max(a, from);
        b = std::min(b, to);
        if (b > a) out.push_back({a, b - a, kind});
    };
    add(0, start, CompareMarkKind::OnlyHere);
    // The shared stretch: the bytes of both windows compared.
    const int64_t m0 = std::max(from, start), m1 = std::min(to, start + g_.Shared);
    if (m1 > m0) {
        std::vector<uint8_t> mine, theirBytes;
        const bool ok = ReadWindow(stores_[side], m0, m1 - m0, mine) &&
                        ReadWindow(stores_[other], m0 - start + otherStart, m1 - m0, theirBytes) &&
                        mine.size() == theirBytes.size();
        const int64_t n = ok ? static_cast<int64_t>(mine.size()) : 0;
        for (int64_t i = FirstDifference(mine.data(), theirBytes.data(), 0, n); i < n;) {
            const int64_t j = FirstEqual(mine.data(), theirBytes.data(), i, n);
            out.push_back({m0 + i, j - i, CompareMarkKind::Differs});
            i = j < n ? FirstDifference(mine.data(), theirBytes.data(), j, n) : n;
        }
    }
    add(start + g_.Shared, own, CompareMarkKind::OnlyHere);
    // Past this side's end, where the other side's bytes stand beside nothing.
    add(std::max(own, SaturatingAdd(0, -shift)), SaturatingAdd(theirs, -shift), CompareMarkKind::Missing);
}

}  // namespace hx
