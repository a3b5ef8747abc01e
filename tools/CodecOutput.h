// Where the output of a compression or decompression run goes: a list of
// blocks kept as they were written, so that the document can take them over
// as its chunks without copying the output once more.
//
// Two limits guard the output, so that no decompression bomb fills memory
// unnoticed:
//   askAbove  when the output would grow past it, ask(length so far) is
//             called once; true lets it grow on up to room, false stops it
//             (OutputFault::Refused). Without ask, askAbove is a hard limit.
//   room      the output never grows past it (OutputFault::TooLarge).
// The output never holds more than the limit in force; a codec asks for room
// before it writes.
//
// Plain C++: no Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "document/ByteBuffer.h"

namespace hx {

enum class OutputFault {
    None,
    NoMemory,   // a block could not be allocated
    Refused,    // past askAbove, and ask said no
    TooLarge,   // past room
};

struct OutputLimits {
    int64_t askAbove = std::numeric_limits<int64_t>::max();
    int64_t room = std::numeric_limits<int64_t>::max();
    std::function<bool(int64_t produced)> ask;
};

class CodecOutput {
public:
    // Blocks that space() hands out hold this many bytes.
    static constexpr int64_t BlockLength = int64_t(1) << 20;

    explicit CodecOutput(OutputLimits limits = {}) : limits_(std::move(limits)) {}

    // May the output grow by n bytes? Asks (once) when that passes askAbove.
    // False, with fault() set, when a limit stops it; a stopped output stays stopped.
    bool allow(int64_t n);
    // A writable area at the end of the output, 1 to BlockLength bytes long
    // (its length in n, never past the limit in force); nullptr with fault()
    // set when memory is short or a limit stops the output. commit() says how
    // many of its bytes were written; the area is valid until the next call.
    uint8_t *space(int64_t &n);
    void commit(int64_t n);
    // Appends a whole block the caller made after allow(block.size()).
    // False (fault NoMemory) when the list cannot grow.
    bool append(ByteBuffer block);

    int64_t length() const { return length_; }
    OutputFault fault() const { return fault_; }
    // The blocks, in order, without empty ones; the output is empty afterwards.
    std::vector<ByteBuffer> take();

private:
    bool stop(OutputFault fault) {
        fault_ = fault;
        return false;
    }
    // Cuts the block space() filled to its written bytes.
    void close();

    OutputLimits limits_;
    bool asked_ = false;
    std::vector<ByteBuffer> blocks_;
    bool lastOpen_ = false;   // the last block came from space() and may have room
    int64_t lastUsed_ = 0;    // bytes written into it
    int64_t length_ = 0;
    OutputFault fault_ = OutputFault::None;
};

// The room an output kept in memory may take: what the system reports as
// available, less a reserve of 256 MiB for the program and the system.
// 0 when that is less than nothing; a generous guess where the system says
// nothing.
int64_t MemoryRoomForOutput();

}  // namespace hx
