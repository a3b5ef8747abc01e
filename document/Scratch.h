// The program's private scratch file: the third place for a chunk's bytes,
// beside memory and the document's own file. The bytes of large edits (a
// transformation's output, a large paste or fill) go here once the edits of
// all documents together hold EditMemoryBudget bytes in memory, and a save
// copies here the file bytes that undo steps still need before it overwrites
// them.
//
// The file is made on first use without a name (O_TMPFILE) in $TMPDIR (else
// /tmp), falling back to the configuration folder, so that nothing is left
// behind when the program ends, however it ends. Where O_TMPFILE is not to
// be had, a named file is made and removed at once.
//
// Space is handed out at the end of the file and given back to the file
// system (a hole punched) when the last chunk that refers to it goes; when no
// run is in use any more, the file is cut to nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hx {

// Bytes that the edits of all documents together keep in memory (changed
// chunks of the stores, bytes the undo histories keep) before new bytes of
// an edit go to the scratch file instead.
inline constexpr int64_t EditMemoryBudget = int64_t(256) << 20;

// Tunables, for tests (a tiny budget exercises the scratch file with a few
// bytes; a folder of their own, say a small file system that is full).
struct ScratchSettings {
    static inline int64_t MemoryBudget = EditMemoryBudget;
    // The folder for the scratch file; empty: $TMPDIR, else /tmp. A change
    // takes effect when no run of the old file is in use.
    static inline std::string Folder;
};

// A run of the scratch file. Chunks refer to it through ScratchRef (a chunk
// split in two shares its run); the run is given back when the last goes.
class ScratchExtent {
public:
    ScratchExtent(int64_t offset, int64_t length);
    ~ScratchExtent();
    ScratchExtent(const ScratchExtent &) = delete;
    ScratchExtent &operator=(const ScratchExtent &) = delete;
    int64_t offset() const { return offset_; }
    int64_t length() const { return length_; }

private:
    int64_t offset_, length_;
};
using ScratchRef = std::shared_ptr<const ScratchExtent>;

// A run of n bytes at the end of the scratch file, its content not written
// yet; nullptr with *error (errno) when the file cannot be made.
ScratchRef ScratchAllocate(int64_t n, int *error = nullptr);
// Writes n bytes at a position of the scratch file (inside a run of ours).
// False with *error set when they could not all be written (a full disk).
bool ScratchWriteAt(int64_t offset, const void *bytes, int64_t n, int *error = nullptr);
// A new run holding a copy of n bytes; nullptr with *error on failure.
ScratchRef ScratchWrite(const void *bytes, int64_t n, int *error = nullptr);
// Reads n bytes at a position; false when they could not all be read.
bool ScratchRead(int64_t offset, void *bytes, int64_t n);
// The scratch file's descriptor, -1 when it was not made (yet).
int ScratchDescriptor();

// Bytes in runs that are in use.
int64_t ScratchBytesInUse();
// Free bytes of the file system the scratch file is (or would be) in, for
// an unprivileged user; -1 when that cannot be told.
int64_t ScratchFreeSpace();
// The folder the scratch file is (or would be) made in, for messages.
std::string ScratchFolder();
// Whether n more bytes fit in the scratch folder, keeping a margin for the
// file system's own use (1/64 of the request and 1 MiB).
bool ScratchHasRoomFor(int64_t n);

}  // namespace hx
