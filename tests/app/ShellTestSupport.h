// What the tests that start the whole shell share: the configuration file it
// reads at start-up, the application object, and the user's menu choices and
// typing as events.
#pragma once

#include <fstream>
#include <string>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "platform/Event.h"
#include "platform/File.h"
#include "platform/Platform.h"

namespace hx {

// Writes the configuration folder's Configuration.ini with text (creating the
// folders); tests pass at least "LaunchWindow = 0", since the launch window
// holds start-up for a second.
inline void WriteTestConfiguration(const std::string &text) {
    const std::string config = ConfigFolderPath();
    CreateFolder(FolderOf(FolderOf(config)));
    CreateFolder(FolderOf(config));
    CreateFolder(config);
    std::ofstream(config + "Configuration.ini", std::ios::binary) << text;
}

// Writes bytes as the whole content of the file at path.
inline void WriteAll(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Creates the application object of the test program (once; later calls reuse it).
inline void InitTestPlatform() {
    static int argc = 1;
    static char name[] = "test_app";
    static char *argv[] = {name, nullptr};
    InitPlatform(argc, argv);
}

// Dispatches a choice of menu item id in the main window, as a click makes it.
inline bool ChooseMenuItem(int id) {
    Event e;
    e.window = 0;
    e.kind = EventMenu;
    e.type = id;
    e.data = id;
    return DispatchEvent(e);
}

// An event of the main window's hex view, of the given type (CanvasInput, CanvasKeyDown, ...).
inline Event MainViewEvent(int type) {
    Event e;
    e.window = 0;
    e.control = MainViewGadget;
    e.kind = EventControl;
    e.type = type;
    return e;
}

// Dispatches a character typed into the main window's hex view.
inline void TypeIntoMainView(int character) {
    Event e = MainViewEvent(CanvasInput);
    e.input.character = character;
    DispatchEvent(e);
}

// Dispatches a key pressed in the main window's hex view (modifiers: Modifier bits).
inline void PressKeyInMainView(int key, int modifiers = 0) {
    Event e = MainViewEvent(CanvasKeyDown);
    e.input.key = key;
    e.input.modifiers = modifiers;
    DispatchEvent(e);
}

}  // namespace hx
