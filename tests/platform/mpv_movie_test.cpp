// Movies through libmpv, on sources that mpv generates itself (its lavfi input), so no movie
// file needs to be kept in the repository.
#include "platform/mpv_movie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "test_support.h"

namespace tolven {
namespace {

using Clock = std::chrono::steady_clock;

// Half a second of mpv's test pattern (colour bars and a gradient) with a tone beside it.
constexpr const char* kShortMovie =
    "av://lavfi:testsrc=duration=0.5:size=160x120:rate=25[out0];"
    "sine=frequency=440:duration=0.5[out1]";
constexpr int kShortMovieFrames = 12;
constexpr const char* kLongMovie = "av://lavfi:testsrc=duration=60:size=160x120:rate=25";

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Pixels whose channels differ widely: plainly coloured, as neither black nor grey is.
int ColouredPixels(const Bitmap24& picture) {
  int coloured = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      const uint8_t* p = row + 3 * x;
      if (std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 100) ++coloured;
    }
  }
  return coloured;
}

TEST(MpvMoviePlayerTest, AWindowMoviePlaysInRealTimeAndEndsByItself) {
  MpvMoviePlayer player(false);
  const auto start = Clock::now();
  ASSERT_TRUE(player.Open(kShortMovie));
  EXPECT_TRUE(player.Showing());
  EXPECT_TRUE(player.Playing());
  while (player.Playing() && SecondsSince(start) < 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(player.Playing()) << "still playing after 10 s";
  EXPECT_GE(SecondsSince(start), 0.4) << "a real-time movie ended before its running time";
  EXPECT_GE(player.FrameNumber(), 2u);
  // The last frame stays up until the engine closes the player.
  EXPECT_TRUE(player.Showing());
  Bitmap24 frame;
  ASSERT_TRUE(player.CopyFrame(frame));
  EXPECT_EQ(frame.Width(), 800);
  EXPECT_EQ(frame.Height(), 600);
  EXPECT_GT(ColouredPixels(frame), 800 * 600 / 4);
  player.Close();
  EXPECT_FALSE(player.Showing());
  EXPECT_FALSE(player.CopyFrame(frame));
}

TEST(MpvMoviePlayerTest, AHeadlessMovieEndsOnTheEnginesClockOnceDecoded) {
  uint64_t now = 1000;
  MpvMoviePlayer player([&now] { return now; });
  ASSERT_TRUE(player.Open(kShortMovie));
  // Table: engine time after Open → still playing. The movie runs about 500 ms on the engine's
  // clock (to its last frame or sample), however fast it decodes.
  const struct {
    uint64_t elapsed;
    bool playing;
  } cases[] = {{0, true}, {250, true}, {400, true}, {600, false}, {5000, false}};
  for (const auto& c : cases) {
    now = 1000 + c.elapsed;
    EXPECT_EQ(player.Playing(), c.playing) << "at " << c.elapsed << " ms";
  }
  // Its end waited for the decoding: every frame was rendered.
  EXPECT_GE(player.FrameNumber(), static_cast<uint64_t>(kShortMovieFrames));
  Bitmap24 frame;
  ASSERT_TRUE(player.CopyFrame(frame));
  EXPECT_GT(ColouredPixels(frame), 800 * 600 / 4);
}

TEST(MpvMoviePlayerTest, WhatCannotBePlayedDoesNotOpen) {
  testing::TempDir dir;
  testing::WriteFileText(dir / "text.mpg", "this is no movie\n");
  testing::WriteFileBytes(dir / "empty.mpg", {});
  testing::WriteFileText(dir / "folder" / "inside.txt", "x");
  const std::string cases[] = {
      (dir / "missing.mpg").string(),
      (dir / "text.mpg").string(),
      (dir / "empty.mpg").string(),
      (dir / "folder").string(),
  };
  MpvMoviePlayer player(false);
  for (const std::string& path : cases) {
    const auto start = Clock::now();
    EXPECT_FALSE(player.Open(path)) << path;
    EXPECT_LT(SecondsSince(start), 2.0) << path;
    EXPECT_FALSE(player.Showing()) << path;
    EXPECT_FALSE(player.Playing()) << path;
  }
}

TEST(MpvMoviePlayerTest, ClosingWhilePlayingReturnsPromptly) {
  for (bool headless : {false, true}) {
    uint64_t now = 0;
    MpvMoviePlayer window(false);
    MpvMoviePlayer virtualClock([&now] { return now; });
    MpvMoviePlayer& player = headless ? virtualClock : window;
    ASSERT_TRUE(player.Open(kLongMovie));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(player.Playing());
    const auto start = Clock::now();
    player.Close();
    EXPECT_LT(SecondsSince(start), 1.0) << (headless ? "headless" : "window");
    EXPECT_FALSE(player.Playing());
    EXPECT_FALSE(player.Showing());
  }
}

TEST(MpvMoviePlayerTest, OpeningAgainReplacesTheMovie) {
  MpvMoviePlayer player(false);
  ASSERT_TRUE(player.Open(kLongMovie));
  ASSERT_TRUE(player.Open(kShortMovie));
  const auto start = Clock::now();
  while (player.Playing() && SecondsSince(start) < 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_LT(SecondsSince(start), 5.0) << "the first, minute-long movie is still the one playing";
}

}  // namespace
}  // namespace tolven
