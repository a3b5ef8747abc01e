#include "BinaryEdits.h"

#include <utility>
#include <vector>

namespace hx {

namespace {

struct Entry {
    int id = 0;
    BinaryEditListener listener;
};

std::vector<Entry> &Listeners() {
    static std::vector<Entry> listeners;
    return listeners;
}

}  // namespace

int AddBinaryEditListener(BinaryEditListener listener) {
    static int next = 0;
    Listeners().push_back({++next, std::move(listener)});
    return next;
}

void RemoveBinaryEditListener(int id) {
    auto &all = Listeners();
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it->id != id) continue;
        all.erase(it);
        return;
    }
}

void NotifyBinaryEdit(const Binary *store, int64_t position, int64_t removed, int64_t added) {
    if (removed == 0 && added == 0) return;
    // A listener may remove itself (or add another) while it is told: walk a copy.
    const std::vector<Entry> listeners = Listeners();
    for (const Entry &entry : listeners)
        if (entry.listener) entry.listener(store, position, removed, added);
}

}  // namespace hx
