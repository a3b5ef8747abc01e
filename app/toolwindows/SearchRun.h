// One run of the search window (a find, a count, a replace all) on the GUI
// thread. A run that is still going after SearchCancelDelayMs enters the busy
// state: the window is shown if it was hidden (a run begun by F3), Cancel
// takes the Search button's place, the progress bar shows, the window's
// other buttons and options are disabled and so are the other windows. The
// busy state ends with the run, whichever way it ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "app/toolwindows/ToolRun.h"
#include "document/RangeSearch.h"

namespace hx {

class SearchRun {
public:
    // total: the bytes the run goes through, for the progress bar.
    explicit SearchRun(int64_t total);
    ~SearchRun();
    SearchRun(const SearchRun &) = delete;
    SearchRun &operator=(const SearchRun &) = delete;

    // Serves the pending events after `done` of the total bytes; false when
    // the run is to stop. Every event other than Cancel, the close box and a
    // request to end the program is dropped, as during every tool run:
    // nothing may change the document under the run.
    bool serve(int64_t done);
    // serve for the searches of RangeSearch.h, counting from `offset` (a
    // second part of a run, such as the part before the start when a search
    // wraps around).
    SearchServe server(int64_t offset = 0);

    bool closed() const { return closed_; }
    bool quitRequested() const { return quit_; }

private:
    void enterBusy();
    void leaveBusy();

    std::chrono::steady_clock::time_point began_;
    int64_t total_;
    std::optional<ToolBusy> busy_;
    bool closed_ = false;
    bool quit_ = false;
};

}  // namespace hx
