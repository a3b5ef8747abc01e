// The tool windows as the loop sees them: each tool module builds its window
// at start-up and answers the menu commands, control events and close boxes
// that are its own. The loop offers every such event to the modules in turn
// (the first that takes it ends the search) before its own handling.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Event.h"

namespace hx {

struct HexView;

struct ToolModule {
    // Builds the tool's window (hidden) at start-up; nullptr for a window made on demand.
    void (*open)() = nullptr;
    // A menu or toolbar command; true when it was this tool's.
    bool (*menu)(int id) = nullptr;
    // A control event; true when it was this tool's (hex view fields included:
    // returning false for them leaves their keys and pop-up menu to the loop).
    bool (*control)(const Event &event) = nullptr;
    // The close box of a window; true when it was this tool's window.
    bool (*close)(int window) = nullptr;
    // The main view's selection changed (start, length); for the range fields.
    void (*selection)(int64_t start, int64_t length) = nullptr;
    // A hex view redrew (its cursor or bytes may have changed).
    void (*viewChanged)(HexView *view) = nullptr;
    // A timer event of a window; true when it was this tool's.
    bool (*timer)(const Event &event) = nullptr;
    // A window changed its size; true when it was this tool's window.
    bool (*resized)(int window) = nullptr;
};

// The modules in start-up order: values editor (window 1), fingerprint
// result (2), transformation (3), search (4), histogram (6), configurations
// (5), compression (8), compare (11).
const std::vector<const ToolModule *> &ToolModules();

extern const ToolModule ValuesEditorTool;
extern const ToolModule FingerprintTool;
extern const ToolModule TransformationTool;
extern const ToolModule SearchTool;
extern const ToolModule HistogramTool;
extern const ToolModule ConfigurationsTool;
extern const ToolModule CompressionTool;
extern const ToolModule CompareTool;   // app/compare/CompareWindow.h

}  // namespace hx
