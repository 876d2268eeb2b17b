#pragma once

// The blending formulas as plain loops, one byte or pixel at a time, with no shortcut and no
// cleverness: the fast primitives are checked against these.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven::reference {

inline uint8_t Blend(int d, int c, int m) {
  return static_cast<uint8_t>((d * (255 - m) >> 8) + (c * m >> 8));
}

// Every byte of a pixel takes its mask from the pixel's first byte, also when the run ends
// inside the pixel.
inline void MaskedBlend(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                        uint8_t* output, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) {
    const int m = mask[i - i % 3];
    if (m == 0) {
      output[i] = destination[i];
    } else if (m == 255) {
      output[i] = colour[i];
    } else {
      output[i] = Blend(destination[i], colour[i], m);
    }
  }
}

inline void MaskMix(const uint8_t* o, const uint8_t* n, const uint8_t* m, uint8_t* output,
                    size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) {
    output[i] =
        static_cast<uint8_t>(std::min(255, (o[i] * (255 - m[i]) >> 8) + (n[i] * m[i] >> 8)));
  }
}

inline void WeightedMix(const uint8_t* f, const uint8_t* s, int a, uint8_t* output, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) {
    output[i] = static_cast<uint8_t>((f[i] * a + s[i] * (256 - a)) >> 8);
  }
}

inline void Darken(const uint8_t* x, int v, uint8_t* output, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) output[i] = static_cast<uint8_t>((x[i] * v) >> 8);
}

inline void SaturatingAdd(const uint8_t* a, const uint8_t* b, uint8_t* output, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) output[i] = static_cast<uint8_t>(std::min(255, a[i] + b[i]));
}

// Pixel by pixel over the part of the face that lands on the destination. Counting from the
// first visible column, the pixels of whole groups of eight blend; the rest subtract the mask
// byte and add the colour byte.
inline void MaskedDraw(Bitmap24& destination, const Bitmap24& face, const Bitmap24& mask, int top,
                       int left) {
  const int x0 = std::max(left, 0);
  const int x1 = std::min(left + face.Width(), destination.Width());
  const int y0 = std::max(top, 0);
  const int y1 = std::min(top + face.Height(), destination.Height());
  if (x1 <= x0 || y1 <= y0) return;
  const int blended = (x1 - x0) / 8 * 8;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint8_t* d = destination.Row(y) + 3 * x;
      const uint8_t* c = face.Row(y - top) + 3 * (x - left);
      const uint8_t* m = mask.Row(y - top) + 3 * (x - left);
      if (x - x0 < blended) {
        MaskedBlend(d, c, m, d, 3);
        continue;
      }
      for (int k = 0; k < 3; ++k) {
        d[k] = static_cast<uint8_t>(std::min(255, std::max(0, d[k] - m[k]) + c[k]));
      }
    }
  }
}

}  // namespace tolven::reference
