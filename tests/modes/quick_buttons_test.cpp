// The quick-button strip: which columns of its picture each look takes, where it is put, the
// hit test with its overlap and dead zone, hover highlights, the switches, the gauge, the click
// routing and the stop rule.
#include "modes/quick_buttons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/stage.h"
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

// Column groups of the hand-made "sys_qbtn", by left edge and width. A picture pixel of a group
// holds the group's id in blue, its row in green and its column within the group in red, so a
// strip pixel tells which group, row and column it was taken from.
struct Group {
  int left;
  int width;
  uint8_t id;
};
constexpr Group kPlain{40, 24, 1};
constexpr Group kGaugeAbove{64, 16, 2};
constexpr Group kUnderPointer{80, 24, 3};
constexpr Group kGaugeFromSpeed{104, 16, 4};
constexpr Group kOn{120, 24, 5};
constexpr Group kFiller{144, 16, 6};
constexpr int kSheetWidth = 184;
constexpr int kSheetHeight = 110;
// The masks: the one for "any button not normal" takes the left half, the one for "all normal"
// the right half, the gauge's takes all 16 columns.
constexpr int kMaskAny = 0;
constexpr int kMaskGauge = 24;
constexpr int kMaskNone = 160;

// What lies under the strip, unlike any group.
constexpr Pixel kBackground = {7, 8, 9};

Pixel From(const Group& group, int x, int y) {
  return {group.id, static_cast<uint8_t>(y), static_cast<uint8_t>(x)};
}

void Put(Bitmap24& picture, int x, int y, Pixel pixel) {
  std::copy(pixel.begin(), pixel.end(), picture.Row(y) + 3 * x);
}

Bitmap24 Sheet(int width = kSheetWidth) {
  Bitmap24 sheet(width, kSheetHeight);
  for (int y = 0; y < kSheetHeight; ++y) {
    for (const Group& g : {kPlain, kGaugeAbove, kUnderPointer, kGaugeFromSpeed, kOn, kFiller}) {
      for (int x = 0; x < g.width && g.left + x < width; ++x)
        Put(sheet, g.left + x, y, From(g, x, y));
    }
    for (int x = 0; x < 24; ++x) {
      Put(sheet, kMaskAny + x, y, Grey(x < 12 ? 255 : 0));
      if (kMaskNone + x < width) Put(sheet, kMaskNone + x, y, Grey(x < 12 ? 0 : 255));
    }
    for (int x = 0; x < 16; ++x) Put(sheet, kMaskGauge + x, y, Grey(255));
  }
  return sheet;
}

// A pixel of the strip on a picture whose strip corner is at (left, top).
Pixel StripPixel(const Bitmap24& picture, int x, int y, int left = 760, int top = 468) {
  return PixelAt(picture, left + x, top + y);
}

class QuickButtonsTest : public ::testing::Test, protected testing::WindowRig {
 protected:
  QuickButtonsTest() {
    WritePictureArchive(Sheet());
    buttons_.LoadSystemPictures(archives_);
    Bitmap24& background = window_.QuickButtonBackground();
    for (int y = 0; y < background.Height(); ++y) {
      for (int x = 0; x < background.Width(); ++x) Put(background, x, y, kBackground);
    }
    window_.SetDisplayState(WindowDisplay::Window);
    StagePicture() = Uniform(222);
    buttons_.setAutoCaption = [this](bool blue) { captions_.push_back(blue); };
    buttons_.hideAutoSpeedSlider = [this] { ++sliderHidden_; };
    buttons_.rebuildStage = [this] { ++rebuilds_; };
    buttons_.openBacklog = [this] { logOpenedWith_.push_back(state_.S(sv::kLogButton)); };
    buttons_.currentTextRead = [this] { return textRead_; };
    buttons_.sceneReplayRunning = [this] { return replay_; };
    buttons_.presentationHeld = [this] { return held_; };
  }

  void WritePictureArchive(const Bitmap24& sheet) {
    testing::WriteFileBytes(
        dir_ / "qe_gra.tvk",
        tools::BuildArchive(ArchiveLayout::B, {{"SYS_QBTN", tools::EncodePackedPicture(sheet)}}));
    archives_.LoadMediaIndexes();
  }

