// The memory block of the system: a heap byte buffer that knows its size.
//
// Growing never throws: resize() and reserve() return false when memory cannot
// be had and then leave the bytes exactly as they were. Shrinking never fails
// (when the block cannot be made smaller it is kept, with the smaller size).
// A default-constructed buffer is "none" (valid() is false); a buffer of size
// 0 that was allocated is valid.
//
// capacity() >= size() is the room the block has; resize() within it needs no
// allocation, which lets the byte store get all the memory an edit needs before
// it changes anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace hx {

// Test hook for running out of memory. While Budget is >= 0 it is the number of
// further allocations (new blocks and growth) that succeed; once it reaches 0
// every allocation fails as if memory were short. -1 (the default): no limit.
struct ByteBufferFaults {
    static inline int64_t Budget = -1;

    static bool mayAllocate() {
        if (Budget < 0) return true;
        if (Budget == 0) return false;
        --Budget;
        return true;
    }
};

class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer() { std::free(data_); }
    ByteBuffer(ByteBuffer &&other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)), valid_(std::exchange(other.valid_, false)) {}
    ByteBuffer &operator=(ByteBuffer &&other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
            valid_ = std::exchange(other.valid_, false);
        }
        return *this;
    }
    ByteBuffer(const ByteBuffer &) = delete;
    ByteBuffer &operator=(const ByteBuffer &) = delete;

    // A zero-filled buffer of n bytes; invalid when n < 0 or memory is short.
    static ByteBuffer zeroed(int64_t n) {
        ByteBuffer b;
        if (n < 0 || !fitsSizeT(n)) return b;
        if (n > 0) {
            if (!ByteBufferFaults::mayAllocate()) return b;
            b.data_ = static_cast<uint8_t *>(std::calloc(static_cast<size_t>(n), 1));
            if (!b.data_) return b;
        }
        b.size_ = b.capacity_ = n;
        b.valid_ = true;
        return b;
    }
    // A copy of n bytes from source (zeros when source is null); invalid when
    // n < 0 or memory is short.
    static ByteBuffer copyOf(const void *source, int64_t n) {
        ByteBuffer b = uninitialised(n, n);
        if (!b.valid_ || n == 0) return b;
        if (source) std::memcpy(b.data_, source, static_cast<size_t>(n));
        else std::memset(b.data_, 0, static_cast<size_t>(n));
        return b;
    }
    // n bytes of unspecified content in a block with room for capacity bytes
    // (at least n); invalid when n < 0 or memory is short.
    static ByteBuffer uninitialised(int64_t n, int64_t capacity) {
        ByteBuffer b;
        if (capacity < n) capacity = n;
        if (n < 0 || !fitsSizeT(capacity)) return b;
        if (capacity > 0) {
            if (!ByteBufferFaults::mayAllocate()) return b;
            b.data_ = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(capacity)));
            if (!b.data_) return b;
        }
        b.size_ = n;
        b.capacity_ = capacity;
        b.valid_ = true;
        return b;
    }

    bool valid() const { return valid_; }
    explicit operator bool() const { return valid_; }
    int64_t size() const { return size_; }
    int64_t capacity() const { return capacity_; }
    uint8_t *data() { return data_; }
    const uint8_t *data() const { return data_; }
    uint8_t &operator[](int64_t i) { return data_[i]; }
    uint8_t operator[](int64_t i) const { return data_[i]; }

    // Makes room for n bytes without changing the size or the bytes. A "none"
    // buffer becomes a valid empty one. False (nothing changed) when memory is short.
    bool reserve(int64_t n) {
        if (n <= capacity_) {
            valid_ = true;
            return true;
        }
        if (!fitsSizeT(n) || !ByteBufferFaults::mayAllocate()) return false;
        void *p = std::realloc(data_, static_cast<size_t>(n));
        if (!p) return false;
        data_ = static_cast<uint8_t *>(p);
        capacity_ = n;
        valid_ = true;
        return true;
    }

    // Changes the size, keeping the first min(old, new) bytes; new bytes are
    // not initialised. Growing past capacity() can fail: false, nothing
    // changed. Shrinking always succeeds; it gives memory back once the unused
    // room is worth it (more than 128 KiB and a quarter of the bytes), so that
    // edits of a byte or two back and forth do not move a big block each time.
    bool resize(int64_t n) {
        if (n < 0) return false;
        if (n > capacity_ && !reserve(n)) return false;
        size_ = n;
        valid_ = true;
        const int64_t unused = capacity_ - n;
        if (unused > (int64_t(128) << 10) && unused > n / 4) shrinkToFit();
        if (n == 0) shrinkToFit();
        return true;
    }
    // Gives back the room beyond size() when the allocator lets it.
    void shrinkToFit() {
        if (capacity_ == size_) return;
        if (size_ == 0) {
            std::free(data_);
            data_ = nullptr;
            capacity_ = 0;
            return;
        }
        void *p = std::realloc(data_, static_cast<size_t>(size_));
        if (!p) return;   // the larger block stays; it is still ours and correct
        data_ = static_cast<uint8_t *>(p);
        capacity_ = size_;
    }
    // Frees the bytes; the buffer becomes "none".
    void reset() {
        std::free(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
        valid_ = false;
    }

private:
    static bool fitsSizeT(int64_t n) {
        return static_cast<uint64_t>(n) <= static_cast<uint64_t>(PTRDIFF_MAX);
    }

    uint8_t *data_ = nullptr;
    int64_t size_ = 0;
    int64_t capacity_ = 0;
    bool valid_ = false;
};

}  // namespace hx
