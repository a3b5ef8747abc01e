// Go to offset: the lenient reading of the typed text, the menu command
// through the loop, and the dialog itself (Enter answers, Escape cancels).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>
#include <limits>

#include "app/shell/Application.h"
#include "app/shell/GoTo.h"
#include "app/settings/Language.h"
#include "app/shell/Globals.h"
#include "app/shell/MenuIds.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

TEST(GoToTarget, ReadsTheTextLenientlyAndClampsToTheDocument) {
    constexpr int64_t Size = 2'000'000, Cursor = 1000;
    constexpr int64_t None = -999;
    struct Case {
        const char *text;
        int64_t expected;   // None: nowhere to go
    } cases[] = {
        {"100", 100},
        {"$100000", 1048576},
        {"0x1f", 31},
        {"0X10", 16},
        {"%101", 5},
        {" \t42 bytes", 42},             // blanks skipped, stops at the first other character
        {"$fFzz", 255},
        {"0x", 0},                       // no hexadecimal digit: the decimal 0
        {"+16", Cursor + 16},
        {"-$10", Cursor - 16},
        {"-5000", 0},                    // clamped at the start
        {"3000000", Size},               // and at the end
        {"99999999999999999999999", Size},   // too large for 64 bits
        {"+99999999999999999999999", Size},
        {"-99999999999999999999999", 0},
        {"", None},
        {"   ", None},
        {"abc", None},
        {"$", None},
        {"%2", None},
        {"+", None},
    };
    for (const Case &c : cases) {
        const std::optional<int64_t> target = GoToTarget(c.text, Cursor, Size);
        EXPECT_EQ(target.value_or(None), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(GoToTarget("+10", 0, 0).value_or(None), 0);   // an empty document has only offset 0
}

class GoToTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
        InitTestPlatform();
        const std::string path = dir.path().toStdString() + "/big.bin";
        WriteAll(path, std::string(1100000, 'x'));
        StartUp(path);
        LoadLanguage(HEXALOOM_SOURCE_DIR "/Languages/English.ini");
    }
    void TearDown() override {
        InputDialogHook() = {};
        ShutDown();
    }
    Document *doc() { return HexViewByGadget(MainViewGadget)->CurrentDocument; }
    void goTo(std::optional<std::string> answer) {
        InputDialogHook() = [this, answer](const InputRequest &request) {
            asked = request;
            return answer;
        };
        PostMenuEvent(CommandGoTo);
        while (std::optional<Event> event = PollEvent()) DispatchEvent(*event);
    }

    QTemporaryDir dir;
    InputRequest asked;
};

TEST_F(GoToTest, EnterMovesTheCursorAndEscapeLeavesIt) {
    goTo("$100000");
    EXPECT_EQ(doc()->Cursor, 1048576);
    EXPECT_EQ(doc()->SelectionLength, 0);
    // The texts come from the language file.
    EXPECT_EQ(asked.title, "Go to Offset");
    goTo("-0x10");
    EXPECT_EQ(doc()->Cursor, 1048576 - 16);
    goTo(std::nullopt);          // Escape
    EXPECT_EQ(doc()->Cursor, 1048576 - 16);
    goTo("nowhere");             // no number: nothing moves
    EXPECT_EQ(doc()->Cursor, 1048576 - 16);
    goTo("999999999");
    EXPECT_EQ(doc()->Cursor, 1100000);
    // The cursor's row is scrolled into view.
    const Pane &pane = *doc()->ActivePane;
    EXPECT_LE(pane.Top, doc()->Cursor);
    EXPECT_GE(pane.Top + 16 * pane.Rows, doc()->Cursor);
}

// The real dialog, answered by keys sent to it once it is up.
std::optional<std::string> AnswerWithKeys(const std::string &typed, int key) {
    QTimer::singleShot(0, [typed, key] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QLineEdit *field = dialog->findChild<QLineEdit *>();
        ASSERT_NE(field, nullptr);
        field->setText(QString::fromStdString(typed));
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(field, &press);
    });
    InputRequest request;
    request.window = -1;
    request.title = "Go to";
    request.text = "0";
    return AskInput(request);
}

TEST(InputDialog, EnterAnswersWithTheTextAndEscapeCancels) {
    EXPECT_EQ(AnswerWithKeys("$100000", Qt::Key_Return).value_or("<none>"), "$100000");
    EXPECT_FALSE(AnswerWithKeys("$100000", Qt::Key_Escape));
}

}  // namespace
