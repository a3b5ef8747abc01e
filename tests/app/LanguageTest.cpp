#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <set>

#include "app/settings/Ini.h"
#include "app/settings/Language.h"

using namespace hx;

namespace {

class Texts : public ::testing::Test {
protected:
    void SetUp() override {
        ClearLanguage();
        LoadLanguageText("Orphan = before any group\n"
                         "[Window]\r\nMain = Hexaloom\r\nNew = Untitled\r\n"
                         "[Menu]\nNew = New file\nOpen =\t  Open…\n"
                         "[ToolBar]\nNew = Create\n"
                         "[Menu]\nNew = Later wins\n"
                         "[ValuesEditor]\nCharacter\\65 = Letter A\n");
    }
    void TearDown() override { ClearLanguage(); }
};

// Every text the program looks up by a fixed key.
const std::vector<std::string> &programKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        auto add = [&](const std::string &group, std::initializer_list<const char *> names) {
            for (const char *n : names)
                k.push_back(group + "\\" + n);
        };
        add("Window", {"Main", "ValuesEditor", "Result", "Transformation", "SearchAndReplace",
                       "Configurations", "Histogram", "New", "Compression"});
        add("OpenFileRequester", {"Title", "Pattern"});
        add("SaveFileRequester", {"Title", "Pattern"});
        add("Menu", {"File", "Edit", "Tools", "Configurations", "New", "Open", "Recent", "Empty", "Save",
                     "SaveAs", "Close", "CloseAll", "Quit", "Undo", "Redo", "Cut", "Copy", "Paste",
                     "SelectAll", "SearchAndReplace", "ValuesEditor", "Histogram", "Fingerprint",
                     "Compress", "BriefLZ", "Zip", "LZMA", "Cipher", "MD5", "CRC32", "SHA1", "Adler32",
                     "XOr", "AESEncoder", "AESDecoder", "Base64Encoder", "Base64Decoder", "Sign",
                     "ByteOrder", "BigEndian", "LittleEndian", "AddSplitter", "RemoveSplitter", "SHA224",
                     "SHA256", "SHA384", "SHA512", "SHA3-256", "SHA3-512", "BLAKE2b512", "BLAKE2s256", "CRC32C",
                     "CRC64", "XXH64", "XXH3"});
        add("ToolBar", {"New", "Open", "Save", "Undo", "Redo", "Cut", "Copy", "Paste"});
        add("StatusBar", {"Cursor", "Selection", "HistoryCacheSize", "BinaryCacheSize"});
        add("Configurations", {"General", "BinaryFiles", "History", "BinaryChunkLength", "HistoryCacheSize",
                               "Language", "Theme", "LaunchWindow", "Apply"});
        add("Result", {"Fingerprint", "Algorithm", "Position", "Length", "Result", "Cancel", "Update", "Copy",
                       "Covers", "CoversWhole", "CoversNothing"});
        add("Transformation", {"Cipher", "Algorithm", "Position", "Length", "Mask", "Mode", "Key", "Vector",
                               "Cancel", "Apply"});
        add("SearchAndReplace", {"SearchFor", "Search", "Cancel"});
        add("ValuesEditor", {"Character", "SingleBit", "Integer", "Float", "Others", "Color", "Timestemp"});
        add("Histogram", {"Histogram", "Counts", "Value"});
        add("Compression", {"Compression", "Format", "Position", "Length", "Container", "Level", "Compress",
                            "Decompress", "Cancel", "ZipZlib", "ZipRaw", "ZipGzip", "LzmaXz", "LzmaAlone",
                            "LevelStore", "LevelFastest", "LevelDefault", "LevelSmallest", "NoteZip", "NoteLzma",
                            "NoteBriefLZ", "NoteLimit", "BadInput", "Truncated", "TrailingData", "BadChecksum",
                            "NeedsMemory", "TooLarge", "Failed", "ReadFailed", "AskLarge", "GoOn", "Stop"});
        add("Messages", {"Title", "OpenFailed", "SaveFailed", "ReasonReadOnly", "ReasonCannotCreate",
                         "ReasonWriteFailed", "ReasonUnreadableSource", "ReasonTargetInUse", "ReasonNoMemory",
                         "UnsavedChanges", "Save", "Discard", "Cancel", "NoMemory"});
        // Characters that cannot show themselves in a list need a name.
        for (int c = 0; c <= 32; ++c)
            k.push_back("ValuesEditor\\Character\\" + std::to_string(c));
        k.push_back("ValuesEditor\\Character\\127");
        return k;
    }();
    return keys;
}

std::string shipped(const char *name) { return std::string(HEXALOOM_SOURCE_DIR) + "/Languages/" + name + ".ini"; }

}  // namespace

