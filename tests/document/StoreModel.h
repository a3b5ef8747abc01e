// Test helpers for the byte store: a plain vector model with the store's
// clamping rules, the store's invariants as a checker, and temporary files.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "platform/File.h"

namespace hx::test {

using Bytes = std::vector<uint8_t>;

// The bytes of the store, gathered from the chunk buffers and (for chunks not
// loaded) from the file, without touching any holder.
// A whole file's bytes; empty when it cannot be opened.
inline Bytes ReadFile(const std::string &path) {
    Bytes out;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return out;
    uint8_t buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
    ::close(fd);
    return out;
}

// A chunk's bytes, from its buffer, the scratch file or the store's file.
inline void AppendChunkBytes(const Binary &s, const BinaryChunk &c, Bytes &out) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(c.Length));
    if (c.Length == 0) return;
    if (c.loaded()) {
        std::copy(c.Buffer.data(), c.Buffer.data() + c.Length, out.begin() + at);
    } else if (c.Scratch) {
        ScratchRead(c.ScratchOffset, out.data() + at, c.Length);
    } else if (s.File.isOpen()) {
        ssize_t got = ::pread(s.File.fd(), out.data() + at, c.Length, c.FileOffset);
        (void)got;
    }
}

inline Bytes ChunkListBytes(const Binary &s, const ChunkList &chunks) {
    Bytes out;
    for (const BinaryChunk &c : chunks) AppendChunkBytes(s, c, out);
    return out;
}

inline Bytes StoreBytes(const Binary &s) { return ChunkListBytes(s, s.Chunks); }

inline bool Fail(std::string *why, const std::string &text) {
    if (why) *why = text;
    return false;
}

// The invariants that hold after every public operation. Chunks whose read
// failed hold zeros instead of the file's bytes and are exempt from the file
// comparison (they are reported through BinaryHasReadFailure instead).
inline bool CheckInvariants(const Binary &s, std::string *why) {
    int64_t sum = 0;
    int index = 0;
    int64_t fileEnd = 0;   // the in-place save needs clean chunks in file order
    Bytes fileBytes;
    for (const BinaryChunk &c : s.Chunks) {
        const std::string at = "chunk " + std::to_string(index) + ": ";
        sum += c.Length;
        if (!c.Modified && c.FileOffset >= 0 && c.Length > 0) {
            if (c.FileOffset < fileEnd) return Fail(why, at + "clean chunk out of file order");
            fileEnd = c.FileOffset + c.Length;
        }
        if (c.Length < 0) return Fail(why, at + "negative length");
        if (c.Length == 0 && s.Chunks.size() > 1) return Fail(why, at + "empty chunk among others");
        if (c.Length > 2 * s.ChunkLength) return Fail(why, at + "longer than 2L");
        if (c.loaded() && c.Buffer.size() != c.Length) return Fail(why, at + "buffer size differs");
        if (!c.loaded() && !c.backed()) return Fail(why, at + "unloaded chunk whose bytes lie nowhere");
        if (!c.loaded() && !c.Scratch && !s.File.isOpen()) return Fail(why, at + "unloaded chunk without file");
        if (c.Scratch && !c.Modified) return Fail(why, at + "chunk in the scratch file not modified");
        if (c.Scratch && (c.ScratchOffset < c.Scratch->offset() ||
                          c.ScratchOffset + c.Length > c.Scratch->offset() + c.Scratch->length()))
            return Fail(why, at + "chunk outside its scratch run");
        if (c.FileOffset < 0 && !c.Modified) return Fail(why, at + "clean chunk never in the file");
        if (c.ReadFailed && !c.loaded()) return Fail(why, at + "read failure without buffer");
        if (c.ReadFailed && !(c.Holders & (1u << SlotEdit)))
            return Fail(why, at + "read failure not held by slot 31");
        if (c.Scratch && c.loaded() && !c.ReadFailed && c.Length > 0) {
            fileBytes.assign(static_cast<size_t>(c.Length), 0);
            if (!ScratchRead(c.ScratchOffset, fileBytes.data(), c.Length) ||
                !std::equal(fileBytes.begin(), fileBytes.end(), c.Buffer.data()))
                return Fail(why, at + "chunk differs from its scratch run");
        }
        if (!c.Modified && c.loaded() && !c.ReadFailed && c.Length > 0) {
            fileBytes.assign(static_cast<size_t>(c.Length), 0);
            ssize_t got = ::pread(s.File.fd(), fileBytes.data(), c.Length, c.FileOffset);
            if (got != c.Length ||
                !std::equal(fileBytes.begin(), fileBytes.end(), c.Buffer.data()))
                return Fail(why, at + "clean chunk differs from the file at its offset");
        }
        ++index;
    }
    if (sum != s.Length)
        return Fail(why, "Length " + std::to_string(s.Length) + " but chunks sum to " +
                             std::to_string(sum));
    return true;
}

