// Movies in runs of the real tolven: shown in the window where PB was, and decoded unseen in
// headless runs, where they end at the same engine time on every run.
#include <gtest/gtest.h>

#include <string>

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

// The sample game's closing movie: 3 s of a night sky with a train's lit windows.
constexpr const char* kMovie = TOLVEN_SOURCE_DIR "/samples/demo/movies/ending.webm";

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

  // Whether the dump says the engine is held (as it is while a movie plays).
  bool Busy(const std::string& dump) {
    const std::vector<uint8_t> bytes = ReadFileBytes(dir_ / dump);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\"busy\""), std::string::npos) << dump;
    return text.find("\"busy\": true") != std::string::npos;
  }

  testing::TempDir dir_;
  ScopedEnvironment video_;
  ScopedEnvironment audio_;
  ScopedEnvironment runtime_;
};

// The train's lit windows: warm yellow, which nothing of the engine's own black screen is.
int LitWindowPixels(const Bitmap24& picture, int top) {
  int lit = 0;
  for (int y = top; y < picture.Height(); ++y) {
    const uint8_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      const uint8_t* p = row + 3 * x;
      if (p[2] > 200 && p[1] > 150 && p[0] < 160) ++lit;
    }
  }
  return lit;
}

TEST_F(MovieRunTest, TheWindowShowsTheMovieWherePbWasUntilItEnds) {
  BuildGame("ending.webm");
  const std::string during = (dir_ / "during.png").string();
  const std::string after = (dir_ / "after.png").string();
  auto run = Run("wait 1000\nshot-window " + during + "\ndump " + Path("during.json") +
                 "\nwait 3500\nshot-window " + after + "\ndump " + Path("after.json") + "\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(run.output, "") << "a movie plays quietly";

  Bitmap24 picture;
  std::string why;
  ASSERT_TRUE(DecodePng(ReadFileBytes(during), picture, why)) << why;
  ASSERT_EQ(picture.Height(), 624);
  EXPECT_GT(LitWindowPixels(picture, 24), 5000);
  EXPECT_EQ(LitWindowPixels(picture, 0) - LitWindowPixels(picture, 24), 0)
      << "the menu bar stays above the movie";
  EXPECT_TRUE(Busy("during.json"));

  ASSERT_TRUE(DecodePng(ReadFileBytes(after), picture, why)) << why;
  EXPECT_EQ(LitWindowPixels(picture, 24), 0) << "PB is back once the movie ended";
  EXPECT_FALSE(Busy("after.json"));
}

TEST_F(MovieRunTest, AHeadlessMovieEndsAtTheSameEngineTimeEveryRun) {
  BuildGame("ending.webm");
  // Table: engine time → held by the movie. The movie runs 3 s; the engine looks for its end
  // every eleventh timer tick.
  const struct {
    int at;
    bool busy;
  } cases[] = {{1000, true}, {2900, true}, {4000, false}};
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
  }
}

class UnplayableMovieTest : public MovieRunTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(UnplayableMovieTest, IsPassedOver) {
  BuildGame(GetParam());
  auto run = Run("wait 500\ndump " + Path("after.json") + "\nquit\n", {"--headless"});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(run.output, "");
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
