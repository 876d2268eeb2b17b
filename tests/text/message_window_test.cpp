// The message window: its tint, the panel built over a known scene and its cache, opening and
// closing it on a virtual clock, the full-screen text switch and the click-wait icon.
#include "text/message_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"
#include "window_rig.h"

namespace tolven {
namespace {

using testing::Grey;
using testing::PixelAt;
using testing::Uniform;
using Pixel = std::array<uint8_t, 3>;

void FillRectangle(Bitmap24& picture, int left, int top, int width, int height, Pixel colour) {
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x)
      std::copy(colour.begin(), colour.end(), picture.Row(y) + 3 * x);
  }
}

// The icon sheet: frame i is grey 10i + 20 through a mask that keeps the stage in its column 0,
// blends half in column 1 and takes the icon everywhere else.
Bitmap24 ClickWaitSheet() {
  Bitmap24 sheet(kClickWaitFrames * kClickWaitIconWidth, 2 * kClickWaitIconHeight);
  for (int i = 0; i < kClickWaitFrames; ++i) {
    const int left = i * kClickWaitIconWidth;
    FillRectangle(sheet, left, 0, kClickWaitIconWidth, kClickWaitIconHeight,
                  Grey(static_cast<uint8_t>(10 * i + 20)));
    FillRectangle(sheet, left, kClickWaitIconHeight, kClickWaitIconWidth, kClickWaitIconHeight,
                  Grey(255));
    FillRectangle(sheet, left, kClickWaitIconHeight, 1, kClickWaitIconHeight, Grey(0));
    FillRectangle(sheet, left + 1, kClickWaitIconHeight, 1, kClickWaitIconHeight, Grey(128));
  }
  return sheet;
}

class MessageWindowTest : public ::testing::Test, protected testing::WindowRig {
 protected:
  MessageWindowTest() {
    window_.drawQuickButtons = [this](int target) { quickButtonTargets_.push_back(target); };
    window_.resetPageState = [this] { calls_ += "reset "; };
    window_.markPageEmpty = [this] { calls_ += "empty "; };
    window_.clearPage = [this] { calls_ += "clear "; };
    window_.redrawPage = [this] { calls_ += "redraw "; };
  }

  // Puts "sys_clickw" into a picture archive and loads the system pictures from it.
  void LoadIconSheet(const Bitmap24& sheet) {
    testing::WriteFileBytes(
        dir_ / "qe_gra.tvk",
        tools::BuildArchive(ArchiveLayout::B, {{"SYS_CLICKW", tools::EncodePackedPicture(sheet)}}));
    archives_.LoadMediaIndexes();
    window_.LoadSystemPictures(archives_);
  }

  ScreenBuffers& Buffers() { return stage_.Buffers(); }

  std::vector<int> quickButtonTargets_;
  std::string calls_;
};

TEST_F(MessageWindowTest, TintHoldsTheColourAboveAndTheStrengthWithASoftTopEdgeBelow) {
  const struct {
    WindowTint tint;
    Pixel colour;                            // blue, green, red of rows 0-179
    std::vector<std::pair<int, int>> greys;  // strength rows 180-359: row, grey
  } cases[] = {
      {{}, {0, 0, 0}, {{180, 0}, {181, 5}, {188, 45}, {195, 84}, {196, 90}, {359, 90}}},
      {{16, 32, 64, 255}, {64, 32, 16}, {{180, 0}, {181, 15}, {195, 239}, {196, 255}, {359, 255}}},
      {{255, 0, 7, 0}, {7, 0, 255}, {{180, 0}, {190, 0}, {196, 0}, {300, 0}}},
      // Settings outside a byte count as its nearer end.
      {{300, -4, 0, 999}, {0, 0, 255}, {{181, 15}, {196, 255}}},
  };
  for (const auto& c : cases) {
    window_.BuildTint(c.tint);
    const Bitmap24& tint = window_.TintBuffer();
    ASSERT_EQ(tint.Width(), kScreenWidth);
    ASSERT_EQ(tint.Height(), 360);
    for (int row : {0, 90, 179}) {
      for (int x : {0, 799}) EXPECT_EQ(PixelAt(tint, x, row), c.colour) << "row " << row;
    }
    for (const auto& [row, grey] : c.greys) {
      for (int x : {0, 400, 799}) {
        EXPECT_EQ(PixelAt(tint, x, row), Grey(static_cast<uint8_t>(grey)))
            << "A " << c.tint.TXBG_A << " row " << row;
      }
    }
  }
}

