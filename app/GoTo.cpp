#include "GoTo.h"

#include <algorithm>
#include <limits>

#include "app/Globals.h"
#include "app/Language.h"
#include "app/MainWindow.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"

namespace hx {

namespace {

constexpr int64_t Largest = std::numeric_limits<int64_t>::max();

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Reads digits of the base from text[i] on; nullopt when there is none.
// Saturates at the largest 64-bit value instead of wrapping.
std::optional<int64_t> ReadDigits(std::string_view text, size_t i, int base) {
    int64_t value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base) break;
        any = true;
        if (value > (Largest - digit) / base) {
            value = Largest;
        } else {
            value = value * base + digit;
        }
    }
    if (!any) return std::nullopt;
    return value;
}

}  // namespace

std::optional<int64_t> GoToTarget(std::string_view text, int64_t cursor, int64_t size) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    int sign = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        sign = text[i] == '+' ? 1 : -1;
        ++i;
    }
    std::optional<int64_t> value;
    if (i < text.size() && text[i] == '$') {
        value = ReadDigits(text, i + 1, 16);
    } else if (i < text.size() && text[i] == '%') {
        value = ReadDigits(text, i + 1, 2);
    } else if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
               DigitValue(text[i + 2]) < 16) {
        value = ReadDigits(text, i + 2, 16);
    } else {
        value = ReadDigits(text, i, 10);
    }
    if (!value) return std::nullopt;
    size = std::max<int64_t>(size, 0);
    int64_t target = *value;
    if (sign != 0) {
        cursor = std::clamp<int64_t>(cursor, 0, size);
        // Both sides lie in 0 ... Largest, so neither sum can overflow once
        // the distance is cut to what can be reached.
        target = sign > 0 ? cursor + std::min(*value, size - cursor) : cursor - std::min(*value, cursor);
    }
    return std::clamp<int64_t>(target, 0, size);
}

void GoToFromMenu() {
    HexView *view = HexViewByGadget(MainViewGadget);
    Document *doc = view ? view->CurrentDocument : nullptr;
    if (!doc || !doc->Store) return;
    InputRequest request;
    request.window = MainWindowNumber;
    request.title = GetText("\\GoTo\\Title");
    request.prompt = GetText("\\GoTo\\Offset");
    request.okText = GetText("\\GoTo\\Go");
    request.cancelText = GetText("\\GoTo\\Cancel");
    const std::optional<std::string> answer = AskInput(request);
    // The dialog may have let other work run; read the document again.
    doc = view->CurrentDocument;
    if (!answer || !doc || !doc->Store) return;
    const std::optional<int64_t> target = GoToTarget(*answer, doc->Cursor, doc->Store->Length);
    if (target) HexViewCommand(MainViewGadget, HexGoTo, nullptr, *target);
    FocusControl(MainViewGadget);
}

}  // namespace hx
