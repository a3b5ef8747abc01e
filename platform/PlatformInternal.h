// Pieces of the platform layer that its own files share and the rest of the
// program does not call.
#pragma once

class QWidget;

namespace hx::detail {

// The number of the control a widget is (or is part of), or -1.
int ControlOf(const QWidget *widget);
// Starts (once) and stops following the keyboard focus for CommandFocusControl.
void WatchFocus();
void StopWatchingFocus();
// Stops watching files (SetWatchedFiles).
void StopWatchingFiles();

// Closes every window (with its controls and timers) and forgets every control.
void DestroyWindowsAndControls();
// Drops every queued event.
void ClearEventQueue();
// Hides every shown window kept above the others (the launch picture): a
// dialog about to appear must not open underneath it, where nobody could see
// or answer it. The program closes such a window itself later.
void StepAsideForDialog();
// Puts SIGTERM and SIGINT back to their default actions and closes the wake-up pipe.
void RemoveQuitSignals();

}  // namespace hx::detail
