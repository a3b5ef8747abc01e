// What names the main view's document outside the view: the main window's
// title ("sample.bin* - Hexaloom - Beta") and the tab's tool tip (the full path).
#pragma once

#include <string>

namespace hx {

struct Document;

// The file-name part of the document's file name, or the language's name of
// a new document ("\Window\New") when it has none.
std::string DocumentDisplayName(const Document *doc);

// name, "*" when changed, " - ", the main title and " - Beta"; without a
// document name (""), the main title and " - Beta" alone.
std::string MainWindowTitle(const std::string &documentName, bool changed, const std::string &mainTitle);

// Sets window 0's title from the main view's current document (only when it
// differs from the title shown).
void RefreshMainTitle();

// The tool tip of the document's tab: the full path of its file, or its
// display name when it has no file name.
void RefreshTabToolTip(Document *doc);

}  // namespace hx
