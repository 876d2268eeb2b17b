// The item shop on the engine's parts: the offers a `shop` argument makes, how they are drawn
// against the currency, buying and leaving through the two questions, the name labels over the
// grid, the item names a game supplies, and the screen the shop gives back.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/engine_values.h"
#include "graphics/picture_copy.h"
#include "graphics/transition_rig.h"
#include "screens/item_fixtures.h"
#include "screens/item_pictures.h"
#include "screens/item_shop.h"
#include "screens/screen_rig.h"
#include "test_support.h"
#include "text/glyphs.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

using testing::Colour;
using testing::IconColour;
using testing::kLabel;
using testing::PixelAt;
using testing::Solid;
using testing::Stacked;

const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝

constexpr Colour kStory = {30, 30, 30};

// A masked picture whose mask shows all of it: the face's grey.
Colour Masked(uint8_t grey) {
  return {grey, grey, grey};
}

std::vector<uint8_t> Lines(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (uint8_t& byte : bytes) {
    if (byte == '\n') byte = 0;
  }
  return bytes;
}

// Pixels of the box drawn in the text colour's hue: green for colour 1, white for colour 0.
struct Inks {
  int green = 0;
  int white = 0;
};
Inks InksIn(const Bitmap24& picture, int x, int y, int width, int height) {
  Inks inks;
  for (int row = y; row < y + height; ++row) {
    for (int column = x; column < x + width; ++column) {
      const Colour p = PixelAt(picture, column, row);
      if (p[1] > 80 && p[0] < 40 && p[2] < 40) ++inks.green;
      if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++inks.white;
    }
  }
  return inks;
}

class ItemShopTest : public ::testing::Test, protected testing::ScreenRig<testing::RecordingHost> {
 protected:
  ItemShopTest() {
    std::vector<tools::ArchiveInput> entries = {
        {"item_1", Stacked(100, 400, 300)},   {"item_2", Stacked(110, 40, 30)},
        {"item_3", Stacked(120, 40, 30)},     {"item_4", Stacked(130, 300, 120)},
        {"item_x", Solid({1, 2, 3}, 64, 64)},
    };
    for (int n = 1; n <= kItemCount; ++n) {
      entries.push_back({"icon" + std::string(n < 10 ? "0" : "") + std::to_string(n),
                         Solid(IconColour(n), 60, 60)});
    }
    testing::WriteFileBytes(dir.Path() / "qe_gra.tvk",
                            tools::BuildArchive(ArchiveLayout::B, entries));
    testing::WriteFileBytes(
        dir.Path() / "qe_data.tvk",
        tools::BuildArchive(ArchiveLayout::A, {{"SYS_ITEMS", Lines("Apple\nPear\n\nPlum\n")}}));
    archives.LoadScriptIndexes();
    archives.LoadMediaIndexes();
    pictures.LoadItemPictures();
    ShowStory(kStory);
  }

  void ShowStory(const Colour& colour) {
    Bitmap24 picture(kScreenWidth, kScreenHeight);
    FillPicture(picture, colour);
    ShowStory(picture);
  }
  void ShowStory(const Bitmap24& picture) {
    stage.Buffers().StageBuffer = picture;
    pb.Draw() = picture;
  }
  void Click(int x, int y, MouseButton button = MouseButton::Left) {
    shop.PointerMove(x, y);
    shop.Press(button, x, y);
  }
  Colour Screen(int x, int y) const { return PixelAt(pb.Picture(), x, y); }
  int32_t& V(int n) { return state.V(n); }

  const Settings fontSettings = testing::FontSettings(kMincho);
  Glyphs glyphs{archives, fontSettings};
  ItemPictures pictures{stage, archives, trace};
  ItemShop shop{{pb, stage, glyphs, flags, state, pictures}};
};

