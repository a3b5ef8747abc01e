// Shell globals that live for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace hx {

struct HexView;

// The byte sizes offered for the two cache settings: m x 1000^k for
// k = 0 ... 3 and m = 1, 2, 4, ..., 500, ending after 8,000,000,000.
inline constexpr int SizeStepCount = 34;
const std::array<int64_t, SizeStepCount> &SizeSteps();
// Index of a size step by the decimal text of its value; -1 when the text is none of them.
int SizeStepIndex(const std::string &decimal);

// Control numbers of the six hex views that take part in focus tracking.
inline constexpr int MainViewGadget = 1;
bool IsHexViewGadget(int control);

struct ShellState {
    std::string ConfigFolder;
    HexView *MainView = nullptr;
    int CurrentView = MainViewGadget;   // the hex view that last had the keyboard focus
    HexView *ActiveView = nullptr;      // its record
};
ShellState &Shell();

}  // namespace hx
