// User-visible texts by key, from a language file "Languages/<name>.ini".
//
// A full key is "Group\Key" exactly as group and key are written in the file,
// matched with case. Keys starting with "\" are absolute; other keys get the
// current text group put in front. A missing key gives the caller's default,
// or the key's last part in square brackets ("[New]").
//
// Texts are UTF-8; values are used as they stand (no escapes).
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace hx {

// Fills the text map from the file (it is emptied first). Returns false when
// the file cannot be read, leaving the map as it was. Keys before the first
// group are ignored; a full key given twice keeps the later text.
bool LoadLanguage(const std::string &path);
// Loads folder + "/" + name + ".ini", or, when that cannot be read, the
// English file of the folder; each file that cannot be read is named on err
// ("hexaloom: cannot read the language file ..."). false when neither could be
// read: texts then are the callers' defaults or bracketed keys.
bool LoadLanguageOrEnglish(const std::string &folder, const std::string &name, std::ostream &err);
// The same from the file's text (for tests and for data already in memory).
void LoadLanguageText(std::string_view text);
// Empties the text map and the text group.
void ClearLanguage();
// Number of full keys in the map.
size_t LanguageTextCount();

// The group put in front of relative keys: name + "\" unless name is empty
// or already ends with "\".
void SetTextGroup(std::string_view name);
const std::string &TextGroup();

// The text for key; a missing key gives "[" + last part of the full key + "]".
std::string GetText(std::string_view key);
// The text for key, or fallback when it is missing. A fallback of a single
// line feed stands for "none" and gives the bracketed form.
std::string GetText(std::string_view key, std::string_view fallback);
// true when the map holds the key (resolved like GetText).
bool HasText(std::string_view key);

// Replaces every occurrence of placeholder (for example "%FILE") in text with value.
std::string FillPlaceholder(std::string text, std::string_view placeholder, std::string_view value);

}  // namespace hx
