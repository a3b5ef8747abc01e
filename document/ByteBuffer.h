// The memory block of the system: a heap byte buffer that knows its size.
//
// Growing and shrinking never throw: resize() returns false when memory cannot
// be had and then leaves the bytes exactly as they were. A default-constructed
// buffer is "none" (valid() is false); a buffer of size 0 that was allocated
// is valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace hx {

class ByteBuffer {
public:
    ByteBuffer() = default;
    ~ByteBuffer() { std::free(data_); }
    ByteBuffer(ByteBuffer &&other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
          valid_(std::exchange(other.valid_, false)) {}
    ByteBuffer &operator=(ByteBuffer &&other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            valid_ = std::exchange(other.valid_, false);
        }
        return *this;
    }
    ByteBuffer(const ByteBuffer &) = delete;
    ByteBuffer &operator=(const ByteBuffer &) = delete;

    // A zero-filled buffer of n bytes; invalid when n < 0 or memory is short.
    static ByteBuffer zeroed(int64_t n) {
        ByteBuffer b;
        if (n < 0) return b;
        if (n > 0) {
            b.data_ = static_cast<uint8_t *>(std::calloc(static_cast<size_t>(n), 1));
            if (!b.data_) return b;
        }
        b.size_ = n;
        b.valid_ = true;
        return b;
    }
    // A copy of n bytes from source; invalid when memory is short.
    static ByteBuffer copyOf(const void *source, int64_t n) {
        ByteBuffer b;
        if (n < 0) return b;
        if (n > 0) {
            b.data_ = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(n)));
            if (!b.data_) return b;
            if (source) std::memcpy(b.data_, source, static_cast<size_t>(n));
            else std::memset(b.data_, 0, static_cast<size_t>(n));
        }
        b.size_ = n;
        b.valid_ = true;
        return b;
    }

    bool valid() const { return valid_; }
    explicit operator bool() const { return valid_; }
    int64_t size() const { return size_; }
    uint8_t *data() { return data_; }
    const uint8_t *data() const { return data_; }
    uint8_t &operator[](int64_t i) { return data_[i]; }
    uint8_t operator[](int64_t i) const { return data_[i]; }

    // Changes the size, keeping the first min(old, new) bytes; new bytes are
    // not initialised. Returns false (and changes nothing) when memory is short.
    bool resize(int64_t n) {
        if (n < 0) return false;
        if (n == 0) {
            std::free(data_);
            data_ = nullptr;
            size_ = 0;
            valid_ = true;
            return true;
        }
        void *p = std::realloc(data_, static_cast<size_t>(n));
        if (!p) return false;
        data_ = static_cast<uint8_t *>(p);
        size_ = n;
        valid_ = true;
        return true;
    }
    // Frees the bytes; the buffer becomes "none".
    void reset() {
        std::free(data_);
        data_ = nullptr;
        size_ = 0;
        valid_ = false;
    }

private:
    uint8_t *data_ = nullptr;
    int64_t size_ = 0;
    bool valid_ = false;
};

}  // namespace hx
