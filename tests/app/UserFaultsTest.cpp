// Faults a user met trying the editor: Close All, hex paste, messages under
// the launch picture, opens that fail, a missing language file, backslashes
// in names, and more (one test each, through the loop's events, the files on
// disk and the clipboard).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "app/settings/Language.h"
#include "app/settings/Settings.h"
#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/toolwindows/SearchWindow.h"
#include "app/toolwindows/ValuesEditorWindow.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/StatusBar.h"
#include "tabbar/TabBar.h"
#include "ShellTestSupport.h"
#include "UserInput.h"

using namespace hx;

namespace {

class UserFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n[ValuesEditor]\r\nHide = 1\r\n" + extra);
        InitTestPlatform();
        Dialogs().askSave = [this](const SaveQuestion &) {
            ++questions;
            return answers.empty() ? SaveChoice::Cancel : answers[static_cast<size_t>(questions - 1) % answers.size()];
        };
        Dialogs().askYesNo = [this](const YesNoQuestion &q) {
            choices.push_back(q.text);
            return choiceAnswer;
        };
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
        QGuiApplication::clipboard()->clear();
    }
    void Start(const std::string &file = "") {
        // Start-up finds no language file beside the test and keeps these texts.
        LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini");
        StartUp(file);
        Pump();
    }
    std::string Path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
    std::string File(const std::string &name, const std::string &bytes) {
        WriteAll(Path(name), bytes);
        return Path(name);
    }
    void OpenWithDialog(const std::string &path) {
        Dialogs().openFile = [path](const OpenFileRequest &) { return std::vector<std::string>{path}; };
        ChooseMenuItem(CommandOpen);
    }
    static void Activate(int window) {
        QApplication::setActiveWindow(WindowWidget(window));
        Pump();
    }
    static std::string Bytes(int gadget) {
        ByteBuffer all = HexViewDocumentBytes(gadget);
        return all ? std::string(reinterpret_cast<const char *>(all.data()), static_cast<size_t>(all.size())) : "";
    }
    static Document *Doc() { return HexViewByGadget(MainViewGadget)->CurrentDocument; }
    static int Tabs() { return CountTabBarItems(TabBarGadget); }
    static std::string TabText(int i) { return GetTabBarItem(TabBarGadget, i)->text; }
    static std::string Bytes(const Document &doc) {
        ByteBuffer all = ReadBinary(doc.Store, 0, doc.Store->Length, SlotTransient);
        return all ? std::string(reinterpret_cast<const char *>(all.data()), static_cast<size_t>(all.size())) : "";
    }

    QTemporaryDir dir;
    std::string extra;
    int questions = 0;
    std::vector<SaveChoice> answers;
    bool choiceAnswer = true;
    std::vector<std::string> choices;
    std::vector<std::string> messages;
};

TEST_F(UserFaultsTest, CloseAllClosesEveryTabAskingAboutChangedOnesAndStopsAtCancel) {
    Start(File("a.bin", "a"));
    OpenWithDialog(File("b.bin", "b"));
    OpenWithDialog(File("c.bin", "c"));
    Doc()->Cursor = 0;
    TypeIntoMainView('1');   // c.bin changed
    ASSERT_EQ(Tabs(), 3);
    ChooseMenuItem(CommandCloseAll);   // a and b go unasked; the question about c is cancelled
    EXPECT_EQ(questions, 1);
    ASSERT_EQ(Tabs(), 1);
    EXPECT_EQ(TabText(0), "c.bin");
    EXPECT_EQ(Doc()->Tab, GetTabBarItem(TabBarGadget, 0));
    answers = {SaveChoice::Discard};
    ChooseMenuItem(CommandCloseAll);
    EXPECT_EQ(questions, 2);
    ASSERT_EQ(Tabs(), 1);   // the view always shows a document: a new one
    EXPECT_EQ(TabText(0), GetText("\\Window\\New"));
    EXPECT_EQ(Doc()->Store->Length, 0);
}

