// INI text as settings and language files use it: "[Group]" lines, then
// "Key = Value" lines. Groups and keys are kept in file order, duplicates
// included, so that callers can choose which occurrence counts.
//
// Reading: lines end at LF (a CR before it is dropped); a UTF-8 byte order
// mark at the start is skipped; the key is the text before the first "=",
// without surrounding blanks and tabs; the value is the text after it without
// leading blanks and tabs. Lines that are neither a group nor hold a "=",
// lines starting with ";", and keys before the first group are ignored.
//
// Writing: CRLF line ends, "Key = Value", no blank lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hx {

struct IniKey {
    std::string name;
    std::string value;
};

struct IniGroup {
    std::string name;
    std::vector<IniKey> keys;

    // The first key of that name; case-insensitive (ASCII) unless exactCase.
    const IniKey *find(std::string_view key, bool exactCase = false) const;
};

struct IniFile {
    std::vector<IniGroup> groups;

    // The first group of that name; case-insensitive (ASCII) unless exactCase.
    const IniGroup *find(std::string_view group, bool exactCase = false) const;
    // The value of the first matching key in the first matching group, case-insensitive.
    const std::string *value(std::string_view group, std::string_view key) const;
};

IniFile ParseIni(std::string_view text);

// Reads at most maxBytes of a file. nullopt when it cannot be opened or read.
// A longer file is cut after the last complete line within maxBytes.
std::optional<std::string> ReadTextFile(const std::string &path, int64_t maxBytes);

// Creates the folder of path (and the one above it) when missing, then writes
// text as the whole file: into a temporary file beside it that is renamed
// over the old one, so that a full disk or a write error never leaves a
// cut-off file behind. In a folder that takes no new files an existing file
// is overwritten in place. false when nothing could be written completely.
bool WriteTextFileReplacing(const std::string &path, const std::string &text);

// Builds INI text line by line.
class IniWriter {
public:
    void group(std::string_view name);
    void key(std::string_view name, std::string_view value);
    void key(std::string_view name, int64_t value);
    const std::string &text() const { return text_; }

private:
    std::string text_;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

}  // namespace hx
