// The layered stage: character specifications and slots, the drawing orders, solid colours, the
// scene filters and the picture commands, on a virtual clock.
#include "graphics/stage.h"

#include <gtest/gtest.h>

#include <memory>

#include "graphics/picture_copy.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

Bitmap24 Solid(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
  Bitmap24 picture(width, height);
  for (size_t i = 0; i < picture.SizeBytes(); i += 3) {
    picture.Data()[i] = blue;
    picture.Data()[i + 1] = green;
    picture.Data()[i + 2] = red;
  }
  return picture;
}

// The colour of character face Bnn: each one different, so the pixel shows who is on top.
uint8_t FaceShade(int n) {
  return static_cast<uint8_t>(30 * n);
}

class StageTest : public ::testing::Test {
 protected:
  StageTest() {
    std::vector<tools::ArchiveInput> pictures;
    auto add = [&](const std::string& name, const Bitmap24& picture) {
      pictures.push_back({name, tools::EncodePackedPicture(picture)});
    };
    add("A_BG", Solid(kScreenWidth, kScreenHeight, 10, 20, 30));
    // Taller than the screen, its lower half another colour; and smaller than the screen.
    Bitmap24 tall = Solid(kScreenWidth, 2 * kScreenHeight, 40, 0, 0);
    CopyRect(Solid(kScreenWidth, kScreenHeight, 80, 0, 0), 0, 0, kScreenWidth, kScreenHeight, tall,
             0, kScreenHeight);
    add("A_TALL", tall);
    add("A_SMALL", Solid(640, 480, 60, 0, 0));
    for (int n = 1; n <= 6; ++n) {
      add("B0" + std::to_string(n), Solid(100, kScreenHeight, FaceShade(n), 0, 0));
      add("M0" + std::to_string(n), Solid(100, kScreenHeight, 255, 255, 255));
    }
    testing::WriteFileBytes(dir_ / "qe_gra.tvk", tools::BuildArchive(ArchiveLayout::B, pictures));
    archives_.LoadMediaIndexes();
    const int centres[] = {400, 250, 550, 200, 400, 600, 100, 300, 500, 700};
    for (int i = 0; i < 10; ++i) state_.S(sv::kStandingCentres + i) = centres[i];
    stage_ =
        std::make_unique<Stage>(host_, clock_, pb_, archives_, state_, flags_, random_, trace_);
  }

  // The blue byte of a pixel: faces differ in blue only.
  static uint8_t Blue(const Bitmap24& picture, int x, int y) { return picture.Row(y)[3 * x]; }

  testing::TempDir dir_;
  Archives archives_{dir_.Path()};
  QuietHost host_;
  FrameClock clock_{host_};
  PaintBox pb_{kScreenWidth, kScreenHeight};
  ScriptState state_;
  EngineFlags flags_;
  RandomGenerator random_{1};
  Trace trace_;
  std::unique_ptr<Stage> stage_;
};

TEST_F(StageTest, CharacterSpecificationsSetPositionsCountAndTransition) {
  const struct {
    const char* before;  // shown first
    const char* specification;
    int transition;
    int shown;
    std::vector<std::string> names;  // positions 0-3
  } cases[] = {
      {"", "b01", 1, 1, {"B01", "", "", ""}},
      {"", "b01,b02,7", 7, 2, {"B01", "B02", "7", ""}},        // the number is no position
      {"b01,b02", "-,b03", 1, 2, {"B01", "B03", "", ""}},      // a dash keeps position 0
      {"b01,b02,b03", "-,b04", 1, 2, {"B01", "B04", "", ""}},  // and replaces the others
      {"", "b04,", 1, 2, {"B04", "", "", ""}},  // a trailing comma adds an empty position
      {"", "b01,b02,b03,b04", 1, 4, {"B01", "B02", "B03", "B04"}},
      // Positions past the last field are emptied: nothing of a longer specification stays
      // to be shown, nor its number read as the transition.
      {"b01,b02,b03,b04", "b05,b06", 1, 2, {"B05", "B06", "", ""}},
      {"b01,b02,b03,b04,12", "b05,0", 0, 1, {"B05", "0", "", ""}},
      {"b01,b02,0", "b01,", 1, 2, {"B01", "", "", ""}},
      {"b01,b02", "", 0, 0, {"", "", "", ""}},
  };
  for (const auto& c : cases) {
    Stage stage(host_, clock_, pb_, archives_, state_, flags_, random_, trace_);
    stage.ShowCharacters(c.before);
    EXPECT_EQ(stage.ShowCharacters(c.specification), c.transition) << c.specification;
    EXPECT_EQ(stage.ShownCount(), c.shown) << c.specification;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(stage.PositionNames()[i], c.names[i]) << c.specification << " " << i;
    }
    EXPECT_EQ(stage.PositionNames()[4], "") << c.specification;
  }
}

