// The values editor (window 1): the bytes at the cursor of the current hex
// view as numbers, text, bits, a colour and a time stamp, and Set buttons
// that write typed values back. The module itself is ValuesEditorTool
// (app/toolwindows/ToolWindows.h).
#pragma once

namespace hx {

inline constexpr int ValuesEditorWindowNumber = 1;
inline constexpr int ValuesEditorWidth = 240;
inline constexpr int ValuesEditorHeight = 410;

// Control numbers of window 1. The toggles and Set buttons are the ones the
// loop's table names; fields, list and swatch take the free numbers between
// them. Frames and labels report nothing and live in a block of their own.
enum ValuesEditorControl : int {
    ValuesCharacterList = 2,
    ValuesFirstBitToggle = 3,      // bit i is control 3 + i (3 ... 10)
    ValuesByteField = 11,
    ValuesWordField = 12,
    ValuesDWordField = 13,
    ValuesQWordField = 14,
    ValuesSingleField = 15,
    ValuesDoubleField = 16,
    ValuesColourSwatch = 17,       // canvas
    ValuesTimestampField = 18,     // read-only
    ValuesSetCharacter = 19,
    ValuesSetBits = 20,
    ValuesSetByte = 21,
    ValuesSetWord = 22,
    ValuesSetDWord = 23,
    ValuesSetQWord = 24,
    ValuesSetSingle = 25,
    ValuesSetDouble = 26,
    ValuesSetColour = 27,          // disabled: the colour is shown only
    ValuesSetTimestamp = 28,       // disabled: the time stamp is shown only
    ValuesFirstFrame = 1100,       // groups and labels: 1100 ... 1112
};

}  // namespace hx
