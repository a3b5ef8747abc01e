// Zip: DEFLATE in the zlib, raw or gzip container through zlib's streaming
// interface.
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "tools/Codec.h"

namespace hx {

namespace {

// zlib takes 32-bit lengths: longer pieces are fed in parts.
constexpr int64_t MaxFeed = int64_t(1) << 30;

int WindowBits(ZipContainer container) {
    switch (container) {
    case ZipContainer::Raw: return -MAX_WBITS;
    case ZipContainer::Gzip: return MAX_WBITS + 16;
    case ZipContainer::Zlib: break;
    }
    return MAX_WBITS;
}

// The container of compressed data, told by its first two bytes: the gzip
// magic, or a zlib header (method 8, a window of at most 32 KiB and the
// check bits that make the 16-bit header a multiple of 31); else raw DEFLATE.
// Raw DEFLATE from an encoder never looks like zlib: a first byte with the low
// nibble 8 would be a stored, non-final block with a padding bit set, and
// encoders pad with zeros.
ZipContainer Detect(const uint8_t head[2]) {
    if (head[0] == 0x1F && head[1] == 0x8B) return ZipContainer::Gzip;
    if ((head[0] & 0x0F) == Z_DEFLATED && (head[0] >> 4) <= 7 && ((head[0] << 8) | head[1]) % 31 == 0)
        return ZipContainer::Zlib;
    return ZipContainer::Raw;
}

class ZipCompressor : public Codec {
public:
    ZipCompressor(const CodecSettings &settings, CodecOutput &output) : output_(output) {
        const int level = std::clamp(settings.level, 0, 9);
        if (deflateInit2(&z_, level, Z_DEFLATED, WindowBits(static_cast<ZipContainer>(settings.container)), 8,
                         Z_DEFAULT_STRATEGY) != Z_OK) {
            fail(CodecFault::NoMemory);
            return;
        }
        open_ = true;
    }
    ~ZipCompressor() override {
        if (open_) deflateEnd(&z_);
    }

    bool process(const uint8_t *bytes, int64_t n) override {
        if (status_.fault != CodecFault::None) return false;
        while (n > 0) {
            const int64_t part = std::min(n, MaxFeed);
            z_.next_in = const_cast<Bytef *>(bytes);
            z_.avail_in = static_cast<uInt>(part);
            if (!run(Z_NO_FLUSH)) return false;
            bytes += part;
            n -= part;
        }
        return true;
    }

    bool finish() override {
        if (status_.fault != CodecFault::None) return false;
        z_.next_in = nullptr;
        z_.avail_in = 0;
        return run(Z_FINISH);
    }

private:
    // Deflates until the input is taken (Z_NO_FLUSH) or the stream is ended (Z_FINISH).
    bool run(int flush) {
        for (;;) {
            int64_t room = 0;
            uint8_t *out = output_.space(room);
            if (!out) return failOutput(output_);
            z_.next_out = out;
            z_.avail_out = static_cast<uInt>(room);
            const int result = deflate(&z_, flush);
            output_.commit(room - z_.avail_out);
            if (result == Z_STREAM_END) return true;
            if (result != Z_OK && result != Z_BUF_ERROR) return fail(CodecFault::Failed);
            if (flush == Z_NO_FLUSH && z_.avail_in == 0 && z_.avail_out > 0) return true;
        }
    }

    CodecOutput &output_;
    z_stream z_{};
    bool open_ = false;
};

class ZipDecompressor : public Codec {
public:
    explicit ZipDecompressor(CodecOutput &output) : output_(output) {}
    ~ZipDecompressor() override {
        if (open_) inflateEnd(&z_);
    }

    bool process(const uint8_t *bytes, int64_t n) override {
        while (n > 0) {
            if (status_.fault != CodecFault::None) return false;
            if (ended_) return afterEnd(bytes, n);
            if (!open_) {
                // The first two bytes decide the container.
                while (headLength_ < 2 && n > 0) {
                    head_[headLength_++] = *bytes++;
                    --n;
                }
                if (headLength_ < 2) return true;
                if (!start(Detect(head_)) || !feed(head_, 2)) return false;
                continue;
            }
            const int64_t part = std::min(n, MaxFeed);
            const int64_t before = z_.total_in;
            if (!feed(bytes, part)) return false;
            const int64_t used = static_cast<int64_t>(z_.total_in) - before;
            if (used == 0 && !ended_) return fail(CodecFault::Failed);   // zlib took nothing: never loop
            bytes += used;
            n -= used;
        }
        return status_.fault == CodecFault::None;
    }

