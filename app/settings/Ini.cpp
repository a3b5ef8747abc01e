#include "app/settings/Ini.h"

#include <filesystem>
#include <string>

#include "platform/File.h"

namespace hx {

namespace {

constexpr std::string_view Blanks = " \t";

std::string_view trimLeft(std::string_view s) {
    const size_t first = s.find_first_not_of(Blanks);
    return first == std::string_view::npos ? std::string_view{} : s.substr(first);
}

std::string_view trim(std::string_view s) {
    s = trimLeft(s);
    const size_t last = s.find_last_not_of(Blanks);
    return last == std::string_view::npos ? std::string_view{} : s.substr(0, last + 1);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b, bool exactCase) {
    return exactCase ? a == b : EqualsIgnoringCase(a, b);
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = lowerAscii(c);
    return out;
}

const IniKey *IniGroup::find(std::string_view key, bool exactCase) const {
    for (const IniKey &k : keys)
        if (sameName(k.name, key, exactCase))
            return &k;
    return nullptr;
}

const IniGroup *IniFile::find(std::string_view group, bool exactCase) const {
    for (const IniGroup &g : groups)
        if (sameName(g.name, group, exactCase))
            return &g;
    return nullptr;
}

const std::string *IniFile::value(std::string_view group, std::string_view key) const {
    const IniGroup *g = find(group);
    if (!g)
        return nullptr;
    const IniKey *k = g->find(key);
    return k ? &k->value : nullptr;
}

IniFile ParseIni(std::string_view text) {
    IniFile ini;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    IniGroup *current = nullptr;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const std::string_view trimmed = trim(line);
        if (trimmed.empty() || trimmed.front() == ';')
            continue;
        if (trimmed.front() == '[') {
            const size_t close = trimmed.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                ini.groups.push_back(IniGroup{std::string(trim(trimmed.substr(1, close - 1))), {}});
                current = &ini.groups.back();
                continue;
            }
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || !current)
            continue;
        const std::string_view name = trim(line.substr(0, eq));
        if (name.empty())
            continue;
        current->keys.push_back(IniKey{std::string(name), std::string(trimLeft(line.substr(eq + 1)))});
    }
    return ini;
}

std::optional<std::string> ReadTextFile(const std::string &path, int64_t maxBytes) {
    FileHandle file = FileHandle::openReadOnly(path);
    if (!file)
        return std::nullopt;
    const int64_t length = file.length();
    if (length < 0)
        return std::nullopt;
    const bool cut = length > maxBytes;
    std::string text(static_cast<size_t>(cut ? maxBytes : length), '\0');
    int64_t got = 0;
    while (got < static_cast<int64_t>(text.size())) {
        const int64_t n = file.read(text.data() + got, static_cast<int64_t>(text.size()) - got);
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;  // the file shrank while we read it
        got += n;
    }
    text.resize(static_cast<size_t>(got));
    if (cut) {
        const size_t lastLine = text.rfind('\n');
        text.resize(lastLine == std::string::npos ? 0 : lastLine + 1);
    }
    return text;
}

bool WriteTextFileReplacing(const std::string &path, const std::string &text) {
    // The folder and the one above it; failures show up when the file is created.
    std::error_code ignored;
    std::filesystem::create_directories(FolderOf(path), ignored);

    const std::string temporary = path + ".new";
    if (FileHandle out = FileHandle::create(temporary)) {
        const bool written = out.write(text.data(), static_cast<int64_t>(text.size())) && out.flush();
        out.close();
        if (written && RenameFile(temporary, path))
            return true;
        RemoveFile(temporary);
        return false;
    }
    if (!FileExists(path))
        return false;
    FileHandle out = FileHandle::openReadWrite(path);
    if (!out)
        return false;
    if (!out.truncate(0) || !out.write(text.data(), static_cast<int64_t>(text.size())))
        return false;
    return out.flush();
}

void IniWriter::group(std::string_view name) {
    text_ += '[';
    text_ += name;
    text_ += "]\r\n";
}

void IniWriter::key(std::string_view name, std::string_view value) {
    text_ += name;
    text_ += " = ";
    text_ += value;
    text_ += "\r\n";
}

void IniWriter::key(std::string_view name, int64_t value) { key(name, std::to_string(value)); }

}  // namespace hx
