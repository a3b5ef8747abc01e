#include "Highlights.h"

#include <algorithm>
#include <utility>

#include "document/Listeners.h"

namespace hx {

namespace {

Listeners<HighlightSource> &Sources() {
    static Listeners<HighlightSource> sources;
    return sources;
}

}  // namespace

int AddHighlightSource(HighlightSource source) { return Sources().add(std::move(source)); }

void RemoveHighlightSource(int id) { Sources().remove(id); }

std::vector<HighlightRun> HighlightsIn(const Document &doc, int64_t from, int64_t length) {
    std::vector<HighlightRun> cut;
    if (length <= 0) return cut;
    const int64_t end = from + length;
    std::vector<HighlightRun> runs;
    Sources().each([&](const HighlightSource &ask) {
        runs.clear();
        ask(doc, from, length, runs);
        for (const HighlightRun &run : runs) {
            if (run.Length <= 0 || run.Start >= end) continue;
            // The run's end as "length beyond the window's end" first, so that
            // a run reaching the top of the 64-bit range cannot overflow.
            const int64_t start = std::max(run.Start, from);
            const int64_t stop = run.Length > end - run.Start ? end : run.Start + run.Length;
            if (stop > start) cut.push_back({start, stop - start, run.Fill});
        }
    });
    return cut;
}

}  // namespace hx
