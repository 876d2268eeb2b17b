// The installed font families as the configuration dialog's font list gets them, against the
// IPA fonts installed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/configuration_dialog.h"
#include "test_support.h"
#include "text/font_lookup.h"

namespace tolven {
namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(FontListTest, ListsEachFamilyUnderEveryNameWithTheWindowsFaces) {
  const std::vector<std::string> families = ListFontFamilies();
  for (const char* name :
       {"IPAGothic", "IPAゴシック", "IPAMincho", "IPA明朝", "IPAPGothic", "IPA Pゴシック",
        "ＭＳ 明朝", "ＭＳ Ｐ明朝", "ＭＳ ゴシック", "ＭＳ Ｐゴシック"}) {
    EXPECT_TRUE(Contains(families, name)) << name;
  }
  EXPECT_FALSE(Contains(families, "MS Mincho"));
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
}

TEST(FontListTest, TheDialogOffersOnlyJapaneseNamesAndEachOneResolves) {
  Settings settings = testing::StartupSettings();
  ConfigurationDialog dialog(settings);
  dialog.FormShow({}, ListFontFamilies());
  std::vector<std::string> offered;
  for (const Control& control : dialog.Controls()) {
    if (control.name == "ComboBox1") offered = control.items;
  }
  EXPECT_TRUE(Contains(offered, "IPAゴシック"));
  EXPECT_TRUE(Contains(offered, "ＭＳ 明朝"));
  EXPECT_FALSE(Contains(offered, "IPAGothic"));
  for (const std::string& name : offered) {
    EXPECT_TRUE(FindFontFace(name).has_value()) << name;
  }
}

}  // namespace
}  // namespace tolven
