#pragma once

#include <array>
#include <cstdint>

namespace tolven {

// A glyph's coverage: 32 pixels wide, 35 rows, one byte a pixel (0 empty, 255 full), row-major.
inline constexpr int kCellWidth = 32;
inline constexpr int kCellHeight = 35;
using GlyphCell = std::array<uint8_t, kCellWidth * kCellHeight>;

// A level of 65-level coverage (0-64) as a cell byte: faint edges are lifted so thin strokes
// stay visible on busy pictures.
constexpr uint8_t GreyLevelToCoverage(int level) {
  if (level <= 0) return 0;
  const int value = 3 * level + 90;
  return static_cast<uint8_t>(value < 255 ? value : 255);
}

// The drop shadow of a cell: each inner pixel's four neighbours averaged (the pixel itself not
// counted), moved one row down; the border stays empty.
GlyphCell ShadowOf(const GlyphCell& cell);

}  // namespace tolven
