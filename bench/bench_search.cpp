// Searching and marking.
//
// Pairs: search_next_vs_memmem (the Search button's whole work for a 16-byte
// pattern at the end of a 512 MiB in-memory document, serving the window's
// events between pieces, next to memmem over one contiguous buffer of the
// same bytes) and redraw_marks_vs_plain (a 1920 x 1080 redraw with a
// one-byte pattern that every visible byte matches, next to the same redraw
// without a pattern).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/toolwindows/SearchWindow.h"
#include "app/toolwindows/ToolWindows.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/Platform.h"

namespace {

using namespace hx;

constexpr int MainWindow = 0;
constexpr int64_t DocumentLength = int64_t{512} << 20;
constexpr int PatternLength = 16;

// The bytes of both sides: random, with the pattern as the last 16.
const std::vector<uint8_t> &Contents() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(static_cast<size_t>(DocumentLength));
        std::mt19937_64 random(5);
        for (size_t i = 0; i + 8 <= b.size(); i += 8) {
            const uint64_t v = random();
            std::memcpy(b.data() + i, &v, 8);
        }
        for (int i = 0; i < PatternLength; ++i) b[b.size() - PatternLength + i] = static_cast<uint8_t>(0xA0 + i);
        return b;
    }();
    return bytes;
}

const uint8_t *Pattern() { return Contents().data() + DocumentLength - PatternLength; }

void BM_SearchNextOurs(benchmark::State &state) {
    DestroyHexView(MainViewGadget);
    CreateHexView(MainViewGadget, MainWindow, 0, 0, 800, 600, HexViewNoDocument);
    Document *doc = NewEditorFile(MainViewGadget, "");
    InsertBinary(doc->Store, 0, Contents().data(), DocumentLength);
    HexViewCommand(PatternFieldGadget, HexReplaceAll, Pattern(), PatternLength);
    for (auto _ : state) {
        doc->Cursor = 0;
        LastMatch() = -1;
        if (SearchNext() != SearchOutcome::Found || doc->Cursor != DocumentLength - PatternLength) {
            state.SkipWithError("the pattern was not found at the end");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * DocumentLength);
    DestroyHexView(MainViewGadget);
}

void BM_SearchNextReference(benchmark::State &state) {
    const std::vector<uint8_t> &bytes = Contents();
    for (auto _ : state) {
        const void *hit = memmem(bytes.data(), bytes.size(), Pattern(), PatternLength);
        benchmark::DoNotOptimize(hit);
        if (hit != Pattern()) {
            state.SkipWithError("memmem missed the pattern");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * DocumentLength);
}

BENCHMARK(BM_SearchNextOurs)->Name("search_next_vs_memmem/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNextReference)->Name("search_next_vs_memmem/reference")->Unit(benchmark::kMillisecond);

// A page of 'A' seen through a 1920 x 1080 view; with the pattern "A" every
// visible byte is underlined in both areas.
void Redraw(benchmark::State &state, bool marks) {
    DestroyHexView(MainViewGadget);
    HexView *view = CreateHexView(MainViewGadget, MainWindow, 0, 0, 1920, 1080, HexViewNoDocument);
    Document *doc = NewEditorFile(MainViewGadget, "");
    const std::vector<uint8_t> page(1 << 20, 'A');
    InsertBinary(doc->Store, 0, page.data(), static_cast<int64_t>(page.size()));
    doc->ActivePane->Top = 4096;
    if (marks) doc->SearchPattern = ByteBuffer::copyOf("A", 1);
    for (auto _ : state) RedrawHexView(view);
    const Pane &pane = doc->Panes.front();
    if (marks && (!pane.MatchMask || pane.MatchMask[pane.ShownLength - 1] == 0))
        state.SkipWithError("the page was not marked");
    state.counters["rows"] = pane.Rows;
    DestroyHexView(MainViewGadget);
}

void BM_RedrawMarksOurs(benchmark::State &state) { Redraw(state, true); }
void BM_RedrawMarksReference(benchmark::State &state) { Redraw(state, false); }

BENCHMARK(BM_RedrawMarksOurs)->Name("redraw_marks_vs_plain/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawMarksReference)->Name("redraw_marks_vs_plain/reference")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    FillHexViewLook();
    OpenWindow(MainWindow, 0, 0, 1920, 1080, "bench", WindowHidden);
    SearchTool.open();   // window 4 with its pattern field, hidden as at start-up
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The field's document goes before the program's static records do.
    DestroyHexView(PatternFieldGadget);
    ShutdownPlatform();
    return 0;
}
