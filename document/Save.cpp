// Saving a store in place, under a new name, or for the first time.
//
// The rule every path keeps in memory: at any moment each byte of the
// document is in a chunk's buffer or at that chunk's recorded FileOffset in
// the store's file. A chunk's FileOffset moves only after its bytes were
// written there, and a chunk whose old place in the file may have been
// overwritten stays in memory.
//
// The rule on disk, for a process killed, a machine going down or a call
// failing at any moment: the path names the old content, or the new content,
// or a file that the next save or open turns into one of them. The order of
// an in-place save:
//
//   0. Look for journals of the file (beside it and in the configuration
//      folder). One that does not fit the file as it is goes aside under a
//      plain name; one that fits belongs to an unfinished save (this store's
//      save that failed after it touched the file) and is taken over below.
//   1. Check, writing nothing: the path still names the open file (same
//      device and inode) and the file's size and modification time are those
//      we last saw. Plan the save: every range of the file that will change
//      (whole chunks that move, the differing 4 KiB blocks of changed chunks
//      at their place) and its new bytes, read from memory or from the file,
//      which is still untouched by this save.
//   2. Write the journal (header, every range with the CRCs of its old bytes
//      and its new bytes, trailer) to a temporary in the folder of the
//      unfinished save's journal, else beside the file, else in the
//      configuration folder; flush it, rename it to its name (the file's
//      device and inode: over the unfinished save's journal, which it
//      replaces in one step) and flush the folder. Until the folder flush
//      nothing of the file changed; from it on, the journal alone can finish
//      the save, and it was written against the file as the unfinished save
//      left it, so it finishes that one too.
//   3. Grow the file to its new length if it grows. Write the ranges in
//      order, reading ahead the chunks whose old bytes a write covers, with a
//      flush every SaveFlushInterval bytes. Cut the file to its new length
//      and flush it.
//   4. Remove the journal, and any other of the file in either folder, and
//      flush the folders.
//
// Opening a file with a journal that fits writes every range again, cuts the
// file and flushes it, then removes the journal (Journal.cpp); writing a
// range twice is harmless, so a repair that is itself cut off is simply done
// again. A save that fails in step 3 once it made a call that can change the
// file leaves the journal, and no state of the document counts as saved. A
// failure before that removes the journal, except that an unfinished save's
// file keeps one (NeedsRepair when ours could not replace it).
//
// Under a new name (and the whole-content save onto the own path): every byte
// goes to a temporary file beside the target, is flushed, and the temporary
// is renamed over the target; the old file is untouched throughout.
#include "Save.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "Document.h"
#include "HeldChunks.h"
#include "History.h"
#include "Journal.h"
#include "SaveIo.h"
#include "Scratch.h"

namespace hx {

namespace {

constexpr uint32_t kEditBit = 1u << SlotEdit;
constexpr int64_t kBlock = 4096;               // unit of "differs from the file"
constexpr int64_t kPiece = int64_t(1) << 20;   // file bytes read at a time


SaveResult Result(SaveStatus status, int error = 0, bool touched = false) {
    return SaveResult{status, error, touched, {}};
}

// A write beyond the file-size limit (ulimit -f) would end the process with
// SIGXFSZ and lose every unsaved change; ignored, the write fails with EFBIG
// and is reported like any other failure.
// Checked at every save: a handler the program set itself is left alone.
void IgnoreFileSizeSignal() {
    struct sigaction now {};
    if (::sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) std::signal(SIGXFSZ, SIG_IGN);
}

bool SameFile(const FileHandle &file, const std::string &path) {
    uint64_t d1, i1, d2, i2;
    if (!file.identity(d1, i1) || !FileIdentity(path, d2, i2)) return false;
    return d1 == d2 && i1 == i2;
}

void RecordStamp(Binary *store) {
    Binary::Stamp &s = store->FileStamp;
    if (!store->File.stamp(s.Device, s.Inode, s.Size, s.ModifiedNs)) s = Binary::Stamp{};
}

struct InUseQuery {
    const Binary *self;
    uint64_t device, inode;
    bool found = false;
};

void CheckInUse(Binary *store, void *context) {
    auto *q = static_cast<InUseQuery *>(context);
    if (store == q->self || !store->File.isOpen()) return;
    uint64_t d, i;
    if (store->File.identity(d, i) && d == q->device && i == q->inode) q->found = true;
}

// True when another store has the file at path open: replacing that file would
// leave the other document reading (and saving in place) into a file no
// longer under its name.
bool UsedByAnotherStore(const Binary *self, const std::string &path) {
    InUseQuery q{self, 0, 0};
    if (!FileIdentity(path, q.device, q.inode)) return false;
    ForEachBinary(CheckInUse, &q);
    return q.found;
}

bool AnyReadFailure(const Binary *store) {
    for (const BinaryChunk &c : store->Chunks)
        if (c.ReadFailed) return true;
    return false;
}

// ---- undo steps that refer to the file's bytes -----------------------------

// The undo steps of the document being saved and what to do when the file
// bytes they refer to cannot be copied; none for a store saved alone.
struct UndoKeeper {
    History *history = nullptr;
    SaveUndo policy = SaveUndo::Keep;

