// Small modal dialogs that ask for one line of text (an offset, a name) or
// for one entry of a list (the document to compare with), and bringing a
// window to the front with the keyboard focus.
//
// Like the standard dialogs (Dialogs.h) it can be answered by a hook instead
// of a person: tests set the hook and the dialog then returns its answer
// without showing anything.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hx {

struct InputRequest {
    int window = 0;           // owner (centred on it); -1 or a missing window: none
    std::string title;        // UTF-8, like every text of the language files
    std::string prompt;       // shown above the field
    std::string text;         // the field's text at the start (selected)
    std::string okText, cancelText;
};

// Blocks until the user answers. Enter or OK gives the field's text (UTF-8,
// possibly empty); Escape, Cancel and the close box give nullopt.
std::optional<std::string> AskInput(const InputRequest &request);

// Answers in place of the dialog (tests); {} shows the real one.
std::function<std::optional<std::string>(const InputRequest &)> &InputDialogHook();

struct ChoiceRequest {
    int window = 0;                    // owner (centred on it); -1 or a missing window: none
    std::string title, prompt;         // UTF-8
    std::vector<std::string> entries;  // UTF-8; the first is selected at the start
    std::string okText, cancelText;
};

// Blocks until the user answers: the index of the chosen entry (OK, Enter or
// a double click), or nullopt (Cancel, Escape, the close box, no entries).
std::optional<int> AskChoice(const ChoiceRequest &request);

// Answers in place of the choice dialog (tests); {} shows the real one.
std::function<std::optional<int>(const ChoiceRequest &)> &ChoiceDialogHook();

// Shows the window in front and gives it the keyboard focus (the window
// manager may refuse; the window is shown either way).
void ActivateWindow(int number);

}  // namespace hx
