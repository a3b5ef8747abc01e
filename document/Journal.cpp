#include "Journal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "SaveIo.h"

namespace hx {

namespace {

constexpr char kHeaderMagic[8] = {'H', 'X', 'L', 'J', 'R', 'N', 'L', '1'};
constexpr char kTrailerMagic[8] = {'H', 'X', 'L', 'J', 'E', 'N', 'D', '1'};
constexpr int64_t kHeaderSize = 64;
constexpr int64_t kTrailerSize = 16;
constexpr int64_t kRecordHeader = 16;
constexpr int64_t kCopyPiece = int64_t(1) << 20;

struct Header {
    char magic[8];
    uint64_t device, inode;
    int64_t oldLength, newLength, recordBytes, recordCount;
    uint64_t sum;
};
static_assert(sizeof(Header) == kHeaderSize, "journal header layout");

uint64_t Fnv(uint64_t h, const void *bytes, size_t n) {
    const auto *p = static_cast<const uint8_t *>(bytes);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}
constexpr uint64_t kFnvStart = 0xcbf29ce484222325ull;

std::string Resolved(const std::string &name) {
    char resolved[PATH_MAX];
    if (::realpath(name.c_str(), resolved)) return resolved;
    return name;
}

bool ReadExactly(FileHandle &f, void *buffer, int64_t n, int64_t at) {
    return f.readAt(buffer, n, at) == n;
}

// Checks the journal through and returns its header; false when it is not a
// complete journal of this file.
bool Validate(FileHandle &j, uint64_t device, uint64_t inode, Header &h) {
    const int64_t size = j.length();
    if (size < kHeaderSize + kTrailerSize || !ReadExactly(j, &h, kHeaderSize, 0)) return false;
    if (std::memcmp(h.magic, kHeaderMagic, 8) != 0) return false;
    if (Fnv(kFnvStart, &h, kHeaderSize - 8) != h.sum) return false;
    if (h.device != device || h.inode != inode) return false;
    if (h.oldLength < 0 || h.newLength < 0 || h.recordBytes < 0 || h.recordCount < 0) return false;
    if (h.recordBytes != size - kHeaderSize - kTrailerSize) return false;
    uint64_t sum = Fnv(kFnvStart, &h, kHeaderSize);
    int64_t at = kHeaderSize, count = 0;
    const int64_t end = kHeaderSize + h.recordBytes;
    while (at < end) {
        int64_t rec[2];
        if (end - at < kRecordHeader || !ReadExactly(j, rec, kRecordHeader, at)) return false;
        if (rec[0] < 0 || rec[1] < 0 || rec[1] > end - at - kRecordHeader || rec[0] > h.newLength - rec[1])
            return false;
        sum = Fnv(sum, rec, kRecordHeader);
        at += kRecordHeader + rec[1];
        ++count;
    }
    char trailer[kTrailerSize];
    if (count != h.recordCount || !ReadExactly(j, trailer, kTrailerSize, end)) return false;
    uint64_t stored;
    std::memcpy(&stored, trailer + 8, 8);
    return std::memcmp(trailer, kTrailerMagic, 8) == 0 && stored == sum;
}

// Writes every record's bytes into the file, cuts it and flushes it.
bool Replay(FileHandle &j, FileHandle &file, const Header &h) {
    std::vector<uint8_t> piece(static_cast<size_t>(kCopyPiece));
    int error = 0;
    int64_t at = kHeaderSize;
    const int64_t end = kHeaderSize + h.recordBytes;
    // A file that grew is given its length first, as the save did.
    if (h.newLength > h.oldLength && file.length() < h.newLength && !file.truncate(h.newLength)) return false;
    while (at < end) {
        int64_t rec[2];
        if (!ReadExactly(j, rec, kRecordHeader, at)) return false;
        at += kRecordHeader;
        if (!file.seek(rec[0])) return false;
        for (int64_t done = 0; done < rec[1];) {
            const int64_t n = std::min<int64_t>(kCopyPiece, rec[1] - done);
            if (!ReadExactly(j, piece.data(), n, at + done)) return false;
            if (!saveio::WriteAll(file, piece.data(), n, error)) return false;
            done += n;
        }
        at += rec[1];
    }
    saveio::Step();
    if (!file.truncate(h.newLength)) return false;
    return saveio::Flush(file, error);
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

JournalWriter::~JournalWriter() {
    if (!kept_ && (file_.isOpen() || committed_)) remove();
}

bool JournalWriter::begin(const std::string &path, uint64_t device, uint64_t inode, int64_t oldLength,
                          int64_t newLength, int64_t recordBytes, int64_t recordCount, int &error) {
    folder_ = FolderOf(Resolved(path));
    saveio::RemoveStaleTemporaries(folder_);
    file_ = saveio::CreateTemporary(folder_, temporary_, error);
    if (!file_.isOpen()) {
        // A folder that takes no new files: the configuration folder holds it.
        const std::string fallback = JournalFallbackFolder();
        if (fallback.empty()) return false;
        CreateFolder(FolderOf(FolderOf(fallback)));
        CreateFolder(FolderOf(fallback));
        CreateFolder(fallback);
        folder_ = fallback;
        saveio::RemoveStaleTemporaries(folder_);
        file_ = saveio::CreateTemporary(folder_, temporary_, error);
        if (!file_.isOpen()) return false;
    }
    final_ = JournalPath(folder_, device, inode);
    Header h{};
    std::memcpy(h.magic, kHeaderMagic, 8);
    h.device = device;
    h.inode = inode;
    h.oldLength = oldLength;
    h.newLength = newLength;
    h.recordBytes = recordBytes;
    h.recordCount = recordCount;
    h.sum = Fnv(kFnvStart, &h, kHeaderSize - 8);
    sum_ = Fnv(kFnvStart, &h, kHeaderSize);
    return saveio::WriteAll(file_, &h, kHeaderSize, error);
}

bool JournalWriter::record(int64_t destination, int64_t length, int &error) {
    int64_t rec[2] = {destination, length};
    sum_ = Fnv(sum_, rec, kRecordHeader);
    return saveio::WriteAll(file_, rec, kRecordHeader, error);
}

bool JournalWriter::data(const void *bytes, int64_t n, int &error) {
    return saveio::WriteAll(file_, bytes, n, error);
}

bool JournalWriter::copy(FileHandle &from, int64_t offset, int64_t n, int &error) {
    return saveio::CopyAll(from, offset, file_, n, error);
}

bool JournalWriter::commit(int &error) {
    char trailer[kTrailerSize];
    std::memcpy(trailer, kTrailerMagic, 8);
    std::memcpy(trailer + 8, &sum_, 8);
    if (!saveio::WriteAll(file_, trailer, kTrailerSize, error)) return false;
    if (!saveio::Flush(file_, error)) return false;
    file_.close();
    if (!saveio::Rename(temporary_, final_)) {
        error = errno;
        return false;
    }
    committed_ = true;
    temporary_.clear();
    SyncFolder(folder_);
    return true;
}

void JournalWriter::remove() {
    file_.close();
    if (!temporary_.empty()) RemoveFile(temporary_);
    temporary_.clear();
    if (committed_) {
        saveio::Remove(final_);
        SyncFolder(folder_);
    }
    committed_ = false;
}

int32_t RecoverInterruptedSave(FileHandle &file, const std::string &name) {
    uint64_t device = 0, inode = 0;
    if (!file.identity(device, inode)) return JournalNone;
    std::vector<std::string> folders{FolderOf(Resolved(name))};
    if (std::string fallback = JournalFallbackFolder(); !fallback.empty()) folders.push_back(fallback);
    for (const std::string &folder : folders) {
        saveio::RemoveStaleTemporaries(folder);
        const std::string path = JournalPath(folder, device, inode);
        FileHandle j = FileHandle::openReadOnly(path);
        if (!j.isOpen()) continue;
        Header h{};
        if (!Validate(j, device, inode, h)) continue;
        // Between the commit and the end of the save the file has its old or
        // its new length; any other means another program changed it since.
        const int64_t length = file.length();
        if (length != h.oldLength && length != h.newLength) continue;
        if (!Replay(j, file, h)) continue;
        j.close();
        saveio::Remove(path);
        SyncFolder(folder);
        return JournalFinished;
    }
    return JournalNone;
}

}  // namespace hx
