#include "platform/Png.h"

#include <png.h>

#include <cstring>

namespace hx {

namespace {

// Owns a png_image control block so that every return path frees libpng's state.
struct PngReader {
    png_image image;
    PngReader() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~PngReader() { png_image_free(&image); }
    PngReader(const PngReader &) = delete;
    PngReader &operator=(const PngReader &) = delete;
};

}  // namespace

QImage DecodePng(std::span<const uint8_t> data) {
    // The simplified reader catches libpng's errors itself (it longjmps back
    // into png_image_* and reports failure), so corrupt data never unwinds
    // through our frames.
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        return {};
    PngReader reader;
    if (!png_image_begin_read_from_memory(&reader.image, data.data(), data.size()))
        return {};
    if (reader.image.width == 0 || reader.image.height == 0 || reader.image.width > MaxPngSide ||
        reader.image.height > MaxPngSide)
        return {};
    reader.image.format = PNG_FORMAT_RGBA;
    QImage result(static_cast<int>(reader.image.width), static_cast<int>(reader.image.height),
                  QImage::Format_RGBA8888);
    if (result.isNull())
        return {};
    // QImage pads rows to 4 bytes, which RGBA rows already are; pass its stride anyway.
    const png_int_32 stride = static_cast<png_int_32>(result.bytesPerLine());
    if (!png_image_finish_read(&reader.image, nullptr, result.bits(), stride, nullptr))
        return {};
    return result;
}

}  // namespace hx