TEST_F(StageTest, ASixthCharacterTakesTheOldestSlot) {
  for (const char* name : {"b01", "b02", "b03", "b04", "b05"}) stage_->ShowCharacters(name);
  EXPECT_EQ(stage_->Slots()[0].name, "B01");
  stage_->ShowCharacters("b06");
  EXPECT_EQ(stage_->Slots()[0].name, "B06");
  EXPECT_EQ(Blue(stage_->Slots()[0].face, 0, 0), FaceShade(6));
  EXPECT_EQ(stage_->Slots()[1].name, "B02");
  stage_->ShowCharacters("b02");
  EXPECT_EQ(stage_->Slots()[1].name, "B02") << "a loaded name is found, not loaded again";
}

TEST_F(StageTest, SolidColourDigits) {
  const struct {
    const char* name;
    uint8_t blue, green, red;
  } cases[] = {
      {"Sg00", 255, 0, 0},     {"S00g", 0, 0, 255}, {"s1a9", 16, 160, 144},
      {"SAFG", 160, 240, 255}, {"Sxz-", 0, 0, 0},   {"S1", 16, 0, 0},
  };
  for (const auto& c : cases) {
    stage_->Gra(c.name, false);
    const uint8_t* pixel = stage_->Buffers().BackgroundBuffer.Row(599) + 3 * 799;
    EXPECT_EQ(pixel[0], c.blue) << c.name;
    EXPECT_EQ(pixel[1], c.green) << c.name;
    EXPECT_EQ(pixel[2], c.red) << c.name;
  }
}

// Characters placed on top of each other show which one is drawn last.
TEST_F(StageTest, CharactersAreDrawnInTheirOrder) {
  for (int i = 0; i < 10; ++i) state_.S(sv::kStandingCentres + i) = 400;
  const struct {
    const char* specification;
    int order;  // S024
    int onTop;  // the face number seen at the centre
  } cases[] = {
      {"b01,b02", 0, 2},     {"b01,b02", 1, 1},         {"b01,b02,b03", 0, 2},
      {"b01,b02,b03", 1, 2}, {"b01,b02,b03,b04", 0, 3}, {"b01,b02,b03,b04", 1, 2},
      {"b05", 0, 5},
  };
  for (const auto& c : cases) {
    state_.S(sv::kCharacterOrder) = c.order;
    stage_->Gra("A_BG,0", true);  // a background removes the characters shown before
    stage_->ShowCharacters(c.specification);
    stage_->BuildScene();
    EXPECT_EQ(Blue(stage_->Buffers().SceneBuffer, 400, 300), FaceShade(c.onTop))
        << c.specification << " order " << c.order;
  }
}

TEST_F(StageTest, CharactersStandAtTheirCentres) {
  stage_->Gra("A_BG", false);
  stage_->ShowCharacters("b01,b02");
  stage_->BuildScene();
  const Bitmap24& scene = stage_->Buffers().SceneBuffer;
  // 100 pixels wide around 250 and 550.
  EXPECT_EQ(Blue(scene, 199, 10), 10) << "background left of the first";
  EXPECT_EQ(Blue(scene, 200, 10), FaceShade(1));
  EXPECT_EQ(Blue(scene, 299, 10), FaceShade(1));
  EXPECT_EQ(Blue(scene, 300, 10), 10);
  EXPECT_EQ(Blue(scene, 500, 599), FaceShade(2));
  EXPECT_EQ(Blue(scene, 600, 599), 10);
}

TEST_F(StageTest, SceneFilters) {
  Bitmap24& scene = stage_->Buffers().SceneBuffer;
  const struct {
    int filter;
    int brightness;
    uint8_t expected[3];  // of the pixel (blue 30, green 60, red 90) at the top-left
  } cases[] = {
      {0, 0, {30, 60, 90}}, {1, 8, {15, 30, 45}}, {1, 16, {30, 60, 90}},
      {2, 0, {15, 45, 60}}, {3, 0, {60, 60, 60}},
  };
  for (const auto& c : cases) {
    scene = Solid(kScreenWidth, kScreenHeight, 30, 60, 90);
    state_.S(sv::kSceneFilter) = c.filter;
    state_.S(sv::kSceneBrightness) = c.brightness;
    stage_->ApplySceneFilter();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(scene.Row(0)[i], c.expected[i]) << c.filter << " " << i;
  }
  // Turned by 180 degrees: a mark at the top-left goes to the bottom-right.
  scene = Solid(kScreenWidth, kScreenHeight, 0, 0, 0);
  scene.Row(0)[0] = 200;
  scene.Row(10)[3 * 20 + 1] = 100;
  state_.S(sv::kSceneFilter) = 4;
  stage_->ApplySceneFilter();
  EXPECT_EQ(scene.Row(599)[3 * 799], 200);
  EXPECT_EQ(scene.Row(589)[3 * 779 + 1], 100);
  EXPECT_EQ(scene.Row(0)[0], 0);
}

