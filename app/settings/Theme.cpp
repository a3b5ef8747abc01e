#include "app/settings/Theme.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "app/settings/Ini.h"
#include "platform/Png.h"
#include "resources/BuiltinImages.h"

namespace hx {

namespace {

// Decoded icons of one theme may take this many bytes in all; entries past it
// are skipped, so a hostile archive of many large pictures cannot take all memory.
constexpr uint64_t MaxThemePixelBytes = 64u * 1024 * 1024;
// An archive with more entries than this is read only up to here.
constexpr zip_int64_t MaxThemeEntries = 4096;

std::unordered_map<std::string, QImage> &icons() {
    static std::unordered_map<std::string, QImage> map;
    return map;
}

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }  // read-only: nothing to write back
};
struct ZipFileCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};

// The bytes of one entry, or nothing when its size is unknown or too large,
// or it cannot be read in full.
std::optional<std::vector<uint8_t>> readEntry(zip_t *archive, zip_uint64_t index,
                                              const zip_stat_t &stat) {
    if (!(stat.valid & ZIP_STAT_SIZE) || stat.size == 0 || stat.size > MaxThemeEntrySize)
        return std::nullopt;
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, index, 0));
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(stat.size));
    zip_uint64_t got = 0;
    while (got < stat.size) {
        const zip_int64_t n = zip_fread(file.get(), bytes.data() + got, stat.size - got);
        if (n <= 0)
            return std::nullopt;  // a read error, or less data than the entry declares
        got += static_cast<zip_uint64_t>(n);
    }
    return bytes;
}

struct BuiltinPictures {
    QImage launch;
    QImage splitter;
    FrameImage *area = nullptr;
    FrameImage *track = nullptr;
    FrameImage *thumb = nullptr;
};

BuiltinPictures &builtins() {
    static BuiltinPictures b;
    return b;
}

}  // namespace

bool LoadTheme(const std::string &path) {
    ClearTheme();
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(path.c_str(), ZIP_RDONLY, &error));
    if (!archive)
        return false;
    auto &map = icons();
    uint64_t pixelBytes = 0;
    const zip_int64_t count = std::min(zip_get_num_entries(archive.get(), 0), MaxThemeEntries);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
            continue;
        const std::optional<std::vector<uint8_t>> bytes = readEntry(archive.get(), index, stat);
        if (!bytes)
            continue;
        QImage image = DecodePng(*bytes);
        if (image.isNull())
            continue;
        const uint64_t size = static_cast<uint64_t>(image.sizeInBytes());
        if (pixelBytes + size > MaxThemePixelBytes)
            continue;
        pixelBytes += size;
        // The name loses its last four characters (".png") whatever they are.
        const std::string name = stat.name;
        const std::string key = ToLowerAscii(name.size() > 4 ? name.substr(0, name.size() - 4) : "");
        map.insert_or_assign(key, std::move(image));  // a later entry wins
    }
    return true;
}

void ClearTheme() { icons().clear(); }

const QImage *GetIcon(std::string_view name) {
    const auto &map = icons();
    auto it = map.find(ToLowerAscii(name));
    return it == map.end() ? nullptr : &it->second;
}

std::vector<std::string> IconNames() {
    std::vector<std::string> names;
    for (const auto &entry : icons())
        names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}

void LoadBuiltinImages() {
    BuiltinPictures &b = builtins();
    // The hex view's look keeps pointers to the frames: decode them once for
    // the whole run instead of freeing what a view may still draw with.
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    FreeFrameImage(b.area);
    FreeFrameImage(b.track);
    FreeFrameImage(b.thumb);
    b.launch = DecodePng(LaunchPng());
    b.splitter = DecodePng(SplitterPng());
    b.area = CreateFrameImageFromPng(-1, FramePng(), 4, 4, 4, 4, FrameHollow);
    b.track = CreateFrameImageFromPng(-1, ScrollTrackPng(), 4, 0, -1, -1, 0);
    b.thumb = CreateFrameImageFromPng(-1, ScrollThumbPng(), 4, 0, -1, -1, 0);
}

const QImage &LaunchImage() { return builtins().launch; }
const QImage &SplitterImage() { return builtins().splitter; }
const FrameImage *AreaFrame() { return builtins().area; }
const FrameImage *ScrollTrackFrame() { return builtins().track; }
const FrameImage *ScrollThumbFrame() { return builtins().thumb; }

}  // namespace hx
