#include "HexView.h"

#include <algorithm>

#include "document/Binary.h"
#include "document/Bookmarks.h"
#include "document/Document.h"
#include "document/History.h"
#include "platform/Canvas.h"
#include "platform/Platform.h"

namespace hx {

namespace {

// Every view of the program; a view's canvas holds a pointer to its record.
// The list is never destroyed: a view still listed when the program's statics
// go would free its documents' histories after their own list was gone.
std::list<std::unique_ptr<HexView>> &AllViews() {
    static auto *views = new std::list<std::unique_ptr<HexView>>;
    return *views;
}

}  // namespace

bool HexView::readOnly() const {
    if (Flags & HexViewReadOnly) return true;
    return CurrentDocument && DocumentReadOnly(*CurrentDocument);
}

void DocumentDeleter::operator()(Document *doc) const {
    if (!doc) return;
    ForgetBookmarks(doc->Store);
    FreeBinary(doc->Store);
    FreeHistory(doc->Hist);
    delete doc;
}

HexView *HexViewByGadget(int gadget) {
    void *data = GetCanvasUserData(gadget);
    if (!data) return nullptr;
    // Only records of this list are handed out, so a canvas with foreign user
    // data is not mistaken for a view.
    for (auto &view : AllViews()) {
        if (view.get() == data) return view.get();
    }
    return nullptr;
}

HexView *CreateHexView(int gadget, int window, int x, int y, int width, int height, int flags) {
    // A number in use frees the view held under it, documents and all.
    if (gadget >= 0) DestroyHexView(gadget);
    const int number = CreateCanvas(gadget, window, x, y, width, height, CanvasKeyboard);
    if (number < 0 || !GetCanvas(number)) return nullptr;
    auto view = std::make_unique<HexView>();
    view->Gadget = number;
    view->Flags = flags;
    HexView *record = view.get();
    AllViews().push_back(std::move(view));
    SetCanvasUserData(number, record);
    if (flags & HexViewNoDocument) {
        RedrawHexView(record);
    } else {
        NewEditorFile(number, std::string());
    }
    return record;
}

void DestroyHexView(int gadget) {
    HexView *view = HexViewByGadget(gadget);
    if (!view) return;
    SetCanvasUserData(gadget, nullptr);
    FreeControl(gadget);
    AllViews().remove_if([view](const std::unique_ptr<HexView> &v) { return v.get() == view; });
}

void SetHexViewCallback(int gadget, HexViewCallback callback, int value) {
    HexView *view = HexViewByGadget(gadget);
    if (!view) return;
    view->Callback = callback;
    view->CallbackValue = value;
}

void RedrawHexView(int gadget) { RedrawHexView(HexViewByGadget(gadget)); }

void ShowDocument(HexView *view, Document *doc) {
    if (!view) return;
    auto found = std::find_if(view->Documents.begin(), view->Documents.end(),
                              [doc](const DocumentPtr &d) { return d.get() == doc; });
    if (found == view->Documents.end()) return;
    view->CurrentDocument = doc;
    RedrawHexView(view);
}

namespace {

struct CacheSizes {
    int64_t chunkLength = EditorChunkLength;
    int64_t historyLimit = EditorHistoryLimit;
};

CacheSizes &EditorCacheSizes() {
    static CacheSizes sizes;
    return sizes;
}

}  // namespace

void SetEditorCacheSizes(int64_t chunkLength, int64_t historyLimit) {
    if (chunkLength > 0) EditorCacheSizes().chunkLength = chunkLength;
    if (historyLimit > 0) EditorCacheSizes().historyLimit = historyLimit;
}

Document *NewEditorFile(int gadget, const std::string &name) {
    HexView *view = HexViewByGadget(gadget);
    if (!view) return nullptr;
    const CacheSizes &sizes = EditorCacheSizes();
    DocumentPtr doc(new Document);
    doc->Store = name.empty() ? CreateBinary(-1, sizes.chunkLength) : OpenBinary(-1, name, sizes.chunkLength);
    doc->Hist = CreateHistory(-1, sizes.historyLimit);
    doc->PendingNibble = -1;
    doc->Panes.emplace_back();
    doc->ActivePane = &doc->Panes.front();
    doc->View = view;
    Document *record = doc.get();
    view->Documents.push_back(std::move(doc));
    view->CurrentDocument = record;
    RedrawHexView(view);
    return record;
}

int CloseEditorFile(int gadget, Document *doc) {
    HexView *view = HexViewByGadget(gadget);
    if (!view) return 0;
    if (!doc) doc = view->CurrentDocument;
    if (!doc) return 0;
    auto found = std::find_if(view->Documents.begin(), view->Documents.end(),
                              [doc](const DocumentPtr &d) { return d.get() == doc; });
    if (found == view->Documents.end()) return 0;
    const bool wasCurrent = view->CurrentDocument == doc;
    Document *before = found == view->Documents.begin() ? nullptr : std::prev(found)->get();
    view->Documents.erase(found);  // frees the store, the history and the panes' buffers
    if (wasCurrent) {
        view->CurrentDocument = before;
        RedrawHexView(view);
    }
    return 0;
}

}  // namespace hx