    bool finish() override {
        if (status_.fault != CodecFault::None) return false;
        if (ended_) {
            // A lone byte after a gzip member: not the start of another one.
            if (headLength_ > 0) return fail(CodecFault::TrailingData, consumed_);
            return true;
        }
        // One byte cannot be told apart: it is read as raw DEFLATE (and is too short for it).
        if (!open_ && headLength_ > 0) {
            const int64_t n = headLength_;
            if (!start(ZipContainer::Raw) || !feed(head_, n)) return false;
        }
        // Output that waited for room, up to the end of the stream if the input holds it.
        if (open_ && !ended_ && !feed(nullptr, 0)) return false;
        if (ended_) return true;
        return fail(CodecFault::Truncated, consumed_);
    }

private:
    bool start(ZipContainer container) {
        container_ = container;
        if (inflateInit2(&z_, WindowBits(container)) != Z_OK) return fail(CodecFault::NoMemory);
        open_ = true;
        headLength_ = 0;
        return true;
    }

    // Inflates the bytes until they are taken or the stream ends; consumed_
    // follows the bytes inflate took. Without bytes: inflates what is left
    // until no more output comes. Output that has no room yet waits in zlib
    // for the next call, so that room is asked for only when output comes.
    bool feed(const uint8_t *bytes, int64_t n) {
        z_.next_in = const_cast<Bytef *>(bytes);
        z_.avail_in = static_cast<uInt>(n);
        for (;;) {
            int64_t room = 0;
            uint8_t *out = output_.space(room);
            if (!out) return failOutput(output_);
            z_.next_out = out;
            z_.avail_out = static_cast<uInt>(room);
            const uInt before = z_.avail_in;
            const int result = inflate(&z_, Z_NO_FLUSH);
            output_.commit(room - z_.avail_out);
            consumed_ += before - z_.avail_in;
            switch (result) {
            case Z_STREAM_END:
                ended_ = true;
                return true;
            case Z_OK:
            case Z_BUF_ERROR: break;
            case Z_NEED_DICT: return fail(CodecFault::BadInput, streamStart_ + 1);   // the FDICT bit
            case Z_MEM_ERROR: return fail(CodecFault::NoMemory);
            default: return fail(CodecFault::BadInput, consumed_);
            }
            if (n > 0 && z_.avail_in == 0) return true;
            if (z_.avail_out > 0) return true;   // took what it could; no more output for now
        }
    }

    // Input after the end of a stream: another gzip member, or trailing bytes.
    bool afterEnd(const uint8_t *bytes, int64_t n) {
        if (container_ != ZipContainer::Gzip) return fail(CodecFault::TrailingData, consumed_);
        while (headLength_ < 2 && n > 0) {
            head_[headLength_++] = *bytes++;
            --n;
        }
        if (headLength_ < 2) return true;
        if (head_[0] != 0x1F || head_[1] != 0x8B) return fail(CodecFault::TrailingData, consumed_);
        if (inflateReset(&z_) != Z_OK) return fail(CodecFault::Failed);
        ended_ = false;
        headLength_ = 0;
        streamStart_ = consumed_;
        return feed(head_, 2) && process(bytes, n);
    }

    CodecOutput &output_;
    z_stream z_{};
    bool open_ = false, ended_ = false;
    ZipContainer container_ = ZipContainer::Raw;
    uint8_t head_[2] = {};
    int headLength_ = 0;       // bytes waiting in head_
    int64_t consumed_ = 0;     // input bytes inflate has taken, over all members
    int64_t streamStart_ = 0;  // where the current member began
};

}  // namespace

std::unique_ptr<Codec> MakeZipCodec(const CodecSettings &settings, CodecOutput &output) {
    if (settings.compress) return std::make_unique<ZipCompressor>(settings, output);
    return std::make_unique<ZipDecompressor>(output);
}

}  // namespace hx
