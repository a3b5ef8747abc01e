#include "HeldChunks.h"

#include <algorithm>
#include <cerrno>

#include "ByteBuffer.h"
#include "History.h"
#include "Scratch.h"

namespace hx {

void FileChange::add(int64_t start, int64_t end) {
    if (all_ || end <= start) return;
    if (!ranges_.empty() && start <= ranges_.back().second) sorted_ = false;
    ranges_.emplace_back(start, end);
}

bool FileChange::touches(int64_t start, int64_t length) const {
    if (all_) return true;
    if (length <= 0 || ranges_.empty()) return false;
    if (!sorted_) {
        // Sorted and joined where they overlap, so that at most one range
        // can start before the end and reach past the start.
        std::sort(ranges_.begin(), ranges_.end());
        std::vector<std::pair<int64_t, int64_t>> joined;
        for (const auto &r : ranges_) {
            if (!joined.empty() && r.first <= joined.back().second) joined.back().second = std::max(joined.back().second, r.second);
            else joined.push_back(r);
        }
        ranges_ = std::move(joined);
        sorted_ = true;
    }
    const int64_t end = start + length;
    auto it = std::lower_bound(ranges_.begin(), ranges_.end(), std::make_pair(end, int64_t(0)));
    return it != ranges_.begin() && std::prev(it)->second > start;
}

bool HeldChunkNeedsCopy(const BinaryChunk &chunk, const FileChange &change) {
    if (chunk.Modified || chunk.Scratch || chunk.FileOffset < 0 || chunk.ReadFailed) return false;
    return change.touches(chunk.FileOffset, chunk.Length);
}

int64_t HeldBytesToCopy(History *history, const FileChange &change) {
    int64_t total = 0;
    ForEachHeldChunks(history, [&](ChunkList &chunks) {
        for (const BinaryChunk &c : chunks)
            if (HeldChunkNeedsCopy(c, change)) total += c.Length;
    });
    return total;
}

PreserveStatus PreserveHeldChunks(Binary *store, History *history, const FileChange &change, int &error,
                                  const std::function<void(int64_t done)> &progress) {
    error = 0;
    if (change.empty()) return PreserveStatus::Done;
    const int64_t needed = HeldBytesToCopy(history, change);
    if (needed == 0) return PreserveStatus::Done;
    if (!ScratchHasRoomFor(needed)) {
        error = ENOSPC;
        return PreserveStatus::NoRoom;
    }
    PreserveStatus status = PreserveStatus::Done;
    int64_t done = 0;
    ByteBuffer piece;
    ForEachHeldChunks(history, [&](ChunkList &chunks) {
        for (BinaryChunk &c : chunks) {
            if (status != PreserveStatus::Done || !HeldChunkNeedsCopy(c, change)) continue;
            if (piece.capacity() < c.Length) piece = ByteBuffer::uninitialised(c.Length, c.Length);
            if (!piece.valid()) {
                status = PreserveStatus::ReadFailed;
                error = ENOMEM;
                return;
            }
            if (!store->File.isOpen() || store->File.readAt(piece.data(), c.Length, c.FileOffset) != c.Length) {
                status = PreserveStatus::ReadFailed;
                error = store->File.isOpen() ? store->File.lastError() : EBADF;
                if (error == 0) error = EIO;
                return;
            }
            ScratchRef run = ScratchWrite(piece.data(), c.Length, &error);
            if (!run) {
                status = PreserveStatus::WriteFailed;
                return;
            }
            c.Scratch = std::move(run);
            c.ScratchOffset = c.Scratch->offset();
            c.Modified = 1;
            c.FileOffset = -1;
            c.Buffer.reset();
            done += c.Length;
            if (progress) progress(done);
        }
    });
    return status;
}

int32_t DropStepsNeedingFileBytes(History *history, const FileChange &change) {
    return DropHistoryEntries(history, [&](const BinaryChunk &c) { return HeldChunkNeedsCopy(c, change); });
}

}  // namespace hx
