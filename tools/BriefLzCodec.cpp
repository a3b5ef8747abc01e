// BriefLZ in its packer's container: a sequence of blocks, each a 24-byte
// header of six big-endian 32-bit fields (signature 62 6C 7A 1A, version 1,
// compressed length, CRC-32 of the compressed bytes or 0, original length,
// CRC-32 of the original bytes or 0) and the block's stream (tools/BriefLz.h).
// An empty input is an empty file.
#include <libdeflate.h>

#include <algorithm>
#include <cstring>

#include "tools/BriefLz.h"
#include "tools/Codec.h"

namespace hx {

namespace {

constexpr uint8_t Signature[4] = {0x62, 0x6C, 0x7A, 0x1A};
constexpr uint32_t Version = 1;

uint32_t ReadBig32(const uint8_t *p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void WriteBig32(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t Crc32(const uint8_t *bytes, int64_t n) { return libdeflate_crc32(0, bytes, static_cast<size_t>(n)); }

// Cuts the input into blocks of BriefLzBlockLength bytes and writes each as
// a header and its stream; every block becomes one output block, so the
// packed bytes are never copied.
class BriefLzCompressor : public Codec {
public:
    explicit BriefLzCompressor(CodecOutput &output) : output_(output) {}

    bool process(const uint8_t *bytes, int64_t n) override {
        while (n > 0) {
            if (status_.fault != CodecFault::None) return false;
            if (pendingLength_ == 0 && n >= BriefLzBlockLength) {
                if (!packBlock(bytes, BriefLzBlockLength)) return false;
                bytes += BriefLzBlockLength;
                n -= BriefLzBlockLength;
                continue;
            }
            if (!pending_) {
                pending_ = ByteBuffer::uninitialised(BriefLzBlockLength, BriefLzBlockLength);
                if (!pending_) return fail(CodecFault::NoMemory);
            }
            const int64_t take = std::min(n, BriefLzBlockLength - pendingLength_);
            std::memcpy(pending_.data() + pendingLength_, bytes, static_cast<size_t>(take));
            pendingLength_ += take;
            bytes += take;
            n -= take;
            if (pendingLength_ == BriefLzBlockLength) {
                pendingLength_ = 0;
                if (!packBlock(pending_.data(), BriefLzBlockLength)) return false;
            }
        }
        return status_.fault == CodecFault::None;
    }

    bool finish() override {
        if (status_.fault != CodecFault::None) return false;
        if (pendingLength_ == 0) return true;
        const int64_t n = pendingLength_;
        pendingLength_ = 0;
        return packBlock(pending_.data(), n);
    }

private:
    bool packBlock(const uint8_t *in, int64_t n) {
        const int64_t bound = BriefLzHeaderLength + BriefLzPackedBound(n);
        if (!output_.allow(bound)) return failOutput(output_);
        ByteBuffer block = ByteBuffer::uninitialised(bound, bound);
        if (!block) return fail(CodecFault::NoMemory);
        uint8_t *stream = block.data() + BriefLzHeaderLength;
        const int64_t packed = packer_.pack(in, n, stream);
        uint8_t *header = block.data();
        std::memcpy(header, Signature, 4);
        WriteBig32(header + 4, Version);
        WriteBig32(header + 8, static_cast<uint32_t>(packed));
        WriteBig32(header + 12, Crc32(stream, packed));
        WriteBig32(header + 16, static_cast<uint32_t>(n));
        WriteBig32(header + 20, Crc32(in, n));
        block.resize(BriefLzHeaderLength + packed);
        return output_.append(std::move(block)) || failOutput(output_);
    }

    CodecOutput &output_;
    BriefLzPacker packer_;
    ByteBuffer pending_;             // input of the block being gathered
    int64_t pendingLength_ = 0;
};

// Reads header, stream, header, stream ... A block's stream is unpacked
// when all of it is there: straight from the piece when the piece holds it,
// else from the bytes gathered across pieces.
class BriefLzDecompressor : public Codec {
public:
    BriefLzDecompressor(CodecOutput &output, int64_t inputLength) : output_(output), inputLength_(inputLength) {}

    bool process(const uint8_t *bytes, int64_t n) override {
        while (n > 0) {
            if (status_.fault != CodecFault::None) return false;
            if (!inBlock_) {
                const int64_t take = std::min<int64_t>(n, BriefLzHeaderLength - headerLength_);
                std::memcpy(header_ + headerLength_, bytes, static_cast<size_t>(take));
                headerLength_ += take;
                bytes += take;
                n -= take;
                offset_ += take;
                if (headerLength_ == BriefLzHeaderLength && !readHeader()) return false;
                continue;
            }
            if (gatheredLength_ == 0 && n >= packedLength_) {
                const int64_t length = packedLength_;
                if (!unpack(bytes)) return false;
                bytes += length;
                n -= length;
                offset_ += length;
                continue;
            }
            // Room for the whole stream: the header was checked against the input's length.
            if (gatheredLength_ == 0 && gathered_.size() < packedLength_) {
                gathered_ = ByteBuffer::uninitialised(packedLength_, packedLength_);
                if (!gathered_) return fail(CodecFault::NoMemory);
            }
            const int64_t take = std::min(n, packedLength_ - gatheredLength_);
            std::memcpy(gathered_.data() + gatheredLength_, bytes, static_cast<size_t>(take));
            gatheredLength_ += take;
            bytes += take;
            n -= take;
            offset_ += take;
            if (gatheredLength_ == packedLength_) {
                gatheredLength_ = 0;
                if (!unpack(gathered_.data())) return false;
            }
        }
        return status_.fault == CodecFault::None;
    }

    bool finish() override {
        if (status_.fault != CodecFault::None) return false;
        if (inBlock_ || headerLength_ > 0) return fail(CodecFault::Truncated, offset_);
        return true;
    }

private:
    // The header is whole; blockStart_ is where it began.
    bool readHeader() {
        blockStart_ = offset_ - BriefLzHeaderLength;
        headerLength_ = 0;
        if (std::memcmp(header_, Signature, 4) != 0) return fail(CodecFault::BadInput, blockStart_);
        if (ReadBig32(header_ + 4) != Version) return fail(CodecFault::BadInput, blockStart_ + 4);
        packedLength_ = ReadBig32(header_ + 8);
        packedCrc_ = ReadBig32(header_ + 12);
        length_ = ReadBig32(header_ + 16);
        crc_ = ReadBig32(header_ + 20);
        // A block that claims more bytes than the input has left, or a stream
        // without bytes to make (or bytes without a stream), is no block.
        if (packedLength_ > inputLength_ - offset_) return fail(CodecFault::BadInput, blockStart_ + 8);
        if ((packedLength_ == 0) != (length_ == 0)) return fail(CodecFault::BadInput, blockStart_ + 8);
        if (length_ == 0) return true;
        if (!output_.allow(length_)) return failOutput(output_);
        inBlock_ = true;
        return true;
    }

    bool unpack(const uint8_t *packed) {
        inBlock_ = false;
        const int64_t streamStart = blockStart_ + BriefLzHeaderLength;
        if (packedCrc_ != 0 && Crc32(packed, packedLength_) != packedCrc_)
            return fail(CodecFault::BadChecksum, blockStart_ + 12);
        ByteBuffer block = ByteBuffer::uninitialised(length_, length_);
        if (!block) return fail(CodecFault::NoMemory);
        const BriefLzUnpacked result = BriefLzUnpack(packed, packedLength_, block.data(), length_);
        if (!result.ok) return fail(CodecFault::BadInput, streamStart + result.at);
        // The stream must fill its block exactly: bytes it leaves unread are not BriefLZ.
        if (result.at != packedLength_) return fail(CodecFault::BadInput, streamStart + result.at);
        if (crc_ != 0 && Crc32(block.data(), length_) != crc_) return fail(CodecFault::BadChecksum, blockStart_ + 20);
        return output_.append(std::move(block)) || failOutput(output_);
    }

    CodecOutput &output_;
    const int64_t inputLength_;
    int64_t offset_ = 0;           // input bytes taken so far
    uint8_t header_[BriefLzHeaderLength] = {};
    int64_t headerLength_ = 0;     // header bytes gathered
    bool inBlock_ = false;         // the header is read; its stream comes
    int64_t blockStart_ = 0;
    int64_t packedLength_ = 0, length_ = 0;
    uint32_t packedCrc_ = 0, crc_ = 0;
    ByteBuffer gathered_;          // the stream, when it comes in several pieces
    int64_t gatheredLength_ = 0;
};

}  // namespace

std::unique_ptr<Codec> MakeBriefLzCodec(const CodecSettings &settings, CodecOutput &output, int64_t inputLength) {
    if (settings.compress) return std::make_unique<BriefLzCompressor>(output);
    return std::make_unique<BriefLzDecompressor>(output, inputLength);
}

}  // namespace hx
