// The chunks that undo steps hold outside the store may be references to
// bytes of the document's file (a delete of a large range keeps no copy). A
// save that overwrites those bytes, or replaces the file, first gives each
// such chunk a copy of its bytes in the scratch file, so that undo after the
// save restores exactly what was there; where the scratch file has no room,
// the user may let those undo steps go instead.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "Binary.h"

namespace hx {

struct History;

// The ranges of the file a save changes: all of it (a save that replaces
// the file), or the listed ranges [first, second).
class FileChange {
public:
    static FileChange Everything() { FileChange c; c.all_ = true; return c; }
    // Adds a changed range (empty ones are ignored).
    void add(int64_t start, int64_t end);
    bool touches(int64_t start, int64_t length) const;
    bool empty() const { return !all_ && ranges_.empty(); }

private:
    bool all_ = false;
    mutable bool sorted_ = true;
    mutable std::vector<std::pair<int64_t, int64_t>> ranges_;
};

// True for a held chunk whose bytes the change would take away: a clean
// reference into the file (one whose bytes could not be read stays as it
// is: it holds zeros, and nothing better is to be had).
bool HeldChunkNeedsCopy(const BinaryChunk &chunk, const FileChange &change);

// Bytes the held chunks of history would need in the scratch file.
int64_t HeldBytesToCopy(History *history, const FileChange &change);

enum class PreserveStatus {
    Done,         // every such chunk now has its bytes in the scratch file (or there was none)
    NoRoom,       // the scratch folder has not room for them: nothing was copied
    ReadFailed,   // the file could not be read: the chunks not yet copied are as they were
    WriteFailed,  // the scratch file could not take them (error tells why): as above
};

// Copies the file bytes of every held chunk of history that the change would
// take away into the scratch file (reading them from store's file), and
// makes the chunk refer to its copy. progress (when given) is told the bytes
// copied after each chunk. Chunks copied before a failure keep their copy,
// which is as good as the file's bytes.
PreserveStatus PreserveHeldChunks(Binary *store, History *history, const FileChange &change, int &error,
                                  const std::function<void(int64_t done)> &progress = {});

// Lets go of the undo steps that hold chunks the change would take away
// (DropHistoryEntries); returns the number of steps dropped.
int32_t DropStepsNeedingFileBytes(History *history, const FileChange &change);

}  // namespace hx
