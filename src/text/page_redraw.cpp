#include "text/page_redraw.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "graphics/picture_copy.h"

namespace tolven {
namespace {

struct PageLayout {
  int lines, pitch, left, top;
};
constexpr PageLayout kWindowLayout{4, 40, 8, 438};
constexpr PageLayout kFullScreenLayout{16, 38, 20, 32};
constexpr int kLineBytes = 54;
constexpr int kColumnPitch = 14;

}  // namespace

// Each character is drawn in a scratch cell holding the stage under it and put back, so a
// shadow reaching past the cell is cut off there, as when the page was first drawn. A line's
// ruby readings go first, as they were printed before its characters.
void RedrawTextPage(Glyphs& glyphs, const MessageOutput& page, bool fullScreenText,
                    Bitmap24& stage) {
  if (page.PageEmpty()) return;
  const PageLayout& layout = fullScreenText ? kFullScreenLayout : kWindowLayout;
  Bitmap24 scratch(kCellWidth, kCellHeight);
  const auto& bytes = page.PageBytes();
  const auto& colours = page.PageColours();
  const std::vector<PageRuby> rubies = page.PageRubies();
  for (int line = 0; line < std::min(layout.lines, kPageBufferRows); ++line) {
    for (const PageRuby& ruby : rubies) {
      if (ruby.row != line) continue;
      const RubyPosition at = MessageOutput::PlaceRuby(
          fullScreenText, ruby.column, ruby.row, ruby.count, glyphs.RubyWidth(ruby.reading) / 2);
      glyphs.DrawRuby(ruby.reading, stage, at.x, at.y);
    }
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
        CopyRect(stage, x, y, kCellWidth, kCellHeight, scratch, 0, 0);
        glyphs.DrawGlyph(scratch, 0, 0);
        CopyRect(scratch, 0, 0, kCellWidth, kCellHeight, stage, x, y);
      }
      column += length;
    }
  }
}

}  // namespace tolven
