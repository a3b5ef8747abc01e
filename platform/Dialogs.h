// The desktop's standard dialogs: choosing files to open, choosing a name to
// save under, the save / discard / cancel question and a plain message.
//
// Each dialog can be answered by a hook instead of a person: tests set the
// hook, and every dialog then returns the hook's answer without showing
// anything. An empty hook means "show the real dialog".
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hx {

// A file-type filter in the form "description|pattern|description|pattern";
// a pattern may list several wildcards separated by ";" ("*.bin;*.dat").
// Returns Qt's filter text ("description (pattern);;..."); a description
// that ends in parentheses of its own has them replaced. "*.*" is taken to
// mean every file, as it does where such patterns come from. A description
// without pattern (the last of an odd count) is dropped.
std::string FileDialogFilter(const std::string &pattern);

struct OpenFileRequest {
    int window = 0;
    std::string title;
    std::string pattern;
    std::string folder;     // "" for the dialog's own choice
    bool multiple = false;
};
// The chosen paths, in the order given; empty when the dialog was cancelled.
std::vector<std::string> OpenFileDialog(const OpenFileRequest &request);

struct SaveFileRequest {
    int window = 0;
    std::string title;
    std::string pattern;
    std::string proposedName;   // file name or path shown at the start
};
// The chosen path, or "" when the dialog was cancelled.
std::string SaveFileDialog(const SaveFileRequest &request);

enum class SaveChoice { Save, Discard, Cancel };
struct SaveQuestion {
    int window = 0;
    std::string title;
    std::string text;
    std::string saveText, discardText, cancelText;   // button labels
};
// Closing the question without choosing (Escape, the close box) is Cancel.
SaveChoice AskSaveChanges(const SaveQuestion &question);

struct YesNoQuestion {
    int window = 0;
    std::string title;
    std::string text;
    std::string yesText, noText;   // button labels; yes is the default button
};
// True when the user chose yes; no, Escape and the close box are false.
bool AskYesNo(const YesNoQuestion &question);

// A message with an OK button; blocks until it is closed.
void ShowMessage(int window, const std::string &title, const std::string &text);

// Answers in place of the dialogs (tests). Set them to {} to show the real ones.
struct DialogHooks {
    std::function<std::vector<std::string>(const OpenFileRequest &)> openFile;
    std::function<std::string(const SaveFileRequest &)> saveFile;
    std::function<SaveChoice(const SaveQuestion &)> askSave;
    std::function<bool(const YesNoQuestion &)> askYesNo;
    std::function<void(int window, const std::string &title, const std::string &text)> message;
};
DialogHooks &Dialogs();

}  // namespace hx
