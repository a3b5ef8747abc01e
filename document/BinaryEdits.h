// Listeners told of every change of a store's bytes, whoever made it (the
// undo history's entries, undo and redo, the view's commands that bypass the
// history): marks on byte ranges (bookmarks) follow the bytes through them,
// and results about the bytes (a comparison's differences) are computed again
// from the edit on. And listeners told when a store is freed, so that nobody
// keeps using it (a comparison whose document was closed ends).
//
// The store calls NotifyBinaryEdit after each successful edit with the values
// as it clamped them; a failed edit changed nothing and is not reported.
#pragma once

#include <cstdint>
#include <functional>

namespace hx {

struct Binary;

// [position, position + removed) of store was replaced by `added` new bytes
// (removed 0: an insert; added 0: a removal).
using BinaryEditListener =
    std::function<void(const Binary *store, int64_t position, int64_t removed, int64_t added)>;

// Adds a listener for every store; returns its id (never 0).
int AddBinaryEditListener(BinaryEditListener listener);
// Removes the listener of that id; unknown ids are ignored.
void RemoveBinaryEditListener(int id);
// Calls every listener in the order they were added. Edits of nothing (both
// lengths 0) are not passed on.
void NotifyBinaryEdit(const Binary *store, int64_t position, int64_t removed, int64_t added);

// The store is being freed (FreeBinary calls it before anything of it goes);
// it must not be used after the call.
using BinaryFreeListener = std::function<void(const Binary *store)>;
int AddBinaryFreeListener(BinaryFreeListener listener);
void RemoveBinaryFreeListener(int id);
void NotifyBinaryFreed(const Binary *store);

}  // namespace hx
