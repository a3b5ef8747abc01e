// The numbered view commands with the redraw made optional, so that a key
// that runs a command and then redraws once (after clamping and scrolling)
// does not draw twice.
#pragma once

#include <cstdint>

namespace hx {

struct HexView;

// HexViewCommand on a view record. Returns 0, or -1 when a copy or cut was
// refused (selection too large or unreadable; a refused cut deletes nothing).
int64_t RunHexViewCommand(HexView &view, int command, const uint8_t *data, int64_t length, bool redraw);

}  // namespace hx
