// Writing a document's bytes: in place, under a new name, or for the first
// time. Every failure is reported; a failed save leaves every byte of the
// document in memory or at its recorded place in the file.
#pragma once

#include <string>

#include "Binary.h"

namespace hx {

enum class SaveStatus {
    Saved,            // every byte written and flushed
    NothingToDo,      // empty name for a document without file
    ReadOnly,         // the document's file cannot be written in place
    CannotCreate,     // the target file (or its temporary) could not be created
    WriteFailed,      // a write, seek, flush or truncate failed (full disk, ...)
    UnreadableSource, // some of the document's bytes could not be read from its file
    TargetInUse,      // the target is the file another open document reads from
    NoMemory,
};

struct SaveResult {
    SaveStatus status = SaveStatus::Saved;
    int error = 0;            // errno of the failing call, when there was one
    bool ok() const { return status == SaveStatus::Saved; }
};

// name empty: the store's own file. A name that differs from FileName but
// names the same file (same device and inode) is saved in place.
SaveResult SaveBinary(Binary *store, const std::string &name);

}  // namespace hx
