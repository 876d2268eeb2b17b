// The effects and objects of a game played headless: what an event file sees of them at chosen
// engine times, and what the state dump says.
#include <gtest/gtest.h>

#include "game_run.h"
#include "graphics/picture_copy.h"
#include "tools/png_file.h"

namespace tolven {
namespace {

class EffectRunTest : public testing::GameRunTest {
 protected:
  std::array<uint8_t, 3> ShotPixel(const std::string& name, int x, int y) {
    const Bitmap24 shot = tools::ReadPng(Path(name));
    const uint8_t* p = shot.Row(y) + 3 * x;
    return {p[0], p[1], p[2]};
  }
};

// The flash sleeps 100 ms inside its command without processing messages; the shots due
// meanwhile are taken at their own time, so they see it.
TEST_F(EffectRunTest, ShotsDueDuringAFlashSeeTheFlash) {
  Script("main", "*effect FLASH\n*sleep 20\n");
  Script("effect", ":flash\nFggg,100,F,0\n");
  BuildGame();
  // Half-way between the engine's steps, so no shot falls on the flash's first or last moment.
  std::string events = "wait 5\n";
  for (int i = 0; i < 30; ++i)
    events += "shot " + Path("s" + std::to_string(i) + ".png") + "\nwait 10\n";
  const auto run = RunGame(events + "quit\n", {});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  std::string seen;
  for (int i = 0; i < 30; ++i) {
    seen += ShotPixel("s" + std::to_string(i) + ".png", 400, 300)[0] == 255 ? 'W' : '.';
  }
  const size_t first = seen.find('W');
  ASSERT_NE(first, std::string::npos) << seen;
  EXPECT_EQ(seen.substr(first, 11), "WWWWWWWWWW.") << seen;
}

TEST_F(EffectRunTest, ObjectsTakeTheScriptsExpressionsAndShowInTheDump) {
  Bitmap24 picture(20, 20);
  FillPicture(picture, {0, 0, 255});  // a red face over a full mask
  CopyRect(
      [] {
        Bitmap24 mask(20, 10);
        FillPicture(mask, {255, 255, 255});
        return mask;
      }(),
      0, 0, 20, 10, picture, 0, 10);
  testing::WriteFileBytes(dir_ / "src" / "pictures" / "O_DOT.png", tools::PngBytes(picture));
  Script("main",
         "!V001=3\n*obj_load V001+1,O_DOT\n*obj_b_make\n*obj_fix V001+1,V001*100,40\n"
         "Shown.\n\\\n*obj_del 4\n*obj_b_end\nGone.\n\\\n");
  BuildGame();
  const auto run = RunGame("until page\nshot " + Path("a.png") + "\ndump " + Path("a.json") +
                               "\nclick 400 300\nuntil page\ndump " + Path("b.json") + "\nquit\n",
                           {});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(ShotPixel("a.png", 305, 45), (std::array<uint8_t, 3>{0, 0, 255}));
  const nlohmann::json shown = Dump("a.json");
  ASSERT_EQ(shown["objects"]["slots"].size(), 1u);
  EXPECT_EQ(shown["objects"]["slots"][0]["slot"], 4);
  EXPECT_EQ(shown["objects"]["slots"][0]["width"], 20);
  EXPECT_EQ(shown["objects"]["slots"][0]["height"], 20);
  EXPECT_EQ(shown["objects"]["board"], true);
  EXPECT_EQ(shown["interrupt_request"], 0);
  const nlohmann::json gone = Dump("b.json");
  EXPECT_TRUE(gone["objects"]["slots"].empty());
  EXPECT_EQ(gone["objects"]["board"], false);
}

}  // namespace
}  // namespace tolven
