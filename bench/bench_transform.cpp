// The transformations as the tool runs them, next to the same work over one
// contiguous buffer:
//   xor_vs_loop/ours|reference
//       ours: XOr with the 4-byte mask FF FF FF FF over a 96 MiB in-memory
//       document: the range walk in slices, Process, and the replace into the
//       document as one history entry, which takes over the blocks Process
//       returned as its chunks and keeps the old chunks for undo;
//       reference: a plain loop XOR-ing the 96 MiB buffer into a second one.
//       The document and its output stay within the edits' memory budget
//       (256 MiB; Base64's output is a third longer): these pairs measure
//       the work in memory. An output beyond the budget goes to the scratch
//       file, which xor_file_vs_loop measures.
//   aes_cbc_decrypt_vs_evp/ours|reference, aes_ecb_encrypt_vs_evp/ours|reference
//       ours: AES-128 over the document as above;
//       reference: one EVP_CipherUpdate over the buffer into a second one.
//   base64_encode_vs_evp/ours|reference
//       ours: the Base64 encoder over the document as above (the document
//       grows by a third);
//       reference: EVP_EncodeBlock over the buffer into a second one.
// After each of our runs the edit is undone and forgotten outside the timing,
// so every run starts from the same document and the same memory in use. The references' output buffers are touched
// once before timing, as the document's memory is.
//   xor_file_vs_loop/ours|reference
//       ours: XOr over all of a document on a 1 GiB file that is in the page
//       cache, through the tool's run: the walk, the output kept in memory
//       up to the edits' budget and written to the scratch file beyond it,
//       and the replace into the history (the file's chunks leave as
//       references); undone and forgotten outside the timing.
//       reference: a loop that reads the file in 4 MiB pieces, XORs them and
//       writes them into a temporary file.
//       Counter memory_xor_1g_peak_mib: how much the peak resident memory
//       grew during our run, in MiB (bench/run prints it as "memory ...").

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/toolwindows/ToolRun.h"
#include "app/toolwindows/TransformationWindow.h"
#include "document/Document.h"
#include "platform/Platform.h"
#include "tools/AlgorithmRegistry.h"
#include "tools/Transformations.h"
#include "ToolBench.h"

namespace {

constexpr int64_t kBytes = int64_t(96) << 20;
constexpr int64_t kChunk = 4000000;

std::vector<uint8_t> &Source() {
    static std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(static_cast<size_t>(kBytes));
        uint64_t x = 0x9E3779B97F4A7C15ull;
        for (size_t i = 0; i + 8 <= b.size(); i += 8) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            std::memcpy(b.data() + i, &x, 8);
        }
        return b;
    }();
    return bytes;
}

// The range walk serves window events between slices, so the platform is up.
void Platform() {
    static const bool up = (hxbench::StartPlatform("bench_transform"), hx::RegisterBuiltinAlgorithms(), true);
    (void)up;
}

