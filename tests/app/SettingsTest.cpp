#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings/Settings.h"
#include "platform/Platform.h"

using namespace hx;

namespace {

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

const char *const DefaultFile =
    "[General]\r\n"
    "BinaryChunkLength = 4000000\r\n"
    "HistoryCacheSize = 67108864\r\n"
    "Language = German\r\n"
    "Theme = Farm-Fresh\r\n"
    "LaunchWindow = 1\r\n"
    "[Window]\r\n"
    "State = 0\r\n"
    "X = -65535\r\n"
    "Y = -65535\r\n"
    "Width = -65535\r\n"
    "Height = -65535\r\n"
    "[ValuesEditor]\r\n"
    "Hide = 0\r\n"
    "X = -65535\r\n"
    "Y = -65535\r\n"
    "Sign = 1\r\n"
    "Endian = Little\r\n"
    "[Result]\r\nX = -65535\r\nY = -65535\r\n"
    "[Transformation]\r\nX = -65535\r\nY = -65535\r\n"
    "[SearchAndReplace]\r\nX = -65535\r\nY = -65535\r\n"
    "[Histogram]\r\nX = -65535\r\nY = -65535\r\n"
    "[Recent]\r\n";

class SettingsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path(const std::string &name = "Configuration.ini") const {
        return dir.path().toStdString() + "/" + name;
    }
};

}  // namespace

TEST_F(SettingsFile, NoFileGivesTheFirstStartDefaultsAndTheirExactBytes) {
    const Settings s = LoadSettingsFrom(path("missing.ini"));
    EXPECT_EQ(s.Language, "German");
    EXPECT_EQ(s.Theme, "Farm-Fresh");
    EXPECT_EQ(s.LaunchWindow, 1);
    EXPECT_EQ(s.Hide, 0);
    EXPECT_EQ(s.Sign, 1);
    EXPECT_EQ(s.Endian, EndianLittleItem);
    EXPECT_EQ(s.X, NoPosition);
    EXPECT_TRUE(s.RecentFiles.empty());
    ASSERT_TRUE(WriteSettingsFile(path(), s));
    EXPECT_EQ(readAll(path()), DefaultFile);
}

