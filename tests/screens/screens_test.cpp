// What the full-screen modes share: the registry the engine routes by, the scope that holds the
// engine during a blocking sequence, the return point of a scene replay, text in a named face.
#include <gtest/gtest.h>

#include <stdexcept>

#include "resources/bitmap24.h"
#include "screens/effect_scope.h"
#include "screens/replay_return.h"
#include "screens/screen_registry.h"
#include "screens/screen_text.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven {
namespace {

class CountingHost final : public QuietInterpreterHost {
 public:
  CountingHost() : QuietInterpreterHost(false, false) {}
  void UpdateMenuBar() override { ++menuRefreshes; }
  void ResetWaits() override { ++waitResets; }
  int menuRefreshes = 0;
  int waitResets = 0;
};

class Pressed final : public Screen {
 public:
  void Press(MouseButton, int x, int) override { lastX = x; }
  bool WaitsForInput() const override { return true; }
  int lastX = -1;
};

TEST(ScreenRegistryTest, EachStateFindsTheScreenRegisteredForItAndNoOther) {
  ScreenRegistry registry;
  Pressed viewer;
  Pressed shop;
  registry.Register(EngineScreen::Viewer, viewer);
  registry.Register(EngineScreen::Shop, shop);
  EXPECT_EQ(registry.Find(EngineScreen::Viewer), &viewer);
  EXPECT_EQ(registry.Find(EngineScreen::Shop), &shop);
  EXPECT_EQ(registry.Find(EngineScreen::Story), nullptr);
  EXPECT_EQ(registry.Find(EngineScreen::Scroll), nullptr);
  // A state no screen stands for, as a damaged save could hold.
  EXPECT_EQ(registry.Find(static_cast<EngineScreen>(-3)), nullptr);
  EXPECT_EQ(registry.Find(static_cast<EngineScreen>(11)), nullptr);
  registry.Register(EngineScreen::Shop, viewer);
  EXPECT_EQ(registry.Find(EngineScreen::Shop), &viewer) << "the later registration holds";
}

TEST(EffectScopeTest, HoldsTheEngineAndGivesItBackOnEveryWayOut) {
  EngineFlags flags;
  CountingHost host;
  flags.InterruptRequest = Interrupt::Click;
  auto check = [&](bool held) {
    EXPECT_EQ(flags.Busy, held);
    EXPECT_EQ(flags.EffectRunning, held);
    EXPECT_EQ(flags.MenuLocked, held);
  };
  {
    EffectScope scope(flags, host);
    check(true);
    EXPECT_EQ(flags.InterruptRequest, Interrupt::None) << "an old click belongs to no sequence";
    EXPECT_EQ(host.menuRefreshes, 1);
    flags.InterruptRequest = Interrupt::Close;
  }
  check(false);
  EXPECT_EQ(host.menuRefreshes, 2);
  EXPECT_EQ(flags.InterruptRequest, Interrupt::Close) << "a close request still reaches the window";

  EXPECT_THROW(
      {
        EffectScope scope(flags, host);
        throw std::runtime_error("picture missing");
      },
      std::runtime_error);
  check(false);

  // Inside another hold (a dialog's Busy) the scope gives back what it found.
  flags.Busy = true;
  { EffectScope scope(flags, host); }
  EXPECT_TRUE(flags.Busy);
  EXPECT_FALSE(flags.EffectRunning);
}

TEST(ReplayReturnTest, TheStoryComesBackWhereItStoodWithItsCallStack) {
  testing::TempDir dir;
  auto script = [](const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    for (uint8_t& b : bytes) b = b == '\n' ? 0 : b;
    return bytes;
  };
  testing::WriteFileBytes(dir.Path() / kDataArchive,
                          tools::BuildArchive(ArchiveLayout::A, {{"story", script("!V001=1\n")},
                                                                 {"scene", script("!V002=2\n")}}));
  CountingHost host;
  StandaloneInterpreter run(dir.Path(), host);
  run.archives.LoadScriptIndexes();
  ReplayReturn replay(run.interpreter, run.flags, host);
  InterpreterState& state = run.interpreter.State();
  ASSERT_TRUE(run.interpreter.LoadScript("story", kScriptMode));
  state.CurrentScript = "story";
  state.ReadPos = 3;
  state.calls.CallDepth = 2;
  state.calls.CallNames[0] = "main";
  state.calls.CallNames[1] = "chapter";
  state.calls.CallPositions[1] = 40;

  replay.StartReplay(ReplayOrigin::Viewer);
  EXPECT_TRUE(replay.Running());
  EXPECT_TRUE(run.flags.ReplayActive) << "the one flag `end` and `exit` look at";
  EXPECT_EQ(state.calls.CallDepth, 0);
  // The scene runs and calls scripts of its own.
  ASSERT_TRUE(run.interpreter.LoadScript("scene", kScriptMode));
  state.CurrentScript = "scene";
  state.ReadPos = 5;
  state.calls.CallDepth = 1;
  state.calls.CallNames[0] = "scene";
  state.calls.CallPositions[1] = 99;

  replay.EndReplay();
  EXPECT_FALSE(run.flags.ReplayActive);
  EXPECT_EQ(host.waitResets, 1);
  EXPECT_EQ(state.CurrentScript, "story");
  EXPECT_EQ(state.LoadedScriptName, "story");
  EXPECT_EQ(state.ReadPos, 3u);
  EXPECT_TRUE(state.NeedLine);
  EXPECT_EQ(state.calls.CallDepth, 2);
  EXPECT_EQ(state.calls.CallNames[0], "main");
  EXPECT_EQ(state.calls.CallNames[1], "chapter");
  EXPECT_EQ(state.calls.CallPositions[1], 40);
}

int CountColour(const Bitmap24& picture, uint8_t blue, uint8_t green, uint8_t red) {
  int count = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const uint8_t* p = picture.Row(y) + 3 * x;
      count += p[0] == blue && p[1] == green && p[2] == red;
    }
  }
  return count;
}

