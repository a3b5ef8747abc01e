// The fingerprint computation as the tool runs it (range walk, slices of at
// most 4 MiB, progress arithmetic and the poll for pending events between
// slices; no window is waited for) next to a library over one buffer:
//   fingerprint_md5_vs_evp/ours|reference, fingerprint_sha1_vs_evp/ours|reference,
//   fingerprint_sha256_vs_evp/ours|reference
//       ours: the whole of a 256 MiB in-memory document (4,000,000-byte chunks);
//       reference: EVP_Digest of the same bytes in one contiguous buffer.
//   fingerprint_xxh3_vs_lib/ours|reference
//       ours: XXH3 (64-bit) of the same document through the tool;
//       reference: one XXH3_64bits call over the buffer.
//   fingerprint_crc32_vs_zlib/ours|reference, fingerprint_adler32_vs_zlib/ours|reference
//       ours: the same document through the tool (libdeflate underneath);
//       reference: zlib's crc32 / adler32 over the one buffer, the common choice.
//   fingerprint_file_crc32_vs_read/ours|reference
//       ours: CRC32 of a document on a 1 GiB file already in the page cache
//       (the walk reads the file a piece at a time and loads no chunk);
//       reference: a plain loop of 4 MiB read() calls over the same file that
//       does nothing with the bytes.
// The file goes to $HEXALOOM_BENCH_DIR, else /dev/shm, else $TMPDIR or /tmp,
// and is removed at the end.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <xxhash.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/toolwindows/FingerprintWindow.h"
#include "document/Binary.h"
#include "hexview/HexView.h"
#include "tools/AlgorithmRegistry.h"

namespace {

using namespace hx;

constexpr int64_t kDocumentBytes = int64_t(256) << 20;
constexpr int64_t kFileBytes = int64_t(1) << 30;
constexpr int64_t kReadPiece = int64_t(4) << 20;

std::string Folder() {
    if (const char *dir = std::getenv("HEXALOOM_BENCH_DIR"); dir && *dir) return dir;
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char *dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

std::vector<uint8_t> RandomBytes(int64_t n) {
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    std::mt19937_64 random(42);
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const uint64_t v = random();
        std::memcpy(bytes.data() + i, &v, 8);
    }
    return bytes;
}

// The 256 MiB of bytes, once as one buffer and once as a document.
struct MemoryCase {
    std::vector<uint8_t> buffer = RandomBytes(kDocumentBytes);
    Binary *store = nullptr;

    MemoryCase() {
        RegisterBuiltinAlgorithms();
        store = CreateBinary(-1, EditorChunkLength);
        if (store && InsertBinary(store, 0, buffer.data(), kDocumentBytes) != BinaryOk) {
            FreeBinary(store);
            store = nullptr;
        }
    }
    ~MemoryCase() { FreeBinary(store); }
};

MemoryCase &Memory() {
    static MemoryCase c;
    return c;
}

// A file of 1 GiB of random bytes, written once (so it is in the page cache)
// and removed at exit.
struct FileCase {
    std::string path = Folder() + "/hexaloom-bench-" + std::to_string(::getpid()) + "-fingerprint.bin";
    bool ok = false;