TEST_F(UserFaultsTest, PasteIntoTheHexAreaTakesSeparatedPairsAndRefusesOtherText) {
    Start(File("p.bin", "__"));
    struct Case {
        const char *clipboard;
        const char *result;   // the document after the paste at offset 1
    } cases[] = {
        {"DE AD BE EF", "_\xDE\xAD\xBE\xEF_"},
        {"DEAD\nBEEF", "_\xDE\xAD\xBE\xEF_"},
        {"0xDE, 0xAD", "_\xDE\xAD_"},
        {"\\xde\\xad", "_\xDE\xAD_"},
        {"de:ad-be", "_\xDE\xAD\xBE_"},
        {"ABC", "__"},
        {"DE AG", "__"},
        {"hello", "__"},
    };
    for (const Case &c : cases) {
        Doc()->Cursor = 1;
        Doc()->FocusColumn = 0;
        messages.clear();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(c.clipboard));
        ChooseMenuItem(CommandPaste);
        EXPECT_EQ(Bytes(*Doc()), c.result) << c.clipboard;
        EXPECT_EQ(messages.size(), std::string(c.result) == "__" ? 1u : 0u) << c.clipboard;
        while (Bytes(*Doc()) != "__" && HistoryIndex(Doc()->Hist) > 0) ChooseMenuItem(CommandUndo);
    }
    // The character area takes the text as it is.
    Doc()->Cursor = 1;
    Doc()->FocusColumn = 1;
    QGuiApplication::clipboard()->setText("ABC");
    ChooseMenuItem(CommandPaste);
    EXPECT_EQ(Bytes(*Doc()), "_ABC_");
}

TEST_F(UserFaultsTest, NoMessageOpensUnderTheLaunchPicture) {
    WriteTestConfiguration("[General]\r\nLaunchWindow = 1\r\n[ValuesEditor]\r\nHide = 1\r\n");
    std::vector<bool> pictureShown;
    Dialogs().message = [&](int, const std::string &, const std::string &) {
        pictureShown.push_back(IsWindow(LaunchWindowNumber) && IsWindowVisible(LaunchWindowNumber));
    };
    Start(dir.path().toStdString());   // a folder: the message comes during start-up
    ASSERT_EQ(pictureShown.size(), 1u);
    EXPECT_FALSE(pictureShown[0]);
}

TEST_F(UserFaultsTest, AnOpenThatFailsLeavesNoTabAndSaysWhy) {
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(Path("folder"));
    struct Case {
        std::string path;
        const char *reason;
    } cases[] = {
        {Path("folder"), "\\Notices\\ReasonFolder"},
        {fifo, "\\Notices\\ReasonNotRegular"},
        {"/dev/zero", "\\Notices\\ReasonNotRegular"},
    };
    Start(cases[0].path);   // from the command line: an empty new document instead
    ASSERT_EQ(Tabs(), 1);
    EXPECT_EQ(TabText(0), GetText("\\Window\\New"));
    ASSERT_EQ(messages.size(), 1u);
    OpenWithDialog(File("kept.bin", "k"));
    std::string shownWithTheMessage;
    Dialogs().message = [&](int, const std::string &, const std::string &text) {
        messages.push_back(text);
        shownWithTheMessage = Doc()->Store->FileName;
    };
    for (const Case &c : cases) {
        messages.clear();
        OpenWithDialog(c.path);
        EXPECT_EQ(shownWithTheMessage, Path("kept.bin")) << c.path;
        EXPECT_EQ(Tabs(), 1) << c.path;
        EXPECT_EQ(TabText(0), "kept.bin") << c.path;
        EXPECT_EQ(Doc()->Tab, GetTabBarItem(TabBarGadget, 0)) << c.path;
        ASSERT_EQ(messages.size(), 1u) << c.path;
        EXPECT_NE(messages[0].find(GetText(c.reason)), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(c.path), std::string::npos) << messages[0];
    }
}

