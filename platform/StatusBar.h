// The status bar of a main window: a row of text fields of fixed pixel width,
// numbered from 0 at the left.
#pragma once

#include <string>
#include <vector>

namespace hx {

// Gives the main window a status bar with one field per width (replacing an
// older one); a width of 0 or less makes a field that takes what the fixed
// ones leave of the bar (and may shrink to nothing in a narrow window). Returns false when the window was not opened with WindowMain.
bool CreateStatusBar(int window, const std::vector<int> &widths);
// Sets the text of a field, and its tool tip to the same text (a field cuts
// what does not fit); a field or window that does not exist is ignored.
void SetStatusBarText(int field, const std::string &text, int window = 0);
std::string StatusBarText(int field, int window = 0);
int StatusBarFieldCount(int window = 0);
int StatusBarFieldWidth(int field, int window = 0);
// A note right of the fields, for something the user should learn without a
// dialog ("file reloaded"); it goes after NoteMilliseconds or with the next
// note. The whole text is also its tool tip, for a narrow window.
void SetStatusBarNote(const std::string &text, int window = 0);
std::string StatusBarNote(int window = 0);
inline constexpr int NoteMilliseconds = 15000;
// Height of the status bar in pixels (0 when there is none).
int StatusBarHeight(int window = 0);

}  // namespace hx