TEST_F(StageTest, GrbLoadsWithoutShowingAndGraShowsAndClearsCharacters) {
  stage_->Tati("b01,0");
  const uint64_t changes = pb_.Changes();
  stage_->Gra("A_BG", false);
  EXPECT_EQ(stage_->ShownCount(), 1) << "grb keeps the characters";
  EXPECT_EQ(pb_.Changes(), changes) << "and the screen";
  EXPECT_EQ(Blue(stage_->Buffers().BackgroundBuffer, 0, 0), 10);
  stage_->Gra("a_bg,0", true);
  EXPECT_EQ(stage_->ShownCount(), 0);
  EXPECT_EQ(stage_->BackgroundName(), "a_bg");
  EXPECT_EQ(pb_.Picture(), stage_->Buffers().StageBuffer);
  EXPECT_EQ(Blue(pb_.Picture(), 400, 300), 10);
  EXPECT_FALSE(flags_.Busy) << "the transition ends the busy mark";
  // A background that cannot be loaded leaves everything as it was.
  stage_->Tati("b02,0");
  stage_->Gra("A_MISSING", true);
  EXPECT_EQ(stage_->ShownCount(), 1);
  EXPECT_EQ(Blue(pb_.Picture(), 400, 300), FaceShade(2));
}

TEST_F(StageTest, AHiddenWindowPresentShowsTheSceneAtOnce) {
  stage_->Gra("A_BG,0", true);
  flags_.WindowShown = true;
  state_.S(sv::kHideWindow) = 1;
  stage_->Gra("b01", true);
  EXPECT_EQ(state_.S(sv::kHideWindow), 1) << "2 during the present, 1 after it";
  EXPECT_FALSE(flags_.WindowShown);
  EXPECT_EQ(Blue(pb_.Picture(), 400, 300), FaceShade(1));
}

TEST_F(StageTest, PtsetLeavesTheTransparentColourOutAndIsCutToTheScreen) {
  stage_->Gra("A_BG,0", true);
  Bitmap24& sheet = stage_->Buffers().PartsSheet;
  sheet = Solid(4, 2, 255, 255, 0);  // all transparent...
  sheet.Row(0)[0] = 7;               // ...but the first pixel
  stage_->Ptset(0, 0, 4, 2, 798, 598);
  EXPECT_EQ(Blue(pb_.Picture(), 798, 598), 7);
  EXPECT_EQ(Blue(pb_.Picture(), 799, 598), 10) << "transparent";
  stage_->Ptset(0, 0, 4, 2, -1, -1);
  EXPECT_EQ(Blue(pb_.Picture(), 0, 0), 10) << "the opaque pixel fell off the edge";
  EXPECT_EQ(stage_->Buffers().StageBuffer, stage_->Buffers().SceneBuffer) << "no buffer changes";
  stage_->Fix();
  EXPECT_EQ(stage_->Buffers().SceneBuffer, pb_.Picture());
  EXPECT_EQ(stage_->Buffers().StageBuffer, pb_.Picture());
}

TEST_F(StageTest, SepiaFadeInEndsOnTheSepiaSceneAfterItsSteps) {
  stage_->Gra("A_BG,0", true);  // blue 10, green 20, red 30: grey 20
  const uint32_t start = host_.Ticks();
  stage_->SepiaFadeIn();
  // The weight climbs from 48 by 8 per 20 ms interval: 26 intervals to reach 256.
  EXPECT_EQ(host_.Ticks() - start, 26u * 20);
  const uint8_t* pixel = pb_.Picture().Row(300) + 3 * 400;
  EXPECT_EQ(pixel[0], 20 >> 2);
  EXPECT_EQ(pixel[1], 3 * 20 >> 2);
  EXPECT_EQ(pixel[2], 20);
  EXPECT_EQ(stage_->Buffers().SceneBuffer, pb_.Picture());
  EXPECT_FALSE(flags_.Busy);
}

// A shorter specification leaves nothing of the longer one behind: the character left alone
// keeps its place of two, and no stale name is drawn as a third.
TEST_F(StageTest, ClrbOfOneSideKeepsTheOtherInItsPlace) {
  stage_->Gra("A_BG,0", true);
  stage_->Tati("b01,b02,b03,0");
  stage_->Tati("b01,b02,0");
  stage_->Clrb("0R");
  EXPECT_EQ(stage_->ShownCount(), 2);
  const Bitmap24& scene = stage_->Buffers().SceneBuffer;
  EXPECT_EQ(Blue(scene, 250, 300), FaceShade(1)) << "at the left place of two";
  EXPECT_EQ(Blue(scene, 200 - 50, 300), 10) << "not at the left place of three";
  EXPECT_EQ(Blue(scene, 600, 300), 10) << "nothing at the right place of three";
}

