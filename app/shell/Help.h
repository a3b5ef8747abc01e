// The Help menu: the keys (F1), a window listing every key of the editor in
// the language's words, and the About box with the program's name, version
// and the libraries it runs on with their versions.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/toolwindows/ToolWindows.h"

namespace hx {

inline constexpr int KeysWindowNumber = 21;
inline constexpr int KeysWindowWidth = 760;
inline constexpr int KeysWindowHeight = 460;
inline constexpr int KeysTable = 21001;

// The rows of the keys window from the language's "Help" group: keys
// "Row01", "Row02", ... up to the first one missing, each "keys|action".
std::vector<std::pair<std::string, std::string>> KeyRows();

// The libraries as they report their versions at run time (or, for those
// without such a call, as they were when the program was built): name, version.
std::vector<std::pair<std::string, std::string>> LibraryVersions();
// The About box's text: name and version (ProgramVersion, the project
// version that --version prints too), the description and the libraries.
std::string AboutText();

extern const ToolModule HelpTool;

}  // namespace hx
