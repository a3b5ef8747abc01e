#include "app/settings/Language.h"

#include <string>
#include <unordered_map>

#include "app/settings/Ini.h"

namespace hx {

namespace {

// A language file is tens of kilobytes; one far larger is read up to here.
constexpr int64_t MaxLanguageFileBytes = 16 << 20;

struct Texts {
    std::unordered_map<std::string, std::string> map;
    std::string group;
};

Texts &texts() {
    static Texts t;
    return t;
}

std::string fullKey(std::string_view key) {
    if (!key.empty() && key.front() == '\\')
        return std::string(key.substr(1));
    std::string full = texts().group;
    full += key;
    return full;
}

std::string bracketed(const std::string &full) {
    const size_t cut = full.find_last_of("\\/");
    std::string out = "[";
    out += cut == std::string::npos ? full : full.substr(cut + 1);
    out += ']';
    return out;
}

}  // namespace

void LoadLanguageText(std::string_view text) {
    const IniFile ini = ParseIni(text);
    auto &map = texts().map;
    map.clear();
    for (const IniGroup &group : ini.groups)
        for (const IniKey &key : group.keys)
            map.insert_or_assign(group.name + "\\" + key.name, key.value);  // later wins
}

bool LoadLanguage(const std::string &path) {
    const std::optional<std::string> text = ReadTextFile(path, MaxLanguageFileBytes);
    if (!text)
        return false;
    LoadLanguageText(*text);
    return true;
}

bool LoadLanguageOrEnglish(const std::string &folder, const std::string &name, std::ostream &err) {
    std::string path = folder + "/" + name + ".ini";
    if (LoadLanguage(path))
        return true;
    err << "hexaloom: cannot read the language file " << path << "\n";
    const std::string english = folder + "/English.ini";
    if (english == path)
        return false;
    if (LoadLanguage(english)) {
        err << "hexaloom: using " << english << " instead\n";
        return true;
    }
    err << "hexaloom: cannot read the language file " << english << "\n";
    return false;
}

void ClearLanguage() {
    texts().map.clear();
    texts().group.clear();
}

size_t LanguageTextCount() { return texts().map.size(); }

void SetTextGroup(std::string_view name) {
    std::string &group = texts().group;
    group = name;
    if (!group.empty() && group.back() != '\\')
        group += '\\';
}

const std::string &TextGroup() { return texts().group; }

std::string GetText(std::string_view key) {
    const std::string full = fullKey(key);
    const auto &map = texts().map;
    auto it = map.find(full);
    return it != map.end() ? it->second : bracketed(full);
}

std::string GetText(std::string_view key, std::string_view fallback) {
    if (fallback == "\n")
        return GetText(key);
    const auto &map = texts().map;
    auto it = map.find(fullKey(key));
    return it != map.end() ? it->second : std::string(fallback);
}

bool HasText(std::string_view key) { return texts().map.count(fullKey(key)) != 0; }

std::string FillPlaceholder(std::string text, std::string_view placeholder, std::string_view value) {
    if (placeholder.empty())
        return text;
    size_t at = 0;
    while ((at = text.find(placeholder, at)) != std::string::npos) {
        text.replace(at, placeholder.size(), value);
        at += value.size();  // never rescan the inserted value
    }
    return text;
}

}  // namespace hx
