#include "app/toolwindows/SearchRun.h"

#include <algorithm>

#include "app/shell/MainWindow.h"
#include "app/toolwindows/SearchWindow.h"
#include "platform/Controls.h"
#include "platform/Platform.h"

namespace hx {

namespace {

using Clock = std::chrono::steady_clock;

// The window's controls that start something of their own: they wait while a run goes on.
constexpr int WaitingControls[] = {
    SearchPreviousButton, SearchCountButton, SearchMatchCaseCheck, SearchWrapCheck,   SearchInSelectionCheck,
    SearchUtf16Check,     SearchByteOrderList, ReplaceButton,      ReplaceAllButton,
};

}  // namespace

SearchRun::SearchRun(int64_t total) : began_(Clock::now()), total_(total) {}

SearchRun::~SearchRun() { leaveBusy(); }

void SearchRun::enterBusy() {
    // The busy state notes where the keyboard is before the window shows and
    // may take it. The Cancel button must be reachable: a run begun by F3
    // with the window hidden shows it.
    busy_.emplace(SearchWindowNumber);
    if (!IsWindowVisible(SearchWindowNumber)) ShowWindow(SearchWindowNumber, true);
    ShowControl(SearchButton, false);
    ShowControl(SearchCancelButton, true);
    SetControlState(SearchProgressBar, 0);
    ShowControl(SearchProgressBar, true);
    for (int control : WaitingControls) DisableControl(control, true);
}

void SearchRun::leaveBusy() {
    if (!busy_) return;
    busy_.reset();
    for (int control : WaitingControls) DisableControl(control, false);
    ShowControl(SearchProgressBar, false);
    ShowControl(SearchCancelButton, false);
    ShowControl(SearchButton, true);
}

bool SearchRun::serve(int64_t done) {
    if (!busy_ && Clock::now() - began_ >= std::chrono::milliseconds(SearchCancelDelayMs)) enterBusy();
    if (busy_ && total_ > 0) {
        const double part = static_cast<double>(std::clamp<int64_t>(done, 0, total_)) / static_cast<double>(total_);
        SetControlState(SearchProgressBar, static_cast<int>(part * 1000.0 + 0.5));
    }
    bool go = true;
    while (std::optional<Event> event = PollEvent()) {
        if (event->kind == EventCloseWindow && event->window == SearchWindowNumber) {
            closed_ = true;
            go = false;
        } else if (event->kind == EventCloseWindow && event->window == MainWindowNumber && event->data == 1) {
            quit_ = true;
            go = false;
        } else if (event->kind == EventControl && event->control == SearchCancelButton) {
            go = false;
        }
    }
    return go;
}

SearchServe SearchRun::server(int64_t offset) {
    return [this, offset](int64_t searched) { return serve(offset + searched); };
}

}  // namespace hx
