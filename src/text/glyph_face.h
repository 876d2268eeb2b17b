#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "text/font_lookup.h"

namespace tolven {

// A rendered glyph: one byte per pixel, rows from the top, width bytes a row. left and top
// place the bitmap against the pen position on the baseline (top counts up from the baseline).
struct GlyphBitmap {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> pixels;
};

// One face of one font file at one pixel size, rendered with FreeType.
class GlyphFace {
 public:
  GlyphFace();
  ~GlyphFace();
  GlyphFace(const GlyphFace&) = delete;
  GlyphFace& operator=(const GlyphFace&) = delete;

  // Closes the face first; false, with no face open, when the file cannot be read or the size
  // is not positive. bold widens each stroke by one pixel to the right, as a font without a
  // bold design is emboldened.
  bool Open(const FontFile& file, int pixelEm, bool bold);
  bool IsOpen() const;
  // Another size of the open face, without reading the file again.
  bool SetPixelEm(int pixelEm);
  // Pixels from the top of a line of text to the baseline.
  int Ascent() const { return ascent_; }

  // Coverage in 65 levels (0-64). False for a character the face lacks or whose outline is
  // empty (blanks).
  bool RenderGrey(char32_t character, GlyphBitmap& bitmap);
  // Coverage 0 or 1, without anti-aliasing.
  bool RenderMono(char32_t character, GlyphBitmap& bitmap);
  // How far text output moves on after the character, in whole pixels; 0 when it is missing.
  int Advance(char32_t character);

 private:
  struct FreeType;
  void ReadAscent();
  bool Render(char32_t character, bool mono, GlyphBitmap& bitmap);

  std::unique_ptr<FreeType> freeType_;
  int ascent_ = 0;
  bool bold_ = false;
};

// Font sizes are points at 96 DPI: the pixel em, rounded half away from zero as MulDiv does.
constexpr int PointsToPixelEm(int points) {
  const int scaled = points * 96;
  return scaled >= 0 ? (scaled + 36) / 72 : -((-scaled + 36) / 72);
}

}  // namespace tolven