// The property that the merge pass leaves: no neighbours with one of them
// shorter than L/2 (rounded) and both together within 2L.
inline bool CheckNormalized(const Binary &s, std::string *why) {
    const int64_t small = (s.ChunkLength + 1) / 2;
    const int64_t upper = 2 * s.ChunkLength;
    const BinaryChunk *prev = nullptr;
    int index = 0;
    for (const BinaryChunk &c : s.Chunks) {
        if (prev && (prev->Length < small || c.Length < small) && prev->Length + c.Length <= upper)
            return Fail(why, "chunks " + std::to_string(index - 1) + " and " +
                                 std::to_string(index) + " should have been merged");
        prev = &c;
        ++index;
    }
    return true;
}

inline std::vector<int64_t> ChunkLengths(const Binary &s) {
    std::vector<int64_t> out;
    for (const BinaryChunk &c : s.Chunks) out.push_back(c.Length);
    return out;
}

// The store's operations on a plain vector, written from their definitions.
struct StoreModel {
    Bytes bytes;

    int64_t size() const { return static_cast<int64_t>(bytes.size()); }

    // (a) negative position shortens, (b) past the end is empty, (c) cut at the end.
    void clamp(int64_t &p, int64_t &n) const {
        if (p < 0) {
            n = std::max<int64_t>(n + p, 0);
            p = 0;
        } else if (p > size()) {
            p = size();
            n = 0;
        }
        if (n > size() - p) n = size() - p;
    }

    void insert(int64_t p, const uint8_t *src, int64_t n) {
        if (!src || n <= 0) return;
        p = std::clamp<int64_t>(p, 0, size());
        bytes.insert(bytes.begin() + p, src, src + n);
    }

    void remove(int64_t p, int64_t n) {
        if (n <= 0) return;
        clamp(p, n);
        bytes.erase(bytes.begin() + p, bytes.begin() + p + n);
    }

    void replace(int64_t p, int64_t m, const uint8_t *src, int64_t n) {
        m = std::max<int64_t>(m, 0);
        clamp(p, m);
        if (m == 0) return insert(p, src, n);
        if (!src || n == 0) return remove(p, m);
        bytes.erase(bytes.begin() + p, bytes.begin() + p + m);
        bytes.insert(bytes.begin() + p, src, src + n);
    }

    // The bytes ReadBinary returns; empty for "none".
    Bytes read(int64_t p, int64_t n) const {
        if (n == -1) n = INT64_MAX;
        if (n <= 0) return {};
        clamp(p, n);
        if (n <= 0) return {};
        return Bytes(bytes.begin() + p, bytes.begin() + p + n);
    }

    // The byte-by-byte definition of the search.
    int64_t find(const uint8_t *pat, int64_t k, int64_t start) const {
        if (!pat || k <= 0) return -1;
        start = std::clamp<int64_t>(start, 0, size());
        for (int64_t i = start; i + k <= size(); ++i)
            if (std::equal(pat, pat + k, bytes.begin() + i)) return i;
        return -1;
    }

    // The range a walk covers: (a), (b), (c) with negative lengths as 0.
    Bytes walk(int64_t p, int64_t n) const {
        n = std::max<int64_t>(n, 0);
        clamp(p, n);
        return Bytes(bytes.begin() + p, bytes.begin() + p + n);
    }
};

// A temporary file that is removed again; the name is unique per process and call.
class TempFile {
public:
    explicit TempFile(const Bytes &content = {}) {
        const char *dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/hexaloom-store-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        int fd = ::mkstemp(name.data());
        path_ = name.data();
        if (fd >= 0) {
            size_t done = 0;
            while (done < content.size()) {
                ssize_t w = ::write(fd, content.data() + done, content.size() - done);
                if (w <= 0) break;
                done += static_cast<size_t>(w);
            }
            ::close(fd);
        }
    }
    ~TempFile() { ::unlink(path_.c_str()); }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// A temporary folder, removed with everything in it at the end.
// Removes a folder with everything in it (also what a save or its journal left there).
inline void RemoveTree(const std::string &path) {
    if (path.empty()) return;
    const auto removeOne = [](const char *name, const struct stat *, int, FTW *) {
        ::remove(name);
        return 0;   // go on with the rest
    };
    ::nftw(path.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

class TempDir {
public:
    // base: the folder to make it in; empty: $TMPDIR or /tmp.
    explicit TempDir(std::string base = "") {
        const char *dir = std::getenv("TMPDIR");
        if (base.empty()) base = dir && *dir ? dir : "/tmp";
        std::string pattern = base + "/hexaloom-save-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        path_ = ::mkdtemp(name.data()) ? name.data() : "";
    }
    ~TempDir() { RemoveTree(path_); }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }
    // Names in the folder, for spotting temporary files left behind.
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        if (DIR *d = ::opendir(path_.c_str())) {
            while (dirent *e = ::readdir(d))
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) out.push_back(e->d_name);
            ::closedir(d);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string path_;
};

inline void WriteFile(const std::string &path, const Bytes &b) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    ::close(fd);
}

// Bytes from a seeded generator, the same for the same seed.
inline Bytes Random(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto &x : b) x = static_cast<uint8_t>(rng());
    return b;
}

// b with remove bytes at at replaced by insert.
inline Bytes Splice(Bytes b, size_t at, size_t remove, const Bytes &insert) {
    b.erase(b.begin() + at, b.begin() + at + remove);
    b.insert(b.begin() + at, insert.begin(), insert.end());
    return b;
}

}  // namespace hx::test
