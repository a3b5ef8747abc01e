// The search window driven through the loop: stepping through matches in
// both directions, restarting at the cursor, the options, the status line,
// counting, replacing, the stored pattern and its marks, a run that is
// cancelled or closed while it goes on, and the piecewise search against the
// store's own FindBinary.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/shell/Application.h"
#include "app/shell/Globals.h"
#include "app/shell/MenuBuilder.h"
#include "app/shell/MenuIds.h"
#include "app/settings/Language.h"
#include "app/toolwindows/SearchWindow.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

// ---- the piecewise search is FindBinary, piece by piece --------------------------------

TEST(SearchInPieces, EqualsFindBinaryOverTinyChunks) {
    // Small alphabets make many near misses; chunk lengths of 1 to 7 put
    // patterns across two, three and more chunks.
    std::mt19937 random(20240516);
    for (int64_t chunk : {1, 2, 3, 7}) {
        for (int round = 0; round < 40; ++round) {
            Binary *store = CreateBinary(-1, chunk);
            std::vector<uint8_t> bytes(200 + random() % 200);
            for (uint8_t &b : bytes) b = static_cast<uint8_t>('a' + random() % 3);
            ASSERT_EQ(InsertBinary(store, 0, bytes.data(), static_cast<int64_t>(bytes.size())), BinaryOk);
            ASSERT_GT(store->Chunks.size(), bytes.size() / (2 * chunk + 1)) << "chunks were merged";
            const int64_t k = 1 + random() % 9;
            std::vector<uint8_t> pattern(k);
            // Half the patterns are taken from the data, so that they occur.
            const size_t from = random() % (bytes.size() - k);
            for (int64_t i = 0; i < k; ++i) pattern[i] = round % 2 ? bytes[from + i] : 'a' + random() % 3;
            const int64_t start = static_cast<int64_t>(random() % (bytes.size() + 2)) - 1;
            int serves = 0;
            const PiecewiseFind found = FindInPieces(store, pattern.data(), k, start, [&] {
                ++serves;
                return true;
            });
            const int64_t expected = FindBinary(store, pattern.data(), k, start);
            EXPECT_EQ(found.result == PiecewiseFind::Found ? found.position : -1, expected)
                << "chunk " << chunk << " round " << round << " k " << k << " start " << start;
            EXPECT_NE(found.result, PiecewiseFind::ReadFailed);
            EXPECT_EQ(store->WalkState == WalkInPiece, false) << "the walk was left holding a chunk";
            FreeBinary(store);
        }
    }
}

TEST(SearchInPieces, ServesBetweenPiecesAndStopsWhenAsked) {
    Binary *store = CreateBinary(-1, int64_t{16} << 20);
    std::vector<uint8_t> bytes(int64_t{24} << 20, 0);
    const char needle[] = "needle";
    std::memcpy(bytes.data() + bytes.size() - 6, needle, 6);
    ASSERT_EQ(InsertBinary(store, 0, bytes.data(), static_cast<int64_t>(bytes.size())), BinaryOk);
    int serves = 0;
    PiecewiseFind found = FindInPieces(store, reinterpret_cast<const uint8_t *>(needle), 6, 0, [&] {
        ++serves;
        return true;
    });
    EXPECT_EQ(found.result, PiecewiseFind::Found);
    EXPECT_EQ(found.position, static_cast<int64_t>(bytes.size()) - 6);
    EXPECT_GE(serves, 5);  // at least every 4 MiB, also inside a 16 MiB chunk
    serves = 0;
    found = FindInPieces(store, reinterpret_cast<const uint8_t *>(needle), 6, 0, [&] { return ++serves < 2; });
    EXPECT_EQ(found.result, PiecewiseFind::Stopped);
    EXPECT_EQ(serves, 2);
    EXPECT_NE(store->WalkState, WalkInPiece);
    FreeBinary(store);
}

// ---- the window in the running shell ----------------------------------------------------

class SearchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        Dialogs().message = [this](int, const std::string &, const std::string &text) { messages.push_back(text); };
        LastMatch() = -1;
    }
    void TearDown() override {
        ShutDown();
        Dialogs() = DialogHooks{};
    }

    void start(const std::string &bytes) {
        const std::string path = dir.path().toStdString() + "/doc.bin";
        WriteAll(path, bytes);
        StartUp(path);
        english();
    }
    // The status line's texts as the English file has them.
    void english() { LoadLanguage(std::string(HEXALOOM_SOURCE_DIR) + "/Languages/English.ini"); }
    Document *doc() { return HexViewByGadget(MainViewGadget)->CurrentDocument; }
    int64_t cursor() { return doc()->Cursor; }
    void pattern(const std::string &bytes) {
        HexViewCommand(PatternFieldGadget, HexReplaceAll, reinterpret_cast<const uint8_t *>(bytes.data()),
                       static_cast<int64_t>(bytes.size()));
    }
    void menu(int id) {
        PostMenuEvent(id);
        pump();
    }
    // The Search button pressed as a user would, and the loop run until idle.
    void search() {
        ActivateControl(SearchButton);
        pump();
    }
    void pump() {
        while (std::optional<Event> event = PollEvent()) DispatchEvent(*event);
    }
    void closeBox() {
        Event e;
        e.window = SearchWindowNumber;
        e.kind = EventCloseWindow;
        DispatchEvent(e);
    }

    void field(int gadget, const std::string &bytes) {
        HexViewCommand(gadget, HexReplaceAll, reinterpret_cast<const uint8_t *>(bytes.data()),
                       static_cast<int64_t>(bytes.size()));
    }
    void press(int control, int state = 0) {
        ActivateControl(control, state);
        pump();
    }
    std::string content() {
        const ByteBuffer all = HexViewDocumentBytes(MainViewGadget);
        return all ? std::string(reinterpret_cast<const char *>(all.data()), all.size()) : std::string();
    }
    void select(int64_t from, int64_t length) {
        HexViewCommand(MainViewGadget, HexGoTo, nullptr, from);
        doc()->SelectionLength = length;
    }

    QTemporaryDir dir;
    std::vector<std::string> messages;
};

TEST_F(SearchWindowTest, StepsThroughOccurrencesWithoutOverlapAndStopsAtTheEnd) {
    struct Case {
        std::string document, pattern;
        std::vector<int64_t> cursors, lastMatches;   // after each press
    };
    const Case cases[] = {
        {"ABABA", "AB", {0, 2, 2}, {0, 2, -1}},   // the occurrence at 4 is incomplete
        {"AAA", "AA", {0, 0}, {0, -1}},           // the overlapping one at 1 is skipped
        {"xxAB", "AB", {2, 2}, {2, -1}},
    };
    StartUp("");
    menu(CommandSearchAndReplace);
    EXPECT_TRUE(IsWindowVisible(SearchWindowNumber));
    int n = 0;
    for (const Case &c : cases) {
        const std::string path = dir.path().toStdString() + "/case" + std::to_string(n++) + ".bin";
        WriteAll(path, c.document);
        OpenFileInEditor(MainViewGadget, path);
        LastMatch() = -1;
        pattern(c.pattern);
        for (size_t i = 0; i < c.cursors.size(); ++i) {
            search();
            EXPECT_EQ(cursor(), c.cursors[i]) << c.document << " press " << i;
            EXPECT_EQ(LastMatch(), c.lastMatches[i]) << c.document << " press " << i;
            // The match found is selected; after none, the last one stays selected.
            EXPECT_EQ(SelectionSize(*doc()), static_cast<int64_t>(c.pattern.size()));
        }
    }
}

TEST_F(SearchWindowTest, MovingTheCursorRestartsThereAndAMatchAtTheCursorCounts) {
    start("AB..AB..AB");
    menu(CommandSearchAndReplace);
    pattern("AB");
    search();
    EXPECT_EQ(cursor(), 0);
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 5);
    search();
    EXPECT_EQ(cursor(), 8);   // from 5, not from 0 + 2
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 4);
    search();
    EXPECT_EQ(cursor(), 4);   // the match at the cursor itself
    // The main document keeps a copy of the field's bytes for its marks.
    ASSERT_TRUE(doc()->SearchPattern);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(doc()->SearchPattern.data()), 2), "AB");
}

