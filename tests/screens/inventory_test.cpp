// The item screen on the engine's parts and the virtual clock: the fade in over the story, the
// wait for a press, the announcement that blinks an item and returns by itself, the name labels,
// the screen given back, and the counter in the story's corner.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "base/engine_values.h"
#include "graphics/picture_copy.h"
#include "graphics/transition_rig.h"
#include "screens/inventory.h"
#include "screens/item_fixtures.h"
#include "screens/item_pictures.h"
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

constexpr uint8_t kPanelGrey = 100;

class InventoryTest : public ::testing::Test, protected testing::ScreenRig<testing::RecordingHost> {
 protected:
  InventoryTest() {
    std::vector<tools::ArchiveInput> entries = {{"item_1", Stacked(kPanelGrey, 460, 400)}};
    for (int n = 1; n <= kItemCount; ++n) {
      entries.push_back({"icon" + std::string(n < 10 ? "0" : "") + std::to_string(n),
                         Solid(IconColour(n), 60, 60)});
    }
    testing::WriteFileBytes(dir.Path() / "qe_gra.tvk",
                            tools::BuildArchive(ArchiveLayout::B, entries));
    archives.LoadMediaIndexes();
    pictures.LoadItemPictures();
    stage.Buffers().StageBuffer = story;
    pb.Draw() = story;
    host.start = host.now;
  }

  Colour Screen(int x, int y) const { return PixelAt(pb.Picture(), x, y); }

  const Bitmap24 story = testing::PlacePicture(kScreenWidth, kScreenHeight);
  const Settings fontSettings = testing::FontSettings(kMincho);
  Glyphs glyphs{archives, fontSettings};
  ItemPictures pictures{stage, archives, trace};
  Inventory inventory{{host, clock, pb, stage, glyphs, flags, state, pictures}};
};

TEST_F(InventoryTest, LookingFadesInOverTheStoryAndAPressGivesItBack) {
  state.V(801) = 1;
  state.V(800) = 1234;
  const uint8_t panel = kPanelGrey;
  std::vector<Colour> panelFrames;
  host.onPresent = [&](const Bitmap24& shown) { panelFrames.push_back(PixelAt(shown, 170, 20)); };
  inventory.ShowInventory(0);

  // Weight 48 on the panel at first, 16 more every 10 ms, then the panel itself.
  EXPECT_EQ(host.Elapsed(), 130u);
  ASSERT_EQ(panelFrames.size(), 14u);
  const Colour under = PixelAt(story, 170, 20);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(panelFrames[0][i], (panel * 48 + under[i] * 208) >> 8) << i;
  }
  EXPECT_EQ(panelFrames.back(), (Colour{panel, panel, panel}));
  EXPECT_EQ(flags.EngineState, EngineScreen::ItemScreen);
  EXPECT_FALSE(flags.Busy);
  EXPECT_TRUE(inventory.WaitsForInput());
  EXPECT_EQ(Screen(192, 50), IconColour(1));
  EXPECT_EQ(Screen(192 + 70, 50), (Colour{panel, panel, panel}));
  // "所持煩悩:1234" from (452, 440) on.
  int written = 0;
  for (int x = 452; x < 600; ++x) written += Screen(x, 452) != PixelAt(story, x, 452);
  EXPECT_GT(written, 10);
  EXPECT_EQ(Screen(451, 452), PixelAt(story, 451, 452));

  // The owned slot's label under it; the empty slot beside it has none.
  inventory.PointerMove(200, 60);
  EXPECT_EQ(inventory.Pointed(), 1);
  EXPECT_EQ(Screen(174, 118), kLabel);
  inventory.PointerMove(270, 60);
  EXPECT_EQ(inventory.Pointed(), 0);
  EXPECT_EQ(pb.Picture(), stage.Buffers().StageBuffer);

  inventory.Press(MouseButton::Right, 10, 10);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_TRUE(pb.Picture() == story);
  EXPECT_TRUE(stage.Buffers().StageBuffer == story);
}

TEST_F(InventoryTest, AnAnnouncementBlinksTheItemThreeTimesAndReturnsByItself) {
  state.V(801) = 1;
  state.V(807) = 1;
  std::vector<uint32_t> iconShown;
  std::set<bool> waitsSeen;
  std::set<bool> busySeen;
  host.onPresent = [&](const Bitmap24& shown) {
    // Slot 7 is the first of the second row.
    if (PixelAt(shown, 192, 120) == IconColour(7)) iconShown.push_back(host.Elapsed());
    waitsSeen.insert(inventory.WaitsForInput());
    busySeen.insert(flags.Busy);
  };
  inventory.ShowInventory(7);

  // 130 ms of fade in, six steps of 250 ms, 70 ms of fade out.
  EXPECT_EQ(iconShown, (std::vector<uint32_t>{380, 880, 1380}));
  EXPECT_EQ(host.Elapsed(), 1700u);
  EXPECT_EQ(waitsSeen, std::set<bool>{false});
  EXPECT_EQ(busySeen, std::set<bool>{true});
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_FALSE(flags.Busy);
  EXPECT_TRUE(pb.Picture() == story);
  EXPECT_TRUE(stage.Buffers().StageBuffer == story);
}

TEST_F(InventoryTest, OpensOnlyFromTheStoryAndSurvivesAStall) {
  flags.EngineState = EngineScreen::Shop;
  inventory.ShowInventory(0);
  EXPECT_EQ(flags.EngineState, EngineScreen::Shop);
  EXPECT_TRUE(host.frames.empty());

  // A message round that takes minutes ends each fade in one step.
  flags.EngineState = EngineScreen::Story;
  host.cost = 600000;
  inventory.ShowInventory(40);
  // Each fade one frame, the currency line, six blink steps, the screen given back.
  EXPECT_EQ(host.frames.size(), 10u);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_TRUE(pb.Picture() == story);
}

TEST_F(InventoryTest, TheCounterShowsTheTwoHalvesOfV100WhileS004AsksForIt) {
  ASSERT_TRUE(glyphs.HasFont());
  const struct {
    int32_t value;
    int32_t shown;
    const char* text;  // nothing when null
  } cases[] = {
      {1204, 1, "12/4"}, {1204, 0, nullptr}, {0, 1, nullptr}, {7, 2, "0/7"}, {31215, 1, "312/15"},
  };
  for (const auto& c : cases) {
    state.V(100) = c.value;
    state.S(sv::kDateDisplay) = c.shown;
    stage.Buffers().StageBuffer = story;
    inventory.DrawItemCounter();
    Bitmap24 expected = story;
    if (c.text) glyphs.DrawString(c.text, 0, 0, expected, 0);
    EXPECT_TRUE(stage.Buffers().StageBuffer == expected) << c.value << " " << c.shown;
  }
}

}  // namespace
}  // namespace tolven
