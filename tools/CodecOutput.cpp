#include "tools/CodecOutput.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace hx {

bool CodecOutput::allow(int64_t n) {
    if (fault_ != OutputFault::None) return false;
    if (n <= 0) return true;
    if (!asked_ && n > limits_.askAbove - length_) {
        if (!limits_.ask) return stop(OutputFault::Refused);
        asked_ = true;
        if (!limits_.ask(length_)) return stop(OutputFault::Refused);
    }
    if (n > limits_.room - length_) return stop(OutputFault::TooLarge);
    return true;
}

uint8_t *CodecOutput::space(int64_t &n) {
    n = 0;
    if (fault_ != OutputFault::None) return nullptr;
    auto limit = [this] { return asked_ ? limits_.room : std::min(limits_.askAbove, limits_.room); };
    if (length_ >= limit() && !allow(1)) return nullptr;
    const bool reuse = lastOpen_ && lastUsed_ < blocks_.back().size();
    if (!reuse) {
        close();
        if (!pass()) return nullptr;
        ByteBuffer block = ByteBuffer::uninitialised(BlockLength, BlockLength);
        if (!block) return stop(OutputFault::NoMemory), nullptr;
        try {
            blocks_.push_back(std::move(block));
        } catch (const std::bad_alloc &) {
            return stop(OutputFault::NoMemory), nullptr;
        }
        lastOpen_ = true;
        lastUsed_ = 0;
    }
    n = std::min(blocks_.back().size() - lastUsed_, limit() - length_);
    return blocks_.back().data() + lastUsed_;
}

void CodecOutput::commit(int64_t n) {
    if (!lastOpen_ || n <= 0) return;
    lastUsed_ += n;
    length_ += n;
}

bool CodecOutput::append(ByteBuffer block) {
    if (!block.valid() || block.size() == 0) return fault_ == OutputFault::None;
    close();
    const int64_t n = block.size();
    try {
        blocks_.push_back(std::move(block));
    } catch (const std::bad_alloc &) {
        return stop(OutputFault::NoMemory);
    }
    if (!pass()) return false;
    length_ += n;
    return fault_ == OutputFault::None;
}

void CodecOutput::close() {
    if (!lastOpen_) return;
    // Shrinking gives the unused part of the block back; it never fails.
    blocks_.back().resize(lastUsed_);
    lastOpen_ = false;
}

bool CodecOutput::pass() {
    if (!sink_) return true;
    for (ByteBuffer &block : blocks_)
        if (block.size() > 0 && !sink_(std::move(block))) {
            blocks_.clear();
            lastOpen_ = false;
            return stop(OutputFault::Sink);
        }
    blocks_.clear();
    return true;
}

bool CodecOutput::flush() {
    if (fault_ != OutputFault::None) return false;
    close();
    return pass();
}

std::vector<ByteBuffer> CodecOutput::take() {
    close();
    std::vector<ByteBuffer> blocks;
    blocks.swap(blocks_);
    std::erase_if(blocks, [](const ByteBuffer &b) { return b.size() == 0; });
    length_ = 0;
    return blocks;
}

}  // namespace hx
