#include "app/shell/EditWatch.h"

#include <string>

#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Status.h"
#include "document/Binary.h"
#include "document/EditProgress.h"
#include "document/Scratch.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "platform/ProgressWindow.h"

namespace hx {

namespace {

bool g_shown = false;

std::string Text(const char *key, const char *fallback) { return GetText(std::string("\\Edits\\") + key, fallback); }

// Opens the window at the first report, moves it at every other, closes it
// at the last. A request to end the program stops the edit: the document
// stays as it was, and the request is served once the edit is undone.
bool ReportProgress(int64_t done, int64_t total) {
    if (done >= total) {
        if (g_shown) CloseProgressWindow();
        g_shown = false;
        return true;
    }
    if (!g_shown) {
        OpenProgressWindow(MainWindowNumber, Text("ProgressTitle", "Editing"),
                           Text("ProgressNote", "Large edits keep their new bytes in a temporary file. Please wait."));
        g_shown = true;
    }
    const std::string line = FillPlaceholder(Text("Progress", "%DONE of %TOTAL written"), "%DONE", FormatSize(done));
    UpdateProgressWindow(done, total, FillPlaceholder(line, "%TOTAL", FormatSize(total)));
    return !QuitRequestPending();
}

void TellFailure(int result) {
    std::string text;
    switch (result) {
    case BinaryNoSpace:
        text = FillPlaceholder(Text("NoScratchRoom", "There is not enough free space for temporary data in %FOLDER. "
                                                     "Nothing was changed."),
                               "%FOLDER", ScratchFolder());
        break;
    case BinaryReadFailed:
        text = Text("ReadFailed", "Part of the document could not be read, so nothing was changed.");
        break;
    case BinaryNoMemory: text = GetText("\\Messages\\NoMemory"); break;
    default: return;   // stopped on purpose, or nothing went wrong
    }
    ShowMessage(MainWindowNumber, GetText("\\Messages\\Title"), text);
}

}  // namespace

bool AskToDropUndoSteps(int64_t needed) {
    YesNoQuestion question;
    question.window = MainWindowNumber;
    question.title = GetText("\\Messages\\Title");
    std::string text = Text("UndoNeedsRoom", "Undo steps still need %SIZE of the file's present bytes, which this "
                                             "save overwrites, and the folder for temporary data (%FOLDER) has "
                                             "no room to keep them. Save and give up those undo steps (and the "
                                             "ones before them), or cancel?");
    text = FillPlaceholder(text, "%SIZE", FormatSize(needed));
    question.text = FillPlaceholder(text, "%FOLDER", ScratchFolder());
    question.yesText = Text("DropUndo", "Save without them");
    question.noText = GetText("\\Messages\\Cancel");
    return AskYesNo(question);
}

void InstallEditWatch() {
    EditProgress::Report = ReportProgress;
    EditProgress::Failed = TellFailure;
}

}  // namespace hx
