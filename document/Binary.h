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
#include <utility>
#include <vector>

#include "ByteBuffer.h"
#include "Scratch.h"
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

// A chunk's bytes lie in one of three places: in the document's file (a
// clean chunk: Modified 0, at FileOffset), in the scratch file (Scratch set,
// Modified 1), or only in memory (Modified 1, Buffer). A chunk of the first
// two kinds may hold a copy of its bytes in Buffer as well, which can be
// dropped again; a chunk of the third kind always has its Buffer.
struct BinaryChunk {
    ByteBuffer Buffer;          // exactly Length bytes when loaded; empty (not loaded) otherwise
    uint32_t Holders = 0;       // bit set of reader slots holding the chunk
    int64_t FileOffset = -1;    // where the chunk's bytes lie in File; -1: never in the file
    int32_t Modified = 0;       // 1 when Buffer may differ from the file bytes at FileOffset
    int64_t Length = 0;
    int32_t ReadFailed = 0;     // 1 when loading from the file failed or came up short
    ScratchRef Scratch;         // set: the bytes lie in the scratch file at ScratchOffset
    int64_t ScratchOffset = 0;

    bool loaded() const { return Buffer.valid(); }
    // True when the bytes can be read again from the file or the scratch file.
    bool backed() const { return Scratch != nullptr || (!Modified && FileOffset >= 0); }
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
    // Where the walk stands: see BinaryWalkState. A walk ends early (Interrupted)
    // when an edit changes the store during it or a piece cannot be loaded.
    int32_t WalkState = 0;
    // A chunk longer than WalkReadLength that is not loaded (its bytes lie in
    // the file or the scratch file) is not loaded by a walk: it is read
    // WalkReadLength bytes at a time into WalkBuffer, and each read is a
    // piece of its own. The caller then works
    // on bytes that are still in the processor's cache, and the walk holds one
    // read's worth of memory instead of a chunk. BlockStreamed is 1 while the
    // current piece lies in WalkBuffer; the piece then holds no chunk.
    int64_t WalkReadLength = 512 * 1024;
    ByteBuffer WalkBuffer;
    int32_t BlockStreamed = 0;

    // What the file looked like when we last opened or saved it: device and
    // inode of the open file, its size and modification time (nanoseconds).
    // A save compares them with the path and the file before writing.
    struct Stamp {
        uint64_t Device = 0, Inode = 0;
        int64_t Size = -1, ModifiedNs = 0;
    } FileStamp;
    // Set by OpenBinary when it found an interrupted save of this file and
    // repaired it (see Save.h); the shell tells the user and resets it.
    int32_t Recovery = 0;
    // Set by OpenBinary when it put aside a journal that did not fit the
    // file (its new name); the shell tells the user and clears it.
    std::string RecoveryJournal;

    Binary() : Current(Chunks.end()), BlockChunk(Chunks.end()) {}
    Binary(const Binary &) = delete;
    Binary &operator=(const Binary &) = delete;
};

// Results of the operations that can fail for lack of memory. On BinaryNoMemory
// the store is exactly as it was before the call.
enum BinaryResult : int {
    BinaryOk = 0,
    BinaryNoMemory = -1,
    BinaryBadLength = -2,   // a negative length with a plain pointer: nothing was changed
    BinaryNoSpace = -3,     // the scratch file could not take the bytes (a full disk): nothing was changed
    BinaryCancelled = -4,   // a long edit was stopped through its progress report: nothing was changed
    BinaryReadFailed = -5,  // bytes of the document that an edit copies could not be read: nothing was changed
};

enum BinaryWalkState : int32_t {
    WalkIdle = 0,           // no walk, or the last one ended normally
    WalkReady = 1,          // ExamineBinary done, no piece handed out yet
    WalkInPiece = 2,        // a piece is current
    WalkInterrupted = 3,    // ended before its end: an edit intervened or memory was short
};

// FindBinary's result when a chunk could not be loaded for lack of memory (the
// search did not finish; this is not "no match").
constexpr int64_t BinaryFindNoMemory = -2;

// ---- lifecycle -------------------------------------------------------------

// number -1 makes an unnumbered store; 0 ... 65535 enters it in the number
// table (freeing a store already there); anything else returns nullptr.
Binary *CreateBinary(int64_t number, int64_t chunkLength);
// Opens name read-write, else read-only with Writable 0, else leaves the
// store empty and without file. A name that does not exist is not created:
// the store gets FileName = name, no file and Length 0, and its first save
// (SaveBinary with an empty name) creates the file. Finishes a save of the
// file that was cut off (Recovery tells) and records FileStamp. Lays out
// chunks without reading the file.
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
// end". A range that starts before 0 loses that part and never runs past the
// end: only bytes of the document are ever returned. Returns an invalid
// ByteBuffer when the clamped length is 0 or less, the slot is not 0 ... 31, or
// memory ran out. With a caller's buffer the returned ByteBuffer is invalid
// and *copied (when given) receives the number of bytes copied. Marks the
// chunks of the range with the slot and releases it from all others.
ByteBuffer ReadBinary(Binary *store, int64_t position, int64_t length, int slot,
                      uint8_t *buffer = nullptr, int64_t *copied = nullptr);

