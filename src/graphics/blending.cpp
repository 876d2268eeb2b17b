#include "graphics/blending.h"

#include <algorithm>
#include <cstdint>

#include "graphics/blending_kernels.h"

namespace tolven {
namespace {

// Weights and factors are defined for 0-256 only; anything else is held at the nearer end so a
// script value out of range cannot overflow the 16-bit lanes of the fast kernels.
unsigned ClampWeight(int weight) {
  return static_cast<unsigned>(std::clamp(weight, 0, 256));
}

bool SameSize(const Bitmap24& a, const Bitmap24& b) {
  return a.Width() == b.Width() && a.Height() == b.Height();
}

// A part of a picture: columns [x, x + width) of rows [y, y + height).
struct Span {
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = 0;
  int64_t height = 0;
  bool Empty() const { return width < 1 || height < 1; }
};

// The destination rectangle of a picture placed at (left, top), cut to the destination, and
// where in the picture it starts. Wide arithmetic, so no position a script can give overflows.
struct Placement {
  Span target;
  int64_t fromX = 0;
  int64_t fromY = 0;
};

Placement Place(int64_t left, int64_t top, int64_t width, int64_t height, int64_t destWidth,
                int64_t destHeight) {
  Placement placed;
  if (left < 0) {
    placed.fromX = -left;
    width += left;
    left = 0;
  }
  if (top < 0) {
    placed.fromY = -top;
    height += top;
    top = 0;
  }
  width = std::min(width, destWidth - left);
  height = std::min(height, destHeight - top);
  placed.target = {left, top, width, height};
  return placed;
}

size_t ColumnBytes(int64_t x) {
  return static_cast<size_t>(x) * 3;
}

}  // namespace

void MaskedBlend(const uint8_t* destination, const uint8_t* colour, const uint8_t* mask,
                 uint8_t* output, size_t bytes) {
  const size_t done = blending::MaskedBlendFast(destination, colour, mask, output, bytes);
  blending::MaskedBlendTail(destination, colour, mask, output, done, bytes);
}

void MaskMix(const Bitmap24& oldPicture, const Bitmap24& newPicture, const Bitmap24& mask,
             Bitmap24& output) {
  if (!SameSize(oldPicture, newPicture) || !SameSize(oldPicture, mask) ||
      !SameSize(oldPicture, output)) {
    return;
  }
  blending::MaskMixRun(oldPicture.Data(), newPicture.Data(), mask.Data(), output.Data(),
                       output.SizeBytes());
}

void WeightedMix(const uint8_t* first, const uint8_t* second, int weight, uint8_t* output,
                 size_t bytes) {
  blending::WeightedMixRun(first, second, ClampWeight(weight), output, bytes);
}

void TileMix(const Bitmap24& previous, const Bitmap24& stage, int x, int y, int weight,
             Bitmap24& work) {
  constexpr int kTileWidth = 80;
  constexpr int kTileHeight = 60;
  if (!SameSize(previous, stage) || !SameSize(previous, work)) return;
  const Placement placed = Place(x, y, kTileWidth, kTileHeight, work.Width(), work.Height());
  if (placed.target.Empty()) return;
  const Span& tile = placed.target;
  const size_t offset = ColumnBytes(tile.x);
  for (int64_t row = tile.y; row < tile.y + tile.height; ++row) {
    const int r = static_cast<int>(row);
    WeightedMix(previous.Row(r) + offset, stage.Row(r) + offset, weight, work.Row(r) + offset,
                ColumnBytes(tile.width));
  }
}

void Darken(const Bitmap24& source, Bitmap24& destination, int factor) {
  destination.Resize(source.Width(), source.Height());
  blending::DarkenRun(source.Data(), ClampWeight(factor), destination.Data(), source.SizeBytes());
}

int DarknessFactor(int32_t sixteenths) {
  return static_cast<int>(std::clamp<int64_t>(int64_t{sixteenths} * 16, INT32_MIN, INT32_MAX));
}

void SaturatingAdd(const uint8_t* a, const uint8_t* b, uint8_t* output, size_t bytes) {
  blending::SaturatingAddRun(a, b, output, bytes);
}

void SaturatingAdd(const Bitmap24& a, const Bitmap24& b, Bitmap24& output) {
  if (!SameSize(a, b) || !SameSize(a, output)) return;
  blending::SaturatingAddRun(a.Data(), b.Data(), output.Data(), output.SizeBytes());
}

void MaskedDraw(Bitmap24& destination, const Bitmap24& face, const Bitmap24& mask, int top,
                int left) {
  if (!SameSize(face, mask)) return;
  const Placement placed =
      Place(left, top, face.Width(), face.Height(), destination.Width(), destination.Height());
  if (placed.target.Empty()) return;
  const Span& target = placed.target;
  // Only whole groups of eight pixels blend; the rest of a row subtracts the mask and adds the
  // face. The two rules give different colours, and the character pictures of the games were
  // made to look right with exactly this split.
  const size_t blended = ColumnBytes(target.width / 8 * 8);
  const size_t rowBytes = ColumnBytes(target.width);
  for (int64_t row = 0; row < target.height; ++row) {
    uint8_t* out = destination.Row(static_cast<int>(target.y + row)) + ColumnBytes(target.x);
    const int sourceRow = static_cast<int>(placed.fromY + row);
    const uint8_t* colour = face.Row(sourceRow) + ColumnBytes(placed.fromX);
    const uint8_t* m = mask.Row(sourceRow) + ColumnBytes(placed.fromX);
    MaskedBlend(out, colour, m, out, blended);
    for (size_t i = blended; i < rowBytes; ++i) {
      const int cut = std::max(0, out[i] - m[i]);
      out[i] = static_cast<uint8_t>(std::min(255, cut + colour[i]));
    }
  }
}

void DrawSideBySideSprite(Bitmap24& destination, int x, const Bitmap24& sprite, int y,
                          Trace& trace) {
  const int64_t half = sprite.Width() / 2;
  if (x < 0 || y < 0 || int64_t{x} + half > destination.Width() ||
      int64_t{y} + sprite.Height() > destination.Height()) {
    trace.Write("ILLEGAL BMP");
    return;
  }
  // Counted in whole 8-byte groups, so up to seven bytes at each row's right end stay as they
  // were; the games' sprites were made to look right that way.
  const size_t bytes = GroupBytes(ColumnBytes(half) / 8);
  for (int row = 0; row < sprite.Height(); ++row) {
    const uint8_t* face = sprite.Row(row);
    uint8_t* out = destination.Row(y + row) + ColumnBytes(x);
    MaskedBlend(out, face, face + ColumnBytes(half), out, bytes);
  }
}

void DrawStackedSprite(Bitmap24& destination, int x, const Bitmap24& sprite, int y, Trace& trace) {
  const int half = sprite.Height() / 2;
  if (x < 0 || y < 0 || int64_t{x} + sprite.Width() > destination.Width() ||
      int64_t{y} + half > destination.Height()) {
    trace.Write("ILLEGAL BMP");
    return;
  }
  const size_t bytes = GroupBytes(ColumnBytes(sprite.Width()) / 8);
  for (int row = 0; row < half; ++row) {
    uint8_t* out = destination.Row(y + row) + ColumnBytes(x);
    MaskedBlend(out, sprite.Row(row), sprite.Row(half + row), out, bytes);
  }
}

}  // namespace tolven