TEST_F(MessageWindowTest, PanelIsTheSceneTintedThroughTheStrengthAndLandsAt420) {
  const Pixel scene = {200, 100, 50};
  const struct {
    WindowTint tint;
    std::vector<std::pair<int, Pixel>> rows;  // panel row, its pixel
  } cases[] = {
      // Black at 90: the soft edge starts with the scene itself, then scene * (255 - m) >> 8.
      {{}, {{0, scene}, {8, {164, 82, 41}}, {16, {128, 64, 32}}, {179, {128, 64, 32}}}},
      // m = 128 adds colour * 128 >> 8 to scene * 127 >> 8.
      {{16, 32, 64, 128}, {{16, {131, 65, 32}}}},
      // Full strength is the colour exactly; its first edge row is m = 15.
      {{16, 32, 64, 255}, {{1, {190, 94, 46}}, {16, {64, 32, 16}}, {179, {64, 32, 16}}}},
      {{16, 32, 64, 0}, {{16, scene}, {179, scene}}},
  };
  for (const auto& c : cases) {
    Buffers().SceneBuffer = Uniform(0);
    FillRectangle(Buffers().SceneBuffer, 0, kMessageWindowTop, kScreenWidth, kMessageWindowHeight,
                  scene);
    Buffers().StageBuffer = Uniform(7);
    flags_.WindowShown = false;
    window_.BuildTint(c.tint);
    window_.BuildWindowPicture();
    window_.WinOpen();
    const Bitmap24& stage = Buffers().StageBuffer;
    for (const auto& [row, pixel] : c.rows) {
      for (int x : {0, 399, 799}) {
        EXPECT_EQ(PixelAt(window_.WindowPicture(), x, row), pixel) << "row " << row;
        EXPECT_EQ(PixelAt(stage, x, kMessageWindowTop + row), pixel) << "row " << row;
      }
    }
    EXPECT_EQ(PixelAt(stage, 0, kMessageWindowTop - 1), Grey(7)) << "above the panel";
  }
  EXPECT_EQ(calls_, "redraw redraw redraw redraw ") << "the page goes over each opened panel";
}

TEST_F(MessageWindowTest, CachedPanelIsReusedUntilTheSceneOrSettingsMarkItStale) {
  window_.BuildTint({});
  Buffers().SceneBuffer = Uniform(200);
  FillRectangle(Buffers().SceneBuffer, 760, 468, 24, 110, Grey(100));
  window_.BuildWindowPicture();
  ASSERT_TRUE(window_.CacheValid());
  EXPECT_EQ(PixelAt(window_.WindowPicture(), 0, 50), Grey(128));
  EXPECT_EQ(window_.WindowCache(), window_.WindowPicture());
  // The panel under the quick buttons, at (760, 48) within it, is kept.
  EXPECT_EQ(PixelAt(window_.WindowPicture(), 759, 48), Grey(128));
  EXPECT_EQ(PixelAt(window_.WindowPicture(), 760, 48), Grey(64));
  for (int x : {0, 23}) {
    for (int y : {0, 109}) EXPECT_EQ(PixelAt(window_.QuickButtonBackground(), x, y), Grey(64));
  }

  // A scene change nobody reported: the cached panel comes back.
  Buffers().SceneBuffer = Uniform(100);
  window_.WindowPicture() = Uniform(1);
  window_.BuildWindowPicture();
  EXPECT_EQ(PixelAt(window_.WindowPicture(), 0, 50), Grey(128));

  window_.MarkStale();
  window_.BuildWindowPicture();
  EXPECT_EQ(PixelAt(window_.WindowPicture(), 0, 50), Grey(64)) << "100 * 165 >> 8";
  EXPECT_TRUE(window_.CacheValid());

  window_.BuildTint({0, 0, 0, 255});
  EXPECT_FALSE(window_.CacheValid()) << "a settings change";
  window_.BuildWindowPicture();
  EXPECT_EQ(PixelAt(window_.WindowPicture(), 0, 50), Grey(0));
  EXPECT_EQ(quickButtonTargets_, (std::vector<int>{2, 2, 2, 2}))
      << "every build draws the buttons into the window pictures";
}

TEST_F(MessageWindowTest, FullScreenTextKeepsOnlyTheStageUnderTheQuickButtons) {
  state_.S(sv::kTextMode) = 1;
  Buffers().StageBuffer = Uniform(9);
  FillRectangle(Buffers().StageBuffer, 760, 468, 24, 110, Grey(33));
  window_.WindowPicture() = Uniform(1);
  window_.BuildWindowPicture();
  for (int x : {0, 23}) {
    for (int y : {0, 109}) EXPECT_EQ(PixelAt(window_.QuickButtonBackground(), x, y), Grey(33));
  }
  EXPECT_EQ(window_.WindowPicture(), Uniform(1)) << "no panel in full-screen text";
  EXPECT_FALSE(window_.CacheValid());

  flags_.WindowShown = true;
  window_.OverlayWindow();
  EXPECT_EQ(PixelAt(Buffers().StageBuffer, 0, kMessageWindowTop), Grey(9));
  EXPECT_EQ(quickButtonTargets_, std::vector<int>{0}) << "only the buttons, on the stage";
  EXPECT_EQ(calls_, "");
}

