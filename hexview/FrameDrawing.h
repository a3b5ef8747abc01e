// Drawing a nine-slice frame image into a rectangle: corners as they are,
// edges and centre stretched between them.
#pragma once

namespace hx {

class Drawing;
struct FrameImage;

// With slice sizes t, l, r, b: the corners are drawn where both of their
// slices are non-zero, the edges stretched along the sides, the centre
// stretched into the middle unless the frame has none. A stretched piece
// whose width or height would be 0 or less is not drawn; a null frame draws
// nothing.
void DrawFrameImage(Drawing &drawing, const FrameImage *frame, int x, int y, int width, int height);

}  // namespace hx
