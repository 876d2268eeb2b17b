#include "screens/screen_text.h"

#include <algorithm>

#include "text/cp932_table.h"
#include "text/font_lookup.h"

namespace tolven {
namespace {

void FillBox(Bitmap24& target, int left, int top, int width, int height, TextRgb colour) {
  const int x0 = std::max(left, 0);
  const int x1 = std::min(left + width, target.Width());
  for (int y = std::max(top, 0); y < std::min(top + height, target.Height()); ++y) {
    uint8_t* p = target.Row(y) + 3 * static_cast<size_t>(x0);
    for (int x = x0; x < x1; ++x, p += 3) {
      p[0] = colour.blue;
      p[1] = colour.green;
      p[2] = colour.red;
    }
  }
}

}  // namespace

ScreenText::ScreenText(const std::string& faceName, int pixelEm, bool bold) : pixelEm_(pixelEm) {
  if (const std::optional<FontFile> file = FindFontFace(faceName)) face_.Open(*file, pixelEm, bold);
}

int ScreenText::Width(std::string_view text) {
  if (!HasFont()) return 0;
  int width = 0;
  ForEachCode(text, [&](uint32_t code) { width += face_.Advance(Cp932ToUnicode(code)); });
  return width;
}

void ScreenText::Draw(std::string_view text, Bitmap24& target, int x, int y, TextRgb colour,
                      std::optional<TextRgb> background) {
  if (!HasFont()) return;
  if (background) FillBox(target, x, y, Width(text), pixelEm_, *background);
  ForEachCode(text, [&](uint32_t code) {
    const char32_t character = Cp932ToUnicode(code);
    if (face_.RenderMono(character, outline_))
      DrawMonoOutline(outline_, face_.Ascent(), target, x, y, colour);
    x += face_.Advance(character);
  });
}

}  // namespace tolven