TEST_F(MessageWindowTest, ItemCounterOnlyInWindowModeOfTheStoryWithACount) {
  int counted = 0;
  window_.drawItemCounter = [&] { ++counted; };
  bool held = false;
  window_.presentationHeld = [&] { return held; };
  const struct {
    EngineScreen screen;
    int count;
    int textMode;
    bool held;
    bool drawn;
  } cases[] = {
      {EngineScreen::Story, 1204, 0, false, true},
      {EngineScreen::Story, 0, 0, false, false},
      {EngineScreen::Story, 1204, 1, false, false},
      {EngineScreen::Story, 1204, 0, true, false},
      {EngineScreen::WindowHidden, 1204, 0, false, false},
  };
  for (const auto& c : cases) {
    counted = 0;
    flags_.EngineState = c.screen;
    state_.V(100) = c.count;
    state_.S(sv::kTextMode) = c.textMode;
    held = c.held;
    window_.OverlayWindow();
    EXPECT_EQ(counted, c.drawn ? 1 : 0) << "count " << c.count << " mode " << c.textMode;
  }
}

TEST_F(MessageWindowTest, OpeningMarksTheWindowAndDrawsOnlyWhenItWasClosed) {
  window_.BuildTint({});
  Buffers().SceneBuffer = Uniform(200);
  window_.BuildWindowPicture();
  Buffers().StageBuffer = Uniform(7);
  const uint64_t pbChanges = pb_.Changes();

  flags_.WindowShown = true;
  window_.WinOpen();
  EXPECT_EQ(Buffers().StageBuffer, Uniform(7)) << "already open: nothing";

  window_.TwSet(0);
  EXPECT_FALSE(window_.IsOpen());
  EXPECT_EQ(Buffers().StageBuffer, Uniform(7)) << "tw_set draws nothing";
  window_.WinOpen();
  EXPECT_TRUE(window_.IsOpen());
  EXPECT_EQ(PixelAt(Buffers().StageBuffer, 5, 599), Grey(128));
  EXPECT_EQ(pb_.Changes(), pbChanges) << "PB waits for the next present";

  window_.TwSet(-3);
  EXPECT_TRUE(window_.IsOpen());
}

TEST_F(MessageWindowTest, NewPageShowsThePanelOrTheDarkenedScene) {
  const struct {
    int textMode;
    bool open;
    int skip;
    uint8_t stagePanel;  // StageBuffer and PB inside the panel area afterwards
    uint8_t stageAbove;  // and above it
    uint8_t pbAbove;
    std::vector<int> quickButtons;
    std::string calls;
    WindowDisplay display;
  } cases[] = {
      // Darkened scene 201 * 8 * 16 >> 8 over the whole stage, and on PB.
      {1, false, 0, 100, 100, 100, {0}, "", WindowDisplay::FullScreenText},
      // Opening overlays the panel (201 * 165 >> 8) with the page, then shows the whole stage.
      {0, false, 0, 129, 7, 7, {0}, "redraw ", WindowDisplay::Window},
      // Already open: the panel alone, on the stage and the screen; above it nothing moves.
      {0, true, 0, 129, 7, 3, {1}, "", WindowDisplay::Window},
      {0, true, 2, 129, 7, 3, {1}, "", WindowDisplay::Window},
      // The fastest skip draws nothing at all.
      {0, true, 3, 7, 7, 3, {}, "", WindowDisplay::Closed},
  };
  window_.BuildTint({});
  for (const auto& c : cases) {
    state_.S(sv::kTextMode) = 0;
    state_.S(sv::kWindowDarkness) = 8;
    Buffers().SceneBuffer = Uniform(201);
    window_.MarkStale();
    window_.BuildWindowPicture();
    state_.S(sv::kTextMode) = c.textMode;
    Buffers().StageBuffer = Uniform(7);
    pb_.Draw() = Uniform(3);
    flags_.WindowShown = c.open;
    flags_.SkipState = c.skip;
    window_.SetDisplayState(WindowDisplay::Closed);
    quickButtonTargets_.clear();
    calls_.clear();
    window_.ShowNewPage();
    const std::string context = "mode " + std::to_string(c.textMode) + " open " +
                                std::to_string(c.open) + " skip " + std::to_string(c.skip);
    EXPECT_EQ(PixelAt(Buffers().StageBuffer, 0, kMessageWindowTop + 20), Grey(c.stagePanel))
        << context;
    EXPECT_EQ(PixelAt(Buffers().StageBuffer, 799, kMessageWindowTop - 1), Grey(c.stageAbove))
        << context;
    EXPECT_EQ(PixelAt(pb_.Picture(), 799, 599), Grey(c.skip == 3 ? 3 : c.stagePanel)) << context;
    EXPECT_EQ(PixelAt(pb_.Picture(), 0, kMessageWindowTop - 1), Grey(c.pbAbove)) << context;
    EXPECT_EQ(quickButtonTargets_, c.quickButtons) << context;
    EXPECT_EQ(calls_, c.calls) << context;
    EXPECT_EQ(window_.DisplayState(), c.display) << context;
    EXPECT_TRUE(window_.IsOpen() || c.textMode == 1) << context;
  }
}

