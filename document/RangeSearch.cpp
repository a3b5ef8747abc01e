#include "RangeSearch.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "Binary.h"

namespace hx {

namespace {

using Clock = std::chrono::steady_clock;

// Calls serve once enough bytes or time went by since the last call.
class Server {
public:
    explicit Server(const SearchServe &serve) : serve_(serve), last_(Clock::now()) {}

    // False when serve asked to stop.
    bool after(int64_t searched) {
        if (!serve_) return true;
        if (searched - lastSearched_ < SearchPieceLength &&
            Clock::now() - last_ < std::chrono::milliseconds(SearchServeIntervalMs))
            return true;
        lastSearched_ = searched;
        last_ = Clock::now();
        return serve_(searched);
    }

private:
    const SearchServe &serve_;
    Clock::time_point last_;
    int64_t lastSearched_ = 0;
};

// Hands the walk's current chunk back to the store when a scan ends early.
void LeaveWalk(Binary *store) {
    if (store->WalkState != WalkInPiece) return;
    store->Delivered = store->RangeLength;
    NextBinaryBlock(store);
}

void ReleaseSearchSlot(Binary *store) {
    for (ChunkIter c = store->Chunks.begin(); c != store->Chunks.end(); ++c)
        if (c->Holders & (uint32_t{1} << SlotSearch)) ReleaseChunk(store, c, SlotSearch);
}

bool ClampToStore(const Binary *store, int64_t k, int64_t &from, int64_t &to) {
    if (!store || k <= 0) return false;
    from = std::clamp<int64_t>(from, 0, store->Length);
    to = std::clamp<int64_t>(to, from, store->Length);
    return to - from >= k;
}

// The forward scan's state between pieces: the last k - 1 bytes before the
// next piece (so that a match that began in earlier pieces is found however
// short the pieces are) and where the next match may start.
class ForwardScanner {
public:
    ForwardScanner(const BytePattern &pattern, int64_t from, const SearchVisit &visit)
        : pattern_(pattern), k_(pattern.length()), position_(from), next_(from), visit_(visit) {}

    // Feeds the n bytes at the scanner's position; false when the visitor
    // ended the scan.
    bool feed(const uint8_t *bytes, int64_t n) {
        if (!carry_.empty() && !fromCarry(bytes, n)) return false;
        for (int64_t at = std::max<int64_t>(next_ - position_, 0);;) {
            const int64_t hit = pattern_.findFirst(bytes, n, at);
            if (hit < 0) break;
            if (!report(position_ + hit)) return false;
            at = hit + k_;
        }
        keepTail(bytes, n);
        position_ += n;
        return true;
    }

    int64_t count() const { return count_; }
    int64_t last() const { return last_; }

private:
    // Matches that start in the carried bytes and end in this piece.
    bool fromCarry(const uint8_t *bytes, int64_t n) {
        const int64_t carried = static_cast<int64_t>(carry_.size());
        const int64_t take = std::min(n, k_ - 1);
        window_.assign(carry_.begin(), carry_.end());
        window_.insert(window_.end(), bytes, bytes + take);
        const int64_t base = position_ - carried;
        for (int64_t at = std::max<int64_t>(next_ - base, 0); at < carried;) {
            const int64_t hit = pattern_.findFirst(window_.data(), static_cast<int64_t>(window_.size()), at);
            if (hit < 0 || hit >= carried) break;
            if (!report(base + hit)) return false;
            at = hit + k_;
        }
        return true;
    }

    bool report(int64_t position) {
        ++count_;
        last_ = position;
        next_ = position + k_;
        return !visit_ || visit_(position);
    }

    void keepTail(const uint8_t *bytes, int64_t n) {
        const int64_t keep = k_ - 1;
        if (keep <= 0) return;
        if (n >= keep) {
            carry_.assign(bytes + (n - keep), bytes + n);
            return;
        }
        carry_.insert(carry_.end(), bytes, bytes + n);
        if (static_cast<int64_t>(carry_.size()) > keep) carry_.erase(carry_.begin(), carry_.end() - keep);
    }

    const BytePattern &pattern_;
    const int64_t k_;
    int64_t position_;   // of the next byte fed
    int64_t next_;       // the first position a match may start at
    const SearchVisit &visit_;
    std::vector<uint8_t> carry_;
    std::vector<uint8_t> window_;
    int64_t count_ = 0;
    int64_t last_ = -1;
};

}  // namespace

SearchScan ScanForward(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                       const SearchVisit &visit, const SearchServe &serve, const SearchPieceVisit &piece) {
    SearchScan out;
    if (!ClampToStore(store, pattern.length(), from, to)) return out;
    ForwardScanner scanner(pattern, from, visit);
    Server server(serve);
    const auto finish = [&](SearchStatus status) {
        LeaveWalk(store);
        out.status = status;
        out.count = scanner.count();
        out.position = scanner.last();
        return out;
    };
    ExamineBinary(store, from, to - from);
    int64_t searched = 0;
    while (NextBinaryBlock(store)) {
        // A chunk that could not be read holds zeros in place of its bytes.
        if (store->BlockChunk != store->Chunks.end() && store->BlockChunk->ReadFailed)
            return finish(SearchStatus::ReadFailed);
        const uint8_t *bytes = BinaryBlockBuffer(store);
        const int64_t length = BinaryBlockLength(store);
        for (int64_t done = 0; done < length;) {
            const int64_t n = std::min(SearchPieceLength, length - done);
            if (!scanner.feed(bytes + done, n)) return finish(SearchStatus::Done);
            if (piece && !piece(from + searched, bytes + done, n)) return finish(SearchStatus::Stopped);
            done += n;
            searched += n;
            if (!server.after(searched)) return finish(SearchStatus::Stopped);
        }
    }
    return finish(BinaryWalkFailed(store) ? SearchStatus::ReadFailed : SearchStatus::Done);
}

SearchScan FindForward(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                       const SearchServe &serve) {
    return ScanForward(store, pattern, from, to, [](int64_t) { return false; }, serve);
}

SearchScan FindBackward(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                        const SearchServe &serve) {
    SearchScan out;
    const int64_t k = pattern.length();
    if (!ClampToStore(store, k, from, to)) return out;
    const bool failedBefore = BinaryHasReadFailure(store);
    // Each piece is read in front of the first k - 1 bytes of the piece after
    // it, so that a match crossing the cut is whole in one of the two.
    ByteBuffer buffer = ByteBuffer::uninitialised(0, std::min(SearchPieceLength, to - from) + k - 1);
    if (!buffer) {
        out.status = SearchStatus::ReadFailed;
        return out;
    }
    uint8_t *bytes = buffer.data();
    Server server(serve);
    int64_t end = to;
    int64_t carried = 0;   // bytes of the later piece kept behind this one
    while (end > from) {
        const int64_t start = std::max(from, end - SearchPieceLength);
        const int64_t n = end - start;
        if (carried > 0) std::memmove(bytes + n, bytes, static_cast<size_t>(carried));
        int64_t copied = 0;
        ReadBinary(store, start, n, SlotSearch, bytes, &copied);
        if (copied != n || (!failedBefore && BinaryHasReadFailure(store))) {
            out.status = SearchStatus::ReadFailed;
            break;
        }
        const int64_t hit = pattern.findLast(bytes, n + carried);
        if (hit >= 0) {
            out.count = 1;
            out.position = start + hit;
            break;
        }
        carried = std::min(k - 1, n + carried);
        end = start;
        if (!server.after(to - end)) {
            out.status = SearchStatus::Stopped;
            break;
        }
    }
    ReleaseSearchSlot(store);
    return out;
}

}  // namespace hx