class UserFaultsRecentTest : public UserFaultsTest {
protected:
    void SetUp() override {
        extra = "[Recent]\r\nFileName_0 = /nonexistent/gone.bin\r\n";
        UserFaultsTest::SetUp();
    }
};

TEST_F(UserFaultsRecentTest, ARecentFileThatIsGoneOffersToDropTheEntry) {
    Start();
    const int id = FirstGroupItem(RecentGroup);
    choiceAnswer = false;
    ChooseMenuItem(id);
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_NE(choices[0].find("/nonexistent/gone.bin"), std::string::npos);
    EXPECT_EQ(Tabs(), 1);
    EXPECT_EQ(Doc()->Store->FileName, "");   // no new document of that name
    EXPECT_EQ(AppSettings().RecentFiles.size(), 1u);
    choiceAnswer = true;
    ChooseMenuItem(id);
    EXPECT_TRUE(AppSettings().RecentFiles.empty());
    EXPECT_FALSE(IsMenuItemVisible(MainMenu, id));
}

TEST_F(UserFaultsTest, DocumentsTakeTheConfiguredCacheSizesClampedToTheSpinsSteps) {
    struct Case {
        const char *chunk, *history;
        int64_t chunkLength, historyLimit;
    } cases[] = {
        {"1000000", "16000000", 1000000, 16000000},
        {"3", "1000", 500000, 4000000},                    // below the spins: their first steps
        {"900000000", "99000000000", 500000000, 8000000000},  // above: their last steps
        {"4000000", "67108864", 4000000, 67108864},        // the defaults, between two steps
    };
    const std::string path = File("sized.bin", "abc");
    bool first = true;
    for (const Case &c : cases) {
        if (!first) {
            ShutDown();
            InitTestPlatform();
        }
        first = false;
        WriteTestConfiguration(std::string("[General]\r\nLaunchWindow = 0\r\nBinaryChunkLength = ") + c.chunk +
                               "\r\nHistoryCacheSize = " + c.history + "\r\n");
        Start(path);
        ChooseMenuItem(CommandNew);
        for (Document *doc : {Doc(), static_cast<Document *>(TabBarItemData(GetTabBarItem(TabBarGadget, 0)))}) {
            EXPECT_EQ(doc->Store->ChunkLength, c.chunkLength) << c.chunk;
            EXPECT_EQ(doc->Hist->MaxSize, c.historyLimit) << c.history;
        }
    }
}

TEST_F(UserFaultsTest, MenuEditCommandsActOnTheFieldThatHadTheKeyboard) {
    Start(File("main.bin", "MAIN"));
    QMainWindow *main = MainWindowWidget(MainWindowNumber);
    // The press on the main window's menu bar (an empty part of it) reaches the window first, then the bar.
    const auto pressOnTheMenuBar = [main] {
        const QPointF at(main->menuBar()->width() - 5, main->menuBar()->height() / 2);
        qt_handleMouseEvent(main->windowHandle(), at, main->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                            QEvent::MouseButtonPress, Qt::NoModifier, 0);
        qt_handleMouseEvent(main->windowHandle(), at, main->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                            QEvent::MouseButtonRelease, Qt::NoModifier, 0);
        Pump();
    };
    for (const bool clicked : {false, true}) {   // Ctrl+F alone, or a click into the pattern too
        ChooseMenuItem(CommandSearchAndReplace);
        Activate(SearchWindowNumber);
        if (clicked) UserClick(PatternFieldGadget, 40, 40);
        ASSERT_EQ(FocusedControl(), PatternFieldGadget) << clicked;
        // A click on the main window's menu bar activates that window first,
        // which hands the focus to the main view.
        Activate(MainWindowNumber);
        pressOnTheMenuBar();
        ASSERT_EQ(FocusedControl(), MainViewGadget) << clicked;
        HexViewCommand(PatternFieldGadget, HexReplaceAll, nullptr, 0);
        QGuiApplication::clipboard()->setText("41 42");
        ChooseMenuItem(CommandPaste);
        EXPECT_EQ(Bytes(PatternFieldGadget), "AB") << clicked;
        EXPECT_EQ(Bytes(MainViewGadget), "MAIN") << clicked;
        ChooseMenuItem(CommandSelectAll);
        EXPECT_EQ(HexViewByGadget(PatternFieldGadget)->CurrentDocument->SelectionLength, 2) << clicked;
        EXPECT_EQ(Doc()->SelectionLength, 0) << clicked;
        // Once the user clicks into the main view, the commands are its own.
        UserClick(MainViewGadget, 5, 5);
        ChooseMenuItem(CommandSelectAll);
        EXPECT_EQ(Doc()->SelectionLength, 4) << clicked;
        Doc()->SelectionLength = 0;
    }
}