TEST_F(SearchWindowTest, PatternAcrossTinyChunksIsFound) {
    StartUp("");
    Document *d = doc();
    d->Store->ChunkLength = 3;   // chunks of three bytes: the pattern spans four of them
    std::string bytes(60, '.');
    bytes.replace(37, 8, "STRADDLE");
    InsertBinary(d->Store, 0, reinterpret_cast<const uint8_t *>(bytes.data()), 60);
    ASSERT_GT(d->Store->Chunks.size(), 10u);
    menu(CommandSearchAndReplace);
    pattern("STRADDLE");
    search();
    EXPECT_EQ(cursor(), 37);
}

TEST_F(SearchWindowTest, EmptyFieldClearsThePatternAndMovesNothing) {
    start("..AB..AB");
    menu(CommandSearchAndReplace);
    pattern("AB");
    search();
    ASSERT_EQ(cursor(), 2);
    ASSERT_TRUE(doc()->SearchPattern);
    HexViewCommand(PatternFieldGadget, HexClear, nullptr, 0);
    search();
    EXPECT_FALSE(doc()->SearchPattern);
    EXPECT_EQ(cursor(), 2);
    for (const Pane &pane : doc()->Panes) EXPECT_FALSE(pane.MatchMask);
}

TEST_F(SearchWindowTest, EnterInTheFieldSearchesAndF3SearchesAgainFromTheMainView) {
    start("xneedle..needle");
    menu(CommandSearchAndReplace);
    pattern("needle");
    Event enter;
    enter.window = SearchWindowNumber;
    enter.control = PatternFieldGadget;
    enter.kind = EventControl;
    enter.type = CanvasKeyDown;
    enter.input.key = KeyReturn;
    DispatchEvent(enter);
    EXPECT_EQ(cursor(), 1);
    EXPECT_EQ(HexViewDocumentBytes(PatternFieldGadget).size(), 6);   // Enter typed nothing
    menu(CommandSearchAgain);
    EXPECT_EQ(cursor(), 9);
    // With the window closed, F3 still searches but marks nothing.
    closeBox();
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 0);
    menu(CommandSearchAgain);
    EXPECT_EQ(cursor(), 1);
    EXPECT_FALSE(IsWindowVisible(SearchWindowNumber));
    EXPECT_FALSE(doc()->SearchPattern);
    // With an empty field, F3 opens the window instead.
    HexViewCommand(PatternFieldGadget, HexClear, nullptr, 0);
    menu(CommandSearchAgain);
    EXPECT_TRUE(IsWindowVisible(SearchWindowNumber));
    EXPECT_EQ(cursor(), 1);
}

TEST_F(SearchWindowTest, ClosingReleasesEveryDocumentsPatternAndMasks) {
    start("ABAB");
    menu(CommandSearchAndReplace);
    pattern("AB");
    search();
    Document *first = doc();
    menu(CommandNew);
    pattern("AB");
    search();   // the new, empty document keeps a pattern too
    ASSERT_TRUE(first->SearchPattern);
    ASSERT_TRUE(first->Panes.front().MatchMask);
    closeBox();
    EXPECT_FALSE(IsWindowVisible(SearchWindowNumber));
    for (auto &d : HexViewByGadget(MainViewGadget)->Documents) {
        EXPECT_FALSE(d->SearchPattern);
        for (const Pane &pane : d->Panes) EXPECT_FALSE(pane.MatchMask);
    }
}

TEST_F(SearchWindowTest, UnreadableFileIsReportedInsteadOfNotFound) {
    const std::string path = dir.path().toStdString() + "/shrinks.bin";
    WriteAll(path, std::string(5'000'000, '.') + "needle");
    StartUp(path);
    menu(CommandSearchAndReplace);
    pattern("needle");
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 10);
    LastMatch() = 77;
    // Another program cuts the file: the bytes the search needs are gone.
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    EXPECT_EQ(SearchNext(), SearchOutcome::ReadFailed);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(cursor(), 10);
    EXPECT_EQ(LastMatch(), 77);
}

