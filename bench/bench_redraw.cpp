// Redrawing the hex view of a 16 GiB sparse file, next to the least the same
// text could cost: the same visible rows read and drawn as one text run per
// row, with no cells, colours, cursor, selection or frames.
//
// Pairs: redraw_vs_text_rows (1920 x 1080) and redraw_vs_text_rows_800x600.
// Singles: key_to_redraw (a hexadecimal digit typed in insert mode at offset
// 0, up to the end of its redraw) and paste_hex_100mb (100 MB of hexadecimal
// clipboard text pasted into the view, one undo step).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/settings/Theme.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "hexview/HexViewLook.h"
#include "platform/Canvas.h"
#include "app/shell/Application.h"
#include "platform/Event.h"
#include "platform/Platform.h"

namespace {

using namespace hx;

constexpr int Window = 0;
constexpr int64_t FileSize = int64_t{16} << 30;
constexpr int64_t ShownAt = int64_t{8} << 30;  // where the view looks: the middle of the file

bool sparseFileMade = false;

std::string SparseFile() {
    static const std::string path = [] {
        sparseFileMade = true;
        const std::string name = (std::filesystem::temp_directory_path() / "hexaloom-bench-16g.bin").string();
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::ftruncate(fd, FileSize) != 0) std::abort();
        // Some varied bytes where the view looks; the rest reads as zeros.
        std::vector<uint8_t> bytes(256 * 1024);
        std::mt19937 random(7);
        for (uint8_t &b : bytes) b = static_cast<uint8_t>(random());
        if (::pwrite(fd, bytes.data(), bytes.size(), ShownAt) != static_cast<ssize_t>(bytes.size())) std::abort();
        if (::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) std::abort();
        ::close(fd);
        return name;
    }();
    return path;
}

// A view of its own on the sparse file, scrolled to the middle, with a
// selection and two panes' worth of ordinary state.
HexView *OpenView(int gadget, int width, int height) {
    DestroyHexView(gadget);
    HexView *view = CreateHexView(gadget, Window, 0, 0, width, height, HexViewNoDocument);
    Document *doc = NewEditorFile(gadget, SparseFile());
    doc->ActivePane->Top = ShownAt;
    doc->Cursor = ShownAt + 40;
    doc->SelectionLength = 100;
    RedrawHexView(view);
    return view;
}

// The reference: the same rows read the same way and drawn as one run each.
void DrawTextRows(int gadget, const QFont &font, const HexView &view) {
    const Document &doc = *view.CurrentDocument;
    const Pane &pane = doc.Panes.front();
    Drawing d(gadget);
    d.setFont(font);
    ByteBuffer bytes = ReadBinary(doc.Store, pane.Top, int64_t{16} * pane.Rows, SlotFirstPane);
    const int lineHeight = view.Layout.Metrics.LineHeight;
    std::string row;
    for (int r = 0; r < pane.Rows && bytes; ++r) {
        const int64_t start = int64_t{16} * r;
        if (start >= bytes.size()) break;
        char offset[24];
        row.assign(offset, static_cast<size_t>(std::snprintf(offset, sizeof offset, "%llX  ",
                                                             static_cast<unsigned long long>(pane.Top + start))));
        for (int i = 0; i < 16 && start + i < bytes.size(); ++i) {
            static const char digits[] = "0123456789ABCDEF";
            const uint8_t b = bytes[start + i];
            row += digits[b >> 4];
            row += digits[b & 15];
            row += ' ';
        }
        for (int i = 0; i < 16 && start + i < bytes.size(); ++i) {
            const uint8_t b = bytes[start + i];
            row += (b > 32 && b != 127) ? static_cast<char>(b) : '.';
        }
        d.textLatin1(0, 28 + r * lineHeight, row.data(), static_cast<int>(row.size()), RGBA(0, 64, 192));
    }
}

void RedrawOurs(benchmark::State &state, int gadget, int width, int height) {
    HexView *view = OpenView(gadget, width, height);
    for (auto _ : state) RedrawHexView(view);
    state.counters["rows"] = view->CurrentDocument->Panes.front().Rows;
    DestroyHexView(gadget);
}

void RedrawReference(benchmark::State &state, int gadget, int width, int height) {
    HexView *view = OpenView(gadget, width, height);
    const QFont font = HexLook().Font;
    for (auto _ : state) DrawTextRows(gadget, font, *view);
    DestroyHexView(gadget);
}

void BM_RedrawLargeOurs(benchmark::State &state) { RedrawOurs(state, 1, 1920, 1080); }
void BM_RedrawLargeReference(benchmark::State &state) { RedrawReference(state, 1, 1920, 1080); }
void BM_RedrawSmallOurs(benchmark::State &state) { RedrawOurs(state, 1, 800, 600); }
void BM_RedrawSmallReference(benchmark::State &state) { RedrawReference(state, 1, 800, 600); }

BENCHMARK(BM_RedrawLargeOurs)->Name("redraw_vs_text_rows/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawLargeReference)->Name("redraw_vs_text_rows/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawSmallOurs)->Name("redraw_vs_text_rows_800x600/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawSmallReference)->Name("redraw_vs_text_rows_800x600/reference")->Unit(benchmark::kMillisecond);

Event TypedCharacter(int gadget, int character) {
    Event event;
    event.window = Window;
    event.control = gadget;
    event.kind = EventControl;
    event.type = CanvasInput;
    event.input.character = character;
    return event;
}

// From the event of a typed digit (insert mode, offset 0) to the end of its
// redraw; the byte is taken back outside the timing.
void BM_KeyToRedraw(benchmark::State &state) {
    HexView *view = OpenView(1, 1920, 1080);
    Document *doc = view->CurrentDocument;
    for (auto _ : state) {
        doc->Cursor = 0;
        doc->SelectionLength = 0;
        doc->PendingNibble = -1;
        doc->ActivePane->Top = 0;
        const Event event = TypedCharacter(1, '4');
        const auto start = std::chrono::steady_clock::now();
        HandleHexViewEvent(1, event);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        Undo(doc->Hist);
    }
    DestroyHexView(1);
}
BENCHMARK(BM_KeyToRedraw)->Name("key_to_redraw")->UseManualTime()->Unit(benchmark::kMillisecond);

// 100 MB of hexadecimal text on the clipboard pasted at offset 0 (50 MB of
// bytes), through the clipboard, the decoding, the history and the redraw.
void BM_PasteHex100MB(benchmark::State &state) {
    HexView *view = OpenView(1, 1920, 1080);
    Document *doc = view->CurrentDocument;
    std::string text(100'000'000, '0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = "0123456789ABCDEF"[(i * 7) & 15];
    SetClipboardText(text);
    text.clear();
    text.shrink_to_fit();
    for (auto _ : state) {
        doc->Cursor = 0;
        doc->SelectionLength = 0;
        const auto start = std::chrono::steady_clock::now();
        HexViewCommand(1, HexPaste, nullptr, 0);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (doc->Store->Length != FileSize + 50'000'000 || HistoryIndex(doc->Hist) != 1) {
            state.SkipWithError("paste did not make one 50 MB undo step");
            break;
        }
        Undo(doc->Hist);
    }
    DestroyHexView(1);
}
BENCHMARK(BM_PasteHex100MB)->Name("paste_hex_100mb")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    FillHexViewLook();
    OpenWindow(Window, 0, 0, 1920, 1080, "bench", WindowHidden);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (sparseFileMade) std::filesystem::remove(SparseFile());
    return 0;
}
