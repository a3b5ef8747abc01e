// Saving a store in place, under a new name, or for the first time.
//
// The rule every path keeps: at any moment each byte of the document is in a
// chunk's buffer or at that chunk's recorded FileOffset in the store's file.
// A chunk's FileOffset moves only after its bytes were written there, and a
// chunk whose old place in the file may have been overwritten stays in memory.
#include "Save.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "Document.h"
#include "History.h"

namespace hx {

namespace {

constexpr uint32_t kEditBit = 1u << SlotEdit;

SaveResult Result(SaveStatus status, int error = 0) { return SaveResult{status, error}; }

// Every write and flush of a save goes through these two, so that tests can
// make them fail at any point (SaveFaults).
bool WriteAll(FileHandle &file, const void *bytes, int64_t n, int &error) {
    if (SaveFaults::WriteBudget >= 0 && n > SaveFaults::WriteBudget) {
        int64_t part = SaveFaults::WriteBudget;
        SaveFaults::WriteBudget = 0;
        if (part > 0 && !file.write(bytes, part)) {
            error = file.lastError();
            return false;
        }
        error = EIO;
        return false;
    }
    if (SaveFaults::WriteBudget >= 0) SaveFaults::WriteBudget -= n;
    if (file.write(bytes, n)) return true;
    error = file.lastError();
    return false;
}

bool Flush(FileHandle &file, int &error) {
    if (SaveFaults::FailFlush) {
        error = EIO;
        return false;
    }
    if (file.flush()) return true;
    error = file.lastError();
    return false;
}

bool SameFile(const FileHandle &file, const std::string &path) {
    uint64_t d1, i1, d2, i2;
    if (!file.identity(d1, i1) || !FileIdentity(path, d2, i2)) return false;
    return d1 == d2 && i1 == i2;
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

// ---- writing everything to a new file -----------------------------------

// The path whose directory entry the save replaces: a link is followed so that
// the file it points to gets the new bytes and the link stays a link.
std::string ResolveTarget(const std::string &name) {
    char resolved[PATH_MAX];
    if (::realpath(name.c_str(), resolved)) return resolved;
    return name;
}

// A new, empty file beside target that no one else uses.
FileHandle CreateTemporary(const std::string &target, std::string &path, int &error) {
    static unsigned counter = 0;
    std::string base = FolderOf(target) + "/." + FileNamePart(target) + ".save-" +
                       std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = base + std::to_string(++counter);
        FileHandle file = FileHandle::createExclusive(path);
        if (file.isOpen()) return file;
        error = errno;
        if (error != EEXIST) break;
    }
    path.clear();
    return FileHandle();
}

void SyncFolder(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename is done either way
    ::close(fd);
}

// Case "under a new name" and the first save of a store without file.
SaveResult SaveAs(Binary *store, const std::string &name) {
    if (AnyReadFailure(store)) return Result(SaveStatus::UnreadableSource);
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

    std::string temporaryPath;
    int error = 0;
    FileHandle out = CreateTemporary(target, temporaryPath, error);
    if (!out.isOpen()) return Result(SaveStatus::CannotCreate, error);

    // Until the rename the store still reads from its old file: the new
    // places are only noted here and take effect once the new file is in place.
    std::vector<int64_t> newOffsets;
    newOffsets.reserve(store->Chunks.size());
    auto abandon = [&](SaveStatus status, int err) {
        out.close();
        RemoveFile(temporaryPath);
        return Result(status, err);
    };
    int64_t w = 0;
    for (auto c = store->Chunks.begin(); c != store->Chunks.end(); ++c) {
        bool heldBefore = (c->Holders & kEditBit) != 0;
        const uint8_t *bytes = c->Buffer.data();
        if (!c->loaded()) {
            if (!store->File.isOpen()) return abandon(SaveStatus::UnreadableSource, 0);
            bytes = LoadChunk(store, c, SlotEdit);
            if (!bytes && c->Length > 0) return abandon(SaveStatus::NoMemory, ENOMEM);
            if (c->ReadFailed) return abandon(SaveStatus::UnreadableSource, 0);
        }
        bool written = WriteAll(out, bytes, c->Length, error);
        // A clean chunk loaded only for this copy is let go again at once, so
        // a document of any size is copied in the memory of one chunk; its
        // bytes are still in the old file, which is untouched.
        if (!heldBefore) ReleaseChunk(store, c, SlotEdit);
        if (!written) return abandon(SaveStatus::WriteFailed, error);
        newOffsets.push_back(w);
        w += c->Length;
    }
    if (targetExists) ::fchmod(out.fd(), targetInfo.st_mode & 07777);
    if (!Flush(out, error)) return abandon(SaveStatus::WriteFailed, error);
    if (!RenameFile(temporaryPath, target)) return abandon(SaveStatus::WriteFailed, errno);
    SyncFolder(FolderOf(target));

    // The new file holds every byte: switch the store to it.
    size_t i = 0;
    for (auto c = store->Chunks.begin(); c != store->Chunks.end(); ++c, ++i) {
        c->FileOffset = newOffsets[i];
        ReleaseChunk(store, c, SlotEdit);  // clean chunks may now be dropped and re-read
    }
    store->File = std::move(out);  // closes the old file
    store->FileName = name;
    store->Writable = 1;
    return Result(SaveStatus::Saved);
}

// ---- in place -----------------------------------------------------------

// A chunk the save loaded or wrote. release: the save set slot 31 on it and
// clears it again once the chunk's new place is safely in the file.
struct Held {
    ChunkIter chunk;
    bool release;
};

class InPlaceSave {
public:
    explicit InPlaceSave(Binary *store) : store_(store), file_(store->File) {}

