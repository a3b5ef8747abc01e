#include "BinaryEdits.h"

#include "Listeners.h"

namespace hx {

namespace {

Listeners<BinaryEditListener> &EditListeners() {
    static Listeners<BinaryEditListener> listeners;
    return listeners;
}

Listeners<BinaryFreeListener> &FreeListeners() {
    static Listeners<BinaryFreeListener> listeners;
    return listeners;
}

}  // namespace

int AddBinaryEditListener(BinaryEditListener listener) { return EditListeners().add(std::move(listener)); }

void RemoveBinaryEditListener(int id) { EditListeners().remove(id); }

void NotifyBinaryEdit(const Binary *store, int64_t position, int64_t removed, int64_t added) {
    if (removed == 0 && added == 0) return;
    EditListeners().each([&](const BinaryEditListener &listener) { listener(store, position, removed, added); });
}

int AddBinaryFreeListener(BinaryFreeListener listener) { return FreeListeners().add(std::move(listener)); }

void RemoveBinaryFreeListener(int id) { FreeListeners().remove(id); }

void NotifyBinaryFreed(const Binary *store) {
    FreeListeners().each([&](const BinaryFreeListener &listener) { listener(store); });
}

}  // namespace hx
