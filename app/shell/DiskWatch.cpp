#include "app/shell/DiskWatch.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <vector>

#include "app/settings/Language.h"
#include "app/shell/Globals.h"
#include "app/shell/MainWindow.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexNavigation.h"
#include "hexview/HexView.h"
#include "platform/Dialogs.h"
#include "platform/File.h"
#include "platform/FileWatch.h"
#include "platform/Platform.h"
#include "platform/StatusBar.h"

namespace hx {

namespace {

// The file as it is on disk now, under the document's name.
struct DiskState {
    bool exists = false;
    uint64_t device = 0, inode = 0;
    int64_t size = -1, modifiedNs = 0;

    bool operator==(const DiskState &) const = default;
};

DiskState StateOfPath(const std::string &path) {
    DiskState state;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return state;
    state.exists = true;
    state.device = st.st_dev;
    state.inode = st.st_ino;
    state.size = st.st_size;
    state.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return state;
}

// The disk state each document's user already answered about (kept the
// changes, or was told the file is gone): not asked about again until the
// file changes once more.
std::map<const Document *, DiskState> &Answered() {
    static std::map<const Document *, DiskState> answered;
    return answered;
}

std::vector<Document *> MainDocuments() {
    std::vector<Document *> docs;
    HexView *view = Shell().MainView;
    if (!view) return docs;
    for (auto &doc : view->Documents) docs.push_back(doc.get());
    return docs;
}

// Whether the file differs from what the document was read from: written,
// cut or grown in place (the open file's size or time), or another file now
// under the name (replaced). A document without a file never differs.
bool ChangedOnDisk(const Binary &store, const DiskState &now) {
    if (!store.File.isOpen() || store.FileName.empty() || store.FileStamp.Size < 0) return false;
    uint64_t device = 0, inode = 0;
    int64_t size = 0, modified = 0;
    if (!store.File.stamp(device, inode, size, modified)) return false;
    const Binary::Stamp &seen = store.FileStamp;
    if (size != seen.Size || modified != seen.ModifiedNs) return true;
    return now.exists && (now.device != seen.Device || now.inode != seen.Inode);
}

std::string Title(const Document &doc) { return FileNamePart(doc.Store->FileName); }

void Note(const std::string &key, const Document &doc) {
    SetStatusBarNote(FillPlaceholder(GetText(key), "%FILE", Title(doc)));
}

bool AskReload(const Document &doc) {
    YesNoQuestion question;
    question.window = MainWindowNumber;
    question.title = GetText("\\Messages\\Title");
    question.text = FillPlaceholder(GetText("\\Notices\\ChangedOnDiskReload"), "%FILE", doc.Store->FileName);
    question.yesText = GetText("\\Notices\\Reload");
    question.noText = GetText("\\Notices\\KeepChanges");
    return AskYesNo(question);
}

void CheckDocument(Document *doc) {
    if (!doc || !doc->Store || !doc->Store->File.isOpen()) return;
    const DiskState now = StateOfPath(doc->Store->FileName);
    auto answered = Answered().find(doc);
    if (answered != Answered().end() && answered->second == now) return;
    if (!now.exists) {
        // Nothing to reload from; the document keeps the bytes it has (the
        // old file stays readable while it is open) and a save asks first.
        Note("\\Notices\\FileGone", *doc);
        Answered()[doc] = now;
        return;
    }
    if (!ChangedOnDisk(*doc->Store, now)) return;
    if (DocumentChanged(*doc) && !AskReload(*doc)) {
        Answered()[doc] = now;
        return;
    }
    if (ReloadDocument(doc)) {
        Answered().erase(doc);
        Note("\\Notices\\Reloaded", *doc);
        return;
    }
    Answered()[doc] = now;
    Note("\\Notices\\ReloadFailed", *doc);
}

// Forgets the answers about documents that are gone.
void ForgetClosed(const std::vector<Document *> &docs) {
    for (auto it = Answered().begin(); it != Answered().end();) {
        if (std::find(docs.begin(), docs.end(), it->first) == docs.end())
            it = Answered().erase(it);
        else
            ++it;
    }
}

}  // namespace

bool ReloadDocument(Document *doc) {
    if (!doc || !doc->Store || doc->Store->FileName.empty()) return false;
    Binary *fresh = OpenBinary(-1, doc->Store->FileName, doc->Store->ChunkLength);
    if (!fresh || !fresh->File.isOpen()) {
        FreeBinary(fresh);
        return false;
    }
    History *history = CreateHistory(-1, doc->Hist ? doc->Hist->MaxSize : EditorHistoryLimit);
    if (!history) {
        FreeBinary(fresh);
        return false;
    }
    FreeBinary(doc->Store);
    FreeHistory(doc->Hist);
    doc->Store = fresh;
    doc->Hist = history;
    doc->SavedHistoryIndex = 0;
    doc->PendingNibble = -1;
    // The cursor, the selection and each pane's scrolling stay where they
    // still lie within the file; the layout pulls a pane back that does not.
    ClampCursorAndSelection(*doc);
    if (auto *view = static_cast<HexView *>(doc->View); view && view->CurrentDocument == doc) RedrawHexView(view);
    return true;
}

void CheckOpenFilesOnDisk() {
    const std::vector<Document *> docs = MainDocuments();
    ForgetClosed(docs);
    for (Document *doc : docs) {
        // A question may close nothing, but stay safe if the list changed.
        const std::vector<Document *> now = MainDocuments();
        if (std::find(now.begin(), now.end(), doc) != now.end()) CheckDocument(doc);
    }
    // A watch follows the file, not its name: after a replacement it would
    // go on watching the old file. Every name is watched anew.
    SetWatchedFiles({});
    WatchOpenFiles();
}

void WatchOpenFiles() {
    // Only names that exist can be watched (a file deleted meanwhile cannot).
    std::vector<std::string> paths;
    for (Document *doc : MainDocuments())
        if (doc->Store && doc->Store->File.isOpen() && FileExists(doc->Store->FileName))
            paths.push_back(doc->Store->FileName);
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    std::vector<std::string> watched = WatchedFiles();
    std::sort(watched.begin(), watched.end());
    if (paths != watched) SetWatchedFiles(paths);
}

bool HandleDiskWatchEvent(const Event &event) {
    if (event.kind == EventFileChanged) {
        // Restarted by every report: one look once the writing has stopped.
        AddWindowTimer(MainWindowNumber, DiskCheckTimer, DiskCheckDelay);
        return true;
    }
    if (event.kind == EventTimer && event.window == MainWindowNumber && event.data == DiskCheckTimer) {
        RemoveWindowTimer(MainWindowNumber, DiskCheckTimer);
        CheckOpenFilesOnDisk();
        return true;
    }
    if (event.kind == EventWindowActivated && event.window == MainWindowNumber) {
        CheckOpenFilesOnDisk();
        return true;
    }
    return false;
}

}  // namespace hx