    // Before the file changes (before the journal's commit, before the
    // rename of a whole new file): the bytes the change takes away from the
    // steps go into the scratch file, or the steps go when it has no room
    // and the user agreed. Nothing of the file is written here.
    SaveResult keep(Binary *store, const FileChange &change) const {
        if (!history || change.empty()) return Result(SaveStatus::Saved);
        const int64_t needed = HeldBytesToCopy(history, change);
        if (needed == 0) return Result(SaveStatus::Saved);
        int error = 0;
        PreserveStatus status = PreserveStatus::NoRoom;
        if (ScratchHasRoomFor(needed)) {
            saveio::BeginProgress(needed);
            status = PreserveHeldChunks(store, history, change, error, [needed](int64_t done) {
                if (SaveProgress::Report) SaveProgress::Report(done, needed);
            });
            saveio::EndProgress();
        }
        switch (status) {
        case PreserveStatus::Done: return Result(SaveStatus::Saved);
        case PreserveStatus::ReadFailed: return Result(SaveStatus::UnreadableSource, error);
        case PreserveStatus::NoRoom:
        case PreserveStatus::WriteFailed: break;
        }
        if (policy == SaveUndo::DropWithoutRoom) {
            DropStepsNeedingFileBytes(history, change);
            return Result(SaveStatus::Saved);
        }
        // The steps copied before the scratch folder filled keep their copy.
        SaveResult r = Result(SaveStatus::UndoNeedsRoom, error ? error : ENOSPC);
        r.undoBytes = HeldBytesToCopy(history, change);
        return r;
    }
};

// ---- writing everything to a new file -----------------------------------

// The path whose directory entry the save replaces: a link is followed so that
// the file it points to gets the new bytes and the link stays a link.
std::string ResolveTarget(const std::string &name) {
    char resolved[PATH_MAX];
    if (::realpath(name.c_str(), resolved)) return resolved;
    return name;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// After a new file was renamed over target: journals named after the file
// that was there (when that was its last name, so nobody can open it again)
// or after the new file (an inode used again) describe no file any more.
void ForgetJournals(const std::string &target, const struct stat *replaced, const FileHandle &written) {
    int ignored = 0;
    if (replaced && replaced->st_nlink <= 1) RemoveJournalsOf(target, replaced->st_dev, replaced->st_ino, ignored);
    uint64_t device = 0, inode = 0;
    if (written.identity(device, inode)) RemoveJournalsOf(target, device, inode, ignored);
}

// Case "under a new name", the first save of a store without file and the
// whole-content save onto the own path. zeros: bytes that could not be read
// are written as the zeros they read as (the user agreed).
SaveResult SaveAs(Binary *store, const std::string &name, bool zeros, const UndoKeeper &keeper) {
    if (!zeros && AnyReadFailure(store)) return Result(SaveStatus::UnreadableSource);
    if (UsedByAnotherStore(store, name)) return Result(SaveStatus::TargetInUse);

    const std::string target = ResolveTarget(name);
    struct stat targetInfo {};
    bool targetExists = ::stat(target.c_str(), &targetInfo) == 0;
    if (targetExists && !S_ISREG(targetInfo.st_mode))
        return Result(SaveStatus::CannotCreate, S_ISDIR(targetInfo.st_mode) ? EISDIR : EINVAL);
    // Renaming over a file needs only the folder's permission; a file its
    // owner made read-only is still not ours to replace.
    if (targetExists && ::access(target.c_str(), W_OK) != 0)
        return Result(SaveStatus::CannotCreate, errno);

    // The store reads from the new file afterwards: undo steps must not
    // refer to the old one any more.
    if (SaveResult kept = keeper.keep(store, FileChange::Everything()); !kept.ok()) return kept;

    const std::string folder = FolderOf(target);
    saveio::RemoveStaleTemporaries(folder);
    std::string temporaryPath;
    int error = 0;
    FileHandle out = saveio::CreateTemporary(folder, temporaryPath, error);
    if (!out.isOpen()) return Result(SaveStatus::CannotCreate, error);
    saveio::BeginProgress(store->Length);

    // Until the rename the store still reads from its old file: the new
    // places are only noted here and take effect once the new file is in place.
    std::vector<int64_t> newOffsets;
    newOffsets.reserve(store->Chunks.size());
    auto abandon = [&](SaveStatus status, int err) {
        out.close();
        int ignored = 0;
        saveio::Remove(temporaryPath, ignored);
        saveio::EndProgress();
        return Result(status, err);
    };
    int64_t w = 0;
    for (auto c = store->Chunks.begin(); c != store->Chunks.end(); ++c) {
        bool heldBefore = (c->Holders & kEditBit) != 0;
        const uint8_t *bytes = c->Buffer.data();
        if (!c->loaded()) {
            if (!c->Scratch && !store->File.isOpen()) return abandon(SaveStatus::UnreadableSource, 0);
            bytes = LoadChunk(store, c, SlotEdit);
            if (!bytes && c->Length > 0) return abandon(SaveStatus::NoMemory, ENOMEM);
            if (c->ReadFailed && !zeros) return abandon(SaveStatus::UnreadableSource, 0);
        }
        bool written = saveio::Write(out, temporaryPath, bytes, c->Length, error);
        // A clean chunk loaded only for this copy is let go again at once, so
        // a document of any size is copied in the memory of one chunk; its
        // bytes are still in the old file, which is untouched.
        if (!heldBefore) ReleaseChunk(store, c, SlotEdit);
        if (!written) return abandon(SaveStatus::WriteFailed, error);
        newOffsets.push_back(w);
        w += c->Length;
    }
    // The target's owner and group where the system lets us (only root may
    // give a file away; a group we belong to is allowed), then its mode: a
    // change of owner clears set-id bits, so the mode comes last.
    if (targetExists) {
        (void)!::fchown(out.fd(), targetInfo.st_uid, targetInfo.st_gid);
        if (::fchown(out.fd(), static_cast<uid_t>(-1), targetInfo.st_gid) != 0) { /* keep ours */ }
        ::fchmod(out.fd(), targetInfo.st_mode & 07777);
    } else {
        ::fchmod(out.fd(), NewFileMode());
    }
    if (!saveio::Sync(out, temporaryPath, error)) return abandon(SaveStatus::WriteFailed, error);
    if (!saveio::Rename(temporaryPath, target, error)) return abandon(SaveStatus::WriteFailed, error);
    // The rename is done: a failed flush of the folder cannot undo it, and
    // the old file or the new one is under the name whatever happens next.
    saveio::SyncFolder(folder, error);
    saveio::EndProgress();
    ForgetJournals(target, targetExists ? &targetInfo : nullptr, out);

    // The new file holds every byte: switch the store to it. Bytes written as
    // zeros are now what the document holds, read from the new file.
    size_t i = 0;
    for (auto c = store->Chunks.begin(); c != store->Chunks.end(); ++c, ++i) {
        c->FileOffset = newOffsets[i];
        c->ReadFailed = 0;
        // A chunk of the scratch file has its bytes in the new file now: its
        // run is given back.
        if (c->Scratch) {
            c->Scratch.reset();
            c->Modified = 0;
        }
        ReleaseChunk(store, c, SlotEdit);  // clean chunks may now be dropped and re-read
    }
    store->File = std::move(out);  // closes the old file
    store->FileName = name;
    store->Writable = 1;
    RecordStamp(store);
    return Result(SaveStatus::Saved);
}

// ---- in place -----------------------------------------------------------

// A chunk the save loaded or wrote. release: the save set slot 31 on it and
// clears it again once the chunk's new place is safely in the file.
struct Held {
    ChunkIter chunk;
    bool release;
};

// A range of the file the save rewrites: length bytes of chunk from offset,
// going to destination.
struct Piece {
    ChunkIter chunk;
    int64_t offset, length, destination;
};

class InPlaceSave {
public:
    InPlaceSave(Binary *store, const UndoKeeper &keeper)
        : store_(store), keeper_(keeper), file_(store->File), name_(store->FileName) {}

    SaveResult run() {
        oldLength_ = file_.length();
        if (oldLength_ < 0) return Result(SaveStatus::WriteFailed, file_.lastError());
        SaveResult r = lookAtJournals();
        if (r.ok()) r = plan();
        if (r.ok()) r = keeper_.keep(store_, changedRanges());
        // Nothing to write still takes the whole way while an unfinished
        // save's journal is there: it must go, and only a save may remove it.
        if (r.ok() && (!pieces_.empty() || oldLength_ != store_->Length || !unfinished_.empty())) {
            int64_t bytes = 0;
            for (const Piece &p : pieces_) bytes += p.length;
            saveio::BeginProgress(2 * bytes);
            r = writeJournal();
            if (r.ok()) r = rewrite();
            saveio::EndProgress();
        }
        r.keptAside = keptAside_;
        return r;
    }

private:
    // Step 0, before anything else: the journals the file has. One that does
    // not fit the file is put aside and never replayed. One that fits is an
    // unfinished save (this store's, failed after it touched the file): this
    // save takes it over (writeJournal). One that cannot be read stops it.
    SaveResult lookAtJournals() {
        for (FoundJournal &j : FindJournals(file_, name_)) {
            switch (j.fit) {
            case JournalFit::Damaged:
            case JournalFit::Foreign: keptAside_ = KeepJournalAside(j, name_); break;
            case JournalFit::Unreadable: return Result(SaveStatus::NeedsRepair, EIO, true);
            case JournalFit::Fits:
            case JournalFit::Done: unfinished_.push_back(j); break;
            }
        }
        return Result(SaveStatus::Saved);
    }

    // Step 1: the ranges to rewrite, in file order.
    SaveResult plan() {
        int64_t w = 0;
        for (auto c = store_->Chunks.begin(); c != store_->Chunks.end(); ++c) {
            if (!c->Modified && c->FileOffset == w) {
                w += c->Length;
                continue;
            }
            if (c->Length == 0) continue;
            if (c->Modified && c->loaded() && c->FileOffset == w) {
                SaveResult r = differingBlocks(c, w);
                if (!r.ok()) return r;
            } else {
                pieces_.push_back(Piece{c, 0, c->Length, w});
            }
            w += c->Length;
        }
        return Result(SaveStatus::Saved);
    }

    // The ranges of the file the plan writes, and the end a shorter file loses.
    FileChange changedRanges() const {
        FileChange change;
        for (const Piece &p : pieces_) change.add(p.destination, p.destination + p.length);
        if (store_->Length < oldLength_) change.add(store_->Length, oldLength_);
        return change;
    }

    // The blocks of a changed chunk at its own place whose bytes differ from
    // the file's (bytes beyond the file's end always differ).
    SaveResult differingBlocks(ChunkIter c, int64_t at) {
        ensureScratch();
        const uint8_t *mine = c->Buffer.data();
        int64_t runStart = -1;
        for (int64_t done = 0; done < c->Length;) {
            const int64_t n = std::min(kPiece, c->Length - done);
            const int64_t inFile = std::clamp<int64_t>(oldLength_ - (at + done), 0, n);
            if (inFile > 0 && file_.readAt(scratch_.data(), inFile, at + done) != inFile)
                return Result(SaveStatus::UnreadableSource, file_.lastError());
            for (int64_t b = 0; b < n; b += kBlock) {
                const int64_t len = std::min(kBlock, n - b);
                const bool same = b + len <= inFile && std::memcmp(mine + done + b, scratch_.data() + b, len) == 0;
                if (!same && runStart < 0) runStart = done + b;
                if (same && runStart >= 0) {
                    pieces_.push_back(Piece{c, runStart, done + b - runStart, at + runStart});
                    runStart = -1;
                }
            }
            done += n;
        }
        if (runStart >= 0) pieces_.push_back(Piece{c, runStart, c->Length - runStart, at + runStart});
        return Result(SaveStatus::Saved);
    }

    void ensureScratch() {
        if (scratch_.empty()) scratch_.resize(static_cast<size_t>(kPiece));
    }

    // Step 2: every piece's new bytes, from memory or from the untouched
    // file. With an unfinished save's journal, ours is written against the
    // file as that save left it (so it finishes that save too) in the same
    // folder, and its final rename replaces that journal in one step.
    SaveResult writeJournal() {
        JournalWriter::Plan plan;
        if (!file_.identity(plan.device, plan.inode)) return journalFailed(SaveStatus::WriteFailed, file_.lastError());
        plan.oldLength = oldLength_;
        plan.newLength = store_->Length;
        plan.recordCount = static_cast<int64_t>(pieces_.size());
        for (const Piece &p : pieces_) plan.recordBytes += JournalWriter::RecordBytes(p.destination, p.length);
        for (const FoundJournal &j : unfinished_) {
            if (j.sequence < plan.minSequence) continue;
            plan.minSequence = j.sequence + 1;
            plan.folder = j.folder;
        }
        int error = 0;
        if (!journal_.begin(file_, name_, plan, error))
            return journalFailed(journal_.created() ? SaveStatus::WriteFailed : SaveStatus::CannotCreate, error);
        for (const Piece &p : pieces_) {
            if (!p.chunk->loaded() && !p.chunk->Scratch) {
                // Bytes still in the file: a short read means it shrank after the check.
                if (p.chunk->FileOffset + p.offset + p.length > oldLength_)
                    return journalFailed(SaveStatus::UnreadableSource, EIO);
                if (!journal_.recordFromFile(p.destination, p.length, p.chunk->FileOffset + p.offset, error))
                    return journalFailed(SaveStatus::WriteFailed, error);
                continue;
            }
            if (!journal_.record(p.destination, p.length, error)) return journalFailed(SaveStatus::WriteFailed, error);
            if (p.chunk->loaded()) {
                if (!journal_.data(p.chunk->Buffer.data() + p.offset, p.length, error))
                    return journalFailed(SaveStatus::WriteFailed, error);
                continue;
            }
            SaveResult r = journalFromScratch(p);
            if (!r.ok()) return r;
        }
        if (!journal_.commit(error)) return journalFailed(SaveStatus::WriteFailed, error);
        // One left in the other folder is superseded now; should it stay,
        // ours is the later one, which the open prefers.
        for (const FoundJournal &j : unfinished_)
            if (j.path != journal_.path()) RemoveJournal(j.path, j.folder, error);
        return Result(SaveStatus::Saved);
    }

    // A piece of a chunk whose bytes lie in the scratch file, read a piece
    // at a time into the journal.
    SaveResult journalFromScratch(const Piece &p) {
        ensureScratch();
        int error = 0;
        for (int64_t done = 0; done < p.length;) {
            const int64_t n = std::min(kPiece, p.length - done);
            if (!ScratchRead(p.chunk->ScratchOffset + p.offset + done, scratch_.data(), n))
                return journalFailed(SaveStatus::UnreadableSource, EIO);
            if (!journal_.data(scratch_.data(), n, error)) return journalFailed(SaveStatus::WriteFailed, error);
            done += n;
        }
        return Result(SaveStatus::Saved);
    }

    // Nothing of the file was touched. Without an unfinished save the
    // journal goes. With one, the file is as that save left it and needs its
    // journal: that one stays, or ours when its rename already replaced it.
    SaveResult journalFailed(SaveStatus status, int error) {
        int ignored = 0;
        if (unfinished_.empty() || !journal_.committed()) journal_.remove(ignored);
        else journal_.keep();
        if (unfinished_.empty()) return Result(status, error);
        return Result(SaveStatus::NeedsRepair, error, true);
    }

    // Step 3 and 4.
    SaveResult rewrite() {
        SaveResult grown = growFirst();
        if (!grown.ok()) return fail(store_->Chunks.end(), grown);

        frontier_ = store_->Chunks.begin();
        frontierIndex_ = 0;
        int64_t index = 0;
        for (auto c = store_->Chunks.begin(); c != store_->Chunks.end(); ++c, ++index) {
            if (index >= frontierIndex_) {
                frontier_ = std::next(c);
                frontierIndex_ = index + 1;
            }
            if (!c->Modified && c->FileOffset == w_) {
                w_ += c->Length;  // already in its place
                continue;
            }
            SaveResult r = writeChunk(c);
            if (!r.ok()) return fail(c, r);
        }
        int error = 0;
        touched_ = true;
        if (!saveio::Truncate(file_, name_, w_, error))
            return fail(store_->Chunks.end(), Result(SaveStatus::WriteFailed, error));
        SaveResult r = flushPending();
        if (!r.ok()) return fail(store_->Chunks.end(), r);
        // Step 4, only now that the new content is durable: every journal of
        // the file goes, ours and any other in either folder. One that cannot
        // be removed would finish this save again over later bytes: the save
        // does not count as done (the next one or the next open removes it).
        uint64_t device = 0, inode = 0;
        if (!journal_.remove(error) || !file_.identity(device, inode) ||
            !RemoveJournalsOf(name_, device, inode, error))
            return Result(SaveStatus::WriteFailed, error, true);
        return Result(SaveStatus::Saved);
    }

    // A file that grows gets its new length (and, where the file system can,
    // its blocks) before any old byte is overwritten: a full disk then fails
    // here, before the move begins.
    SaveResult growFirst() {
        const int64_t newLength = store_->Length;
        if (newLength <= oldLength_) return Result(SaveStatus::Saved);
        int error = 0;
        touched_ = true;
        if (!saveio::Truncate(file_, name_, newLength, error) ||
            !saveio::Allocate(file_, name_, oldLength_, newLength - oldLength_, error))
            return Result(SaveStatus::WriteFailed, error);
        return Result(SaveStatus::Saved);
    }

    // Loads a chunk that is about to be written or overwritten.
    SaveResult hold(ChunkIter c, bool &release) {
        release = false;
        if (!c->backed()) return Result(SaveStatus::Saved);  // in memory anyway
        release = (c->Holders & kEditBit) == 0;
        if (!LoadChunk(store_, c, SlotEdit) && c->Length > 0) {
            release = false;
            return Result(SaveStatus::NoMemory, ENOMEM);
        }
        if (c->ReadFailed) return Result(SaveStatus::UnreadableSource);
        return Result(SaveStatus::Saved);
    }

    SaveResult writeChunk(ChunkIter c) {
        bool release = false;
        if (!ahead_.empty() && ahead_.front().chunk == c) {
            release = ahead_.front().release;
            ahead_.pop_front();
        } else {
            SaveResult r = hold(c, release);
            if (!r.ok()) return r;
        }
        // Hand the chunk to the pending list now, so that a failure below
        // finds it there and keeps it.
        pending_.push_back(Held{c, release});
        pendingBytes_ += c->Length;

        // Read ahead every later chunk whose old bytes lie before the end of
        // this write. Clean chunks keep increasing file offsets in list order,
        // so the first clean one at or past the end ends the read-ahead.
        // Modified chunks are in memory and do not count: their FileOffset is
        // only where they came from (the tail split off a chunk that grew can
        // carry an offset beyond the next clean chunk's) and must not stop it.
        int64_t end = w_ + c->Length;
        while (frontier_ != store_->Chunks.end()) {
            if (frontier_->FileOffset >= 0 && !frontier_->Modified) {
                if (frontier_->FileOffset >= end) break;
                bool rel = false;
                SaveResult r = hold(frontier_, rel);
                ahead_.push_back(Held{frontier_, rel});
                if (!r.ok()) return r;
            }
            ++frontier_;
            ++frontierIndex_;
        }

        // Only the pieces the plan holds for this chunk: all of a chunk that
        // moves, the differing blocks of one at its place.
        int error = 0;
        for (; next_ < pieces_.size() && pieces_[next_].chunk == c; ++next_) {
            const Piece &p = pieces_[next_];
            int64_t written = 0;
            touched_ = true;
            bool ok = saveio::WriteAt(file_, name_, c->Buffer.data() + p.offset, p.length, p.destination, error,
                                      &written);
            wrote_ += written;
            if (!ok) return Result(SaveStatus::WriteFailed, error);
        }
        c->FileOffset = w_;
        w_ = end;
        if (pendingBytes_ >= SaveFlushInterval) return flushPending();
        return Result(SaveStatus::Saved);
    }

    // Flushes the file, then lets go of the chunks the save loaded: their new
    // places now hold their bytes.
    SaveResult flushPending() {
        int error = 0;
        if (!saveio::Sync(file_, name_, error)) return Result(SaveStatus::WriteFailed, error);
        for (const Held &h : pending_) {
            // A chunk of the scratch file now has its bytes at its place in
            // the file, which is flushed: its run is given back.
            if (h.chunk->Scratch) {
                h.chunk->Scratch.reset();
                h.chunk->Modified = 0;
            }
            if (h.release) ReleaseChunk(store_, h.chunk, SlotEdit);
        }
        pending_.clear();
        pendingBytes_ = 0;
        return Result(SaveStatus::Saved);
    }

    // After a failure every chunk the save loaded or wrote since the last
    // flush may no longer match the file at its FileOffset (its old place was
    // partly overwritten, or its new place is not known to be on disk): it
    // stays in memory, modified, so a later save writes it again. Once a
    // call that can change the file was made (a write, a cut, a growth,
    // whether it succeeded or not) the save counts as touched and the journal
    // stays: the next save takes it over, or the next open finishes it.
    SaveResult fail(ChunkIter failed, SaveResult why) {
        if (wrote_ == 0) {
            // No old byte was overwritten: every chunk is still at its place,
            // and a grown file is cut back (its journal fits either length).
            int ignored = 0;
            if (touched_ && store_->Length > oldLength_) saveio::Truncate(file_, name_, oldLength_, ignored);
            for (const Held &h : pending_)
                if (h.release) ReleaseChunk(store_, h.chunk, SlotEdit);
            for (const Held &h : ahead_)
                if (h.release) ReleaseChunk(store_, h.chunk, SlotEdit);
            // Chunks written nowhere keep their places; those the loop passed
            // had nothing to write.
        } else {
            auto keep = [](ChunkIter c) {
                // A chunk that could not be read holds zeros, not the document's
                // bytes: it stays as the store marked it, and saves keep refusing.
                if (!c->loaded() || c->ReadFailed) return;
                c->Modified = 1;
                c->Holders |= kEditBit;
            };
            if (failed != store_->Chunks.end()) keep(failed);
            for (const Held &h : pending_) keep(h.chunk);
            for (const Held &h : ahead_) keep(h.chunk);
        }
        // A failure before any call that can change the file leaves it as it
        // was: the journal goes, unless an unfinished save's file needs it.
        if (!touched_ && unfinished_.empty()) {
            int ignored = 0;
            journal_.remove(ignored);
            return why;
        }
        journal_.keep();
        why.touched = true;
        return why;
    }

    Binary *store_;
    const UndoKeeper &keeper_;
    FileHandle &file_;
    const std::string name_;
    int64_t oldLength_ = 0;
    std::vector<FoundJournal> unfinished_;  // journals of unfinished saves this one takes over
    std::string keptAside_;                 // where a journal that did not fit was put
    bool touched_ = false;                  // a call that can change the file's bytes or length was made
    std::vector<Piece> pieces_;
    size_t next_ = 0;               // first piece not yet written
    std::vector<uint8_t> scratch_;
    JournalWriter journal_;
    int64_t wrote_ = 0;             // bytes that reached the file
    int64_t w_ = 0;                 // where the next chunk goes in the file
    ChunkIter frontier_;            // first chunk the read-ahead has not looked at
    int64_t frontierIndex_ = 0;
    std::deque<Held> ahead_;        // loaded ahead, not yet written, in list order
    std::vector<Held> pending_;     // written since the last flush
    int64_t pendingBytes_ = 0;
};


// Before an in-place save: does the path still name the open file, and is
// the file as we last saw it? Nothing is written either way.
SaveResult CheckOnDisk(Binary *store) {
    uint64_t device = 0, inode = 0, pathDevice = 0, pathInode = 0;
    int64_t size = 0, modified = 0;
    if (!store->File.stamp(device, inode, size, modified))
        return Result(SaveStatus::WriteFailed, store->File.lastError());
    if (!FileIdentity(store->FileName, pathDevice, pathInode) || pathDevice != device || pathInode != inode)
        return Result(SaveStatus::FileReplaced);
    const Binary::Stamp &seen = store->FileStamp;
    if (seen.Size >= 0 && (seen.Size != size || seen.ModifiedNs != modified))
        return Result(SaveStatus::ChangedOnDisk);
    return Result(SaveStatus::Saved);
}

bool OwnName(const Binary *store, const std::string &name) {
    return name.empty() || name == store->FileName;
}

}  // namespace

namespace {

SaveResult SaveStore(Binary *store, const std::string &name, const UndoKeeper &keeper) {
    if (!store) return Result(SaveStatus::NothingToDo);
    IgnoreFileSizeSignal();
    if (!store->File.isOpen()) {
        // A store opened under a name that did not exist creates it now.
        const std::string &target = name.empty() ? store->FileName : name;
        if (target.empty()) return Result(SaveStatus::NothingToDo);
        return SaveAs(store, target, false, keeper);
    }
    if (!OwnName(store, name) && !SameFile(store->File, name)) return SaveAs(store, name, false, keeper);
    SaveResult check = CheckOnDisk(store);
    if (!check.ok()) return check;
    if (!store->Writable) return Result(SaveStatus::ReadOnly);
    if (AnyReadFailure(store)) return Result(SaveStatus::UnreadableSource);
    SaveResult r = InPlaceSave(store, keeper).run();
    // The file was as we last saw it when the save began: whatever changed
    // since (also by a failed save, or a grown file cut back) is our doing.
    RecordStamp(store);
    return r;
}

SaveResult SaveStoreFull(Binary *store, const std::string &name, const UndoKeeper &keeper) {
    if (!store) return Result(SaveStatus::NothingToDo);
    IgnoreFileSizeSignal();
    const std::string &target = name.empty() ? store->FileName : name;
    if (target.empty()) return Result(SaveStatus::NothingToDo);
    return SaveAs(store, target, false, keeper);
}

SaveResult SaveStoreWithZeros(Binary *store, const std::string &name, const UndoKeeper &keeper) {
    if (!store) return Result(SaveStatus::NothingToDo);
    IgnoreFileSizeSignal();
    if (!AnyReadFailure(store)) return SaveStore(store, name, keeper);
    // The zeros never go over the file the unread bytes are still in.
    if (OwnName(store, name) || (store->File.isOpen() && SameFile(store->File, name)))
        return Result(SaveStatus::UnreadableSource);
    return SaveAs(store, name, true, keeper);
}

}  // namespace

SaveResult SaveBinary(Binary *store, const std::string &name) { return SaveStore(store, name, UndoKeeper{}); }

SaveResult SaveBinaryFull(Binary *store, const std::string &name) {
    return SaveStoreFull(store, name, UndoKeeper{});
}

int64_t UnreadableBytes(const Binary *store) {
    if (!store) return 0;
    int64_t n = 0;
    for (const BinaryChunk &c : store->Chunks)
        if (c.ReadFailed) n += c.Length;
    return n;
}

SaveResult SaveBinaryWithZeros(Binary *store, const std::string &name) {
    return SaveStoreWithZeros(store, name, UndoKeeper{});
}

namespace {

SaveResult Settle(Document *doc, SaveResult r) {
    if (r.ok()) doc->SavedHistoryIndex = HistoryIndex(doc->Hist);
    else if (r.touched) doc->SavedHistoryIndex = -1;
    return r;
}

}  // namespace

SaveResult SaveDocument(Document *doc, const std::string &name, SaveUndo undo) {
    if (!doc) return Result(SaveStatus::NothingToDo);
    return Settle(doc, SaveStore(doc->Store, name, UndoKeeper{doc->Hist, undo}));
}

SaveResult SaveDocumentFull(Document *doc, const std::string &name, SaveUndo undo) {
    if (!doc) return Result(SaveStatus::NothingToDo);
    return Settle(doc, SaveStoreFull(doc->Store, name, UndoKeeper{doc->Hist, undo}));
}

SaveResult SaveDocumentWithZeros(Document *doc, const std::string &name, SaveUndo undo) {
    if (!doc) return Result(SaveStatus::NothingToDo);
    return Settle(doc, SaveStoreWithZeros(doc->Store, name, UndoKeeper{doc->Hist, undo}));
}

}  // namespace hx
