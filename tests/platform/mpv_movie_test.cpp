// Movies through libmpv, on sources that mpv generates itself (its lavfi input), so no movie
// file needs to be kept in the repository.
#include "platform/mpv_movie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/eventually.h"
#include "test_support.h"

namespace tolven {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Eventually;

// Half a second of mpv's test pattern (colour bars and a gradient) with a tone beside it.
constexpr const char* kShortMovie =
    "av://lavfi:testsrc=duration=0.5:size=160x120:rate=25[out0];"
    "sine=frequency=440:duration=0.5[out1]";
constexpr int kShortMovieFrames = 12;
// Grey without end: only closing or replacing it stops it.
constexpr const char* kEndlessMovie = "av://lavfi:color=c=gray:size=160x120:rate=25";

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
  ASSERT_TRUE(Eventually([&] { return !player.Playing(); })) << "the movie never ended";
  // A busy machine can only make it later, so this holds on any.
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

// Files mpv cannot play, in a folder of the test's.
std::vector<std::string> Unplayable(const testing::TempDir& dir) {
  testing::WriteFileText(dir / "text.mpg", "this is no movie\n");
  testing::WriteFileBytes(dir / "empty.mpg", {});
  testing::WriteFileText(dir / "folder" / "inside.txt", "x");
  return {(dir / "missing.mpg").string(), (dir / "text.mpg").string(), (dir / "empty.mpg").string(),
          (dir / "folder").string()};
}

TEST(MpvMoviePlayerTest, WhatCannotBePlayedDoesNotOpen) {
  testing::TempDir dir;
  MpvMoviePlayer player(false);
  for (const std::string& path : Unplayable(dir)) {
    EXPECT_FALSE(player.Open(path)) << path;
    EXPECT_FALSE(player.Showing()) << path;
    EXPECT_FALSE(player.Playing()) << path;
  }
}

// How long a refusal takes can only be measured on the real clock; the test runs alone and
// only in the normal build (its suite's name puts it there), where a refusal takes a small part
// of the bound. A player that waited out its open limit (5 s) instead of taking mpv's verdict
// would fail it.
TEST(RealTimeMpvMoviePlayerTest, WhatCannotBePlayedIsRefusedWithoutWaitingOutTheOpenLimit) {
  testing::TempDir dir;
  MpvMoviePlayer player(false);
  for (const std::string& path : Unplayable(dir)) {
    const auto start = Clock::now();
    EXPECT_FALSE(player.Open(path)) << path;
    EXPECT_LT(SecondsSince(start), 2.0) << path;
  }
}

// The movie never ends by itself: a Close that waited for its end would never return.
TEST(MpvMoviePlayerTest, ClosingStopsAMovieThatIsStillPlaying) {
  for (bool headless : {false, true}) {
    uint64_t now = 0;
    MpvMoviePlayer window(false);
    MpvMoviePlayer virtualClock([&now] { return now; });
    MpvMoviePlayer& player = headless ? virtualClock : window;
    ASSERT_TRUE(player.Open(kEndlessMovie));
    EXPECT_TRUE(player.Playing()) << (headless ? "headless" : "window");
    player.Close();
    EXPECT_FALSE(player.Playing()) << (headless ? "headless" : "window");
    EXPECT_FALSE(player.Showing()) << (headless ? "headless" : "window");
  }
}

// The first movie would play on for ever, and it is grey: the one that ends, in colour, is the
// second.
TEST(MpvMoviePlayerTest, OpeningAgainReplacesTheMovie) {
  MpvMoviePlayer player(false);
  ASSERT_TRUE(player.Open(kEndlessMovie));
  ASSERT_TRUE(player.Open(kShortMovie));
  ASSERT_TRUE(Eventually([&] { return !player.Playing(); }))
      << "the endless first movie is still the one playing";
  Bitmap24 frame;
  ASSERT_TRUE(player.CopyFrame(frame));
  EXPECT_GT(ColouredPixels(frame), 800 * 600 / 4);
}

}  // namespace
}  // namespace tolven
