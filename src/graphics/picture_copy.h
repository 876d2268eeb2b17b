#pragma once

#include <array>
#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven {

// Copies the width x height rectangle at (fromX, fromY) of `source` to (toX, toY) of
// `destination`; whatever falls outside either picture is left out.
void CopyRect(const Bitmap24& source, int fromX, int fromY, int width, int height,
              Bitmap24& destination, int toX, int toY);
// The same rectangle from one picture to the same place of another.
inline void CopyRect(const Bitmap24& source, int x, int y, int width, int height,
                     Bitmap24& destination) {
  CopyRect(source, x, y, width, height, destination, x, y);
}
// As CopyRect, but pixels of the key colour (blue, green, red) are left out.
void CopyRectKeyed(const Bitmap24& source, int fromX, int fromY, int width, int height,
                   Bitmap24& destination, int toX, int toY, const uint8_t key[3]);
// The whole picture, the destination taking its size.
void CopyPicture(const Bitmap24& source, Bitmap24& destination);
// The top-left area of source, as large as the destination, which keeps its size; what the
// source does not reach turns black.
void CopyTopLeftArea(const Bitmap24& source, Bitmap24& destination);
// Every pixel in one colour, given as blue, green, red.
void FillPicture(Bitmap24& picture, const std::array<uint8_t, 3>& colour);
// A colour digit of the scripts' colour codes: hexadecimal digits give 16 times their value,
// "g" full (255), anything else 0.
uint8_t ColourDigit(char c);

}  // namespace tolven
