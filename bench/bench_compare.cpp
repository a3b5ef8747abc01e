// bench-links: hx_tools
// The comparison of two documents next to the plainest code for the same work:
//   compare_vs_memcmp/ours|reference
//       ours: the whole difference list of two documents on 1 GiB files in the
//       page cache that differ in 1,000 scattered bytes, computed as the
//       compare window computes it (the session's work, through the stores'
//       range walks, 4 MiB at a time);
//       reference: a loop of 4 MiB read() calls on both files with memcmp of
//       each pair of blocks, and where a pair differs, memcmp of its 4 KiB
//       pieces and a byte scan only of the pieces that differ.
//   compare_first_screen_16g/ours|reference
//       the time from starting a comparison to the marks of the first screen
//       (1 KiB of each side, as the views ask for them at their first
//       redraw), on two 16 GiB sparse documents (ours) and on two 1 MiB
//       documents (reference): the marks must not wait for the list, so the
//       size of the documents should not matter.
// The files go to $HEXALOOM_BENCH_DIR, else /dev/shm, else $TMPDIR or /tmp,
// and are removed at the end.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "tools/CompareSession.h"

namespace {

using namespace hx;

constexpr int64_t kChunkLength = 4000000;   // the editor's chunk length
constexpr int64_t kFileBytes = int64_t(1) << 30;
constexpr int64_t kReadPiece = int64_t(4) << 20;
constexpr int kChangedBytes = 1000;
constexpr ssize_t kScanPiece = 4096;
constexpr int64_t kScreen = 1024;

std::string Folder() {
    if (const char *dir = std::getenv("HEXALOOM_BENCH_DIR"); dir && *dir) return dir;
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char *dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

std::string PathFor(const char *name) {
    return Folder() + "/hexaloom-bench-" + std::to_string(::getpid()) + "-compare-" + name;
}

bool WriteAt(int fd, const void *bytes, int64_t n, int64_t offset) {
    return ::pwrite(fd, bytes, static_cast<size_t>(n), offset) == static_cast<ssize_t>(n);
}

// Two 1 GiB files of random bytes, the second with 1,000 bytes changed at
// random places; written once, so that they are in the page cache.
struct FilePair {
    std::string a = PathFor("a.bin"), b = PathFor("b.bin");
    bool ok = true;

    FilePair() {
        std::mt19937_64 random(29);
        std::vector<uint8_t> piece(static_cast<size_t>(kReadPiece));
        const int fa = ::open(a.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        const int fb = ::open(b.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ok = fa >= 0 && fb >= 0;
        for (int64_t done = 0; ok && done < kFileBytes; done += kReadPiece) {
            for (size_t i = 0; i + 8 <= piece.size(); i += 8) {
                const uint64_t v = random();
                std::memcpy(piece.data() + i, &v, 8);
            }
            ok = WriteAt(fa, piece.data(), kReadPiece, done) && WriteAt(fb, piece.data(), kReadPiece, done);
        }
        for (int k = 0; ok && k < kChangedBytes; ++k) {
            const int64_t at = static_cast<int64_t>(random() % kFileBytes);
            uint8_t byte = 0;
            ok = ::pread(fb, &byte, 1, at) == 1;
            byte ^= 0xA5;
            ok = ok && WriteAt(fb, &byte, 1, at);
        }
        if (fa >= 0) ::close(fa);
        if (fb >= 0) ::close(fb);
    }
    ~FilePair() {
        ::unlink(a.c_str());
        ::unlink(b.c_str());
    }
};

FilePair &Files() {
    static FilePair pair;
    return pair;
}

void BM_CompareOurs(benchmark::State &state) {
    FilePair &f = Files();
    Binary *a = f.ok ? OpenBinary(-1, f.a, kChunkLength) : nullptr;
    Binary *b = f.ok ? OpenBinary(-1, f.b, kChunkLength) : nullptr;
    if (!a || !b || a->Length != kFileBytes || b->Length != kFileBytes) {
        FreeBinary(a);
        FreeBinary(b);
        state.SkipWithError("no files");
        return;
    }
    int64_t ranges = 0;
    for (auto _ : state) {
        CompareSession session(a, b);
        while (session.work(std::chrono::hours(1))) {
        }
        if (!session.complete()) state.SkipWithError("comparison failed");
        ranges = session.count();
        benchmark::DoNotOptimize(session.ranges().data());
    }
    state.counters["ranges"] = static_cast<double>(ranges);
    // The walk keeps no chunk it read: memory stays flat.
    state.counters["cached_bytes"] = static_cast<double>(GetBinaryCacheSize(a) + GetBinaryCacheSize(b));
    state.SetBytesProcessed(state.iterations() * kFileBytes * 2);
    FreeBinary(a);
    FreeBinary(b);
}

void BM_CompareReference(benchmark::State &state) {
    FilePair &f = Files();
    const int fa = f.ok ? ::open(f.a.c_str(), O_RDONLY) : -1;
    const int fb = f.ok ? ::open(f.b.c_str(), O_RDONLY) : -1;
    if (fa < 0 || fb < 0) {
        if (fa >= 0) ::close(fa);
        if (fb >= 0) ::close(fb);
        state.SkipWithError("no files");
        return;
    }
    std::vector<uint8_t> pa(static_cast<size_t>(kReadPiece)), pb(static_cast<size_t>(kReadPiece));
    int64_t differing = 0;
    for (auto _ : state) {
        ::lseek(fa, 0, SEEK_SET);
        ::lseek(fb, 0, SEEK_SET);
        differing = 0;
        for (;;) {
            const ssize_t na = ::read(fa, pa.data(), pa.size()), nb = ::read(fb, pb.data(), pb.size());
            if (na <= 0 || na != nb) break;
            if (std::memcmp(pa.data(), pb.data(), static_cast<size_t>(na)) == 0) continue;
            // Narrowed down by memcmp of 4 KiB pieces: a scan of every byte of a
            // differing 4 MiB block would make this side slow for no reason.
            for (ssize_t p = 0; p < na; p += kScanPiece) {
                const ssize_t n = std::min<ssize_t>(kScanPiece, na - p);
                if (std::memcmp(pa.data() + p, pb.data() + p, static_cast<size_t>(n)) == 0) continue;
                for (ssize_t i = p; i < p + n; ++i) differing += pa[i] != pb[i];
            }
        }
        benchmark::DoNotOptimize(differing);
    }
    state.counters["differing_bytes"] = static_cast<double>(differing);
    state.SetBytesProcessed(state.iterations() * kFileBytes * 2);
    ::close(fa);
    ::close(fb);
}

// Two sparse documents of length bytes whose first screen differs in a few bytes.
struct SparsePair {
    std::string a, b;
    bool ok = true;

    explicit SparsePair(int64_t length, const char *name)
        : a(PathFor((std::string(name) + "-a.bin").c_str())), b(PathFor((std::string(name) + "-b.bin").c_str())) {
        for (const std::string *path : {&a, &b}) {
            const int fd = ::open(path->c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
            const char text[] = "first screen";
            ok = ok && fd >= 0 && ::ftruncate(fd, length) == 0 && WriteAt(fd, text, path == &a ? 5 : 12, 100);
            if (fd >= 0) ::close(fd);
        }
    }
    ~SparsePair() {
        ::unlink(a.c_str());
        ::unlink(b.c_str());
    }
};

void FirstScreen(benchmark::State &state, int64_t length, const char *name) {
    SparsePair pair(length, name);
    Binary *a = pair.ok ? OpenBinary(-1, pair.a, kChunkLength) : nullptr;
    Binary *b = pair.ok ? OpenBinary(-1, pair.b, kChunkLength) : nullptr;
    if (!a || !b || a->Length != length) {
        FreeBinary(a);
        FreeBinary(b);
        state.SkipWithError("no files");
        return;
    }
    std::vector<CompareMark> marks;
    size_t count = 0;
    for (auto _ : state) {
        CompareSession session(a, b);
        session.marks(0, 0, kScreen, marks);
        count = marks.size();
        session.marks(1, 0, kScreen, marks);
        count += marks.size();
        benchmark::DoNotOptimize(marks.data());
    }
    if (count != 2) state.SkipWithError("wrong marks");
    FreeBinary(a);
    FreeBinary(b);
}

void BM_FirstScreenOurs(benchmark::State &state) { FirstScreen(state, int64_t(16) << 30, "16g"); }
void BM_FirstScreenReference(benchmark::State &state) { FirstScreen(state, int64_t(1) << 20, "1m"); }

BENCHMARK(BM_CompareOurs)->Name("compare_vs_memcmp/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareReference)->Name("compare_vs_memcmp/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstScreenOurs)->Name("compare_first_screen_16g/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstScreenReference)->Name("compare_first_screen_16g/reference")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
