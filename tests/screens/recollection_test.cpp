// Recollection mode on the engine's parts: the pages a "sys_flashbak" text lays out for the
// scenes seen, the flags a story script sets, the record slots and their titles, scene replays
// and the way back, `rec`, and damaged texts and slot files.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "audio/audio_device.h"
#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_values.h"
#include "graphics/picture_copy.h"
#include "graphics/transition_rig.h"
#include "screens/recollection.h"
#include "screens/replay_return.h"
#include "screens/screen_rig.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

using nlohmann::ordered_json;

// Runs the test's own hand on a modal dialog, as a player would.
class ModalHost final : public testing::RecordingHost {
 public:
  using RecordingHost::RecordingHost;
  void RunModal(DialogModel& dialog) override {
    if (onModal) onModal(dialog);
  }
  std::function<void(DialogModel&)> onModal;
};

class WaitCounter final : public QuietInterpreterHost {
 public:
  WaitCounter() : QuietInterpreterHost(false, false) {}
  void ResetWaits() override { ++resets; }
  int resets = 0;
};

std::vector<uint8_t> Lines(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (uint8_t& byte : bytes) {
    if (byte == '\n') byte = 0;
  }
  return bytes;
}

// Command buttons and other places of the screen.
constexpr int kPlaySlot[] = {700, 540};
constexpr int kClearSlot[] = {640, 540};
constexpr int kDeleteEntry[] = {580, 540};
constexpr int kAddScene[] = {440, 560};
constexpr int kPlayScene[] = {360, 560};
constexpr int kNameSlot[] = {740, 90};
constexpr int kLeave[] = {650, 20};

// The point inside a cell of the scene list.
int CellX(int cell) {
  return 160 * (cell % 3) + 43 + 5;
}
int CellY(int cell) {
  return 12 * (cell / 3) + 77 + 5;
}

class RecollectionTest : public ::testing::Test, protected testing::ScreenRig<ModalHost> {
 protected:
  RecollectionTest() {
    std::vector<tools::ArchiveInput> pictures = {
        {"SS_KAISO", tools::EncodePackedPicture(testing::PlacePicture(800, 600))},
        {"SS_BTN", tools::EncodePackedPicture(testing::Noise(7))},
        {"SS_TAB", tools::EncodePackedPicture(testing::Noise(9))},
    };
    testing::WriteFileBytes(dir.Path() / "qe_gra.tvk",
                            tools::BuildArchive(ArchiveLayout::B, pictures));
    archives.LoadMediaIndexes();
    recollection.showReplayMenu = [this](bool skip, bool end) {
      menu.push_back(std::string(skip ? "N1" : "-") + (end ? "N2" : "-"));
    };
    recollection.slotsChanged = [this] { ++slotWrites; };
    recollection.showModal = [this](DialogModel& dialog) { host.RunModal(dialog); };
  }

  // The scene table and the scripts of the game; "start" is where `kaisou` runs.
  void Game(const std::string& flashbak, std::map<std::string, std::string> scripts = {}) {
    std::vector<tools::ArchiveInput> entries = {{"SYS_FLASHBAK", Lines(flashbak)}};
    scripts.emplace("start", "*kaisou\nafter\n");
    for (const auto& [name, text] : scripts) entries.push_back({name, Lines(text)});
    testing::WriteFileBytes(dir.Path() / "qe_data.tvk",
                            tools::BuildArchive(ArchiveLayout::A, entries));
    archives.LoadScriptIndexes();
    recollection.LoadSceneTable();
  }
  void Seen(std::initializer_list<int> scenes) {
    for (int scene : scenes) progress.SetSceneFlag(scene);
  }
  void Open() {
    interpreter.LoadScript("start", kScriptMode);
    interpreter.State().CurrentScript = "start";
    interpreter.State().ReadPos = 8;
    recollection.Kaisou();
  }
  void Click(int x, int y, MouseButton button = MouseButton::Left) {
    recollection.PointerMove(x, y);
    recollection.Press(button, x, y);
  }
  void Click(const int (&at)[2]) { Click(at[0], at[1]); }
  ordered_json Dump() const { return recollection.DumpObject(); }
  // The cells of the page that hold a scene, with its number.
  std::map<int, int> Cells() const {
    std::map<int, int> cells;
    const ordered_json map = Dump()["map"];
    for (size_t i = 0; i < map.size(); ++i) {
      if (map[i].get<int>() != 0) cells[static_cast<int>(i)] = map[i].get<int>();
    }
    return cells;
  }
  std::vector<int> Entries(int slot) const {
    return Dump()["slots"][static_cast<size_t>(slot)]["entries"].get<std::vector<int>>();
  }

