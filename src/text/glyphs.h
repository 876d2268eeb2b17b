#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/settings.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "text/glyph_cell.h"
#include "text/glyph_face.h"

namespace tolven {

struct TextRgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const TextRgb&) const = default;
};

// The nine text colours, chosen by index modulo 9.
TextRgb TextColourOf(int index);

// A character rendered without anti-aliasing, put as text output puts it with the line's top
// at y; whatever falls outside the target is left out.
void DrawMonoOutline(const GlyphBitmap& outline, int ascent, Bitmap24& target, int x, int y,
                     TextRgb colour);

// The glyph renderer: turns Shift-JIS characters into coverage cells, keeps them in a cache that
// is filled in advance with the kana, digits and common punctuation, and paints them onto 24-bit
// pictures as a soft black shadow plus the glyph in the text colour; or, with FONTAA = 1, as
// plain text with a hard black copy two pixels down and right. The text font is the one the
// settings name (FontName, FONTSIZE, FONTBOLD, FONTAA).
class Glyphs {
 public:
  static constexpr int kCacheCapacity = 1000;
  static constexpr uint32_t kFilledDiamond = 0x819F;  // ◆, drawn from "sys_gaiji"
  static constexpr uint32_t kHollowDiamond = 0x819E;  // ◇

  // No font and an empty cache until InitGlyphRenderer: every character draws as nothing.
  explicit Glyphs(const Settings& settings);
  Glyphs(const Archives& archives, const Settings& settings) : settings_(settings) {
    InitGlyphRenderer(archives);
  }
  ~Glyphs();

  // Loads "sys_gaiji" through the archives (a missing picture leaves both symbols empty), opens
  // the font, pre-renders the cache and sets the colour to white.
  void InitGlyphRenderer(const Archives& archives);

  // After any change of font name, size, bold setting or drawing method: empties the cache and
  // pre-renders it again.
  void RebuildGlyphCache();

  void SetTextColour(int index);

  // Prepares the character at the start of bytes (one byte, or a lead byte and its trail byte).
  void PrepareCharacter(std::string_view bytes);
  // Fills the glyph and shadow masks for a code (single byte, or lead << 8 | trail).
  void RenderGlyph(uint32_t code);

  // Paints the prepared character with its cell's top-left corner at (x, y); whatever falls
  // outside target is left out.
  void DrawGlyph(Bitmap24& target, int x, int y);
  // DrawGlyph onto the stage, then the cell's rectangle onto the screen unless message output
  // holds presentation.
  void DrawGlyphToScreen(Bitmap24& stageBuffer, PaintBox& pb, int x, int y, bool holdPresentation);
  // Sets the colour, then draws each character starting at 1-based byte index i at
  // (x + 12 * i, y); a byte of 0x80 or more takes the next byte as its trail byte.
  void DrawString(std::string_view text, int x, int y, Bitmap24& target, int colourIndex);

  // The size of the canvases' own text output, which the plain path draws with: message output
  // sets it by text mode and text size. Points at 96 DPI.
  void SetCanvasFontSize(int points);
  int CanvasFontSize() const { return canvasPoints_; }
  // Ruby readings are plain white text output 10 pixels high, with a font of their own so the
  // story text's size never changes under them.
  int RubyWidth(std::string_view reading) { return TextWidth(reading, kRubyPixelEm); }
  void DrawRuby(std::string_view reading, Bitmap24& target, int x, int y) {
    DrawText(reading, target, x, y, kRubyPixelEm, TextRgb{255, 255, 255});
  }

  // Plain text output in the text font's face at a pixel em of its own, hard-edged, with a
  // transparent background and the top of the line at y: the labels, lists and questions the
  // screens write on the game screen. Whatever falls outside target is left out.
  void DrawText(std::string_view text, Bitmap24& target, int x, int y, int pixelEm, TextRgb colour);
  // The width text output would advance over the text.
  int TextWidth(std::string_view text, int pixelEm);

  // State for message output and the state dump.
  TextRgb CurrentColour() const { return currentColour_; }
  int CacheSize() const { return static_cast<int>(cacheCodes_.size()); }
  // Characters FreeType was asked to render since construction, on either path.
  uint64_t RenderCount() const { return renderCount_; }
  // Times the colour source of the glyphs was refilled by SetTextColour.
  uint64_t ColourRefills() const { return colourRefills_; }
  bool HasFont() const { return face_.IsOpen(); }
  int PixelEm() const { return pixelEm_; }
  int Ascent() const { return face_.Ascent(); }
  bool PreparedIsGaiji() const { return gaiji_; }
  // The prepared character's coverage, each byte as a grey pixel (GlyphMask), and its shadow.
  const Bitmap24& GlyphMask() const { return glyphMask_; }
  const Bitmap24& ShadowMask() const { return shadowMask_; }

  // The codes pre-rendered after the two symbols, in their order.
  static const std::vector<uint32_t>& PreRenderList();

 private:
  void OpenFont();
  void StoreGaijiCells();
  bool RenderIntoCell(uint32_t code, GlyphCell& cell);
  // A cell and its shadow: the shadow depends on the coverage only, so it is cached with it.
  struct CachedGlyph {
    GlyphCell cell;
    GlyphCell shadow;
  };
  void SetMasks(const CachedGlyph& glyph);
  void DrawPlain(Bitmap24& target, int x, int y);
  // The character last rendered by face, as text output puts it with the line's top at y.
  void DrawMono(const GlyphFace& face, Bitmap24& target, int x, int y, TextRgb colour);

  const Settings& settings_;
  static constexpr int kRubyPixelEm = 10;
  // The text font's face at a size of plain text output, opened on first use.
  GlyphFace& PlainFace(int pixelEm);

  GlyphFace face_;
  GlyphFace canvasFace_;
  std::optional<FontFile> fontFile_;
  bool bold_ = false;
  std::vector<std::pair<int, std::unique_ptr<GlyphFace>>> plainFaces_;
  int canvasPoints_ = 22;  // the text font's size when the canvases are made
  Bitmap24 gaijiPicture_;
  int pixelEm_ = 0;

  std::vector<uint32_t> cacheCodes_;
  std::vector<CachedGlyph> cacheCells_;
  CachedGlyph work_{};
  GlyphBitmap outline_;

  Bitmap24 glyphMask_{kCellWidth, kCellHeight};
  Bitmap24 shadowMask_{kCellWidth, kCellHeight};
  Bitmap24 shadowFill_{kCellWidth, kCellHeight};  // black: the shadow's colour source
  Bitmap24 textFill_{kCellWidth, kCellHeight};    // the text colour: the glyph's colour source

  TextRgb currentColour_;
  bool colourSet_ = false;
  std::array<char, 3> currentCharacter_{};  // the plain path's character, zero-terminated
  bool gaiji_ = false;

  uint64_t renderCount_ = 0;
  uint64_t colourRefills_ = 0;
};

}  // namespace tolven
