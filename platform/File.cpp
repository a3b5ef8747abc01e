#include "File.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hx {

FileHandle::~FileHandle() { close(); }

FileHandle::FileHandle(FileHandle &&other) noexcept : fd_(other.fd_), error_(other.error_) {
    other.fd_ = -1;
}

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        error_ = other.error_;
        other.fd_ = -1;
    }
    return *this;
}

FileHandle FileHandle::openReadWrite(const std::string &path) {
    return FileHandle(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
}

FileHandle FileHandle::openExisting(const std::string &path) {
    return FileHandle(::open(path.c_str(), O_RDWR | O_CLOEXEC));
}

FileHandle FileHandle::openReadOnly(const std::string &path) {
    return FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

FileHandle FileHandle::create(const std::string &path) {
    return FileHandle(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

FileHandle FileHandle::createExclusive(const std::string &path) {
    return FileHandle(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

namespace {

// Reads until n bytes arrived, the end of the file or an error; -1 on error.
template <typename ReadSome>
int64_t ReadFully(void *buffer, int64_t n, int &error, ReadSome readSome) {
    int64_t done = 0;
    auto *p = static_cast<char *>(buffer);
    while (done < n) {
        ssize_t r = readSome(p + done, static_cast<size_t>(n - done), done);
        if (r < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return -1;
        }
        if (r == 0) break;
        done += r;
    }
    return done;
}

}  // namespace

int64_t FileHandle::read(void *buffer, int64_t n) {
    return ReadFully(buffer, n, error_, [this](char *p, size_t count, int64_t) { return ::read(fd_, p, count); });
}

int64_t FileHandle::readAt(void *buffer, int64_t n, int64_t offset) {
    return ReadFully(buffer, n, error_, [this, offset](char *p, size_t count, int64_t done) {
        return ::pread(fd_, p, count, offset + done);
    });
}

bool FileHandle::write(const void *buffer, int64_t n, int64_t *written) {
    int64_t done = 0;
    const auto *p = static_cast<const char *>(buffer);
    bool ok = true;
    while (done < n) {
        ssize_t r = ::write(fd_, p + done, static_cast<size_t>(n - done));
        if (r < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            ok = false;
            break;
        }
        if (r == 0) {
            error_ = ENOSPC;
            ok = false;
            break;
        }
        done += r;
    }
    if (written) *written = done;
    return ok;
}

bool FileHandle::seek(int64_t position) {
    if (::lseek(fd_, position, SEEK_SET) < 0) {
        error_ = errno;
        return false;
    }
    return true;
}

int64_t FileHandle::position() const {
    off_t p = ::lseek(fd_, 0, SEEK_CUR);
    if (p < 0) error_ = errno;
    return p;
}

int64_t FileHandle::length() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        error_ = errno;
        return -1;
    }
    return st.st_size;
}

bool FileHandle::flush() {
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        error_ = errno;
        return false;
    }
    return true;
}

bool FileHandle::truncate(int64_t n) {
    if (::ftruncate(fd_, n) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

void FileHandle::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileHandle::identity(uint64_t &device, uint64_t &inode) const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

bool FileHandle::isRegular() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
}

bool FileHandle::stamp(uint64_t &device, uint64_t &inode, int64_t &size, int64_t &modifiedNs) const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    size = st.st_size;
    modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

void SyncFolder(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool IsSpecialFile(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

namespace {

OpenProblem ProblemOfErrno(int code) {
    switch (code) {
    case ENOENT: return OpenProblem::Missing;
    case EACCES:
    case EPERM: return OpenProblem::PermissionDenied;
    case EISDIR: return OpenProblem::Folder;
    case ENXIO:
    case ENODEV: return OpenProblem::NoDevice;
    default: return OpenProblem::Other;
    }
}

}  // namespace

OpenProblem ProbeOpen(const std::string &path, int *error) {
    if (error) *error = 0;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (error) *error = errno;
        return ProblemOfErrno(errno);
    }
    if (S_ISDIR(st.st_mode)) return OpenProblem::Folder;
    if (!S_ISREG(st.st_mode)) return OpenProblem::NotRegular;
    // Non-blocking, in case the name was swapped for a pipe since stat.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = errno;
        return ProblemOfErrno(errno);
    }
    ::close(fd);
    return OpenProblem::None;
}

bool FileIdentity(const std::string &path, uint64_t &device, uint64_t &inode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

bool FileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool CreateFolder(const std::string &path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string &path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string &from, const std::string &to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string FolderOf(const std::string &path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNamePart(const std::string &path) {
    // A backslash is an ordinary character of a file name here.
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace hx