  NullMessageOutputHost outputHost;
  MessageOutput output{flags, state, outputHost};
  NullAudioDevice device;
  Sound sound{trace, settings, archives, device};
  MusicStream music{sound, archives, settings};
  WaitCounter engine;
  NoScreenCommands screens;
  Interpreter interpreter{archives,    state, variables, flags,   output,
                          definitions, stage, engine,    screens, trace};
  ReplayReturn replay{interpreter, flags, engine};
  GlobalProgress progress;
  Recollection recollection{{host, pb, stage, archives, interpreter, engine, flags, state, sound,
                             music, progress, replay}};
  std::vector<std::string> menu;
  int slotWrites = 0;
};

// Two pages with headings; ":EVENT1" is missing.
const char* const kTable =
    ":morning\n"  // 0
    "*first\n"    // 1
    "a,sa\n"      // 2
    "b,sb\n"      // 3
    "c,sc\n"      // 4
    "*second\n"   // 5
    "d,sd\n"      // 6
    ":night1\n"   // 7
    "x,sx\n"      // 8
    "*middle\n"   // 9
    "y,sy\n"      // 10
    "\n"          // empty lines are not scenes
    ":bath1\n"    // 11
    "e,se\n"      // 12
    ":END\n"
    "after,end\n";  // never read

TEST_F(RecollectionTest, APageKeepsItsShapeWhateverWasSeen) {
  const struct {
    std::set<int> seen;
    int tab;
    std::map<int, int> cells;  // cell -> scene
  } cases[] = {
      // The unseen heading still takes the first row; A and C leave their cells empty.
      {{3}, 0, {{4, 3}}},
      {{1, 3}, 0, {{4, 3}}},
      {{2, 4, 6}, 0, {{3, 2}, {5, 4}, {9, 6}}},
      // A seen heading starts a new row; one not seen only moves on by a row's worth.
      {{8, 9, 10}, 3, {{0, 8}, {6, 10}}},
      {{8, 10}, 3, {{0, 8}, {4, 10}}},
      {{12}, 1, {{0, 12}}},
      // A page the table lacks reads from scene 0, a page marker: nothing to show.
      {{2, 3, 4, 12}, 4, {}},
  };
  Game(kTable);
  for (const auto& c : cases) {
    progress = GlobalProgress();
    for (int scene : c.seen) progress.SetSceneFlag(scene);
    Open();
    if (c.tab != 0) Click(45 + 80 * c.tab + 10, 30);
    EXPECT_EQ(Dump()["tab"], c.tab);
    EXPECT_EQ(Cells(), c.cells) << "tab " << c.tab << " first seen " << *c.seen.begin();
  }
}

