#include "Compare.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "document/Binary.h"

namespace hx {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the word scans below take the lowest byte of a word for the first one");

uint64_t Load(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Equal blocks are skipped with memcmp at this stride (the library's vector
// code); only a block that differs is scanned word by word.
constexpr int64_t SkipBlock = 4096;

}  // namespace

CompareGeometry CompareGeometry::Of(int64_t lengthA, int64_t lengthB, int64_t shift) {
    CompareGeometry g;
    g.LengthA = std::max<int64_t>(lengthA, 0);
    g.LengthB = std::max<int64_t>(lengthB, 0);
    // -INT64_MIN does not exist; a shift that large leaves nothing shared anyway.
    g.Shift = std::max(shift, -std::numeric_limits<int64_t>::max());
    g.StartA = g.Shift < 0 ? std::min(-g.Shift, g.LengthA) : 0;
    g.StartB = g.Shift > 0 ? std::min(g.Shift, g.LengthB) : 0;
    g.Shared = std::max<int64_t>(std::min(g.LengthA - g.StartA, g.LengthB - g.StartB), 0);
    return g;
}

CompareRange CompareGeometry::head() const { return {0, StartA, 0, StartB}; }

CompareRange CompareGeometry::tail() const {
    return {StartA + Shared, LengthA - StartA - Shared, StartB + Shared, LengthB - StartB - Shared};
}

int64_t FirstDifference(const uint8_t *a, const uint8_t *b, int64_t from, int64_t n) {
    int64_t i = from;
    while (n - i >= SkipBlock && std::memcmp(a + i, b + i, SkipBlock) == 0) i += SkipBlock;
    for (; n - i >= 8; i += 8) {
        const uint64_t x = Load(a + i) ^ Load(b + i);
        if (x) return i + std::countr_zero(x) / 8;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

int64_t FirstEqual(const uint8_t *a, const uint8_t *b, int64_t from, int64_t n) {
    constexpr uint64_t Ones = 0x0101010101010101ull, Highs = 0x8080808080808080ull;
    int64_t i = from;
    for (; n - i >= 8; i += 8) {
        const uint64_t x = Load(a + i) ^ Load(b + i);
        // The high bit of each zero byte of x (equal bytes). Bytes above a zero
        // byte may be flagged falsely (the borrow), never one below it, so the
        // lowest flag is exact.
        const uint64_t zero = (x - Ones) & ~x & Highs;
        if (zero) return i + std::countr_zero(zero) / 8;
    }
    while (i < n && a[i] != b[i]) ++i;
    return i;
}

// ---- sources ----------------------------------------------------------------

int64_t StoreSource::length() const { return store_ ? store_->Length : 0; }

void StoreSource::begin(int64_t position, int64_t length) {
    end();
    failed_ = false;
    if (!store_) return;
    ExamineBinary(store_, position, length);
    walking_ = true;
}

bool StoreSource::next(const uint8_t *&bytes, int64_t &length) {
    if (!walking_) return false;
    while (NextBinaryBlock(store_)) {
        // Zeros stand in the chunk where its file bytes could not be read: no
        // answer over them would be true.
        if (store_->BlockChunk != store_->Chunks.end() && store_->BlockChunk->ReadFailed) {
            failed_ = true;
            end();
            return false;
        }
        const int64_t n = BinaryBlockLength(store_);
        if (n <= 0) continue;
        bytes = BinaryBlockBuffer(store_);
        length = n;
        return true;
    }
    walking_ = false;
    if (BinaryWalkFailed(store_)) failed_ = true;
    return false;
}

void StoreSource::end() {
    if (!walking_) return;
    walking_ = false;
    // The walk's last call hands the piece's chunk back to the store.
    if (store_->WalkState == WalkInPiece) {
        store_->Delivered = store_->RangeLength;
        NextBinaryBlock(store_);
    }
}

bool FileSource::open(const std::string &path) {
    file_ = FileHandle::openReadOnly(path);
    if (!file_ || !file_.isRegular()) return false;
    length_ = file_.length();
    buffer_ = ByteBuffer::uninitialised(PieceLength, PieceLength);
    return length_ >= 0 && buffer_.valid();
}

void FileSource::begin(int64_t position, int64_t length) {
    position_ = std::clamp<int64_t>(position, 0, length_);
    remaining_ = std::clamp<int64_t>(length, 0, length_ - position_);
    failed_ = false;
}

bool FileSource::next(const uint8_t *&bytes, int64_t &length) {
    if (remaining_ <= 0) return false;
    const int64_t n = std::min(remaining_, PieceLength);
    // A file that became shorter meanwhile comes up short: that is a failure,
    // not the end, or its missing bytes would pass for equal.
    if (file_.readAt(buffer_.data(), n, position_) != n) {
        failed_ = true;
        remaining_ = 0;
        return false;
    }
    bytes = buffer_.data();
    length = n;
    position_ += n;
    remaining_ -= n;
    return true;
}

// ---- the scan ---------------------------------------------------------------

CompareScan::CompareScan(const CompareGeometry &geometry, int64_t from, int64_t to) : g_(geometry) {
    from_ = std::clamp<int64_t>(from, 0, g_.Shared);
    to_ = std::clamp<int64_t>(to, from_, g_.Shared);
    position_ = from_;
}

bool CompareScan::finishOpen(const std::function<bool(const CompareRange &)> &found) {
    const CompareRange range = *open_;
    open_.reset();
    return !found || found(range);
}

// A run of differing shared indexes [start, end): it grows the open range
// when that ends right there, otherwise it finishes the open one and opens.
bool CompareScan::addRun(int64_t start, int64_t end, const std::function<bool(const CompareRange &)> &found) {
    if (open_ && open_->OffsetA + open_->LengthA - g_.StartA == start) {
        open_->LengthA += end - start;
        open_->LengthB += end - start;
        return true;
    }
    if (open_ && !finishOpen(found)) return false;
    open_ = CompareRange{g_.StartA + start, end - start, g_.StartB + start, end - start};
    return true;
}

CompareScan::Status CompareScan::step(CompareSource &a, CompareSource &b, int64_t budget,
                                      const std::function<bool(const CompareRange &)> &found) {
    if (status_ != Status::Running) return status_;
    if (!started_) {
        started_ = true;
        const CompareRange head = g_.head();
        if (from_ == 0 && (head.LengthA > 0 || head.LengthB > 0)) open_ = head;
    }
    const int64_t n = std::min(std::max<int64_t>(budget, 1), to_ - position_);
    if (n > 0) {
        a.begin(g_.StartA + position_, n);
        b.begin(g_.StartB + position_, n);
        const uint8_t *pa = nullptr, *pb = nullptr;
        int64_t na = 0, nb = 0, done = 0;
        auto stop = [&](Status status) {
            a.end();
            b.end();
            status_ = status;
            return status_;
        };
        while (done < n) {
            if (na == 0 && !a.next(pa, na)) break;
            if (nb == 0 && !b.next(pb, nb)) break;
            const int64_t k = std::min({na, nb, n - done});
            const int64_t base = position_ + done;
            for (int64_t i = FirstDifference(pa, pb, 0, k); i < k;) {
                const int64_t j = FirstEqual(pa, pb, i, k);
                if (!addRun(base + i, base + j, found)) return stop(Status::Stopped);
                i = j < k ? FirstDifference(pa, pb, j, k) : k;
            }
            // An equal byte after the open range's end, within this segment, finishes it.
            if (open_ && open_->OffsetA + open_->LengthA - g_.StartA < base + k && !finishOpen(found))
                return stop(Status::Stopped);
            pa += k;
            pb += k;
            na -= k;
            nb -= k;
            done += k;
        }
        if (done < n) return stop(Status::ReadFailed);
        a.end();
        b.end();
        position_ += n;
    }
    if (position_ < to_) return status_;
    if (to_ == g_.Shared) {
        const CompareRange tail = g_.tail();
        if (tail.LengthA > 0 || tail.LengthB > 0) {
            if (open_ && open_->OffsetA + open_->LengthA == tail.OffsetA &&
                open_->OffsetB + open_->LengthB == tail.OffsetB) {
                open_->LengthA += tail.LengthA;
                open_->LengthB += tail.LengthB;
            } else {
                if (open_ && !finishOpen(found)) return status_ = Status::Stopped;
                open_ = tail;
            }
        }
    }
    if (open_ && !finishOpen(found)) return status_ = Status::Stopped;
    return status_ = Status::Done;
}

}  // namespace hx
