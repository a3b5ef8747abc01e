#include "app/toolwindows/ToolRun.h"

#include <algorithm>
#include <cmath>

#include "document/Binary.h"
#include "platform/Controls.h"
#include "platform/Platform.h"

namespace hx {

namespace {

enum class Served { Go, Cancel };

// Handles what is pending; the first cancelling event wins but the rest is
// still drained so that nothing stale is left for after the run.
Served ServeEvents(const ToolRun &run, bool &quitRequested) {
    Served result = Served::Go;
    while (std::optional<Event> event = PollEvent()) {
        if (event->kind == EventCloseWindow && event->window == run.window) {
            ShowWindow(run.window, false);
            result = Served::Cancel;
        } else if (event->kind == EventCloseWindow && event->window == 0 && event->data == 1) {
            quitRequested = true;
            result = Served::Cancel;
        } else if (event->kind == EventControl && run.cancelButton >= 0 && event->control == run.cancelButton) {
            result = Served::Cancel;
        }
    }
    return result;
}

}  // namespace

ToolRunResult RunOverRange(Binary *store, int64_t position, int64_t length, const ToolRun &run) {
    if (!store) return ToolRunResult::ReadFailed;
    bool quitRequested = false;
    ToolRunResult result = ToolRunResult::Done;
    ExamineBinary(store, position, length);
    const int64_t total = store->RangeLength;
    int64_t delivered = 0;
    while (result == ToolRunResult::Done && NextBinaryBlock(store)) {
        // A chunk whose read failed holds zeros in place of the file's bytes:
        // whatever a tool made of them would be wrong.
        if (store->BlockChunk != store->Chunks.end() && store->BlockChunk->ReadFailed) {
            result = ToolRunResult::ReadFailed;
            break;
        }
        const uint8_t *bytes = BinaryBlockBuffer(store);
        const int64_t pieceLength = BinaryBlockLength(store);
        for (int64_t done = 0; done < pieceLength || (pieceLength == 0 && done == 0);) {
            const int64_t n = std::min(ToolSliceLength, pieceLength - done);
            if (n > 0 && !run.slice(bytes + done, n)) {
                result = ToolRunResult::Stopped;
                break;
            }
            done += n;
            delivered += n;
            if (run.progressBar >= 0 && total > 0)
                SetControlState(run.progressBar, static_cast<int>(std::llround(1000.0 * delivered / total)));
            if (ServeEvents(run, quitRequested) == Served::Cancel) {
                result = ToolRunResult::Cancelled;
                break;
            }
            if (run.afterSlice) run.afterSlice();
            if (pieceLength == 0) break;
        }
    }
    if (result != ToolRunResult::Done) {
        // Leaves the walk: the piece's chunk goes back to the store.
        if (store->WalkState == WalkInPiece) {
            store->Delivered = store->RangeLength;
            NextBinaryBlock(store);
        }
    } else if (BinaryWalkFailed(store) || delivered < total) {
        result = ToolRunResult::ReadFailed;
    }
    if (quitRequested) RequestQuit();
    return result;
}

ToolBusy::ToolBusy(int window) : window_(window) {
    for (int w = 0; w < ToolBusyWindows; ++w) {
        if (w == window_ || !IsWindow(w)) continue;
        QWidget *widget = WindowWidget(w);
        if (!widget) continue;
        disabled_[w] = true;
        DisableWindow(w, true);
    }
}

ToolBusy::~ToolBusy() {
    for (int w = 0; w < ToolBusyWindows; ++w)
        if (disabled_[w] && IsWindow(w)) DisableWindow(w, false);
}

}  // namespace hx
