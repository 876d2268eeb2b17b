#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven::testing {

// Smooth gradients and shading under a fine grain, as a photograph has; without the grain,
// reduced to few colours as in pictures made for small palettes. Deterministic.
inline Bitmap24 PhotoLike(int width, int height, bool grain = true) {
  Bitmap24 bitmap(width, height);
  uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      const double shade = 60.0 * std::sin(x * 0.013) * std::cos(y * 0.017);
      const int base[3] = {x * 200 / width, y * 200 / height, (x + y) * 120 / (width + height)};
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        int value = base[c] + 30 + static_cast<int>(shade);
        value = grain ? value + static_cast<int>(state >> 30) - 2 : value / 8 * 8;
        row[x * 3 + c] = static_cast<uint8_t>(std::clamp(value, 0, 255));
      }
    }
  }
  return bitmap;
}

// One colour all over.
inline Bitmap24 Flat(int width, int height) {
  Bitmap24 bitmap(width, height);
  for (size_t i = 0; i < bitmap.SizeBytes(); i += 3) {
    bitmap.Data()[i] = 0x20;
    bitmap.Data()[i + 1] = 0x90;
    bitmap.Data()[i + 2] = 0xE0;
  }
  return bitmap;
}

}  // namespace tolven::testing