// Hello, hello and HELLO with Match case off: found in turn forward and
// backward, each selected and told on the status line, counted, replaced all
// at once, undone in one step and saved.
TEST_F(SearchWindowTest, CaseFreeTextIsFoundBothWaysCountedReplacedUndoneAndSaved) {
    std::string bytes(10000, '.');
    bytes.replace(100, 5, "Hello");
    bytes.replace(5000, 5, "hello");
    bytes.replace(9000, 5, "HELLO");
    start(bytes);
    menu(CommandSearchAndReplace);
    pattern("hello");
    press(SearchMatchCaseCheck, 0);
    for (int64_t expected : {100, 5000, 9000}) {
        press(SearchButton);
        EXPECT_EQ(cursor(), expected);
        EXPECT_EQ(SelectionSize(*doc()), 5);
    }
    EXPECT_EQ(SearchStatusText(), "Match 3 of 3 at offset 9000");
    press(SearchButton);
    EXPECT_EQ(SearchStatusText(), "No further match");
    EXPECT_EQ(cursor(), 9000);
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 10000);
    for (int64_t expected : {9000, 5000, 100}) {
        press(SearchPreviousButton);
        EXPECT_EQ(cursor(), expected);
    }
    EXPECT_EQ(SearchStatusText(), "Match 1 of 3 at offset 100");
    EXPECT_EQ(CountMatches(), 3);
    EXPECT_EQ(SearchStatusText(), "Matches in the document: 3");

    field(ReplaceFieldGadget, "bye");
    press(ReplaceAllButton);
    EXPECT_EQ(SearchStatusText(), "Replaced: 3");
    std::string replaced = bytes;
    replaced.replace(9000, 5, "bye").replace(5000, 5, "bye").replace(100, 5, "bye");
    EXPECT_EQ(content(), replaced);
    menu(CommandUndo);
    EXPECT_EQ(content(), bytes);
    menu(CommandRedo);
    menu(CommandSave);
    const std::string path = dir.path().toStdString() + "/doc.bin";
    std::ifstream in(path, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved.size(), bytes.size() - 6);
    EXPECT_EQ(saved, replaced);
}

// Next and previous step through the same non-overlapping matches, each from
// its own end of the document.
TEST_F(SearchWindowTest, PreviousMirrorsNext) {
    struct Case {
        std::string document, pattern;
        bool backward;
        std::vector<int64_t> cursors;   // after each press; the last press finds nothing
    };
    const Case cases[] = {
        {"ABABA", "AB", false, {0, 2, 2}},
        {"ABABA", "AB", true, {2, 0, 0}},
        {"AAA", "AA", false, {0, 0}},
        {"AAA", "AA", true, {1, 1}},
    };
    StartUp("");
    menu(CommandSearchAndReplace);
    for (const Case &c : cases) {
        HexViewCommand(MainViewGadget, HexReplaceAll, reinterpret_cast<const uint8_t *>(c.document.data()),
                       static_cast<int64_t>(c.document.size()));
        HexViewCommand(MainViewGadget, HexGoTo, nullptr, c.backward ? c.document.size() : 0);
        LastMatch() = -1;
        pattern(c.pattern);
        for (size_t i = 0; i < c.cursors.size(); ++i) {
            const SearchOutcome outcome = c.backward ? FindPrevious() : SearchNext();
            EXPECT_EQ(outcome, i + 1 < c.cursors.size() ? SearchOutcome::Found : SearchOutcome::NotFound)
                << c.document << (c.backward ? " backward" : " forward") << " press " << i;
            EXPECT_EQ(cursor(), c.cursors[i]) << c.document << " press " << i;
        }
    }
}

TEST_F(SearchWindowTest, WrapAroundAndInSelectionLimitTheRange) {
    start("AB..AB..AB");   // at 0, 4 and 8
    menu(CommandSearchAndReplace);
    pattern("AB");
    press(SearchWrapCheck, 1);
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 5);
    press(SearchButton);
    EXPECT_EQ(cursor(), 8);
    press(SearchButton);
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(SearchStatusText(), "Match 1 of 3 at offset 0 (wrapped around)");
    press(SearchPreviousButton);
    EXPECT_EQ(cursor(), 8);   // backward from 0 wraps to the end

    press(SearchWrapCheck, 0);
    press(SearchInSelectionCheck, 1);
    select(3, 6);   // 3 ... 8: the match at 8 does not fit
    press(SearchButton);
    EXPECT_EQ(cursor(), 4);
    press(SearchButton);
    EXPECT_EQ(SearchStatusText(), "No further match");
    select(3, 6);
    EXPECT_EQ(CountMatches(), 1);
    EXPECT_EQ(SearchStatusText(), "Matches in the selection: 1");
    field(ReplaceFieldGadget, "xyz");
    EXPECT_EQ(ReplaceAll(), 1);
    EXPECT_EQ(content(), "AB..xyz..AB");
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 0);
    EXPECT_EQ(SearchNext(), SearchOutcome::NoScope);
    EXPECT_EQ(SearchStatusText(), "Select the range to search in first");
}

