#include "app/shell/Title.h"

#include "app/settings/Language.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "app/bookmarks/BookmarkKeeping.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"

namespace hx {

std::string DocumentDisplayName(const Document *doc) {
    if (doc && doc->Store && !doc->Store->FileName.empty()) return FileNamePart(doc->Store->FileName);
    return GetText("\\Window\\New");
}

std::string MainWindowTitle(const std::string &documentName, bool changed, const std::string &mainTitle) {
    const std::string title = mainTitle + MainTitleSuffix;
    if (documentName.empty()) return title;
    return documentName + (changed ? "*" : "") + " - " + title;
}

void RefreshMainTitle() {
    const HexView *view = Shell().MainView;
    const Document *doc = view ? view->CurrentDocument : nullptr;
    const std::string title = MainWindowTitle(doc ? DocumentDisplayName(doc) : std::string(),
                                              doc && DocumentChanged(*doc), GetText("\\Window\\Main"));
    if (title != WindowTitle(MainWindowNumber)) SetWindowTitle(MainWindowNumber, title);
}

void RefreshTabToolTip(Document *doc) {
    if (!doc || !doc->Tab) return;
    const std::string &name = doc->Store ? doc->Store->FileName : std::string();
    doc->Tab->toolTip = name.empty() ? DocumentDisplayName(doc) : BookmarkKey(name);
}

}  // namespace hx
