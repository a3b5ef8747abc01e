#include "HexViewDrop.h"

#include "HexNavigation.h"
#include "HexView.h"
#include "document/Document.h"
#include "document/History.h"

namespace hx {

HexDropResult DropTextOnHexView(int gadget, int x, int y, const std::string &latin1) {
    HexView *view = HexViewByGadget(gadget);
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store || view->readOnly() || latin1.empty()) return HexDropResult::Refused;
    const HexLayout &layout = view->Layout;
    if (layout.columnAt(x, y) < 0) return HexDropResult::Refused;
    for (Pane &pane : doc->Panes) {
        if (layout.inPaneRows(pane, y)) doc->ActivePane = &pane;
    }
    const int64_t offset = layout.hitOffset(*doc, x, y, true);
    if (offset < 0) return HexDropResult::Refused;
    doc->PendingNibble = -1;
    if (InsertBytes(doc, offset, reinterpret_cast<const uint8_t *>(latin1.data()),
                    static_cast<int64_t>(latin1.size())) != 0)
        return HexDropResult::NoMemory;
    ScrollIntoActivePane(*doc, doc->Cursor);
    RedrawHexView(view);
    if (view->Callback) view->Callback(view, view->CallbackValue);
    return HexDropResult::Inserted;
}

}  // namespace hx
