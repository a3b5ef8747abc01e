// Start-up, the event loop and its dispatch tables, and the end of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Event.h"

namespace hx {

struct Document;
struct HexView;

// Runs the whole program: start-up in its fixed order (opening files, in
// order, one tab each, the first selected), the loop, the end. Returns the
// process's exit code. With compare, the two files are shown side by side in
// the compare window once they are open.
int RunApplication(int argc, char **argv, const std::vector<std::string> &files, bool compare = false);
// Opens the two files' documents in the compare window (files as typed).
void CompareOpenedFiles(const std::vector<std::string> &files);

// The pieces of RunApplication, for tests that drive the loop themselves.
// StartUp builds everything and opens firstFile (resolved against the start
// directory) or an empty document.
void StartUp(const std::string &firstFile);
// Handles one event; returns false when the program is to end.
bool DispatchEvent(const Event &event);
// Opens files[1...] after start-up opened files[0] (names as typed), each in a
// tab of its own, and selects the first file's tab again.
void OpenMoreFiles(const std::vector<std::string> &files);
// Saves the settings and releases the windows (the end of the program without exit).
void ShutDown();

// Fills the hex view's look: system colours and fonts, and the frames, track,
// thumb and grip cut from the built-in pictures.
void FillHexViewLook();

// The title of a document's tab: its file's name, or the text for a new one.
std::string DocumentTitle(const Document *doc);

// The document flows of the shell.
Document *OpenFileInEditor(int gadget, const std::string &name);
Document *NewFileInEditor(int gadget);
// Closes a document of the main view after asking about unsaved changes;
// false when the user cancelled. Removes its tab.
bool CloseDocumentAsking(Document *doc);
// Closes a document without asking (tab removed, view focused).
void CloseDocument(Document *doc);
// Save (as): returns true when the document was saved. Asks for a name when
// askName is set or the document has none; a new document named at opening is
// saved to that name. When the file on disk was replaced, deleted or changed
// by another program, asks whether to write the whole content there anyway,
// save under another name, or cancel (nothing written, still changed).
bool SaveDocumentInteractive(Document *doc, bool askName);

// A save that runs longer than this shows the progress window (tests lower it).
struct SaveProgressDelay {
    static inline int64_t Millis = 500;
};

}  // namespace hx
