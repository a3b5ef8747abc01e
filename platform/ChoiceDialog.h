// A small modal dialog that asks the user to pick one entry of a list (the
// document to compare with, say). Like the other dialogs it can be answered
// by a hook instead of a person.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hx {

struct ChoiceRequest {
    int window = 0;                    // owner (centred on it); -1 or a missing window: none
    std::string title, prompt;         // UTF-8
    std::vector<std::string> entries;  // UTF-8; the first is selected at the start
    std::string okText, cancelText;
};

// Blocks until the user answers: the index of the chosen entry (OK, Enter or
// a double click), or nullopt (Cancel, Escape, the close box, no entries).
std::optional<int> AskChoice(const ChoiceRequest &request);

// Answers in place of the dialog (tests); {} shows the real one.
std::function<std::optional<int>(const ChoiceRequest &)> &ChoiceDialogHook();

}  // namespace hx
