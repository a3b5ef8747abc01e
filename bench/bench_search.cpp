// Searching and marking.
//
// Pairs: search_next_vs_memmem (the Search button's whole work for a 16-byte
// pattern at the end of a 512 MiB in-memory document, serving the window's
// events between pieces, next to memmem over one contiguous buffer of the
// same bytes), search_nocase_vs_memmem (the same with Match case off for a
// 16-byte text at the end of 256 MiB, next to memmem of the text as it
// stands there), replace_all_vs_copy (Replace All of a 16-byte pattern by 8
// bytes, 100,000 matches in a 256 MiB document, through the history, next
// to a loop that builds the replaced bytes with memmem and memcpy) and
// redraw_marks_vs_plain (a 1920 x 1080 redraw with a one-byte pattern that
// every visible byte matches, next to the same redraw without a pattern).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/toolwindows/SearchWindow.h"
#include "platform/Controls.h"
#include "document/History.h"
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

// ---- case-insensitive search and replace all over 256 MiB ------------------------------------

constexpr int64_t SmallLength = int64_t{256} << 20;
const char TextInDocument[] = "find THIS text!!";   // 16 bytes, at the end
const char TextTyped[] = "FIND this TEXT!!";

// Random bytes; with marks, 100,000 copies of the 16-byte mark spread evenly.
std::vector<uint8_t> RandomBytes(int64_t length, uint64_t seed) {
    std::vector<uint8_t> b(static_cast<size_t>(length));
    std::mt19937_64 random(seed);
    for (size_t i = 0; i + 8 <= b.size(); i += 8) {
        const uint64_t v = random();
        std::memcpy(b.data() + i, &v, 8);
    }
    return b;
}

const std::vector<uint8_t> &TextContents() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b = RandomBytes(SmallLength, 11);
        std::memcpy(b.data() + b.size() - 16, TextInDocument, 16);
        return b;
    }();
    return bytes;
}

Document *FreshDocument(const std::vector<uint8_t> &bytes) {
    DestroyHexView(MainViewGadget);
    CreateHexView(MainViewGadget, MainWindow, 0, 0, 800, 600, HexViewNoDocument);
    Document *doc = NewEditorFile(MainViewGadget, "");
    InsertBinary(doc->Store, 0, bytes.data(), static_cast<int64_t>(bytes.size()));
    return doc;
}

void BM_SearchNoCaseOurs(benchmark::State &state) {
    Document *doc = FreshDocument(TextContents());
    HexViewCommand(PatternFieldGadget, HexReplaceAll, reinterpret_cast<const uint8_t *>(TextTyped), 16);
    SetControlState(SearchMatchCaseCheck, 0);
    for (auto _ : state) {
        doc->Cursor = 0;
        doc->SelectionLength = 0;
        LastMatch() = -1;
        if (SearchNext() != SearchOutcome::Found || doc->Cursor != SmallLength - 16) {
            state.SkipWithError("the text was not found at the end");
            break;
        }
    }
    SetControlState(SearchMatchCaseCheck, 1);
    state.SetBytesProcessed(state.iterations() * SmallLength);
    DestroyHexView(MainViewGadget);
}

void BM_SearchNoCaseReference(benchmark::State &state) {
    const std::vector<uint8_t> &bytes = TextContents();
    for (auto _ : state) {
        const void *hit = memmem(bytes.data(), bytes.size(), TextInDocument, 16);
        benchmark::DoNotOptimize(hit);
        if (hit != bytes.data() + bytes.size() - 16) {
            state.SkipWithError("memmem missed the text");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * SmallLength);
}

BENCHMARK(BM_SearchNoCaseOurs)->Name("search_nocase_vs_memmem/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNoCaseReference)->Name("search_nocase_vs_memmem/reference")->Unit(benchmark::kMillisecond);

constexpr int64_t ReplaceMatches = 100000;
const uint8_t Mark[16] = {0xF0, 0x0D, 'm', 'a', 'r', 'k', 0xF1, 0x0E, 'r', 'e', 'p', 'l', 0xF2, 0x0F, '1', '6'};
const uint8_t Replacement[8] = {'r', 'e', 'p', 'l', 'a', 'c', 'e', 'd'};

const std::vector<uint8_t> &MarkedContents() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b = RandomBytes(SmallLength, 12);
        const int64_t step = SmallLength / ReplaceMatches;
        for (int64_t i = 0; i < ReplaceMatches; ++i) std::memcpy(b.data() + i * step + step / 2, Mark, 16);
        return b;
    }();
    return bytes;
}

void BM_ReplaceAllOurs(benchmark::State &state) {
    Document *doc = FreshDocument(MarkedContents());
    HexViewCommand(PatternFieldGadget, HexReplaceAll, Mark, 16);
    HexViewCommand(ReplaceFieldGadget, HexReplaceAll, Replacement, 8);
    for (auto _ : state) {
        if (ReplaceAll() != ReplaceMatches || doc->Store->Length != SmallLength - 8 * ReplaceMatches) {
            state.SkipWithError("not every mark was replaced");
            break;
        }
        state.PauseTiming();
        Undo(doc->Hist);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * SmallLength);
    DestroyHexView(MainViewGadget);
}

void BM_ReplaceAllReference(benchmark::State &state) {
    const std::vector<uint8_t> &bytes = MarkedContents();
    for (auto _ : state) {
        std::vector<uint8_t> out(bytes.size());
        const uint8_t *at = bytes.data(), *end = bytes.data() + bytes.size();
        uint8_t *to = out.data();
        int64_t count = 0;
        while (const void *hit = memmem(at, static_cast<size_t>(end - at), Mark, 16)) {
            const auto *m = static_cast<const uint8_t *>(hit);
            std::memcpy(to, at, static_cast<size_t>(m - at));
            to += m - at;
            std::memcpy(to, Replacement, 8);
            to += 8;
            at = m + 16;
            ++count;
        }
        std::memcpy(to, at, static_cast<size_t>(end - at));
        to += end - at;
        out.resize(static_cast<size_t>(to - out.data()));
        benchmark::DoNotOptimize(out.data());
        if (count != ReplaceMatches) {
            state.SkipWithError("the loop missed marks");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * SmallLength);
}

BENCHMARK(BM_ReplaceAllOurs)->Name("replace_all_vs_copy/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAllReference)->Name("replace_all_vs_copy/reference")->Unit(benchmark::kMillisecond);

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