TEST_F(UserFaultsTest, AfterALongRunTheKeyboardIsWhereItWas) {
    const std::string path = Path("long.bin");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const int64_t size = int64_t{256} << 20;   // long enough for the search's busy state
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ASSERT_EQ(::pwrite(fd, "needle", 6, size - 100), 6);
    ::close(fd);
    Start(path);
    ChooseMenuItem(CommandSearchAndReplace);
    HexViewCommand(PatternFieldGadget, HexPutData, reinterpret_cast<const uint8_t *>("needle"), 6);
    Pump();
    ShowWindow(SearchWindowNumber, false);   // F3 shows it again when the search runs long
    Pump();
    Activate(MainWindowNumber);
    struct Run {
        const char *what;
        int command;
    } runs[] = {
        {"search again", CommandSearchAgain},
        {"histogram", CommandHistogram},
        {"fingerprint", FirstGroupItem(FingerprintGroup)},
    };
    for (const Run &run : runs) {
        UserClick(MainViewGadget, 5, 5);
        Doc()->SelectionLength = run.command == CommandSearchAgain ? 0 : 4096;
        ChooseMenuItem(run.command);
        Activate(MainWindowNumber);
        EXPECT_EQ(FocusedControl(), MainViewGadget) << run.what;
        Doc()->SelectionLength = 0;
        const int64_t cursor = Doc()->Cursor;
        UserKey(cursor > 0 ? Qt::Key_Left : Qt::Key_Right);
        EXPECT_NE(Doc()->Cursor, cursor) << run.what << ": the arrow key did nothing";
    }
    EXPECT_TRUE(IsWindowVisible(SearchWindowNumber)) << "the search did not run long enough to show its busy state";
}