TEST_F(RecollectionTest, OnlyASeenSceneCanBeSelectedAndItTurnsRed) {
  Game(kTable);
  Seen({3});
  Open();
  auto redIn = [&](int cell) {
    int red = 0;
    for (int y = CellY(cell) - 5; y < CellY(cell) + 7; ++y) {
      for (int x = CellX(cell) - 5; x < CellX(cell) + 155; ++x) {
        const uint8_t* p = pb.Picture().Row(y) + 3 * x;
        red += p[0] == 0 && p[1] == 0 && p[2] == 255;
      }
    }
    return red;
  };
  Click(CellX(3), CellY(3));
  Click(CellX(5), CellY(5));
  EXPECT_EQ(Dump()["selected_cell"], 0);
  EXPECT_EQ(redIn(4), 0);
  Click(CellX(4), CellY(4));
  EXPECT_EQ(Dump()["selected_cell"], 4);
  EXPECT_GT(redIn(4), 0);
  EXPECT_EQ(redIn(3) + redIn(5), 0);
  // Moving onto an empty cell keeps the selection.
  Click(CellX(5), CellY(5));
  EXPECT_EQ(Dump()["selected_cell"], 4);
  // The right button selects too and opens the menu of "登録" and "確認".
  EXPECT_FALSE(recollection.PopupMenu2Open());
  Click(CellX(4), CellY(4), MouseButton::Right);
  EXPECT_TRUE(recollection.PopupMenu2Open());
  recollection.PU_Post1Click();
  EXPECT_FALSE(recollection.PopupMenu2Open());
  EXPECT_EQ(Entries(0), std::vector<int>{3});
}

TEST_F(RecollectionTest, AStoryScriptMarksItsSceneAndTheNearestHeadingAbove) {
  // The first line is a heading too, but it opens the text: no scene walks back to it.
  std::string text = "*top\n";
  for (int n = 1; n <= 58; ++n) {
    if (n == 10 || n == 50) {
      text += "*heading" + std::to_string(n) + "\n";
    } else if (n == 57 || n == 58) {
      text += "title,s0123\n";  // a key named twice: the first line counts
    } else {
      text += "t" + std::to_string(n) + ",k" + std::to_string(n) + "\n";
    }
  }
  Game(text);
  auto set = [&] {
    std::vector<int> flags;
    for (int n = 0; n < kListFlagCount; ++n) {
      if (progress.SceneFlag(n)) flags.push_back(n);
    }
    return flags;
  };
  const struct {
    const char* name;
    std::vector<int> flags;
  } cases[] = {
      {"S0123", {50, 57}}, {"K11", {10, 11}}, {"K3", {3}}, {"S0124", {}}, {"", {}},
  };
  for (const auto& c : cases) {
    progress = GlobalProgress();
    recollection.MarkSceneSeen(c.name);
    EXPECT_EQ(set(), c.flags) << c.name;
  }
}

TEST_F(RecollectionTest, ASlotTakesTwentySevenScenesAndIsWrittenOnEveryChange) {
  Game(kTable);
  Seen({3});
  Open();
  Click(CellX(4), CellY(4));
  for (int i = 0; i < 28; ++i) Click(kAddScene);
  EXPECT_EQ(Entries(0), std::vector<int>(27, 3));
  EXPECT_EQ(progress.recordSlots[0][28], 0);
  EXPECT_EQ(slotWrites, 27);
  // The second slot, then the first again, which is cleared.
  Click(546 + 32 + 5, 70);
  EXPECT_EQ(Dump()["current_slot"], 1);
  Click(kAddScene);
  Click(550, 70);
  Click(kClearSlot);
  EXPECT_EQ(Entries(0), std::vector<int>{});
  EXPECT_EQ(Entries(1), std::vector<int>{3});
  EXPECT_EQ(slotWrites, 29);
}

TEST_F(RecollectionTest, DeletingAnEntryMovesTheLaterOnesUp) {
  Game(kTable);
  progress.recordSlots[0] = {0, 11, 12, 13, 14, 15};
  Open();
  auto row = [](int entry) { return 154 + 13 * (entry - 1) + 5; };
  Click(600, row(3));
  EXPECT_EQ(Dump()["selected_entry"], 3);
  Click(kDeleteEntry);
  EXPECT_EQ(Entries(0), (std::vector<int>{11, 12, 14, 15}));
  EXPECT_EQ(Dump()["selected_entry"], 3);
  // Deleting the last entry moves the selection to the one before.
  Click(600, row(4));
  Click(kDeleteEntry);
  EXPECT_EQ(Entries(0), (std::vector<int>{11, 12, 14}));
  EXPECT_EQ(Dump()["selected_entry"], 3);
  // A row below the last entry selects nothing.
  Click(600, row(5));
  EXPECT_EQ(Dump()["selected_entry"], 3);
  EXPECT_EQ(slotWrites, 2);
}

