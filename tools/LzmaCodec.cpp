// LZMA: the .xz and .lzma formats through liblzma's streaming interface.
#include <lzma.h>

#include <algorithm>

#include "tools/Codec.h"

namespace hx {

namespace {

class LzmaCodec : public Codec {
public:
    LzmaCodec(const CodecSettings &settings, CodecOutput &output) : output_(output), compress_(settings.compress) {
        if (!compress_) return;   // the first byte tells .xz from .lzma
        lzma_ret result = LZMA_OK;
        if (static_cast<LzmaContainer>(settings.container) == LzmaContainer::Lzma) {
            lzma_options_lzma options;
            if (lzma_lzma_preset(&options, static_cast<uint32_t>(std::clamp(settings.level, 0, 9))))
                result = LZMA_OPTIONS_ERROR;
            else
                result = lzma_alone_encoder(&stream_, &options);
        } else {
            result = lzma_easy_encoder(&stream_, static_cast<uint32_t>(std::clamp(settings.level, 0, 9)),
                                       LZMA_CHECK_CRC64);
        }
        if (result == LZMA_OK) return;
        fail(result == LZMA_MEM_ERROR ? CodecFault::NoMemory : CodecFault::Failed);
    }
    ~LzmaCodec() override { lzma_end(&stream_); }

    bool process(const uint8_t *bytes, int64_t n) override {
        if (status_.fault != CodecFault::None) return false;
        if (n <= 0) return true;
        if (ended_) return fail(CodecFault::TrailingData, static_cast<int64_t>(stream_.total_in));
        if (!compress_ && !started_ && !startDecoder(bytes[0])) return false;
        stream_.next_in = bytes;
        stream_.avail_in = static_cast<size_t>(n);
        return run(LZMA_RUN);
    }

    bool finish() override {
        if (status_.fault != CodecFault::None) return false;
        if (ended_) return true;
        if (!compress_ && !started_) return fail(CodecFault::Truncated, 0);
        stream_.next_in = nullptr;
        stream_.avail_in = 0;
        return run(LZMA_FINISH);
    }

private:
    // .xz streams begin with FD; a .lzma stream begins with its properties
    // byte, which is at most 224. Several .xz streams one after the other
    // are read as xz -d reads them; a .lzma stream ends where it says, and
    // bytes after it are trailing data.
    bool startDecoder(uint8_t first) {
        started_ = true;
        const lzma_ret result = first == 0xFD ? lzma_stream_decoder(&stream_, LzmaDecoderMemoryLimit, LZMA_CONCATENATED)
                                              : lzma_alone_decoder(&stream_, LzmaDecoderMemoryLimit);
        if (result == LZMA_OK) return true;
        return fail(result == LZMA_MEM_ERROR ? CodecFault::NoMemory : CodecFault::Failed);
    }

    // Codes until the input is taken (LZMA_RUN) or the stream ends (LZMA_FINISH).
    // Output that has no room yet waits in liblzma for the next call.
    bool run(lzma_action action) {
        for (;;) {
            int64_t room = 0;
            uint8_t *out = output_.space(room);
            if (!out) return failOutput(output_);
            stream_.next_out = out;
            stream_.avail_out = static_cast<size_t>(room);
            const lzma_ret result = lzma_code(&stream_, action);
            output_.commit(room - static_cast<int64_t>(stream_.avail_out));
            const auto at = static_cast<int64_t>(stream_.total_in);
            switch (result) {
            case LZMA_STREAM_END:
                ended_ = true;
                // The end of a .lzma stream with a known size: what follows is not part of it.
                if (stream_.avail_in > 0) return fail(CodecFault::TrailingData, at);
                return true;
            case LZMA_OK: break;
            case LZMA_BUF_ERROR:
                // No progress is possible: at the end, the input stopped inside the stream.
                if (action == LZMA_FINISH) return fail(CodecFault::Truncated, at);
                break;
            case LZMA_MEM_ERROR: return fail(CodecFault::NoMemory);
            case LZMA_MEMLIMIT_ERROR:
                fail(CodecFault::NeedsMemory, at);
                status_.amount = static_cast<int64_t>(lzma_memusage(&stream_));
                return false;
            case LZMA_FORMAT_ERROR:
            case LZMA_OPTIONS_ERROR:
            case LZMA_DATA_ERROR:
            case LZMA_UNSUPPORTED_CHECK: return fail(compress_ ? CodecFault::Failed : CodecFault::BadInput, at);
            default: return fail(CodecFault::Failed);
            }
            if (action == LZMA_RUN && stream_.avail_in == 0) return true;
        }
    }

    CodecOutput &output_;
    bool compress_;
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool started_ = false;   // decoding: the decoder is chosen
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<Codec> MakeLzmaCodec(const CodecSettings &settings, CodecOutput &output) {
    return std::make_unique<LzmaCodec>(settings, output);
}

}  // namespace hx
