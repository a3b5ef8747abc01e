#include "HexViewLook.h"

namespace hx {

HexViewLook &HexLook() {
    static HexViewLook look;
    return look;
}

void FillDefaultHexViewLook() {
    HexViewLook &look = HexLook();
    look.ControlFont = DefaultControlFont();
    look.FaceColour = GetSystemColour(SystemColour::ButtonFace);
    look.ShadowColour = GetSystemColour(SystemColour::ButtonShadow);
    look.DarkShadowColour = GetSystemColour(SystemColour::DarkShadow);
    look.HighlightColour = GetSystemColour(SystemColour::ButtonHighlight);
    look.Font = FixedFont("Courier New", 10);
    look.ColumnPadding = 6;
    look.RowPadding = 4;
    look.CellGap = 3;
    look.AreaGap = 6;
}

}  // namespace hx
