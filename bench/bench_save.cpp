// bench-links: hx_document
//
// Saving in place next to plain file I/O doing the same work:
//   save_shift_vs_copy/ours|reference
//       ours: save in place after inserting 1 byte at offset 0 of a 1 GiB file
//       (every chunk moves: read ahead, rewrite, flush);
//       reference: copying the same file to a new one with a plain 4 MiB
//       read-write loop, then one flush.
//   save_onebyte_vs_write/ours|reference
//       ours: save in place after changing one byte near the end of a 4 GiB
//       sparse file (in its last full chunk); counter bytes_written (what the save handed to write(),
//       from /proc/self/io; at most 2 x the chunk length);
//       reference: one plain write of 4,000,000 bytes at the same place, then
//       one flush.
// A save ends with a flush, so both references flush too: the comparison is
// of the same durable work. Files go to $HEXALOOM_BENCH_DIR, else /dev/shm,
// else $TMPDIR or /tmp, and are removed at the end. Only the save or the copy
// is timed, not opening and editing.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "document/Save.h"

namespace {

constexpr int64_t kL = 4000000;
constexpr int64_t kShiftBytes = int64_t(1) << 30;
constexpr int64_t kSparseBytes = int64_t(4) << 30;
constexpr int64_t kCopyPiece = int64_t(4) << 20;
// The changed byte lies in the middle of the last full chunk of the sparse
// file's layout, so the save rewrites exactly one chunk of L bytes.
constexpr int64_t kOneByteChunk = kSparseBytes / kL - 1;
constexpr int64_t kOneByteAt = kOneByteChunk * kL + kL / 2;

// A memory file system when there is one: on a disk the flushes' latency
// varies far more between runs than the work compared here does.
std::string Folder() {
    if (const char *dir = std::getenv("HEXALOOM_BENCH_DIR"); dir && *dir) return dir;
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char *dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

// Bytes this process handed to write() and friends so far.
int64_t BytesWrittenSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    int64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return -1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A file of the given length, made once per run and removed at exit.
struct BenchFile {
    std::string path;
    bool ok = false;

    BenchFile(const std::string &name, int64_t length, bool sparse) {
        path = Folder() + "/hexaloom-bench-" + std::to_string(::getpid()) + "-" + name;
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return;
        if (sparse) {
            ok = ::ftruncate(fd, length) == 0;
        } else {
            std::vector<uint8_t> piece(static_cast<size_t>(kCopyPiece));
            uint64_t x = 0x9E3779B97F4A7C15ull;
            ok = true;
            for (int64_t done = 0; ok && done < length; done += kCopyPiece) {
                for (size_t i = 0; i + 8 <= piece.size(); i += 8) {
                    x ^= x << 13;
                    x ^= x >> 7;
                    x ^= x << 17;
                    std::memcpy(piece.data() + i, &x, 8);
                }
                int64_t n = std::min<int64_t>(kCopyPiece, length - done);
                ok = ::write(fd, piece.data(), static_cast<size_t>(n)) == n;
            }
        }
        ::close(fd);
    }
    ~BenchFile() { ::unlink(path.c_str()); }
};

BenchFile &ShiftFile() {
    static BenchFile file("shift", kShiftBytes, false);
    return file;
}

BenchFile &SparseFile() {
    static BenchFile file("sparse", kSparseBytes, true);
    return file;
}

void SaveShiftOurs(benchmark::State &state) {
    BenchFile &file = ShiftFile();
    if (!file.ok) return state.SkipWithError("cannot make the 1 GiB file");
    for (auto _ : state) {
        hx::Binary *store = hx::OpenBinary(-1, file.path, kL);
        const uint8_t byte = 0x42;
        hx::InsertBinary(store, 0, &byte, 1);
        auto start = std::chrono::steady_clock::now();
        hx::SaveResult r = hx::SaveBinary(store, "");
        state.SetIterationTime(Seconds(start));
        hx::FreeBinary(store);
        if (!r.ok()) return state.SkipWithError("save failed");
    }
}

void SaveShiftReference(benchmark::State &state) {
    BenchFile &file = ShiftFile();
    if (!file.ok) return state.SkipWithError("cannot make the 1 GiB file");
    const std::string copy = file.path + ".copy";
    std::vector<uint8_t> piece(static_cast<size_t>(kCopyPiece));
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int in = ::open(file.path.c_str(), O_RDONLY);
        int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t n;
        bool ok = in >= 0 && out >= 0;
        while (ok && (n = ::read(in, piece.data(), piece.size())) > 0) ok = ::write(out, piece.data(), n) == n;
        ok = ok && ::fsync(out) == 0;
        ::close(in);
        ::close(out);
        state.SetIterationTime(Seconds(start));
        if (!ok) return state.SkipWithError("copy failed");
    }
    ::unlink(copy.c_str());
}

void SaveOneByteOurs(benchmark::State &state) {
    BenchFile &file = SparseFile();
    if (!file.ok) return state.SkipWithError("cannot make the sparse 4 GiB file");
    int64_t written = 0;
    for (auto _ : state) {
        hx::Binary *store = hx::OpenBinary(-1, file.path, kL);
        const uint8_t byte = static_cast<uint8_t>(state.iterations());
        hx::ReplaceBinary(store, kOneByteAt, 1, &byte, 1);
        int64_t before = BytesWrittenSoFar();
        auto start = std::chrono::steady_clock::now();
        hx::SaveResult r = hx::SaveBinary(store, "");
        state.SetIterationTime(Seconds(start));
        written = BytesWrittenSoFar() - before;
        hx::FreeBinary(store);
        if (!r.ok()) return state.SkipWithError("save failed");
    }
    state.counters["bytes_written"] = double(written);
    state.counters["chunk_length"] = double(kL);
}

void SaveOneByteReference(benchmark::State &state) {
    BenchFile &file = SparseFile();
    if (!file.ok) return state.SkipWithError("cannot make the sparse 4 GiB file");
    std::vector<uint8_t> piece(static_cast<size_t>(kL), 0);
    const int64_t at = kOneByteChunk * kL;  // where the save writes the chunk
    for (auto _ : state) {
        int fd = ::open(file.path.c_str(), O_WRONLY);
        piece[0] = static_cast<uint8_t>(state.iterations());
        auto start = std::chrono::steady_clock::now();
        bool ok = fd >= 0 && ::lseek(fd, at, SEEK_SET) == at &&
                  ::write(fd, piece.data(), kL) == kL &&
                  ::fsync(fd) == 0;
        state.SetIterationTime(Seconds(start));
        ::close(fd);
        if (!ok) return state.SkipWithError("write failed");
    }
}

}  // namespace

// Each run of the pair moves 2 GiB through the page cache: three repetitions
// keep the whole bench run short.
BENCHMARK(SaveShiftOurs)->Name("save_shift_vs_copy/ours")->Unit(benchmark::kMillisecond)
    ->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(SaveShiftReference)->Name("save_shift_vs_copy/reference")->Unit(benchmark::kMillisecond)
    ->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(SaveOneByteOurs)->Name("save_onebyte_vs_write/ours")->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(SaveOneByteReference)->Name("save_onebyte_vs_write/reference")
    ->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
