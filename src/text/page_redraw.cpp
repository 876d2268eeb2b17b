#include "text/page_redraw.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tolven {
namespace {

struct PageLayout {
  int lines, pitch, left, top;
};
constexpr PageLayout kWindowLayout{4, 40, 8, 438};
constexpr PageLayout kFullScreenLayout{16, 38, 20, 32};
constexpr int kLineBytes = 54;
constexpr int kColumnPitch = 14;

// Copies a cell-sized rectangle between the stage and the scratch cell, cut to the stage.
void CopyCell(const Bitmap24& from, int fromX, int fromY, Bitmap24& to, int toX, int toY) {
  for (int y = 0; y < kCellHeight; ++y) {
    const int sourceY = fromY + y;
    const int targetY = toY + y;
    if (sourceY < 0 || sourceY >= from.Height() || targetY < 0 || targetY >= to.Height()) continue;
    for (int x = 0; x < kCellWidth; ++x) {
      const int sourceX = fromX + x;
      const int targetX = toX + x;
      if (sourceX < 0 || sourceX >= from.Width() || targetX < 0 || targetX >= to.Width()) continue;
      std::memcpy(to.Row(targetY) + 3 * targetX, from.Row(sourceY) + 3 * sourceX, 3);
    }
  }
}

}  // namespace

// Each character is drawn in a scratch cell holding the stage under it and put back, so a
// shadow reaching past the cell is cut off there, as when the page was first drawn.
void RedrawTextPage(Glyphs& glyphs, const MessageOutput& page, bool fullScreenText,
                    Bitmap24& stage) {
  if (page.PageEmpty()) return;
  const PageLayout& layout = fullScreenText ? kFullScreenLayout : kWindowLayout;
  Bitmap24 scratch(kCellWidth, kCellHeight);
  const auto& bytes = page.PageBytes();
  const auto& colours = page.PageColours();
  for (int line = 0; line < std::min(layout.lines, kPageBufferRows); ++line) {
    const size_t rowStart = static_cast<size_t>(line) * kPageBufferColumns;
    for (int column = 0; column < kLineBytes;) {
      const uint8_t byte = bytes[rowStart + column];
      const int length = byte >= 0x80 && column + 1 < kPageBufferColumns ? 2 : 1;
      if (byte != 0) {
        glyphs.SetTextColour(colours[rowStart + column]);
        glyphs.PrepareCharacter(std::string_view(
            reinterpret_cast<const char*>(bytes.data() + rowStart + column), length));
        const int x = layout.left + kColumnPitch * column;
        const int y = layout.top + layout.pitch * line;
        CopyCell(stage, x, y, scratch, 0, 0);
        glyphs.DrawGlyph(scratch, 0, 0);
        CopyCell(scratch, 0, 0, stage, x, y);
      }
      column += length;
    }
  }
}

}  // namespace tolven
