// The glyph renderer with the real fonts: placement in the cell, coverage levels, shadow, cache,
// colours, the two symbols from the system picture and the plain path.
#include "text/glyphs.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <deque>
#include <memory>
#include <set>
#include <utility>

#include "test_support.h"
#include "text/cp932_table.h"
#include "text/font_lookup.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝
const std::string kHiraganaA = "\x82\xa0";                        // あ
const std::string kIdeographicSpace = "\x81\x40";
const std::string kFilledDiamond = "\x81\x9f";  // ◆
const std::string kHollowDiamond = "\x81\x9e";  // ◇

// The hollow symbol of the test picture: a ramp through every kind of coverage.
uint8_t HollowCoverage(int column, int row) {
  return static_cast<uint8_t>((10 * column + row) % 256);
}

// "sys_gaiji": the filled symbol fully covered, the other a ramp; green and red carry noise
// that must not count as coverage.
Bitmap24 GaijiPicture() {
  Bitmap24 picture(48, 24);
  for (int r = 0; r < 24; ++r) {
    for (int x = 0; x < 48; ++x) {
      uint8_t* p = picture.Row(r) + 3 * x;
      p[0] = x < 24 ? 255 : HollowCoverage(x - 24, r);
      p[1] = 77;
      p[2] = 11;
    }
  }
  return picture;
}

Bitmap24 Filled(int width, int height, uint8_t value) {
  Bitmap24 picture(width, height);
  std::fill_n(picture.Data(), picture.SizeBytes(), value);
  return picture;
}

TextRgb PixelAt(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[2], p[1], p[0]};
}

int CoverageAt(const Bitmap24& mask, int column, int row) {
  return mask.Row(row)[3 * column];
}

int CoveredPixels(const Bitmap24& mask) {
  int count = 0;
  for (int r = 0; r < kCellHeight; ++r) {
    for (int c = 0; c < kCellWidth; ++c) count += CoverageAt(mask, c, r) != 0;
  }
  return count;
}

class GlyphsTest : public ::testing::Test {
 protected:
  GlyphsTest() {
    testing::WriteFileBytes(
        dir_ / "qe_gra.tvk",
        tools::BuildArchive(ArchiveLayout::B,
                            {{"SYS_GAIJI", tools::EncodePackedPicture(GaijiPicture())}}));
    archives_.LoadMediaIndexes();
    noPictures_.LoadMediaIndexes();
  }

  std::unique_ptr<Glyphs> Make(int fontAa = 0, int size = 21, int bold = 0,
                               const std::string& face = kMincho) {
    const Settings& settings =
        settings_.emplace_back(testing::FontSettings(face, size, bold, fontAa));
    return std::make_unique<Glyphs>(archives_, settings);
  }

  std::deque<Settings> settings_;  // one record for each renderer made, kept while it lives
  testing::TempDir dir_;
  Archives archives_{dir_.Path()};
  testing::TempDir emptyDir_;
  Archives noPictures_{emptyDir_.Path()};
};

