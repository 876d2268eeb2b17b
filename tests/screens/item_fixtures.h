#pragma once

// Pictures for the item screens' tests: icons told apart by colour, solid pictures and panels
// whose mask shows all of their face.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "graphics/picture_copy.h"
#include "test_support.h"
#include "tools/picture_encoder.h"

namespace tolven::testing {

using Colour = std::array<uint8_t, 3>;  // blue, green, red

inline constexpr Colour kLabel = {128, 128, 64};

inline Colour IconColour(int n) {
  return {static_cast<uint8_t>(7 * n), 90, 160};
}

inline std::vector<uint8_t> Solid(const Colour& colour, int width, int height) {
  Bitmap24 picture(width, height);
  FillPicture(picture, colour);
  return tools::EncodePackedPicture(picture);
}

// A face of one grey over a mask that shows all of it.
inline std::vector<uint8_t> Stacked(uint8_t grey, int width, int height) {
  Bitmap24 picture(width, 2 * height);
  FillPicture(picture, {grey, grey, grey});
  for (int y = height; y < 2 * height; ++y) std::fill_n(picture.Row(y), picture.RowBytes(), 255);
  return tools::EncodePackedPicture(picture);
}

}  // namespace tolven::testing
