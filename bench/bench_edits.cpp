// Edits of any size through the hex view, as the keys make them, next to
// the same edit of a small document: what the user waits for should not grow
// with the document.
//   delete_all_16g_vs_1m/ours|reference
//       Select All and Delete (insert mode) on the view of a 16 GiB sparse
//       file, up to the end of the redraw; the reference does the same on a
//       1 MiB file. Undone outside the timing.
//   undo_delete_16g_vs_1m/ours|reference
//       Undo of that delete, up to the end of the redraw; deleted again
//       outside the timing.
// The figures of the document model alone (without the redraw) are given as
// counters (store_us).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexEdit.h"
#include "hexview/HexView.h"
#include "hexview/HexViewCommands.h"
#include "hexview/HexViewLook.h"
#include "app/shell/Application.h"
#include "platform/Platform.h"

namespace {

using namespace hx;

constexpr int Window = 0;

// A sparse file of the given length in the temporary folder, removed at exit.
class SparseFile {
public:
    explicit SparseFile(int64_t length) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("hexaloom-bench-edits-" + std::to_string(length) + "-" + std::to_string(::getpid())))
                    .string();
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::ftruncate(fd, length) != 0) std::abort();
        const char marks[] = "start";
        if (::pwrite(fd, marks, sizeof marks, 0) != static_cast<ssize_t>(sizeof marks)) std::abort();
        ::close(fd);
    }
    ~SparseFile() { std::filesystem::remove(path_); }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

const SparseFile &Large() {
    static SparseFile file(int64_t{16} << 30);
    return file;
}

const SparseFile &Small() {
    static SparseFile file(int64_t{1} << 20);
    return file;
}

HexView *OpenView(const std::string &path) {
    DestroyHexView(1);
    HexView *view = CreateHexView(1, Window, 0, 0, 1280, 800, HexViewNoDocument);
    NewEditorFile(1, path);
    RedrawHexView(view);
    return view;
}

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Ctrl+A and Delete as the view's keys do them.
void DeleteAll(HexView *view) {
    Document &doc = *view->CurrentDocument;
    doc.Cursor = 0;
    doc.SelectionLength = doc.Store->Length;
    DeleteForward(doc);
    RedrawHexView(view);
}

void DeleteAllBench(benchmark::State &state, const SparseFile &file) {
    HexView *view = OpenView(file.path());
    Document *doc = view->CurrentDocument;
    const int64_t length = doc->Store->Length;
    double store = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        DeleteAll(view);
        state.SetIterationTime(Seconds(start));
        if (doc->Store->Length != 0) return state.SkipWithError("the delete left bytes");
        Undo(doc->Hist);
        doc->Cursor = 0;
        doc->SelectionLength = length;
        const auto bare = std::chrono::steady_clock::now();
        DeleteBytes(doc, 0, length);
        store = Seconds(bare) * 1e6;
        Undo(doc->Hist);
    }
    state.counters["store_us"] = store;
    DestroyHexView(1);
}

void UndoDeleteBench(benchmark::State &state, const SparseFile &file) {
    HexView *view = OpenView(file.path());
    Document *doc = view->CurrentDocument;
    const int64_t length = doc->Store->Length;
    double store = 0;
    for (auto _ : state) {
        DeleteAll(view);
        const auto start = std::chrono::steady_clock::now();
        RunHexViewCommand(*view, HexUndo, nullptr, 0, true);
        state.SetIterationTime(Seconds(start));
        if (doc->Store->Length != length) return state.SkipWithError("the undo did not bring the bytes back");
        Redo(doc->Hist);
        const auto bare = std::chrono::steady_clock::now();
        Undo(doc->Hist);
        store = Seconds(bare) * 1e6;
    }
    state.counters["store_us"] = store;
    DestroyHexView(1);
}

void DeleteLarge(benchmark::State &state) { DeleteAllBench(state, Large()); }
void DeleteSmall(benchmark::State &state) { DeleteAllBench(state, Small()); }
void UndoLarge(benchmark::State &state) { UndoDeleteBench(state, Large()); }
void UndoSmall(benchmark::State &state) { UndoDeleteBench(state, Small()); }

BENCHMARK(DeleteLarge)->Name("delete_all_16g_vs_1m/ours")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DeleteSmall)->Name("delete_all_16g_vs_1m/reference")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(UndoLarge)->Name("undo_delete_16g_vs_1m/ours")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(UndoSmall)->Name("undo_delete_16g_vs_1m/reference")->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    FillHexViewLook();
    OpenWindow(Window, 0, 0, 1280, 800, "bench", WindowHidden);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
