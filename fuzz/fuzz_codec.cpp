// libFuzzer target for the decoders of the Compress menu, which read whatever
// bytes the user selected: the first input byte chooses Zip, LZMA or BriefLZ
// and how the rest is cut into pieces; the rest is decompressed under small
// output limits. Any input must end in a result or a fault, never in a read
// or write outside a buffer (the sanitizers trap). BriefLZ round trips are
// checked as well: our packer's output of the input must unpack to it.

#include <cstdio>
#include <vector>

#include "tools/Codec.h"

using namespace hx;

namespace {

std::vector<uint8_t> Run(const CodecSettings &settings, const uint8_t *data, size_t size, size_t piece, CodecStatus &status) {
    OutputLimits limits;
    limits.askAbove = int64_t(1) << 20;
    limits.ask = [](int64_t) { return true; };
    limits.room = int64_t(16) << 20;
    CodecOutput output(std::move(limits));
    std::unique_ptr<Codec> codec = MakeCodec(settings, output, static_cast<int64_t>(size));
    bool ok = true;
    for (size_t done = 0; ok && done < size; done += piece)
        ok = codec->process(data + done, static_cast<int64_t>(std::min(piece, size - done)));
    if (ok) codec->finish();
    status = codec->status();
    std::vector<uint8_t> bytes;
    for (const ByteBuffer &b : output.take()) bytes.insert(bytes.end(), b.data(), b.data() + b.size());
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const uint8_t choice = data[0];
    ++data;
    --size;
    const CodecFormat formats[] = {CodecFormat::Zip, CodecFormat::Lzma, CodecFormat::BriefLz};
    const CodecFormat format = formats[choice % 3];
    const size_t piece = 1 + (choice >> 2) * 97;
    CodecStatus status;
    Run({format, false, 0, 0}, data, size, piece, status);

    if (format == CodecFormat::BriefLz && size <= (64 << 10)) {
        CodecStatus packed, unpacked;
        const std::vector<uint8_t> stream = Run({format, true, 0, 0}, data, size, piece, packed);
        const std::vector<uint8_t> back = Run({format, false, 0, 0}, stream.data(), stream.size(), piece, unpacked);
        if (packed.fault != CodecFault::None || unpacked.fault != CodecFault::None ||
            back != std::vector<uint8_t>(data, data + size)) {
            std::fprintf(stderr, "BriefLZ round trip differs\n");
            __builtin_trap();
        }
    }
    return 0;
}
