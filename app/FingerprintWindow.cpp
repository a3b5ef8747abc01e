// Placeholder until the tool is built: the module answers nothing, so its
// menu commands do nothing and its window does not exist.
#include "app/ToolWindows.h"

namespace hx {

const ToolModule FingerprintTool{};

}  // namespace hx
