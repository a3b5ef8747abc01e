// Counting byte values as the histogram tool does, next to the simplest count:
//   histogram_vs_loop/ours|reference
//       ours: the tool's walk (RunOverRange in slices of at most 4 MiB, with
//       its progress and event handling between slices, no window) over a
//       256 MiB in-memory document of random bytes, each slice counted with
//       CountBytes; the chart is not drawn.
//       reference: count[byte]++ over one contiguous buffer of the same bytes.
//   histogram_uniform_vs_loop/ours|reference
//       the same over 256 MiB of one repeated byte value, where the simple
//       loop waits on one counter for every byte.
// Both sides check their totals, so neither can skip the work.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/toolwindows/ToolRun.h"
#include "document/Binary.h"
#include "document/ByteBuffer.h"
#include "tools/Histogram.h"

namespace {

using namespace hx;

constexpr int64_t kBytes = int64_t(256) << 20;
constexpr int64_t kChunk = 4000000;

// One contiguous buffer and a store holding the same bytes in chunks, made once.
struct CountData {
    ByteBuffer flat;
    Binary *store = nullptr;

    explicit CountData(bool uniform) {
        flat = ByteBuffer::uninitialised(kBytes, kBytes);
        if (uniform) {
            std::memset(flat.data(), 0xA5, kBytes);
        } else {
            uint64_t x = 0x9E3779B97F4A7C15ull;
            for (int64_t i = 0; i < kBytes; i += 8) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                std::memcpy(flat.data() + i, &x, 8);
            }
        }
        store = CreateBinary(-1, kChunk);
        if (InsertBinary(store, 0, flat.data(), kBytes) != BinaryOk) std::abort();
    }
};

CountData &Random() {
    static CountData data(false);
    return data;
}
CountData &Uniform() {
    static CountData data(true);
    return data;
}

uint64_t Sum(const ByteCounts &counts) {
    uint64_t total = 0;
    for (uint64_t c : counts) total += c;
    return total;
}

void CountOurs(benchmark::State &state, CountData &data) {
    ToolRun run;
    ByteCounts counts{};
    run.slice = [&counts](const uint8_t *bytes, int64_t n) {
        CountBytes(bytes, n, counts);
        return true;
    };
    for (auto _ : state) {
        counts = {};
        if (RunOverRange(data.store, 0, kBytes, run) != ToolRunResult::Done || Sum(counts) != kBytes)
            state.SkipWithError("the walk did not count every byte");
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

// Kept out of line so that it is the same plain loop for both inputs.
[[gnu::noinline]] void SimpleCount(const uint8_t *bytes, int64_t n, uint64_t *count) {
    for (int64_t i = 0; i < n; ++i) count[bytes[i]]++;
}

void CountReference(benchmark::State &state, CountData &data) {
    for (auto _ : state) {
        uint64_t count[256] = {};
        SimpleCount(data.flat.data(), kBytes, count);
        uint64_t total = 0;
        for (uint64_t c : count) total += c;
        if (total != static_cast<uint64_t>(kBytes)) state.SkipWithError("the loop did not count every byte");
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_RandomOurs(benchmark::State &state) { CountOurs(state, Random()); }
void BM_RandomReference(benchmark::State &state) { CountReference(state, Random()); }
void BM_UniformOurs(benchmark::State &state) { CountOurs(state, Uniform()); }
void BM_UniformReference(benchmark::State &state) { CountReference(state, Uniform()); }

BENCHMARK(BM_RandomOurs)->Name("histogram_vs_loop/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomReference)->Name("histogram_vs_loop/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UniformOurs)->Name("histogram_uniform_vs_loop/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UniformReference)->Name("histogram_uniform_vs_loop/reference")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    // RunOverRange serves the window events between slices: it needs the application object.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
