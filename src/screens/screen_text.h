#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "resources/bitmap24.h"
#include "text/glyph_face.h"
#include "text/glyphs.h"

namespace tolven {

// Text the screens write straight onto a picture in a face of their own choosing (the rolls'
// serif, the credits' and the shop's gothic), not in the story's text font: hard-edged, with
// the top of the line at y, as the window system's plain text output puts it. A face that is
// not installed writes nothing, as a game shown without its fonts would.
class ScreenText {
 public:
  // faceName as the screens name it, in UTF-8 ("ＭＳ 明朝"); pixelEm the height of the face.
  ScreenText(const std::string& faceName, int pixelEm, bool bold = false);

  bool HasFont() const { return face_.IsOpen(); }
  int LineHeight() const { return pixelEm_; }
  // How far the text advances, in pixels (Shift-JIS text).
  int Width(std::string_view text);
  // With a background the box of the text (its width by the line height) is filled with it
  // first; without, only the strokes are drawn. Whatever falls outside the target is left out.
  void Draw(std::string_view text, Bitmap24& target, int x, int y, TextRgb colour,
            std::optional<TextRgb> background = std::nullopt);

 private:
  GlyphFace face_;
  GlyphBitmap outline_;
  int pixelEm_;
};

}  // namespace tolven
