// A small modal dialog with a few labelled fields, one below the other: lines
// of text and choices from a list (each choice optionally with a colour
// square). OK or Enter answers, Escape, Cancel and the close box do not.
//
// Like the other dialogs it can be answered by a hook instead of a person:
// tests set the hook and the dialog returns its answer without showing anything.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hx {

struct FormField {
    enum class Kind { Text, Choice };
    Kind kind = Kind::Text;
    std::string label;                  // UTF-8
    std::string text;                   // Text: the field's text (UTF-8), selected at the start
    std::vector<std::string> choices;   // Choice: the entries (UTF-8)
    std::vector<uint32_t> swatches;     // Choice: a colour per entry (red in the low byte); may be empty
    int choice = 0;                     // Choice: the entry chosen
};

struct FormRequest {
    int window = 0;                     // owner (centred on it); -1 or a missing window: none
    std::string title;
    std::vector<FormField> fields;
    std::string okText, cancelText;
};

// Blocks until the user answers: the fields with what was typed and chosen,
// or nullopt when the dialog was cancelled.
std::optional<std::vector<FormField>> AskForm(const FormRequest &request);

// Answers in place of the dialog (tests); {} shows the real one.
std::function<std::optional<std::vector<FormField>>(const FormRequest &)> &FormDialogHook();

}  // namespace hx