class WindowCloseTest : public MessageWindowTest {
 protected:
  void Open() {
    Buffers().SceneBuffer = Uniform(200);
    Buffers().StageBuffer = Uniform(0);
    flags_.WindowShown = true;
    window_.SetDisplayState(WindowDisplay::Window);
    host_.start = host_.now;
    host_.frames.clear();
  }

  void ExpectClosedOnTheScene() {
    EXPECT_FALSE(window_.IsOpen());
    EXPECT_EQ(window_.DisplayState(), WindowDisplay::Closed);
    EXPECT_EQ(pb_.Picture(), Uniform(200));
    EXPECT_EQ(Buffers().StageBuffer, Uniform(200));
    EXPECT_FALSE(flags_.Busy);
    EXPECT_FALSE(flags_.EffectRunning);
    EXPECT_EQ(calls_, "reset empty ");
  }
};

TEST_F(WindowCloseTest, FadesFromStageToSceneIn320Milliseconds) {
  Open();
  host_.keepAt = {0, 10, 160, 310};
  window_.WinClose();
  ExpectClosedOnTheScene();
  ASSERT_EQ(host_.frames.size(), 33u) << "weights 0, 8, ..., 248, then the scene";
  EXPECT_EQ(host_.frames.back().time, 320u);
  for (size_t i = 0; i + 1 < host_.frames.size(); ++i) {
    EXPECT_EQ(host_.frames[i].time, 10 * i);
    EXPECT_TRUE(host_.frames[i].effectRunning);
  }
  // The scene's weight a: 200 * a >> 8.
  EXPECT_EQ(PixelAt(host_.kept.at(0), 0, 0), Grey(0));
  EXPECT_EQ(PixelAt(host_.kept.at(10), 0, 0), Grey(6));
  EXPECT_EQ(PixelAt(host_.kept.at(160), 0, 0), Grey(100));
  EXPECT_EQ(PixelAt(host_.kept.at(310), 799, 599), Grey(193));
}

TEST_F(WindowCloseTest, SlowFramesKeepTheDuration) {
  Open();
  host_.cost = 25;
  window_.WinClose();
  ExpectClosedOnTheScene();
  EXPECT_EQ(host_.frames.back().time, 330u) << "three intervals a frame, to weight 264";
  EXPECT_EQ(host_.frames.size(), 12u);
}

TEST_F(WindowCloseTest, SkipOrAClickShowTheSceneAtOnce) {
  const struct {
    int skip;
    std::optional<uint32_t> clickAt;
    uint32_t end;
  } cases[] = {{1, std::nullopt, 0}, {0, 50, 60}};
  for (const auto& c : cases) {
    calls_.clear();
    Open();
    flags_.SkipState = c.skip;
    host_.clickAt = c.clickAt;
    window_.WinClose();
    ExpectClosedOnTheScene();
    EXPECT_EQ(host_.frames.back().time, c.end) << "skip " << c.skip;
  }
}

TEST_F(WindowCloseTest, DoesNothingInFullScreenTextOrWhenClosed) {
  const struct {
    int textMode;
    bool open;
  } cases[] = {{1, true}, {0, false}};
  for (const auto& c : cases) {
    Open();
    state_.S(sv::kTextMode) = c.textMode;
    flags_.WindowShown = c.open;
    window_.WinClose();
    EXPECT_TRUE(host_.frames.empty());
    EXPECT_EQ(Buffers().StageBuffer, Uniform(0));
    EXPECT_EQ(window_.DisplayState(), WindowDisplay::Window);
    EXPECT_EQ(calls_, "");
  }
}

