#include "app/shell/Globals.h"

namespace hx {

const std::array<int64_t, SizeStepCount> &SizeSteps() {
    static const std::array<int64_t, SizeStepCount> steps = [] {
        std::array<int64_t, SizeStepCount> s{};
        const int64_t multipliers[] = {1, 2, 4, 8, 16, 32, 64, 125, 250, 500};
        size_t n = 0;
        int64_t scale = 1;
        for (int k = 0; k <= 3 && n < s.size(); ++k, scale *= 1000)
            for (int64_t m : multipliers)
                if (n < s.size()) s[n++] = m * scale;
        return s;
    }();
    return steps;
}

int SizeStepIndex(const std::string &decimal) {
    static const std::map<std::string, int> index = [] {
        std::map<std::string, int> m;
        for (int i = 0; i < SizeStepCount; ++i) m[std::to_string(SizeSteps()[i])] = i;
        return m;
    }();
    auto it = index.find(decimal);
    return it == index.end() ? -1 : it->second;
}

bool IsHexViewGadget(int control) {
    switch (control) {
    case 1: case 32: case 42: case 46: case 47: case 52:
    case 4011:   // the search window's replacement field
        return true;
    default:
        return false;
    }
}

ShellState &Shell() {
    static ShellState state;
    return state;
}

}  // namespace hx
