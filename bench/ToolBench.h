// What the tool benchmarks share: the platform the range walk needs (it
// serves window events between slices), a document over bytes in memory as
// the editor makes one, and a main() that takes the platform down before the
// program's static objects go.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "document/Document.h"
#include "document/History.h"
#include "platform/Platform.h"

namespace hxbench {

inline bool &PlatformUp() {
    static bool up = false;
    return up;
}

// Starts the offscreen platform once; later calls do nothing.
inline void StartPlatform(const char *program) {
    if (PlatformUp()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(program), nullptr};
    hx::InitPlatform(argc, argv);
    PlatformUp() = true;
}

struct BenchDocument {
    hx::Document doc;
    BenchDocument(const uint8_t *bytes, int64_t n, int64_t chunkLength = 4000000) {
        doc.Store = hx::CreateBinary(-1, chunkLength);
        doc.Hist = hx::CreateHistory(-1, 67108864);
        hx::InsertBinary(doc.Store, 0, bytes, n);
    }
    BenchDocument(const BenchDocument &) = delete;
    BenchDocument &operator=(const BenchDocument &) = delete;
    ~BenchDocument() {
        hx::FreeHistory(doc.Hist);
        hx::FreeBinary(doc.Store);
    }
    // Undoes the run's edit and forgets it: an undone output kept for redo
    // would count as memory in use at the next run.
    void UndoAndForget() {
        hx::Undo(doc.Hist);
        hx::FreeHistory(doc.Hist);
        doc.Hist = hx::CreateHistory(-1, 67108864);
    }
};

inline int Main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (PlatformUp()) hx::ShutdownPlatform();
    return 0;
}

}  // namespace hxbench
