#include <iostream>
#include <string>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/CommandLine.h"

int main(int argc, char **argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    hx::CommandLine line = hx::ReadCommandLine(arguments, std::cout, std::cerr);
    if (line.exitCode) return *line.exitCode;
    if (!hx::HaveDisplay()) {
        std::cerr << "hexaloom: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "start it from a desktop session\n";
        return 1;
    }
    return hx::RunApplication(argc, argv, line.files);
}
