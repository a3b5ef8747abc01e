// Pieces of the platform layer that its own files share and the rest of the
// program does not call.
#pragma once

namespace hx::detail {

// Closes every window (with its controls and timers) and forgets every control.
void DestroyWindowsAndControls();
// Drops every queued event.
void ClearEventQueue();
// Puts SIGTERM and SIGINT back to their default actions and closes the wake-up pipe.
void RemoveQuitSignals();

}  // namespace hx::detail
