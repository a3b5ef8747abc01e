// The configuration file itself: reading, formatting and writing, and the
// recent list. Nothing here touches windows (see SettingsDesktop.cpp).
#include "app/settings/Settings.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <optional>

#include "app/settings/Ini.h"
#include "platform/File.h"

namespace hx {

namespace {

// A configuration file is a few hundred bytes; anything far larger is not ours.
constexpr int64_t MaxSettingsFileBytes = 1 << 20;

// A whole value as a decimal integer (optional sign, digits, trailing blanks).
// Anything else, or a number outside [lo, hi], cannot be read: nullopt.
std::optional<int64_t> readInteger(const std::string *value, int64_t lo, int64_t hi) {
    if (!value)
        return std::nullopt;
    std::string_view text = *value;
    const size_t last = text.find_last_not_of(" \t");
    if (last == std::string_view::npos)
        return std::nullopt;
    text = text.substr(0, last + 1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc{} || end != text.data() + text.size() || n < lo || n > hi)
        return std::nullopt;
    return n;
}

void read32(const IniGroup *group, const char *key, int32_t &field) {
    if (!group)
        return;
    const IniKey *k = group->find(key);
    if (auto n = readInteger(k ? &k->value : nullptr, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max()))
        field = static_cast<int32_t>(*n);
}

// Chunk length and cache size must be positive: a zero chunk length cannot
// hold a byte and a zero cache cannot hold an undo step.
void readPositive64(const IniGroup *group, const char *key, int64_t &field) {
    if (!group)
        return;
    const IniKey *k = group->find(key);
    if (auto n = readInteger(k ? &k->value : nullptr, 1, std::numeric_limits<int64_t>::max()))
        field = *n;
}

// Language and theme names become file names inside Languages/ and Themes/;
// a name that would reach outside those folders is not taken.
bool usableName(std::string_view name) {
    return name.find_first_of("/\\\r\n") == std::string_view::npos && name != "." && name != ".." &&
           name.find('\0') == std::string_view::npos;
}

void readName(const IniGroup *group, const char *key, std::string &field) {
    if (!group)
        return;
    const IniKey *k = group->find(key);
    if (k && usableName(k->value))
        field = k->value;
}

void readPlace(const IniFile &ini, const char *group, WindowPlace &place) {
    const IniGroup *g = ini.find(group);
    read32(g, "X", place.x);
    read32(g, "Y", place.y);
}

bool holdsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void writePlace(IniWriter &out, const char *group, const WindowPlace &place) {
    out.group(group);
    out.key("X", place.x);
    out.key("Y", place.y);
}

}  // namespace

Settings &AppSettings() {
    static Settings settings;
    return settings;
}

Settings ParseSettings(const std::string &text) {
    const IniFile ini = ParseIni(text);
    Settings s;

    const IniGroup *general = ini.find("General");
    readName(general, "Language", s.Language);
    readName(general, "Theme", s.Theme);
    readPositive64(general, "BinaryChunkLength", s.BinaryChunkLength);
    readPositive64(general, "HistoryCacheSize", s.HistoryCacheSize);
    read32(general, "LaunchWindow", s.LaunchWindow);

    const IniGroup *window = ini.find("Window");
    read32(window, "X", s.X);
    read32(window, "Y", s.Y);
    read32(window, "Width", s.Width);
    read32(window, "Height", s.Height);
    read32(window, "State", s.State);
    // Only the three states mean something to the desktop; anything else opens normally.
    if (s.State != 0 && s.State != 16777216 && s.State != 536870912)
        s.State = 0;

    const IniGroup *values = ini.find("ValuesEditor");
    read32(values, "Sign", s.Sign);
    // Exactly "Little" or "Big" (with case); the default is "Little". Any other
    // text leaves Endian as it was, which on a fresh record is "none selected".
    const IniKey *endian = values ? values->find("Endian") : nullptr;
    const std::string endianText = endian ? endian->value : std::string("Little");
    if (endianText == "Little")
        s.Endian = EndianLittleItem;
    else if (endianText == "Big")
        s.Endian = EndianBigItem;
    read32(values, "X", s.ValuesEditor.x);
    read32(values, "Y", s.ValuesEditor.y);
    read32(values, "Hide", s.Hide);

    readPlace(ini, "Result", s.Result);
    readPlace(ini, "Transformation", s.Transformation);
    readPlace(ini, "SearchAndReplace", s.SearchAndReplace);
    readPlace(ini, "Histogram", s.Histogram);

    // Every key of the group counts, whatever its name, in file order.
    if (const IniGroup *recent = ini.find("Recent")) {
        for (const IniKey &k : recent->keys) {
            if (s.RecentFiles.size() >= RecentFilesRead)
                break;
            if (!k.value.empty())  // an empty value names no file
                s.RecentFiles.push_back(k.value);
        }
    }
    return s;
}

Settings LoadSettingsFrom(const std::string &path) {
    const std::optional<std::string> text = ReadTextFile(path, MaxSettingsFileBytes);
    return ParseSettings(text ? *text : std::string());
}

std::string FormatSettings(const Settings &s) {
    IniWriter out;
    const Settings defaults;
    out.group("General");
    out.key("BinaryChunkLength", s.BinaryChunkLength);
    out.key("HistoryCacheSize", s.HistoryCacheSize);
    // A line break inside a value would start a new line of the file.
    out.key("Language", holdsLineBreak(s.Language) ? defaults.Language : s.Language);
    out.key("Theme", holdsLineBreak(s.Theme) ? defaults.Theme : s.Theme);
    out.key("LaunchWindow", s.LaunchWindow);

    out.group("Window");
    out.key("State", s.State);
    out.key("X", s.X);
    out.key("Y", s.Y);
    out.key("Width", s.Width);
    out.key("Height", s.Height);

    out.group("ValuesEditor");
    out.key("Hide", s.Hide);
    out.key("X", s.ValuesEditor.x);
    out.key("Y", s.ValuesEditor.y);
    out.key("Sign", s.Sign);
    if (s.Endian == EndianLittleItem)
        out.key("Endian", "Little");
    else if (s.Endian == EndianBigItem)
        out.key("Endian", "Big");

    writePlace(out, "Result", s.Result);
    writePlace(out, "Transformation", s.Transformation);
    writePlace(out, "SearchAndReplace", s.SearchAndReplace);
    writePlace(out, "Histogram", s.Histogram);

    out.group("Recent");
    // A path holding a line break cannot be stored in a line; it is left out
    // and the numbering stays contiguous.
    int index = 0;
    for (const std::string &path : s.RecentFiles) {
        if (holdsLineBreak(path) || path.empty())
            continue;
        out.key("FileName_" + std::to_string(index++), path);
    }
    return out.text();
}

bool WriteSettingsFile(const std::string &path, const Settings &settings) {
    return WriteTextFileReplacing(path, FormatSettings(settings));
}

void AddRecentFile(Settings &settings, const std::string &path) {
    // Walking the list as it shrinks: an entry is dropped when it equals path
    // or stands at index 10 or later at that moment. That keeps the first 10
    // entries other than path.
    std::vector<std::string> &list = settings.RecentFiles;
    size_t i = 0;
    while (i < list.size()) {
        if (i >= RecentFilesRead || list[i] == path)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    list.insert(list.begin(), path);
}

void AddRecentFile(const std::string &path) { AddRecentFile(AppSettings(), path); }

void RemoveRecentFile(const std::string &path) {
    std::vector<std::string> &list = AppSettings().RecentFiles;
    std::erase(list, path);
}

bool PlaceIsOnScreen(int32_t x, int32_t y, int32_t width, int32_t height,
                     const std::vector<ScreenRect> &screens) {
    (void)height;  // only the title strip matters: it is what the user drags
    if (x == NoPosition || y == NoPosition || screens.empty())
        return true;
    // Reachable means: a strip along the top of the window, at least 48 pixels
    // wide (or the whole width of a narrower window) and 16 high, lies on one screen.
    constexpr int64_t StripHeight = 16;
    const int64_t w = width > 0 ? width : 100;
    const int64_t needWidth = std::min<int64_t>(48, w);
    for (const ScreenRect &s : screens) {
        const int64_t left = std::max<int64_t>(x, s.x);
        const int64_t right = std::min<int64_t>(int64_t{x} + w, int64_t{s.x} + s.width);
        const int64_t top = std::max<int64_t>(y, s.y);
        const int64_t bottom = std::min<int64_t>(int64_t{y} + StripHeight, int64_t{s.y} + s.height);
        if (right - left >= needWidth && bottom - top >= StripHeight)
            return true;
    }
    return false;
}

ScreenRect ScreenAreaAt(int32_t x, int32_t y, const std::vector<ScreenRect> &screens) {
    if (screens.empty())
        return {};
    if (x == NoPosition || y == NoPosition)
        return screens.front();
    // The screen holding the point, else the one nearest to it.
    const ScreenRect *best = &screens.front();
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (const ScreenRect &s : screens) {
        const int64_t dx = std::max<int64_t>({int64_t{s.x} - x, 0, int64_t{x} - (int64_t{s.x} + s.width - 1)});
        const int64_t dy = std::max<int64_t>({int64_t{s.y} - y, 0, int64_t{y} - (int64_t{s.y} + s.height - 1)});
        const int64_t distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &s;
        }
    }
    return *best;
}

WindowSize FitWindowSize(int width, int height, const ScreenRect &area, WindowSize frame) {
    if (area.width <= 0 || area.height <= 0)
        return {width, height};
    const auto fit = [](int size, int64_t room) {
        // Never below this, however small the screen claims to be.
        constexpr int64_t Smallest = 100;
        if (size <= 0 || size <= room)
            return size;
        return static_cast<int>(std::max<int64_t>(room, Smallest));
    };
    return {fit(width, int64_t{area.width} - std::max(frame.width, 0)),
            fit(height, int64_t{area.height} - std::max(frame.height, 0))};
}

}  // namespace hx
