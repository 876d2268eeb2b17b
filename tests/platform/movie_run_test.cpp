// Movies in runs of the real tolven: shown in the window where PB was, and decoded unseen in
// headless runs, where they end at the same engine time on every run.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/timer_schedule.h"
#include "platform/scoped_environment.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::ReadFileBytes;
using testing::RunTolven;
using testing::RunTool;
using testing::ScopedEnvironment;
using testing::WriteFileText;

// The sample game's closing movie: 3 s of a night sky with a train's lit windows, faded in
// and out.
constexpr const char* kMovie = TOLVEN_SOURCE_DIR "/samples/demo/movies/ending.webm";
constexpr int kTickMs = TimerSchedule::kIntervalMs;

// Warm yellow, which nothing of the engine's own black screen is.
bool Lit(const uint8_t* bgr) {
  return bgr[2] > 200 && bgr[1] > 150 && bgr[0] < 160;
}

// One second of nothing but warm yellow, as uncompressed YUV 4:4:4 frames (BT.601's limited
// range for red 250, green 210, blue 60). A window run plays a movie on the real clock, so a
// shot cannot pick its moment; every frame of this one looks alike, so any moment shows it.
std::string LitMovie() {
  constexpr int kWidth = 32;
  constexpr int kHeight = 24;
  constexpr int kFrames = 5;
  std::string movie = "YUV4MPEG2 W" + std::to_string(kWidth) + " H" + std::to_string(kHeight) +
                      " F5:1 Ip A1:1 C444\n";
  for (int frame = 0; frame < kFrames; ++frame) {
    movie += "FRAME\n";
    for (int level : {192, 56, 156}) movie.append(kWidth * kHeight, static_cast<char>(level));
  }
  return movie;
}

class MovieRunTest : public ::testing::Test {
 protected:
  MovieRunTest()
      : video_("SDL_VIDEODRIVER", "dummy"),
        audio_("SDL_AUDIODRIVER", "dummy"),
        runtime_("XDG_RUNTIME_DIR", dir_.Path().string()) {}

  void BuildGame(const std::string& movie) {
    WriteFileText(dir_ / "src" / "scripts" / "main.txt", "*movie movies/" + movie + "\nover\\\n");
    std::filesystem::create_directories(dir_ / "src" / "movies");
    std::filesystem::copy_file(kMovie, dir_ / "src" / "movies" / "ending.webm");
    WriteFileText(dir_ / "src" / "movies" / "broken.webm", "no movie at all\n");
    WriteFileText(dir_ / "src" / "movies" / "lit.y4m", LitMovie());
    auto built = RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }

  testing::CommandResult Run(const std::string& events, std::vector<std::string> options = {}) {
    WriteFileText(dir_ / "events.txt", events);
    options.insert(options.end(), {"--events", (dir_ / "events.txt").string(), "--config-dir",
                                   (dir_ / "config").string(), (dir_ / "game").string()});
    return RunTolven(options);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  nlohmann::json Dump(const std::string& name) const {
    const std::vector<uint8_t> bytes = ReadFileBytes(dir_ / name);
    return nlohmann::json::parse(bytes.begin(), bytes.end());
  }
  // Whether the dump says the engine is held (as it is while a movie plays).
  bool Busy(const std::string& dump) const { return Dump(dump)["waits"]["busy"].get<bool>(); }

  testing::TempDir dir_;
  ScopedEnvironment video_;
  ScopedEnvironment audio_;
  ScopedEnvironment runtime_;
};

int LitPixels(const Bitmap24& picture, int top) {
  int lit = 0;
  for (int y = top; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) lit += Lit(picture.Row(y) + 3 * x);
  }
  return lit;
}