TEST_F(UserFaultsTest, AFileChangedOnDiskIsReloadedOrAskedAboutNeverMixed) {
    constexpr int64_t chunk = 500000, size = 4 * chunk;
    WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\nBinaryChunkLength = 500000\r\n");
    const std::string path = File("watched.bin", std::string(size, 'o'));
    Start(path);
    Doc()->Cursor = 3 * chunk + 250000;
    RedrawHexView(MainViewGadget);
    const auto byteAt = [](int64_t at) {
        uint8_t b = 0;
        ReadBinary(Doc()->Store, at, 1, SlotTransient, &b);
        return static_cast<char>(b);
    };
    ASSERT_EQ(byteAt(0), 'o');   // chunk 0 read
    const auto otherProgramWrites = [&](int64_t at, const char *bytes) {
        QThread::msleep(20);   // past the file system's time-stamp tick: a change it can see
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, bytes, std::strlen(bytes), at), static_cast<ssize_t>(std::strlen(bytes)));
        ::close(fd);
    };
    const auto activate = [] {
        Event e;
        e.window = MainWindowNumber;
        e.kind = EventWindowActivated;
        DispatchEvent(e);
    };
    // Unchanged: the file watch notices and the document is reloaded whole.
    otherProgramWrites(0, "YYYY");
    otherProgramWrites(3 * chunk, "XXXX");
    for (QElapsedTimer t; !t.isValid() || (byteAt(0) != 'Y' && t.elapsed() < 3000);) {
        if (!t.isValid()) t.start();
        QThread::msleep(20);
        Pump();
    }
    EXPECT_EQ(byteAt(0), 'Y');
    EXPECT_EQ(byteAt(3 * chunk), 'X');
    EXPECT_EQ(Doc()->Cursor, 3 * chunk + 250000);
    EXPECT_NE(StatusBarNote().find("watched.bin"), std::string::npos) << StatusBarNote();
    // The note and the status fields beside it do not overlap.
    const QList<QLabel *> labels = MainWindowWidget(MainWindowNumber)->statusBar()->findChildren<QLabel *>();
    for (const QLabel *a : labels)
        for (const QLabel *b : labels)
            if (a != b && !a->isHidden() && !b->isHidden()) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry())) << a->text().toStdString() << " | "
                                                                      << b->text().toStdString();
            }
    // Changed here too, and cut short there: asked once. Kept changes stay;
    // what can no longer be read shows as unreadable, not as zeros.
    TypeIntoMainView('4');
    ASSERT_EQ(::truncate(path.c_str(), chunk + 100), 0);
    choiceAnswer = false;
    activate();
    activate();
    EXPECT_EQ(choices.size(), 1u);
    EXPECT_TRUE(DocumentChanged(*Doc()));
    Doc()->ActivePane->Top = 2 * chunk;   // bytes not read before the cut
    RedrawHexView(MainViewGadget);
    const Pane &pane = *Doc()->ActivePane;
    ASSERT_EQ(pane.Unreadable.size(), 1u);
    EXPECT_EQ(pane.Unreadable[0], std::make_pair(0, pane.ShownLength));
    ChooseMenuItem(CommandValuesEditor);   // nor does the values editor take them for values
    for (const auto &[at, shown] : {std::make_pair(chunk - 1, "111"), std::make_pair(2 * chunk, "")}) {
        HexViewCommand(MainViewGadget, HexGoTo, nullptr, at);
        Pump();
        EXPECT_EQ(GetControlText(ValuesByteField), shown) << at;
    }
    // The next change: reloaded this time, with no byte past the end.
    choiceAnswer = true;
    otherProgramWrites(20, "WW");
    activate();
    EXPECT_EQ(choices.size(), 2u);
    EXPECT_FALSE(DocumentChanged(*Doc()));
    EXPECT_EQ(Doc()->Store->Length, chunk + 100);
    EXPECT_EQ(byteAt(20), 'W');
    RedrawHexView(MainViewGadget);
    EXPECT_TRUE(Doc()->ActivePane->Unreadable.empty());
    // Unchanged and cut again: reloaded without a question.
    QThread::msleep(20);
    ASSERT_EQ(::truncate(path.c_str(), 50), 0);
    activate();
    EXPECT_EQ(choices.size(), 2u);
    EXPECT_EQ(Doc()->Store->Length, 50);
    EXPECT_LE(Doc()->Cursor, 50);
}

TEST(LanguageFallback, AMissingLanguageFileFallsBackToEnglishThenToTheKeys) {
    QTemporaryDir folder;
    WriteAll(folder.path().toStdString() + "/English.ini", "[Menu]\nFile = File\n");
    std::ostringstream err;
    ClearLanguage();
    EXPECT_TRUE(LoadLanguageOrEnglish(folder.path().toStdString(), "Klingon", err));
    EXPECT_EQ(GetText("\\Menu\\File"), "File");
    EXPECT_NE(err.str().find("Klingon.ini"), std::string::npos) << err.str();
    std::filesystem::remove(folder.path().toStdString() + "/English.ini");
    ClearLanguage();
    EXPECT_FALSE(LoadLanguageOrEnglish(folder.path().toStdString(), "Klingon", err));
    EXPECT_EQ(GetText("\\Menu\\File"), "[File]");
}

TEST_F(UserFaultsTest, ABackslashIsPartOfTheFileName) {
    Start(File("back\\slash.bin", "x"));
    EXPECT_EQ(TabText(0), "back\\slash.bin");
    EXPECT_EQ(Doc()->Store->Length, 1);
}

}  // namespace
