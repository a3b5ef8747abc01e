#include <iostream>
#include <string>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/CommandLine.h"
#include "app/shell/ProgramIdentity.h"
#include "app/shell/QtOptions.h"

int main(int argc, char **argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Our options first: --help, --version and --digest end here, without a display.
    hx::CommandLine line = hx::ReadCommandLine(arguments, std::cout, std::cerr);
    if (line.exitCode) return *line.exitCode;
    if (!hx::HaveDisplay() && !hx::QtOptionsChooseDisplay(line.qtOptions)) {
        std::cerr << "hexaloom: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "start it from a desktop session\n";
        return 1;
    }
    // QApplication sees the program's name and Qt's own options only: a file
    // named like a Qt option (after "--") is never taken for one. It keeps
    // references to these, so they live until the program ends.
    std::vector<char *> qtArguments = {argc > 0 ? argv[0] : const_cast<char *>("hexaloom")};
    for (std::string &option : line.qtOptions) qtArguments.push_back(option.data());
    int qtCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    hx::SetProgramIdentity();
    return hx::RunApplication(qtCount, qtArguments.data(), line.files, line.compare);
}
