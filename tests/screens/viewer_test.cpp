// The picture viewer on the engine's parts: pages laid out by a "view" text, the statuses of
// thumbnails from gallery and E flags, hover and fading highlights, the clicks of every view
// type, scene replays and the way back, and damaged view texts.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "audio/audio_device.h"
#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "graphics/transition_rig.h"
#include "screens/replay_return.h"
#include "screens/screen_rig.h"
#include "screens/viewer.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

using Colour = std::array<uint8_t, 3>;

constexpr Colour kBase = {10, 10, 10};
constexpr Colour kBase2 = {11, 11, 11};
constexpr Colour kBase3 = {12, 12, 12};
constexpr Colour kHover = {200, 190, 180};
constexpr Colour kSheet = {50, 60, 70};
constexpr Colour kPlate = {1, 2, 3};
constexpr Colour kCgA = {100, 0, 0};
constexpr Colour kCgB = {0, 100, 0};
constexpr Colour kCgC = {0, 0, 100};

std::vector<uint8_t> Lines(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (uint8_t& byte : bytes) {
    if (byte == '\n') byte = 0;
  }
  return bytes;
}

std::vector<uint8_t> Solid(const Colour& colour, int width = 800, int height = 600) {
  Bitmap24 picture(width, height);
  FillPicture(picture, colour);
  return tools::EncodePackedPicture(picture);
}

