// The compression formats of the Compress menu, as streaming codecs: a run
// hands a codec its input piece by piece (process), then calls finish; the
// codec writes what comes out into a CodecOutput. The output does not depend
// on where the input is cut into pieces.
//
//   Zip      DEFLATE through zlib. Compressing writes the zlib format (RFC
//            1950), raw DEFLATE (RFC 1951) or gzip (RFC 1952) at a level of
//            0 (stored) to 9; decompressing tells the three apart by their
//            first bytes (gzip: 1F 8B; zlib: a valid header of method 8;
//            anything else is read as raw DEFLATE) and reads several gzip
//            members one after the other, as gzip -d does.
//   LZMA     liblzma. Compressing writes .xz (CRC-64 check) or .lzma at a
//            preset of 0 to 9; decompressing reads both (and several .xz
//            streams one after the other).
//   BriefLZ  our own, in the block container of the format's packer (see
//            tools/BriefLz.h); both CRC-32 fields are written, and checked
//            when a block gives them.
//
// Decompression is strict: input that is not valid in the format, that ends
// before the compressed data does, or that goes on after it ends, is a fault
// with the offset (from the first input byte) where it went wrong, and a run
// with a fault writes nothing. Every refusal is a fault, never garbage output.
//
// Plain C++: no Qt.
#pragma once

#include <cstdint>
#include <memory>

#include "tools/CodecOutput.h"

namespace hx {

enum class CodecFormat { Zip, Lzma, BriefLz };
enum class ZipContainer { Zlib, Raw, Gzip };
enum class LzmaContainer { Xz, Lzma };

inline constexpr int DefaultZipLevel = 6;      // zlib's default
inline constexpr int DefaultLzmaPreset = 6;    // xz's default

struct CodecSettings {
    CodecFormat format = CodecFormat::Zip;
    bool compress = true;
    int container = 0;   // ZipContainer or LzmaContainer, when compressing
    int level = 6;       // Zip: zlib level 0 ... 9; LZMA: preset 0 ... 9; BriefLZ: unused
};

enum class CodecFault {
    None,
    BadInput,        // not valid in the format; offset: where it went wrong
    Truncated,       // the input ends inside the compressed data; offset: the input's length
    TrailingData,    // bytes after the end of the compressed data; offset: the first of them
    BadChecksum,     // a check value does not match; offset: where the check value is
    NeedsMemory,     // LZMA: the data needs more memory to unpack than allowed; amount: how much
    NoMemory,        // memory ran out
    OutputRefused,   // the output grew past the limit that asks, and the answer was no
    OutputTooLarge,  // the output would not fit in the room it has
    Failed,          // the library refused for another reason
};

struct CodecStatus {
    CodecFault fault = CodecFault::None;
    int64_t offset = -1;
    int64_t amount = 0;
};

// The most memory an LZMA decoder may take (its dictionary, mostly): 1 GiB,
// far above what any preset of xz needs (65 MiB for -9).
inline constexpr uint64_t LzmaDecoderMemoryLimit = uint64_t(1) << 30;

class Codec {
public:
    virtual ~Codec() = default;
    // The next piece of input. False when the run must stop: status() says why.
    virtual bool process(const uint8_t *bytes, int64_t n) = 0;
    // After the last piece: writes what is left. False on a fault.
    virtual bool finish() = 0;
    const CodecStatus &status() const { return status_; }

protected:
    bool fail(CodecFault fault, int64_t offset = -1) {
        if (status_.fault == CodecFault::None) status_ = {fault, offset, 0};
        return false;
    }
    // The fault that stopped output: memory, or one of its limits.
    bool failOutput(const CodecOutput &output) {
        switch (output.fault()) {
        case OutputFault::Refused: return fail(CodecFault::OutputRefused);
        case OutputFault::TooLarge: return fail(CodecFault::OutputTooLarge);
        case OutputFault::NoMemory:
        case OutputFault::Sink:   // where the bytes go said no: its owner tells why
        case OutputFault::None: break;
        }
        return fail(CodecFault::NoMemory);
    }
    CodecStatus status_;
};

// A codec for one run. inputLength is the length of the whole input (the
// BriefLZ reader refuses a block that claims more bytes than are left before
// it reserves room for them). A codec that could not be set up comes with
// its fault already set: process and finish then return false.
std::unique_ptr<Codec> MakeCodec(const CodecSettings &settings, CodecOutput &output, int64_t inputLength);

std::unique_ptr<Codec> MakeZipCodec(const CodecSettings &settings, CodecOutput &output);
std::unique_ptr<Codec> MakeLzmaCodec(const CodecSettings &settings, CodecOutput &output);
std::unique_ptr<Codec> MakeBriefLzCodec(const CodecSettings &settings, CodecOutput &output, int64_t inputLength);

}  // namespace hx
