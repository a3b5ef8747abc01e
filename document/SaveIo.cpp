#include "SaveIo.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "Save.h"

namespace hx::saveio {

namespace {

constexpr int64_t kReportEvery = int64_t(4) << 20;
constexpr char kTemporaryPrefix[] = ".hxl-t";

struct Progress {
    int64_t done = 0, total = 0, reported = 0;
    bool active = false;
} progress;

int64_t steps = 0;

// SaveFaults::KillAtStep: the process dies at this call, as under kill -9.
bool KillDue() {
    if (SaveFaults::KillAtStep < 0) {
        steps = 0;
        return false;
    }
    return ++steps == SaveFaults::KillAtStep;
}

[[noreturn]] void Die() {
    ::raise(SIGKILL);
    ::_exit(137);  // not reached
}

void Count(int64_t n) {
    if (!progress.active) return;
    progress.done += n;
    if (progress.done - progress.reported >= kReportEvery && SaveProgress::Report) {
        progress.reported = progress.done;
        SaveProgress::Report(progress.done, progress.total);
    }
}

// A call on its way through the seam: its record, and the error the seam
// makes it fail with (0: none).
struct Passage {
    CallRecord record;
    int injected = 0;
};

Passage Enter(Call call, const std::string &path, int64_t offset = -1, int64_t length = -1,
              const std::string &to = {}) {
    Passage p{CallRecord{call, path, to, offset, length, true}, 0};
    const int64_t count = ++Seam::Counts[static_cast<int>(call)];
    for (auto f = Seam::Faults.begin(); f != Seam::Faults.end(); ++f) {
        if (f->call != call || f->nth != count) continue;
        p.injected = f->error;
        Seam::Faults.erase(f);
        break;
    }
    return p;
}

bool Leave(Passage &p, bool ok, int err, int &error) {
    p.record.ok = ok;
    if (Seam::Record) Seam::Record->push_back(p.record);
    if (!ok) error = err ? err : EIO;
    return ok;
}

// Writes n bytes at offset (at the position when offset < 0).
bool RawWrite(FileHandle &file, const void *bytes, int64_t n, int64_t offset, int64_t &done, int &error) {
    done = 0;
    if (offset < 0) {
        bool ok = file.write(bytes, n, &done);
        if (!ok) error = file.lastError();
        return ok;
    }
    const auto *p = static_cast<const char *>(bytes);
    while (done < n) {
        ssize_t r = ::pwrite(file.fd(), p + done, static_cast<size_t>(n - done), offset + done);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            error = r < 0 ? errno : ENOSPC;
            return false;
        }
        done += r;
    }
    return true;
}

bool Put(FileHandle &file, const std::string &path, const void *bytes, int64_t n, int64_t offset, int &error,
         int64_t *written) {
    if (written) *written = 0;
    Passage p = Enter(offset < 0 ? Call::Write : Call::Pwrite, path, offset, n);
    if (SaveFaults::WriteDelayMicros > 0) ::usleep(static_cast<useconds_t>(SaveFaults::WriteDelayMicros));
    int64_t done = 0;
    int err = 0;
    if (KillDue()) {
        RawWrite(file, bytes, n / 2, offset, done, err);  // a write cut off half way
        Die();
    }
    if (p.injected) return Leave(p, false, p.injected, error);
    // SaveFaults::WriteBudget: a write beyond it stops there and fails, as on
    // a disk that fills up.
    int64_t allowed = n;
    bool beyondBudget = false;
    if (SaveFaults::WriteBudget >= 0) {
        beyondBudget = n > SaveFaults::WriteBudget;
        allowed = std::min(n, SaveFaults::WriteBudget);
        SaveFaults::WriteBudget -= allowed;
    }
    bool ok = RawWrite(file, bytes, allowed, offset, done, err);
    if (written) *written = done;
    Count(done);
    if (ok && beyondBudget) {
        ok = false;
        err = EIO;
    }
    return Leave(p, ok, err, error);
}

}  // namespace

const char *CallName(Call call) {
    static const char *const names[CallKinds] = {"create", "write",     "pwrite", "fsync",
                                                 "ftruncate", "fallocate", "rename", "unlink"};
    return names[static_cast<int>(call)];
}

void Seam::Arm(std::vector<Fault> faults) {
    std::fill(std::begin(Counts), std::end(Counts), 0);
    Faults = std::move(faults);
}