// The window plays the movie on the real clock: the run waits for the engine to show it and
// for it to end, never for a length of time, so a slow machine sees the same.
TEST_F(MovieRunTest, TheWindowShowsTheMovieWherePbWasUntilItEnds) {
  BuildGame("lit.y4m");
  const std::string during = Path("during.png");
  const std::string after = Path("after.png");
  auto run =
      Run("until movie\nshot-window " + during + "\ndump " + Path("during.json") +
          "\nuntil no-movie\nshot-window " + after + "\ndump " + Path("after.json") + "\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(run.output, "") << "a movie plays quietly";

  Bitmap24 picture;
  std::string why;
  ASSERT_TRUE(DecodePng(ReadFileBytes(during), picture, why)) << why;
  ASSERT_EQ(picture.Width(), 800);
  ASSERT_EQ(picture.Height(), 624);
  EXPECT_EQ(LitPixels(picture, 24), 800 * 600) << "the movie fills PB's place";
  EXPECT_EQ(LitPixels(picture, 0), 800 * 600) << "the menu bar stays above the movie";
  EXPECT_TRUE(Busy("during.json"));
  EXPECT_TRUE(Dump("during.json")["sound"]["movie"].get<bool>());

  ASSERT_TRUE(DecodePng(ReadFileBytes(after), picture, why)) << why;
  EXPECT_EQ(LitPixels(picture, 0), 0) << "PB is back once the movie ended";
  EXPECT_FALSE(Busy("after.json"));
  EXPECT_FALSE(Dump("after.json")["sound"]["movie"].get<bool>());
}

TEST_F(MovieRunTest, AHeadlessMovieEndsAtTheSameEngineTimeEveryRun) {
  BuildGame("ending.webm");
  // Table: engine time → held by the movie. The movie runs 3 s; the engine looks for its end
  // every eleventh timer tick.
  const struct {
    int at;
    bool busy;
  } cases[] = {{1000, true}, {2900, true}, {4000, false}};
  std::optional<int> endTick;
  for (int round = 0; round < 2; ++round) {
    std::string events;
    int now = 0;
    for (const auto& c : cases) {
      events += "wait " + std::to_string(c.at - now) + "\ndump " +
                Path("at" + std::to_string(c.at) + ".json") + "\n";
      now = c.at;
    }
    auto run = Run(events + "quit\n", {"--headless"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    for (const auto& c : cases) {
      EXPECT_EQ(Busy("at" + std::to_string(c.at) + ".json"), c.busy)
          << "round " << round << " at " << c.at << " ms";
    }

    // Waiting for the end instead of a time: it comes on the same tick every run.
    run = Run("until movie\ndump " + Path("shown.json") + "\nuntil no-movie\ndump " +
                  Path("ended.json") + "\nquit\n",
              {"--headless"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_TRUE(Dump("shown.json")["sound"]["movie"].get<bool>());
    EXPECT_TRUE(Busy("shown.json"));
    const nlohmann::json ended = Dump("ended.json");
    EXPECT_FALSE(ended["sound"]["movie"].get<bool>());
    EXPECT_FALSE(ended["waits"]["busy"].get<bool>());
    const int tick = ended["waits"]["timer_ticks"].get<int>();
    EXPECT_GT(tick * kTickMs, 2900) << "round " << round;
    EXPECT_LE(tick * kTickMs, 4000) << "round " << round;
    if (endTick) {
      EXPECT_EQ(tick, *endTick) << "round " << round;
    }
    endTick = tick;
  }
}

// The movie waits stop a run that never gets there as the other waits do, and take a limit
// and nothing else.
TEST_F(MovieRunTest, AMovieWaitNotReachedEndsTheRun) {
  BuildGame("ending.webm");
  const struct {
    const char* events;
    int exitStatus;
    const char* message;
  } cases[] = {
      {"until movie\nuntil no-movie 500\n", 3, "until no-movie not reached within 500 ms"},
      {"until movie\nuntil no-movie\nuntil movie 1000\n", 3, "until movie not reached"},
      {"until movie soon\n", 2, "events.txt:1: bad number \"soon\""},
      {"until no-movie 1 2\n", 2, "events.txt:1: wrong number of arguments"},
      {"until film\n", 2, "events.txt:1: until needs page, choice, input, movie, no-movie"},
  };
  for (const auto& c : cases) {
    auto run = Run(c.events, {"--headless"});
    EXPECT_EQ(run.exitStatus, c.exitStatus) << c.events << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << c.events << run.output;
  }
}

class UnplayableMovieTest : public MovieRunTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(UnplayableMovieTest, IsPassedOver) {
  BuildGame(GetParam());
  auto run = Run("wait 500\ndump " + Path("after.json") + "\nuntil movie 2000\n", {"--headless"});
  EXPECT_EQ(run.exitStatus, 3) << run.output;
  EXPECT_EQ(run.output,
            "tolven: " + Path("events.txt") + ":3: until movie not reached within 2000 ms\n")
      << "nothing but the wait complains";
  EXPECT_FALSE(Busy("after.json"));
}

INSTANTIATE_TEST_SUITE_P(MissingOrBroken, UnplayableMovieTest,
                         ::testing::Values("missing.webm", "broken.webm"));

TEST_F(MovieRunTest, AudioOutNeedsAHeadlessRun) {
  BuildGame("ending.webm");
  auto run = RunTolven({"--audio-out", (dir_ / "out.wav").string(), (dir_ / "game").string()});
  EXPECT_EQ(run.exitStatus, 2) << run.output;
  EXPECT_NE(run.output.find("--headless"), std::string::npos) << run.output;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.wav"));
}

}  // namespace
}  // namespace tolven
