// Runs of the real tolven with a window, on SDL's dummy video driver.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/instance_lock.h"
#include "platform/scoped_environment.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::RunTolven;
using testing::RunTool;
using testing::ScopedEnvironment;
using testing::WriteFileText;

class WindowRunTest : public ::testing::Test {
 protected:
  WindowRunTest()
      : video_("SDL_VIDEODRIVER", "dummy"),
        audio_("SDL_AUDIODRIVER", "dummy"),
        runtime_("XDG_RUNTIME_DIR", dir_.Path().string()) {}

  void BuildGame(const std::map<std::string, std::string>& scripts = {{"main", "*sleep 10\n"}}) {
    for (const auto& [name, text] : scripts)
      WriteFileText(dir_ / "src" / "scripts" / (name + ".txt"), text);
    auto built = RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }

  testing::CommandResult Run(const std::string& events) {
    WriteFileText(dir_ / "events.txt", events);
    return RunTolven({"--events", (dir_ / "events.txt").string(), "--config-dir",
                      (dir_ / "config").string(), (dir_ / "game").string()});
  }

  testing::TempDir dir_;
  ScopedEnvironment video_;
  ScopedEnvironment audio_;
  ScopedEnvironment runtime_;
};

// Pixels of a band of rows darker than the dialog grey: caption text.
int DarkPixels(const Bitmap24& picture, int top, int bottom) {
  int dark = 0;
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      if (row[3 * x] < 100 && row[3 * x + 1] < 100 && row[3 * x + 2] < 100) ++dark;
    }
  }
  return dark;
}

// Pixels of a rectangle as light as a menu's face.
int LightPixels(const Bitmap24& picture, int left, int top, int right, int bottom) {
  int light = 0;
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = picture.Row(y);
    for (int x = left; x < right; ++x) {
      if (row[3 * x] > 200 && row[3 * x + 1] > 200 && row[3 * x + 2] > 200) ++light;
    }
  }
  return light;
}

Bitmap24 ReadShot(const std::string& path) {
  Bitmap24 picture;
  std::string why;
  EXPECT_TRUE(DecodePng(testing::ReadFileBytes(path), picture, why)) << why;
  return picture;
}

TEST_F(WindowRunTest, ShotWindowHoldsTheMenuBarAbovePb) {
  BuildGame();
  const std::string shot = (dir_ / "window.png").string();
  auto run = Run("until input\nshot-window " + shot + "\nanswer ok\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  Bitmap24 picture;
  std::string why;
  ASSERT_TRUE(DecodePng(testing::ReadFileBytes(shot), picture, why)) << why;
  ASSERT_EQ(picture.Width(), 800);
  ASSERT_EQ(picture.Height(), 624);
  // The strip is grey with black captions on it; PB below is the black title screen.
  EXPECT_EQ(picture.Row(22)[0], 240);
  EXPECT_GT(DarkPixels(picture, 2, 19), 200);
  EXPECT_EQ(DarkPixels(picture, 24, 624), 800 * 600);
}

// Recollection's pop-up opens over the scene pressed with the right button, below the menu
// strip as the picture is, and goes when an entry is picked.
TEST_F(WindowRunTest, TheScenePopUpIsDrawnAtItsCell) {
  BuildGame({{"main", "*chain s0123\n"},
             {"s0123", "*kaisou\n"},
             {"sys_flashbak", ":MORNING\n*PROLOGUE\nA,S0100\nB,S0123\n:END\n"}});
  const std::string before = (dir_ / "before.png").string();
  const std::string open = (dir_ / "open.png").string();
  const std::string picked = (dir_ / "picked.png").string();
  // The scene sits in the middle cell of the second row, whose corner is (203, 89).
  auto run = Run("until input\nclick 213 94\nshot-window " + before +
                 "\nclick 213 94 right\nshot-window " + open + "\npress PU_Post1\nshot-window " +
                 picked + "\nanswer ok\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const int pbTop = 24;
  auto underCell = [&](const std::string& shot) {
    return LightPixels(ReadShot(shot), 205, pbTop + 103, 260, pbTop + 128);
  };
  EXPECT_EQ(underCell(before), 0);
  EXPECT_GT(underCell(open), 1000);
  EXPECT_EQ(LightPixels(ReadShot(open), 205, 91, 260, 104), 0) << "not at client y 89";
  EXPECT_EQ(underCell(picked), 0);
}

TEST_F(WindowRunTest, EndsAsHeadlessRunsDo) {
  BuildGame();
  EXPECT_EQ(Run("quit\n").exitStatus, 0);
  EXPECT_EQ(Run("wait 100\n").exitStatus, 0);
  auto bad = Run("shot-window /nonexistent/folder/x.png\n");
  EXPECT_EQ(bad.exitStatus, 2) << bad.output;
  auto timedOut = Run("answer cancel\nquit\nuntil page 200\n");
  EXPECT_EQ(timedOut.exitStatus, 3) << timedOut.output;
}

TEST_F(WindowRunTest, ASecondWindowLeavesAtOnceWithoutAWord) {
  BuildGame();
  InstanceLock held(dir_ / InstanceLock::kFileName);
  ASSERT_EQ(held.State(), InstanceLock::Outcome::Taken);
  // Were the lock ignored, these events would end the run with 0 instead, and the first of
  // them would leave its dump: leaving at once means before the engine ran at all.
  auto second = Run("dump " + (dir_ / "ran.json").string() + "\nanswer ok\nquit\n");
  EXPECT_EQ(second.exitStatus, 1);
  EXPECT_EQ(second.output, "");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "ran.json"));
}

}  // namespace
}  // namespace tolven