  Bitmap24& StagePicture() { return stage_.Buffers().StageBuffer; }
  int S(int index) const { return state_.S(index); }
  std::vector<int> States() const {
    std::vector<int> states;
    for (int i = 0; i < kQuickButtonEntries; ++i) states.push_back(S(sv::kQuickBarStates + i));
    return states;
  }

  // The three settings the strip reads, each test row choosing all three.
  void UseSettings(int skipMode, int seen, int breakOnSelect) {
    settings_.SkipMode = skipMode;
    settings_.Seen = seen;
    settings_.BreakonSelect = breakOnSelect;
  }

  Settings settings_;
  QuickButtons buttons_{window_, stage_.Buffers(), pb_, state_, flags_, settings_};

  std::vector<bool> captions_;
  int sliderHidden_ = 0;
  int rebuilds_ = 0;
  std::vector<int> logOpenedWith_;
  bool textRead_ = true;
  bool replay_ = false;
  bool held_ = false;
};

TEST_F(QuickButtonsTest, EachLookTakesItsColumnsOfThePicture) {
  struct Probe {
    int x;
    int y;
    Pixel expected;
  };
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> values;  // S index, value
    std::vector<Probe> probes;
  } cases[] = {
      {"all normal: the plain strip through the other mask",
       {},
       {{3, 50, kBackground}, {15, 50, From(kPlain, 15, 50)}, {23, 0, From(kPlain, 23, 0)}}},
      {"skip on",
       {{60, 1}},
       {{3, 80, From(kOn, 3, 80)},
        {3, 103, From(kOn, 3, 103)},
        {3, 104, From(kPlain, 3, 104)},
        {3, 75, From(kPlain, 3, 75)},
        {15, 80, kBackground}}},
      {"auto under the pointer",
       {{61, 2}},
       {{3, 35, From(kUnderPointer, 3, 35)},
        {3, 69, From(kUnderPointer, 3, 69)},
        {3, 34, From(kPlain, 3, 34)},
        {3, 70, From(kPlain, 3, 70)}}},
      {"the log is drawn after auto where they overlap",
       {{61, 2}, {65, 1}},
       {{3, 0, From(kOn, 3, 0)}, {3, 46, From(kOn, 3, 46)}, {3, 47, From(kUnderPointer, 3, 47)}}},
      {"a state of an entry without area only chooses the mask",
       {{63, 1}},
       {{3, 50, From(kPlain, 3, 50)}, {15, 50, kBackground}}},
      {"state 3 is neither look", {{60, 3}}, {{3, 80, From(kPlain, 3, 80)}, {15, 80, kBackground}}},
      // The rows past 11a - 11 take the column below the speed a.
      {"gauge at speed 1: row 0 above, the rest below",
       {{26, 1}},
       {{0, 0, From(kGaugeAbove, 0, 0)},
        {0, 1, From(kGaugeFromSpeed, 0, 1)},
        {15, 109, From(kGaugeFromSpeed, 15, 109)},
        {16, 50, kBackground},
        {23, 0, kBackground}}},
      {"gauge at speed 3",
       {{26, 3}, {60, 1}},
       {{5, 22, From(kGaugeAbove, 5, 22)}, {5, 23, From(kGaugeFromSpeed, 5, 23)}}},
      {"gauge at speed 10",
       {{26, 10}},
       {{5, 99, From(kGaugeAbove, 5, 99)}, {5, 100, From(kGaugeFromSpeed, 5, 100)}}},
  };
  for (const auto& c : cases) {
    state_ = ScriptState{};
    for (const auto& [index, value] : c.values) state_.S(index) = value;
    buttons_.DrawQuickButtons(kQuickButtonsOnStage);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(StripPixel(StagePicture(), p.x, p.y), p.expected)
          << c.name << " at " << p.x << "," << p.y;
    }
  }
}

