// Pictures drawn by the generator.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

// One icon style: the colourful default or the flat monochrome one.
enum class IconStyle { Colourful, Slate };

struct NamedIcon {
    QString name;
    QImage image;  // 16 x 16, ARGB32 premultiplied
};

// Every icon the program asks for, in the program's order.
std::vector<NamedIcon> DrawIcons(IconStyle style);

QImage DrawLaunchPicture();  // 480 x 224
QImage DrawScrollTrack();    // 16 x 24
QImage DrawScrollThumb();    // 16 x 24
QImage DrawFrame();          // 12 x 12
// Rows at the bottom of the separator grip that stay clear: they lie on the
// first text row of the pane below the separator.
inline constexpr int SplitterClearRows = 3;
QImage DrawSplitter();       // 16 x 16, the last SplitterClearRows rows clear