    SaveResult run() {
        int64_t oldLength = file_.length();
        if (oldLength < 0) return Result(SaveStatus::WriteFailed, file_.lastError());
        SaveResult grown = growFirst(oldLength);
        if (!grown.ok()) return grown;

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
        if (!file_.truncate(w_))
            return fail(store_->Chunks.end(), Result(SaveStatus::WriteFailed, file_.lastError()));
        SaveResult r = flushPending();
        if (!r.ok()) return fail(store_->Chunks.end(), r);
        return Result(SaveStatus::Saved);
    }

private:
    // A file that grows gets its new length (and, where the file system can,
    // its blocks) before any old byte is overwritten: a full disk then fails
    // here, with the file as it was.
    SaveResult growFirst(int64_t oldLength) {
        int64_t newLength = store_->Length;
        if (newLength <= oldLength) return Result(SaveStatus::Saved);
        if (!file_.truncate(newLength)) return Result(SaveStatus::WriteFailed, file_.lastError());
        int err = ::posix_fallocate(file_.fd(), oldLength, newLength - oldLength);
        if (err != 0 && err != EOPNOTSUPP && err != EINVAL && err != ENODEV) {
            file_.truncate(oldLength);
            return Result(SaveStatus::WriteFailed, err);
        }
        return Result(SaveStatus::Saved);
    }

    // Loads a chunk that is about to be written or overwritten.
    SaveResult hold(ChunkIter c, bool &release) {
        release = false;
        if (c->FileOffset < 0) return Result(SaveStatus::Saved);  // in memory anyway
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

        if (!file_.seek(w_)) return Result(SaveStatus::WriteFailed, file_.lastError());
        int error = 0;
        if (!WriteAll(file_, c->Buffer.data(), c->Length, error))
            return Result(SaveStatus::WriteFailed, error);
        c->FileOffset = w_;
        w_ = end;
        if (pendingBytes_ >= SaveFlushInterval) return flushPending();
        return Result(SaveStatus::Saved);
    }

    // Flushes the file, then lets go of the chunks the save loaded: their new
    // places now hold their bytes.
    SaveResult flushPending() {
        int error = 0;
        if (!Flush(file_, error)) return Result(SaveStatus::WriteFailed, error);
        for (const Held &h : pending_)
            if (h.release) ReleaseChunk(store_, h.chunk, SlotEdit);
        pending_.clear();
        pendingBytes_ = 0;
        return Result(SaveStatus::Saved);
    }

    // After a failure every chunk the save loaded or wrote since the last
    // flush may no longer match the file at its FileOffset (its old place was
    // partly overwritten, or its new place is not known to be on disk): it
    // stays in memory, modified, so a later save writes it again.
    SaveResult fail(ChunkIter failed, SaveResult why) {
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
        return why;
    }

    Binary *store_;
    FileHandle &file_;
    int64_t w_ = 0;                 // where the next chunk goes in the file
    ChunkIter frontier_;            // first chunk the read-ahead has not looked at
    int64_t frontierIndex_ = 0;
    std::deque<Held> ahead_;        // loaded ahead, not yet written, in list order
    std::vector<Held> pending_;     // written since the last flush
    int64_t pendingBytes_ = 0;
};

}  // namespace

SaveResult SaveBinary(Binary *store, const std::string &name) {
    if (!store) return Result(SaveStatus::NothingToDo);
    if (!store->File.isOpen()) {
        if (name.empty()) return Result(SaveStatus::NothingToDo);
        return SaveAs(store, name);
    }
    bool inPlace = name.empty() || name == store->FileName || SameFile(store->File, name);
    if (!inPlace) return SaveAs(store, name);
    if (!store->Writable) return Result(SaveStatus::ReadOnly);
    if (AnyReadFailure(store)) return Result(SaveStatus::UnreadableSource);
    return InPlaceSave(store).run();
}

SaveResult SaveDocument(Document *doc, const std::string &name) {
    if (!doc) return Result(SaveStatus::NothingToDo);
    SaveResult r = SaveBinary(doc->Store, name);
    if (r.ok()) doc->SavedHistoryIndex = HistoryIndex(doc->Hist);
    return r;
}

}  // namespace hx

namespace hx {

// Interim: the whole-content save onto the store's own file is not built
// yet; it refuses instead of pretending.
SaveResult SaveBinaryFull(Binary *, const std::string &) { return {SaveStatus::WriteFailed, ENOSYS}; }
SaveResult SaveDocumentFull(Document *, const std::string &) { return {SaveStatus::WriteFailed, ENOSYS}; }

}  // namespace hx
