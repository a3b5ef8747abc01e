#include "ChunkWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "BinaryInternal.h"
#include "EditProgress.h"
#include "History.h"
#include "Scratch.h"

namespace hx {

using namespace binary_detail;

namespace {

void AddStoreMemory(Binary *store, void *context) {
    auto *total = static_cast<int64_t *>(context);
    for (const BinaryChunk &c : store->Chunks)
        if (c.loaded() && !c.backed()) *total += c.Length;
}

void AddHistoryMemory(History *history, void *context) {
    *static_cast<int64_t *>(context) += HistorySize(history);
}

// Progress is reported after about this many bytes each time.
constexpr int64_t kReportStep = int64_t(4) << 20;

}  // namespace

int64_t EditMemoryInUse() {
    int64_t total = 0;
    ForEachBinary(AddStoreMemory, &total);
    ForEachHistory(AddHistoryMemory, &total);
    return total;
}

int64_t ScratchBytesForNew(int64_t n) {
    if (n <= 0) return 0;
    const int64_t room = std::max<int64_t>(ScratchSettings::MemoryBudget - EditMemoryInUse(), 0);
    return std::max<int64_t>(n - room, 0);
}

bool RoomForNewBytes(int64_t n) { return ScratchHasRoomFor(ScratchBytesForNew(n)); }

int64_t NewBytesRoom() {
    const int64_t free = ScratchFreeSpace();
    if (free < 0) return std::numeric_limits<int64_t>::max();
    // ScratchHasRoomFor keeps n/64 + 1 MiB free: n + n/64 <= free - 1 MiB.
    const int64_t scratch = std::max<int64_t>((free - (int64_t(1) << 20)) / 65 * 64, 0);
    return std::max<int64_t>(ScratchSettings::MemoryBudget - EditMemoryInUse(), 0) + scratch;
}

ChunkWriter::ChunkWriter(Binary *store)
    : store_(store), L_(store ? store->ChunkLength : 1), memoryInUse_(EditMemoryInUse()) {}

int ChunkWriter::fail(int status) {
    status_ = status;
    chunks_.clear();
    pending_.reset();
    run_.reset();
    filled_ = 0;
    return status;
}

// The chunk that starts now goes to the scratch file when it would take
// the edits' memory beyond the budget.
bool ChunkWriter::nextChunkToScratch(int64_t n) const {
    return memoryInUse_ + n > ScratchSettings::MemoryBudget;
}

int ChunkWriter::report() {
    if (expected_ <= 0 || length_ - reported_ < kReportStep) return BinaryOk;
    reported_ = length_;
    return ReportEditProgress(length_, expected_) ? BinaryOk : fail(BinaryCancelled);
}

void ChunkWriter::expect(int64_t total) {
    expected_ = total;
    reported_ = length_;
    if (!ReportEditProgress(length_, total)) fail(BinaryCancelled);
}

int ChunkWriter::finishChunk() {
    if (filled_ == 0) return BinaryOk;
    try {
        BinaryChunk &c = chunks_.emplace_back();
        c.Length = filled_;
        c.Modified = 1;
        if (run_) {
            c.Scratch = std::move(run_);
            c.ScratchOffset = c.Scratch->offset();
            scratchBytes_ += filled_;
        } else {
            pending_.resize(filled_);
            pending_.shrinkToFit();
            c.Buffer = std::move(pending_);
            memoryInUse_ += filled_;
        }
    } catch (const std::bad_alloc &) {
        return fail(BinaryNoMemory);
    }
    filled_ = 0;
    return report();
}

int ChunkWriter::appendBytes(const uint8_t *bytes, int64_t n) {
    while (n > 0) {
        if (filled_ == 0) {
            if (nextChunkToScratch(L_)) {
                int error = 0;
                run_ = ScratchAllocate(L_, &error);
                if (!run_) return fail(BinaryNoSpace);
            } else if (!pending_.valid() || pending_.capacity() < L_) {
                pending_ = ByteBuffer::uninitialised(L_, L_);
                if (!pending_) return fail(BinaryNoMemory);
            } else {
                pending_.resize(L_);
            }
        }
        const int64_t k = std::min(n, L_ - filled_);
        if (run_) {
            if (!ScratchWriteAt(run_->offset() + filled_, bytes, k)) return fail(BinaryNoSpace);
        } else {
            std::memcpy(pending_.data() + filled_, bytes, static_cast<size_t>(k));
        }
        filled_ += k;
        length_ += k;
        bytes += k;
        n -= k;
        if (filled_ == L_ && finishChunk() != BinaryOk) return status_;
    }
    return BinaryOk;
}

int ChunkWriter::append(const uint8_t *bytes, int64_t n) {
    if (status_ != BinaryOk) return status_;
    if (n < 0) return fail(BinaryBadLength);
    if (n > 0 && !bytes) return BinaryOk;
    return appendBytes(bytes, n);
}

int ChunkWriter::append(ByteBuffer &&block) {
    if (status_ != BinaryOk) return status_;
    ByteBuffer taken = std::move(block);
    if (!taken.valid() || taken.size() == 0) return BinaryOk;
    const int64_t n = taken.size();
    if (filled_ > 0 || n < smallBound(store_) || n > 2 * L_) return appendBytes(taken.data(), n);
    try {
        BinaryChunk c;
        c.Length = n;
        c.Modified = 1;
        if (nextChunkToScratch(n)) {
            int error = 0;
            c.Scratch = ScratchWrite(taken.data(), n, &error);
            if (!c.Scratch) return fail(BinaryNoSpace);
            c.ScratchOffset = c.Scratch->offset();
            scratchBytes_ += n;
        } else {
            // Room the block had beyond its bytes would be kept without being counted.
            taken.shrinkToFit();
            c.Buffer = std::move(taken);
            memoryInUse_ += n;
        }
        chunks_.push_back(std::move(c));
    } catch (const std::bad_alloc &) {
        return fail(BinaryNoMemory);
    }
    length_ += n;
    return report();
}

int ChunkWriter::appendRange(int64_t position, int64_t length) {
    if (status_ != BinaryOk) return status_;
    if (!store_ || length <= 0) return BinaryOk;
    clampRange(store_, position, length);
    const int64_t small = smallBound(store_);
    int64_t start = 0;
    for (ChunkIter c = store_->Chunks.begin(); c != store_->Chunks.end() && length > 0; ++c) {
        const int64_t end = start + c->Length;
        if (end <= position) {
            start = end;
            continue;
        }
        int64_t offset = position - start;
        int64_t k = std::min(c->Length - offset, length);
        position += k;
        length -= k;
        start = end;
        // A stretch of a chunk whose bytes lie in a file becomes a reference,
        // unless it is short: then it is copied, and so is what would make
        // the chunk being filled, or the reference, shorter than L/2.
        if (c->ReadFailed) return fail(BinaryReadFailed);   // zeros in place of the file's bytes
        const int64_t topUp = filled_ > 0 && filled_ < small ? small - filled_ : 0;
        if (c->backed() && k >= small + topUp) {
            if (topUp > 0) {
                ByteBuffer part = ByteBuffer::uninitialised(topUp, topUp);
                if (!part) return fail(BinaryNoMemory);
                if (c->loaded()) std::memcpy(part.data(), c->Buffer.data() + offset, static_cast<size_t>(topUp));
                else if (!readBackedBytes(store_, *c, offset, part.data(), topUp)) return fail(BinaryReadFailed);
                if (appendBytes(part.data(), topUp) != BinaryOk) return status_;
                offset += topUp;
                k -= topUp;
            }
            if (finishChunk() != BinaryOk) return status_;
            try {
                BinaryChunk &r = chunks_.emplace_back();
                r.Length = k;
                r.Modified = c->Modified;
                r.FileOffset = c->Scratch || c->FileOffset < 0 ? -1 : c->FileOffset + offset;
                r.Scratch = c->Scratch;
                r.ScratchOffset = c->ScratchOffset + offset;
            } catch (const std::bad_alloc &) {
                return fail(BinaryNoMemory);
            }
            length_ += k;
            if (report() != BinaryOk) return status_;
            continue;
        }
        // A short stretch (or one in memory only) is copied; a chunk that is
        // not loaded is read for it and let go again.
        const bool held = (c->Holders & slotBit(SlotTransient)) != 0;
        const uint8_t *d = LoadChunk(store_, c, SlotTransient);
        if (!d) return fail(BinaryNoMemory);
        const bool failed = c->ReadFailed != 0;
        if (!failed) appendBytes(d + offset, k);
        if (!held) ReleaseChunk(store_, c, SlotTransient);
        if (failed) return fail(BinaryReadFailed);
        if (status_ != BinaryOk) return status_;
    }
    return BinaryOk;
}

ChunkList ChunkWriter::take() {
    if (status_ == BinaryOk) finishChunk();
    ChunkList out;
    if (status_ == BinaryOk) out = std::move(chunks_);
    chunks_.clear();
    return out;
}

}  // namespace hx
