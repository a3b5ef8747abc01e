#include "ReplaceAll.h"

#include <algorithm>

#include "ChunkWriter.h"
#include "Document.h"
#include "History.h"

namespace hx {

namespace {

// Writes the new bytes while the range goes by: the bytes between matches as
// they were, each match as the replacement. Bytes are written once it is
// sure that no match begins at them; the last k - 1 of each piece wait in
// held_ until the next piece has shown whether a match crosses the cut. Of a
// long stretch between matches only the first ChunkLength bytes are copied
// as they go by; the rest is handed to the writer as a range of the store
// when the next match comes, so that it can refer to the bytes where they lie.
class Splicer {
public:
    Splicer(Binary *store, int64_t k, const uint8_t *replacement, int64_t r)
        : writer_(store), k_(k), replacement_(replacement), r_(r),
          copyLimit_(std::max<int64_t>(store->ChunkLength, 1)) {}

    void match(int64_t position) { pending_.push_back(position); }

    // The piece at position, after the matches that end in it were told.
    bool piece(int64_t position, const uint8_t *bytes, int64_t n) {
        for (const int64_t p : pending_) {
            if (!started_) {
                started_ = true;
                first_ = p;
                written_ = p;
            }
            if (!stretch(p, position, bytes) || writer_.append(replacement_, r_) != BinaryOk) return false;
            written_ = p + k_;
            copied_ = 0;
            ++count_;
        }
        pending_.clear();
        const int64_t end = position + n;
        const int64_t safe = end - (k_ - 1);   // no match can begin before this any more
        if (started_ && !deferred() && written_ < safe) {
            const int64_t take = std::min(safe - written_, copyLimit_ - copied_);
            if (!copy(written_, written_ + take, position, bytes)) return false;
            written_ += take;
            copied_ += take;
        }
        // What is still undecided: at most the last k - 1 bytes. A deferred
        // stretch needs none of them: it is read from the store.
        std::vector<uint8_t> next;
        if (!deferred()) {
            const int64_t keepFrom = std::max({started_ ? written_ : 0, safe, position - heldLength()});
            next.reserve(static_cast<size_t>(std::max<int64_t>(end - keepFrom, 0)));
            for (int64_t q = keepFrom; q < end; ++q) next.push_back(byteAt(q, position, bytes));
        }
        held_.swap(next);
        return true;
    }

    bool started() const { return started_; }
    int64_t first() const { return first_; }
    int64_t end() const { return written_; }   // behind the last match
    int64_t count() const { return count_; }
    int status() const { return writer_.status(); }
    ChunkList take() { return writer_.take(); }

private:
    // A stretch longer than copyLimit_ is being passed over: the bytes from
    // written_ on are taken from the store when the next match comes.
    bool deferred() const { return copied_ >= copyLimit_; }

    int64_t heldLength() const { return static_cast<int64_t>(held_.size()); }

    // The bytes from written_ up to a match at p.
    bool stretch(int64_t p, int64_t position, const uint8_t *bytes) {
        if (deferred()) return writer_.appendRange(written_, p - written_) == BinaryOk;
        return copy(written_, p, position, bytes);
    }

    // The byte at document position q, which lies in held_ (just before
    // the piece) or in the piece.
    uint8_t byteAt(int64_t q, int64_t position, const uint8_t *bytes) const {
        return q < position ? held_[static_cast<size_t>(q - (position - heldLength()))] : bytes[q - position];
    }

    bool copy(int64_t a, int64_t b, int64_t position, const uint8_t *bytes) {
        if (a < position) {
            const int64_t heldFrom = position - heldLength();
            const int64_t stop = std::min(b, position);
            if (writer_.append(held_.data() + (a - heldFrom), stop - a) != BinaryOk) return false;
            a = stop;
        }
        return a >= b || writer_.append(bytes + (a - position), b - a) == BinaryOk;
    }

    ChunkWriter writer_;
    const int64_t k_;
    const uint8_t *replacement_;
    const int64_t r_;
    const int64_t copyLimit_;
    std::vector<int64_t> pending_;   // matches told and not yet written
    std::vector<uint8_t> held_;      // bytes just before the next piece, not yet decided
    bool started_ = false;
    int64_t first_ = -1;
    int64_t written_ = 0;            // bytes before this position are written (from first_ on)
    int64_t copied_ = 0;             // bytes of the current stretch copied as they went by
    int64_t count_ = 0;
};

}  // namespace

ReplaceAllPlan PlanReplaceAll(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                              const uint8_t *replacement, int64_t r, const SearchServe &serve) {
    ReplaceAllPlan plan;
    const int64_t k = pattern.length();
    if (!store || k <= 0) return plan;
    if (r < 0 || (r > 0 && !replacement)) r = 0;
    from = std::clamp<int64_t>(from, 0, store->Length);
    to = std::clamp<int64_t>(to, from, store->Length);
    // The last match bounds the part that changes: nothing behind it is read twice.
    const SearchScan last = FindBackward(store, pattern, from, to, serve);
    if (last.status != SearchStatus::Done || last.position < 0) {
        plan.status = last.status;
        return plan;
    }
    const int64_t end = last.position + k;
    const int64_t behind = to - end;
    Splicer splicer(store, k, replacement, r);
    const SearchScan scan = ScanForward(
        store, pattern, from, end,
        [&splicer](int64_t p) {
            splicer.match(p);
            return true;
        },
        [&serve, behind](int64_t searched) { return !serve || serve(behind + searched); },
        [&splicer](int64_t position, const uint8_t *bytes, int64_t n) { return splicer.piece(position, bytes, n); });
    plan.status = scan.status;
    plan.failure = splicer.status();
    if (plan.failure != BinaryOk) plan.status = SearchStatus::Stopped;
    if (plan.status != SearchStatus::Done || !splicer.started()) return plan;
    plan.count = splicer.count();
    plan.from = splicer.first();
    plan.oldLength = splicer.end() - splicer.first();
    plan.chunks = splicer.take();
    return plan;
}

int ApplyReplaceAll(Document *doc, ReplaceAllPlan &&plan) {
    if (!doc || plan.status != SearchStatus::Done || plan.count <= 0) return BinaryOk;
    return ReplaceBytesMoving(doc, plan.from, plan.oldLength, std::move(plan.chunks));
}

}  // namespace hx