TEST_F(MessageWindowTest, FullScreenTextDarkensTheStageByTheDarknessSetting) {
  const struct {
    int darkness;
    uint8_t grey;  // 201 * S008 * 16 >> 8
  } cases[] = {{8, 100}, {4, 50}, {16, 201}, {0, 0}};
  for (const auto& c : cases) {
    state_.S(sv::kTextMode) = 0;
    state_.S(sv::kWindowDarkness) = c.darkness;
    Buffers().BackgroundBuffer = Uniform(201);
    calls_.clear();
    ASSERT_TRUE(window_.Mode(1));
    EXPECT_EQ(state_.S(sv::kTextMode), 1);
    EXPECT_EQ(window_.DisplayState(), WindowDisplay::FullScreenText);
    EXPECT_EQ(Buffers().StageBuffer, Uniform(c.grey)) << "S008 " << c.darkness;
    EXPECT_EQ(pb_.Picture(), Uniform(c.grey)) << "presented";
    EXPECT_EQ(calls_, "clear ");
    EXPECT_EQ(window_.CurrentTextArea().lines, 16);
  }

  calls_.clear();
  EXPECT_FALSE(window_.Mode(1)) << "the current mode";
  EXPECT_EQ(calls_, "") << "the page stays";

  state_.S(sv::kFullTextState) = 5;
  ASSERT_TRUE(window_.Mode(0));
  EXPECT_EQ(state_.S(sv::kTextMode), 0);
  EXPECT_EQ(state_.S(sv::kFullTextState), 0);
  EXPECT_EQ(window_.DisplayState(), WindowDisplay::Window);
  EXPECT_EQ(Buffers().StageBuffer, Uniform(201)) << "the scene again";
  EXPECT_EQ(window_.CurrentTextArea().lines, 4);
}

TEST_F(MessageWindowTest, ClickWaitIconCyclesWithTheTimerOverTheStage) {
  LoadIconSheet(ClickWaitSheet());
  Buffers().StageBuffer = Uniform(100);
  FillRectangle(Buffers().StageBuffer, 740, 575, 24, 25, Grey(40));
  const struct {
    int textMode;
    int x, y;
    uint8_t under;  // the stage at the icon position
  } modes[] = {{0, 720, 560, 100}, {1, 740, 575, 40}};
  for (const auto& m : modes) {
    state_.S(sv::kTextMode) = m.textMode;
    window_.BuildClickWaitFrames();
    const struct {
      uint32_t ticks;
      int frame;
    } ticks[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {17, 8}, {29, 14}, {30, 0}, {31, 0}, {32, 1}};
    for (const auto& t : ticks) {
      flags_.TimerTicks = t.ticks;
      window_.DrawClickWaitIcon();
      const uint8_t icon = static_cast<uint8_t>(10 * t.frame + 20);
      const Bitmap24& pb = pb_.Picture();
      EXPECT_EQ(PixelAt(pb, m.x, m.y), Grey(m.under)) << "mask 0 keeps the stage";
      EXPECT_EQ(PixelAt(pb, m.x + 1, m.y + 24),
                Grey(static_cast<uint8_t>((m.under * 127 >> 8) + (icon * 128 >> 8))));
      EXPECT_EQ(PixelAt(pb, m.x + 23, m.y + 12), Grey(icon)) << "tick " << t.ticks;
    }
  }

  bool held = true;
  window_.presentationHeld = [&] { return held; };
  const uint64_t changes = pb_.Changes();
  window_.DrawClickWaitIcon();
  EXPECT_EQ(pb_.Changes(), changes) << "message output holds the screen";
}

TEST_F(MessageWindowTest, MissingOrShortIconSheetLeavesABlankIcon) {
  Bitmap24 shortSheet(360, 49);
  std::fill(shortSheet.Data(), shortSheet.Data() + shortSheet.SizeBytes(), 255);
  for (const Bitmap24& sheet : {Bitmap24(), shortSheet}) {
    if (sheet.Empty()) {
      archives_.LoadMediaIndexes();
      window_.LoadSystemPictures(archives_);
    } else {
      LoadIconSheet(sheet);
    }
    EXPECT_EQ(window_.ClickWaitPicture(), Bitmap24(360, 50));
    Buffers().StageBuffer = Uniform(77);
    window_.BuildClickWaitFrames();
    EXPECT_EQ(window_.IconFrames(), [] {
      Bitmap24 frames(360, 25);
      std::fill(frames.Data(), frames.Data() + frames.SizeBytes(), 77);
      return frames;
    }()) << "only the stage shows";
  }
}

}  // namespace
}  // namespace tolven
