#include "app/settings/BookmarkFile.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "app/settings/Ini.h"

namespace hx {

namespace {

bool NeedsEscape(unsigned char c) { return c <= ' ' || c == '%' || c == ';' || c == 0x7F; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

template <typename T>
bool ReadNumber(std::string_view text, T &value, int base = 10) {
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

// start;length;colour;name;note
std::optional<Bookmark> ParseMark(std::string_view value) {
    std::vector<std::string_view> fields;
    size_t from = 0;
    while (fields.size() < 4) {
        const size_t semicolon = value.find(';', from);
        if (semicolon == std::string_view::npos) return std::nullopt;
        fields.push_back(value.substr(from, semicolon - from));
        from = semicolon + 1;
    }
    fields.push_back(value.substr(from));
    Bookmark mark;
    if (!ReadNumber(fields[0], mark.Start) || !ReadNumber(fields[1], mark.Length) ||
        !ReadNumber(fields[2], mark.Colour, 16))
        return std::nullopt;
    if (mark.Start < 0 || mark.Length < 1 || mark.Length > INT64_MAX - mark.Start) return std::nullopt;
    mark.Name = UnescapeBookmarkText(fields[3]).substr(0, MaxBookmarkTextBytes);
    mark.Note = UnescapeBookmarkText(fields[4]).substr(0, MaxBookmarkTextBytes);
    return mark;
}

std::string ColourText(uint32_t colour) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", colour);
    return text;
}

std::string BookmarkFilePath(const std::string &folder) { return folder + BookmarkFileName; }

std::vector<FileBookmarks> ReadAll(const std::string &folder) {
    const std::optional<std::string> text = ReadTextFile(BookmarkFilePath(folder), MaxBookmarkFileBytes);
    return text ? ParseBookmarkFile(*text) : std::vector<FileBookmarks>();
}

}  // namespace

std::string EscapeBookmarkText(std::string_view text) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (!NeedsEscape(c)) {
            out += ch;
            continue;
        }
        out += '%';
        out += Digits[c >> 4];
        out += Digits[c & 15];
    }
    return out;
}

std::string UnescapeBookmarkText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // A "%" without two hexadecimal digits stands for itself.
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::vector<FileBookmarks> ParseBookmarkFile(std::string_view text) {
    std::vector<FileBookmarks> files;
    for (const IniGroup &group : ParseIni(text).groups) {
        if (files.size() >= MaxBookmarkedFiles) break;
        if (!EqualsIgnoringCase(group.name, "File")) continue;
        FileBookmarks entry;
        for (const IniKey &key : group.keys) {
            if (EqualsIgnoringCase(key.name, "Path")) {
                entry.Path = UnescapeBookmarkText(key.value);
            } else if (EqualsIgnoringCase(key.name, "Size")) {
                if (!ReadNumber(key.value, entry.Size)) entry.Size = -1;
            } else if (EqualsIgnoringCase(key.name, "Time")) {
                if (!ReadNumber(key.value, entry.ModifiedNs)) entry.ModifiedNs = 0;
            } else if (EqualsIgnoringCase(key.name, "Stale")) {
                entry.Stale = key.value != "0";
            } else if (EqualsIgnoringCase(key.name, "Mark") && entry.Items.size() < MaxBookmarksPerFile) {
                if (std::optional<Bookmark> mark = ParseMark(key.value)) entry.Items.push_back(std::move(*mark));
            }
        }
        if (!entry.Path.empty()) files.push_back(std::move(entry));
    }
    return files;
}

std::string FormatBookmarkFile(const std::vector<FileBookmarks> &files) {
    IniWriter out;
    for (const FileBookmarks &entry : files) {
        out.group("File");
        out.key("Path", EscapeBookmarkText(entry.Path));
        out.key("Size", entry.Size);
        out.key("Time", entry.ModifiedNs);
        out.key("Stale", entry.Stale ? 1 : 0);
        for (const Bookmark &mark : entry.Items) {
            out.key("Mark", std::to_string(mark.Start) + ";" + std::to_string(mark.Length) + ";" +
                                ColourText(mark.Colour) + ";" + EscapeBookmarkText(mark.Name) + ";" +
                                EscapeBookmarkText(mark.Note));
        }
    }
    return out.text();
}

std::optional<FileBookmarks> LoadFileBookmarks(const std::string &folder, const std::string &path) {
    for (FileBookmarks &entry : ReadAll(folder))
        if (entry.Path == path) return std::move(entry);
    return std::nullopt;
}

bool StoreFileBookmarks(const std::string &folder, const FileBookmarks &entry) {
    std::vector<FileBookmarks> files = ReadAll(folder);
    const size_t removed = std::erase_if(files, [&entry](const FileBookmarks &f) { return f.Path == entry.Path; });
    // No bookmarks and none kept before: nothing to write (no file is made for nothing).
    if (entry.Items.empty() && removed == 0) return true;
    if (!entry.Items.empty()) files.insert(files.begin(), entry);
    if (files.size() > MaxBookmarkedFiles) files.resize(MaxBookmarkedFiles);
    return WriteTextFileReplacing(BookmarkFilePath(folder), FormatBookmarkFile(files));
}

}  // namespace hx
