// The search window driven through the loop: stepping through matches,
// restarting at the cursor, the stored pattern and its marks, a search that
// is cancelled or closed while it runs, and the piecewise search against the
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
#include "app/toolwindows/SearchWindow.h"
#include "document/Binary.h"
#include "document/Document.h"
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
    }
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
            EXPECT_EQ(doc()->SelectionLength, 0);
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
    EXPECT_EQ(MenuItemShortcutText(MainMenu, CommandSearchAndReplace), "Ctrl+F");
    const std::vector<std::string> path = MenuItemPath(MainMenu, CommandGoTo);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), MenuItemPath(MainMenu, CommandUndo).front());   // in the Edit menu
}

}  // namespace
