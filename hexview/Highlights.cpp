#include "Highlights.h"

#include <algorithm>
#include <utility>

namespace hx {

namespace {

struct Source {
    int Id;
    HighlightSource Ask;
};

std::vector<Source> &Sources() {
    static std::vector<Source> sources;
    return sources;
}

}  // namespace

int AddHighlightSource(HighlightSource source) {
    static int next = 0;
    Sources().push_back({++next, std::move(source)});
    return next;
}

void RemoveHighlightSource(int id) {
    auto &sources = Sources();
    sources.erase(std::remove_if(sources.begin(), sources.end(), [id](const Source &s) { return s.Id == id; }),
                  sources.end());
}

std::vector<HighlightRun> HighlightsIn(const Document &doc, int64_t from, int64_t length) {
    std::vector<HighlightRun> cut;
    if (length <= 0) return cut;
    const int64_t end = from + length;
    std::vector<HighlightRun> runs;
    for (const Source &source : Sources()) {
        runs.clear();
        if (source.Ask) source.Ask(doc, from, length, runs);
        for (const HighlightRun &run : runs) {
            if (run.Length <= 0 || run.Start >= end) continue;
            // The run's end as "length beyond the window's end" first, so that
            // a run reaching the top of the 64-bit range cannot overflow.
            const int64_t start = std::max(run.Start, from);
            const int64_t stop = run.Length > end - run.Start ? end : run.Start + run.Length;
            if (stop > start) cut.push_back({start, stop - start, run.Fill});
        }
    }
    return cut;
}

}  // namespace hx
