// The event record the main loop works on, and the codes it carries.
//
// Every window, control, menu, drop and timer event of the program arrives as
// one Event in the platform's queue, in the order it happened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hx {

// Event kinds.
enum EventKind : int {
    EventNone = 0,
    EventSizeWindow = 5,
    EventCloseWindow = 16,
    EventControl = 13100,
    EventMenu = 13101,
    EventDrop = 13106,
    EventTimer = 13110,
    EventFileChanged = 13120,     // a watched file changed on disk: text holds its path
    EventWindowActivated = 13121, // a main window became the active window
};

// Event types of canvas controls (kind EventControl).
enum CanvasEventType : int {
    CanvasLeftClick = 0,
    CanvasRightClick = 1,
    CanvasLeftDoubleClick = 2,
    CanvasRightDoubleClick = 3,
    CanvasFocus = 14000,
    CanvasLostFocus = 14001,
    CanvasMouseEnter = 65537,
    CanvasMouseLeave = 65538,
    CanvasMouseMove = 65539,
    CanvasLeftButtonDown = 65540,
    CanvasLeftButtonUp = 65541,
    CanvasRightButtonDown = 65542,
    CanvasRightButtonUp = 65543,
    CanvasMiddleButtonDown = 65544,
    CanvasMiddleButtonUp = 65545,
    CanvasMouseWheel = 65546,
    CanvasKeyDown = 65547,
    CanvasKeyUp = 65548,
    CanvasInput = 65549,
    // Posted by a control to itself to ask for a deferred redraw.
    ControlUpdateRequest = -3,
};

// Event types of drops (kind EventDrop).
enum DropType : int {
    DropFiles = 0,         // local files: Event::paths, one entry per file
    DropText = 1,          // text: Event::text holds it as Latin-1 bytes
};

// Modifier bits of a canvas event.
enum Modifier : int {
    ModShift = 1,
    ModAlt = 2,
    ModControl = 4,
};

// Key codes of canvas key events: letters and digits are their upper-case
// ASCII codes; the other keys have the values below.
enum Key : int {
    KeyA = 'A', KeyB = 'B', KeyC = 'C', KeyV = 'V', KeyX = 'X', KeyY = 'Y', KeyZ = 'Z',
    KeyEscape = 0x01000000,
    KeyTab = 0x01000001,      // Shift+Tab too (reported as Tab with Shift)
    KeyBackspace = 0x01000003,
    KeyReturn = 0x01000004,
    KeyInsert = 0x01000006,
    KeyDelete = 0x01000007,
    KeyHome = 0x01000010,
    KeyEnd = 0x01000011,
    KeyLeft = 0x01000012,
    KeyUp = 0x01000013,
    KeyRight = 0x01000014,
    KeyDown = 0x01000015,
    KeyPageUp = 0x01000016,
    KeyPageDown = 0x01000017,
    KeyF1 = 0x01000030,
    KeyF2 = 0x01000031,
};

// What a canvas knew about the input when the event happened.
struct CanvasAttributes {
    int mouseX = 0;        // canvas pixels
    int mouseY = 0;
    int key = 0;           // Key code (key events)
    int modifiers = 0;     // Modifier bits
    int wheelDelta = 0;    // notches of 120 units, positive away from the user
    int character = 0;     // input character, code 32 and above (CanvasInput)
};

struct Event {
    int window = -1;
    int control = -1;
    int kind = EventNone;
    int type = 0;          // control events: the event type; menu events: the id; drops: DropType
    int64_t data = 0;      // timer number, menu id, ...
    CanvasAttributes input; // drops: the drop point in mouseX, mouseY
    // Text drops: the text as Latin-1 bytes. File drops: the paths joined by
    // "\n", for display only (a name may hold a line feed itself: open
    // what paths lists).
    std::string text;
    std::vector<std::string> paths;  // file drops: every dropped local path, in order
};

}  // namespace hx
