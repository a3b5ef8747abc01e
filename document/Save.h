// Writing a document's bytes: in place, under a new name, or for the first
// time. Every failure is reported; a failed save leaves every byte of the
// document in memory or at its recorded place in the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Binary.h"

namespace hx {

struct Document;

// Binary::Recovery after OpenBinary: what it did about an interrupted save.
enum SaveRecovery : int32_t {
    RecoveryNone = 0,         // nothing was interrupted
    RecoveryFinishedNew = 1,  // the interrupted save was finished: the file holds the new content
    RecoveryKeptOld = 2,      // the interrupted save was undone: the file holds the old content
    // An interrupted save could not be finished now (its journal or the file
    // could not be read or written): the file is opened read-only as it is,
    // the journal stays for the next open.
    RecoveryRepairFailed = 3,
};

enum class SaveStatus {
    Saved,            // every byte written and flushed
    NothingToDo,      // empty name for a document without file
    ReadOnly,         // the document's file cannot be written in place
    CannotCreate,     // the target file (or its temporary) could not be created
    WriteFailed,      // a write, seek, flush or truncate failed (full disk, ...)
    UnreadableSource, // some of the document's bytes could not be read from its file
    TargetInUse,      // the target is the file another open document reads from
    NoMemory,
    FileReplaced,     // in place: the path names another file now, or none (deleted, renamed over)
    ChangedOnDisk,    // in place: same file, but its size or modification time is not what we last saw
    // in place: an earlier save of the file is unfinished (its journal is
    // there) and this save could not take it over; the journal stays, the
    // file needs the repair of the next open first.
    NeedsRepair,
    // Undo steps refer to bytes of the file that the save would overwrite
    // (or, saving the whole file, take away), and the scratch folder has
    // not room for a copy of them (SaveResult::undoBytes): nothing was
    // written. Saving with SaveUndo::DropWithoutRoom lets those steps go.
    UndoNeedsRoom,
};

// What a save does with undo steps that still refer to bytes of the file it
// overwrites or replaces: their bytes are copied into the scratch file
// first; where it has no room, the save is refused (Keep) or the steps go
// (DropWithoutRoom), with every step that could only be reached through
// them. Saves of a store alone (SaveBinary...) have no undo steps.
enum class SaveUndo { Keep, DropWithoutRoom };

struct SaveResult {
    SaveStatus status = SaveStatus::Saved;
    int error = 0;            // errno of the failing call, when there was one
    // A failed save that changed the file: what is on disk is neither the old
    // nor the new content until the next open finishes the save from its
    // journal (or the next save succeeds).
    bool touched = false;
    // A journal of the file that did not fit it and was put aside under this
    // name (in place only); the shell tells the user. Empty: none.
    std::string keptAside;
    // UndoNeedsRoom: the bytes the undo steps would need in the scratch file.
    int64_t undoBytes = 0;
    bool ok() const { return status == SaveStatus::Saved; }
};

// Writes the store's bytes.
//
// - In place (name empty, equal to FileName, or another name of the same file:
//   same device and inode): writes only the chunks that are modified or not at
//   their place (of a modified chunk at its place only the 4 KiB blocks that
//   differ from the file), reading ahead every chunk whose old bytes a write
//   would cover; a file that grows is extended first (so a full disk fails
//   before any old byte is overwritten); the file is cut at the end. Every
//   byte to be written goes first into a journal (see Journal.h), so that a
//   save cut off at any moment is finished at the next open. ReadOnly when
//   the file was opened read-only. Refused before writing anything:
//   FileReplaced when FileName no longer names the open file (deleted,
//   renamed over), ChangedOnDisk when the open file's size or modification
//   time is not the FileStamp of the last open or save. A journal the file
//   still has from an unfinished save is taken over (the save's own journal
//   replaces it) or, where that fails, kept: NeedsRepair. A successful save
//   removes every journal of the file.
// - A store without file but with a FileName (opened under a name that did
//   not exist) saves to FileName when name is empty or FileName, creating it.
// - Under a new name, or the first save of a store without file: writes every
//   byte to a temporary file beside the target, flushes it and renames it over
//   the target; only then does the store read from the new file. A failure
//   leaves an existing target untouched and the store as it was.
//
// Refused before writing anything: UnreadableSource when some of the store's
// bytes could not be read from its file; TargetInUse when another open store
// reads from the target; CannotCreate when the target is a folder, another
// non-regular file, or a file that may not be written (its mode). A failed in-place save leaves every byte of the store in
// memory or at its recorded place in the file (chunks whose old place may have
// been overwritten are kept in memory as modified), so that saving under
// another name rescues it.
SaveResult SaveBinary(Binary *store, const std::string &name);

// Writes the store's whole content to name through a temporary file, flush
// and rename, also when name is the store's own file (or was: the answer
// "save anyway" to FileReplaced or ChangedOnDisk). The store then reads from
// the new file. A failure leaves the target and the store as they were.
SaveResult SaveBinaryFull(Binary *store, const std::string &name);
SaveResult SaveDocumentFull(Document *doc, const std::string &name, SaveUndo undo = SaveUndo::Keep);

// Bytes of the store that could not be read from its file (they read as zeros).
int64_t UnreadableBytes(const Binary *store);
// Save As to another file after some bytes could not be read: writes them as
// zeros there (the shell asks first, naming UnreadableBytes). The store then
// reads from the new file and the zeros are its content. Saving over the
// store's own file stays refused (UnreadableSource) while bytes are unreadable.
SaveResult SaveBinaryWithZeros(Binary *store, const std::string &name);
SaveResult SaveDocumentWithZeros(Document *doc, const std::string &name, SaveUndo undo = SaveUndo::Keep);

// Reports the progress of a running save (bytes written so far of bytes to
// write), every few MiB of writing; empty: no reports. The shell shows a
// progress window for long saves with it.
struct SaveProgress {
    static inline std::function<void(int64_t done, int64_t total)> Report;
};

// SaveBinary on the document's store; on success the document counts as
// unchanged (SavedHistoryIndex = HistoryIndex); after a failure that touched
// the file no state counts as saved (SavedHistoryIndex = -1) until a save
// succeeds.
SaveResult SaveDocument(Document *doc, const std::string &name, SaveUndo undo = SaveUndo::Keep);

// Test hooks for failing writes at a chosen point, where a full disk is not at
// hand (saveio::Seam in SaveIo.h fails any single call). While WriteBudget is >= 0 it is the number of bytes the save may still
// write; a write that would go beyond writes up to the budget and fails with
// EIO (a short write, as a disk that fills up gives). FailFlush makes every
// flush of the save fail with EIO. Defaults: no faults.
struct SaveFaults {
    static inline int64_t WriteBudget = -1;
    static inline bool FailFlush = false;
    // Microseconds every write of a save waits first (a slow disk for tests); 0: none.
    static inline int64_t WriteDelayMicros = 0;
    // While >= 1: the process is killed with SIGKILL at this step of the next
    // save or repair (steps: every call of SaveIo.h that changes a file,
    // counted from when it was set; a write is cut off half way). For crash
    // tests in a child process only.
    static inline int64_t KillAtStep = -1;
};

// Written data held in memory between flushes of an in-place save: chunks the
// save had to load are let go only after a flush shows their new place holds.
inline constexpr int64_t SaveFlushInterval = 64 * 1024 * 1024;

}  // namespace hx
