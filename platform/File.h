// Files with 64-bit positions, as the document model needs them: open for
// reading and writing (creating a missing file, or only an existing one) while
// others may read, open read-only, create or truncate, seek, read, write,
// length, flush and cut.
//
// Plain POSIX, no Qt. Every call that can fail says so through its result;
// errno is kept in lastError() for messages.
#pragma once

#include <cstdint>
#include <string>

namespace hx {

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle &&other) noexcept;
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    // Read and write, creating the file when it does not exist.
    static FileHandle openReadWrite(const std::string &path);
    // Read and write; the file must exist (a missing file is not created).
    static FileHandle openExisting(const std::string &path);
    // Read only; the file must exist.
    static FileHandle openReadOnly(const std::string &path);
    // Create or truncate for reading and writing.
    static FileHandle create(const std::string &path);
    // Create a new file that must not exist yet (for temporary files); mode 0666 & ~umask.
    static FileHandle createExclusive(const std::string &path);

    // Takes over an open descriptor (mkstemp's, for instance).
    static FileHandle adopt(int fd) { return FileHandle(fd); }

    bool isOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return isOpen(); }
    int fd() const { return fd_; }

    // Reads up to n bytes at the current position; returns the count read
    // (short at the end of the file), or -1 on an error.
    int64_t read(void *buffer, int64_t n);
    // Reads up to n bytes at offset without moving the position; -1 on error.
    int64_t readAt(void *buffer, int64_t n, int64_t offset);
    // Writes all n bytes or fails; returns false on any error (a full disk
    // included). *done (when given) receives the bytes written, also on failure.
    bool write(const void *buffer, int64_t n, int64_t *done = nullptr);
    bool seek(int64_t position);
    int64_t position() const;    // -1 on error
    int64_t length() const;      // -1 on error
    bool flush();                // fsync
    // Cuts (or extends with zeros) the file to n bytes.
    bool truncate(int64_t n);
    void close();
    int lastError() const { return error_; }

    // Identity of the open file (device and inode), for "is this the same file" checks.
    bool identity(uint64_t &device, uint64_t &inode) const;
    // True for a regular file (not a folder, pipe, device or socket).
    bool isRegular() const;
    // Device, inode, size and modification time (nanoseconds) of the open file.
    bool stamp(uint64_t &device, uint64_t &inode, int64_t &size, int64_t &modifiedNs) const;

private:
    explicit FileHandle(int fd) : fd_(fd) {}
    int fd_ = -1;
    mutable int error_ = 0;
};

// Identity of a path's file; false when it does not exist.
bool FileIdentity(const std::string &path, uint64_t &device, uint64_t &inode);
// Makes the folder's entries (a rename, a new or removed file) durable; best effort.
void SyncFolder(const std::string &folder);
bool FileExists(const std::string &path);
// True when the path exists and is not a regular file (a folder, pipe, device,
// socket): opening such a thing as a document could block or read nonsense.
bool IsSpecialFile(const std::string &path);
// What keeps a path from being opened as a document (a regular file read from
// disk), looked at without blocking: a pipe or device is never opened.
enum class OpenProblem {
    None,              // a regular file that can be opened for reading
    Missing,           // no such file (its folder may exist or not)
    Folder,
    NotRegular,        // a pipe, device or socket
    PermissionDenied,
    NoDevice,          // the file's device is gone (ENXIO, ENODEV)
    Other,             // any other error; *error receives errno
};
OpenProblem ProbeOpen(const std::string &path, int *error = nullptr);
bool CreateFolder(const std::string &path);   // one level; true when it exists afterwards
bool RemoveFile(const std::string &path);
bool RenameFile(const std::string &from, const std::string &to);
// The folder part of a path (up to, without, the last "/"); "." when there is none.
std::string FolderOf(const std::string &path);
// The file-name part of a path: what follows the last "/" (only "/" separates
// folders; "a\b" is one name).
std::string FileNamePart(const std::string &path);

}  // namespace hx
