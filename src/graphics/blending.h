#pragma once

#include <cstddef>
#include <cstdint>

#include "base/trace.h"
#include "resources/bitmap24.h"

namespace tolven {

// The pixel blending primitives every soft edge, fade, tinted panel and sprite is made with.
// Pictures are 24-bit, blue, green, red; each primitive gives exactly its integer formula.
//
// Runs are counted in bytes. Callers that count in 8-byte groups (300 groups = 800 pixels)
// pass GroupBytes(groups); such a run may end inside a pixel, and then only that pixel's first
// bytes are written.
//
// Pictures that should have the same size and do not are left alone: nothing is read or drawn.
// Weights and factors outside 0-256 count as the nearer end.
constexpr size_t GroupBytes(size_t groups) {
  return 8 * groups;
}

// Per pixel, with m the first (blue) byte of the mask pixel: m = 0 keeps the destination,
// m = 255 takes the colour, otherwise each byte is (d * (255 - m) >> 8) + (c * m >> 8).
// output may be destination itself.
void MaskedBlend(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                 uint8_t* output, size_t bytes);

// Per byte, with m the mask byte at the same place: min(255, (o * (255 - m) >> 8) + (n * m >> 8)).
// All four pictures have the same size; output may be one of the others.
void MaskMix(const Bitmap24& oldPicture, const Bitmap24& newPicture, const Bitmap24& mask,
             Bitmap24& output);

// Per byte: (f * weight + s * (256 - weight)) >> 8, weight 0-256. output may be either input.
void WeightedMix(const uint8_t* first, const uint8_t* second, int weight, uint8_t* output,
                 size_t bytes);

// WeightedMix over the 80x60 tile at (x, y): previous with the weight, stage with the rest,
// into the same tile of work.
void TileMix(const Bitmap24& previous, const Bitmap24& stage, int x, int y, int weight,
             Bitmap24& work);

// Per byte: (x * factor) >> 8, factor 0-256. destination takes the source's size.
void Darken(const Bitmap24& source, Bitmap24& destination, int factor);
// The factor of a darkness given in sixteenths (S008): any value a script or a saved game
// holds, however large, gives a factor Darken can take.
int DarknessFactor(int32_t sixteenths);

// Per byte: min(255, a + b).
void SaturatingAdd(const uint8_t* a, const uint8_t* b, uint8_t* output, size_t bytes);
void SaturatingAdd(const Bitmap24& a, const Bitmap24& b, Bitmap24& output);

// A character face through its mask (same size), clipped to the destination, with its top-left
// corner at (left, top). Whole 8-pixel runs of a row use MaskedBlend; the last width mod 8
// pixels use min(255, max(0, d - m) + c) per byte.
void MaskedDraw(Bitmap24& destination, const Bitmap24& face, const Bitmap24& mask, int top,
                int left);

// A sprite whose face is its left half and mask its right half, drawn at (x, y). One that does
// not fit writes "ILLEGAL BMP" to the trace and draws nothing.
void DrawSideBySideSprite(Bitmap24& destination, int x, const Bitmap24& sprite, int y,
                          Trace& trace);
// The same with the face in the upper half and the mask in the lower half.
void DrawStackedSprite(Bitmap24& destination, int x, const Bitmap24& sprite, int y, Trace& trace);

}  // namespace tolven
