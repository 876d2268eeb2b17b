// `scroll` and `sroll` in a game played headless: clicks and close requests arriving from the
// event file while they run, what the player is asked afterwards, what stays on the screen, and
// the music the scrolling text stops.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/pcm.h"
#include "audio/wav_file.h"
#include "base/engine_values.h"
#include "game_run.h"
#include "screens/screen_rig.h"
#include "tools/png_file.h"

namespace tolven {
namespace {

using testing::PlacePicture;

bool Black(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

class ScrollRunTest : public testing::GameRunTest {
 protected:
  struct Outcome {
    bool closed;       // the game ended: the dump after the input was never written
    int engineState;   // in the dump 300 ms after the input
    int scriptWentOn;  // V001, set by the line after the command
    bool interrupt;    // a request left over in that dump
  };

  Outcome Play(const std::string& events, std::vector<std::string> options = {}) {
    std::filesystem::remove(dir_ / "during.json");
    std::filesystem::remove(dir_ / "after.json");
    const auto run =
        RunGame("wait 600\ndump " + Path("during.json") + "\n" + events + "\nwait 300\ndump " +
                    Path("after.json") + "\nshot " + Path("after.png") + "\nquit\n",
                options);
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(dir_ / "during.json")) << "the command was still running";
    if (!std::filesystem::exists(dir_ / "after.json")) return {true, -1, -1, false};
    const nlohmann::json after = Dump("after.json");
    return {false, after["engine_state"].get<int>(), after["V"].value("1", 0),
            after["interrupt_request"].get<int>() != 0};
  }
};

// A picture of 800 x 700 moving down at 20 ms a pixel takes two seconds; everything arrives
// 600 ms into the run.
TEST_F(ScrollRunTest, AClickOrACloseRequestCutsAScrollShortAndTheCloseThenAsksToQuit) {
  const Bitmap24 picture = PlacePicture(800, 700);
  testing::WriteFileBytes(dir_ / "src" / "pictures" / "A_TALL.png", tools::PngBytes(picture));
  Script("main", "*scroll A_TALL,2,20,0\n!V001=1\n*sleep 10\n");
  BuildGame();
  struct Case {
    const char* events;
    bool closed;
  };
  const Case cases[] = {
      {"click 400 300", false},
      {"answer cancel\nquit", false},
      {"answer ok\nquit", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.events);
    const Outcome outcome = Play(c.events);
    EXPECT_EQ(Dump("during.json")["engine_state"], static_cast<int>(EngineScreen::Scroll));
    EXPECT_EQ(outcome.closed, c.closed);
    if (c.closed) continue;
    EXPECT_EQ(outcome.engineState, 0);
    EXPECT_EQ(outcome.scriptWentOn, 1) << "ended long before its two seconds";
    EXPECT_FALSE(outcome.interrupt);
    // The view at the end of the travel: the picture's bottom 600 rows.
    const Bitmap24 shot = tools::ReadPng(Path("after.png"));
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {799, 599}, {300, 250}}) {
      const uint8_t* seen = shot.Row(y) + 3 * x;
      const uint8_t* expected = picture.Row(y + 100) + 3 * x;
      EXPECT_TRUE(std::equal(seen, seen + 3, expected)) << x << "," << y;
    }
  }
}

// Forty lines rise for 720 rows, 21.6 seconds.
TEST_F(ScrollRunTest, SrollEndsAtACloseRequestAlwaysAndAtAClickOnlyAfterTheGameWasCompleted) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "Line " + std::to_string(i) + " of the credits\n";
  Script("sroll", text + "}\n");
  Pcm tune{22050, 2, {}};
  for (int i = 0; i < 22050 * 2; ++i) {
    const auto value = static_cast<int16_t>(6000 * std::sin(i * 0.05));
    tune.samples.insert(tune.samples.end(), {value, value});
  }
  testing::WriteFileBytes(dir_ / "src" / "music" / "M01.wav", WavBytes(tune));
  struct Case {
    const char* setup;
    const char* events;
    bool closed;
    bool cut;
  };
  const Case cases[] = {
      {"", "answer cancel\nquit", false, true},
      {"", "answer ok\nquit", true, true},
      {"", "click 400 300", false, false},
      {"!E999=1\n", "click 400 300", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setup) + c.events);
    Script("main", std::string(c.setup) + "*music 1\n*sroll\n!V001=1\n*sleep 10\n");
    BuildGame();
    const Outcome outcome = Play(c.events, {"--audio-out", Path("out.wav")});
    const nlohmann::json during = Dump("during.json");
    EXPECT_EQ(during["engine_state"], static_cast<int>(EngineScreen::ScrollingText));
    EXPECT_TRUE(during["sound"]["music"]["streaming"]) << "the music plays under the text";
    EXPECT_EQ(outcome.closed, c.closed);
    if (c.closed) continue;
    EXPECT_FALSE(outcome.interrupt);
    if (!c.cut) {
      EXPECT_EQ(outcome.engineState, static_cast<int>(EngineScreen::ScrollingText));
      continue;
    }
    EXPECT_EQ(outcome.engineState, 0);
    EXPECT_EQ(outcome.scriptWentOn, 1);
    const nlohmann::json after = Dump("after.json");
    EXPECT_FALSE(after["sound"]["music"]["streaming"]);
    EXPECT_EQ(after["sound"]["music"]["playing"], 0);
    // The last view: the last line 216 rows down the column, black below it and around it.
    const Bitmap24 shot = tools::ReadPng(Path("after.png"));
    int white = 0;
    for (int y = 20; y < 260; ++y) {
      for (int x = 270; x < 690; ++x) white += !Black(shot, x, y);
    }
    EXPECT_GT(white, 100);
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        const bool column = x >= 270 && x < 690 && y >= 20 && y < 260;
        if (!column) {
          ASSERT_TRUE(Black(shot, x, y)) << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tolven
