// The fontconfig lookup of text and UI faces: the family asked for or nothing, with the
// Windows faces standing for the IPA ones.
#include "text/font_lookup.h"

#include <gtest/gtest.h>

namespace tolven {
namespace {

TEST(FontLookupTest, FindsInstalledFamiliesByAnyOfTheirNames) {
  for (const char* family : {"IPAGothic", "ipagothic", "IPAゴシック", "IPAPGothic"}) {
    const std::optional<FontFile> font = FindFontFamily(family);
    ASSERT_TRUE(font.has_value()) << family;
    EXPECT_TRUE(std::filesystem::is_regular_file(font->path)) << family;
  }
  EXPECT_EQ(FindFontFamily("IPAGothic")->path, FindFontFamily("IPAゴシック")->path);
}

TEST(FontLookupTest, RefusesTheStandInFontconfigOffersForAnUnknownFamily) {
  EXPECT_FALSE(FindFontFamily("No Such Family 4711").has_value());
}

TEST(FontLookupTest, WindowsFacesResolveToTheirIpaStandIns) {
  const struct {
    const char* face;
    const char* family;
  } cases[] = {
      {"ＭＳ 明朝", "IPAMincho"},     {"MS Mincho", "IPAMincho"}, {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"ＭＳ ゴシック", "IPAGothic"}, {"MS Gothic", "IPAGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic"},
      {"IPAGothic", "IPAGothic"},  // installed names pass through
  };
  for (const auto& c : cases) {
    const std::optional<FontFile> face = FindFontFace(c.face);
    const std::optional<FontFile> family = FindFontFamily(c.family);
    ASSERT_TRUE(face.has_value()) << c.face;
    ASSERT_TRUE(family.has_value()) << c.family;
    EXPECT_EQ(face->path, family->path) << c.face;
    EXPECT_EQ(face->index, family->index) << c.face;
  }
  // The proportional and fixed faces are different files: a map that mixed them up shows.
  EXPECT_NE(FindFontFace("ＭＳ 明朝")->path, FindFontFace("ＭＳ Ｐ明朝")->path);
  EXPECT_NE(FindFontFace("ＭＳ 明朝")->path, FindFontFace("ＭＳ ゴシック")->path);
  EXPECT_FALSE(FindFontFace("ＭＳ 行書").has_value());
}

}  // namespace
}  // namespace tolven
