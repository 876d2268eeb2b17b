#include "text/glyphs.h"

#include <algorithm>
#include <cstring>

#include "base/text_encoding.h"
#include "graphics/blending.h"
#include "resources/picture_loader.h"
#include "text/cp932_table.h"
#include "text/font_lookup.h"

namespace tolven {
namespace {

constexpr TextRgb kTextColours[9] = {
    {255, 255, 255}, {0, 128, 0},   {255, 0, 0},     {0, 255, 255},   {255, 255, 0},
    {0, 0, 255},     {128, 0, 128}, {192, 192, 192}, {255, 160, 160},
};

// The face used when the one asked for is not installed, as the Windows font mapper would
// always find some face: the default text face.
constexpr const char* kFallbackFace = "ＭＳ 明朝";

// The outline buffer of the Windows font interface held 1120 bytes for a cell; a glyph whose
// grey bitmap (rows padded to 4 bytes) needs that much or more was never drawn.
constexpr size_t kOutlineLimit = 1120;

constexpr int kGaijiSize = 24;
constexpr int kGaijiOffset = 2;  // the symbol's place in its cell, in both directions
// Single-byte characters are drawn 12 pixels apart by DrawString.
constexpr int kStringPitch = 12;

void FillCell(Bitmap24& bitmap, TextRgb colour) {
  uint8_t* p = bitmap.Data();
  for (size_t i = 0; i < bitmap.SizeBytes(); i += 3) {
    p[i] = colour.blue;
    p[i + 1] = colour.green;
    p[i + 2] = colour.red;
  }
}

void CellToMask(const GlyphCell& cell, Bitmap24& mask) {
  uint8_t* p = mask.Data();
  for (size_t i = 0; i < cell.size(); ++i) {
    p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = cell[i];
  }
}

// One cell row blended onto a target row through a mask row, with the parts of the cell that
// fall outside the target left out.
void BlendCellRow(Bitmap24& target, int x, int y, const uint8_t* colourRow,
                  const uint8_t* maskRow) {
  if (y < 0 || y >= target.Height()) return;
  const int start = std::max(0, x);
  const int end = std::min(target.Width(), x + kCellWidth);
  if (start >= end) return;
  const size_t skip = 3 * static_cast<size_t>(start - x);
  uint8_t* row = target.Row(y) + 3 * static_cast<size_t>(start);
  MaskedBlend(row, colourRow + skip, maskRow + skip, row, 3 * static_cast<size_t>(end - start));
}

std::vector<uint32_t> BuildPreRenderList() {
  std::vector<uint32_t> codes;
  auto range = [&codes](uint32_t first, uint32_t last) {
    for (uint32_t code = first; code <= last; ++code) codes.push_back(code);
  };
  range(0x829F, 0x82F1);  // hiragana
  range(0x8340, 0x8396);  // katakana
  range(0x824F, 0x8258);  // full-width digits
  // Blank, brackets, parentheses, ellipsis, full stop and comma, middle dot, ! ? 日, white
  // brackets.
  for (uint32_t code : {0x8140, 0x8175, 0x8176, 0x8169, 0x816A, 0x8163, 0x8142, 0x8141, 0x8145,
                        0x8149, 0x8148, 0x93FA, 0x8177, 0x8178}) {
    codes.push_back(code);
  }
  return codes;
}

}  // namespace

TextRgb TextColourOf(int index) {
  return kTextColours[(index % 9 + 9) % 9];
}

const std::vector<uint32_t>& Glyphs::PreRenderList() {
  static const std::vector<uint32_t> codes = BuildPreRenderList();
  return codes;
}

Glyphs::Glyphs(const Settings& settings) : settings_(settings) {
  SetTextColour(0);
}

Glyphs::~Glyphs() = default;

void Glyphs::InitGlyphRenderer(const Archives& archives) {
  cacheCodes_.reserve(kCacheCapacity);
  cacheCells_.reserve(kCacheCapacity);
  PictureLoader(archives).LoadPicture("sys_gaiji", gaijiPicture_);
  RebuildGlyphCache();
  SetTextColour(1);
  SetTextColour(0);
}

void Glyphs::OpenFont() {
  pixelEm_ = PointsToPixelEm(settings_.FONTSIZE);
  const std::string name = ShiftJisToUtf8(settings_.FontName).value_or(settings_.FontName);
  fontFile_ = FindFontFace(name);
  if (!fontFile_) fontFile_ = FindFontFace(kFallbackFace);
  bold_ = settings_.FONTBOLD != 0;
  plainFaces_.clear();
  if (!fontFile_ || !face_.Open(*fontFile_, pixelEm_, bold_)) {
    fontFile_.reset();
    face_.Open({}, 0, false);
    canvasFace_.Open({}, 0, false);
    return;
  }
  canvasFace_.Open(*fontFile_, PointsToPixelEm(canvasPoints_), bold_);
}

GlyphFace& Glyphs::PlainFace(int pixelEm) {
  for (auto& [em, face] : plainFaces_) {
    if (em == pixelEm) return *face;
  }
  auto face = std::make_unique<GlyphFace>();
  if (fontFile_) face->Open(*fontFile_, pixelEm, bold_);
  plainFaces_.emplace_back(pixelEm, std::move(face));
  return *plainFaces_.back().second;
}

void Glyphs::SetCanvasFontSize(int points) {
  if (points == canvasPoints_) return;
  canvasPoints_ = points;
  canvasFace_.SetPixelEm(PointsToPixelEm(points));
}

int Glyphs::TextWidth(std::string_view text, int pixelEm) {
  GlyphFace& face = PlainFace(pixelEm);
  int width = 0;
  ForEachCode(text, [&](uint32_t code) { width += face.Advance(Cp932ToUnicode(code)); });
  return width;
}

void Glyphs::DrawText(std::string_view text, Bitmap24& target, int x, int y, int pixelEm,
                      TextRgb colour) {
  GlyphFace& face = PlainFace(pixelEm);
  ForEachCode(text, [&](uint32_t code) {
    const char32_t character = Cp932ToUnicode(code);
    if (face.RenderMono(character, outline_)) DrawMono(face, target, x, y, colour);
    x += face.Advance(character);
  });
}

void Glyphs::RebuildGlyphCache() {
  OpenFont();
  cacheCodes_.clear();
  cacheCells_.clear();
  StoreGaijiCells();
  for (uint32_t code : PreRenderList()) RenderGlyph(code);
}

void Glyphs::StoreGaijiCells() {
  for (int k = 0; k < 2; ++k) {
    GlyphCell cell{};
    for (int r = 0; r < kGaijiSize && r < gaijiPicture_.Height(); ++r) {
      for (int c = 0; c < kGaijiSize; ++c) {
        const int x = kGaijiSize * k + c;
        if (x >= gaijiPicture_.Width()) break;
        cell[(kGaijiOffset + r) * kCellWidth + kGaijiOffset + c] = gaijiPicture_.Row(r)[3 * x];
      }
    }
    cacheCodes_.push_back(k == 0 ? kFilledDiamond : kHollowDiamond);
    cacheCells_.push_back({cell, ShadowOf(cell)});
  }
}

void Glyphs::SetTextColour(int index) {
  const TextRgb colour = TextColourOf(index);
  if (colourSet_ && colour == currentColour_) return;
  colourSet_ = true;
  currentColour_ = colour;
  FillCell(textFill_, colour);
  ++colourRefills_;
}

void Glyphs::PrepareCharacter(std::string_view bytes) {
  if (bytes.empty()) return;
  const auto lead = static_cast<uint8_t>(bytes[0]);
  const size_t length = IsLeadByte(lead) && bytes.size() > 1 ? 2 : 1;
  const uint32_t code =
      length == 2 ? uint32_t{lead} << 8 | static_cast<uint8_t>(bytes[1]) : uint32_t{lead};
  gaiji_ = code == kFilledDiamond || code == kHollowDiamond;
  if (settings_.FONTAA == 0 || gaiji_) {
    RenderGlyph(code);
    return;
  }
  currentCharacter_.fill('\0');
  std::memcpy(currentCharacter_.data(), bytes.data(), length);
}

void Glyphs::RenderGlyph(uint32_t code) {
  const auto hit = std::find(cacheCodes_.begin(), cacheCodes_.end(), code);
  if (hit != cacheCodes_.end()) {
    SetMasks(cacheCells_[static_cast<size_t>(hit - cacheCodes_.begin())]);
    return;
  }
  if (!RenderIntoCell(code, work_.cell)) {
    work_.cell.fill(0);
    work_.shadow.fill(0);
    SetMasks(work_);
    return;
  }
  work_.shadow = ShadowOf(work_.cell);
  if (cacheCodes_.size() < kCacheCapacity) {
    cacheCodes_.push_back(code);
    cacheCells_.push_back(work_);
  }
  SetMasks(work_);
}

bool Glyphs::RenderIntoCell(uint32_t code, GlyphCell& cell) {
  const char32_t character = Cp932ToUnicode(code);
  if (character == 0 || !face_.IsOpen()) return false;
  ++renderCount_;
  if (!face_.RenderGrey(character, outline_)) return false;
  const size_t paddedRow = (static_cast<size_t>(outline_.width) + 3) & ~size_t{3};
  if (paddedRow * static_cast<size_t>(outline_.rows) >= kOutlineLimit) return false;
  cell.fill(0);
  // Placed as the glyph's origin and the font's ascent put it; what falls outside the cell is
  // not kept.
  const int top = 2 + face_.Ascent() - outline_.top;
  for (int r = 0; r < outline_.rows; ++r) {
    const int row = top + r;
    if (row < 0 || row >= kCellHeight) continue;
    for (int c = 0; c < outline_.width; ++c) {
      const int column = outline_.left + c;
      if (column < 0 || column >= kCellWidth) continue;
      cell[row * kCellWidth + column] =
          GreyLevelToCoverage(outline_.pixels[static_cast<size_t>(r) * outline_.width + c]);
    }
  }
  return true;
}

void Glyphs::SetMasks(const CachedGlyph& glyph) {
  CellToMask(glyph.cell, glyphMask_);
  CellToMask(glyph.shadow, shadowMask_);
}

void Glyphs::DrawGlyph(Bitmap24& target, int x, int y) {
  if (settings_.FONTAA != 0 && !gaiji_) {
    DrawPlain(target, x, y);
    return;
  }
  for (int i = 0; i < kCellHeight; ++i) {
    BlendCellRow(target, x + 1, y + i, shadowFill_.Row(i), shadowMask_.Row(i));
  }
  for (int i = 0; i < kCellHeight; ++i) {
    BlendCellRow(target, x, y + i, textFill_.Row(i), glyphMask_.Row(i));
  }
}

void Glyphs::DrawPlain(Bitmap24& target, int x, int y) {
  const auto lead = static_cast<uint8_t>(currentCharacter_[0]);
  if (lead == 0) return;
  const uint32_t code = currentCharacter_[1] != '\0'
                            ? uint32_t{lead} << 8 | static_cast<uint8_t>(currentCharacter_[1])
                            : uint32_t{lead};
  const char32_t character = Cp932ToUnicode(code);
  if (character == 0 || !canvasFace_.IsOpen()) return;
  ++renderCount_;
  if (!canvasFace_.RenderMono(character, outline_)) return;
  DrawMono(canvasFace_, target, x + 2, y + 2, TextRgb{});
  DrawMono(canvasFace_, target, x, y, currentColour_);
}

void Glyphs::DrawMono(const GlyphFace& face, Bitmap24& target, int x, int y, TextRgb colour) {
  DrawMonoOutline(outline_, face.Ascent(), target, x, y, colour);
}

void DrawMonoOutline(const GlyphBitmap& outline, int ascent, Bitmap24& target, int x, int y,
                     TextRgb colour) {
  // Text output puts the top of the line at y, so the baseline is the ascent below it.
  const int top = y + ascent - outline.top;
  for (int r = 0; r < outline.rows; ++r) {
    const int row = top + r;
    if (row < 0 || row >= target.Height()) continue;
    for (int c = 0; c < outline.width; ++c) {
      const int column = x + outline.left + c;
      if (column < 0 || column >= target.Width()) continue;
      if (outline.pixels[static_cast<size_t>(r) * outline.width + c] == 0) continue;
      uint8_t* p = target.Row(row) + 3 * static_cast<size_t>(column);
      p[0] = colour.blue;
      p[1] = colour.green;
      p[2] = colour.red;
    }
  }
}

void Glyphs::DrawGlyphToScreen(Bitmap24& stageBuffer, PaintBox& pb, int x, int y,
                               bool holdPresentation) {
  DrawGlyph(stageBuffer, x, y);
  if (holdPresentation) return;
  const Bitmap24& screen = pb.Picture();
  const int left = std::max(0, x);
  const int right = std::min({x + kCellWidth, stageBuffer.Width(), screen.Width()});
  const int topRow = std::max(0, y);
  const int bottom = std::min({y + kCellHeight, stageBuffer.Height(), screen.Height()});
  if (left >= right || topRow >= bottom) return;
  Bitmap24& picture = pb.Draw(left, topRow, right - left, bottom - topRow);
  const size_t bytes = 3 * static_cast<size_t>(right - left);
  for (int row = topRow; row < bottom; ++row) {
    std::memcpy(picture.Row(row) + 3 * static_cast<size_t>(left),
                stageBuffer.Row(row) + 3 * static_cast<size_t>(left), bytes);
  }
}

void Glyphs::DrawString(std::string_view text, int x, int y, Bitmap24& target, int colourIndex) {
  SetTextColour(colourIndex);
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = i;
    i += static_cast<uint8_t>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
    PrepareCharacter(text.substr(start, i - start));
    DrawGlyph(target, x + kStringPitch * static_cast<int>(start + 1), y);
  }
}

}  // namespace tolven
