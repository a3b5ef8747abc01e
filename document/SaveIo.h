// Every call by which a save, its journal or the repair of an interrupted
// save changes a file goes through here: the test hooks of SaveFaults and the
// seam below act on them, and the progress of a save is counted from them.
// In the product the seam is idle and each function is the plain call.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"

namespace hx::saveio {

// The kinds of call, each counted on its own by the seam.
enum class Call : int32_t { Create, Write, Pwrite, Fsync, Ftruncate, Fallocate, Rename, Unlink };
inline constexpr int CallKinds = 8;
const char *CallName(Call call);

// One call as the seam records it. path: the file, or the folder of a
// folder flush, or the source of a rename (to: its new name). offset: where a
// Pwrite went, the length a Ftruncate set, the start of a Fallocate; length:
// the bytes written or allocated. ok: whether the call succeeded.
struct CallRecord {
    Call call;
    std::string path, to;
    int64_t offset = -1, length = -1;
    bool ok = true;
};

// One call made to fail: the nth call (counting from 1) of its kind.
struct Fault {
    Call call;
    int64_t nth;
    int error = EIO;
};

// Test seam. Each armed fault makes its call fail with its error, without
// the call being made, once. While Record is set, every call is appended to
// it, the failing ones too.
struct Seam {
    static inline std::vector<Fault> Faults;
    static inline std::vector<CallRecord> *Record = nullptr;
    static inline int64_t Counts[CallKinds] = {};
    // Counts from zero again and arms the faults (none: every call is made).
    static void Arm(std::vector<Fault> faults);
    static void Disarm() { Arm({}); }
};

// Starts counting progress towards total bytes to write (reports through
// SaveProgress::Report every few MiB); EndProgress reports the end.
void BeginProgress(int64_t total);
void EndProgress();

// Each of the following returns false with error set (errno of the call) on
// failure. path names the file (or folder) for the seam's record only.

// n bytes at the file's position. *written (when given) receives the bytes
// that did reach the file, also on failure.
bool Write(FileHandle &file, const std::string &path, const void *bytes, int64_t n, int &error,
           int64_t *written = nullptr);
// n bytes at offset, leaving the position alone.
bool WriteAt(FileHandle &file, const std::string &path, const void *bytes, int64_t n, int64_t offset, int &error,
             int64_t *written = nullptr);
bool Sync(FileHandle &file, const std::string &path, int &error);
// Makes the folder's entries (a rename, a new or removed file) durable.
bool SyncFolder(const std::string &folder, int &error);
bool Truncate(FileHandle &file, const std::string &path, int64_t length, int &error);
// Reserves the blocks of [offset, offset + n). True as well where the file
// system cannot reserve ahead (the writes then find out).
bool Allocate(FileHandle &file, const std::string &path, int64_t offset, int64_t n, int &error);
bool Rename(const std::string &from, const std::string &to, int &error);
bool Remove(const std::string &path, int &error);

// Short temporary names that do not grow with the target's: ".hxl-t" + pid +
// "-" + six mkstemp characters, in the given folder. Empty path and error set
// when none can be made.
FileHandle CreateTemporary(const std::string &folder, std::string &path, int &error);
// Removes this program's temporaries in the folder whose process no longer runs.
void RemoveStaleTemporaries(const std::string &folder);

}  // namespace hx::saveio