// Edits return BinaryOk, or BinaryNoMemory / BinaryBadLength with the store
// exactly as it was. A plain pointer has no size, so the length -1 ("the whole
// block") is available only through the ByteBuffer overloads; any negative
// length with a pointer is BinaryBadLength.
//
// InsertBinary: position clamped to 0 ... Length; a null source or length 0
// inserts nothing.
int InsertBinary(Binary *store, int64_t position, const uint8_t *source, int64_t length);
int InsertBinary(Binary *store, int64_t position, const ByteBuffer &source, int64_t length = -1);
// RemoveBinary: the clamped range; negative lengths remove nothing.
int RemoveBinary(Binary *store, int64_t position, int64_t length);
// ReplaceBinary: the clamped old range (an old length that clamps below 0
// counts as 0, making it an insert at 0) by newLength bytes; newLength 0 or a
// null source makes it a removal.
int ReplaceBinary(Binary *store, int64_t position, int64_t oldLength, const uint8_t *source,
                  int64_t newLength);
int ReplaceBinary(Binary *store, int64_t position, int64_t oldLength, const ByteBuffer &source,
                  int64_t newLength = -1);

// ---- handing whole chunks in and out ---------------------------------------
//
// For edits of large ranges whose bytes should not be copied: new bytes come
// in as chunks (buffers adopted as they are, runs of the scratch file, see
// ChunkWriter.h), and the replaced bytes leave as the chunks that held them,
// wherever their bytes lie: a chunk whose bytes are in the file leaves as a
// reference to its place there, costing a list node whatever its length.
// Such references outside the store (in the undo history) stay true only
// while the file's bytes under them do: a save that overwrites them first
// copies them into the scratch file (see Save.h and PreserveHeldChunks).

// Turns buffers into chunks for ExchangeBinaryRange without copying their
// bytes. A buffer of up to 2L bytes becomes one chunk; a longer one is cut as
// an insert lays out new bytes (L-byte chunks, then the rest of more than L
// and at most 2L bytes): its first piece keeps the block, the others are
// copied out of it. Empty and invalid buffers are skipped. BinaryOk: every
// buffer was moved out of the vector (which is cleared) and appended to out;
// BinaryNoMemory: the buffers and out are untouched.
int AdoptBuffers(const Binary *store, std::vector<ByteBuffer> &buffers, ChunkList &out);

// Replaces the clamped old range (clamped as ReplaceBinary clamps it) by the
// chunks of incoming, which are spliced into the store as they are. Each must
// be at least 1 byte long and either hold its bytes in a buffer of exactly
// its length or not be loaded and have them in the store's file or the
// scratch file (backed()); otherwise BinaryBadLength and nothing happens.
// Each should be at most 2L long, as AdoptBuffers and ChunkWriter make them
// and as the store's own chunks are. When outgoing is given, it receives the
// old range's chunks in document order (replacing what it held): the chunks
// at the range's two ends are cut there (a loaded one in memory, one that is
// not loaded as two references to its bytes), and every chunk of the range
// leaves whole, loaded or not. A copy in memory of bytes that lie in a file
// is let go as they leave. An empty incoming list makes it a removal, an
// empty old range an insert at the position. Costs time in proportion to the
// chunks of the store (one pass) and memory for at most two cut chunks.
// BinaryOk: incoming is empty; BinaryNoMemory: the store, incoming and
// outgoing are exactly as before.
int ExchangeBinaryRange(Binary *store, int64_t position, int64_t oldLength, ChunkList &incoming,
                        ChunkList *outgoing);

// ReplaceBinary with the new bytes handed over as buffers (AdoptBuffers, then
// ExchangeBinaryRange). The buffers are consumed whatever the result: on
// success they are the store's, on failure they are freed and the store is
// unchanged. removed (when given) receives the old range's chunks.
int ReplaceBinaryBuffers(Binary *store, int64_t position, int64_t oldLength,
                         std::vector<ByteBuffer> &&buffers, ChunkList *removed = nullptr);

// First match at or after start (clamped to 0 ... Length), or -1. A null
// pattern or length <= 0 finds nothing; BinaryFindNoMemory when a chunk could
// not be loaded. Reads with slot 30.
int64_t FindBinary(Binary *store, const uint8_t *pattern, int64_t patternLength, int64_t start);
int64_t FindBinary(Binary *store, const ByteBuffer &pattern, int64_t patternLength, int64_t start);

