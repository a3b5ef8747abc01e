// The configurations window: built from the settings at each opening, panels
// chosen by the tree, size spins that step through the size table, Apply
// that changes only what the user touched, and the first start's language.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>
#include <fstream>

#include "app/shell/Application.h"
#include "app/settings/ConfigurationsWindow.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Settings.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

std::string ConfigFile() { return ConfigFolderPath() + "Configuration.ini"; }

class ConfigurationsTest : public ::testing::Test {
protected:
    void start(const std::string &ini) {
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n" + ini);
        InitTestPlatform();
        Dialogs().message = [](int, const std::string &, const std::string &) {};
        StartUp("");
        started = true;
    }
    void TearDown() override {
        if (started) ShutDown();
        Dialogs() = DialogHooks{};
    }
    void pump() {
        while (std::optional<Event> e = PollEvent()) DispatchEvent(*e);
    }
    void open() {
        PostMenuEvent(CommandConfigurations);
        pump();
    }
    void act(int control, int state = 0) {
        ActivateControl(control, state);
        pump();
    }
    void closeWindow() {
        Event e;
        e.window = ConfigurationsWindowNumber;
        e.kind = EventCloseWindow;
        DispatchEvent(e);
    }
    bool started = false;
};

TEST_F(ConfigurationsTest, DefaultsShowTheirSizesAndTheOtherWindowsWait) {
    start("");
    open();
    ASSERT_TRUE(IsWindowVisible(ConfigurationsWindowNumber));
    EXPECT_EQ(WindowWidth(ConfigurationsWindowNumber), 540);
    EXPECT_EQ(WindowHeight(ConfigurationsWindowNumber), 360);
    EXPECT_EQ(GetControlText(ConfigChunkSpin), "4.00 MB");
    EXPECT_EQ(GetControlText(ConfigHistorySpin), "67.1 MB");
    EXPECT_FALSE(WindowWidget(0)->isEnabled());
    closeWindow();
    EXPECT_FALSE(IsWindow(ConfigurationsWindowNumber));
    EXPECT_TRUE(WindowWidget(0)->isEnabled());
}

TEST_F(ConfigurationsTest, TheTreeShowsOnePanelAndKeepsWhatWasLeft) {
    start("");
    open();
    act(ConfigChunkSpin, 21);
    act(ConfigTree, 2);
    EXPECT_TRUE(IsControlVisible(ConfigHistoryPanel));
    EXPECT_FALSE(IsControlVisible(ConfigGeneralPanel));
    EXPECT_FALSE(IsControlVisible(ConfigBinaryFilesPanel));
    act(ConfigTree, 1);
    EXPECT_TRUE(IsControlVisible(ConfigBinaryFilesPanel));
    EXPECT_EQ(GetControlText(ConfigChunkSpin), "2.00 MB");
}

TEST_F(ConfigurationsTest, TheChunkSpinStepsDownToItsEnd) {
    start("");
    open();
    const char *expected[] = {"2.00 MB", "1.00 MB", "500 kB", "500 kB"};
    for (const char *text : expected) {
        act(ConfigChunkSpin, GetControlState(ConfigChunkSpin) - 1);
        EXPECT_EQ(GetControlText(ConfigChunkSpin), text);
    }
}

TEST_F(ConfigurationsTest, AHistorySizeBetweenStepsStepsToItsNeighbours) {
    struct Case {
        int direction;
        const char *shown;
        int64_t applied;
    } cases[] = {{-1, "64.0 MB", 64000000}, {+1, "125 MB", 125000000}};
    for (const Case &c : cases) {
        start("");
        open();
        act(ConfigHistorySpin, GetControlState(ConfigHistorySpin) + c.direction);
        EXPECT_EQ(GetControlText(ConfigHistorySpin), c.shown);
        act(ConfigApply);
        EXPECT_EQ(AppSettings().HistoryCacheSize, c.applied);
        ShutDown();
        started = false;
    }
}

