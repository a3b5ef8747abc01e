#include "app/shell/GoTo.h"

#include <algorithm>
#include <limits>

#include "app/shell/Globals.h"
#include "app/settings/Language.h"
#include "app/shell/MainWindow.h"
#include "document/Document.h"
#include "document/HexText.h"
#include "hexview/HexView.h"
#include "platform/InputDialog.h"
#include "platform/Platform.h"

namespace hx {

namespace {

constexpr int64_t Largest = std::numeric_limits<int64_t>::max();

}  // namespace

std::optional<int64_t> GoToTarget(std::string_view text, int64_t cursor, int64_t size) {
    const LenientNumber number = ReadLenientNumber(text, uint64_t(Largest), true);
    const int sign = number.sign;
    std::optional<int64_t> value;
    if (number.digits) value = static_cast<int64_t>(std::min(number.magnitude, uint64_t(Largest)));
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
