#include "app/shell/Status.h"

#include <cmath>
#include <cstdio>

#include "app/shell/Globals.h"
#include "app/shell/Title.h"
#include "app/settings/Language.h"
#include "document/Binary.h"
#include "document/Document.h"
#include "document/History.h"
#include "hexview/HexView.h"
#include "platform/StatusBar.h"

namespace hx {
namespace {

std::function<void(int64_t, int64_t)> &SelectionListener() {
    static std::function<void(int64_t, int64_t)> listener;
    return listener;
}

std::function<void(HexView *)> &ValuesListener() {
    static std::function<void(HexView *)> listener;
    return listener;
}

constexpr const char *Units[] = {" B", " kB", " MB", " GB"};
constexpr int64_t UnitScale[] = {1, 1000, 1000000, 1000000000};

// floor(log10(bytes)) for bytes >= 1, counted on integers so that exact
// powers of ten never fall one short through floating-point rounding.
int DecimalExponent(int64_t bytes) {
    int d = 0;
    // The limit stops at 10^18: ten times that is beyond int64_t.
    for (int64_t limit = 10; bytes >= limit; limit *= 10) {
        ++d;
        if (d == 18) break;
    }
    return d;
}

std::string CursorText(const Document &doc, int64_t start, int64_t length) {
    // A single byte in overwrite mode is where the cursor stands, not a selection.
    if (length != 0 && (doc.EditMode == 0 || length > 1))
        return GetText("Selection") + ": " + std::to_string(start) + " - " + std::to_string(start + length - 1);
    return GetText("Cursor") + ": " + std::to_string(start);
}

// The memory the document's bytes take, and, when some lie in the scratch
// file (large edits, bytes undo steps keep), how many: "Cache: 4.00 MB (1%)
// + 1.07 GB on disk".
std::string StoreText(const Document &doc) {
    const Binary *store = doc.Store;
    int64_t used = store ? GetBinaryCacheSize(store) : 0;
    int64_t length = store ? store->Length : 0;
    std::string text = GetText("BinaryCacheSize") + ": " + FormatSize(used) + " (";
    if (length == 0) {
        text += "100%)";
    } else {
        long long percent = std::llround(static_cast<double>(used) * 100.0 / static_cast<double>(length));
        text += std::to_string(percent) + "%)";
    }
    const int64_t scratch = GetBinaryScratchSize(store) + HistoryScratchBytes(doc.Hist);
    if (scratch > 0) text += " + " + FillPlaceholder(GetText("\\Edits\\OnDisk", "%SIZE on disk"), "%SIZE", FormatSize(scratch));
    return text;
}

// Where the cursor stood when an edit was refused; the notice goes when it moves.
struct RefusedAt {
    const Document *doc = nullptr;
    int64_t cursor = 0, selection = 0;
};
RefusedAt g_refused;

bool StillRefused(const Document &doc) {
    return g_refused.doc == &doc && g_refused.cursor == doc.Cursor && g_refused.selection == doc.SelectionLength;
}

}  // namespace

std::string ModeText(const Document &doc, bool readOnly, bool refused) {
    char offset[24];
    std::snprintf(offset, sizeof offset, "0x%llX", static_cast<unsigned long long>(doc.Cursor + doc.SelectionLength));
    std::string text = std::string(offset) + "  " + GetText(doc.EditMode == 0 ? "Insert" : "Overwrite");
    if (readOnly) text += "  " + GetText(refused ? "ReadOnlyRefused" : "ReadOnly");
    return text;
}

void NoteEditRefused(const Document *doc) {
    g_refused = doc ? RefusedAt{doc, doc->Cursor, doc->SelectionLength} : RefusedAt{};
}

std::string FormatSize(int64_t bytes) {
    if (bytes == 0) return "0 B";
    if (bytes < 0) return "";
    int d = DecimalExponent(bytes);
    if (d > 11) return "";
    int unit = d / 3;
    int decimals = 2 - d % 3;
    float scaled = static_cast<float>(bytes) / static_cast<float>(UnitScale[unit]);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(scaled));
    return std::string(buffer) + Units[unit];
}

void RefreshStatus(HexView *view, int) {
    if (!view || !view->CurrentDocument) return;
    const Document &doc = *view->CurrentDocument;
    SetTextGroup("StatusBar");
    if (view->Gadget == MainViewGadget) {
        int64_t start = SelectionStart(view);
        int64_t length = SelectionSize(view);
        if (SelectionListener()) SelectionListener()(start, length);
        SetStatusBarText(StatusCursorField, CursorText(doc, start, length));
        SetStatusBarText(StatusHistoryField,
                         GetText("HistoryCacheSize") + ": " + FormatSize(doc.Hist ? HistorySize(doc.Hist) : 0));
        SetStatusBarText(StatusStoreField, StoreText(doc));
        SetStatusBarText(StatusModeField, ModeText(doc, view->readOnly(), StillRefused(doc)));
        RefreshMainTitle();
    }
    if (ValuesListener()) ValuesListener()(view);
}

void SetSelectionListener(std::function<void(int64_t, int64_t)> listener) {
    SelectionListener() = std::move(listener);
}

void SetValuesListener(std::function<void(HexView *)> listener) { ValuesListener() = std::move(listener); }

}  // namespace hx