Colour PixelAt(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

// Gallery names in the order of VIEW_1: CG_A 0, CG_B 1, CG_C 2, CG_D 3, CG_E 4.
const char* const kViews =
    ":VIEW_0\n"
    "{\n"
    "M2:700,0,800,50\n"
    "}\n"
    ":view_1\n"  // section titles are read in upper case
    "{\n"
    "type:0\n"
    "GRA:BASE,HOVER,SHEET\n"
    "PLATE:PLATE\n"
    "SET:3\n"
    "THM_SIZE:100,80\n"
    "NEXT:700,550,750,600\n"
    "PREV:600,550,650,600\n"
    "EXIT:750,550,800,600\n"
    "P2:0,550,50,600\n"
    "1:100,100\n"
    "2:300,100\n"
    "}\n"
    "{\n"
    "1:cg_a,CG_B,CG_C\n"
    "\n"
    "2:CG_D\n"
    "}\n"
    "{\n"
    "GRA:BASE2,HOVER,SHEET\n"
    "1:CG_E\n"
    "}\n"
    "{\n"
    "GRA:BASE3,HOVER,SHEET\n"
    "}\n"
    ":VIEW_2\n"
    "{\n"
    "GRA:BASE,HOVER,SHEET\n"
    "SET:1\n"
    "NEXT:700,550,750,600\n"
    "PREV:600,550,650,600\n"
    "}\n"
    "{\n"
    "}\n"
    ":VIEW_3\n"
    "{\n"
    "TYPE:1\n"
    "GRA:BASE,HOVER,SHEET\n"
    "SET:1\n"
    "THM_SIZE:100,80\n"
    "1:100,100\n"
    "2:300,100\n"
    "}\n"
    "{\n"
    "1:7,s_scene:start\n"
    "2:8,S_SCENE\n"
    "}\n"
    ":VIEW_4\n"
    "{\n"
    "TYPE:3\n"
    "GRA:BASE,HOVER,SHEET\n"
    "SET:1\n"
    "THM_SIZE:40,40\n"
    "NEXT:700,550,750,600\n"
    "PREV:600,550,650,600\n"
    "EXIT:750,550,800,600\n"
    "5:400,300\n"
    "}\n"
    "{\n"
    "}\n";

// Screen commands reaching the viewer, as the engine's screens do.
class ViewerCommands final : public NoScreenCommands {
 public:
  void Viewer(std::string_view name) override { viewer->ViewerCommand(name); }
  void ReturnFromReplay() override { viewer->ReturnFromReplay(); }
  tolven::Viewer* viewer = nullptr;
};

class MenuCounter final : public QuietInterpreterHost {
 public:
  MenuCounter() : QuietInterpreterHost(false, false) {}
  void ResetWaits() override { ++resets; }
  void UpdateMenuBar() override { ++menuUpdates; }
  int resets = 0;
  int menuUpdates = 0;
};

class ViewerTest : public ::testing::Test, protected testing::ScreenRig<testing::RecordingHost> {
 protected:
  ViewerTest() {
    const std::vector<tools::ArchiveInput> pictures = {
        {"BASE", Solid(kBase)},
        {"BASE2", Solid(kBase2)},
        {"BASE3", Solid(kBase3)},
        {"HOVER", Solid(kHover)},
        {"SHEET", Solid(kSheet)},
        {"CG_A", Solid(kCgA)},
        {"CG_B", Solid(kCgB)},
        {"CG_C", Solid(kCgC)},
        {"CG_D", Solid(kCgA)},
        {"CG_E", Solid(kCgB)},
        {"PLATE", Solid(kPlate, 20, 10)},
    };
    testing::WriteFileBytes(dir.Path() / "qe_gra.tvk",
                            tools::BuildArchive(ArchiveLayout::B, pictures));
    archives.LoadMediaIndexes();
    commands.viewer = &viewer;
    viewer.showReplayMenu = [this](bool skip, bool end) {
      menu.push_back(std::string(skip ? "N1" : "-") + (end ? "N2" : "-"));
    };
    Game(kViews);
  }

  void Game(const std::string& view) {
    const std::vector<tools::ArchiveInput> entries = {
        {"VIEW", Lines(view)},
        {"STORY", Lines("!V000=0\n*viewer VIEW_3\n!V003=1\n")},
        {"S_SCENE", Lines("!V001=1\n:start\n!V002=1\n*exit\n")},
    };
    testing::WriteFileBytes(dir.Path() / "qe_data.tvk",
                            tools::BuildArchive(ArchiveLayout::A, entries));
    archives.LoadScriptIndexes();
    // As the engine numbers the gallery's pictures at start-up.
    galleryList.LoadGalleryList(archives, definitions, "VIEW_1");
  }

  void Click(int x, int y, MouseButton button = MouseButton::Left) {
    viewer.PointerMove(x, y);
    viewer.Press(button, x, y);
  }
  Colour Screen(int x, int y) const { return PixelAt(pb.Picture(), x, y); }
  Colour StageAt(int x, int y) const { return PixelAt(stage.Buffers().StageBuffer, x, y); }
  int Requested() const { return state.S(sv::kRequestedTrack); }

  NullMessageOutputHost outputHost;
  MessageOutput output{flags, state, outputHost};
  NullAudioDevice device;
  Sound sound{trace, settings, archives, device};
  MusicStream music{sound, archives, settings};
  MenuCounter engine;
  ViewerCommands commands;
  Interpreter interpreter{archives,    state, variables, flags,    output,
                          definitions, stage, engine,    commands, trace};
  ReplayReturn replay{interpreter, flags, engine};
  GlobalProgress progress;
  GalleryList galleryList;
  Viewer viewer{{pb, stage, archives, definitions, interpreter, engine, flags, state, sound, music,
                 progress, galleryList, replay}};
  std::vector<std::string> menu;
};

TEST_F(ViewerTest, AGalleryThumbnailCyclesThroughItsSeenPictures) {
  progress.SetGalleryFlag(0);  // CG_A
  progress.SetGalleryFlag(2);  // CG_C
  viewer.OpenView("view_1");
  ASSERT_EQ(flags.EngineState, EngineScreen::Viewer);
  EXPECT_EQ(state.S(sv::kSaveAvailability), 2);
  EXPECT_EQ(viewer.Status(1), kPartlyOpen);
  EXPECT_EQ(viewer.Status(2), kLocked);
  // The plate covers the locked thumbnail; the partly seen one shows the page as it is.
  EXPECT_EQ(Screen(300, 100), kPlate);
  EXPECT_EQ(Screen(320, 100), kBase);
  EXPECT_EQ(Screen(150, 140), kBase);
  // A locked thumbnail is no target.
  EXPECT_EQ(viewer.ViewHitTest(310, 105), 0);

  std::vector<Colour> shown;
  for (int i = 0; i < 3; ++i) {
    Click(150, 140);
    shown.push_back(Screen(400, 300));
  }
  EXPECT_EQ(shown, (std::vector<Colour>{kCgA, kCgC, kCgA}));
  EXPECT_TRUE(viewer.PictureMode());
  // The pointer means nothing over a picture; a right click goes back to the page.
  viewer.PointerMove(760, 570);
  EXPECT_EQ(viewer.Pointed(), 1);
  viewer.Press(MouseButton::Right, 760, 570);
  EXPECT_FALSE(viewer.PictureMode());
  EXPECT_EQ(Screen(400, 300), kBase);
  EXPECT_EQ(Screen(300, 100), kPlate);
}

TEST_F(ViewerTest, AFullySeenThumbnailShowsTheSheetAndTheMiddleButtonLeavesThePicture) {
  progress.SetGalleryFlag(4);  // CG_E, page 1
  viewer.OpenView("VIEW_1");
  Click(725, 570);  // NEXT
  ASSERT_EQ(viewer.CurrentPage(), 1);
  EXPECT_EQ(viewer.Status(1), kOpen);
  EXPECT_EQ(Screen(100, 100), kSheet);
  EXPECT_EQ(Screen(199, 179), kSheet);
  EXPECT_EQ(Screen(200, 100), kBase2);
  EXPECT_EQ(Screen(100, 180), kBase2);
  Click(150, 140);
  EXPECT_EQ(Screen(400, 300), kCgB);
  viewer.Press(MouseButton::Middle, 0, 0);
  EXPECT_FALSE(viewer.PictureMode());
  EXPECT_EQ(Screen(400, 300), kBase2);
}

TEST_F(ViewerTest, PagesTurnWithWrapAndJump) {
  viewer.OpenView("VIEW_1");
  const struct {
    int x, y;
    int page;
    Colour base;
  } steps[] = {
      {625, 570, 2, kBase3},  // PREV on the first page: the last
      {725, 570, 0, kBase},   // NEXT on the last: the first
      {25, 570, 2, kBase3},   // page-jump area 2
      {625, 570, 1, kBase2},
  };
  for (const auto& s : steps) {
    Click(s.x, s.y);
    EXPECT_EQ(viewer.CurrentPage(), s.page) << s.x;
    EXPECT_EQ(Screen(400, 300), s.base) << s.x;
  }
}

TEST_F(ViewerTest, OnASinglePageNextAndPrevStayUnlitAndRedrawThePage) {
  viewer.OpenView("VIEW_2");
  for (const int x : {725, 625}) {
    viewer.PointerMove(x, 570);
    viewer.FrameStep();
    EXPECT_EQ(Screen(x, 570), kBase) << x;
    viewer.Press(MouseButton::Left, x, 570);
    EXPECT_EQ(viewer.CurrentPage(), 0);
    EXPECT_EQ(Screen(x, 570), kBase) << x;
  }
}

TEST_F(ViewerTest, APointedButtonStaysLitAndFadesOverSixteenFramesOnceLeft) {
  viewer.OpenView("VIEW_1");
  viewer.PointerMove(776, 570);  // EXIT, 25 pixels wide: the fade covers 32
  EXPECT_EQ(Screen(776, 570), kHover);
  for (int i = 0; i < 5; ++i) viewer.FrameStep();
  EXPECT_EQ(Screen(776, 570), kHover);
  EXPECT_EQ(viewer.Highlight(kViewExit), 16);
  viewer.PointerMove(400, 300);
  viewer.FrameStep();
  uint8_t mixed[3];
  WeightedMix(kHover.data(), kBase.data(), 15 * 8, mixed, 3);
  EXPECT_EQ(Screen(776, 570), (Colour{mixed[0], mixed[1], mixed[2]}));
  for (int i = 0; i < 15; ++i) viewer.FrameStep();
  EXPECT_EQ(viewer.Highlight(kViewExit), 0);
  EXPECT_EQ(Screen(776, 570), kBase);
}

TEST_F(ViewerTest, ExitLeavesTheViewAndLetsTheScriptGoOn) {
  viewer.OpenView("VIEW_1");
  const int updates = engine.menuUpdates;
  flags.ReplayActive = true;
  Click(776, 570);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_FALSE(flags.ReplayActive);
  EXPECT_EQ(state.S(sv::kSaveAvailability), 1);
  EXPECT_EQ(engine.menuUpdates, updates + 1);
  EXPECT_TRUE(viewer.DumpObject().is_null());
}

TEST_F(ViewerTest, AViewJumpOpensTheOtherView) {
  viewer.OpenView("VIEW_1");
  Click(750, 20);  // M2
  EXPECT_EQ(viewer.DumpObject()["name"], "VIEW_2");
  EXPECT_EQ(flags.EngineState, EngineScreen::Viewer);
}

TEST_F(ViewerTest, ASceneReplaysFromItsLabelAndExitBringsBackTheViewer) {
  state.E[0] |= 1 << 7;
  interpreter.LoadScript("STORY", kScriptMode);
  interpreter.State().CurrentScript = "STORY";
  CallStack& calls = interpreter.State().calls;
  calls.CallDepth = 1;
  calls.CallNames[0] = "CALLER";
  calls.CallPositions[0] = 42;
  interpreter.State().NeedLine = true;
  interpreter.RunScript();  // up to the viewer command
  ASSERT_EQ(flags.EngineState, EngineScreen::Viewer);
  const uint32_t resumeAt = interpreter.State().ReadPos;
  EXPECT_EQ(viewer.Status(1), kOpen);
  EXPECT_EQ(viewer.Status(2), kLocked);

  state.S(sv::kTextMode) = 1;
  state.S(sv::kDateDisplay) = 1;
  const int resets = engine.resets;
  Click(150, 140);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_TRUE(flags.ReplayActive);
  EXPECT_EQ(engine.resets, resets + 1);
  EXPECT_EQ(interpreter.State().CurrentScript, "S_SCENE");
  EXPECT_EQ(interpreter.State().calls.CallDepth, 0);
  EXPECT_EQ(menu, (std::vector<std::string>{"-N2"}));

  interpreter.RunScript();  // the scene, up to its exit
  EXPECT_EQ(state.V(1), 0) << "the scene starts at its label";
  EXPECT_EQ(state.V(2), 1);
  EXPECT_EQ(flags.EngineState, EngineScreen::Viewer);
  EXPECT_FALSE(flags.ReplayActive);
  EXPECT_EQ(interpreter.State().CurrentScript, "STORY");
  EXPECT_EQ(interpreter.State().ReadPos, resumeAt);
  EXPECT_EQ(calls.CallDepth, 1);
  EXPECT_EQ(calls.CallNames[0], "CALLER");
  EXPECT_EQ(calls.CallPositions[0], 42);
  EXPECT_EQ(state.S(sv::kTextMode), 0);
  EXPECT_EQ(state.S(sv::kDateDisplay), 0);
  EXPECT_EQ(menu.back(), "--");
  EXPECT_EQ(Screen(100, 100), kSheet);
  EXPECT_EQ(state.V(3), 0) << "the story waits for the viewer";
}

TEST_F(ViewerTest, TheMusicPlayerPlaysStopsResumesAndPulsesThePlayingTrack) {
  viewer.OpenView("VIEW_4");
  EXPECT_EQ(viewer.Status(5), kPartlyOpen);
  const struct {
    int x, y;
    int requested;
  } clicks[] = {{410, 310, 5}, {625, 570, 0}, {725, 570, 5}};
  for (const auto& c : clicks) {
    Click(c.x, c.y);
    EXPECT_EQ(Requested(), c.requested) << c.x;
  }
  viewer.PointerMove(10, 10);
  for (int frame = 1; frame < 32; ++frame) viewer.FrameStep();
  EXPECT_EQ(viewer.Highlight(5), 0);
  EXPECT_EQ(StageAt(410, 310), kBase);

  std::vector<int> weights;
  for (int frame = 0; frame < 2; ++frame) {
    viewer.FrameStep();
    weights.push_back(viewer.Highlight(5) * 8);
    uint8_t mixed[3];
    WeightedMix(kHover.data(), kBase.data(), weights.back(), mixed, 3);
    EXPECT_EQ(Screen(410, 310), (Colour{mixed[0], mixed[1], mixed[2]}));
  }
  EXPECT_EQ(weights, (std::vector<int>{31 * 8, 30 * 8}));
  EXPECT_EQ(viewer.Highlight(kViewNext), 14);

  // Its exit stops the music and leaves the menu bar alone.
  state.S(sv::kSaveAvailability) = 2;
  Click(776, 570);
  EXPECT_EQ(Requested(), 0);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_EQ(state.S(sv::kSaveAvailability), 2);
}

TEST_F(ViewerTest, AViewThatIsNotThereChangesNothing) {
  viewer.OpenView("VIEW_9");
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_EQ(state.S(sv::kSaveAvailability), 0);
  EXPECT_TRUE(viewer.DumpObject().is_null());
}

// The limits hold by ignoring what lies beyond them, and no damaged text breaks the screen.
TEST_F(ViewerTest, DamagedViewTextsAreReadWithinTheirLimits) {
  std::string filler;
  for (int i = 0; i < 29; ++i) filler += "X:1\n";
  std::string fiftyOne;
  for (int i = 0; i < 50; ++i) fiftyOne += "CG_B,";
  const std::string header = ":VIEW_1\n{\nGRA:BASE,HOVER,SHEET\nTHM_SIZE:10,10\n1:0,0\n2:20,0\n";
  const struct {
    std::string text;
    bool opens;
    int pages;
    int status1;
    int status2;
  } cases[] = {
      {"", false, 0, 0, 0},
      {":VIEW_1", true, 0, 0, 0},
      {header + "SET:1", true, 1, 0, 0},  // no end to the header
      {header + "SET:99\n}\n", true, 10, 0, 0},
      {header + "SET:-4\nTYPE:9\n}\n{\n1:CG_A\n}\n", true, 0, 0, 0},
      // The 32nd line of a page block is not read.
      {header + "SET:1\n}\n{\n" + filler + "1:CG_A\n2:CG_A\n}\n", true, 1, 3, 0},
      // The 51st name is not the thumbnail's: its flag, 50, is not set.
      {header + "SET:1\n}\n{\n1:" + fiftyOne + "CG_A\n}\n", true, 1, 3, 0},
      // Thumbnail numbers and digits beyond their ranges.
      {header + "0:0,0\n31:0,0\nP10:0,0,800,600\nSET:1\n}\n{\n31:CG_A\n0:CG_A\n}\n", true, 1, 0, 0},
      // Scenes without a colon, very long, or empty; pictures that are missing.
      {header + "TYPE:1\nSET:1\n}\n{\nGRA:NONE,NONE\n1:0," + std::string(300, 'Q') + "\n2:0\n}\n",
       true, 1, 3, 3},
      {header + "SET:1\nTHM_SIZE:99999999999,-5\n}\n{\n1:\n2:,CG_A\n}\n", true, 1, 1, 1},
  };
  for (int flag = 0; flag < 50; ++flag) progress.SetGalleryFlag(flag);
  state.E[0] |= 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 160));
    flags = EngineFlags{};
    Game(c.text + "\n:VIEW_0\n{\nM9:0,0,800,600\nM\nM1\n}\n");
    viewer.OpenView("VIEW_1");
    EXPECT_EQ(viewer.Open(), c.opens);
    if (!c.opens) continue;
    EXPECT_EQ(viewer.DumpObject()["pages"], c.pages);
    EXPECT_EQ(viewer.Status(1), c.status1);
    EXPECT_EQ(viewer.Status(2), c.status2);
    // The screen takes the pointer, clicks and frames anywhere without harm.
    for (int y = -10; y < 620; y += 37) {
      for (int x = -10; x < 820; x += 53) {
        viewer.PointerMove(x, y);
        viewer.FrameStep();
        if (viewer.Pointed() >= kViewPageJump || viewer.Pointed() == kViewExit) continue;
        viewer.Press(MouseButton::Left, x, y);
        viewer.Press(MouseButton::Right, x, y);
        if (flags.ReplayActive) viewer.ReturnFromReplay();
      }
    }
    EXPECT_LT(viewer.CurrentPage(), kViewPages);
  }
}

}  // namespace
}  // namespace tolven
