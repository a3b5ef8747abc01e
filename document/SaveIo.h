// The writes, flushes and file steps of a save and of the repair of an
// interrupted one all go through here: the test hooks of SaveFaults act on
// them, and the progress of a save is counted from them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/File.h"

namespace hx::saveio {

// Starts counting progress towards total bytes to write (reports through
// SaveProgress::Report every few MiB); EndProgress reports the end.
void BeginProgress(int64_t total);
void EndProgress();

// Writes n bytes at the file's position. False with error set on failure;
// *written (when given) receives the bytes that did reach the file.
bool WriteAll(FileHandle &file, const void *bytes, int64_t n, int &error, int64_t *written = nullptr);
bool Flush(FileHandle &file, int &error);
// Copies n bytes of from at offset to the position of to, in the kernel where
// it can (no test hook active), else through a buffer and WriteAll. False
// with error set on failure; EIO when from came up short.
bool CopyAll(FileHandle &from, int64_t offset, FileHandle &to, int64_t n, int &error);
// A rename, removal or cut of the save: counted as a step for SaveFaults::KillAtStep.
void Step();

// Renames, removes, cuts, counted as steps.
bool Rename(const std::string &from, const std::string &to);
bool Remove(const std::string &path);

// Short temporary names that do not grow with the target's: ".hxl-t" + pid +
// "-" + six mkstemp characters, in the given folder. Empty path and error set
// when none can be made.
FileHandle CreateTemporary(const std::string &folder, std::string &path, int &error);
// Removes this program's temporaries in the folder whose process no longer runs.
void RemoveStaleTemporaries(const std::string &folder);

}  // namespace hx::saveio
