#include "tools/CodecOutput.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
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
    length_ += n;
    return fault_ == OutputFault::None;
}

void CodecOutput::close() {
    if (!lastOpen_) return;
    // Shrinking gives the unused part of the block back; it never fails.
    blocks_.back().resize(lastUsed_);
    lastOpen_ = false;
}

std::vector<ByteBuffer> CodecOutput::take() {
    close();
    std::vector<ByteBuffer> blocks;
    blocks.swap(blocks_);
    std::erase_if(blocks, [](const ByteBuffer &b) { return b.size() == 0; });
    length_ = 0;
    return blocks;
}

int64_t MemoryRoomForOutput() {
    constexpr int64_t Reserve = int64_t(256) << 20;
    int64_t available = -1;
    if (FILE *meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        long long kib = 0;
        while (std::fgets(line, sizeof line, meminfo))
            if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
                available = static_cast<int64_t>(kib) * 1024;
                break;
            }
        std::fclose(meminfo);
    }
    if (available < 0) {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
        available = pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : int64_t(1) << 30;
    }
    return std::max<int64_t>(available - Reserve, 0);
}

}  // namespace hx