TEST_F(ConfigurationsTest, ApplyWithoutTouchingChangesNothing) {
    const std::string files[] = {
        "",
        "BinaryChunkLength = 3000000\r\nHistoryCacheSize = 1000\r\nLanguage = Klingon\r\nTheme = Gone\r\n",
    };
    for (const std::string &ini : files) {
        start(ini);
        const Settings before = AppSettings();
        open();
        act(ConfigApply);
        const Settings &after = AppSettings();
        EXPECT_EQ(after.BinaryChunkLength, before.BinaryChunkLength) << ini;
        EXPECT_EQ(after.HistoryCacheSize, before.HistoryCacheSize) << ini;
        EXPECT_EQ(after.Language, before.Language) << ini;
        EXPECT_EQ(after.Theme, before.Theme) << ini;
        EXPECT_EQ(after.LaunchWindow, before.LaunchWindow) << ini;
        ShutDown();
        started = false;
    }
}

TEST_F(ConfigurationsTest, AppliedValuesReopenAndReachTheFile) {
    start("Language = German\r\n");
    open();
    act(ConfigLaunchCheck, 1);
    act(ConfigHistorySpin, GetControlState(ConfigHistorySpin) + 1);   // 125 MB
    act(ConfigHistorySpin, GetControlState(ConfigHistorySpin) + 1);   // 250 MB
    EXPECT_EQ(GetControlText(ConfigHistorySpin), "250 MB");
    act(ConfigApply);
    closeWindow();
    open();
    EXPECT_EQ(GetControlState(ConfigLaunchCheck), 1);
    EXPECT_EQ(GetControlText(ConfigHistorySpin), "250 MB");
    closeWindow();
    Event quit;   // the end of the program, which writes the settings
    quit.window = 0;
    quit.kind = EventCloseWindow;
    quit.data = 1;
    EXPECT_FALSE(DispatchEvent(quit));
    ShutDown();
    started = false;
    std::ifstream in(ConfigFile(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    // The language was not touched (and this test's data folder has no list
    // of languages at all): it stays what the file said.
    EXPECT_NE(text.find("\r\nLanguage = German\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nLaunchWindow = 1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nHistoryCacheSize = 250000000\r\n"), std::string::npos) << text;
}

TEST(ConfigurationsLists, NamesAreSortedWithoutTheirExtension) {
    QTemporaryDir dir;
    for (const char *name : {"Zulu.ini", "German.ini", "English.ini", "notes.txt", "Slate.zip"})
        std::ofstream(dir.path().toStdString() + "/" + name) << "";
    EXPECT_EQ(SortedNames(dir.path().toStdString(), ".ini"), (std::vector<std::string>{"English", "German", "Zulu"}));
    EXPECT_EQ(SortedNames(dir.path().toStdString(), ".zip"), (std::vector<std::string>{"Slate"}));
    EXPECT_TRUE(SortedNames(dir.path().toStdString() + "/none", ".ini").empty());
}

TEST(FirstStartLanguage, FollowsTheLocaleUnlessTheFileNamesOne) {
    struct Case {
        const char *lcAll, *lcMessages, *lang;
        const char *expected;
    } cases[] = {
        {"", "", "de_DE.UTF-8", "German"},
        {"", "", "en_GB.UTF-8", "English"},
        {"", "", "C", "English"},
        {"", "de_AT.UTF-8", "en_US.UTF-8", "German"},
        {"en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", "English"},
        {"", "", "", "English"},
    };
    const char *names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char *v = std::getenv(names[i])) saved[i] = v;
    for (const Case &c : cases) {
        const char *values[] = {c.lcAll, c.lcMessages, c.lang};
        for (int i = 0; i < 3; ++i) setenv(names[i], values[i], 1);
        AppSettings().Language = "Unset";
        ChooseLanguageOnFirstStart("", false);
        EXPECT_EQ(AppSettings().Language, c.expected) << c.lcAll << "/" << c.lcMessages << "/" << c.lang;
        AppSettings().Language = "Unset";
        ChooseLanguageOnFirstStart("[General]\r\nTheme = Slate\r\n", true);
        EXPECT_EQ(AppSettings().Language, c.expected);
        AppSettings().Language = "German";
        ChooseLanguageOnFirstStart("[General]\r\nLanguage = German\r\n", true);
        EXPECT_EQ(AppSettings().Language, "German");
    }
    for (int i = 0; i < 3; ++i) setenv(names[i], saved[i].c_str(), 1);
}

}  // namespace
