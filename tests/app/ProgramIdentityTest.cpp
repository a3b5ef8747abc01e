// The desktop entry and the program name each other alike, so that docks
// group the windows with the launcher.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <fstream>
#include <string>

#include "app/shell/BuildInfo.h"
#include "app/shell/ProgramIdentity.h"

namespace {

// The value of key in the desktop entry's main group; "" when it is missing.
std::string DesktopEntryValue(const std::string &path, const std::string &key) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return {};
}

TEST(ProgramIdentity, DesktopEntryNamesTheWindowClassAndTheProgramNamesTheEntry) {
    hx::SetProgramIdentity();
    const std::string entry = std::string(HEXALOOM_SOURCE_DIR) + "/packaging/" + hx::DesktopId + ".desktop";
    ASSERT_TRUE(std::ifstream(entry).good()) << entry;
    // On X11 a window's class is the application's name.
    EXPECT_EQ(DesktopEntryValue(entry, "StartupWMClass"), QCoreApplication::applicationName().toStdString());
    EXPECT_EQ(DesktopEntryValue(entry, "Icon"), hx::DesktopId);
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), hx::DesktopId);
    EXPECT_EQ(QCoreApplication::applicationVersion().toStdString(), hx::ProgramVersion);
}

}  // namespace
