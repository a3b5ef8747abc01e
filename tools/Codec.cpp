#include "tools/Codec.h"

namespace hx {

std::unique_ptr<Codec> MakeCodec(const CodecSettings &settings, CodecOutput &output, int64_t inputLength) {
    switch (settings.format) {
    case CodecFormat::Lzma: return MakeLzmaCodec(settings, output);
    case CodecFormat::BriefLz: return MakeBriefLzCodec(settings, output, inputLength);
    case CodecFormat::Zip: break;
    }
    return MakeZipCodec(settings, output);
}

}  // namespace hx
