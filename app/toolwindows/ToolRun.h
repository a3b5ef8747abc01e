// The walk that the range tools (fingerprint, transformation, histogram, and
// the search in its own way) share: enter a busy state, hand a byte range of
// a store to the tool in slices, serve the window's pending events between
// slices, move a progress bar, and always leave the busy state again.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Platform.h"

namespace hx {

struct Binary;

// Slices handed to a tool are at most this long, so that the window answers
// (Cancel, the close box) within a few tens of milliseconds whatever the
// configured chunk length.
inline constexpr int64_t ToolSliceLength = 4 << 20;

struct ToolRun {
    int window = -1;          // the tool's window: its close box hides it and cancels the run
    int cancelButton = -1;    // the tool's Cancel button (-1: none)
    int progressBar = -1;     // a progress bar over 0 ... 1000 (-1: none)
    // Called with each slice; returning false stops the run (ToolRunStopped).
    std::function<bool(const uint8_t *bytes, int64_t length)> slice;
    // Called after each slice and after its events were served (optional).
    std::function<void()> afterSlice;
};

enum class ToolRunResult {
    Done,        // every byte of the clamped range went through slice
    Cancelled,   // Cancel or the close box
    ReadFailed,  // the walk ended early: a chunk could not be read, or memory ran out
    Stopped,     // slice returned false
};

// Walks position ... position + length of store (clamped to it, as the range
// walk does) through run.slice. The progress bar is set to
// round(1000 × delivered / clamped length) after each slice (left alone for an
// empty range). Between slices the pending events are handled without
// waiting: a close request of run.window hides it and cancels, a press of
// run.cancelButton cancels, every other event is dropped, except that a
// request to end the program cancels the run and is posted again afterwards.
// Does not enter or leave the busy state (see ToolBusy).
ToolRunResult RunOverRange(Binary *store, int64_t position, int64_t length, const ToolRun &run);

// Window numbers 0 ... ToolBusyWindows - 1 are the ones a busy tool disables.
inline constexpr int ToolBusyWindows = 32;

// The busy state of a tool window: every other open window among 0 ...
// ToolBusyWindows - 1 is disabled while it lives and enabled again when it
// ends (whatever the path out), and the keyboard focus goes back to where it
// was before.
class ToolBusy {
public:
    explicit ToolBusy(int window);
    ~ToolBusy();
    ToolBusy(const ToolBusy &) = delete;
    ToolBusy &operator=(const ToolBusy &) = delete;

private:
    KeepKeyboardFocus focus_;   // made first, so that it gives the focus back last
    int window_;
    bool disabled_[ToolBusyWindows] = {};
};

}  // namespace hx