TEST(ScreenTextTest, WritesInTheNamedFaceOverAnOpaqueOrTransparentBackground) {
  ScreenText gothic("ＭＳ ゴシック", 20);
  ASSERT_TRUE(gothic.HasFont()) << "the stand-in face of the gothic is installed";
  const std::string text = "\x83\x65\x83\x58\x83\x67";  // テスト in Shift-JIS
  EXPECT_EQ(gothic.Width(text), 60) << "three full-width characters of a 20-pixel face";

  Bitmap24 picture(100, 40);
  gothic.Draw(text, picture, 10, 5, TextRgb{255, 255, 255});
  const int strokes = CountColour(picture, 255, 255, 255);
  EXPECT_GT(strokes, 50);
  EXPECT_EQ(CountColour(picture, 0, 0, 0), 100 * 40 - strokes) << "nothing but strokes drawn";

  Bitmap24 boxed(100, 40);
  gothic.Draw(text, boxed, 10, 5, TextRgb{255, 255, 255}, TextRgb{0, 0, 128});
  EXPECT_EQ(CountColour(boxed, 128, 0, 0) + CountColour(boxed, 255, 255, 255), 60 * 20)
      << "the box of the text, its width by the line height, is filled first";
  EXPECT_EQ(CountColour(boxed, 255, 255, 255), strokes);

  // Text running off every edge is cut, and a face that is not installed writes nothing.
  Bitmap24 small(16, 8);
  gothic.Draw(text, small, -30, -12, TextRgb{255, 0, 0}, TextRgb{0, 255, 0});
  ScreenText missing("No Such Face 9", 20);
  EXPECT_FALSE(missing.HasFont());
  Bitmap24 untouched(100, 40);
  missing.Draw(text, untouched, 0, 0, TextRgb{255, 255, 255}, TextRgb{1, 2, 3});
  EXPECT_EQ(CountColour(untouched, 0, 0, 0), 100 * 40);
}

}  // namespace
}  // namespace tolven