void BeginProgress(int64_t total) {
    progress = Progress{0, total, 0, true};
    if (SaveProgress::Report) SaveProgress::Report(0, total);
}

void EndProgress() {
    if (!progress.active) return;
    progress.active = false;
    if (SaveProgress::Report) SaveProgress::Report(progress.total, progress.total);
}

bool Write(FileHandle &file, const std::string &path, const void *bytes, int64_t n, int &error, int64_t *written) {
    return Put(file, path, bytes, n, -1, error, written);
}

bool WriteAt(FileHandle &file, const std::string &path, const void *bytes, int64_t n, int64_t offset, int &error,
             int64_t *written) {
    return Put(file, path, bytes, n, offset, error, written);
}

bool Sync(FileHandle &file, const std::string &path, int &error) {
    Passage p = Enter(Call::Fsync, path);
    if (KillDue()) Die();
    if (p.injected) return Leave(p, false, p.injected, error);
    if (SaveFaults::FailFlush) return Leave(p, false, EIO, error);
    const bool ok = file.flush();
    return Leave(p, ok, file.lastError(), error);
}

bool SyncFolder(const std::string &folder, int &error) {
    Passage p = Enter(Call::Fsync, folder);
    if (KillDue()) Die();
    if (p.injected) return Leave(p, false, p.injected, error);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Leave(p, false, errno, error);
    // A file system that cannot flush a folder (EINVAL) keeps its entries
    // by other means; there is nothing more to do.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    const int err = errno;
    ::close(fd);
    return Leave(p, ok, err, error);
}

bool Truncate(FileHandle &file, const std::string &path, int64_t length, int &error) {
    Passage p = Enter(Call::Ftruncate, path, length);
    if (KillDue()) Die();
    if (p.injected) return Leave(p, false, p.injected, error);
    const bool ok = file.truncate(length);
    return Leave(p, ok, file.lastError(), error);
}

bool Allocate(FileHandle &file, const std::string &path, int64_t offset, int64_t n, int &error) {
    Passage p = Enter(Call::Fallocate, path, offset, n);
    if (KillDue()) Die();
    if (p.injected) return Leave(p, false, p.injected, error);
    const int err = ::posix_fallocate(file.fd(), offset, n);
    const bool ok = err == 0 || err == EOPNOTSUPP || err == EINVAL || err == ENODEV;
    return Leave(p, ok, err, error);
}

bool Rename(const std::string &from, const std::string &to, int &error) {
    Passage p = Enter(Call::Rename, from, -1, -1, to);
    if (KillDue()) Die();
    if (p.injected) return Leave(p, false, p.injected, error);
    const bool ok = ::rename(from.c_str(), to.c_str()) == 0;
    return Leave(p, ok, errno, error);
}

bool Remove(const std::string &path, int &error) {
    Passage p = Enter(Call::Unlink, path);
    if (KillDue()) Die();
    if (p.injected) return Leave(p, false, p.injected, error);
    const bool ok = ::unlink(path.c_str()) == 0;
    return Leave(p, ok, errno, error);
}

FileHandle CreateTemporary(const std::string &folder, std::string &path, int &error) {
    std::string pattern = folder + "/" + kTemporaryPrefix + std::to_string(::getpid()) + "-XXXXXX";
    Passage p = Enter(Call::Create, pattern);
    if (KillDue()) Die();
    path.clear();
    if (p.injected) {
        Leave(p, false, p.injected, error);
        return FileHandle();
    }
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        Leave(p, false, errno, error);
        return FileHandle();
    }
    path = name.data();
    p.record.path = path;
    Leave(p, true, 0, error);
    return FileHandle::adopt(fd);
}

void RemoveStaleTemporaries(const std::string &folder) {
    DIR *d = ::opendir(folder.c_str());
    if (!d) return;
    const size_t prefix = sizeof kTemporaryPrefix - 1;
    std::vector<std::string> stale;
    while (dirent *e = ::readdir(d)) {
        if (std::strncmp(e->d_name, kTemporaryPrefix, prefix) != 0) continue;
        char *end = nullptr;
        long pid = std::strtol(e->d_name + prefix, &end, 10);
        // Only names exactly of our form: pid, "-", six characters.
        if (pid <= 0 || end == e->d_name + prefix || *end != '-' || std::strlen(end + 1) != 6) continue;
        if (pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to ask
        stale.push_back(folder + "/" + e->d_name);
    }
    ::closedir(d);
    for (const std::string &p : stale) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(p.c_str());
    }
}

}  // namespace hx::saveio
