#include "SaveIo.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <algorithm>

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

// SaveFaults::KillAtStep: the process dies here, as under kill -9.
bool KillDue() {
    if (SaveFaults::KillAtStep < 0) return false;
    return ++steps == SaveFaults::KillAtStep;
}

void Die() {
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

}  // namespace

void BeginProgress(int64_t total) {
    progress = Progress{0, total, 0, true};
    steps = 0;
    if (SaveProgress::Report) SaveProgress::Report(0, total);
}

void EndProgress() {
    if (!progress.active) return;
    progress.active = false;
    if (SaveProgress::Report) SaveProgress::Report(progress.total, progress.total);
}

bool WriteAll(FileHandle &file, const void *bytes, int64_t n, int &error, int64_t *written) {
    if (written) *written = 0;
    if (SaveFaults::WriteDelayMicros > 0) ::usleep(static_cast<useconds_t>(SaveFaults::WriteDelayMicros));
    if (KillDue()) {
        file.write(bytes, n / 2);  // a write cut off half way
        Die();
    }
    if (SaveFaults::WriteBudget >= 0 && n > SaveFaults::WriteBudget) {
        int64_t part = SaveFaults::WriteBudget;
        SaveFaults::WriteBudget = 0;
        int64_t done = 0;
        if (part > 0 && !file.write(bytes, part, &done)) {
            if (written) *written = done;
            error = file.lastError();
            return false;
        }
        if (written) *written = part;
        error = EIO;
        return false;
    }
    if (SaveFaults::WriteBudget >= 0) SaveFaults::WriteBudget -= n;
    int64_t done = 0;
    bool ok = file.write(bytes, n, &done);
    if (written) *written = done;
    Count(done);
    if (ok) return true;
    error = file.lastError();
    return false;
}

bool CopyAll(FileHandle &from, int64_t offset, FileHandle &to, int64_t n, int &error) {
    const bool hooks = SaveFaults::WriteBudget >= 0 || SaveFaults::KillAtStep >= 0 || SaveFaults::WriteDelayMicros > 0;
    if (!hooks) {
        loff_t in = offset;
        int64_t done = 0;
        while (done < n) {
            ssize_t r = ::copy_file_range(from.fd(), &in, to.fd(), nullptr,
                                          static_cast<size_t>(std::min<int64_t>(n - done, int64_t(1) << 30)), 0);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            done += r;
            Count(r);
        }
        if (done == n) return true;
        offset += done;
        n -= done;
        // Not offered here (another file system, an old kernel): the plain way.
    }
    std::vector<uint8_t> piece(static_cast<size_t>(std::min<int64_t>(n, int64_t(1) << 20)));
    for (int64_t done = 0; done < n;) {
        const int64_t k = std::min<int64_t>(static_cast<int64_t>(piece.size()), n - done);
        if (from.readAt(piece.data(), k, offset + done) != k) {
            error = from.lastError() ? from.lastError() : EIO;
            return false;
        }
        if (!WriteAll(to, piece.data(), k, error)) return false;
        done += k;
    }
    return true;
}

bool Flush(FileHandle &file, int &error) {
    if (KillDue()) Die();
    if (SaveFaults::FailFlush) {
        error = EIO;
        return false;
    }
    if (file.flush()) return true;
    error = file.lastError();
    return false;
}

void Step() {
    if (KillDue()) Die();
}

bool Rename(const std::string &from, const std::string &to) {
    Step();
    return RenameFile(from, to);
}

bool Remove(const std::string &path) {
    Step();
    return RemoveFile(path);
}

FileHandle CreateTemporary(const std::string &folder, std::string &path, int &error) {
    std::string pattern = folder + "/" + kTemporaryPrefix + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        path.clear();
        return FileHandle();
    }
    path = name.data();
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
