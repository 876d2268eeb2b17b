// Recollection mode in a game played by the real binary: a story script marks its scene, the
// screen lists it, a slot filled on the screen outlives the run through kaiso.dat, and the
// next run plays that slot scene after scene through the menu's scene skip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/game_run.h"
#include "test_support.h"

namespace tolven {
namespace {

class RecollectionRunTest : public testing::GameRunTest {
 protected:
  void BuildRecollectionGame() {
    Script("main", "*chain s0123\n");
    Script("s0123", "*kaisou\nafter\n\\\n");
    Script("k_s0123", "*mode 1\nreplayed\n\\\n*end\n");
    Script("sys_flashbak", ":MORNING\n*PROLOGUE\nA,S0100\nB,S0123\n:END\n");
    BuildGame();
  }
  testing::CommandResult Run(const std::string& events) {
    return RunGame(events, {"--seed", "1", "--save-dir", Path("save")});
  }
};

// Scene B (3) sits in the middle of the row under its heading; A (2) was never reached.
constexpr const char* kSelectB = "click 213 94\n";
constexpr const char* kAddScene = "click 440 560\n";
constexpr const char* kPlaySlot = "click 700 540\n";
constexpr const char* kLeave = "click 650 20\n";
constexpr const char* kNameSlot = "click 750 95\n";

TEST_F(RecollectionRunTest, ASeenSceneIsListedKeptInASlotAndPlayedInTheNextRun) {
  BuildRecollectionGame();
  // The second time through the pop-up on the scene: a right press opens it, "登録" adds.
  const auto first = Run("until input\ndump " + Path("open.json") + "\n" + kSelectB + kAddScene +
                         "click 213 94 right\npress PU_Post1\n" + kNameSlot +
                         "until dialog TForm6\nset Edit1 春の回想\npress Button1\n" + "dump " +
                         Path("added.json") + "\n" + kLeave + "until page\ndump " +
                         Path("left.json") + "\nquit\n");
  ASSERT_EQ(first.exitStatus, 0) << first.output;

  const nlohmann::json open = Dump("open.json");
  EXPECT_EQ(open["engine_state"], 8);
  EXPECT_EQ(open["progress"]["scenes"], (std::vector<int>{1, 3}));
  std::vector<int> cells = open["recollection"]["map"].get<std::vector<int>>();
  ASSERT_EQ(cells.size(), 150u);
  EXPECT_EQ(cells[3], 0);
  EXPECT_EQ(cells[4], 3);
  EXPECT_EQ(open["replay"], false);

  const nlohmann::json added = Dump("added.json");
  EXPECT_EQ(added["recollection"]["selected_cell"], 4);
  EXPECT_EQ(added["recollection"]["slots"][0]["entries"], (std::vector<int>{3, 3}));
  EXPECT_EQ(added["recollection"]["slots"][0]["title"], "春の回想") << "named through TForm6";
  const std::vector<uint8_t> kaiso = testing::ReadFileBytes(dir_ / "save" / "kaiso.dat");
  ASSERT_EQ(kaiso.size(), 2640u);
  EXPECT_EQ(kaiso[0], 3);
  EXPECT_EQ(kaiso[4], 3);

  const nlohmann::json left = Dump("left.json");
  EXPECT_EQ(left["engine_state"], 0);
  EXPECT_EQ(left["script"], "s0123");
  EXPECT_NE(left["page"].dump().find("after"), std::string::npos) << left["page"];

  // The slot comes back from kaiso.dat: its two scenes play, the skip going from the first to
  // the second and no further. The skip is an entry of the menu under the quit button.
  const auto second =
      Run("until input\n" + std::string(kPlaySlot) + "until page\ndump " + Path("first.json") +
          "\npress SpeedButton1\npress N1\nuntil page\ndump " + Path("second.json") +
          "\npress SpeedButton1\npress N1\ndump " + Path("last.json") + "\nquit\n");
  ASSERT_EQ(second.exitStatus, 0) << second.output;
  const nlohmann::json firstScene = Dump("first.json");
  EXPECT_EQ(firstScene["engine_state"], 0);
  EXPECT_EQ(firstScene["replay"], true);
  EXPECT_EQ(firstScene["script"], "k_S0123");
  EXPECT_EQ(firstScene["recollection"]["queue"], (std::vector<int>{3, 3}));
  EXPECT_EQ(firstScene["recollection"]["queue_position"], 0);
  const nlohmann::json secondScene = Dump("second.json");
  EXPECT_EQ(secondScene["replay"], true);
  EXPECT_EQ(secondScene["recollection"]["queue_position"], 1);
  // The skip entry went when the last scene started.
  EXPECT_EQ(Dump("last.json")["recollection"]["queue_position"], 1);
}

// A scene played from the screen comes back to it however it ends: at the end of its script,
// or through the menu's "回想モード終了" in the middle of a queue.
TEST_F(RecollectionRunTest, AReplayedSceneEndsOnTheRecollectionScreen) {
  BuildRecollectionGame();
  constexpr const char* kPlayScene = "click 380 560\n";
  const auto run =
      Run("until input\n" + std::string(kSelectB) + kPlayScene + "until page\nclick 400 300\n" +
          "until input\ndump " + Path("ended.json") + "\n" + kSelectB + kAddScene + kAddScene +
          kPlaySlot + "until page\npress SpeedButton1\npress N2\nuntil input\ndump " +
          Path("left.json") + "\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  for (const char* dump : {"ended.json", "left.json"}) {
    const nlohmann::json state = Dump(dump);
    EXPECT_EQ(state["engine_state"], 8) << dump;
    EXPECT_EQ(state["replay"], false) << dump;
    EXPECT_EQ(state["script"], "s0123") << dump;
    EXPECT_EQ(state["viewer"], nullptr) << dump;
    EXPECT_FALSE(state["S"].contains("150")) << dump << ": the scene's full-screen text ended";
  }
}

// The script `rec` started in goes into a saved game and comes back with it.
TEST_F(RecollectionRunTest, TheRecordScriptOutlivesASaveAndALoad) {
  Script("main", "!V001=5\n*chain chapter\n");
  Script("chapter", "*rec\nrecorded\n\\\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nsave-slot 2\ndump " + Path("saved.json") + "\nquit\n").exitStatus, 0);
  const nlohmann::json saved = Dump("saved.json");
  EXPECT_EQ(saved["recollection"]["record_script"], "chapter");
  EXPECT_EQ(saved["V"].size(), 0u) << "rec cleared V001";
  Script("main", "*chain other\n");
  Script("other", "elsewhere\n\\\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nload-slot 2\ndump " + Path("loaded.json") + "\nquit\n").exitStatus, 0);
  const nlohmann::json loaded = Dump("loaded.json");
  EXPECT_EQ(loaded["recollection"]["record_script"], "chapter");
  EXPECT_EQ(loaded["script"], "chapter");
}

}  // namespace
}  // namespace tolven
