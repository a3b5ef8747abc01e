// Gathers the new bytes of an edit as chunks, ready to be put in place of a
// range with ExchangeBinaryRange or, undoably, ReplaceBytesMoving: in memory
// while the edits of all documents keep less than ScratchSettings::MemoryBudget
// bytes there, in the scratch file beyond that. Bytes of the document itself
// can be taken over as references to where they lie, without a copy.
//
// A tool with a large output hands each block it makes to append(); a
// replace of many matches appends the unchanged stretches with appendRange()
// and the replacements with append(). Chunks come out about L long (never
// shorter than L/2 but for the last, never longer than 2L), so that the
// store does not merge (and so load) them again.
#pragma once

#include <cstdint>

#include "Binary.h"
#include "ByteBuffer.h"

namespace hx {

// Bytes the edits of all documents keep in memory now: changed chunks of
// every store (those whose bytes lie nowhere else) and the bytes every undo
// history keeps. One pass over every chunk list.
int64_t EditMemoryInUse();
// Of n new bytes an edit is about to make, those that would go to the
// scratch file with the memory in use now.
int64_t ScratchBytesForNew(int64_t n);
// Whether the scratch folder has room for that share of n new bytes (see
// ScratchHasRoomFor); the check before a large edit or a tool's run starts.
bool RoomForNewBytes(int64_t n);
// The most new bytes an edit could make now (RoomForNewBytes holds for
// them): the memory budget left plus the scratch folder's room; INT64_MAX
// when the folder's free space cannot be told (the writes will say).
int64_t NewBytesRoom();

class ChunkWriter {
public:
    // Chunks for store (their length follows its chunk length; references
    // point into it). The memory in use is measured once, here.
    explicit ChunkWriter(Binary *store);
    ChunkWriter(const ChunkWriter &) = delete;
    ChunkWriter &operator=(const ChunkWriter &) = delete;

    // Each append returns BinaryOk, or the status that stopped the writer
    // (BinaryNoMemory, BinaryNoSpace: the scratch file could not take the
    // bytes, BinaryCancelled: the progress report said stop); after a failure
    // every further call fails the same way and take() gives nothing.

    // Copies n bytes.
    int append(const uint8_t *bytes, int64_t n);
    // Takes the block over; a block of L/2 to 2L bytes becomes a chunk as it
    // is (no copy) when it stays in memory. Invalid or empty blocks add nothing.
    int append(ByteBuffer &&block);
    // The store's bytes position ... position + length (clamped) as they are
    // now: stretches of at least L/2 whose bytes lie in the file or the
    // scratch file become references to them (no copy, no memory), the rest
    // is copied. The references stay true when the range is then replaced:
    // the chunks that leave keep the same bytes. They must land in the store
    // in the order of the file's bytes (replacing the range they come from,
    // say), which the in-place save relies on.
    int appendRange(int64_t position, int64_t length);

    // Reports progress (EditProgress) towards total bytes from now on when
    // total reaches EditProgressMinimum.
    void expect(int64_t total);

    int status() const { return status_; }
    int64_t length() const { return length_; }
    // Bytes that went to the scratch file.
    int64_t scratchBytes() const { return scratchBytes_; }
    // The chunks made so far, in order; the writer starts again empty.
    // Nothing after a failure.
    ChunkList take();

private:
    int fail(int status);
    int appendBytes(const uint8_t *bytes, int64_t n);
    int finishChunk();
    bool nextChunkToScratch(int64_t n) const;
    int report();

    Binary *store_;
    int64_t L_;
    int64_t memoryInUse_;
    ChunkList chunks_;
    ByteBuffer pending_;           // the chunk being filled, when it is in memory
    ScratchRef run_;               // the chunk being filled, when it is in the scratch file
    int64_t filled_ = 0;           // bytes of the chunk being filled
    int64_t length_ = 0;
    int64_t scratchBytes_ = 0;
    int64_t expected_ = 0;
    int64_t reported_ = 0;
    int status_ = BinaryOk;
};

}  // namespace hx