TEST_F(Texts, AbsoluteKeysIgnoreTheGroupAndRelativeKeysUseIt) {
    SetTextGroup("ToolBar");
    EXPECT_EQ(GetText("New"), "Create");
    EXPECT_EQ(GetText("\\Window\\Main"), "Hexaloom");
    EXPECT_EQ(GetText("\\Menu\\Open"), "Open…");  // leading blanks and tabs of a value dropped
    SetTextGroup("Menu\\");
    EXPECT_EQ(TextGroup(), "Menu\\");
    EXPECT_EQ(GetText("New"), "Later wins");  // a repeated full key keeps the later text
    SetTextGroup("");
    EXPECT_EQ(TextGroup(), "");
    EXPECT_EQ(GetText("Window\\New"), "Untitled");
    SetTextGroup("ValuesEditor");
    EXPECT_EQ(GetText("Character\\65"), "Letter A");
}

TEST_F(Texts, MissingKeysGiveTheDefaultOrTheBracketedLastPart) {
    SetTextGroup("Menu");
    EXPECT_EQ(GetText("Missing"), "[Missing]");
    EXPECT_EQ(GetText("Missing", "fallback"), "fallback");
    EXPECT_EQ(GetText("Missing", "\n"), "[Missing]");  // a lone line feed means "no default"
    EXPECT_EQ(GetText("New", "fallback"), "Later wins");
    EXPECT_EQ(GetText("\\Nowhere\\a/b"), "[b]");
    EXPECT_EQ(GetText("\\Orphan"), "[Orphan]");  // keys before the first group are not loaded
    EXPECT_EQ(GetText("\\menu\\new"), "[new]");  // other case is another key
    SetTextGroup("ValuesEditor");
    EXPECT_EQ(GetText("Character\\66", "B"), "B");
}

TEST_F(Texts, AMissingFileKeepsTheTextsAndSaysSo) {
    EXPECT_FALSE(LoadLanguage("/nonexistent/Languages/Klingon.ini"));
    EXPECT_EQ(GetText("\\Window\\Main"), "Hexaloom");
}

TEST_F(Texts, GarbageLongLinesAndGrouplessFilesLoadWhatTheyCan) {
    std::string text = "no group here = value\n";
    text += std::string("\x00\xff\xfe\x01[[[", 7) + "\n";
    text += "[Window]\n";
    text += "Long = " + std::string(2 << 20, 'L') + "\n";
    text += std::string(10000, '=') + "\n";
    for (int i = 0; i < 256; ++i)
        text += static_cast<char>(i);
    text += "\n[Menu]\r\nNew = still found\r\n";
    LoadLanguageText(text);
    EXPECT_EQ(GetText("\\Menu\\New"), "still found");
    EXPECT_EQ(GetText("\\Window\\Long").size(), size_t{2 << 20});

    LoadLanguageText("only = keys\nwithout = groups\n");
    EXPECT_EQ(LanguageTextCount(), 0u);
}

TEST(Placeholders, EveryOccurrenceIsReplacedOnce) {
    EXPECT_EQ(FillPlaceholder("%FILE and %FILE", "%FILE", "a%FILEb"), "a%FILEb and a%FILEb");
    EXPECT_EQ(FillPlaceholder("none", "%FILE", "x"), "none");
}

TEST(ShippedLanguages, BothFilesNameEveryTextTheProgramLooksUp) {
    for (const char *name : {"German", "English"}) {
        SCOPED_TRACE(name);
        ClearLanguage();
        ASSERT_TRUE(LoadLanguage(shipped(name)));
        for (const std::string &key : programKeys()) {
            EXPECT_TRUE(HasText("\\" + key)) << key;
            EXPECT_FALSE(GetText("\\" + key).empty()) << key;
        }
        // The open dialog offers all files first.
        const std::string pattern = GetText("\\OpenFileRequester\\Pattern");
        const size_t bar = pattern.find('|');
        ASSERT_NE(bar, std::string::npos);
        EXPECT_EQ(pattern.substr(bar + 1, 2), "*|");
        for (const char *key : {"\\Messages\\OpenFailed", "\\Messages\\SaveFailed", "\\Messages\\UnsavedChanges"})
            EXPECT_NE(GetText(key).find("%FILE"), std::string::npos) << key;
        EXPECT_NE(GetText("\\Messages\\SaveFailed").find("%REASON"), std::string::npos);
    }
    ClearLanguage();
}

TEST(ShippedLanguages, BothFilesHaveTheSameKeys) {
    auto keysOf = [](const char *name) {
        std::ifstream in(shipped(name), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::set<std::string> keys;
        for (const IniGroup &g : ParseIni(text).groups)
            for (const IniKey &k : g.keys)
                EXPECT_TRUE(keys.insert(g.name + "\\" + k.name).second) << name << ": twice " << g.name << "\\" << k.name;
        return keys;
    };
    EXPECT_EQ(keysOf("German"), keysOf("English"));
}
