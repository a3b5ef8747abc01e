// Callbacks kept under ids, called in the order they were added: the store's
// edit listeners, the views' highlight sources.
#pragma once

#include <utility>
#include <vector>

namespace hx {

template <typename Callback>
class Listeners {
public:
    // Returns the callback's id (never 0).
    int add(Callback callback) {
        entries_.push_back({++next_, std::move(callback)});
        return next_;
    }
    // Unknown ids are ignored.
    void remove(int id) {
        std::erase_if(entries_, [id](const Entry &e) { return e.id == id; });
    }
    // Calls visit(callback) for each, in order. A callback may add or remove
    // listeners while it runs: one added is first called by the next walk;
    // one removed is not called any more, not even later in this walk (its
    // owner may be gone). Each call is made on a copy, so a callback may
    // remove itself while it runs.
    template <typename Visit>
    void each(Visit &&visit) const {
        const std::vector<Entry> entries = entries_;
        for (const Entry &e : entries)
            if (e.callback && registered(e.id)) visit(e.callback);
    }

private:
    bool registered(int id) const {
        for (const Entry &e : entries_)
            if (e.id == id) return true;
        return false;
    }
    struct Entry {
        int id;
        Callback callback;
    };
    std::vector<Entry> entries_;
    int next_ = 0;
};

}  // namespace hx
