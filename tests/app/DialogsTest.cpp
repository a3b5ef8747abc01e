// The standard dialogs: file-type filters, and the save question answered
// by a person (the real dialog, driven while it is open) and by the hook.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "platform/Dialogs.h"
#include "platform/Platform.h"

using namespace hx;

namespace {

TEST(FileDialogFilter, PairsBecomeQtFilters) {
    const std::pair<const char *, const char *> cases[] = {
        {"All files|*", "All files (*)"},
        {"All files (*)|*|Binary files (*.bin)|*.bin", "All files (*);;Binary files (*.bin)"},
        {"Alle Dateien (*.*)|*.*", "Alle Dateien (*)"},
        {"Images|*.png;*.jpg", "Images (*.png *.jpg)"},
        {"Data (old text)|*.dat", "Data (*.dat)"},  // the pattern field decides
        {"|*.bin", "(*.bin)"},
        {"Nothing|", ""},
        {"Lonely description", ""},
        {"", ""},
        {"A|*.a|B", "A (*.a)"},
    };
    for (auto [pattern, filter] : cases) EXPECT_EQ(FileDialogFilter(pattern), filter) << pattern;
}

// Clicks the button with the given text in the modal dialog once it is open;
// an empty text closes the dialog without choosing.
void AnswerWhenOpen(const QString &button) {
    QTimer::singleShot(0, [button] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        if (button.isEmpty()) {
            dialog->close();
            return;
        }
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == button) {
                b->click();
                return;
            }
        ADD_FAILURE() << "no button " << button.toStdString();
        dialog->close();
    });
}

TEST(SaveQuestion, EachButtonGivesItsChoiceAndClosingCancels) {
    SaveQuestion question;
    question.window = -1;
    question.title = "Title";
    question.text = "Save \"x\"?";
    question.saveText = "Keep";
    question.discardText = "Throw away";
    question.cancelText = "Back";

    AnswerWhenOpen("Keep");
    EXPECT_EQ(AskSaveChanges(question), SaveChoice::Save);
    AnswerWhenOpen("Throw away");
    EXPECT_EQ(AskSaveChanges(question), SaveChoice::Discard);
    AnswerWhenOpen("Back");
    EXPECT_EQ(AskSaveChanges(question), SaveChoice::Cancel);
    AnswerWhenOpen("");
    EXPECT_EQ(AskSaveChanges(question), SaveChoice::Cancel);
}

TEST(DialogHooks, AnswerInsteadOfTheDialogs) {
    std::vector<std::string> asked;
    Dialogs().openFile = [&](const OpenFileRequest &r) {
        asked.push_back(r.title + (r.multiple ? " many" : " one"));
        return std::vector<std::string>{"/a", "/b"};
    };
    Dialogs().saveFile = [&](const SaveFileRequest &r) {
        asked.push_back(r.proposedName);
        return std::string("/chosen");
    };
    Dialogs().askSave = [&](const SaveQuestion &q) {
        asked.push_back(q.text);
        return SaveChoice::Discard;
    };
    Dialogs().message = [&](int, const std::string &, const std::string &text) { asked.push_back(text); };

    EXPECT_EQ(OpenFileDialog({0, "Open", "All|*", "", true}), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(SaveFileDialog({0, "Save", "All|*", "name.bin"}), "/chosen");
    EXPECT_EQ(AskSaveChanges({0, "t", "changed?", "s", "d", "c"}), SaveChoice::Discard);
    ShowMessage(0, "t", "failed");
    EXPECT_EQ(asked, (std::vector<std::string>{"Open many", "name.bin", "changed?", "failed"}));
    Dialogs() = DialogHooks();
}

}  // namespace