TEST_F(RecollectionTest, TheNamingDialogCutsATitleToThirtySixBytesAndCancelKeepsIt) {
  Game(kTable);
  const struct {
    const char* button;
    std::string title;
  } cases[] = {
      {"Button1", std::string(36, 'x')},
      {"Button2", "Record Slot 1"},
  };
  for (const auto& c : cases) {
    progress = GlobalProgress();
    Open();
    EXPECT_EQ(progress.recordSlotNames[0], "Record Slot 1");
    std::string shown;
    host.onModal = [&](DialogModel& dialog) {
      shown = static_cast<RecollectionSlotDialog&>(dialog).Edit1Text();
      dialog.Set("Edit1", std::string(40, 'x'));
      dialog.Press(c.button);
    };
    Click(kNameSlot);
    EXPECT_EQ(shown, "Record Slot 1");
    EXPECT_EQ(progress.recordSlotNames[0], c.title) << c.button;
  }
}

TEST_F(RecollectionTest, ScenesPlayOneAfterAnotherAndTheLastSkipComesBack) {
  Game(kTable, {{"k_sb", "scene b\n"}, {"k_sc", "scene c\n"}});
  Seen({3, 4});
  progress.recordSlots[0] = {0, 3, 4};
  InterpreterState& script = interpreter.State();
  Open();
  script.calls.CallDepth = 2;
  script.calls.CallNames[0] = "outer";
  recollection.Kaisou();
  EXPECT_EQ(flags.EngineState, EngineScreen::Recollection);
  EXPECT_FALSE(flags.ReplayActive);
  EXPECT_EQ(script.calls.CallDepth, 2);

  Click(kPlaySlot);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_TRUE(flags.ReplayActive);
  EXPECT_EQ(script.CurrentScript, "k_SB");
  EXPECT_EQ(script.LoadedScriptName, "k_SB");
  EXPECT_EQ(script.calls.CallDepth, 0);
  recollection.SkipScene();
  EXPECT_EQ(script.LoadedScriptName, "k_SC");
  EXPECT_TRUE(flags.ReplayActive);
  recollection.SkipScene();
  EXPECT_EQ(flags.EngineState, EngineScreen::Recollection);
  EXPECT_FALSE(flags.ReplayActive);
  EXPECT_EQ(script.CurrentScript, "start");
  EXPECT_EQ(script.ReadPos, 8u);
  EXPECT_EQ(script.calls.CallDepth, 2);
  EXPECT_EQ(script.calls.CallNames[0], "outer");
  EXPECT_EQ(menu, (std::vector<std::string>{"N1N2", "-N2", "--"}));

  // One scene alone; then leaving lets the story read on after `kaisou`.
  menu.clear();
  Click(CellX(5), CellY(5));
  Click(kPlayScene);
  EXPECT_EQ(script.LoadedScriptName, "k_SC");
  recollection.SkipScene();
  EXPECT_EQ(flags.EngineState, EngineScreen::Recollection);
  EXPECT_EQ(Dump()["selected_cell"], 0);
  Click(kLeave);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_EQ(script.ReadPos, 8u);
  EXPECT_EQ(menu, (std::vector<std::string>{"-N2", "--", "--"}));
  EXPECT_EQ(state.S(sv::kAutoSpeed), 0);
}