TEST_F(SearchWindowTest, Utf16FindsTheTypedCharactersAsUnitsInEitherOrder) {
    start(std::string("..h\0i\0..\0h\0i", 12));
    menu(CommandSearchAndReplace);
    pattern("hi");
    press(SearchUtf16Check, 1);
    press(SearchButton);
    EXPECT_EQ(cursor(), 2);
    EXPECT_EQ(SelectionSize(*doc()), 4);
    press(SearchByteOrderList, 1);
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 0);
    press(SearchButton);
    EXPECT_EQ(cursor(), 8);
}

TEST_F(SearchWindowTest, MarksFollowTheCaseOption) {
    start("HELLO hello");
    menu(CommandSearchAndReplace);
    pattern("hello");
    press(SearchButton);
    const auto marked = [this](int64_t i) { return doc()->Panes.front().MatchMask[i] != 0; };
    ASSERT_TRUE(doc()->Panes.front().MatchMask);
    EXPECT_FALSE(marked(0));
    EXPECT_TRUE(marked(6));
    press(SearchMatchCaseCheck, 0);   // the marks change at once, without a search
    EXPECT_TRUE(marked(0));
    EXPECT_TRUE(marked(10));
}

TEST_F(SearchWindowTest, ReplaceChangesTheSelectedMatchAndSelectsTheNext) {
    start("aXbXc");
    menu(CommandSearchAndReplace);
    pattern("X");
    field(ReplaceFieldGadget, "YY");
    press(ReplaceButton);   // nothing selected yet: only finds
    EXPECT_EQ(content(), "aXbXc");
    EXPECT_EQ(cursor(), 1);
    press(ReplaceButton);
    EXPECT_EQ(content(), "aYYbXc");
    EXPECT_EQ(cursor(), 4);
    EXPECT_EQ(SelectionSize(*doc()), 1);
    press(ReplaceButton);
    EXPECT_EQ(content(), "aYYbYYc");
    EXPECT_EQ(SearchStatusText(), "No further match");
    EXPECT_EQ(HistoryIndex(doc()->Hist), 2);
    field(ReplaceFieldGadget, "");
    pattern("YY");
    HexViewCommand(MainViewGadget, HexGoTo, nullptr, 0);
    press(SearchButton);
    press(ReplaceButton);   // an empty replacement deletes, and the search goes on behind it
    EXPECT_EQ(content(), "abYYc");
    EXPECT_EQ(cursor(), 2);
}

// A large sparse file with the pattern near its end: long enough that Cancel
// shows, is pressed by a timer as a user would, and stops the search.
class LongSearchTest : public SearchWindowTest {
protected:
    using Clock = std::chrono::steady_clock;
    void startLong() {
        const std::string path = dir.path().toStdString() + "/sparse.bin";
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const int64_t size = int64_t{16} << 30;
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ASSERT_EQ(::pwrite(fd, "needle", 6, size - 100), 6);
        ::close(fd);
        StartUp(path);
        english();
        menu(CommandSearchAndReplace);
        pattern("needle");
        HexViewCommand(MainViewGadget, HexGoTo, nullptr, 4096);
        LastMatch() = 77;
    }
};