TEST_F(ItemShopTest, ReadsCompletePairsOfItemAndPriceOnly) {
  V(803) = 1;
  const struct {
    const char* argument;
    ShopOffers offers;
  } cases[] = {
      {"3,100,5,250", {{{0, 100}, {5, 250}, {}, {}}}},
      // A number without its price is left out.
      {"6,100,5", {{{6, 100}, {}, {}, {}}}},
      {"6,100,", {{{6, 100}, {}, {}, {}}}},
      {"1,10,2,20,4,40,6,60,7,70", {{{1, 10}, {2, 20}, {4, 40}, {6, 60}}}},
      {"", {}},
      {"12", {}},
      // Numbers that name no item leave their rows empty; a price without digits is 0.
      {"0,10,34,20,-1,5,9,x", {{{0, 10}, {0, 20}, {0, 5}, {9, 0}}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ItemShop::ReadOffers(c.argument, state), c.offers) << c.argument;
  }
}

TEST_F(ItemShopTest, OffersAreDrawnBesideTheGridAndWhatCannotBePaidIsGreen) {
  ASSERT_TRUE(glyphs.HasFont());
  V(803) = 1;
  V(800) = 200;
  shop.Shop("3,100,5,250,6,200");
  ASSERT_EQ(flags.EngineState, EngineScreen::Shop);
  EXPECT_EQ(shop.Offers()[0].item, 0) << "an owned item is not offered";
  EXPECT_EQ(Screen(504, 60), kStory);
  EXPECT_EQ(Screen(504, 130), IconColour(5));
  EXPECT_EQ(Screen(504, 200), IconColour(6));
  // The panels, the leave button and the owned item in its slot (x0 = 36).
  EXPECT_EQ(Screen(4, 10), Masked(100));
  EXPECT_EQ(Screen(484, 20), Masked(110));
  EXPECT_EQ(Screen(484, 350), Masked(120));
  EXPECT_EQ(Screen(724, 410), (Colour{1, 2, 3}));
  EXPECT_EQ(Screen(36 + 140, 50), IconColour(3));
  EXPECT_EQ(Screen(36 + 280, 50), Masked(100)) << "item 5 is not owned";
  // Name and price of the 250 item in green, of the 200 item in white.
  const Inks dear = InksIn(pb.Picture(), 570, 130, 200, 50);
  const Inks affordable = InksIn(pb.Picture(), 570, 200, 200, 50);
  EXPECT_GT(dear.green, 20);
  EXPECT_EQ(dear.white, 0);
  EXPECT_GT(affordable.white, 20);
  EXPECT_EQ(affordable.green, 0);
  EXPECT_EQ(pb.Picture(), stage.Buffers().StageBuffer);
}

TEST_F(ItemShopTest, BuyingAsksFirstAndTakesThePrice) {
  V(800) = 200;
  shop.Shop("5,250,6,200");
  const Bitmap24 offered = pb.Picture();
  // Nothing asks for the dear item, an empty row or an item beside the rows.
  for (const auto& [x, y] :
       {std::pair{600, 70}, std::pair{600, 250}, std::pair{499, 150}, std::pair{780, 150}}) {
    Click(x, y);
    EXPECT_EQ(shop.Question(), ShopQuestion::None) << x << "," << y;
  }
  Click(600, 150);
  ASSERT_EQ(shop.Question(), ShopQuestion::Buy);
  EXPECT_EQ(Screen(200, 200), Masked(130));
  EXPECT_EQ(Screen(210, 216), IconColour(6));
  nlohmann::ordered_json dump = shop.DumpObject();
  EXPECT_EQ(dump["confirmation"], 1);
  EXPECT_EQ(dump["pending_item"], 6);
  EXPECT_EQ(dump["pending_price"], 200);

  Click(300, 300);  // ＹＥＳ
  EXPECT_EQ(shop.Question(), ShopQuestion::None);
  EXPECT_EQ(V(806), 1);
  EXPECT_EQ(V(800), 0);
  EXPECT_EQ(Screen(504, 130), kStory) << "the bought item leaves the offers";
  EXPECT_EQ(Screen(36 + 350, 50), IconColour(6)) << "and joins the grid";
  EXPECT_GT(InksIn(pb.Picture(), 570, 60, 200, 50).green, 20) << "250 stays out of reach";
  EXPECT_NE(pb.Picture(), offered);
  EXPECT_EQ(flags.EngineState, EngineScreen::Shop);
}

TEST_F(ItemShopTest, OnlyALeftPressOnYesAnswersYes) {
  V(800) = 500;
  shop.Shop("6,200");
  const Bitmap24 offered = pb.Picture();
  Click(600, 59);
  EXPECT_EQ(shop.Question(), ShopQuestion::None) << "the strip above the first row is no row";
  const struct {
    int x, y;
    MouseButton button;
    bool yes;
  } cases[] = {
      {400, 300, MouseButton::Left, false},  // ＮＯ
      {289, 300, MouseButton::Left, false},  {380, 300, MouseButton::Left, false},
      {300, 285, MouseButton::Left, false},  {300, 320, MouseButton::Left, false},
      {300, 300, MouseButton::Right, false}, {300, 300, MouseButton::Middle, false},
      {290, 286, MouseButton::Left, true},   {379, 319, MouseButton::Left, true},
  };
  for (const auto& c : cases) {
    V(806) = 0;
    V(800) = 500;
    Click(600, 80);
    ASSERT_EQ(shop.Question(), ShopQuestion::Buy);
    Click(c.x, c.y, c.button);
    EXPECT_EQ(shop.Question(), ShopQuestion::None) << c.x << "," << c.y;
    EXPECT_EQ(V(806), c.yes ? 1 : 0) << c.x << "," << c.y;
    EXPECT_EQ(V(800), c.yes ? 300 : 500) << c.x << "," << c.y;
    EXPECT_EQ(flags.EngineState, EngineScreen::Shop) << "a right press only cancels";
    if (!c.yes) {
      EXPECT_TRUE(pb.Picture() == offered) << "the question is gone";
    }
  }
}

TEST_F(ItemShopTest, LeavingGivesBackExactlyTheScreenBefore) {
  const Bitmap24 story = testing::PlacePicture(kScreenWidth, kScreenHeight);
  const struct {
    const char* name;
    std::vector<std::array<int, 3>> presses;  // x, y, right
  } cases[] = {
      {"right press", {{100, 100, 1}}},
      {"leave button, yes", {{750, 440, 0}, {300, 300, 0}}},
      {"leave button, no, right", {{787, 473, 0}, {500, 300, 0}, {10, 10, 1}}},
  };
  for (const auto& c : cases) {
    ShowStory(story);
    shop.Shop("5,250");
    for (const auto& [x, y, right] : c.presses) {
      ASSERT_EQ(flags.EngineState, EngineScreen::Shop) << c.name;
      Click(x, y, right ? MouseButton::Right : MouseButton::Left);
    }
    EXPECT_EQ(flags.EngineState, EngineScreen::Story) << c.name;
    EXPECT_TRUE(pb.Picture() == story) << c.name;
    EXPECT_TRUE(stage.Buffers().StageBuffer == story) << c.name;
    EXPECT_TRUE(shop.DumpObject().is_null()) << c.name;
  }
}

TEST_F(ItemShopTest, TheLeaveButtonAsksBeforeTheShopCloses) {
  shop.Shop("5,250");
  Click(723, 440);
  EXPECT_EQ(shop.Question(), ShopQuestion::None);
  Click(724, 410);
  EXPECT_EQ(shop.Question(), ShopQuestion::Leave);
  EXPECT_EQ(Screen(200, 200), Masked(130));
  EXPECT_EQ(shop.DumpObject()["confirmation"], 2);
}

TEST_F(ItemShopTest, OwnedSlotsShowTheirNameLabelOthersNone) {
  V(801) = 1;
  V(803) = 1;
  shop.Shop("5,250");
  const Bitmap24 shown = pb.Picture();
  // Slot 1 at (36, 50): its label at (18, 118).
  shop.PointerMove(40, 60);
  EXPECT_EQ(shop.DumpObject()["pointed"], 1);
  EXPECT_EQ(Screen(18, 118), kLabel);
  EXPECT_EQ(Screen(117, 131), kLabel);
  EXPECT_GT(InksIn(pb.Picture(), 18, 118, 100, 14).white, 5) << "Apple";
  // Slot 3 has no name: a bare label.
  shop.PointerMove(36 + 140, 60);
  EXPECT_EQ(Screen(18, 118), Masked(100)) << "the old label is gone";
  EXPECT_EQ(InksIn(pb.Picture(), 158, 118, 100, 14).white, 0);
  EXPECT_EQ(Screen(158, 118), kLabel);
  for (const auto& [x, y] : {std::pair{36 + 70, 60}, std::pair{35, 60}, std::pair{40, 49},
                             std::pair{36 + 420, 60}, std::pair{36 + 350, 50 + 350}}) {
    shop.PointerMove(x, y);
    EXPECT_EQ(shop.DumpObject()["pointed"], 0) << x << "," << y;
    EXPECT_EQ(pb.Picture(), shown) << x << "," << y;
  }
}

TEST_F(ItemShopTest, NamesComeFromTheGamesTextOneALine) {
  EXPECT_EQ(pictures.Name(1), "Apple");
  EXPECT_EQ(pictures.Name(2), "Pear");
  EXPECT_EQ(pictures.Name(3), "");
  EXPECT_EQ(pictures.Name(4), "Plum");
  EXPECT_EQ(pictures.Name(5), "");
  EXPECT_EQ(pictures.Name(99), "");
  // A game without the text has no names.
  testing::WriteFileBytes(dir.Path() / "qe_data.tvk",
                          tools::BuildArchive(ArchiveLayout::A, {{"OTHER", Lines("x\n")}}));
  archives.LoadScriptIndexes();
  pictures.LoadItemPictures();
  EXPECT_EQ(pictures.Name(1), "");
}

}  // namespace
}  // namespace tolven
