#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "platform/File.h"
#include "platform/Platform.h"

namespace hx {
namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name) {
        if (const char *old = std::getenv(name))
            old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char *name_;
    std::optional<std::string> old_;
};

std::string AllByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    return bytes;
}

TEST(Clipboard, TextKeepsEveryByteValueAsLatin1) {
    const std::string bytes = AllByteValues();
    SetClipboardText(bytes);
    EXPECT_EQ(ClipboardText(), bytes);
    // Each byte is one character of the same code: "é" is 0xE9, not UTF-8.
    EXPECT_EQ(QGuiApplication::clipboard()->text().at(0xE9).unicode(), 0xE9);
}

TEST(Clipboard, CharactersBeyondLatin1ReadAsOneQuestionMarkEach) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8("a\xE2\x82\xAC" "b\xF0\x9F\x98\x80" "c\xC3\xBF"));
    EXPECT_EQ(ClipboardText(), "a?b?c\xFF");
}

TEST(Clipboard, BinaryDataTravelsBesideItsText) {
    const std::string bytes = AllByteValues();
    SetClipboardTextAndData("00010203", "application/octet-stream", bytes);
    EXPECT_EQ(ClipboardText(), "00010203");
    EXPECT_EQ(ClipboardData("application/octet-stream"), bytes);
    EXPECT_FALSE(ClipboardData("application/x-other").has_value());
    SetClipboardText("plain");
    EXPECT_FALSE(ClipboardData("application/octet-stream").has_value());
}

TEST(Folders, UserPathsResolveAgainstTheStartDirectory) {
    const std::string start = StartDirectory();
    ASSERT_FALSE(start.empty());
    EXPECT_EQ(ResolveUserPath(""), "");
    EXPECT_EQ(ResolveUserPath("/abs/file.bin"), "/abs/file.bin");
    const std::string expected = start.back() == '/' ? start + "./data.bin" : start + "/./data.bin";
    EXPECT_EQ(ResolveUserPath("./data.bin"), expected);
}

TEST(Folders, StartDirectoryIgnoresLaterDirectoryChanges) {
    const std::string start = StartDirectory();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    ASSERT_EQ(chdir(elsewhere.path().toLocal8Bit().constData()), 0);
    EXPECT_EQ(StartDirectory(), start);
    EXPECT_EQ(ResolveUserPath("x"), (start.back() == '/' ? start : start + "/") + "x");
    ASSERT_EQ(chdir(start.c_str()), 0);
}

TEST(Folders, ConfigFolderPrefersAppDataThenXdgThenHome) {
    {
        ScopedEnv appData("APPDATA", "/appdata/");
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(ConfigFolderPath(), "/appdata/Quillstone/Hexaloom/");
    }
    {
        ScopedEnv appData("APPDATA", nullptr);
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(ConfigFolderPath(), "/xdg/Quillstone/Hexaloom/");
    }
    {
        ScopedEnv appData("APPDATA", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/is/ignored");
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(ConfigFolderPath(), "/home/someone/.config/Quillstone/Hexaloom/");
    }
}

TEST(Folders, ListingMatchesTheExtensionWithoutCaseAndSkipsFolders) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string path = folder.path().toStdString();
    for (const char *name : {"b.ini", "A.INI", "c.txt", "ini", "x.ini.bak"})
        std::ofstream(path + "/" + name) << "x";
    ASSERT_TRUE(CreateFolder(path + "/d.ini"));
    EXPECT_EQ(ListFolder(path, ".ini"), (std::vector<std::string>{"A.INI", "b.ini"}));
    EXPECT_EQ(ListFolder(path, "").size(), 5u);
    EXPECT_TRUE(ListFolder(path + "/missing", ".ini").empty());
}

TEST(Folders, CommandLineArgumentsOutOfRangeAreEmpty) {
    EXPECT_EQ(CommandLineArgument(-1), "");
    EXPECT_EQ(CommandLineArgument(100000), "");
    EXPECT_FALSE(ProgramFolder().empty());
}

TEST(Quit, RequestQuitClosesWindowZeroWithoutAsking) {
    while (PollEvent()) {
    }
    RequestQuit();
    const Event event = WaitEvent();
    EXPECT_EQ(event.kind, EventCloseWindow);
    EXPECT_EQ(event.window, 0);
    EXPECT_EQ(event.data, 1);
}

TEST(Quit, TerminationSignalArrivesAsAQuitRequest) {
    while (PollEvent()) {
    }
    ASSERT_TRUE(InstallQuitSignals());
    ASSERT_TRUE(InstallQuitSignals());   // a second call changes nothing
    ASSERT_EQ(raise(SIGTERM), 0);
    const Event event = WaitEvent();
    EXPECT_EQ(event.kind, EventCloseWindow);
    EXPECT_EQ(event.window, 0);
    EXPECT_EQ(event.data, 1);
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_EQ(WaitEvent().kind, EventCloseWindow);
    // Shutting down puts the default actions back (the application object
    // belongs to the test's main and stays).
    ShutdownPlatform();
    struct sigaction current {};
    sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    EXPECT_NE(QCoreApplication::instance(), nullptr);
}

}  // namespace
}  // namespace hx