// Range walk: ExamineBinary, then NextBinaryBlock until it returns false. The
// piece stays readable through BinaryBlockBuffer until the next call. A piece
// is the rest of a loaded chunk (held with slot 30 meanwhile), or one read of
// at most WalkReadLength bytes of a chunk that is not loaded.
int ExamineBinary(Binary *store, int64_t position, int64_t length);
bool NextBinaryBlock(Binary *store);
const uint8_t *BinaryBlockBuffer(const Binary *store);
int64_t BinaryBlockLength(const Binary *store);
int64_t BinaryBlockPosition(const Binary *store);
// True when the last walk stopped before its range's end: an edit changed the
// store during it, or a chunk could not be loaded. Its pieces then do not
// cover the range.
bool BinaryWalkFailed(const Binary *store);

int64_t GetBinaryCacheSize(const Binary *store);
// Bytes of the store whose chunks lie in the scratch file.
int64_t GetBinaryScratchSize(const Binary *store);
// True when some chunk's bytes could not be read from the file.
bool BinaryHasReadFailure(const Binary *store);
// The runs (start, length) of position ... position + length that lie in
// chunks whose bytes could not be read completely from the file (the file was
// cut or changed under the document): the zeros there stand for bytes that
// are not there. In order; empty when there are none (the usual case).
std::vector<std::pair<int64_t, int64_t>> UnreadableRuns(const Binary *store, int64_t position, int64_t length);

// ---- chunk operations (the store and the save use them) --------------------

struct ChunkPosition {
    ChunkIter chunk;            // store->Chunks.end() when p is past the end
    int64_t offset = 0;         // p minus the chunk's start
};

// The first chunk whose end is >= p (so a boundary position is found at the
// end of the earlier chunk); it becomes the list's current element. None when
// p < 0 or p > Length.
ChunkPosition FindChunk(Binary *store, int64_t p);
// Returns the buffer's bytes, or nullptr when memory for it could not be had
// (the chunk is then unchanged). A failed or short read of the file leaves
// zeros, sets ReadFailed and holds the chunk with slot 31 so that it stays in
// memory and the save can see it. Slots outside 0 ... 31 hold nothing.
uint8_t *LoadChunk(Binary *store, ChunkIter chunk, int slot);
// Clears the slot; a clean chunk that nobody holds any more loses its buffer.
void ReleaseChunk(Binary *store, ChunkIter chunk, int slot);

// The list edits below keep the list's current element as the next added
// chunk needs it. Those that return int give BinaryOk or BinaryNoMemory; on
// BinaryNoMemory nothing was changed.

// A new modified chunk holding a copy of n source bytes, after the current
// element (at the front when there is none); it becomes current.
int AddChunk(Binary *store, const uint8_t *source, int64_t n);
// Removes the chunk; the element before it becomes current (none at the
// front). Returns minus its length.
int64_t DeleteChunk(Binary *store, ChunkIter chunk);
// Inserts n bytes at offset (<= 0: at the start, >= length: appended).
int InsertIntoChunk(Binary *store, ChunkIter chunk, int64_t offset, const uint8_t *source, int64_t n);
// Removes up to n bytes from offset (a negative offset shortens n); a run that
// covers the whole chunk deletes it without loading it. *removed (when given)
// receives the number of bytes removed.
int RemoveFromChunk(Binary *store, ChunkIter chunk, int64_t offset, int64_t n,
                    int64_t *removed = nullptr);
// Replaces oldN bytes at offset (clamped to the chunk) by newN source bytes.
int ReplaceInChunk(Binary *store, ChunkIter chunk, int64_t offset, int64_t oldN,
                   const uint8_t *source, int64_t newN);
// Cuts the chunk at offset. offset <= 0: the element before becomes current
// and *tail = the chunk itself; offset >= length: the chunk stays current and
// *tail = end. Otherwise the bytes from offset go into a new chunk after it
// (*tail), which keeps the file position, holders and flags, and the head
// becomes current.
int SplitChunk(Binary *store, ChunkIter chunk, int64_t offset, ChunkIter *tail);
// Appends b's bytes to a and removes b. The result is clean only when both
// were clean and b's bytes follow a's in the file; otherwise it is modified,
// so that an in-place save never takes it for the file's bytes.
int MergeChunks(Binary *store, ChunkIter a, ChunkIter b);
// One pass from the front: a chunk absorbs its followers while one of the pair
// is shorter than L/2 (rounded) and the sum stays within 2L. A merge that
// cannot get memory is skipped (the bytes stay exact, in two chunks); the pass
// then returns BinaryNoMemory.
int NormalizeChunks(Binary *store);

}  // namespace hx