    FileCase() {
        RegisterBuiltinAlgorithms();
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return;
        const std::vector<uint8_t> piece = RandomBytes(kReadPiece);
        ok = true;
        for (int64_t done = 0; ok && done < kFileBytes; done += kReadPiece)
            ok = ::write(fd, piece.data(), piece.size()) == static_cast<ssize_t>(piece.size());
        ::close(fd);
    }
    ~FileCase() { ::unlink(path.c_str()); }
};

FileCase &File() {
    static FileCase c;
    return c;
}

// What the tool hands RunOverRange: its window, Cancel button and progress bar.
ToolRun ToolLikeRun() {
    ToolRun run;
    run.window = FingerprintWindowNumber;
    run.cancelButton = FingerprintCancelButton;
    run.progressBar = FingerprintProgressBar;
    return run;
}

void Ours(benchmark::State &state, const char *name) {
    MemoryCase &m = Memory();
    const AlgorithmRecord *record = FingerprintRegistry().find(name);
    if (!m.store || !record) {
        state.SkipWithError("no document");
        return;
    }
    for (auto _ : state) {
        FingerprintOutcome outcome = FingerprintOfRange(*record, m.store, 0, kDocumentBytes, ToolLikeRun());
        if (outcome.result != ToolRunResult::Done) state.SkipWithError("walk failed");
        benchmark::DoNotOptimize(outcome.digest.data());
    }
    state.SetBytesProcessed(state.iterations() * kDocumentBytes);
}

void Evp(benchmark::State &state, const EVP_MD *(*md)()) {
    MemoryCase &m = Memory();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    for (auto _ : state) {
        EVP_Digest(m.buffer.data(), m.buffer.size(), digest, &size, md(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * kDocumentBytes);
}

void Zlib(benchmark::State &state, uLong (*sum)(uLong, const Bytef *, uInt), uLong initial) {
    MemoryCase &m = Memory();
    for (auto _ : state) {
        uLong v = sum(initial, m.buffer.data(), static_cast<uInt>(m.buffer.size()));
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(state.iterations() * kDocumentBytes);
}

void BM_Xxh3Reference(benchmark::State &state) {
    MemoryCase &m = Memory();
    for (auto _ : state) {
        XXH64_hash_t v = XXH3_64bits(m.buffer.data(), m.buffer.size());
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(state.iterations() * kDocumentBytes);
}

void BM_Md5Ours(benchmark::State &state) { Ours(state, "MD5"); }
void BM_Md5Reference(benchmark::State &state) { Evp(state, EVP_md5); }
void BM_Sha1Ours(benchmark::State &state) { Ours(state, "SHA1"); }
void BM_Sha1Reference(benchmark::State &state) { Evp(state, EVP_sha1); }
void BM_Sha256Ours(benchmark::State &state) { Ours(state, "SHA256"); }
void BM_Sha256Reference(benchmark::State &state) { Evp(state, EVP_sha256); }
void BM_Xxh3Ours(benchmark::State &state) { Ours(state, "XXH3"); }
void BM_Crc32Ours(benchmark::State &state) { Ours(state, "CRC32"); }
void BM_Crc32Reference(benchmark::State &state) { Zlib(state, crc32, 0); }
void BM_Adler32Ours(benchmark::State &state) { Ours(state, "Adler32"); }
void BM_Adler32Reference(benchmark::State &state) { Zlib(state, adler32, 1); }

void BM_FileCrc32Ours(benchmark::State &state) {
    FileCase &f = File();
    const AlgorithmRecord *record = FingerprintRegistry().find("CRC32");
    Binary *store = f.ok ? OpenBinary(-1, f.path, EditorChunkLength) : nullptr;
    if (!store || !record || store->Length != kFileBytes) {
        FreeBinary(store);
        state.SkipWithError("no file");
        return;
    }
    for (auto _ : state) {
        FingerprintOutcome outcome = FingerprintOfRange(*record, store, 0, kFileBytes, ToolLikeRun());
        if (outcome.result != ToolRunResult::Done) state.SkipWithError("walk failed");
        benchmark::DoNotOptimize(outcome.digest.data());
    }
    // Memory stays flat: the walk keeps no chunk it read.
    state.counters["cached_bytes"] = static_cast<double>(GetBinaryCacheSize(store));
    state.SetBytesProcessed(state.iterations() * kFileBytes);
    FreeBinary(store);
}

void BM_FileCrc32Reference(benchmark::State &state) {
    FileCase &f = File();
    int fd = f.ok ? ::open(f.path.c_str(), O_RDONLY) : -1;
    if (fd < 0) {
        state.SkipWithError("no file");
        return;
    }
    std::vector<uint8_t> piece(static_cast<size_t>(kReadPiece));
    for (auto _ : state) {
        ::lseek(fd, 0, SEEK_SET);
        int64_t total = 0;
        for (ssize_t got; (got = ::read(fd, piece.data(), piece.size())) > 0;) total += got;
        if (total != kFileBytes) state.SkipWithError("short read");
        benchmark::DoNotOptimize(piece.data());
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
    ::close(fd);
}

BENCHMARK(BM_Md5Ours)->Name("fingerprint_md5_vs_evp/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md5Reference)->Name("fingerprint_md5_vs_evp/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sha1Ours)->Name("fingerprint_sha1_vs_evp/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sha1Reference)->Name("fingerprint_sha1_vs_evp/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sha256Ours)->Name("fingerprint_sha256_vs_evp/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sha256Reference)->Name("fingerprint_sha256_vs_evp/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xxh3Ours)->Name("fingerprint_xxh3_vs_lib/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xxh3Reference)->Name("fingerprint_xxh3_vs_lib/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crc32Ours)->Name("fingerprint_crc32_vs_zlib/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crc32Reference)->Name("fingerprint_crc32_vs_zlib/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Adler32Ours)->Name("fingerprint_adler32_vs_zlib/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Adler32Reference)->Name("fingerprint_adler32_vs_zlib/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileCrc32Ours)->Name("fingerprint_file_crc32_vs_read/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileCrc32Reference)->Name("fingerprint_file_crc32_vs_read/reference")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
