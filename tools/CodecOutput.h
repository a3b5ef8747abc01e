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
// With a sink, each block is handed to it as soon as it is full (and the
// rest at flush()), so the output itself holds at most one block: the sink
// puts the bytes where they are kept (the document's chunk writer: memory
// within the edits' budget, the scratch file beyond it).
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
    Sink,       // the sink did not take a block (its owner knows why)
};

struct OutputLimits {
    int64_t askAbove = std::numeric_limits<int64_t>::max();
    int64_t room = std::numeric_limits<int64_t>::max();
    std::function<bool(int64_t produced)> ask;
};

// Takes a full block; false stops the output (OutputFault::Sink).
using OutputSink = std::function<bool(ByteBuffer &&block)>;

class CodecOutput {
public:
    // Blocks that space() hands out hold this many bytes.
    static constexpr int64_t BlockLength = int64_t(1) << 20;

    explicit CodecOutput(OutputLimits limits = {}, OutputSink sink = {})
        : limits_(std::move(limits)), sink_(std::move(sink)) {}

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
    // With a sink: nothing (the sink has them).
    std::vector<ByteBuffer> take();
    // With a sink: hands the blocks still held to it; false when it refused
    // one (or the output had stopped). Without a sink: true, nothing moves.
    bool flush();

private:
    bool stop(OutputFault fault) {
        fault_ = fault;
        return false;
    }
    // Cuts the block space() filled to its written bytes.
    void close();
    // With a sink: hands it every block but an open one; false on refusal.
    bool pass();

    OutputLimits limits_;
    OutputSink sink_;
    bool asked_ = false;
    std::vector<ByteBuffer> blocks_;
    bool lastOpen_ = false;   // the last block came from space() and may have room
    int64_t lastUsed_ = 0;    // bytes written into it
    int64_t length_ = 0;
    OutputFault fault_ = OutputFault::None;
};

}  // namespace hx
