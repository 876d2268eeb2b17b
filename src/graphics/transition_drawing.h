#pragma once

#include <cstdint>
#include <span>

#include "graphics/picture_copy.h"
#include "resources/bitmap24.h"

// Rectangle copies and filled shapes for the transitions and the iris. Shapes are sampled at
// pixel centres: a pixel belongs to a shape when its centre (x + 0.5, y + 0.5) lies inside, so
// shapes of the same geometry always cover the same pixels, whatever the picture size.
namespace tolven::transition_drawing {

using tolven::CopyPicture;
using tolven::CopyRect;

// Columns [begin, end) of one row; empty when begin >= end. Not clipped.
struct Span {
  int begin = 0;
  int end = 0;
};

// The pixels of row y whose centres lie in the circle of `radius` around the point (cx, cy)
// (a point on pixel corners: the circle of the box (cx - r, cy - r)-(cx + r, cy + r)).
Span CircleRow(int cx, int cy, int radius, int y);

// Every byte of the pixels inside the shape becomes `grey`; the rest is left alone.
void FillCircle(Bitmap24& picture, int cx, int cy, int radius, uint8_t grey);

struct Point {
  int x = 0;
  int y = 0;
};
// Inside by the even-odd rule, as a polygon is filled without a winding direction.
void FillPolygon(Bitmap24& picture, std::span<const Point> corners, uint8_t grey);

// Sets the bytes of columns [begin, end) of row y (clipped) to `grey`.
void FillRow(Bitmap24& picture, int y, int begin, int end, uint8_t grey);

}  // namespace tolven::transition_drawing
