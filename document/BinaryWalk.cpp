// The range walk: a range of the store handed out piece by piece, each
// piece a run of one loaded chunk or one read of a chunk that is not loaded.
#include <algorithm>

#include "Binary.h"
#include "BinaryInternal.h"

namespace hx {

using namespace binary_detail;

int ExamineBinary(Binary *store, int64_t position, int64_t length) {
    if (!store) return 1;
    if (store->WalkState == WalkInPiece && store->BlockChunk != store->Chunks.end() && !store->BlockStreamed)
        ReleaseChunk(store, store->BlockChunk, SlotSearch);
    store->BlockStreamed = 0;
    length = std::max<int64_t>(length, 0);
    clampRange(store, position, length);
    store->RangeStart = position;
    store->RangeLength = length;
    store->Delivered = 0;
    store->BlockPosition = position;
    store->BlockChunk = store->Chunks.end();
    store->BlockLength = 0;
    store->BlockOffset = 0;
    store->WalkState = WalkReady;
    return 1;
}

namespace {

// Ends the walk; the read buffer is let go with it.
bool endWalk(Binary *store, int32_t state) {
    store->WalkState = state;
    store->BlockStreamed = 0;
    store->WalkBuffer.reset();
    return false;
}

// Reads the piece of chunk c at offset (at most length bytes) into the walk's
// read buffer when c is not loaded (its bytes lie in the file or the scratch
// file) and is longer than one read; returns
// the bytes read. -1 when the piece is to come from the loaded chunk instead,
// also after a read that failed or came up short: loading the chunk then
// remembers the failure as every load does.
int64_t streamPiece(Binary *store, const BinaryChunk &c, int64_t offset, int64_t length) {
    const int64_t readLength = std::max<int64_t>(store->WalkReadLength, 1);
    if (c.loaded() || !c.backed() || c.Length <= readLength) return -1;
    if (store->WalkBuffer.capacity() < readLength) {
        store->WalkBuffer = ByteBuffer::uninitialised(readLength, readLength);
        if (!store->WalkBuffer) return -1;
    }
    const int64_t n = std::min(length, readLength);
    return readBackedBytes(store, c, offset, store->WalkBuffer.data(), n) ? n : -1;
}

}  // namespace

bool NextBinaryBlock(Binary *store) {
    if (!store) return false;
    const ChunkIter none = store->Chunks.end();
    ChunkIter c = none;
    int64_t offset = 0;
    if (store->WalkState == WalkReady) {
        int64_t chunkStart = 0;
        for (c = store->Chunks.begin(); c != none; ++c) {
            if (chunkStart + c->Length > store->RangeStart) break;
            chunkStart += c->Length;
        }
        if (c == none) return endWalk(store, WalkIdle);
        offset = store->RangeStart - chunkStart;
    } else if (store->WalkState == WalkInPiece) {
        if (store->BlockChunk == none)   // the chunk went away under the walk
            return endWalk(store, WalkInterrupted);
        store->BlockPosition = store->RangeStart + store->Delivered;
        if (!store->BlockStreamed) ReleaseChunk(store, store->BlockChunk, SlotSearch);
        // A streamed piece may have left part of its chunk for the next ones.
        offset = store->BlockOffset + store->BlockLength;
        c = store->BlockChunk;
        if (offset >= c->Length) {
            c = std::next(c);
            offset = 0;
        }
        store->BlockChunk = none;
        if (store->Delivered >= store->RangeLength || c == none) return endWalk(store, WalkIdle);
    } else {
        return false;
    }
    const int64_t wanted = std::min(c->Length - offset, store->RangeLength - store->Delivered);
    if (const int64_t streamed = streamPiece(store, *c, offset, wanted); streamed >= 0) {
        store->BlockStreamed = 1;
        store->BlockLength = streamed;
    } else {
        store->BlockStreamed = 0;
        if (!LoadChunk(store, c, SlotSearch) && c->Length > 0) return endWalk(store, WalkInterrupted);
        store->BlockLength = wanted;
    }
    store->BlockChunk = c;
    store->BlockOffset = offset;
    store->Delivered += store->BlockLength;
    store->WalkState = WalkInPiece;
    return true;
}

const uint8_t *BinaryBlockBuffer(const Binary *store) {
    if (!store || store->WalkState != WalkInPiece || store->BlockChunk == store->Chunks.end())
        return nullptr;
    if (store->BlockStreamed) return store->WalkBuffer.data();
    return store->BlockChunk->Buffer.data() + store->BlockOffset;
}

int64_t BinaryBlockLength(const Binary *store) { return store ? store->BlockLength : 0; }

int64_t BinaryBlockPosition(const Binary *store) { return store ? store->BlockPosition : 0; }

bool BinaryWalkFailed(const Binary *store) { return store && store->WalkState == WalkInterrupted; }

}  // namespace hx