// FreeType asked directly: where あ must land for a 21-point face whose top line is the
// Windows ascent, with 256 levels taken to 65 and lifted as the cells want them.
TEST_F(GlyphsTest, HiraganaSitsInTheCellAsOriginAndAscentPlaceIt) {
  const std::optional<FontFile> file = FindFontFamily("IPAMincho");
  ASSERT_TRUE(file.has_value());
  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Face(library, file->path.c_str(), file->index, &face), 0);
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 28), 0);  // 21 pt at 96 DPI
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  ASSERT_NE(os2, nullptr);
  const int ascent = static_cast<int>(std::lround(os2->usWinAscent * 28.0 / face->units_per_EM));
  ASSERT_EQ(FT_Load_Char(face, U'あ', FT_LOAD_NO_BITMAP | FT_LOAD_RENDER), 0);
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  const int top = 2 + ascent - face->glyph->bitmap_top;
  const int left = face->glyph->bitmap_left;
  GlyphCell expected{};
  for (unsigned r = 0; r < bitmap.rows; ++r) {
    for (unsigned c = 0; c < bitmap.width; ++c) {
      const int level =
          static_cast<int>(std::lround(bitmap.buffer[r * bitmap.pitch + c] * 64 / 255.0));
      ASSERT_LT(top + r, unsigned{kCellHeight});
      ASSERT_LT(left + c, unsigned{kCellWidth});
      expected[(top + r) * kCellWidth + left + c] =
          static_cast<uint8_t>(level == 0 ? 0 : std::min(3 * level + 90, 255));
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  auto glyphs = Make();
  EXPECT_EQ(glyphs->PixelEm(), 28);
  EXPECT_EQ(glyphs->Ascent(), ascent);
  glyphs->PrepareCharacter(kHiraganaA);
  int differences = 0;
  for (int r = 0; r < kCellHeight; ++r) {
    for (int c = 0; c < kCellWidth; ++c) {
      const uint8_t* p = glyphs->GlyphMask().Row(r) + 3 * c;
      EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << c << "," << r;
      differences += p[0] != expected[r * kCellWidth + c];
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_GT(CoveredPixels(glyphs->GlyphMask()), 100);
  const GlyphCell shadow = ShadowOf(expected);
  int shadowDifferences = 0;
  for (int r = 0; r < kCellHeight; ++r) {
    for (int c = 0; c < kCellWidth; ++c) {
      shadowDifferences += CoverageAt(glyphs->ShadowMask(), c, r) != shadow[r * kCellWidth + c];
    }
  }
  EXPECT_EQ(shadowDifferences, 0);

  // From the cache now, after another character: the same masks again.
  const Bitmap24 glyphMask = glyphs->GlyphMask();
  const Bitmap24 shadowMask = glyphs->ShadowMask();
  glyphs->PrepareCharacter("\x82\xa2");  // い
  glyphs->PrepareCharacter(kHiraganaA);
  EXPECT_EQ(glyphs->GlyphMask(), glyphMask);
  EXPECT_EQ(glyphs->ShadowMask(), shadowMask);
}

TEST(GlyphCellTest, GreyLevelsAreLiftedAndCapped) {
  const std::pair<int, int> table[] = {{0, 0},    {1, 93},   {2, 96},   {20, 150},
                                       {54, 252}, {55, 255}, {60, 255}, {64, 255}};
  for (auto [level, coverage] : table) EXPECT_EQ(GreyLevelToCoverage(level), coverage) << level;
}

TEST(GlyphCellTest, ShadowAveragesTheFourNeighboursOneRowLower) {
  struct Pixel {
    int row, column, value;
  };
  const struct {
    const char* what;
    std::vector<Pixel> cell;
    std::vector<Pixel> shadow;  // every other shadow pixel is 0
  } cases[] = {
      {"one inner pixel", {{10, 5, 200}}, {{10, 5, 50}, {12, 5, 50}, {11, 4, 50}, {11, 6, 50}}},
      {"top row: only the pixel below sees it", {{0, 5, 255}}, {{2, 5, 63}}},
      {"last column: only its left neighbour", {{5, 31, 255}}, {{6, 30, 63}}},
      {"last row reaches the shadow's last row", {{34, 5, 255}}, {{34, 5, 63}}},
      {"corner pixel is nobody's neighbour", {{0, 0, 255}}, {}},
      {"three full neighbours, the centre itself empty",
       {{9, 10, 255}, {10, 9, 255}, {10, 11, 255}},
       {{11, 10, 191},
        {10, 9, 127},
        {10, 11, 127},
        {9, 10, 63},
        {11, 8, 63},
        {11, 12, 63},
        {12, 9, 63},
        {12, 11, 63}}},
  };
  for (const auto& c : cases) {
    GlyphCell cell{};
    for (const Pixel& p : c.cell)
      cell[p.row * kCellWidth + p.column] = static_cast<uint8_t>(p.value);
    GlyphCell expected{};
    for (const Pixel& p : c.shadow) {
      expected[p.row * kCellWidth + p.column] = static_cast<uint8_t>(p.value);
    }
    EXPECT_EQ(ShadowOf(cell), expected) << c.what;
  }
}

// Code page 932, not plain Shift_JIS: the two differ at the backslash and the wave dash, and only
// the code page has the NEC rows.
TEST(Cp932TableTest, CodesMapAsTheWindowsCodePageDoes) {
  const struct {
    uint32_t code;
    char32_t character;
  } table[] = {
      {0x41, U'A'},    {0x5C, U'\\'},   {0x7E, U'~'},    {0xA1, U'｡'},    {0xDF, U'ﾟ'},
      {0x8140, U'　'}, {0x8160, U'～'}, {0x815F, U'＼'}, {0x829F, U'ぁ'}, {0x82A0, U'あ'},
      {0x8396, U'ヶ'}, {0x819F, U'◆'},  {0x93FA, U'日'}, {0x8740, U'①'},  {0x889F, U'亜'},
      {0x837F, 0},     {0x81FF, 0},     {0x85, 0},       {0x10000, 0},
  };
  for (const auto& c : table) {
    EXPECT_EQ(Cp932ToUnicode(c.code), c.character) << std::hex << c.code;
  }
}

TEST(GlyphCellTest, PointsBecomePixelEmsAt96Dpi) {
  const std::pair<int, int> table[] = {{9, 12}, {10, 13}, {11, 15}, {17, 23}, {21, 28}, {22, 29}};
  for (auto [points, pixels] : table) EXPECT_EQ(PointsToPixelEm(points), pixels) << points;
}

TEST_F(GlyphsTest, PreRenderedCodesAreNeverRenderedAgain) {
  auto glyphs = Make();
  EXPECT_EQ(Glyphs::PreRenderList().size(), 194u);
  // 194 codes and the two symbols, less the blank, which has no outline, and 0x837F inside the
  // katakana range, which is no character at all.
  EXPECT_EQ(glyphs->CacheSize(), 194);
  const uint64_t before = glyphs->RenderCount();
  for (uint32_t code : Glyphs::PreRenderList()) glyphs->RenderGlyph(code);
  EXPECT_EQ(glyphs->RenderCount(), before + 1);  // the blank, asked again
}

TEST_F(GlyphsTest, IdeographicSpaceDrawsNothingAndIsAskedForEveryTime) {
  auto glyphs = Make();
  const uint64_t renders = glyphs->RenderCount();
  const int cached = glyphs->CacheSize();
  Bitmap24 target = Filled(64, 48, 100);
  const Bitmap24 before = target;
  for (int i = 0; i < 3; ++i) {
    glyphs->PrepareCharacter(kIdeographicSpace);
    glyphs->DrawGlyph(target, 10, 5);
  }
  EXPECT_EQ(target, before);
  EXPECT_EQ(CoveredPixels(glyphs->GlyphMask()), 0);
  EXPECT_EQ(glyphs->RenderCount(), renders + 3);
  EXPECT_EQ(glyphs->CacheSize(), cached);
}

TEST_F(GlyphsTest, TheCacheStopsAtOneThousandAndLaterCharactersAreStillDrawn) {
  auto glyphs = Make();
  uint32_t code = 0x889F;  // the first kanji
  auto nextKanji = [&code]() {
    const uint32_t current = code;
    ++code;
    if ((code & 0xFF) == 0x7F) ++code;
    if ((code & 0xFF) > 0xFC) code = (code & 0xFF00) + 0x100 + 0x40;
    return current;
  };
  while (glyphs->CacheSize() < Glyphs::kCacheCapacity) glyphs->RenderGlyph(nextKanji());
  uint32_t extra = nextKanji();
  for (glyphs->RenderGlyph(extra); CoveredPixels(glyphs->GlyphMask()) == 0;
       glyphs->RenderGlyph(extra)) {
    extra = nextKanji();
  }
  const Bitmap24 drawn = glyphs->GlyphMask();
  EXPECT_EQ(glyphs->CacheSize(), Glyphs::kCacheCapacity);
  const uint64_t renders = glyphs->RenderCount();
  glyphs->RenderGlyph(extra);
  EXPECT_EQ(glyphs->RenderCount(), renders + 1) << "not cached, so rendered again";
  EXPECT_EQ(glyphs->GlyphMask(), drawn);

  auto fresh = Make();
  fresh->RenderGlyph(extra);
  EXPECT_EQ(fresh->GlyphMask(), drawn) << "the uncached glyph is the one a cache would hold";
}

TEST_F(GlyphsTest, NineColoursByIndexModuloNine) {
  const struct {
    int index;
    TextRgb colour;
  } table[] = {
      {0, {255, 255, 255}}, {1, {0, 128, 0}},     {2, {255, 0, 0}},   {3, {0, 255, 255}},
      {4, {255, 255, 0}},   {5, {0, 0, 255}},     {6, {128, 0, 128}}, {7, {192, 192, 192}},
      {8, {255, 160, 160}}, {9, {255, 255, 255}}, {10, {0, 128, 0}},  {17, {255, 160, 160}},
  };
  auto glyphs = Make();
  for (const auto& c : table) {
    Bitmap24 target = Filled(40, 40, 50);
    glyphs->SetTextColour(c.index);
    glyphs->PrepareCharacter(kFilledDiamond);
    glyphs->DrawGlyph(target, 0, 0);
    EXPECT_EQ(PixelAt(target, 12, 12), c.colour) << c.index;
    EXPECT_EQ(glyphs->CurrentColour(), c.colour) << c.index;
  }
}

TEST_F(GlyphsTest, SettingTheCurrentColourAgainDoesNotRefill) {
  auto glyphs = Make();
  EXPECT_EQ(glyphs->CurrentColour(), (TextRgb{255, 255, 255}));
  const uint64_t refills = glyphs->ColourRefills();
  glyphs->SetTextColour(0);
  glyphs->SetTextColour(9);
  EXPECT_EQ(glyphs->ColourRefills(), refills);
  glyphs->SetTextColour(2);
  glyphs->SetTextColour(2);
  glyphs->SetTextColour(11);
  EXPECT_EQ(glyphs->ColourRefills(), refills + 1);
  glyphs->SetTextColour(0);
  EXPECT_EQ(glyphs->ColourRefills(), refills + 2);
}

// ◆ fills its cell's columns 2-25, so the red run of a row shows where each character went.
TEST_F(GlyphsTest, DrawStringStartsAtXPlusTwelveAndAdvancesTwelvePerByte) {
  auto glyphs = Make();
  Bitmap24 target = Filled(120, 40, 100);
  glyphs->DrawString(kFilledDiamond + " " + kFilledDiamond, 5, 0, target, 2);
  std::vector<int> red;
  for (int x = 0; x < target.Width(); ++x) {
    if (PixelAt(target, x, 10) == TextRgb{255, 0, 0}) red.push_back(x);
  }
  std::vector<int> expected;
  for (int x = 5 + 12 + 2; x <= 5 + 12 + 25; ++x) expected.push_back(x);  // byte 1
  for (int x = 5 + 48 + 2; x <= 5 + 48 + 25; ++x) expected.push_back(x);  // byte 4
  EXPECT_EQ(red, expected);
  EXPECT_EQ(glyphs->CurrentColour(), (TextRgb{255, 0, 0}));
}

TEST_F(GlyphsTest, SymbolsComeFromTheSystemPictureOnBothPaths) {
  for (int fontAa : {0, 1}) {
    auto glyphs = Make(fontAa);
    const uint64_t renders = glyphs->RenderCount();
    glyphs->PrepareCharacter(kHollowDiamond);
    EXPECT_TRUE(glyphs->PreparedIsGaiji());
    int wrong = 0;
    for (int r = 0; r < kCellHeight; ++r) {
      for (int c = 0; c < kCellWidth; ++c) {
        const bool inside = r >= 2 && r < 26 && c >= 2 && c < 26;
        wrong +=
            CoverageAt(glyphs->GlyphMask(), c, r) != (inside ? HollowCoverage(c - 2, r - 2) : 0);
      }
    }
    EXPECT_EQ(wrong, 0) << "FONTAA " << fontAa;

    Bitmap24 target = Filled(40, 40, 100);
    glyphs->PrepareCharacter(kFilledDiamond);
    glyphs->DrawGlyph(target, 0, 0);
    for (int x : {2, 12, 25}) EXPECT_EQ(PixelAt(target, x, 12), (TextRgb{255, 255, 255})) << x;
    EXPECT_EQ(PixelAt(target, 1, 12), (TextRgb{100, 100, 100}));
    const TextRgb shadowEdge = PixelAt(target, 26, 12);  // beside the glyph: shadow only
    EXPECT_GT(shadowEdge.red, 0);
    EXPECT_LT(shadowEdge.red, 100);
    EXPECT_EQ(glyphs->RenderCount(), renders) << "FONTAA " << fontAa;
  }
}

TEST_F(GlyphsTest, WithoutTheSystemPictureTheSymbolsDrawNothing) {
  const Settings settings = testing::FontSettings(kMincho, 21, 0, 1);
  Glyphs glyphs(noPictures_, settings);
  const uint64_t renders = glyphs.RenderCount();
  Bitmap24 target = Filled(40, 40, 100);
  const Bitmap24 before = target;
  for (const std::string& symbol : {kFilledDiamond, kHollowDiamond}) {
    glyphs.PrepareCharacter(symbol);
    glyphs.DrawGlyph(target, 0, 0);
  }
  EXPECT_EQ(target, before);
  EXPECT_EQ(glyphs.RenderCount(), renders);
}

// Plain output: the character in the text colour over a black copy two pixels right and down,
// hard-edged, with nothing else touched.
TEST_F(GlyphsTest, PlainPathDrawsABlackCopyTwoPixelsDownAndRight) {
  auto glyphs = Make(1);
  glyphs->SetTextColour(2);
  Bitmap24 target = Filled(60, 60, 100);
  glyphs->PrepareCharacter(kHiraganaA);
  glyphs->DrawGlyph(target, 10, 10);
  std::set<std::pair<int, int>> red, black;
  int other = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      const TextRgb p = PixelAt(target, x, y);
      if (p == TextRgb{255, 0, 0}) {
        red.insert({x, y});
      } else if (p == TextRgb{0, 0, 0}) {
        black.insert({x, y});
      } else {
        other += p != TextRgb{100, 100, 100};
      }
    }
  }
  EXPECT_GT(red.size(), 50u);
  EXPECT_GT(black.size(), 10u);
  EXPECT_EQ(other, 0) << "no grey levels on the plain path";
  for (auto [x, y] : red) EXPECT_TRUE(red.count({x + 2, y + 2}) || black.count({x + 2, y + 2}));
  for (auto [x, y] : black) EXPECT_TRUE(red.count({x - 2, y - 2})) << x << "," << y;
  // A 28-pixel em below a 10-pixel top: the glyph sits inside the cell's rows.
  EXPECT_GE(red.begin()->first, 10);
}

TEST_F(GlyphsTest, FontChoicesChangeTheCell) {
  const struct {
    const char* what;
    int size;
    int bold;
    std::string face;
    bool drawn;
  } cases[] = {
      {"default", 21, 0, kMincho, true},
      {"largest size the dialog offers", 22, 0, kMincho, true},
      {"smallest", 10, 0, kMincho, true},
      {"bold", 21, 1, kMincho, true},
      {"an unknown face falls back to the default face", 21, 0, "Nonexistent Face", true},
      {"a bitmap of 1120 bytes or more is never drawn", 40, 0, kMincho, false},
  };
  auto regular = Make();
  regular->PrepareCharacter(kHiraganaA);
  const int regularCoverage = CoveredPixels(regular->GlyphMask());
  for (const auto& c : cases) {
    auto glyphs = Make(0, c.size, c.bold, c.face);
    EXPECT_TRUE(glyphs->HasFont()) << c.what;
    glyphs->PrepareCharacter(kHiraganaA);
    const int coverage = CoveredPixels(glyphs->GlyphMask());
    EXPECT_EQ(coverage > 0, c.drawn) << c.what;
    if (c.bold != 0) {
      EXPECT_GT(coverage, regularCoverage) << c.what;
    }
    if (c.size == 10) {
      EXPECT_LT(coverage, regularCoverage) << c.what;
    }
  }
  auto gothic =
      Make(0, 21, 0, "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");  // ＭＳ ゴシック
  gothic->PrepareCharacter(kHiraganaA);
  EXPECT_NE(gothic->GlyphMask(), regular->GlyphMask());
}

TEST_F(GlyphsTest, DrawingIsClippedToTheTarget) {
  auto glyphs = Make();
  Bitmap24 target = Filled(50, 50, 100);
  glyphs->PrepareCharacter(kFilledDiamond);
  glyphs->DrawGlyph(target, -10, -10);
  glyphs->DrawGlyph(target, 40, 40);
  EXPECT_EQ(PixelAt(target, 0, 0), (TextRgb{255, 255, 255}));
  EXPECT_EQ(PixelAt(target, 15, 15), (TextRgb{255, 255, 255}));
  EXPECT_EQ(PixelAt(target, 49, 49), (TextRgb{255, 255, 255}));
  EXPECT_EQ(PixelAt(target, 41, 41), (TextRgb{100, 100, 100}));
}

TEST_F(GlyphsTest, GlyphToScreenCopiesTheCellUnlessPresentationIsHeld) {
  auto glyphs = Make();
  Bitmap24 stage = Filled(100, 80, 100);
  PaintBox pb(100, 80);
  glyphs->PrepareCharacter(kFilledDiamond);
  const uint64_t changes = pb.Changes();
  glyphs->DrawGlyphToScreen(stage, pb, 30, 20, true);
  EXPECT_EQ(pb.Changes(), changes);
  EXPECT_EQ(PixelAt(stage, 40, 30), (TextRgb{255, 255, 255}));
  EXPECT_EQ(PixelAt(pb.Picture(), 40, 30), (TextRgb{0, 0, 0}));

  glyphs->DrawGlyphToScreen(stage, pb, 30, 20, false);
  EXPECT_GT(pb.Changes(), changes);
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 100; ++x) {
      const bool inCell = x >= 30 && x < 62 && y >= 20 && y < 55;
      const TextRgb expected = inCell ? PixelAt(stage, x, y) : TextRgb{};
      ASSERT_EQ(PixelAt(pb.Picture(), x, y), expected) << x << "," << y;
    }
  }
}

