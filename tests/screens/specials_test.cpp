// The one-shot sequences of `special` on a virtual clock: the completion rate over the event
// flags and where it is written, the letterbox's rows and factors, the flashes' timing, the
// shaken window's moves, the sepia fade, and what a close request during one of them leads to.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics/transition_rig.h"
#include "screens/screen_rig.h"
#include "screens/screen_text.h"
#include "screens/specials.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"

namespace tolven {
namespace {

// Counts the quit questions and whether the engine was free when each was asked.
class QuitAsker final : public QuietInterpreterHost {
 public:
  explicit QuitAsker(EngineFlags& flags) : QuietInterpreterHost(false, false), flags_(flags) {}
  void ConfirmQuitAfterEffect() override { askedWhileHeld.push_back(flags_.EffectRunning); }
  std::vector<bool> askedWhileHeld;

 private:
  EngineFlags& flags_;
};

struct SpecialsRig : testing::ScreenRig<testing::RecordingHost> {
  SpecialsRig() {
    pb.Draw() = testing::Noise(7);
    host.start = host.now;
  }

  QuitAsker engine{flags};
  Specials specials{
      {host, clock, pb, stage, archives, definitions, variables, flags, engine, trace}};
};

// The 228 counted flags, by number.
std::vector<int> CountedFlags() {
  std::vector<int> flags;
  for (auto [first, last] : std::array<std::array<int, 2>, 7>{
           {{1, 38}, {101, 131}, {201, 250}, {301, 337}, {401, 444}, {501, 521}, {601, 607}}}) {
    for (int n = first; n <= last; ++n) flags.push_back(n);
  }
  return flags;
}

TEST(SpecialsTest, TheCompletionRateCountsOnlyTheListedEventFlags) {
  const std::vector<int> counted = CountedFlags();
  ASSERT_EQ(counted.size(), 228u);
  const std::vector<int> outside = {0, 39, 100, 132, 200, 251, 338, 445, 522, 600, 608, 999};
  struct Case {
    const char* what;
    std::vector<int> set;
    int rate;
  };
  const Case cases[] = {
      {"none", {}, 0},
      {"all", counted, 100},
      {"only neighbours of the runs", outside, 0},
      {"the first of each run", {1, 101, 201, 301, 401, 501, 601}, 3},  // 700 / 228
      {"two: 200 / 228 rounds down", {38, 607}, 0},
      {"three", {38, 607, 444}, 1},
      {"all but one", std::vector<int>(counted.begin() + 1, counted.end()), 99},
      {"all but one and every neighbour",
       [&] {
         std::vector<int> set(counted.begin() + 1, counted.end());
         set.insert(set.end(), outside.begin(), outside.end());
         return set;
       }(),
       99},
      {"half", std::vector<int>(counted.begin(), counted.begin() + 114), 50},
  };
  for (const Case& c : cases) {
    SpecialsRig rig;
    for (int n : c.set) rig.variables.SetBit('E', n);
    EXPECT_EQ(Specials::CompletionRate(rig.variables), c.rate) << c.what;
  }
}

// The rate in the screen's gothic at height 32, white and without a background, its advance
// ending at x = 570 and its top at y = 12: drawn there on a copy by hand, the screen must be
// that copy exactly. Only PB changes.
TEST(SpecialsTest, TheRateIsWrittenWhiteOnTheScreenEndingAtX570) {
  for (const bool all : {true, false}) {
    SpecialsRig rig;
    if (all) {
      for (int n : CountedFlags()) rig.variables.SetBit('E', n);
    }
    rig.variables.SetBit('E', 999);
    const std::string digits = all ? "100" : "0";
    SCOPED_TRACE(digits);
    Bitmap24 expected = rig.pb.Picture();
    ScreenText gothic("ＭＳ ゴシック", 32);
    ASSERT_GT(gothic.Width(digits), 0) << "the face is installed";
    gothic.Draw(digits, expected, 570 - gothic.Width(digits), 12, {255, 255, 255});
    ASSERT_NE(expected, rig.pb.Picture());
    const Bitmap24 stageBefore = rig.stage.Buffers().StageBuffer;

    rig.specials.Special("6");
    EXPECT_EQ(rig.pb.Picture(), expected);
    EXPECT_EQ(rig.stage.Buffers().StageBuffer, stageBefore);
    EXPECT_EQ(rig.host.frames.size(), 1u);
  }
}

// "2,a,b,c": the rows above a and from b on become byte x c / 16 (rounded down, held at 255),
// the rows between are kept, and the result is on the stage and the screen.
TEST(SpecialsTest, TheLetterboxScalesTheRowsOutsideTheBand) {
  using Scale = std::function<int(int)>;
  const Scale half = [](int x) { return x / 2; };
  const Scale same = [](int x) { return x; };
  const Scale black = [](int) { return 0; };
  const Scale doubled = [](int x) { return std::min(2 * x, 255); };
  const Scale full = [](int x) { return x == 0 ? 0 : 255; };
  struct Case {
    std::string argument;
    int top;     // rows before it are scaled
    int bottom;  // rows from it on are scaled
    Scale scale;
  };
  const Case cases[] = {
      {"2,100,500,8", 100, 500, half},
      {"2,0,600,8", 0, 600, same},
      {"2,100,500,16", 100, 500, same},
      {"2,100,500,0", 100, 500, black},
      {"2,100,500,-3", 100, 500, black},
      {"2,100,500,32", 100, 500, doubled},
      {"2,100,500,99999999999", 100, 500, full},
      {"2,-50,900,8", 0, 600, same},
      {"2,300,200,8", 300, 200, half},  // bands overlap: scaled once
      {"2,600,0,8", 600, 0, half},
      {"2, 7x,590junk,12", 7, 590, [](int x) { return x * 12 >> 4; }},
      {"2", 0, 0, black},  // nothing given: a = b = c = 0
      {"2,100", 100, 0, black},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    SpecialsRig rig;
    Bitmap24& stage = rig.stage.Buffers().StageBuffer;
    stage = testing::Noise(11);
    const Bitmap24 original = stage;
    rig.specials.Special(c.argument);
    int wrong = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
      const bool scaled = y < c.top || y >= c.bottom;
      for (size_t b = 0; b < stage.RowBytes(); ++b) {
        const int x = original.Row(y)[b];
        wrong += stage.Row(y)[b] != (scaled ? c.scale(x) : x);
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(rig.pb.Picture(), stage) << "shown";
    EXPECT_EQ(rig.host.frames.size(), 1u);
  }
}

// Seven times white for 20 ms and the kept screen for 20 ms, each shown as it comes; the
// screen ends as it was.
TEST(SpecialsTest, SevenFlashesAlternateEvery20MsAndLeaveTheScreenAsItWas) {
  SpecialsRig rig;
  const Bitmap24 kept = rig.pb.Picture();
  std::string seen;
  rig.host.onPresent = [&](const Bitmap24& shown) {
    const Bitmap24 white = testing::Uniform(255);
    seen += shown == white ? 'W' : shown == kept ? 'K' : '?';
  };
  rig.specials.Special("0");
  EXPECT_EQ(seen, "WKWKWKWKWKWKWK");
  ASSERT_EQ(rig.host.frames.size(), 14u);
  for (size_t i = 0; i < rig.host.frames.size(); ++i) {
    EXPECT_EQ(rig.host.frames[i].time, 20 * i) << i;
    EXPECT_TRUE(rig.host.frames[i].effectRunning) << "the engine is held";
  }
  EXPECT_EQ(rig.host.Elapsed(), 280u);
  EXPECT_EQ(rig.pb.Picture(), kept);
  EXPECT_FALSE(rig.flags.EffectRunning);
  EXPECT_FALSE(rig.flags.Busy);
}

TEST(SpecialsTest, TheWindowShakes20PixelsUpAndDownTenTimesThenGoesBack) {
  SpecialsRig rig;
  rig.specials.Special("1");
  std::vector<std::array<int, 3>> moves;
  for (const auto& move : rig.host.moves) {
    moves.push_back({static_cast<int>(move.time), move.dx, move.dy});
  }
  EXPECT_EQ(moves, (std::vector<std::array<int, 3>>{{0, 0, -20},
                                                    {50, 0, 20},
                                                    {100, 0, -20},
                                                    {150, 0, 20},
                                                    {200, 0, -20},
                                                    {250, 0, 20},
                                                    {300, 0, -20},
                                                    {350, 0, 20},
                                                    {400, 0, -20},
                                                    {450, 0, 20},
                                                    {500, 0, 0}}));
}

// 3 and 4 are the stage's sepia fade: both end on the screen exactly where the fade itself
// ends.
TEST(SpecialsTest, ThreeAndFourRunTheSepiaFade) {
  SpecialsRig reference;
  reference.stage.Buffers().SceneBuffer = testing::Noise(3);
  reference.stage.SepiaFadeIn();
  for (const char* argument : {"3", "4"}) {
    SpecialsRig rig;
    rig.stage.Buffers().SceneBuffer = testing::Noise(3);
    rig.specials.Special(argument);
    EXPECT_EQ(rig.pb.Picture(), reference.pb.Picture()) << argument;
    EXPECT_EQ(rig.host.Elapsed(), reference.host.Elapsed()) << argument;
    EXPECT_FALSE(rig.flags.Busy);
  }
}

// A close request during a held sequence lets it finish, then asks once whether to quit, with
// the engine free again; a click asks nothing and is not left behind.
TEST(SpecialsTest, ACloseRequestIsAskedAboutAfterTheSequenceAndAClickIsDropped) {
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "close" : "click");
    SpecialsRig rig;
    if (close) {
      rig.host.closeAt = 100;
    } else {
      rig.host.clickAt = 100;
    }
    rig.specials.Special("0");
    EXPECT_EQ(rig.host.frames.size(), 14u) << "the flashes run to their end";
    EXPECT_EQ(rig.engine.askedWhileHeld, close ? std::vector<bool>{false} : std::vector<bool>{});
    EXPECT_EQ(rig.flags.InterruptRequest, Interrupt::None);
  }
}

TEST(SpecialsTest, AnUnknownOrMissingDigitDoesNothing) {
  for (const char* argument : {"", "7", "9,1,2", "x", " 0", "-1"}) {
    SpecialsRig rig;
    const Bitmap24 before = rig.pb.Picture();
    rig.specials.Special(argument);
    EXPECT_TRUE(rig.host.frames.empty()) << argument;
    EXPECT_TRUE(rig.host.moves.empty()) << argument;
    EXPECT_EQ(rig.host.Elapsed(), 0u) << argument;
    EXPECT_EQ(rig.pb.Picture(), before) << argument;
  }
}

}  // namespace
}  // namespace tolven
