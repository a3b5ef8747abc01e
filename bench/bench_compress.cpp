// The compression tool's run (the range walk in slices with the poll for
// pending events, the codec, the output blocks becoming the document's chunks
// in one history entry) next to one library call over the same bytes in one
// buffer, 64 MiB of mixed data (pieces of text, random bytes, zeros and a
// short repeated pattern, 64 KiB each in turn):
//   zip_compress_vs_lib/ours|reference
//       ours: Zip compress (zlib container) of the whole document at level 1;
//       reference: zlib's compress2 at level 1 into a buffer of compressBound.
//       Level 1 keeps the run short; the ratio is about what the tool adds
//       around the library, which a slower level would only hide.
//   lzma_decompress_vs_lib/ours|reference
//       ours: LZMA decompress of a document holding the .xz of those bytes,
//       with the window's limits (asked above 16 times the input: not reached);
//       reference: lzma_stream_buffer_decode of the same .xz into one buffer.
// After each of our runs the edit is undone and forgotten outside the timing,
// so every run starts from the same document and the same memory in use.

#include <benchmark/benchmark.h>
#include <lzma.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "app/toolwindows/CompressionWindow.h"
#include "app/toolwindows/ToolRun.h"
#include "document/ChunkWriter.h"
#include "document/Document.h"
#include "ToolBench.h"
#include "platform/Platform.h"

namespace {

constexpr int64_t kBytes = int64_t(64) << 20;
constexpr int64_t kChunk = 4000000;
constexpr int64_t kPiece = 64 << 10;

const std::vector<uint8_t> &Mixed() {
    static std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(static_cast<size_t>(kBytes));
        std::mt19937_64 random(17);
        static const char words[] = "the quick brown fox jumps over the lazy dog offset chunk store undo ";
        for (int64_t at = 0; at < kBytes; at += kPiece) {
            uint8_t *p = b.data() + at;
            switch ((at / kPiece) % 4) {
            case 0:
                for (int64_t i = 0; i < kPiece; ++i) p[i] = static_cast<uint8_t>(words[(i * 7 + random() % 3) % (sizeof words - 1)]);
                break;
            case 1:
                for (int64_t i = 0; i < kPiece; i += 8) {
                    const uint64_t v = random();
                    std::memcpy(p + i, &v, 8);
                }
                break;
            case 2: std::memset(p, 0, kPiece); break;
            default:
                for (int64_t i = 0; i < kPiece; ++i) p[i] = static_cast<uint8_t>(i % 13 * 17);
            }
        }
        return b;
    }();
    return bytes;
}

const std::vector<uint8_t> &Xz() {
    static std::vector<uint8_t> packed = [] {
        std::vector<uint8_t> out(lzma_stream_buffer_bound(static_cast<size_t>(kBytes)));
        size_t n = 0;
        if (lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, Mixed().data(), Mixed().size(), out.data(), &n,
                                    out.size()) != LZMA_OK)
            n = 0;
        out.resize(n);
        return out;
    }();
    return packed;
}

// The range walk serves window events between slices, so the platform is up.
void Platform() { hxbench::StartPlatform("bench_compress"); }

void Ours(benchmark::State &state, const hx::CodecSettings &settings, const std::vector<uint8_t> &input) {
    Platform();
    if (input.empty()) return state.SkipWithError("no input");
    const int64_t n = static_cast<int64_t>(input.size());
    hxbench::BenchDocument bench(input.data(), n, kChunk);
    hx::ToolRun events;   // no window: every pending event is dropped
    for (auto _ : state) {
        hx::OutputLimits limits;
        limits.room = hx::NewBytesRoom();
        if (!settings.compress) {
            limits.askAbove = hx::AskAboveFor(n);
            limits.ask = [](int64_t) { return true; };
        }
        const hx::CompressionOutcome outcome = hx::RunCompression(bench.doc, settings, 0, n, events, std::move(limits));
        state.PauseTiming();
        if (outcome.result != hx::CompressionResult::Written) return state.SkipWithError("run failed");
        bench.UndoAndForget();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void ZipOurs(benchmark::State &state) {
    Ours(state, {hx::CodecFormat::Zip, true, int(hx::ZipContainer::Zlib), 1}, Mixed());
}

void ZipReference(benchmark::State &state) {
    const std::vector<uint8_t> &in = Mixed();
    std::vector<uint8_t> out(compressBound(static_cast<uLong>(in.size())), 1);
    for (auto _ : state) {
        uLongf n = out.size();
        if (compress2(out.data(), &n, in.data(), in.size(), 1) != Z_OK) return state.SkipWithError("zlib failed");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void LzmaOurs(benchmark::State &state) { Ours(state, {hx::CodecFormat::Lzma, false, 0, 0}, Xz()); }

void LzmaReference(benchmark::State &state) {
    const std::vector<uint8_t> &in = Xz();
    std::vector<uint8_t> out(static_cast<size_t>(kBytes), 1);
    for (auto _ : state) {
        uint64_t memlimit = UINT64_MAX;
        size_t inPos = 0, outPos = 0;
        if (lzma_stream_buffer_decode(&memlimit, 0, nullptr, in.data(), &inPos, in.size(), out.data(), &outPos,
                                      out.size()) != LZMA_OK)
            return state.SkipWithError("liblzma failed");
        benchmark::DoNotOptimize(outPos);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

#define PAIR(NAME, OURS, REFERENCE)                                                        \
    BENCHMARK(OURS)->Name(NAME "/ours")->Unit(benchmark::kMillisecond)->Iterations(1);     \
    BENCHMARK(REFERENCE)->Name(NAME "/reference")->Unit(benchmark::kMillisecond)->Iterations(1)

PAIR("zip_compress_vs_lib", ZipOurs, ZipReference);
PAIR("lzma_decompress_vs_lib", LzmaOurs, LzmaReference);

}  // namespace

int main(int argc, char **argv) { return hxbench::Main(argc, argv); }
