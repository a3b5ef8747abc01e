// Start-up, the event loop and its dispatch tables, and the end of the program.
#pragma once

#include <string>

#include "platform/Event.h"

namespace hx {

struct Document;
struct HexView;

// Runs the whole program: start-up in its fixed order, the loop, the end.
// Returns the process's exit code.
int RunApplication(int argc, char **argv);

// The pieces of RunApplication, for tests that drive the loop themselves.
// StartUp builds everything and opens firstFile (resolved against the start
// directory) or an empty document.
void StartUp(const std::string &firstFile);
// Handles one event; returns false when the program is to end.
bool DispatchEvent(const Event &event);
// Saves the settings and releases the windows (the end of the program without exit).
void ShutDown();

// Fills the hex view's look: system colours and fonts, and the frames, track,
// thumb and grip cut from the built-in pictures.
void FillHexViewLook();

// The document flows of the shell.
Document *OpenFileInEditor(int gadget, const std::string &name);
Document *NewFileInEditor(int gadget);
// Closes a document of the main view after asking about unsaved changes;
// false when the user cancelled. Removes its tab.
bool CloseDocumentAsking(Document *doc);
// Closes a document without asking (tab removed, view focused).
void CloseDocument(Document *doc);
// Save (as): returns true when the document was saved.
bool SaveDocumentInteractive(Document *doc, bool askName);

}  // namespace hx
