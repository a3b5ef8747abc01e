// bench-links: hx_document
//
// The byte store next to plain contiguous memory doing the same work:
//   find_vs_memmem/ours|reference  FindBinary of an absent 16-byte pattern over
//                                  512 MiB of in-memory chunks, memmem over one
//                                  contiguous 512 MiB buffer with the same bytes.
//   walk_vs_loop/ours|reference    a range walk that adds up every byte, the
//                                  same loop over the contiguous buffer.
// and two figures without a reference:
//   open_1TiB                      OpenBinary of a 1 TiB sparse file; counters:
//                                  chunks, bytes per chunk record, file bytes read.
//   edits_16GiB                    10,000 single-byte inserts and removes at
//                                  random places of a 16 GiB sparse file; counters:
//                                  median and 90th percentile per edit, chunks.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document/Binary.h"

namespace {

using hx::Binary;

constexpr int64_t kL = 4000000;
constexpr int64_t kSearchBytes = int64_t(512) << 20;

// One contiguous buffer and a store holding the same bytes in chunks, made once.
struct SearchData {
    hx::ByteBuffer flat;
    Binary *store = nullptr;
    uint8_t pattern[16] = {};

    SearchData() {
        flat = hx::ByteBuffer::uninitialised(kSearchBytes, kSearchBytes);
        uint64_t x = 0x9E3779B97F4A7C15ull;
        for (int64_t i = 0; i < kSearchBytes; i += 8) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            std::memcpy(flat.data() + i, &x, 8);
        }
        for (int attempt = 0;; ++attempt) {
            for (int i = 0; i < 16; ++i) pattern[i] = static_cast<uint8_t>(i * 37 + attempt * 11 + 5);
            if (!memmem(flat.data(), kSearchBytes, pattern, 16)) break;
        }
        store = hx::CreateBinary(-1, kL);
        if (hx::InsertBinary(store, 0, flat.data(), kSearchBytes) != hx::BinaryOk) std::abort();
    }
};

SearchData &Search() {
    static SearchData data;
    return data;
}

// The work both walk benchmarks do on every byte.
__attribute__((noinline)) uint64_t Touch(const uint8_t *p, int64_t n) {
    uint64_t sum = 0;
    for (int64_t i = 0; i < n; ++i) sum += p[i];
    return sum;
}