// S009 under full-screen text: 0 empties the page and darkens the scene, 1 darkens the scene and
// draws the page again over it, anything else leaves the stage as it was.
TEST_F(StageTest, FullScreenTextStartsThePageOverOrRedrawsItByS009) {
  const struct {
    int rule;
    int clears;
    int redraws;
    uint8_t stageBlue;  // the stage after the rebuild; the background is blue 10
  } cases[] = {{0, 1, 0, 5}, {1, 0, 1, 5}, {2, 0, 0, 99}};
  stage_->Gra("A_BG,0", true);
  state_.S(sv::kTextMode) = 1;
  state_.S(sv::kWindowDarkness) = 8;
  for (const auto& c : cases) {
    int clears = 0;
    std::vector<uint8_t> seenByRedraw;
    stage_->clearPage = [&] { ++clears; };
    stage_->redrawPage = [&] {
      seenByRedraw.push_back(Blue(stage_->Buffers().StageBuffer, 400, 300));
    };
    state_.S(sv::kFullScreenBackground) = c.rule;
    stage_->Buffers().StageBuffer = Solid(kScreenWidth, kScreenHeight, 99, 99, 99);
    stage_->BuildStage();
    EXPECT_EQ(clears, c.clears) << "S009 = " << c.rule;
    EXPECT_EQ(static_cast<int>(seenByRedraw.size()), c.redraws) << "S009 = " << c.rule;
    for (uint8_t blue : seenByRedraw) EXPECT_EQ(blue, 5) << "drawn over the darkened scene";
    EXPECT_EQ(Blue(stage_->Buffers().StageBuffer, 400, 300), c.stageBlue) << "S009 = " << c.rule;
  }
}

// The screen is 800x600 whatever size a picture has: it shows the picture's top-left area, and
// black where a smaller one does not reach. The buffers the screen is composed in, the thumbnail's
// source among them, keep that size too.
TEST_F(StageTest, APictureOfAnotherSizeShowsItsTopLeftAreaOnTheScreen) {
  const struct {
    const char* command;
    int x, y;
    uint8_t blue;
  } cases[] = {
      {"A_TALL,6", 400, 599, 40}, {"A_TALL,6", 0, 0, 40},     {"A_SMALL,6", 639, 479, 60},
      {"A_SMALL,6", 640, 300, 0}, {"A_SMALL,6", 400, 480, 0},
  };
  for (const auto& c : cases) {
    stage_->Gra("A_BG,0", true);
    stage_->Gra(c.command, true);
    const ScreenBuffers& buffers = stage_->Buffers();
    for (const Bitmap24* picture : {&pb_.Picture(), &buffers.SceneBuffer, &buffers.StageBuffer}) {
      EXPECT_EQ(picture->Width(), kScreenWidth) << c.command;
      EXPECT_EQ(picture->Height(), kScreenHeight) << c.command;
    }
    EXPECT_EQ(Blue(pb_.Picture(), c.x, c.y), c.blue) << c.command << " at " << c.x << "," << c.y;
  }
  // The second picture of partsload, which the clickmap and the transitions share.
  stage_->Partsload("A_BG,A_TALL");
  EXPECT_EQ(stage_->Buffers().WorkBuffer.Height(), kScreenHeight);
  EXPECT_EQ(Blue(stage_->Buffers().WorkBuffer, 0, 599), 40);
  stage_->Gra("A_BG,6", true);
  EXPECT_EQ(Blue(pb_.Picture(), 0, 599), 10);
}

TEST_F(StageTest, ClrbEmptiesOneSideOrEveryone) {
  stage_->Tati("b01,b02,0");
  stage_->Clrb("0L");
  EXPECT_EQ(stage_->CharacterSpecification(), ",B02");
  EXPECT_EQ(stage_->PositionNames()[0], "");
  EXPECT_EQ(stage_->PositionNames()[1], "B02");
  stage_->Clrb("0");
  EXPECT_EQ(stage_->ShownCount(), 0);
  EXPECT_EQ(stage_->CharacterSpecification(), "");
  EXPECT_EQ(pb_.Picture(), stage_->Buffers().BackgroundBuffer);
}

TEST_F(StageTest, DirectShowsThePictureForItsTime) {
  const uint32_t start = host_.Ticks();
  stage_->Direct("A_BG,500,0,0");
  EXPECT_EQ(host_.Ticks() - start, 500u);
  EXPECT_EQ(Blue(pb_.Picture(), 0, 0), 10);
  EXPECT_EQ(Blue(stage_->Buffers().StageBuffer, 0, 0), 0) << "no buffer changes";
}

}  // namespace
}  // namespace tolven
