// The fontconfig lookup of the UI face: the family asked for or nothing.
#include "platform/font_lookup.h"

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

}  // namespace
}  // namespace tolven
