// Progress of edits that write many bytes (a large paste or fill): the
// document model reports, the shell shows a progress window and serves the
// program's events meanwhile, and can stop the edit (the program is asked
// to end, say). Edits that move chunks (delete, cut, undo, redo) answer at
// once whatever their size and report nothing.
#pragma once

#include <cstdint>
#include <functional>

#include "Binary.h"

namespace hx {

// Edits that write fewer bytes report nothing.
inline constexpr int64_t EditProgressMinimum = int64_t(64) << 20;

struct EditProgress {
    // Called with the bytes written so far of total: first with 0, then
    // every few MiB, last with done == total (also when the edit failed or
    // was stopped). Returning false stops the edit: nothing changes. Empty:
    // no reports.
    static inline std::function<bool(int64_t done, int64_t total)> Report;
    // Told the result of an edit asked for by the user (typing, deleting,
    // pasting in a view) that could not be made: BinaryNoSpace,
    // BinaryNoMemory or BinaryReadFailed. Empty: nobody is told.
    static inline std::function<void(int result)> Failed;
};

// Passes a failed result of an edit to EditProgress::Failed; returns result.
inline int TellEditResult(int result) {
    if (result < 0 && result != BinaryCancelled && EditProgress::Failed) EditProgress::Failed(result);
    return result;
}

// Calls the report when total reaches EditProgressMinimum; true (go on)
// without a report.
inline bool ReportEditProgress(int64_t done, int64_t total) {
    if (total < EditProgressMinimum || !EditProgress::Report) return true;
    return EditProgress::Report(done, total);
}

}  // namespace hx
