#include "Scratch.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "Journal.h"
#include "platform/File.h"

namespace hx {

namespace {

struct ScratchState {
    int fd = -1;
    std::string folder;       // where the open file is
    int64_t end = 0;          // first byte after the last run handed out
    int64_t inUse = 0;        // bytes of the runs alive
    int64_t runs = 0;         // runs alive
};

// Never destroyed: runs may be given back by objects that static destruction
// reaches late (the stores' and histories' registries).
ScratchState &State() {
    static ScratchState *state = new ScratchState;
    return *state;
}

std::string PreferredFolder() {
    if (!ScratchSettings::Folder.empty()) return ScratchSettings::Folder;
    if (const char *t = std::getenv("TMPDIR"); t && *t) return t;
    return "/tmp";
}

// The configuration folder, where the journals' fallback folder lies.
std::string FallbackFolder() {
    const std::string journals = JournalFallbackFolder();
    return journals.empty() ? std::string() : FolderOf(journals);
}

// An unnamed file in folder: O_TMPFILE where the file system has it, else a
// named one removed at once.
int OpenUnnamed(const std::string &folder, int &error) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    error = errno;
    std::string pattern = folder + "/.hxl-scratch-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    ::unlink(name.data());
    return fd;
}

// A changed folder (tests) takes effect while nothing is in the old file:
// the next run goes to a new file there.
bool Superseded(const ScratchState &s) { return s.fd >= 0 && s.runs == 0 && s.folder != PreferredFolder(); }

bool EnsureOpen(int &error) {
    ScratchState &s = State();
    if (Superseded(s)) {
        ::close(s.fd);
        s.fd = -1;
        s.end = 0;
    }
    if (s.fd >= 0) return true;
    for (const std::string &folder : {PreferredFolder(), FallbackFolder()}) {
        if (folder.empty()) continue;
        if (folder == FallbackFolder()) {
            CreateFolder(FolderOf(FolderOf(folder)));
            CreateFolder(FolderOf(folder));
            CreateFolder(folder);
        }
        const int fd = OpenUnnamed(folder, error);
        if (fd < 0) continue;
        s.fd = fd;
        s.folder = folder;
        s.end = 0;
        return true;
    }
    return false;
}

}  // namespace

ScratchExtent::ScratchExtent(int64_t offset, int64_t length) : offset_(offset), length_(length) {
    ScratchState &s = State();
    s.inUse += length;
    ++s.runs;
}

ScratchExtent::~ScratchExtent() {
    ScratchState &s = State();
    s.inUse -= length_;
    --s.runs;
    if (s.fd < 0) return;
    if (s.runs == 0) {
        s.end = 0;
        (void)!::ftruncate(s.fd, 0);
    } else if (offset_ + length_ == s.end) {
        s.end = offset_;
        (void)!::ftruncate(s.fd, s.end);
    } else if (length_ > 0) {
        // The blocks go back to the file system; a system without hole
        // punching keeps them until the file is cut.
        (void)::fallocate(s.fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset_, length_);
    }
}

ScratchRef ScratchAllocate(int64_t n, int *error) {
    int e = 0;
    if (n < 0 || !EnsureOpen(e)) {
        if (error) *error = n < 0 ? EINVAL : e;
        return nullptr;
    }
    ScratchState &s = State();
    auto run = std::make_shared<const ScratchExtent>(s.end, n);
    s.end += n;
    return run;
}

bool ScratchWriteAt(int64_t offset, const void *bytes, int64_t n, int *error) {
    const int fd = State().fd;
    const auto *p = static_cast<const uint8_t *>(bytes);
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, static_cast<size_t>(std::min<int64_t>(n, int64_t(1) << 30)), offset);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (error) *error = w < 0 ? errno : ENOSPC;
            return false;
        }
        p += w;
        offset += w;
        n -= w;
    }
    return true;
}

ScratchRef ScratchWrite(const void *bytes, int64_t n, int *error) {
    ScratchRef run = ScratchAllocate(n, error);
    if (!run || !ScratchWriteAt(run->offset(), bytes, n, error)) return nullptr;
    return run;
}

bool ScratchRead(int64_t offset, void *bytes, int64_t n) {
    const int fd = State().fd;
    auto *p = static_cast<uint8_t *>(bytes);
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, static_cast<size_t>(std::min<int64_t>(n, int64_t(1) << 30)), offset);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        offset += r;
        n -= r;
    }
    return true;
}

int ScratchDescriptor() { return State().fd; }

int64_t ScratchBytesInUse() { return State().inUse; }

int64_t ScratchFreeSpace() {
    struct statvfs info {};
    const ScratchState &s = State();
    const bool open = s.fd >= 0 && !Superseded(s);
    const int r = open ? ::fstatvfs(s.fd, &info) : ::statvfs(PreferredFolder().c_str(), &info);
    if (r != 0) return -1;
    return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

std::string ScratchFolder() {
    const ScratchState &s = State();
    return s.fd >= 0 && !Superseded(s) ? s.folder : PreferredFolder();
}

bool ScratchHasRoomFor(int64_t n) {
    if (n <= 0) return true;
    const int64_t free = ScratchFreeSpace();
    if (free < 0) return true;   // cannot be told: the writes will say
    const int64_t margin = n / 64 + (int64_t(1) << 20);
    return n <= free - margin;
}

}  // namespace hx
