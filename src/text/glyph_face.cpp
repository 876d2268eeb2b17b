#include "text/glyph_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

namespace tolven {

struct GlyphFace::FreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;

  ~FreeType() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

GlyphFace::GlyphFace() : freeType_(std::make_unique<FreeType>()) {
  if (FT_Init_FreeType(&freeType_->library) != 0) freeType_->library = nullptr;
}

GlyphFace::~GlyphFace() = default;

bool GlyphFace::IsOpen() const {
  return freeType_->face != nullptr;
}

bool GlyphFace::Open(const FontFile& file, int pixelEm, bool bold) {
  if (freeType_->face != nullptr) {
    FT_Done_Face(freeType_->face);
    freeType_->face = nullptr;
  }
  ascent_ = 0;
  bold_ = bold;
  if (freeType_->library == nullptr || pixelEm <= 0) return false;
  FT_Face face = nullptr;
  if (FT_New_Face(freeType_->library, file.path.c_str(), file.index, &face) != 0) return false;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelEm)) != 0) {
    FT_Done_Face(face);
    return false;
  }
  freeType_->face = face;
  ReadAscent();
  return true;
}

bool GlyphFace::SetPixelEm(int pixelEm) {
  if (freeType_->face == nullptr || pixelEm <= 0) return false;
  if (FT_Set_Pixel_Sizes(freeType_->face, 0, static_cast<FT_UInt>(pixelEm)) != 0) return false;
  ReadAscent();
  return true;
}

// Text metrics of the Windows font interface take the ascent from the OS/2 table's Windows
// ascender; FreeType's own figure (from hhea) can differ by a pixel and move every glyph.
void GlyphFace::ReadAscent() {
  FT_Face face = freeType_->face;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF) {
    ascent_ =
        static_cast<int>((FT_MulFix(os2->usWinAscent, face->size->metrics.y_scale) + 32) >> 6);
  } else {
    ascent_ = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
  }
}

int GlyphFace::Advance(char32_t character) {
  FT_Face face = freeType_->face;
  if (face == nullptr || character == 0) return 0;
  const FT_UInt index = FT_Get_Char_Index(face, character);
  if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP) != 0) return 0;
  return static_cast<int>((face->glyph->advance.x + 32) >> 6);
}

bool GlyphFace::RenderGrey(char32_t character, GlyphBitmap& bitmap) {
  return Render(character, false, bitmap);
}

bool GlyphFace::RenderMono(char32_t character, GlyphBitmap& bitmap) {
  return Render(character, true, bitmap);
}

bool GlyphFace::Render(char32_t character, bool mono, GlyphBitmap& bitmap) {
  FT_Face face = freeType_->face;
  if (face == nullptr || character == 0) return false;
  const FT_UInt index = FT_Get_Char_Index(face, character);
  if (index == 0) return false;
  // Outlines only: the coverage levels and the emboldening are defined on outlines, and some
  // faces carry small embedded bitmaps that would bypass both.
  const FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(face, index, flags) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  if (bold_) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
    return false;
  }
  const FT_Bitmap& source = slot->bitmap;
  if (source.width == 0 || source.rows == 0) return false;
  bitmap.left = slot->bitmap_left;
  bitmap.top = slot->bitmap_top;
  bitmap.width = static_cast<int>(source.width);
  bitmap.rows = static_cast<int>(source.rows);
  bitmap.pixels.assign(static_cast<size_t>(bitmap.width) * bitmap.rows, 0);
  for (int r = 0; r < bitmap.rows; ++r) {
    const uint8_t* row = source.buffer + static_cast<ptrdiff_t>(r) * source.pitch;
    uint8_t* out = bitmap.pixels.data() + static_cast<size_t>(r) * bitmap.width;
    for (int c = 0; c < bitmap.width; ++c) {
      if (source.pixel_mode == FT_PIXEL_MODE_MONO) {
        out[c] = (row[c >> 3] >> (7 - (c & 7))) & 1;
      } else {
        // FreeType's 256 levels onto the 65 of the Windows grey bitmaps, rounded.
        out[c] = static_cast<uint8_t>((row[c] * 64 + 127) / 255);
      }
    }
  }
  return true;
}

}  // namespace tolven
