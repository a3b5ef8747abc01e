// What the tests that start the whole shell share: the configuration file it
// reads at start-up, and the application object.
#pragma once

#include <fstream>
#include <string>

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

// Creates the application object of the test program (once; later calls reuse it).
inline void InitTestPlatform() {
    static int argc = 1;
    static char name[] = "test_app";
    static char *argv[] = {name, nullptr};
    InitPlatform(argc, argv);
}

}  // namespace hx
