#include "app/toolwindows/ToolWindows.h"

#include "app/bookmarks/BookmarksWindow.h"
#include "app/shell/Help.h"

namespace hx {

const std::vector<const ToolModule *> &ToolModules() {
    static const std::vector<const ToolModule *> modules = {
        &ValuesEditorTool, &FingerprintTool, &TransformationTool, &SearchTool, &HistogramTool, &ConfigurationsTool, &CompressionTool,
        &BookmarksTool, &HelpTool,
        &CompareTool,
    };
    return modules;
}

}  // namespace hx