TEST_F(LongSearchTest, CancelLeavesCursorAndLastMatchAndTheWindowAnswers) {
    startLong();
    // A user presses Cancel as soon as it shows.
    bool mainDisabled = false;
    Clock::time_point shown;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!IsControlVisible(SearchCancelButton) || IsControlVisible(SearchButton)) return;
        poll.stop();
        shown = Clock::now();
        mainDisabled = !WindowWidget(0)->isEnabled();
        ActivateControl(SearchCancelButton);
    });
    const Clock::time_point began = Clock::now();
    poll.start();
    EXPECT_EQ(SearchNext(), SearchOutcome::Cancelled);
    EXPECT_GE(shown - began, std::chrono::milliseconds(SearchCancelDelayMs));
    EXPECT_TRUE(mainDisabled);
    EXPECT_EQ(cursor(), 4096);
    EXPECT_EQ(LastMatch(), 77);
    // The window answers again: Search is back, the main window is enabled.
    EXPECT_TRUE(IsControlVisible(SearchButton));
    EXPECT_FALSE(IsControlVisible(SearchCancelButton));
    EXPECT_TRUE(IsWindowVisible(SearchWindowNumber));
    EXPECT_TRUE(WindowWidget(0)->isEnabled());
    // Chunks read on the way were let go (what the panes show stays).
    EXPECT_LE(GetBinaryCacheSize(doc()->Store), 2 * EditorChunkLength);
}

TEST_F(LongSearchTest, CloseBoxStopsAndARequestToEndIsKept) {
    startLong();
    QTimer::singleShot(50, [] {
        Event close;
        close.window = SearchWindowNumber;
        close.kind = EventCloseWindow;
        PostEvent(close);
        RequestQuit();
    });
    EXPECT_EQ(SearchNext(), SearchOutcome::Cancelled);
    EXPECT_EQ(cursor(), 4096);
    EXPECT_EQ(LastMatch(), 77);
    EXPECT_FALSE(IsWindowVisible(SearchWindowNumber));
    EXPECT_FALSE(doc()->SearchPattern);
    bool quitPending = false;
    while (std::optional<Event> event = PollEvent())
        quitPending |= event->kind == EventCloseWindow && event->window == 0 && event->data == 1;
    EXPECT_TRUE(quitPending);
}

TEST_F(LongSearchTest, CancelledReplaceAllLeavesTheDocumentUnchanged) {
    startLong();
    field(ReplaceFieldGadget, "pin");
    const int64_t length = doc()->Store->Length;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!IsControlVisible(SearchCancelButton)) return;
        poll.stop();
        EXPECT_TRUE(IsControlVisible(SearchProgressBar));
        ActivateControl(SearchCancelButton);
    });
    poll.start();
    EXPECT_EQ(ReplaceAll(), -1);
    EXPECT_EQ(SearchStatusText(), "Nothing was replaced; the document is unchanged");
    EXPECT_EQ(doc()->Store->Length, length);
    EXPECT_EQ(HistoryIndex(doc()->Hist), 0);
    EXPECT_FALSE(IsControlVisible(SearchProgressBar));
    EXPECT_TRUE(IsControlEnabled(ReplaceAllButton));
}

// Disabled until the main menu's Edit menu calls AddSearchMenuEntries in
// place of its own Search and Replace entry.
TEST_F(SearchWindowTest, MenuEntriesCarryTheirKeys) {
    StartUp("");
    // The keys act from the main window and none is a key of the hex view.
    EXPECT_TRUE(MenuItemShortcutRegistered(MainMenu, CommandSearchAndReplace));
    EXPECT_TRUE(MenuItemShortcutRegistered(MainMenu, CommandSearchAgain));
    EXPECT_TRUE(MenuItemShortcutRegistered(MainMenu, CommandGoTo));
    EXPECT_EQ(MenuItemShortcutText(MainMenu, CommandSearchAgain), "F3");
    EXPECT_EQ(MenuItemShortcutText(MainMenu, CommandGoTo), "Ctrl+G");
    EXPECT_TRUE(MenuItemShortcutRegistered(MainMenu, CommandFindPrevious));
    EXPECT_EQ(MenuItemShortcutText(MainMenu, CommandFindPrevious), "Shift+F3");
    EXPECT_EQ(MenuItemShortcutText(MainMenu, CommandSearchAndReplace), "Ctrl+F");
    const std::vector<std::string> path = MenuItemPath(MainMenu, CommandGoTo);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), MenuItemPath(MainMenu, CommandUndo).front());   // in the Edit menu
}

}  // namespace