TEST_F(QuickButtonsTest, TargetsPutTheStripOnTheStageTheScreenOrTheWindowPictures) {
  const Pixel plain = From(kPlain, 20, 5);
  const struct {
    int target;
    bool held;
    bool onStage;
    bool onScreen;
    bool inWindow;
  } cases[] = {
      {kQuickButtonsOnStage, false, true, false, false},
      {kQuickButtonsOnStageAndScreen, false, true, true, false},
      {kQuickButtonsOnStageAndScreen, true, true, false, false},
      {kQuickButtonsInWindowPictures, false, false, false, true},
  };
  for (const auto& c : cases) {
    StagePicture() = Uniform(222);
    pb_.Draw() = Uniform(222);
    window_.WindowPicture() = Uniform(222);
    window_.WindowCache() = Uniform(222);
    held_ = c.held;
    const uint64_t changes = pb_.Changes();
    buttons_.DrawQuickButtons(c.target);
    const std::string name = "target " + std::to_string(c.target) + (c.held ? " held" : "");
    EXPECT_EQ(StripPixel(StagePicture(), 20, 5) == plain, c.onStage) << name;
    EXPECT_EQ(StripPixel(pb_.Picture(), 20, 5) == plain, c.onScreen) << name;
    EXPECT_EQ(pb_.Changes() != changes, c.onScreen) << name;
    EXPECT_EQ(StripPixel(window_.WindowPicture(), 20, 5, 760, 48) == plain, c.inWindow) << name;
    EXPECT_EQ(StripPixel(window_.WindowCache(), 20, 5, 760, 48) == plain, c.inWindow) << name;
    EXPECT_EQ(PixelAt(StagePicture(), 759, 468), Grey(222)) << name;
    EXPECT_EQ(PixelAt(StagePicture(), 784, 577), Grey(222)) << name;
  }
}

TEST_F(QuickButtonsTest, NothingIsDrawnOutsideTheStoryDuringEffectsOrWithoutAUsablePicture) {
  flags_.EngineState = EngineScreen::WindowHidden;
  buttons_.DrawQuickButtons(kQuickButtonsOnStage);
  EXPECT_EQ(StripPixel(StagePicture(), 20, 5), Grey(222)) << "hidden window";
  flags_.EngineState = EngineScreen::Story;
  flags_.EffectRunning = true;
  buttons_.DrawQuickButtons(kQuickButtonsOnStage);
  EXPECT_EQ(StripPixel(StagePicture(), 20, 5), Grey(222)) << "effect running";
  flags_.EffectRunning = false;

  for (const bool present : {false, true}) {
    testing::TempDir dir;
    Archives archives(dir.Path());
    if (present) {
      // One column short of the last mask.
      testing::WriteFileBytes(
          dir / "qe_gra.tvk",
          tools::BuildArchive(ArchiveLayout::B,
                              {{"SYS_QBTN", tools::EncodePackedPicture(Sheet(kSheetWidth - 1))}}));
    }
    archives.LoadMediaIndexes();
    QuickButtons other(window_, stage_.Buffers(), pb_, state_, flags_, settings_);
    other.LoadSystemPictures(archives);
    EXPECT_FALSE(other.HasPicture()) << present;
    other.DrawQuickButtons(kQuickButtonsOnStage);
    EXPECT_EQ(StripPixel(StagePicture(), 20, 5), Grey(222)) << present;
  }
  EXPECT_TRUE(buttons_.HasPicture());
}

TEST_F(QuickButtonsTest, HoverFindsTheFirstEntryInTableOrderAndTheDeadZone) {
  const struct {
    int x;
    int y;
    int entry;
  } cases[] = {
      {770, 510, kAutoQuickButton},  // in the log's area too
      {770, 503, kAutoQuickButton},    {770, 515, kAutoQuickButton}, {770, 537, kAutoQuickButton},
      {770, 502, kLogQuickButton},     {760, 468, kLogQuickButton},  {783, 468, kLogQuickButton},
      {784, 468, kNoQuickButton},      {759, 468, kNoQuickButton},   {770, 467, kNoQuickButton},
      {770, 538, kNoQuickButton},      {770, 543, kNoQuickButton},   {770, 544, kSkipQuickButton},
      {770, 571, kSkipQuickButton},    {770, 572, kNoQuickButton},   {3, 3, kQuickButtonDeadZone},
      {140, 51, kQuickButtonDeadZone}, {2, 30, kNoQuickButton},      {141, 30, kNoQuickButton},
      {100, 2, kNoQuickButton},        {100, 52, kNoQuickButton},    {400, 300, kNoQuickButton},
  };
  for (const auto& c : cases) {
    buttons_.HoverQuickButtons(c.x, c.y);
    EXPECT_EQ(buttons_.HoveredEntry(), c.entry) << c.x << "," << c.y;
  }
}

