#include "app/toolwindows/ToolWindows.h"

namespace hx {

const std::vector<const ToolModule *> &ToolModules() {
    static const std::vector<const ToolModule *> modules = {
        &ValuesEditorTool, &FingerprintTool, &TransformationTool, &SearchTool, &HistogramTool, &ConfigurationsTool, &CompressionTool,
    };
    return modules;
}

}  // namespace hx
