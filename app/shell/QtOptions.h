// Qt's standard command-line options (-style, -platform, -display, -geometry,
// -reverse, ...). QApplication takes them out of argv itself; the command line
// recognises them before any QApplication exists, so that --help, --version
// and --digest need no display, and hands exactly these to Qt.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hx {

// How many arguments Qt's option takes after itself: 0 for a flag or for a
// value joined with "=" (only -style, -stylesheet and -qmljsdebugger take
// one so), 1 for a value in the next argument; nullopt when the argument is
// not one of Qt's options. "--style" is the same as "-style", as Qt reads it.
std::optional<int> QtOptionValueCount(const std::string &argument);

// True when Qt's options name a platform or an X display themselves
// (-platform, -display): then a window can be shown without DISPLAY.
bool QtOptionsChooseDisplay(const std::vector<std::string> &options);

}  // namespace hx
