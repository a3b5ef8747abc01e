// The standard controls of the tool windows: framed groups, labels, input
// fields, drop-down lists, push and toggle buttons, progress bars, a tree
// list, a spin box and a check box.
//
// Each control is created on a window under a control number (the numbers are
// global, as for canvases; a number in use frees the old control first).
// Places are in pixels in the window's inner area; a control "inside a group"
// is placed by its caller at group position + its own position.
//
// A user action posts EventControl (window, control, type ControlActivated)
// with data as listed per control; changes made by the program post nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QImage;

namespace hx {

inline constexpr int ControlActivated = 0;
// The event type of an input field made with ControlNotifyEdits when the
// user changed its text (typing, pasting, deleting; data 0).
inline constexpr int ControlEdited = 1;

enum ControlFlag : int {
    ControlRightAligned = 1,   // input fields: text right-aligned
    ControlToggle = 2,         // buttons: a toggle that stays pressed (state 0 / 1)
    ControlReadOnly = 4,       // input fields: text cannot be edited
    ControlNotifyEdits = 8,    // input fields: each change by the user posts ControlEdited
};

// A frame with a title. No events.
void CreateGroup(int number, int window, int x, int y, int width, int height, const std::string &title);
// Text that cannot be edited. No events.
void CreateLabel(int number, int window, int x, int y, int width, int height, const std::string &text,
                 int flags = 0);
// One line of editable text (Latin-1). Posts an event when Enter is pressed
// in it (data 0); typing posts nothing unless the field was made with
// ControlNotifyEdits (then an event of type ControlEdited per change).
void CreateInputField(int number, int window, int x, int y, int width, int height,
                      const std::string &text, int flags = 0);
// A push button (event on press, data 0) or, with ControlToggle, a toggle
// (event on each press, data = the new state).
void CreateButton(int number, int window, int x, int y, int width, int height, const std::string &text,
                  int flags = 0);
// Shows image (copied; nullptr removes it) on a button, centred.
void SetButtonImage(int number, const QImage *image);
// Texts of labels, groups, buttons, drop-down entries, list entries, check
// boxes and tool tips are UTF-8 (the language files); input fields hold Latin-1.
// A drop-down list; event when the user picks an entry (data = its index).
void CreateDropDown(int number, int window, int x, int y, int width, int height);
// Appends an entry with its data; returns its index (-1 for no such control).
int AddDropDownItem(int number, const std::string &text, intptr_t data = 0);
void ClearDropDown(int number);
int DropDownCount(int number);
std::string DropDownText(int number, int index);   // "" for a bad index
intptr_t DropDownData(int number, int index);      // 0 for a bad index
// A progress bar over min ... max; its state is the value.
void CreateProgressBar(int number, int window, int x, int y, int width, int height, int min, int max);
// A list of entries (one level); event when the user selects one (data = index).
void CreateTreeList(int number, int window, int x, int y, int width, int height);
int AddTreeItem(int number, const std::string &text);
// A spin box over min ... max (whole steps); event on each change by the user
// (data = the new position). The text shown for a position comes from the
// formatter when one is set (SetSpinFormatter), else the decimal position.
void CreateSpinBox(int number, int window, int x, int y, int width, int height, int min, int max);
void SetSpinFormatter(int number, std::function<std::string(int position)> formatter);
// A check box with its text; event on each change by the user (data = 0 / 1).
void CreateCheckBox(int number, int window, int x, int y, int width, int height, const std::string &text);

// The state of a control: toggle and check box 0 / 1, drop-down and tree
// list the selected index (-1 none), spin box the position, progress bar the
// value. Setting it posts no event; a value out of range is clamped (spin,
// progress) or leaves nothing selected (drop-down, tree).
int GetControlState(int number);
void SetControlState(int number, int state);
// The text of a label, input field, button, group, check box or the selected
// entry of a drop-down (Latin-1; "" for none). Setting a drop-down's text
// selects the first entry with that text, or none.
std::string GetControlText(int number);
void SetControlText(int number, const std::string &text);
// Moves a control into a group at x, y relative to the group's corner, so
// that it is shown and hidden with the group (panels that replace each other).
void PlaceInGroup(int number, int group, int x, int y);
void ShowControl(int number, bool show);
bool IsControlVisible(int number);   // shown itself (not asking about its window)
bool IsControlEnabled(int number);
void SetControlToolTip(int number, const std::string &text);
std::string ControlToolTip(int number);

// Simulates the user's action on a control (tests, and keys that stand for a
// button): presses a button (a toggle flips), picks entry index of a drop-down
// or tree list, sets a spin box or check box to state; the control posts its
// event as if the user had done it. A disabled or hidden control does nothing.
void ActivateControl(int number, int state = 0);

}  // namespace hx
