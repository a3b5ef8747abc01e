// PNG decoding with libpng.
#pragma once

#include <cstdint>
#include <span>

#include <QImage>

namespace hx {

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr uint32_t MaxPngSide = 4096;

// Decodes PNG data of any colour type and bit depth into an 8-bit RGBA image
// (QImage::Format_RGBA8888, straight alpha; palette, grey and 16-bit data are
// expanded, a missing alpha channel becomes opaque). Returns a null QImage when
// the data is not a complete, valid PNG or is larger than MaxPngSide either way.
QImage DecodePng(std::span<const uint8_t> data);

}  // namespace hx
