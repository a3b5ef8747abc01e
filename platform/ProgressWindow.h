// A modal window for a long operation that cannot be interrupted: a title, a
// line saying how far it is, a progress bar and a fixed note. It has no close
// box and no buttons; the operation closes it when it is done.
//
// There is at most one at a time. While it is open, Update keeps every window
// of the program painting by handling pending events other than user input
// (keys and mouse go nowhere until it closes).
#pragma once

#include <cstdint>
#include <string>

namespace hx {

// Opens (or re-titles) the window, centred on the owner window (-1: none).
// Does nothing without a GUI application object.
void OpenProgressWindow(int owner, const std::string &title, const std::string &note);
// Shows done of total (the bar is full for total <= 0 or done >= total) and the
// line, then lets the program paint. Nothing when the window is not open.
void UpdateProgressWindow(int64_t done, int64_t total, const std::string &line);
void CloseProgressWindow();

bool IsProgressWindowOpen();
// How many times the window was opened in this run (tests: a window that came
// and went within one call is still seen).
int64_t ProgressWindowOpenings();
// What the window shows now: its line and note ("" when closed), the bar in
// thousandths (-1 when closed).
std::string ProgressWindowLine();
std::string ProgressWindowNote();
int ProgressWindowPermille();

}  // namespace hx