TEST_F(RecollectionTest, RecClearsFAndVAndStartsOrRestartsTheRecord) {
  const struct {
    int mode;
    int expected[3];  // S151-S153 after
  } cases[] = {
      {0, {1, 0, 0}},
      {1, {1, 0, 0}},
      {2, {2, 5, 0}},  // replay starts again from the first answer, the answers kept
  };
  Game(kTable);
  for (const auto& c : cases) {
    state.S(sv::kAutoNavigation) = c.mode;
    state.S(sv::kAutoNavigationSaved) = 5;
    state.S(sv::kAutoNavigationTarget) = 3;
    state.F.fill(0xff);
    state.V(0) = 1;
    state.V(999) = 2;
    state.P(0) = 3;
    interpreter.State().CurrentScript = "chapter1";
    recollection.Rec();
    EXPECT_EQ(state.S(sv::kAutoNavigation), c.expected[0]) << c.mode;
    EXPECT_EQ(state.S(sv::kAutoNavigationSaved), c.expected[1]) << c.mode;
    EXPECT_EQ(state.S(sv::kAutoNavigationTarget), c.expected[2]) << c.mode;
    EXPECT_EQ(state.F, decltype(state.F){});
    EXPECT_EQ(state.V(0) | state.V(999), 0);
    EXPECT_EQ(state.P(0), 3);
    EXPECT_EQ(recollection.RecordScript(), "chapter1");
  }
}

// Every place of the screen pressed with both buttons on damaged tables and a damaged slot
// file: nothing reads outside the screen's arrays, and a replay of a scene that is not there
// comes back.
TEST_F(RecollectionTest, DamagedTablesAndSlotsRunClean) {
  std::string many = ":morning\n";
  for (int n = 0; n < 3000; ++n) many += (n % 7 == 0 ? "*h\n" : "t,k\n");
  std::string headings = ":night1\n";
  for (int n = 0; n < 400; ++n) headings += "*\n";
  const std::string cases[] = {
      "",
      "\n\n\n",
      ":END\n",
      ":morning\n",
      ",\n,,,\n*\n:\n:bath\n:bath1\nonly a title\n\x81\n",
      many,
      headings,
      "a,b\n:morning\n",
  };
  for (const std::string& text : cases) {
    Game(text, {{"k_", "k\n"}});
    progress = GlobalProgress();
    progress.sceneFlags.fill(0xff);
    progress.recordSlots[0] = {7, -5, 99999, 1, 0, 3};
    progress.recordSlots[9].fill(-1);
    Open();
    for (int tab = 0; tab < 5; ++tab) {
      Click(45 + 80 * tab + 10, 30);
      for (int sub = 0; sub < 10; ++sub) Click(10, 72 + 47 * sub + 10);
      for (int y = 0; y < 600; y += 9) {
        for (int x = 0; x < 800; x += 13) {
          recollection.PointerMove(x, y);
        }
      }
      for (int y = 77; y < 600; y += 12) {
        for (int x = 43; x < 800; x += 160) {
          recollection.PointerMove(x, y);
          recollection.Press(MouseButton::Right, x, y);
          if (recollection.PopupMenu2Open()) recollection.PU_Post2Click();
          for (int i = 0; i < 60 && flags.EngineState == EngineScreen::Story; ++i) {
            recollection.SkipScene();
          }
          if (flags.EngineState != EngineScreen::Recollection) recollection.Kaisou();
        }
      }
    }
    for (const int slot : {0, 9}) {
      Click(slot < 5 ? 546 + 32 * slot + 5 : 563 + 32 * (slot - 5) + 5, slot < 5 ? 70 : 100);
      Click(kPlaySlot);
      for (int i = 0; i < 60 && flags.EngineState == EngineScreen::Story; ++i) {
        recollection.SkipScene();
      }
      EXPECT_EQ(flags.EngineState, EngineScreen::Recollection);
      EXPECT_FALSE(flags.ReplayActive);
    }
    const ordered_json dump = Dump();
    for (const auto& cell : dump["map"]) {
      EXPECT_LT(cell.get<int>(), recollection.Scenes().Count());
    }
    Click(kLeave);
    EXPECT_EQ(flags.EngineState, EngineScreen::Story) << text.substr(0, 20);
  }
}

}  // namespace
}  // namespace tolven
