// The application's icon, drawn at any size for the desktop's icon theme.
#pragma once

#include <QImage>

// A square icon of size × size pixels, ARGB32 premultiplied.
QImage DrawAppIcon(int size);