hx::TransformParameters Parameters(const char *name) {
    hx::TransformParameters p;
    static const uint8_t key[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                    0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
    static const uint8_t mask[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    const std::string n = name;
    if (n == "XOr") p.Parameter1 = hx::ByteBuffer::copyOf(mask, 4);
    if (n == "AESDecoder" || n == "AESEncoder") {
        p.Parameter1 = hx::ByteBuffer::copyOf(key, 16);
        p.Parameter2 = hx::ByteBuffer::zeroed(16);
        p.Mode = n == "AESDecoder" ? hx::AesChaining | hx::AesDecode : hx::AesCodeBook | hx::AesEncode;
    }
    return p;
}

void Ours(benchmark::State &state, const char *name) {
    Platform();
    hxbench::BenchDocument bench(Source().data(), kBytes, kChunk);   // 96 MiB in memory
    const hx::AlgorithmRecord *record = hx::TransformationRegistry().find(name);
    hx::ToolRun events;   // no window: every pending event is dropped
    for (auto _ : state) {
        hx::TransformParameters p = Parameters(name);
        const hx::TransformationOutcome outcome = hx::RunTransformation(bench.doc, *record, p, 0, kBytes, events);
        state.PauseTiming();
        if (outcome.result != hx::TransformationResult::Written) return state.SkipWithError("run failed");
        bench.UndoAndForget();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

std::vector<uint8_t> &Target(int64_t n) {
    static std::vector<uint8_t> out;
    if (static_cast<int64_t>(out.size()) < n) out.assign(static_cast<size_t>(n), 1);
    return out;
}

void XorOurs(benchmark::State &state) { Ours(state, "XOr"); }
void AesCbcDecryptOurs(benchmark::State &state) { Ours(state, "AESDecoder"); }
void AesEcbEncryptOurs(benchmark::State &state) { Ours(state, "AESEncoder"); }
void Base64EncodeOurs(benchmark::State &state) { Ours(state, "Base64Encoder"); }

void XorReference(benchmark::State &state) {
    const std::vector<uint8_t> &in = Source();
    std::vector<uint8_t> &out = Target(kBytes);
    const uint32_t mask = 0xFFFFFFFFu;
    for (auto _ : state) {
        for (int64_t i = 0; i + 4 <= kBytes; i += 4) {
            uint32_t w;
            std::memcpy(&w, in.data() + i, 4);
            w ^= mask;
            std::memcpy(out.data() + i, &w, 4);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void AesReference(benchmark::State &state, const EVP_CIPHER *cipher, int encrypt) {
    static const uint8_t key[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                    0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
    static const uint8_t vector[16] = {};
    const std::vector<uint8_t> &in = Source();
    std::vector<uint8_t> &out = Target(kBytes + 16);
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    for (auto _ : state) {
        EVP_CipherInit_ex(context, cipher, nullptr, key, vector, encrypt);
        EVP_CIPHER_CTX_set_padding(context, 0);
        int written = 0;
        EVP_CipherUpdate(context, out.data(), &written, in.data(), static_cast<int>(kBytes));
        benchmark::DoNotOptimize(written);
    }
    EVP_CIPHER_CTX_free(context);
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void AesCbcDecryptReference(benchmark::State &state) { AesReference(state, EVP_aes_128_cbc(), 0); }
void AesEcbEncryptReference(benchmark::State &state) { AesReference(state, EVP_aes_128_ecb(), 1); }

void Base64EncodeReference(benchmark::State &state) {
    const std::vector<uint8_t> &in = Source();
    std::vector<uint8_t> &out = Target(hx::Base64EncodedLength(kBytes) + 1);
    for (auto _ : state) {
        const int n = EVP_EncodeBlock(out.data(), in.data(), static_cast<int>(kBytes));
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

// ---- XOr of a file document ------------------------------------------------

constexpr int64_t kFileBytes = int64_t(1) << 30;
constexpr int64_t kPiece = int64_t(4) << 20;

// A 1 GiB file of varied bytes in the temporary folder, read once so that it
// is in the page cache; removed at exit.
class GigFile {
public:
    GigFile() {
        const char *dir = std::getenv("TMPDIR");
        path_ = std::string(dir && *dir ? dir : "/tmp") + "/hexaloom-bench-xor-" + std::to_string(::getpid());
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) std::abort();
        const std::vector<uint8_t> &bytes = Source();
        for (int64_t at = 0; at < kFileBytes; at += kBytes) {
            const int64_t n = std::min(kBytes, kFileBytes - at);
            if (::pwrite(fd, bytes.data(), n, at) != n) std::abort();
        }
        ::close(fd);
    }
    ~GigFile() { ::unlink(path_.c_str()); }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

const std::string &XorFilePath() {
    static GigFile file;
    return file.path();
}

int64_t StatusKib(const char *key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::strlen(key));
    return -1;
}

void XorFileOurs(benchmark::State &state) {
    Platform();
    const hx::AlgorithmRecord *record = hx::TransformationRegistry().find("XOr");
    hx::ToolRun events;
    double peakGrowth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        hx::Document doc;
        doc.Store = hx::OpenBinary(-1, XorFilePath(), kChunk);
        doc.Hist = hx::CreateHistory(-1, 67108864);
        hx::TransformParameters p = Parameters("XOr");
        // The peak from here on: clear_refs 5 sets it to what is resident now.
        { std::ofstream("/proc/self/clear_refs") << "5"; }
        const int64_t before = StatusKib("VmRSS:");
        state.ResumeTiming();
        const hx::TransformationOutcome outcome = hx::RunTransformation(doc, *record, p, 0, kFileBytes, events);
        state.PauseTiming();
        peakGrowth = std::max(peakGrowth, double(StatusKib("VmHWM:") - before) / 1024.0);
        const bool written = outcome.result == hx::TransformationResult::Written;
        hx::FreeHistory(doc.Hist);
        hx::FreeBinary(doc.Store);
        state.ResumeTiming();
        if (!written) return state.SkipWithError("run failed");
    }
    state.counters["memory_xor_1g_peak_mib"] = peakGrowth;
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

void XorFileReference(benchmark::State &state) {
    const std::string &path = XorFilePath();
    std::vector<uint8_t> piece(static_cast<size_t>(kPiece));
    const uint32_t mask = 0xFFFFFFFFu;
    for (auto _ : state) {
        const int in = ::open(path.c_str(), O_RDONLY);
        const char *dir = std::getenv("TMPDIR");
        const int out = ::open(dir && *dir ? dir : "/tmp", O_TMPFILE | O_RDWR, 0600);
        if (in < 0 || out < 0) return state.SkipWithError("cannot open the files");
        for (int64_t at = 0; at < kFileBytes; at += kPiece) {
            const ssize_t n = ::pread(in, piece.data(), kPiece, at);
            if (n != kPiece) return state.SkipWithError("short read");
            for (int64_t i = 0; i < n; i += 4) {
                uint32_t w;
                std::memcpy(&w, piece.data() + i, 4);
                w ^= mask;
                std::memcpy(piece.data() + i, &w, 4);
            }
            if (::pwrite(out, piece.data(), n, at) != n) return state.SkipWithError("short write");
        }
        ::close(in);
        ::close(out);
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}

#define PAIR(NAME, OURS, REFERENCE)                                                                     \
    BENCHMARK(OURS)->Name(NAME "/ours")->Unit(benchmark::kMillisecond)->Iterations(1);    \
    BENCHMARK(REFERENCE)->Name(NAME "/reference")->Unit(benchmark::kMillisecond)->Iterations(1)

PAIR("xor_vs_loop", XorOurs, XorReference);
PAIR("aes_cbc_decrypt_vs_evp", AesCbcDecryptOurs, AesCbcDecryptReference);
PAIR("aes_ecb_encrypt_vs_evp", AesEcbEncryptOurs, AesEcbEncryptReference);
PAIR("base64_encode_vs_evp", Base64EncodeOurs, Base64EncodeReference);
PAIR("xor_file_vs_loop", XorFileOurs, XorFileReference);

}  // namespace

int main(int argc, char **argv) { return hxbench::Main(argc, argv); }
