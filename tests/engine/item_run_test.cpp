// The shop and the item screen in a game played by the real binary: an item bought through both
// questions by clicks, the shop left through its button, and the item screen opened from the
// menu bar while the story waits for a click, each giving the screen back as it was.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/game_run.h"
#include "graphics/picture_copy.h"
#include "screens/screen_rig.h"
#include "test_support.h"
#include "tools/png_file.h"

namespace tolven {
namespace {

using Colour = std::array<uint8_t, 3>;  // blue, green, red

constexpr Colour kIcon2 = {20, 200, 40};

Colour PixelAt(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

// The timer animates the click-wait icon over the page, so two shots of the same page differ
// there by the icon's frame; everything else must be the same.
bool SameBesideTheClickWaitIcon(const Bitmap24& a, const Bitmap24& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const bool icon = x >= 720 && x < 744 && y >= 560 && y < 585;
      if (!icon && PixelAt(a, x, y) != PixelAt(b, x, y)) return false;
    }
  }
  return true;
}

class ItemRunTest : public testing::GameRunTest {
 protected:
  void Picture(const std::string& name, const Bitmap24& picture) {
    testing::WriteFileBytes(dir_ / "src" / "pictures" / (name + ".png"), tools::PngBytes(picture));
  }
  void Solid(const std::string& name, const Colour& colour, int width, int height) {
    Bitmap24 picture(width, height);
    FillPicture(picture, colour);
    Picture(name, picture);
  }
  // The face in the upper half, a mask that shows all of it in the lower.
  void Stacked(const std::string& name, uint8_t grey, int width, int height) {
    Bitmap24 picture(width, 2 * height);
    FillPicture(picture, {grey, grey, grey});
    for (int y = height; y < 2 * height; ++y) std::fill_n(picture.Row(y), picture.RowBytes(), 255);
    Picture(name, picture);
  }
};

TEST_F(ItemRunTest, AnItemIsBoughtTheShopLeftAndTheItemScreenOpenedFromTheMenuBar) {
  Picture("A_ROOM", testing::PlacePicture(800, 600));
  Stacked("item_1", 100, 460, 400);
  Stacked("item_2", 110, 60, 40);
  Stacked("item_3", 120, 60, 40);
  Stacked("item_4", 130, 300, 120);
  Solid("item_x", {1, 2, 3}, 64, 64);
  for (int n = 1; n <= 33; ++n) {
    const std::string name = "icon" + std::string(n < 10 ? "0" : "") + std::to_string(n);
    Solid(name, n == 2 ? kIcon2 : Colour{static_cast<uint8_t>(n), 0, 0}, 60, 60);
  }
  Script("sys_items", "Lamp\nBell\n");
  // The trailing 6 has no price and is left out.
  Script("main",
         "*gra A_ROOM,0\n!V800=300\n*shop 2,100,4,500,6\n!V001=1\nA page.\n\\\n!V002=1\n"
         "*sleep -1\n");
  BuildGame();
  const auto run =
      RunGame("until input\ndump " + Path("open.json") + "\nclick 600 80\ndump " +
                  Path("asking.json") +                                  // the Bell, at 100
                  "\nclick 300 300\ndump " + Path("bought.json") +       // ＹＥＳ
                  "\nclick 750 440\nclick 300 300\nuntil page\ndump " +  // leave, ＹＥＳ
                  Path("story.json") + "\nshot " + Path("story.png") +
                  "\npress SpeedButton8\nuntil input\ndump " + Path("items.json") + "\nshot " +
                  Path("items.png") + "\nclick 10 10\nwait 100\ndump " + Path("closed.json") +
                  "\nshot " + Path("closed.png") + "\nquit\n",
              {});
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  const nlohmann::json open = Dump("open.json");
  EXPECT_EQ(open["engine_state"], 4);
  EXPECT_EQ(open["shop"]["items"], nlohmann::json::parse("[2, 4, 0, 0]"));
  EXPECT_EQ(open["shop"]["prices"], nlohmann::json::parse("[100, 500, 0, 0]"));
  EXPECT_EQ(open["shop"]["confirmation"], 0);
  EXPECT_FALSE(open["V"].contains("1")) << "the script waits for the shop";

  const nlohmann::json asking = Dump("asking.json");
  EXPECT_EQ(asking["shop"]["confirmation"], 1);
  EXPECT_EQ(asking["shop"]["pending_item"], 2);
  EXPECT_EQ(asking["shop"]["pending_price"], 100);

  const nlohmann::json bought = Dump("bought.json");
  EXPECT_EQ(bought["shop"]["confirmation"], 0);
  EXPECT_EQ(bought["V"]["800"], 200);
  EXPECT_EQ(bought["V"]["802"], 1);
  EXPECT_EQ(bought["engine_state"], 4);

  const nlohmann::json story = Dump("story.json");
  EXPECT_EQ(story["engine_state"], 0);
  EXPECT_TRUE(story["shop"].is_null());
  EXPECT_EQ(story["V"]["1"], 1);
  EXPECT_FALSE(story["V"].contains("804"));

  const nlohmann::json items = Dump("items.json");
  EXPECT_EQ(items["engine_state"], 10);
  EXPECT_TRUE(items["screen"]["waits_for_input"]);
  const Bitmap24 itemsShot = tools::ReadPng(Path("items.png"));
  EXPECT_EQ(PixelAt(itemsShot, 192 + 70, 50), kIcon2) << "the bought item in its slot";
  EXPECT_EQ(PixelAt(itemsShot, 192, 50), (Colour{100, 100, 100})) << "item 1 is not owned";

  // The press only closed the item screen: the page still waits for its click.
  const nlohmann::json closed = Dump("closed.json");
  EXPECT_EQ(closed["engine_state"], 0);
  EXPECT_NE(closed["waits"]["page_wait"], 0);
  EXPECT_FALSE(closed["V"].contains("2"));
  EXPECT_TRUE(SameBesideTheClickWaitIcon(tools::ReadPng(Path("closed.png")),
                                         tools::ReadPng(Path("story.png"))));
}

}  // namespace
}  // namespace tolven
