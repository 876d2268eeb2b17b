#include "text/glyph_cell.h"

namespace tolven {

GlyphCell ShadowOf(const GlyphCell& cell) {
  GlyphCell shadow{};
  auto at = [&cell](int row, int column) { return int{cell[row * kCellWidth + column]}; };
  for (int i = 1; i <= kCellHeight - 2; ++i) {
    for (int j = 1; j <= kCellWidth - 2; ++j) {
      const int sum = at(i - 1, j) + at(i, j - 1) + at(i, j + 1) + at(i + 1, j);
      shadow[(i + 1) * kCellWidth + j] = static_cast<uint8_t>(sum >> 2);
    }
  }
  return shadow;
}

}  // namespace tolven
