// The look shared by every hex view: fonts, colours, paddings and the
// pictures of frames, scroll bar and separator grip. The application fills it
// once at start-up; FillDefaultHexViewLook gives a usable look without the
// application's pictures (tests, tools).
#pragma once

#include <cstdint>

#include <QFont>
#include <QImage>

#include "platform/Canvas.h"

namespace hx {

struct FrameImage;

struct HexViewLook {
    QFont ControlFont;              // default control font
    Colour FaceColour = 0;          // button face, opaque
    Colour ShadowColour = 0;        // button shadow, opaque
    Colour DarkShadowColour = 0;    // dark three-dimensional shadow, opaque
    Colour HighlightColour = 0;     // button highlight, opaque
    QFont Font;                     // "Courier New" 10 (fixed pitch)
    int32_t ColumnPadding = 6;
    int32_t RowPadding = 4;
    int32_t CellGap = 3;
    int32_t AreaGap = 6;
    const FrameImage *AreaFrame = nullptr;   // 12 x 12, borders 4, hollow
    const FrameImage *TrackFrame = nullptr;  // 16 x 24, borders 4, 0, 4, 0
    const FrameImage *ThumbFrame = nullptr;  // 16 x 24, borders 4, 0, 4, 0
    QImage Grip;                             // 16 x 16, tiled along separators
};

HexViewLook &HexLook();

// Fonts, system colours and paddings; the pictures are left as they are
// (none unless the application set them).
void FillDefaultHexViewLook();

// Fixed drawing colours.
inline constexpr Colour HexTextColour = RGBA(0, 64, 192);
inline constexpr Colour CharTextColour = RGBA(32, 128, 0);
inline constexpr Colour DotColour = RGBA(255, 128, 0);
inline constexpr Colour PendingColour = RGBA(255, 0, 255);
inline constexpr Colour AreaColour = RGBA(255, 255, 255);
inline constexpr Colour HexAccent = RGBA(0, 64, 192);
inline constexpr Colour CharAccent = RGBA(32, 128, 0);

// Colour c with alpha a blended onto opaque white: per channel
// (c * a + 255 * (255 - a)) / 255, opaque.
constexpr Colour BlendOntoWhite(Colour c, int a) {
    auto mix = [a](int channel) { return (channel * a + 255 * (255 - a)) / 255; };
    return RGBA(mix(Red(c)), mix(Green(c)), mix(Blue(c)), 255);
}

}  // namespace hx
