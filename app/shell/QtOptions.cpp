#include "app/shell/QtOptions.h"

#include <string_view>

namespace hx {

namespace {

struct QtOption {
    std::string_view name;  // with one leading "-"
    int values;             // arguments taken after it
    bool joined = false;    // also written "-name=value"
};

// The options Qt 6 reads from argv: QCoreApplication's (the QML debugger),
// QGuiApplication's, QApplication's and the X11 platform plug-in's.
constexpr QtOption QtOptions[] = {
    {"-platform", 1},         {"-platformpluginpath", 1}, {"-platformtheme", 1},
    {"-plugin", 1},           {"-qwindowgeometry", 1},    {"-qwindowicon", 1},
    {"-qwindowtitle", 1},     {"-geometry", 1},           {"-title", 1},
    {"-icon", 1},             {"-session", 1},            {"-display", 1},
    {"-name", 1},             {"-visual", 1},             {"-style", 1, true},
    {"-stylesheet", 1, true}, {"-qmljsdebugger", 1, true}, {"-reverse", 0},
    {"-testability", 0},      {"-widgetcount", 0},        {"-nograb", 0},
    {"-dograb", 0},
};

// "--style" -> "-style"; anything not starting with "-" gives "".
std::string_view SingleDash(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '-') return {};
    if (argument[1] == '-') argument.remove_prefix(1);
    return argument;
}

}  // namespace

std::optional<int> QtOptionValueCount(const std::string &argument) {
    const std::string_view arg = SingleDash(argument);
    const size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    for (const QtOption &option : QtOptions) {
        if (option.name != name) continue;
        if (equals == std::string_view::npos) return option.values;
        return option.joined ? std::optional<int>(0) : std::nullopt;
    }
    return std::nullopt;
}

bool QtOptionsChooseDisplay(const std::vector<std::string> &options) {
    for (const std::string &option : options) {
        const std::string_view name = SingleDash(option);
        if (name == "-platform" || name == "-display") return true;
    }
    return false;
}

}  // namespace hx
