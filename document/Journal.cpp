#include "Journal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <libdeflate.h>
#include <sys/stat.h>
#include <vector>

#include "Binary.h"
#include "Save.h"
#include "SaveIo.h"

namespace hx {

namespace {

constexpr char kHeaderMagic[8] = {'H', 'X', 'L', 'J', 'R', 'N', 'L', '2'};
constexpr char kTrailerMagic[8] = {'H', 'X', 'L', 'J', 'E', 'N', 'D', '2'};
constexpr int64_t kHeaderSize = 80;
constexpr int64_t kTrailerSize = 16;
constexpr int64_t kRecordHeader = 16;
constexpr int64_t kBlock = 4096;                // a page: what a system writes whole
constexpr int64_t kPiece = int64_t(1) << 20;    // read at a time; a multiple of kBlock
// A record whose new bytes lie in the file near its old ones is read in one
// piece up to this many bytes (a chunk of the file is at most a few MiB).
constexpr int64_t kOneRead = int64_t(16) << 20;

struct Header {
    char magic[8];
    uint64_t device, inode;
    int64_t oldLength, newLength;
    int64_t recordBytes, recordCount;
    uint64_t sequence;
    int64_t tailLength;  // bytes at the old end a shrinking save cuts away and whose CRC follows
    uint32_t tailSum;
    uint32_t headerSum;  // over the 76 bytes before it
};
static_assert(sizeof(Header) == kHeaderSize, "journal header layout");

struct Trailer {
    char magic[8];
    uint32_t metaSum, dataSum;
};
static_assert(sizeof(Trailer) == kTrailerSize, "journal trailer layout");

uint32_t Crc(uint32_t crc, const void *bytes, int64_t n) {
    return n > 0 ? libdeflate_crc32(crc, bytes, static_cast<size_t>(n)) : crc;
}

// Blocks of [destination, destination + length): cut at multiples of kBlock.
int64_t BlockCount(int64_t destination, int64_t length) {
    if (length <= 0) return 0;
    return (destination + length - 1) / kBlock - destination / kBlock + 1;
}

// The end (relative to the record) of the block that starts at done.
int64_t BlockEnd(int64_t destination, int64_t length, int64_t done) {
    const int64_t at = destination + done;
    return std::min(length, (at / kBlock + 1) * kBlock - destination);
}

// The end of the piece that starts at done: at most kPiece bytes, ending at a
// block's end so that no block is split between pieces.
int64_t PieceEnd(int64_t destination, int64_t length, int64_t done) {
    const int64_t end = done + kPiece;
    if (end >= length) return length;
    return (destination + end) / kBlock * kBlock - destination;
}

std::string Resolved(const std::string &name) {
    char resolved[PATH_MAX];
    if (::realpath(name.c_str(), resolved)) return resolved;
    return name;
}

bool ReadExactly(FileHandle &f, void *buffer, int64_t n, int64_t at) {
    return f.readAt(buffer, n, at) == n;
}

// n bytes of the file at offset; what lies beyond its end reads as zeros
// (as after the save gave the file its new length). False on a read error.
bool ReadPadded(FileHandle &f, uint8_t *buffer, int64_t n, int64_t at) {
    const int64_t got = f.readAt(buffer, n, at);
    if (got < 0) return false;
    std::memset(buffer + got, 0, static_cast<size_t>(n - got));
    return true;
}

bool CreateFallbackFolder(const std::string &fallback) {
    CreateFolder(FolderOf(FolderOf(fallback)));
    CreateFolder(FolderOf(fallback));
    return CreateFolder(fallback);
}

// ---- examining -----------------------------------------------------------

struct Examined {
    JournalFit fit = JournalFit::Damaged;
    Header header{};
};

// The state of one block of the file against the journal's old and new bytes.
enum class BlockState { New, Old, Cut, Neither };

BlockState Compare(const uint8_t *file, const uint8_t *mine, int64_t n, uint32_t oldSum) {
    if (std::memcmp(file, mine, static_cast<size_t>(n)) == 0) return BlockState::New;
    if (Crc(0, file, n) == oldSum) return BlockState::Old;
    // A write cut off in this block: its first bytes are the new ones.
    if (file[0] == mine[0]) return BlockState::Cut;
    return BlockState::Neither;
}

// Reads the whole journal once: its structure and sums, and every block of
// the file it would overwrite.
Examined Examine(FileHandle &j, FileHandle &file, uint64_t device, uint64_t inode) {
    Examined out;
    Header &h = out.header;
    const int64_t size = j.length();
    if (size < 0) {
        out.fit = JournalFit::Unreadable;
        return out;
    }
    if (size < kHeaderSize + kTrailerSize || !ReadExactly(j, &h, kHeaderSize, 0)) return out;
    if (std::memcmp(h.magic, kHeaderMagic, 8) != 0) return out;
    if (Crc(0, &h, kHeaderSize - 4) != h.headerSum) return out;
    if (h.device != device || h.inode != inode) return out;
    if (h.oldLength < 0 || h.newLength < 0 || h.recordBytes < 0 || h.recordCount < 0 || h.tailLength < 0 ||
        h.tailLength > h.oldLength)
        return out;
    // Shorter (or longer) than its header says: not the journal that was committed.
    if (h.recordBytes != size - kHeaderSize - kTrailerSize) return out;

    const int64_t length = file.length();
    if (length < 0) {
        out.fit = JournalFit::Unreadable;
        return out;
    }
    const bool lengthFits = length == h.oldLength || length == h.newLength;
    uint32_t meta = Crc(0, &h, kHeaderSize), data = 0;
    int64_t at = kHeaderSize, count = 0;
    bool allNew = true, fits = lengthFits, cut = false;
    const int64_t end = kHeaderSize + h.recordBytes;
    std::vector<uint8_t> mine, theirs;
    std::vector<uint32_t> sums;
    while (at < end) {
        int64_t rec[2];
        if (end - at < kRecordHeader || !ReadExactly(j, rec, kRecordHeader, at)) return out;
        const int64_t d = rec[0], n = rec[1];
        if (d < 0 || n < 0 || d > h.newLength || n > h.newLength - d) return out;
        const int64_t blocks = BlockCount(d, n);
        // Bounded by the journal's size before anything is allocated.
        if (blocks > (end - at - kRecordHeader) / 4 || n > end - at - kRecordHeader - 4 * blocks) return out;
        sums.resize(static_cast<size_t>(blocks));
        if (!ReadExactly(j, sums.data(), 4 * blocks, at + kRecordHeader)) return out;
        meta = Crc(meta, rec, kRecordHeader);
        meta = Crc(meta, sums.data(), 4 * blocks);
        const int64_t dataAt = at + kRecordHeader + 4 * blocks;
        if (mine.empty() && n > 0) {
            mine.resize(static_cast<size_t>(kPiece));
            theirs.resize(static_cast<size_t>(kPiece));
        }
        int64_t block = 0;
        for (int64_t done = 0; done < n;) {
            const int64_t pieceEnd = PieceEnd(d, n, done), k = pieceEnd - done;
            if (!ReadExactly(j, mine.data(), k, dataAt + done)) return out;
            data = Crc(data, mine.data(), k);
            if (fits) {
                if (!ReadPadded(file, theirs.data(), k, d + done)) {
                    out.fit = JournalFit::Unreadable;
                    return out;
                }
                for (int64_t b = done; b < pieceEnd; ++block) {
                    const int64_t e = BlockEnd(d, n, b), o = b - done;
                    const uint32_t oldSum = sums[static_cast<size_t>(block)];
                    switch (Compare(theirs.data() + o, mine.data() + o, e - b, oldSum)) {
                    case BlockState::New:
                        // Nothing is written after the write that was cut
                        // off: from there on a block holds its new bytes
                        // only where they are its old ones too.
                        if (cut && Crc(0, mine.data() + o, e - b) != oldSum) fits = false;
                        break;
                    case BlockState::Old: allNew = false; break;
                    case BlockState::Cut:
                        allNew = false;
                        if (cut) fits = false;
                        cut = true;
                        break;
                    case BlockState::Neither: fits = false; break;
                    }
                    b = e;
                }
            }
            done = pieceEnd;
        }
        at = dataAt + n;
        ++count;
    }
    Trailer t{};
    if (count != h.recordCount || !ReadExactly(j, &t, kTrailerSize, end)) return out;
    if (std::memcmp(t.magic, kTrailerMagic, 8) != 0 || t.metaSum != meta || t.dataSum != data) return out;
    // The end a shrinking save cuts away is still the old one while the file
    // has its old length (no record reaches it).
    if (fits && h.tailLength > 0 && length == h.oldLength && length != h.newLength) {
        std::vector<uint8_t> tail(static_cast<size_t>(h.tailLength));
        if (!ReadExactly(file, tail.data(), h.tailLength, h.oldLength - h.tailLength)) {
            out.fit = JournalFit::Unreadable;
            return out;
        }
        fits = Crc(0, tail.data(), h.tailLength) == h.tailSum;
    }
    if (!fits) out.fit = JournalFit::Foreign;
    else if (allNew && length == h.newLength) out.fit = JournalFit::Done;
    else out.fit = JournalFit::Fits;
    return out;
}

// Writes every record's bytes into the file, gives it the new length and
// flushes it. Writing a range twice is harmless: a repair that is itself cut
// off is simply done again.
bool Replay(FileHandle &j, FileHandle &file, const std::string &name, const Header &h) {
    int error = 0;
    // A file that grows is given its length first, as the save did.
    if (h.newLength > h.oldLength && file.length() < h.newLength &&
        !saveio::Truncate(file, name, h.newLength, error))
        return false;
    std::vector<uint8_t> piece;
    int64_t at = kHeaderSize;
    const int64_t end = kHeaderSize + h.recordBytes;
    while (at < end) {
        int64_t rec[2];
        if (!ReadExactly(j, rec, kRecordHeader, at)) return false;
        const int64_t d = rec[0], n = rec[1];
        const int64_t dataAt = at + kRecordHeader + 4 * BlockCount(d, n);
        if (piece.empty() && n > 0) piece.resize(static_cast<size_t>(kPiece));
        for (int64_t done = 0; done < n;) {
            const int64_t k = std::min(kPiece, n - done);
            if (!ReadExactly(j, piece.data(), k, dataAt + done)) return false;
            if (!saveio::WriteAt(file, name, piece.data(), k, d + done, error)) return false;
            done += k;
        }
        at = dataAt + n;
    }
    if (!saveio::Truncate(file, name, h.newLength, error)) return false;
    return saveio::Sync(file, name, error);
}

struct InUseQuery {
    uint64_t device, inode;
    bool found = false;
};

void CheckInUse(Binary *store, void *context) {
    auto *q = static_cast<InUseQuery *>(context);
    uint64_t d = 0, i = 0;
    if (store->File.isOpen() && store->File.identity(d, i) && d == q->device && i == q->inode) q->found = true;
}

}  // namespace

std::string JournalPath(const std::string &folder, uint64_t device, uint64_t inode) {
    return folder + "/.hxl-j" + std::to_string(device) + "-" + std::to_string(inode);
}

std::string JournalFallbackFolder() {
    std::string base;
    if (const char *a = std::getenv("APPDATA"); a && *a) base = a;
    else if (const char *x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
    else if (const char *home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.config";
    else return "";
    return base + "/Quillstone/Hexaloom/Journals";
}

std::vector<std::string> JournalFolders(const std::string &path) {
    std::vector<std::string> folders{FolderOf(Resolved(path))};
    const std::string fallback = JournalFallbackFolder();
    if (!fallback.empty() && Resolved(fallback) != folders[0]) folders.push_back(fallback);
    return folders;
}

std::vector<FoundJournal> FindJournals(FileHandle &file, const std::string &name) {
    std::vector<FoundJournal> found;
    uint64_t device = 0, inode = 0;
    if (!file.identity(device, inode)) return found;
    for (const std::string &folder : JournalFolders(name)) {
        saveio::RemoveStaleTemporaries(folder);
        const std::string path = JournalPath(folder, device, inode);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        FoundJournal j{path, folder, JournalFit::Unreadable, 0};
        if (!S_ISREG(st.st_mode)) {
            j.fit = JournalFit::Damaged;
        } else if (FileHandle f = FileHandle::openReadOnly(path); f.isOpen()) {
            const Examined e = Examine(f, file, device, inode);
            j.fit = e.fit;
            j.sequence = e.header.sequence;
        }
        found.push_back(j);
    }
    return found;
}

std::string KeepJournalAside(const FoundJournal &journal, const std::string &name) {
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // Room for the suffix within a file name's 255 bytes.
    const std::string base = journal.folder + "/" + FileNamePart(name).substr(0, 180) + ".hexaloom-journal-" + stamp;
    std::string aside = base;
    for (int n = 2; FileExists(aside) && n < 1000; ++n) aside = base + "-" + std::to_string(n);
    int error = 0;
    if (!saveio::Rename(journal.path, aside, error)) return journal.path;
    saveio::SyncFolder(journal.folder, error);
    return aside;
}

bool RemoveJournal(const std::string &path, const std::string &folder, int &error) {
    if (!saveio::Remove(path, error)) return false;
    // Not durable yet is no harm: a journal that comes back is examined
    // again and fits only the state it was written for.
    int ignored = 0;
    saveio::SyncFolder(folder, ignored);
    return true;
}

bool RemoveJournalsOf(const std::string &path, uint64_t device, uint64_t inode, int &error) {
    bool ok = true;
    for (const std::string &folder : JournalFolders(path)) {
        const std::string journal = JournalPath(folder, device, inode);
        struct stat st {};
        if (::lstat(journal.c_str(), &st) != 0) continue;
        ok = RemoveJournal(journal, folder, error) && ok;
    }
    return ok;
}

// ---- writing -------------------------------------------------------------

JournalWriter::~JournalWriter() {
    // Only the unfinished temporary goes; a committed journal is removed or
    // kept by the save on purpose.
    file_.close();
    if (!temporary_.empty()) {
        int ignored = 0;
        saveio::Remove(temporary_, ignored);
    }
}

int64_t JournalWriter::RecordBytes(int64_t destination, int64_t length) {
    return kRecordHeader + 4 * BlockCount(destination, length) + length;
}

bool JournalWriter::begin(FileHandle &file, const std::string &name, const Plan &plan, int &error) {
    source_ = &file;
    sourceName_ = name;
    oldLength_ = plan.oldLength;
    std::vector<std::string> folders;
    if (!plan.folder.empty()) folders.push_back(plan.folder);
    for (const std::string &f : JournalFolders(name))
        if (f != plan.folder) folders.push_back(f);
    const std::string fallback = JournalFallbackFolder();
    for (const std::string &folder : folders) {
        if (folder == fallback) CreateFallbackFolder(fallback);
        saveio::RemoveStaleTemporaries(folder);
        file_ = saveio::CreateTemporary(folder, temporary_, error);
        if (!file_.isOpen()) continue;
        folder_ = folder;
        break;
    }
    if (!file_.isOpen()) return false;
    final_ = JournalPath(folder_, plan.device, plan.inode);

    Header h{};
    std::memcpy(h.magic, kHeaderMagic, 8);
    h.device = plan.device;
    h.inode = plan.inode;
    h.oldLength = plan.oldLength;
    h.newLength = plan.newLength;
    h.recordBytes = plan.recordBytes;
    h.recordCount = plan.recordCount;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    h.sequence = std::max<uint64_t>(plan.minSequence,
                                    uint64_t(now.tv_sec) * 1000000000ull + uint64_t(now.tv_nsec));
    if (plan.newLength < plan.oldLength) {
        h.tailLength = std::min(kBlock, plan.oldLength - plan.newLength);
        std::vector<uint8_t> tail(static_cast<size_t>(h.tailLength));
        if (!ReadExactly(file, tail.data(), h.tailLength, plan.oldLength - h.tailLength)) {
            error = file.lastError() ? file.lastError() : EIO;
            return false;
        }
        h.tailSum = Crc(0, tail.data(), h.tailLength);
    }
    h.headerSum = Crc(0, &h, kHeaderSize - 4);
    metaSum_ = Crc(0, &h, kHeaderSize);
    dataSum_ = 0;
    expected_ = kHeaderSize + plan.recordBytes;
    written_ = 0;
    return put(&h, kHeaderSize, error);
}

bool JournalWriter::put(const void *bytes, int64_t n, int &error) {
    if (!saveio::Write(file_, temporary_, bytes, n, error)) return false;
    written_ += n;
    return true;
}

namespace {

// CRCs of the blocks of [done, pieceEnd) of a record at destination, whose
// old bytes are at old, into sums from index block on.
void SumBlocks(int64_t destination, int64_t length, int64_t done, int64_t pieceEnd, const uint8_t *old,
               uint32_t *sums, size_t &block) {
    for (int64_t b = done; b < pieceEnd; ++block) {
        const int64_t e = BlockEnd(destination, length, b);
        sums[block] = Crc(0, old + (b - done), e - b);
        b = e;
    }
}

}  // namespace

bool JournalWriter::record(int64_t destination, int64_t length, int &error) {
    const int64_t rec[2] = {destination, length};
    std::vector<uint32_t> sums(static_cast<size_t>(BlockCount(destination, length)));
    std::vector<uint8_t> old(static_cast<size_t>(std::min(kPiece, length)));
    size_t block = 0;
    for (int64_t done = 0; done < length;) {
        const int64_t pieceEnd = PieceEnd(destination, length, done);
        if (!ReadPadded(*source_, old.data(), pieceEnd - done, destination + done)) {
            error = source_->lastError() ? source_->lastError() : EIO;
            return false;
        }
        SumBlocks(destination, length, done, pieceEnd, old.data(), sums.data(), block);
        done = pieceEnd;
    }
    metaSum_ = Crc(metaSum_, rec, kRecordHeader);
    metaSum_ = Crc(metaSum_, sums.data(), 4 * static_cast<int64_t>(sums.size()));
    return put(rec, kRecordHeader, error) && put(sums.data(), 4 * static_cast<int64_t>(sums.size()), error);
}

bool JournalWriter::recordFromFile(int64_t destination, int64_t length, int64_t offset, int &error) {
    const int64_t apart = offset > destination ? offset - destination : destination - offset;
    if (length + apart > kOneRead) return record(destination, length, error) && copy(offset, length, error);
    // The old and the new bytes of a chunk that moves by a few bytes (every
    // chunk after an insert or a delete) overlap almost wholly: one read of
    // both gives the block CRCs and the new bytes.
    const int64_t low = std::min(destination, offset);
    std::vector<uint8_t> both(static_cast<size_t>(length + apart));
    const int64_t got = source_->readAt(both.data(), length + apart, low);
    // Short of the new bytes: the file shrank under the save. Old bytes
    // beyond its end read as zeros (as after the save gave it its length).
    if (got < offset - low + length) {
        error = source_->lastError() ? source_->lastError() : EIO;
        return false;
    }
    std::memset(both.data() + got, 0, both.size() - static_cast<size_t>(got));
    const int64_t rec[2] = {destination, length};
    std::vector<uint32_t> sums(static_cast<size_t>(BlockCount(destination, length)));
    size_t block = 0;
    SumBlocks(destination, length, 0, length, both.data() + (destination - low), sums.data(), block);
    metaSum_ = Crc(metaSum_, rec, kRecordHeader);
    metaSum_ = Crc(metaSum_, sums.data(), 4 * static_cast<int64_t>(sums.size()));
    return put(rec, kRecordHeader, error) && put(sums.data(), 4 * static_cast<int64_t>(sums.size()), error) &&
           data(both.data() + (offset - low), length, error);
}

bool JournalWriter::data(const void *bytes, int64_t n, int &error) {
    dataSum_ = Crc(dataSum_, bytes, n);
    return put(bytes, n, error);
}

bool JournalWriter::copy(int64_t offset, int64_t n, int &error) {
    std::vector<uint8_t> piece(static_cast<size_t>(std::min(kPiece, n)));
    for (int64_t done = 0; done < n;) {
        const int64_t k = std::min(kPiece, n - done);
        // Short: the file shrank under the save.
        if (!ReadExactly(*source_, piece.data(), k, offset + done)) {
            error = source_->lastError() ? source_->lastError() : EIO;
            return false;
        }
        if (!data(piece.data(), k, error)) return false;
        done += k;
    }
    return true;
}

bool JournalWriter::commit(int &error) {
    if (written_ != expected_) {
        error = EINVAL;  // the records are not those the header announced
        return false;
    }
    Trailer t{};
    std::memcpy(t.magic, kTrailerMagic, 8);
    t.metaSum = metaSum_;
    t.dataSum = dataSum_;
    if (!put(&t, kTrailerSize, error)) return false;
    if (!saveio::Sync(file_, temporary_, error)) return false;
    file_.close();
    if (!saveio::Rename(temporary_, final_, error)) return false;
    committed_ = true;
    temporary_.clear();
    return saveio::SyncFolder(folder_, error);
}

bool JournalWriter::remove(int &error) {
    file_.close();
    int ignored = 0;
    if (!temporary_.empty() && saveio::Remove(temporary_, ignored)) temporary_.clear();
    if (!committed_) return true;
    if (!RemoveJournal(final_, folder_, error)) return false;
    committed_ = false;
    return true;
}

// ---- at open ---------------------------------------------------------------

JournalRecovery RecoverInterruptedSave(FileHandle &file, const std::string &name) {
    JournalRecovery out;
    InUseQuery q{0, 0};
    if (!file.identity(q.device, q.inode)) return out;
    ForEachBinary(CheckInUse, &q);
    if (q.found) return out;

    std::vector<FoundJournal> found = FindJournals(file, name);
    const FoundJournal *latest = nullptr;
    for (const FoundJournal &j : found) {
        switch (j.fit) {
        case JournalFit::Damaged:
        case JournalFit::Foreign: out.keptAside = KeepJournalAside(j, name); break;
        case JournalFit::Unreadable: out.recovery = RecoveryRepairFailed; return out;
        case JournalFit::Fits:
        case JournalFit::Done:
            if (!latest || j.sequence > latest->sequence) latest = &j;
            break;
        }
    }
    if (!latest) return out;
    int error = 0;
    if (latest->fit == JournalFit::Fits) {
        FileHandle j = FileHandle::openReadOnly(latest->path);
        Header h{};
        if (!j.isOpen() || !ReadExactly(j, &h, kHeaderSize, 0) || !Replay(j, file, name, h)) {
            out.recovery = RecoveryRepairFailed;
            return out;
        }
        out.recovery = RecoveryFinishedNew;
    } else if (!saveio::Sync(file, name, error)) {
        // Done, but perhaps only in memory so far: the journal stays until it is on disk.
        out.recovery = RecoveryRepairFailed;
        return out;
    }
    // The one replayed and those it supersedes; a removal that fails leaves a
    // journal that is Done and goes at the next open.
    for (const FoundJournal &j : found)
        if (j.fit == JournalFit::Fits || j.fit == JournalFit::Done) RemoveJournal(j.path, j.folder, error);
    return out;
}

}  // namespace hx