TEST_F(SettingsFile, ChangedValuesAreWrittenInPlaceAndReadBack) {
    Settings s = LoadSettingsFrom(path("missing.ini"));
    s.Language = "English";
    s.BinaryChunkLength = 8000000000;
    s.State = WindowMaximized;
    s.X = -20;
    s.Width = 1024;
    s.Hide = 1;
    s.Endian = EndianBigItem;
    s.Histogram = {300, 400};
    s.RecentFiles = {"/data/b.bin", "/data/a.bin"};
    const std::string text = FormatSettings(s);
    EXPECT_NE(text.find("[General]\r\nBinaryChunkLength = 8000000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("Language = English\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Window]\r\nState = 16777216\r\nX = -20\r\nY = -65535\r\nWidth = 1024\r\n"), std::string::npos);
    EXPECT_NE(text.find("Sign = 1\r\nEndian = Big\r\n[Result]"), std::string::npos);
    EXPECT_NE(text.find("[Histogram]\r\nX = 300\r\nY = 400\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("[Recent]\r\nFileName_0 = /data/b.bin\r\nFileName_1 = /data/a.bin\r\n"));

    const Settings back = ParseSettings(text);
    EXPECT_EQ(FormatSettings(back), text);
}

TEST_F(SettingsFile, GroupAndKeyNamesAreReadWithoutRegardToCase) {
    const Settings s = ParseSettings(
        "[GENERAL]\nlanguage = English\nTHEME=Slate\n[valueseditor]\nhide = 1\n[recent]\nwhatever = /x\n");
    EXPECT_EQ(s.Language, "English");
    EXPECT_EQ(s.Theme, "Slate");
    EXPECT_EQ(s.Hide, 1);
    EXPECT_EQ(s.RecentFiles, std::vector<std::string>{"/x"});
}

TEST_F(SettingsFile, EndianIsRecognisedOnlyInItsExactSpelling) {
    const struct {
        const char *file;
        int32_t endian;
        const char *written;  // nullptr: no Endian key
    } cases[] = {
        {"", EndianLittleItem, "Little"},
        {"[ValuesEditor]\nEndian = Little\n", EndianLittleItem, "Little"},
        {"[ValuesEditor]\nEndian = Big\n", EndianBigItem, "Big"},
        {"[ValuesEditor]\nEndian = big\n", 0, nullptr},
        {"[ValuesEditor]\nEndian = LITTLE\n", 0, nullptr},
        {"[ValuesEditor]\nEndian =\n", 0, nullptr},
    };
    for (const auto &c : cases) {
        const Settings s = ParseSettings(c.file);
        EXPECT_EQ(s.Endian, c.endian) << c.file;
        const std::string text = FormatSettings(s);
        if (c.written) {
            EXPECT_NE(text.find(std::string("Endian = ") + c.written + "\r\n"), std::string::npos) << c.file;
        } else {
            EXPECT_EQ(text.find("Endian"), std::string::npos) << c.file;
        }
    }
}

TEST_F(SettingsFile, ValuesThatCannotBeReadKeepTheirDefaults) {
    const Settings s = ParseSettings(
        "[General]\n"
        "BinaryChunkLength = -5\n"                   // not a usable chunk length
        "HistoryCacheSize = 99999999999999999999\n"  // beyond 64 bits
        "LaunchWindow = yes\n"
        "Language = ../../somewhere/else\n"           // would leave the Languages folder
        "Theme = \n"
        "[Window]\n"
        "X = 12abc\n"
        "Y = 4294967296\n"                           // beyond 32 bits
        "Width = +800\n"
        "Height = \t 600  \n"
        "State = 7\n"
        "\x01\x02 garbage \xff without equals sign\n"
        "[ValuesEditor]\nSign = 0\n");
    const Settings d;
    EXPECT_EQ(s.BinaryChunkLength, d.BinaryChunkLength);
    EXPECT_EQ(s.HistoryCacheSize, d.HistoryCacheSize);
    EXPECT_EQ(s.LaunchWindow, d.LaunchWindow);
    EXPECT_EQ(s.Language, d.Language);
    EXPECT_EQ(s.Theme, "");  // an empty name is readable; it just finds no theme
    EXPECT_EQ(s.X, NoPosition);
    EXPECT_EQ(s.Y, NoPosition);
    EXPECT_EQ(s.Width, 800);
    EXPECT_EQ(s.Height, 600);
    EXPECT_EQ(s.State, 0);
    EXPECT_EQ(s.Sign, 0);
}

TEST(RecentFiles, OpeningTheSameFileTwiceKeepsOneEntryAtTheFront) {
    Settings s;
    AddRecentFile(s, "/a");
    AddRecentFile(s, "/b");
    AddRecentFile(s, "/a");
    EXPECT_EQ(s.RecentFiles, (std::vector<std::string>{"/a", "/b"}));
    AddRecentFile(s, "/A");  // names are compared with case
    EXPECT_EQ(s.RecentFiles.size(), 3u);
}

TEST(RecentFiles, TwelveFilesWriteElevenAndReadBackTheTenNewest) {
    Settings s;
    for (int i = 0; i < 12; ++i)
        AddRecentFile(s, "/f" + std::to_string(i));
    ASSERT_EQ(s.RecentFiles.size(), 11u);
    const std::string text = FormatSettings(s);
    EXPECT_NE(text.find("FileName_0 = /f11\r\n"), std::string::npos);
    EXPECT_NE(text.find("FileName_10 = /f1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("FileName_11"), std::string::npos);
    const Settings back = ParseSettings(text);
    ASSERT_EQ(back.RecentFiles.size(), 10u);
    EXPECT_EQ(back.RecentFiles.front(), "/f11");
    EXPECT_EQ(back.RecentFiles.back(), "/f2");
}

TEST(RecentFiles, ReopeningAnOldEntryKeepsTheTenOthers) {
    // The walk drops the reopened entry first, so the one that stood at index
    // 10 moves up and stays.
    Settings s;
    for (int i = 10; i >= 0; --i)
        s.RecentFiles.push_back("/f" + std::to_string(i));  // /f10 ... /f0, 11 entries
    AddRecentFile(s, "/f8");
    ASSERT_EQ(s.RecentFiles.size(), 11u);
    EXPECT_EQ(s.RecentFiles[0], "/f8");
    EXPECT_EQ(s.RecentFiles[10], "/f0");
}

TEST(RecentFiles, PathsWithLineBreaksAreLeftOutOfTheFileInsteadOfBreakingIt) {
    Settings s;
    s.RecentFiles = {"/ok", "/evil\r\n[General]\r\nLanguage = x", "/fine"};
    const std::string text = FormatSettings(s);
    EXPECT_TRUE(text.ends_with("[Recent]\r\nFileName_0 = /ok\r\nFileName_1 = /fine\r\n"));
    EXPECT_EQ(ParseSettings(text).Language, "German");
}

TEST_F(SettingsFile, WritingCreatesMissingFoldersAndReplacesTheOldFile) {
    const std::string nested = path("a/b/Configuration.ini");
    Settings s;
    s.Language = "English";
    ASSERT_TRUE(WriteSettingsFile(nested, s));
    s.Language = "German";
    ASSERT_TRUE(WriteSettingsFile(nested, s));
    EXPECT_EQ(LoadSettingsFrom(nested).Language, "German");
    EXPECT_FALSE(std::filesystem::exists(nested + ".new"));
}

TEST_F(SettingsFile, AFolderThatCannotBeMadeLosesTheSettingsQuietly) {
    // A plain file where the folder should be: nothing can be created under it.
    writeAll(path("blocker"), "x");
    EXPECT_FALSE(WriteSettingsFile(path("blocker/sub/Configuration.ini"), Settings{}));
    // A folder standing where the file should be is left as it is.
    std::filesystem::create_directory(path("Configuration.ini"));
    EXPECT_FALSE(WriteSettingsFile(path(), Settings{}));
    EXPECT_TRUE(std::filesystem::is_directory(path()));
    EXPECT_FALSE(std::filesystem::exists(path() + ".new"));
}

TEST_F(SettingsFile, ALargeFileIsReadOnlyUpToItsLimit) {
    std::string text = "[General]\r\nLanguage = English\r\n[Recent]\r\n";
    text += "FileName_0 = " + std::string(3 << 20, 'x') + "\r\n";  // far past the limit
    writeAll(path(), text);
    const Settings s = LoadSettingsFrom(path());
    EXPECT_EQ(s.Language, "English");
    EXPECT_TRUE(s.RecentFiles.empty());
}

TEST(WindowPlaces, APlaceCountsWhenItsTitleStripLiesOnAScreen) {
    const std::vector<ScreenRect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const struct {
        int x, y, w;
        bool on;
    } cases[] = {
        {100, 100, 800, true},
        {2500, 200, 800, true},       // on the second screen
        {-700, 10, 800, true},        // 100 pixels still reachable
        {-790, 10, 800, false},       // only 10 pixels left
        {5000, 100, 800, false},      // a screen that is gone
        {100, -300, 800, false},      // title above every screen
        {100, 1070, 800, false},      // title below the bottom edge
        {NoPosition, 5000, 800, true},  // nothing stored for x: cannot judge, keep it
    };
    for (const auto &c : cases)
        EXPECT_EQ(PlaceIsOnScreen(c.x, c.y, c.w, 600, screens), c.on) << c.x << "," << c.y;
    EXPECT_TRUE(PlaceIsOnScreen(5000, 5000, 800, 600, {}));  // no screens known
}

TEST(WindowPlaces, AStoredPlaceOnNoScreenLeavesTheWindowCentred) {
    constexpr int Window = 250;  // a number no part of the program uses
    OpenWindow(Window, 0, 0, 300, 200, "place test", WindowCentered | WindowHidden);
    ASSERT_TRUE(IsWindow(Window));
    const int cx = WindowX(Window), cy = WindowY(Window);
    EXPECT_FALSE(RestoreWindowPlace(Window, 40000, 30000));
    EXPECT_EQ(WindowX(Window), cx);
    EXPECT_EQ(WindowY(Window), cy);
    EXPECT_TRUE(RestoreWindowPlace(Window, 20, 30));
    EXPECT_EQ(WindowX(Window), 20);
    EXPECT_EQ(WindowY(Window), 30);
    CloseWindow(Window);
}

TEST(SettingsRun, SaveWritesTheNormalGeometryOfAMaximisedWindowAndTheMenuState) {
    if (IsWindow(0) || IsWindow(1))
        GTEST_SKIP() << "the program's windows are open in this test run";
    const Settings saved = AppSettings();
    AppSettings() = Settings{};
    OpenWindow(0, 0, 0, 640, 480, "main", WindowResizable | WindowCentered | WindowHidden);
    MoveWindow(0, 30, 40, 640, 480);
    ShowWindow(0, true);
    SetWindowState(0, WindowMaximized);
    auto previous = SetSettingsMenuReader([] { return SettingsMenuState{0, EndianBigItem}; });
    AddRecentFile("/recent/file");
    const bool written = SaveSettings();
    SetSettingsMenuReader(std::move(previous));
    CloseWindow(0);
    ASSERT_TRUE(written);

    const std::string file = ConfigFolderPath() + "Configuration.ini";
    const Settings back = LoadSettingsFrom(file);
    EXPECT_EQ(back.State, WindowMaximized);
    EXPECT_EQ(back.Width, 640);
    EXPECT_EQ(back.Height, 480);
    EXPECT_EQ(back.Sign, 0);
    EXPECT_EQ(back.Endian, EndianBigItem);
    EXPECT_EQ(back.RecentFiles, std::vector<std::string>{"/recent/file"});
    LoadSettings();
    EXPECT_EQ(AppSettings().RecentFiles, back.RecentFiles);
    // Later tests in this run start without a configuration, as a first start does.
    std::filesystem::remove(file);
    AppSettings() = saved;
}