void FindOurs(benchmark::State &state) {
    SearchData &d = Search();
    for (auto _ : state) {
        int64_t at = hx::FindBinary(d.store, d.pattern, 16, 0);
        if (at != -1) state.SkipWithError("pattern found");
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(state.iterations() * kSearchBytes);
}

void FindReference(benchmark::State &state) {
    SearchData &d = Search();
    for (auto _ : state) {
        const void *at = memmem(d.flat.data(), kSearchBytes, d.pattern, 16);
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(state.iterations() * kSearchBytes);
}

void WalkOurs(benchmark::State &state) {
    SearchData &d = Search();
    for (auto _ : state) {
        uint64_t sum = 0;
        hx::ExamineBinary(d.store, 0, d.store->Length);
        while (hx::NextBinaryBlock(d.store))
            sum += Touch(hx::BinaryBlockBuffer(d.store), hx::BinaryBlockLength(d.store));
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * kSearchBytes);
}

void WalkReference(benchmark::State &state) {
    SearchData &d = Search();
    for (auto _ : state) {
        uint64_t sum = Touch(d.flat.data(), kSearchBytes);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * kSearchBytes);
}

// A sparse temporary file of the given length, removed at exit.
struct SparseFile {
    std::string path;
    explicit SparseFile(int64_t length) {
        const char *dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/hexaloom-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        int fd = ::mkstemp(name.data());
        path = name.data();
        if (fd < 0 || ::ftruncate(fd, length) != 0) path.clear();
        if (fd >= 0) ::close(fd);
    }
    ~SparseFile() {
        if (!path.empty()) ::unlink(path.c_str());
    }
};

// Bytes this process has read through read-like calls so far.
int64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    int64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

void Open1TiB(benchmark::State &state) {
    static SparseFile file(int64_t(1) << 40);
    if (file.path.empty()) return state.SkipWithError("no sparse 1 TiB file here");
    int64_t chunks = 0;
    double perChunk = 0;
    int64_t fileBytesRead = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const int64_t heapBefore = static_cast<int64_t>(mallinfo2().uordblks);
        const int64_t readBefore = BytesRead();
        const int64_t readBaseline = BytesRead() - readBefore;   // the cost of asking
        state.ResumeTiming();
        Binary *s = hx::OpenBinary(-1, file.path, kL);
        state.PauseTiming();
        fileBytesRead = BytesRead() - readBefore - 2 * readBaseline;
        chunks = static_cast<int64_t>(s->Chunks.size());
        perChunk = double(static_cast<int64_t>(mallinfo2().uordblks) - heapBefore) / double(chunks);
        hx::FreeBinary(s);
        state.ResumeTiming();
    }
    state.counters["chunks"] = double(chunks);
    state.counters["bytes_per_chunk"] = perChunk;
    state.counters["file_bytes_read"] = double(std::max<int64_t>(fileBytesRead, 0));
}

// Every edit of the program loads its chunk and keeps it (it is modified), so
// 10,000 edits at fully random places would hold most of a 16 GiB file in
// memory. The edits go to random places inside 128 chunks chosen at random
// over the whole file (512 MB held); the list still has all 4,295 chunks.
void Edits16GiB(benchmark::State &state) {
    static SparseFile file(int64_t(16) << 30);
    if (file.path.empty()) return state.SkipWithError("no sparse 16 GiB file here");
    std::vector<double> times;
    int64_t chunks = 0;
    for (auto _ : state) {
        Binary *s = hx::OpenBinary(-1, file.path, kL);
        std::mt19937_64 rng(42);
        const int64_t count = static_cast<int64_t>(s->Chunks.size());
        std::vector<int64_t> chosen(128);
        for (auto &c : chosen) c = std::uniform_int_distribution<int64_t>(0, count - 2)(rng);
        times.clear();
        const uint8_t byte = 0x5A;
        double total = 0;
        for (int i = 0; i < 10000; ++i) {
            const int64_t chunk = chosen[static_cast<size_t>(i) % chosen.size()];
            const int64_t at = chunk * kL + std::uniform_int_distribution<int64_t>(0, kL - 1)(rng);
            const auto t0 = std::chrono::steady_clock::now();
            if (i % 2 == 0) hx::InsertBinary(s, at, &byte, 1);
            else hx::RemoveBinary(s, at, 1);
            const auto t1 = std::chrono::steady_clock::now();
            const double dt = std::chrono::duration<double>(t1 - t0).count();
            times.push_back(dt);
            total += dt;
        }
        chunks = static_cast<int64_t>(s->Chunks.size());
        hx::FreeBinary(s);
        state.SetIterationTime(total);
    }
    std::sort(times.begin(), times.end());
    state.counters["median_us"] = times[times.size() / 2] * 1e6;
    state.counters["p90_us"] = times[times.size() * 9 / 10] * 1e6;
    state.counters["max_us"] = times.back() * 1e6;
    state.counters["chunks"] = double(chunks);
}

}  // namespace

BENCHMARK(FindOurs)->Name("find_vs_memmem/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FindReference)->Name("find_vs_memmem/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(WalkOurs)->Name("walk_vs_loop/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(WalkReference)->Name("walk_vs_loop/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(Open1TiB)->Name("open_1TiB")->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Edits16GiB)->Name("edits_16GiB")->Unit(benchmark::kMillisecond)
    ->UseManualTime()->Iterations(1)->Repetitions(1);

BENCHMARK_MAIN();
