// Comparing two byte sequences: the ranges where they differ, found piece by
// piece at memory speed, over documents of any size.
//
// The two sides are A and B. An alignment says which byte of B stands beside
// which byte of A; the bytes that stand beside each other are compared, and
// the bytes that have nothing beside them (before the other side begins,
// after it ends) count as differing too. A difference is a maximal run of
// such positions, with its place and length on each side.
//
// Plain C++: no Qt, so the engine is tested and benchmarked without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "document/ByteBuffer.h"
#include "platform/File.h"

namespace hx {

struct Binary;

// One place where the sides do not match: LengthA bytes of A at OffsetA
// stand against LengthB bytes of B at OffsetB. Within the stretch both sides
// share, the two lengths are equal; a range that reaches into a part only one
// side has is longer there (the other side's length may be 0: its offset is
// then where the missing bytes would be).
struct CompareRange {
    int64_t OffsetA = 0, LengthA = 0, OffsetB = 0, LengthB = 0;
    bool operator==(const CompareRange &) const = default;
};

// Which bytes stand beside each other: byte p of A beside byte p + Shift of B.
// The shared stretch is A's [StartA, StartA + Shared) beside B's [StartB,
// StartB + Shared); the head is what lies before it on either side, the tail
// what lies after it. (An alignment that finds insertions by itself would be
// a list of such stretches, each compared as this one is.)
struct CompareGeometry {
    int64_t LengthA = 0, LengthB = 0, Shift = 0;
    int64_t StartA = 0, StartB = 0;
    int64_t Shared = 0;

    // Negative lengths count as 0; any shift is taken (one beyond either
    // length only leaves nothing shared).
    static CompareGeometry Of(int64_t lengthA, int64_t lengthB, int64_t shift);
    // The bytes before and after the shared stretch, as ranges (both lengths
    // 0 when there are none).
    CompareRange head() const;
    CompareRange tail() const;
    // Index in the shared stretch of a position of side 0 (A) or 1 (B); may
    // lie outside 0 ... Shared.
    int64_t sharedIndex(int side, int64_t position) const {
        return position - (side == 0 ? StartA : StartB);
    }
    bool operator==(const CompareGeometry &) const = default;
};

// Index of the first i in [from, n) with a[i] != b[i]; n when there is none.
int64_t FirstDifference(const uint8_t *a, const uint8_t *b, int64_t from, int64_t n);
// Index of the first i in [from, n) with a[i] == b[i]; n when there is none.
int64_t FirstEqual(const uint8_t *a, const uint8_t *b, int64_t from, int64_t n);

// One side's bytes, handed out piece by piece.
class CompareSource {
public:
    virtual ~CompareSource() = default;
    virtual int64_t length() const = 0;
    // Starts handing out [position, position + length), cut to the side.
    virtual void begin(int64_t position, int64_t length) = 0;
    // The next piece (at least one byte), valid until the next call; false at
    // the end of the range, or when a read failed (failed() then tells).
    virtual bool next(const uint8_t *&bytes, int64_t &length) = 0;
    // Leaves the range before its end, letting go of what the source holds.
    virtual void end() = 0;
    virtual bool failed() const = 0;
};

// A document's bytes through its store's range walk. Each begin() starts a
// walk of its own and next() ends it at the range's end, so no walk is left
// open between two calls of the program's loop. A piece of a chunk whose
// file bytes could not be read counts as a failure.
class StoreSource : public CompareSource {
public:
    explicit StoreSource(Binary *store) : store_(store) {}
    int64_t length() const override;
    void begin(int64_t position, int64_t length) override;
    bool next(const uint8_t *&bytes, int64_t &length) override;
    void end() override;
    bool failed() const override { return failed_; }

private:
    Binary *store_;
    bool failed_ = false;
    bool walking_ = false;
};

// A file read as it is, a piece at a time, opened read-only: for listing
// differences without opening documents (nothing is written, no interrupted
// save is finished).
class FileSource : public CompareSource {
public:
    // false when the path cannot be opened for reading or is no regular file.
    bool open(const std::string &path);
    int64_t length() const override { return length_; }
    void begin(int64_t position, int64_t length) override;
    bool next(const uint8_t *&bytes, int64_t &length) override;
    void end() override { remaining_ = 0; }
    bool failed() const override { return failed_; }
    int error() const { return file_.lastError(); }

    static constexpr int64_t PieceLength = 512 * 1024;

private:
    FileHandle file_;
    ByteBuffer buffer_;
    int64_t length_ = 0;
    int64_t position_ = 0;
    int64_t remaining_ = 0;
    bool failed_ = false;
};

// The comparison of the shared indexes [from, to) of a geometry, resumable:
// each step() compares some more bytes and hands out the ranges it finished,
// in order. A scan from 0 begins with the head (a run of differences at the
// start of the shared stretch joins it); a scan to Shared ends with the tail
// (joining a run that reaches the end). A scan that begins later starts
// without knowing what lies before: a run at its very start may be the rest
// of a longer one.
class CompareScan {
public:
    enum class Status { Running, Done, Stopped, ReadFailed };

    // from and to are cut to 0 ... Shared (to at least from).
    CompareScan(const CompareGeometry &geometry, int64_t from, int64_t to);

    // Compares at most budget more bytes of a and b (at least one while any
    // are left) and calls found with each range finished meanwhile; found
    // returning false stops the scan right there (Stopped). Done after the
    // last range was handed out. Each call begins and ends its own reads.
    Status step(CompareSource &a, CompareSource &b, int64_t budget,
                const std::function<bool(const CompareRange &)> &found);

    Status status() const { return status_; }
    // The next shared index to compare.
    int64_t position() const { return position_; }
    int64_t from() const { return from_; }
    int64_t to() const { return to_; }
    // The range still growing at position(), if any (not handed out yet).
    const std::optional<CompareRange> &open() const { return open_; }

private:
    bool finishOpen(const std::function<bool(const CompareRange &)> &found);
    bool addRun(int64_t start, int64_t end, const std::function<bool(const CompareRange &)> &found);

    CompareGeometry g_;
    int64_t from_, to_, position_;
    bool started_ = false;
    Status status_ = Status::Running;
    std::optional<CompareRange> open_;
};

}  // namespace hx