TEST_F(QuickButtonsTest, HoverHighlightsOneButtonAtATimeAndKeepsOnesThatAreOn) {
  buttons_.HoverQuickButtons(770, 510);
  EXPECT_EQ(States(), (std::vector<int>{0, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(StripPixel(StagePicture(), 3, 50), From(kUnderPointer, 3, 50));
  EXPECT_EQ(StripPixel(pb_.Picture(), 3, 50), From(kUnderPointer, 3, 50));

  const uint64_t changes = pb_.Changes();
  buttons_.HoverQuickButtons(771, 512);
  EXPECT_EQ(pb_.Changes(), changes) << "the same entry draws nothing";

  buttons_.HoverQuickButtons(770, 470);
  EXPECT_EQ(States(), (std::vector<int>{0, 0, 0, 0, 0, 2, 0}));
  state_.S(sv::kSkipButton) = kButtonOn;
  buttons_.HoverQuickButtons(770, 550);
  EXPECT_EQ(States(), (std::vector<int>{1, 0, 0, 0, 0, 0, 0}));
  buttons_.HoverQuickButtons(50, 20);
  EXPECT_EQ(States(), (std::vector<int>{1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(buttons_.HoveredEntry(), kQuickButtonDeadZone);
  EXPECT_EQ(S(sv::kQuickBarStates + kQuickButtonEntries), 0) << "the dead zone has no state";
}

TEST_F(QuickButtonsTest, UnreadTextWithSeenOnLeavesTheSkipButtonDead) {
  const struct {
    int seen;
    bool read;
    bool skips;
  } cases[] = {{1, false, false}, {1, true, true}, {0, false, true}};
  for (const auto& c : cases) {
    state_ = ScriptState{};
    flags_.SkipState = 0;
    UseSettings(0, c.seen, 0);
    textRead_ = c.read;
    buttons_.HoverQuickButtons(400, 300);
    buttons_.HoverQuickButtons(770, 550);
    EXPECT_EQ(S(sv::kSkipButton), c.skips ? kButtonUnderPointer : kButtonNormal)
        << c.seen << c.read;
    EXPECT_EQ(StripPixel(StagePicture(), 3, 80) == From(kUnderPointer, 3, 80), c.skips)
        << c.seen << c.read;
    EXPECT_EQ(buttons_.ClickQuickButton(), c.skips) << c.seen << c.read;
    EXPECT_EQ(flags_.SkipState, c.skips ? 1 : 0) << c.seen << c.read;
  }
}

TEST_F(QuickButtonsTest, HoverIsIgnoredWhereTheStripDoesNotReactAndForgetsTheEntry) {
  const struct {
    const char* name;
    EngineScreen screen;
    WindowDisplay display;
    int textMode;
    int menuPhase;
    bool replay;
    bool reacts;
  } cases[] = {
      {"story, window", EngineScreen::Story, WindowDisplay::Window, 0, 0, false, true},
      {"hidden window", EngineScreen::WindowHidden, WindowDisplay::Window, 0, 0, false, false},
      {"window closed", EngineScreen::Story, WindowDisplay::Closed, 0, 0, false, false},
      {"closed, full-screen text", EngineScreen::Story, WindowDisplay::Closed, 1, 0, false, true},
      {"full-screen text", EngineScreen::Story, WindowDisplay::FullScreenText, 1, 0, false, true},
      {"menu phase 3", EngineScreen::Story, WindowDisplay::Window, 0, 3, false, false},
      {"menu phase 3, replay", EngineScreen::Story, WindowDisplay::Window, 0, 3, true, true},
      {"menu phase 2", EngineScreen::Story, WindowDisplay::Window, 0, 2, false, true},
  };
  for (const auto& c : cases) {
    state_ = ScriptState{};
    flags_.SkipState = 0;
    flags_.EngineState = EngineScreen::Story;
    window_.SetDisplayState(WindowDisplay::Window);
    replay_ = false;
    // Found while the strip reacted; then the situation changes before the click.
    buttons_.HoverQuickButtons(770, 550);
    ASSERT_EQ(buttons_.HoveredEntry(), kSkipQuickButton);
    flags_.EngineState = c.screen;
    window_.SetDisplayState(c.display);
    state_.S(sv::kTextMode) = c.textMode;
    state_.S(sv::kSaveAvailability) = c.menuPhase;
    replay_ = c.replay;
    buttons_.HoverQuickButtons(770, 510);
    EXPECT_EQ(buttons_.HoveredEntry(), c.reacts ? kAutoQuickButton : kNoQuickButton) << c.name;
    EXPECT_EQ(S(sv::kAutoButton), c.reacts ? kButtonUnderPointer : kButtonNormal) << c.name;
    // A click on the entry found before does nothing when the strip no longer reacts.
    buttons_.HoverQuickButtons(770, 550);
    EXPECT_EQ(buttons_.ClickQuickButton(), c.reacts) << c.name;
    EXPECT_EQ(flags_.SkipState != 0, c.reacts) << c.name;
  }
}

TEST_F(QuickButtonsTest, ClickWhileTheMenuPhaseHoldsTheStripIsNotUsed) {
  buttons_.HoverQuickButtons(770, 550);
  state_.S(sv::kSaveAvailability) = 3;
  EXPECT_FALSE(buttons_.ClickQuickButton());
  EXPECT_EQ(flags_.SkipState, 0);
  replay_ = true;
  EXPECT_TRUE(buttons_.ClickQuickButton());
  EXPECT_EQ(flags_.SkipState, 1);
}

TEST_F(QuickButtonsTest, SkipButtonSwitchesSkippingAndClearsTheAutoButtonOnly) {
  const struct {
    int skipMode;
    int skipBefore;
    int skipAfter;
    int buttonAfter;
  } cases[] = {{0, 0, 1, 1}, {1, 0, 2, 1}, {2, 0, 3, 1}, {2, 2, 0, 0}, {0, 3, 0, 0}};
  for (const auto& c : cases) {
    state_ = ScriptState{};
    state_.S(sv::kAutoButton) = kButtonOn;
    state_.S(sv::kAutoSpeed) = 4;
    flags_.SkipState = c.skipBefore;
    UseSettings(c.skipMode, 0, 0);
    buttons_.HoverQuickButtons(770, 550);
    EXPECT_TRUE(buttons_.ClickQuickButton());
    const std::string name = std::to_string(c.skipMode) + "/" + std::to_string(c.skipBefore);
    EXPECT_EQ(flags_.SkipState, c.skipAfter) << name;
    EXPECT_EQ(S(sv::kSkipButton), c.buttonAfter) << name;
    EXPECT_EQ(S(sv::kAutoButton), 0) << name;
    EXPECT_EQ(S(sv::kAutoSpeed), 4) << name << ": auto-advance itself goes on";
    EXPECT_EQ(buttons_.HoveredEntry(), kNoQuickButton) << name;
  }
}

TEST_F(QuickButtonsTest, AutoButtonSwitchesOnAtTheRememberedSpeedOrThree) {
  const struct {
    int remembered;
    int speed;
  } cases[] = {{15, 3}, {0, 3}, {-2, 3}, {11, 3}, {1, 1}, {7, 7}, {10, 10}};
  for (const auto& c : cases) {
    state_ = ScriptState{};
    captions_.clear();
    state_.S(sv::kLastAutoSpeed) = c.remembered;
    state_.S(sv::kSkipButton) = kButtonOn;
    buttons_.HoverQuickButtons(770, 510);
    EXPECT_TRUE(buttons_.ClickQuickButton());
    EXPECT_EQ(S(sv::kAutoSpeed), c.speed) << c.remembered;
    EXPECT_EQ(S(sv::kLastAutoSpeed), c.speed) << c.remembered;
    EXPECT_EQ(S(sv::kAutoButton), kButtonOn) << c.remembered;
    EXPECT_EQ(S(sv::kSkipButton), kButtonNormal) << c.remembered;
    EXPECT_EQ(captions_, std::vector<bool>{true}) << c.remembered;
  }
  // The strip turned into the gauge.
  EXPECT_EQ(StripPixel(StagePicture(), 5, 100), From(kGaugeFromSpeed, 5, 100));
  EXPECT_EQ(StripPixel(StagePicture(), 5, 99), From(kGaugeAbove, 5, 99));

  captions_.clear();
  buttons_.HoverQuickButtons(770, 510);
  EXPECT_TRUE(buttons_.ClickQuickButton());
  EXPECT_EQ(S(sv::kAutoSpeed), 0);
  EXPECT_EQ(S(sv::kLastAutoSpeed), 10);
  EXPECT_EQ(S(sv::kAutoButton), kButtonNormal);
  EXPECT_EQ(captions_, std::vector<bool>{false});
}

TEST_F(QuickButtonsTest, LogButtonIsOnWhileTheLogIsOpenAndTheDeadZoneEatsTheClick) {
  buttons_.HoverQuickButtons(770, 470);
  EXPECT_TRUE(buttons_.ClickQuickButton());
  EXPECT_EQ(logOpenedWith_, std::vector<int>{kButtonOn});
  EXPECT_EQ(S(sv::kLogButton), kButtonNormal);

  const ScriptState before = state_;
  buttons_.HoverQuickButtons(60, 20);
  EXPECT_TRUE(buttons_.ClickQuickButton());
  EXPECT_EQ(state_.integers, before.integers);
  EXPECT_EQ(flags_.SkipState, 0);
  EXPECT_EQ(logOpenedWith_.size(), 1u);
  EXPECT_EQ(buttons_.HoveredEntry(), kNoQuickButton);

  buttons_.HoverQuickButtons(400, 300);
  EXPECT_FALSE(buttons_.ClickQuickButton()) << "a click elsewhere goes on to the story";
}

TEST_F(QuickButtonsTest, GaugeClickSetsTheSpeedByTheRowOfElevenPixels) {
  const struct {
    int x;
    int y;
    int speed;  // 0: not the gauge, the click stops auto-advance
  } cases[] = {
      {770, 468, 1},  {779, 577, 10}, {775, 478, 1}, {775, 479, 2}, {775, 566, 9},
      {775, 567, 10}, {769, 500, 0},  {780, 500, 0}, {775, 467, 0}, {775, 578, 0},
  };
  for (const auto& c : cases) {
    state_.S(sv::kAutoSpeed) = 5;
    state_.S(sv::kLastAutoSpeed) = 5;
    EXPECT_TRUE(buttons_.GaugeOrStopClick(c.x, c.y)) << c.x << "," << c.y;
    EXPECT_EQ(S(sv::kAutoSpeed), c.speed) << c.x << "," << c.y;
    EXPECT_EQ(S(sv::kLastAutoSpeed), c.speed == 0 ? 5 : c.speed) << c.x << "," << c.y;
  }
  state_.S(sv::kAutoSpeed) = 5;
  buttons_.GaugeOrStopClick(775, 468);
  EXPECT_EQ(StripPixel(pb_.Picture(), 5, 1), From(kGaugeFromSpeed, 5, 1)) << "shown at once";
}

TEST_F(QuickButtonsTest, GaugeOrStopClickRoutesByWindowChoiceAndSwitches) {
  const struct {
    const char* name;
    WindowDisplay display;
    ChoiceKind choice;
    int skipState;
    int speed;
    int x;
    int y;
    bool used;
    int skipAfter;
    int speedAfter;
  } cases[] = {
      {"skipping stops", WindowDisplay::Window, ChoiceKind::None, 2, 0, 400, 300, true, 0, 0},
      {"auto stops", WindowDisplay::Window, ChoiceKind::None, 0, 4, 400, 300, true, 0, 0},
      {"a button is not this click's business", WindowDisplay::Window, ChoiceKind::None, 0, 0, 775,
       510, false, 0, 0},
      {"no window: no gauge", WindowDisplay::Closed, ChoiceKind::None, 0, 4, 775, 468, false, 0, 4},
      {"choice: the gauge still works", WindowDisplay::Window, ChoiceKind::Select, 0, 4, 775, 468,
       true, 0, 1},
      {"choice: no stop, no button", WindowDisplay::Window, ChoiceKind::Select, 0, 4, 762, 550,
       false, 0, 4},
      {"choice while skipping", WindowDisplay::Window, ChoiceKind::Select, 1, 0, 762, 550, false, 1,
       0},
  };
  for (const auto& c : cases) {
    state_ = ScriptState{};
    window_.SetDisplayState(c.display);
    flags_.ChoiceMode = c.choice;
    flags_.SkipState = c.skipState;
    state_.S(sv::kAutoSpeed) = c.speed;
    EXPECT_EQ(buttons_.GaugeOrStopClick(c.x, c.y), c.used) << c.name;
    EXPECT_EQ(flags_.SkipState, c.skipAfter) << c.name;
    EXPECT_EQ(S(sv::kAutoSpeed), c.speedAfter) << c.name;
  }
}

TEST_F(QuickButtonsTest, StopSkipAndAutoFollowsForceAndBreakonSelect) {
  const struct {
    const char* name;
    bool force;
    int breakOnSelect;
    int skipState;
    int speed;
    int textMode;
    bool stops;
    int rebuilds;
    bool redraws;
  } cases[] = {
      {"neither force nor BreakonSelect", false, 0, 3, 5, 0, false, 0, false},
      {"BreakonSelect", false, 1, 3, 5, 0, true, 1, true},
      {"force", true, 0, 3, 5, 0, true, 1, true},
      {"skip state 2 needs no rebuild", true, 0, 2, 0, 0, true, 0, true},
      {"full-screen text: nothing drawn", true, 0, 3, 5, 1, true, 0, false},
  };
  for (const auto& c : cases) {
    state_ = ScriptState{};
    StagePicture() = Uniform(222);
    captions_.clear();
    sliderHidden_ = 0;
    rebuilds_ = 0;
    UseSettings(0, 0, c.breakOnSelect);
    flags_.SkipState = c.skipState;
    state_.S(sv::kSkipButton) = kButtonOn;
    state_.S(sv::kAutoButton) = kButtonOn;
    state_.S(sv::kAutoSpeed) = c.speed;
    state_.S(sv::kLastAutoSpeed) = 2;
    state_.S(sv::kTextMode) = c.textMode;
    buttons_.StopSkipAndAuto(c.force);
    const bool autoWasOn = c.speed != 0;
    EXPECT_EQ(flags_.SkipState, c.stops ? 0 : c.skipState) << c.name;
    EXPECT_EQ(S(sv::kSkipButton), c.stops ? 0 : 1) << c.name;
    EXPECT_EQ(S(sv::kAutoButton), c.stops ? 0 : 1) << c.name;
    EXPECT_EQ(S(sv::kAutoSpeed), c.stops ? 0 : c.speed) << c.name;
    EXPECT_EQ(S(sv::kLastAutoSpeed), 2) << c.name << ": the remembered speed is kept";
    EXPECT_EQ(captions_, c.stops && autoWasOn ? std::vector<bool>{false} : std::vector<bool>{})
        << c.name;
    EXPECT_EQ(sliderHidden_, c.stops && autoWasOn ? 1 : 0) << c.name;
    EXPECT_EQ(rebuilds_, c.rebuilds) << c.name;
    EXPECT_EQ(StripPixel(StagePicture(), 15, 50) == From(kPlain, 15, 50), c.redraws) << c.name;
  }
}

}  // namespace
}  // namespace tolven
