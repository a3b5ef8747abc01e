// PNG data of the pictures built into the program (8-bit RGBA). They are
// decoded at start-up (app/settings/Theme.h: LoadBuiltinImages).
#pragma once

#include <cstdint>
#include <span>

namespace hx {

std::span<const uint8_t> LaunchPng();       // launch window picture, 480 x 224
std::span<const uint8_t> ScrollTrackPng();  // scroll bar track, 16 x 24
std::span<const uint8_t> ScrollThumbPng();  // scroll bar thumb, 16 x 24
std::span<const uint8_t> FramePng();        // frame around the hex view's areas, 12 x 12
std::span<const uint8_t> SplitterPng();     // grip of a pane separator, 16 x 16

}  // namespace hx
