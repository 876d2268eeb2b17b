// The stage rebuilt under the text, in-process: the page and its readings drawn again after a
// load and after a picture command in full-screen text, and a picture larger than the screen
// shown, saved and thumbnailed at the screen's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "engine/engine_rig.h"
#include "save/save_slot.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

using testing::EngineTest;

class StageRebuildTest : public EngineTest {
 protected:
  const Bitmap24& Stage() const { return form_->GameStage().Buffers().StageBuffer; }
  std::string PageRow(int row) const {
    const auto& bytes = form_->Output().PageBytes();
    const auto* start = reinterpret_cast<const char*>(bytes.data()) + row * kPageBufferColumns;
    return std::string(start, strnlen(start, kPageBufferColumns));
  }
  // Whether anything was drawn over the plain colour inside the rectangle.
  static bool Drawn(const Bitmap24& picture, int x, int y, int width, int height,
                    std::array<uint8_t, 3> plain) {
    for (int row = y; row < y + height; ++row) {
      for (int column = x; column < x + width; ++column) {
        const uint8_t* pixel = picture.Row(row) + 3 * column;
        if (!std::equal(plain.begin(), plain.end(), pixel)) return true;
      }
    }
    return false;
  }
};

// あいう, then 漢字 under the reading かん.
constexpr const char* kRubyLine = "\x82\xA0\x82\xA2\x82\xA4<2 \x82\xA9\x82\xF1>\x8A\xBF\x8E\x9A\n";

// A load rebuilds the stage from the saved texts with S009 = 1: the page comes back with its
// readings, in the window and over the darkened scene of full-screen text alike.
TEST_F(StageRebuildTest, ALoadedPageShowsItsTextAndReadingsAsTheyWere) {
  for (const char* mode : {"", "*mode 1\n"}) {
    Start(std::string("!S000=0\n*gra S48c,0\n") + mode + kRubyLine + "\\\n*sleep 10\n");
    IdleUntilWaiting();
    const Bitmap24 shown = Stage();
    form_->SaveSlot(20);
    form_->LoadSlot(20);
    EXPECT_EQ(S(sv::kFullScreenBackground), 0) << "S009 is the game's again";
    EXPECT_TRUE(Stage() == shown) << (*mode ? "full-screen text" : "window");
    EXPECT_TRUE(form_->PB() == shown) << (*mode ? "full-screen text" : "window");
  }
}

// A picture command under full-screen text: S009 = 0 starts the page over on the new scene, so
// the next text goes to row 0; S009 = 1 keeps the page and draws it over the new scene.
TEST_F(StageRebuildTest, APictureUnderFullScreenTextClearsOrRedrawsThePageByS009) {
  // S84c darkened by half: blue 64, green 32, red 96.
  const std::array<uint8_t, 3> darkened = {64, 32, 96};
  const struct {
    int rule;
    std::string row0;
    std::string row1;
  } cases[] = {
      {0, "\x82\xA6", ""},                          // え
      {1, "\x82\xA0\x82\xA2\x82\xA4", "\x82\xA6"},  // あいう, え
  };
  for (const auto& c : cases) {
    Start(
        "!S009=" + std::to_string(c.rule) +
        "\n*gra S48c,0\n*mode 1\n\x82\xA0\x82\xA2\x82\xA4\n*gra S84c,0\n\x82\xA6\n\\\n*sleep 10\n");
    IdleUntilWaiting();
    EXPECT_EQ(PageRow(0), c.row0) << "S009 = " << c.rule;
    EXPECT_EQ(PageRow(1), c.row1) << "S009 = " << c.rule;
    // Rows 0 and 1 of full-screen text, three characters wide.
    EXPECT_TRUE(Drawn(Stage(), 20, 32, 84, 35, darkened)) << "S009 = " << c.rule;
    EXPECT_EQ(Drawn(Stage(), 20, 70, 84, 35, darkened), !c.row1.empty()) << "S009 = " << c.rule;
  }
}

// An 800x1200 background: the screen, a save's thumbnail and the scene stay 800x600 and show
// the picture's upper half.
TEST_F(StageRebuildTest, APictureTallerThanTheScreenShowsItsTopAtTheScreensSize) {
  Bitmap24 tall(kScreenWidth, 2 * kScreenHeight);
  for (int y = 0; y < tall.Height(); ++y) {
    for (int x = 0; x < kScreenWidth; ++x) tall.Row(y)[3 * x] = y < kScreenHeight ? 40 : 200;
  }
  testing::WriteFileBytes(
      dir_ / "game" / "qe_gra.tvk",
      tools::BuildArchive(ArchiveLayout::B, {{"A_TALL", tools::EncodePackedPicture(tall)}}));
  Start("!S000=0\n*gra A_TALL,0\n*sleep -1\n");
  IdleUntilWaiting();
  ASSERT_EQ(form_->PB().Width(), kScreenWidth);
  ASSERT_EQ(form_->PB().Height(), kScreenHeight);
  EXPECT_EQ(form_->PB().Row(kScreenHeight - 1)[0], 40);
  form_->SaveSlot(20);
  const std::unique_ptr<SlotRecord> slot = LoadSlot(form_->SaveFolder(), 20);
  ASSERT_TRUE(slot);
  EXPECT_EQ(slot->thumbnail[kThumbnailBytes - 3], 40) << "the thumbnail's bottom row";
}

}  // namespace
}  // namespace tolven
