// The chunked byte store of one document.
//
// A Binary is an ordered list of chunks; each chunk is a run of consecutive
// bytes that is either still in the file (only FileOffset is known) or held in
// a memory buffer. Positions and lengths are signed 64-bit everywhere; ranges
// are clamped to the store rather than refused.
//
// Plain C++: no Qt here, so the store can be tested, benchmarked and fuzzed
// without a display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include "ByteBuffer.h"
#include "platform/File.h"

namespace hx {

// Reader slots: bit n of BinaryChunk::Holders is set while slot n reads the chunk.
enum ReaderSlot : int {
    SlotTransient = 0,   // copies taken by the undo history and the view's edit commands
    SlotFirstPane = 1,   // pane k of a view reads with slot k + 1
    SlotStatus = 20,     // the status bar's bytes at the cursor
    SlotSearch = 30,     // search and range walk
    SlotEdit = 31,       // every chunk an edit or a save touched; released only by "save as"
};

struct BinaryChunk {
    ByteBuffer Buffer;          // exactly Length bytes when loaded; empty (not loaded) otherwise
    uint32_t Holders = 0;       // bit set of reader slots holding the chunk
    int64_t FileOffset = -1;    // where the chunk's bytes lie in File; -1: never in the file
    int32_t Modified = 0;       // 1 when Buffer may differ from the file bytes at FileOffset
    int64_t Length = 0;
    int32_t ReadFailed = 0;     // 1 when loading from the file failed or came up short

    bool loaded() const { return Buffer.valid(); }
};

using ChunkList = std::list<BinaryChunk>;
using ChunkIter = ChunkList::iterator;

struct Binary {
    int64_t Number = -1;        // the number it was created under, or -1 for "any"
    FileHandle File;            // none for a document without a file
    std::string FileName;
    int32_t Writable = 1;
    int64_t ChunkLength = 4000000;
    int64_t Length = 0;
    ChunkList Chunks;
    // The list's current element; Chunks.end() stands for "none".
    ChunkIter Current;

    // Range walk state.
    ChunkIter BlockChunk;       // Chunks.end(): no current piece
    int64_t RangeStart = 0;
    int64_t RangeLength = 0;
    int64_t BlockPosition = 0;
    int64_t Delivered = 0;
    int64_t BlockLength = 0;
    int64_t BlockOffset = 0;

    Binary() : Current(Chunks.end()), BlockChunk(Chunks.end()) {}
    Binary(const Binary &) = delete;
    Binary &operator=(const Binary &) = delete;
};

// Results of the operations that can fail for lack of memory. On BinaryNoMemory
// the store is exactly as it was before the call.
enum BinaryResult : int {
    BinaryOk = 0,
    BinaryNoMemory = -1,
};

// ---- lifecycle -------------------------------------------------------------

// number -1 makes an unnumbered store; 0 ... 65535 enters it in the number
// table (freeing a store already there); anything else returns nullptr.
Binary *CreateBinary(int64_t number, int64_t chunkLength);
// Opens name read-write (creating it when missing), else read-only with
// Writable 0, else leaves the store empty and without file. Lays out chunks
// without reading the file.
Binary *OpenBinary(int64_t number, const std::string &name, int64_t chunkLength);
// Closes the file and frees every chunk and the record. nullptr is ignored.
int FreeBinary(Binary *store);
// Looks up a store created under a number (0 ... 65535); nullptr when none.
Binary *BinaryByNumber(int64_t number);
// Calls visit for every store of the program (the program-wide list), for
// example to find whether another open document reads from a given file.
void ForEachBinary(void (*visit)(Binary *store, void *context), void *context);

// ---- public operations -----------------------------------------------------

// Copies the clamped range into buffer (when given, at least the clamped
// length big) or into a new zero-filled ByteBuffer. length -1 means "to the
// end". Returns an invalid ByteBuffer when the clamped length is 0 or less (or
// memory ran out). With a caller's buffer the returned ByteBuffer is invalid
// and *copied (when given) receives the number of bytes copied.
ByteBuffer ReadBinary(Binary *store, int64_t position, int64_t length, int slot,
                      uint8_t *buffer = nullptr, int64_t *copied = nullptr);
int InsertBinary(Binary *store, int64_t position, const uint8_t *source, int64_t length);
int RemoveBinary(Binary *store, int64_t position, int64_t length);
int ReplaceBinary(Binary *store, int64_t position, int64_t oldLength, const uint8_t *source,
                  int64_t newLength);
// First match at or after start, or -1. A null pattern or length <= 0 finds nothing.
int64_t FindBinary(Binary *store, const uint8_t *pattern, int64_t patternLength, int64_t start);

// Range walk: ExamineBinary, then NextBinaryBlock until it returns false. The
// piece stays readable through BinaryBlockBuffer until the next call.
int ExamineBinary(Binary *store, int64_t position, int64_t length);
bool NextBinaryBlock(Binary *store);
const uint8_t *BinaryBlockBuffer(const Binary *store);
int64_t BinaryBlockLength(const Binary *store);
int64_t BinaryBlockPosition(const Binary *store);

int64_t GetBinaryCacheSize(const Binary *store);
// True when some chunk's bytes could not be read from the file.
bool BinaryHasReadFailure(const Binary *store);

// ---- chunk operations (the store and the save use them) --------------------

struct ChunkPosition {
    ChunkIter chunk;            // store->Chunks.end() when p is past the end
    int64_t offset = 0;         // p minus the chunk's start
};

ChunkPosition FindChunk(Binary *store, int64_t p);
// Returns the buffer's bytes, or nullptr when memory for it could not be had.
uint8_t *LoadChunk(Binary *store, ChunkIter chunk, int slot);
void ReleaseChunk(Binary *store, ChunkIter chunk, int slot);
int NormalizeChunks(Binary *store);

}  // namespace hx