// The box of the pixels of one colour.
struct Box {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
  int Height() const { return bottom - top + 1; }
};
Box BoxOf(const Bitmap24& picture, TextRgb colour) {
  Box box;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      if (PixelAt(picture, x, y) != colour) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
             std::max(box.bottom, y)};
    }
  }
  return box;
}

// The canvases' size reaches the plain path only; the soft glyphs keep FONTSIZE.
TEST_F(GlyphsTest, TheCanvasFontSizeSizesPlainTextOnly) {
  auto plain = Make(1);
  auto soft = Make(0);
  plain->SetTextColour(2);
  int heights[2] = {};
  for (int i : {0, 1}) {
    plain->SetCanvasFontSize(i == 0 ? 17 : 30);
    soft->SetCanvasFontSize(i == 0 ? 17 : 30);
    Bitmap24 target = Filled(80, 80, 100);
    plain->PrepareCharacter(kHiraganaA);
    plain->DrawGlyph(target, 4, 4);
    heights[i] = BoxOf(target, TextRgb{255, 0, 0}).Height();
    soft->PrepareCharacter(kHiraganaA);
    auto reference = Make(0);
    reference->PrepareCharacter(kHiraganaA);
    EXPECT_EQ(soft->GlyphMask(), reference->GlyphMask()) << "canvas size " << i;
  }
  // あ fills most of its em: 23 pixels at 17 points, 40 at 30.
  EXPECT_GE(heights[0], 17);
  EXPECT_LE(heights[0], 23);
  EXPECT_GE(heights[1], 30);
  EXPECT_LE(heights[1], 40);
}

TEST_F(GlyphsTest, RubyIsWhitePlainTextTenPixelsHigh) {
  auto glyphs = Make();
  const std::string reading = "\x82\xA9\x82\xF1\x82\xB6";  // かんじ
  EXPECT_EQ(glyphs->RubyWidth(reading), 30) << "three full-width characters of a 10-pixel em";
  EXPECT_EQ(glyphs->RubyWidth(""), 0);
  Bitmap24 target = Filled(60, 30, 100);
  glyphs->DrawRuby(reading, target, 5, 8);
  const Box white = BoxOf(target, TextRgb{255, 255, 255});
  int other = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      const TextRgb p = PixelAt(target, x, y);
      other += p != TextRgb{255, 255, 255} && p != TextRgb{100, 100, 100};
    }
  }
  EXPECT_EQ(other, 0) << "hard-edged white, nothing else";
  EXPECT_GE(white.left, 5);
  EXPECT_LE(white.right, 5 + 30);
  EXPECT_GT(white.right, 5 + 20) << "the third character is drawn after the other two";
  EXPECT_GE(white.top, 8);
  EXPECT_LE(white.bottom, 8 + 11);
}

}  // namespace
}  // namespace tolven
