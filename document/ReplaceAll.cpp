#include "ReplaceAll.h"

#include <algorithm>
#include <cstring>

#include "Binary.h"
#include "Document.h"
#include "History.h"

namespace hx {

namespace {

// Writes the new bytes while the range goes by: the bytes between matches as
// they were, each match as the replacement. Bytes are written once it is
// sure that no match begins at them; the last k - 1 of each piece wait in
// held_ until the next piece has shown whether a match crosses the cut.
class Splicer {
public:
    Splicer(int64_t k, const uint8_t *replacement, int64_t r, int64_t pieceLength)
        : k_(k), replacement_(replacement), r_(r), pieceLength_(std::max<int64_t>(pieceLength, 1)) {}

    void match(int64_t position) { pending_.push_back(position); }

    // The piece at position, after the matches that end in it were told.
    bool piece(int64_t position, const uint8_t *bytes, int64_t n) {
        for (const int64_t p : pending_) {
            if (!started_) {
                started_ = true;
                first_ = p;
                written_ = p;
            }
            if (!copy(written_, p, position, bytes) || !write(replacement_, r_)) return false;
            written_ = p + k_;
            ++count_;
        }
        pending_.clear();
        const int64_t end = position + n;
        const int64_t safe = end - (k_ - 1);   // no match can begin before this any more
        if (started_ && written_ < safe) {
            if (!copy(written_, safe, position, bytes)) return false;
            written_ = safe;
        }
        // What is still undecided: at most the last k - 1 bytes.
        const int64_t keepFrom = std::max(started_ ? written_ : 0, std::max(safe, position - heldLength()));
        std::vector<uint8_t> next;
        next.reserve(static_cast<size_t>(end - keepFrom));
        for (int64_t q = keepFrom; q < end; ++q) next.push_back(byteAt(q, position, bytes));
        held_.swap(next);
        return true;
    }

    bool started() const { return started_; }
    int64_t first() const { return first_; }
    int64_t end() const { return written_; }   // behind the last match
    int64_t count() const { return count_; }
    std::vector<ByteBuffer> take() {
        finishPiece();
        return std::move(out_);
    }

private:
    int64_t heldLength() const { return static_cast<int64_t>(held_.size()); }

    // The byte at document position q, which lies in held_ (just before
    // the piece) or in the piece.
    uint8_t byteAt(int64_t q, int64_t position, const uint8_t *bytes) const {
        return q < position ? held_[static_cast<size_t>(q - (position - heldLength()))] : bytes[q - position];
    }

    bool copy(int64_t a, int64_t b, int64_t position, const uint8_t *bytes) {
        if (a < position) {
            const int64_t heldFrom = position - heldLength();
            const int64_t stop = std::min(b, position);
            if (!write(held_.data() + (a - heldFrom), stop - a)) return false;
            a = stop;
        }
        return a >= b || write(bytes + (a - position), b - a);
    }

    // The piece being filled is allocated whole and cut to what it holds
    // once, when it is done.
    void finishPiece() {
        if (!current_) return;
        current_.resize(filled_);
        out_.push_back(std::move(current_));
        filled_ = 0;
    }

    bool write(const uint8_t *source, int64_t n) {
        while (n > 0) {
            if (!current_ || filled_ == pieceLength_) {
                finishPiece();
                current_ = ByteBuffer::uninitialised(pieceLength_, pieceLength_);
                if (!current_) return false;
            }
            const int64_t take = std::min(n, pieceLength_ - filled_);
            std::memcpy(current_.data() + filled_, source, static_cast<size_t>(take));
            filled_ += take;
            source += take;
            n -= take;
        }
        return true;
    }

    const int64_t k_;
    const uint8_t *replacement_;
    const int64_t r_;
    const int64_t pieceLength_;
    std::vector<int64_t> pending_;   // matches told and not yet written
    std::vector<uint8_t> held_;      // bytes just before the next piece, not yet decided
    bool started_ = false;
    int64_t first_ = -1;
    int64_t written_ = 0;            // bytes before this position are written (from first_ on)
    int64_t count_ = 0;
    std::vector<ByteBuffer> out_;
    ByteBuffer current_;
    int64_t filled_ = 0;             // bytes written into current_
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
    Splicer splicer(k, replacement, r, store->ChunkLength);
    const SearchScan scan = ScanForward(
        store, pattern, from, end,
        [&splicer](int64_t p) {
            splicer.match(p);
            return true;
        },
        [&serve, behind](int64_t searched) { return !serve || serve(behind + searched); },
        [&splicer, &plan](int64_t position, const uint8_t *bytes, int64_t n) {
            if (splicer.piece(position, bytes, n)) return true;
            plan.noMemory = true;
            return false;
        });
    plan.status = scan.status;
    if (scan.status != SearchStatus::Done || !splicer.started()) return plan;
    plan.count = splicer.count();
    plan.from = splicer.first();
    plan.oldLength = splicer.end() - splicer.first();
    plan.bytes = splicer.take();
    return plan;
}

int ApplyReplaceAll(Document *doc, ReplaceAllPlan &&plan) {
    if (!doc || plan.status != SearchStatus::Done || plan.count <= 0) return BinaryOk;
    return ReplaceBytesMoving(doc, plan.from, plan.oldLength, std::move(plan.bytes));
}

}  // namespace hx
