// The sample game's title card, screen effects and animation, played headless from the sample's
// own effect text, pictures and animation frames by a script that shows each in turn after a
// click; shots at chosen engine times show what each puts on the screen, pixel for pixel.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "game_run.h"
#include "resources/animation_entry.h"
#include "resources/archives.h"
#include "resources/jpeg_picture.h"
#include "resources/png_io.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using Rgb = std::array<uint8_t, 3>;

const fs::path kSample = fs::path(TOLVEN_SOURCE_DIR) / "samples/demo";

Rgb PixelAt(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

class SampleEffectsTest : public testing::GameRunTest {
 protected:
  void SetUp() override {
    const fs::path src = dir_ / "src";
    fs::create_directories(src / "scripts");
    fs::create_directories(src / "pictures");
    fs::create_directories(src / "anim" / "TRAIN");
    fs::copy_file(kSample / "scripts/effect.txt", src / "scripts/effect.txt");
    fs::copy_file(kSample / "pictures/A_CLASS.png", src / "pictures/A_CLASS.png");
    // The frames only: the animation's sound is made by `make run` and need not be there.
    for (const auto& frame : fs::directory_iterator(kSample / "anim/TRAIN")) {
      if (frame.path().extension() == ".png") {
        fs::copy_file(frame.path(), src / "anim/TRAIN" / frame.path().filename());
      }
    }
    Script("main",
           "*gra S000,0\n*subtitle 第一章,三月の教室\n*gra A_CLASS,0\n。\n\\\n*effect FLASH\n。\n"
           "\\\n*effect DUSK\n。\n\\\n*anim TRAIN,200,100,1\n。\n\\\n");
    BuildGame();
  }

  // Plays the events, with a shot every `step` ms from `from` to `to` after the events before
  // (shot names carry their time), and returns the shots by time.
  std::map<int, Bitmap24> ShotsAfter(const std::string& before, int from, int to, int step) {
    std::string events = before + "wait " + std::to_string(from) + "\n";
    for (int t = from; t <= to; t += step) {
      events += "shot " + Path("t" + std::to_string(t) + ".png") + "\nwait " +
                std::to_string(step) + "\n";
    }
    const auto run = RunGame(events + "quit\n", {});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    std::map<int, Bitmap24> shots;
    for (int t = from; t <= to; t += step) {
      std::string why;
      EXPECT_TRUE(DecodePng(testing::ReadFileBytes(dir_ / ("t" + std::to_string(t) + ".png")),
                            shots[t], why))
          << why;
    }
    return shots;
  }

  static constexpr const char* kToFlash = "until page\nclick 400 300\n";
  static constexpr const char* kToDusk = "until page\nclick 400 300\nuntil page\nclick 400 300\n";
  static constexpr const char* kToTrain =
      "until page\nclick 400 300\nuntil page\nclick 400 300\nuntil page\nclick 400 300\n";
};

// The levels of the grey of one line of the card: every pixel of its band is black or that one
// grey, and none when nothing is drawn there yet.
std::set<int> Levels(const Bitmap24& shot, int top, int height) {
  std::set<int> levels;
  for (int y = top; y < top + height; ++y) {
    for (int x = 0; x < shot.Width(); ++x) {
      const Rgb p = PixelAt(shot, x, y);
      EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      if (p[0] != 0) levels.insert(p[0]);
    }
  }
  return levels;
}

TEST_F(SampleEffectsTest, TheChapterCardFadesInLineByLineInStepsOfFour) {
  const std::map<int, Bitmap24> shots = ShotsAfter("", 100, 4700, 100);
  int first = -1;  // the grey of the first line, from one shot to the next
  int second = -1;
  bool pictureAfter = false;
  for (const auto& [time, shot] : shots) {
    // The card is over once the picture after it shows.
    if (PixelAt(shot, 10, 10) != Rgb{0, 0, 0}) {
      EXPECT_GE(time, 4300) << "the card lasts 300 + 2 x 1280 + 1500 ms";
      pictureAfter = true;
      continue;
    }
    ASSERT_FALSE(pictureAfter) << time;
    const std::set<int> one = Levels(shot, 120, 72);  // 9 bytes: the large face
    const std::set<int> two = Levels(shot, 260, 72);  // 12 bytes: the same
    ASSERT_LE(one.size(), 1u) << time;
    ASSERT_LE(two.size(), 1u) << time;
    const int levelOne = one.empty() ? 0 : *one.begin();
    const int levelTwo = two.empty() ? 0 : *two.begin();
    EXPECT_TRUE(levelOne % 4 == 0 || levelOne == 255) << time << ": " << levelOne;
    EXPECT_GE(levelOne, first) << time;
    if (levelOne != 255) {
      EXPECT_EQ(levelTwo, 0) << time << ": the second line waits for the first";
    }
    EXPECT_GE(levelTwo, second) << time;
    first = levelOne;
    second = levelTwo;
  }
  EXPECT_EQ(first, 255);
  EXPECT_EQ(second, 255);
  EXPECT_TRUE(pictureAfter);
}

// FLASH is white 60 ms, the picture 50 ms, white 40 ms, the picture.
TEST_F(SampleEffectsTest, TheFlashIsWhiteThenThePictureThenWhiteAgain) {
  const std::map<int, Bitmap24> shots = ShotsAfter(kToFlash, 5, 295, 10);
  std::string seen;
  for (const auto& [time, shot] : shots) {
    const Rgb p = PixelAt(shot, 400, 200);
    seen += p == Rgb{255, 255, 255} ? 'W' : p == PixelAt(shots.at(295), 400, 200) ? 'p' : '?';
  }
  const size_t at = seen.find('W');
  ASSERT_NE(at, std::string::npos) << seen;
  EXPECT_EQ(seen.substr(at), "WWWWWWpppppWWWW" + std::string(seen.size() - at - 15, 'p')) << seen;
}

// DUSK tints towards orange (red 255, green 128, blue 64) by 2, 4, 6, 4 and 2 sixteenths.
TEST_F(SampleEffectsTest, TheGlowTintsThePictureByTheWeightsOfItsCodes) {
  const std::map<int, Bitmap24> shots = ShotsAfter(kToDusk, 25, 1275, 50);
  const Rgb plain = PixelAt(shots.at(1275), 600, 120);
  std::vector<int> weights;
  for (const auto& [time, shot] : shots) {
    const Rgb p = PixelAt(shot, 600, 120);
    if (p == plain) continue;
    int found = -1;
    for (int weight : {32, 64, 96}) {
      const Rgb colour = {64, 128, 255};
      Rgb tinted;
      for (int i = 0; i < 3; ++i) {
        tinted[i] = static_cast<uint8_t>((colour[i] * weight + plain[i] * (256 - weight)) >> 8);
      }
      if (tinted == p) found = weight;
    }
    ASSERT_NE(found, -1) << "at " << time << " ms a colour no weight gives";
    if (weights.empty() || weights.back() != found) weights.push_back(found);
  }
  EXPECT_EQ(weights, (std::vector<int>{32, 64, 96, 64, 32}));
}

// The train's frames, decoded from the game's animation archive, each shown in turn at
// (200, 100), and the last one left there.
TEST_F(SampleEffectsTest, TheTrainsFramesShowInTurnAndTheLastStays) {
  Archives archives(dir_ / "game");
  archives.LoadMediaIndexes();
  const std::optional<ArchiveEntry> found = archives.FindAnimation("TRAIN");
  ASSERT_TRUE(found);
  const std::optional<std::vector<uint8_t>> bytes = archives.ReadEntry(*found);
  ASSERT_TRUE(bytes);
  std::string why;
  const std::optional<AnimationEntry> entry = ReadAnimationEntry(*bytes, bytes->size(), why);
  ASSERT_TRUE(entry) << why;
  ASSERT_EQ(entry->frames.size(), 12u);
  std::vector<Bitmap24> frames(12);
  for (size_t k = 0; k < 12; ++k) {
    const AnimationFrame& frame = entry->frames[k];
    ASSERT_TRUE(DecodeJpegPicture(bytes->data() + frame.offset, frame.size, frames[k]));
  }

  const std::map<int, Bitmap24> shots = ShotsAfter(kToTrain, 50, 1550, 50);
  auto area = [](const Bitmap24& shot) {
    Bitmap24 picture(400, 300);
    for (int y = 0; y < 300; ++y) {
      std::copy_n(shot.Row(100 + y) + 3 * 200, 3 * 400, picture.Row(y));
    }
    return picture;
  };
  std::vector<int> shown;
  for (const auto& [time, shot] : shots) {
    for (int k = 0; k < 12; ++k) {
      if (area(shot) == frames[k] && (shown.empty() || shown.back() != k)) shown.push_back(k);
    }
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_TRUE(area(shots.at(1550)) == frames[11]) << "the last frame stays after 1.2 s";
}

}  // namespace
}  // namespace tolven
