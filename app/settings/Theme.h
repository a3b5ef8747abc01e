// Icon themes and the built-in pictures.
//
// A theme is a ZIP archive of PNG images, "Themes/<name>.zip". Each entry is
// decoded once at start-up; its icon name is the entry name (with any folder
// part) without its last four characters, in lower case, so "New.png" is
// found as "new" and "Icons/New.png" as "icons/new". A later entry replaces
// an earlier one of the same name. Entries that are not decodable PNGs, or
// whose size exceeds MaxThemeEntrySize, are skipped.
//
// Images are QImage::Format_RGBA8888 (straight, not premultiplied, alpha).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include "platform/FrameImage.h"

namespace hx {

// An entry declaring more bytes than this is skipped without being read.
inline constexpr uint64_t MaxThemeEntrySize = 16u * 1024 * 1024;

// The icon names the program asks for.
inline constexpr std::array<const char *, 35> ProgramIconNames = {
    "New",        "Open",          "Save",          "Close",          "CloseAll",
    "Quit",       "Undo",          "Redo",          "Cut",            "Copy",
    "Paste",      "SelectAll",     "SearchAndReplace", "ValuesEditor", "Histogram",
    "Configurations", "AddSplitter", "RemoveSplitter", "Recent",      "Fingerprint",
    "Compress",   "Cipher",        "MD5",           "CRC32",          "SHA1",
    "Adler32",    "XOr",           "AESEncoder",    "AESDecoder",     "Base64Encoder",
    "Base64Decoder", "BriefLZ",    "Zip",           "LZMA",           "Set",
};

// Replaces the icon map with the icons of the archive at path. Returns false
// when the archive cannot be opened (the map is then empty).
bool LoadTheme(const std::string &path);
// Empties the icon map.
void ClearTheme();
// The icon for name (any case), or nullptr. The map owns the image.
const QImage *GetIcon(std::string_view name);
// The names in the map (lower case, sorted); for tests and the icon sheet.
std::vector<std::string> IconNames();

// ---- built-in pictures ----------------------------------------------------------

// Decodes the built-in PNGs and cuts the hex view's frames: the area frame
// (12 x 12, all borders 4, hollow), the scroll track and thumb (16 x 24,
// borders 4, 0, 4, 0). A picture that cannot be decoded stays null / nullptr.
// Calling it again replaces the earlier images.
void LoadBuiltinImages();
const QImage &LaunchImage();          // 480 x 224
const QImage &SplitterImage();        // 16 x 16, tiled along a separator
const FrameImage *AreaFrame();        // around the white areas
const FrameImage *ScrollTrackFrame();
const FrameImage *ScrollThumbFrame();

}  // namespace hx
