// Rolls in a game played by the real binary: the close request that stops one and the quit
// question it brings, clicks and keys that do not, and a game saved during a roll that comes
// back in state 3 and runs the older roll language until a click.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/game_run.h"
#include "resources/bitmap24.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

class RollRunTest : public testing::GameRunTest {
 protected:
  // A two-second roll whose music line comes after its first second.
  void BuildRollGame() {
    Script("main", "*roll credits\n!V001=1\nDone.\n\\\n");
    Script("credits", "*RESET\n*WAIT 10\n*MUSIC 3\n*WAIT 10\n");
    BuildGame();
  }
  testing::CommandResult Run(const std::string& events, const std::string& trace) {
    return RunGame(events, {"--trace", Path(trace)});
  }
  std::string TraceText(const std::string& name) {
    const std::vector<uint8_t> bytes = testing::ReadFileBytes(dir_ / name);
    return std::string(bytes.begin(), bytes.end());
  }
  static int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
      ++count;
    }
    return count;
  }
  static constexpr const char* kQuestion = "message box \"確認\": ゲームを終了しますか？";
};

// The close request asks the usual question at once, with the roll held; a yes ends the roll
// after the line that runs, and the game closes; a no lets the roll run on to its end.
TEST_F(RollRunTest, ACloseRequestAsksAndAYesEndsTheRoll) {
  BuildRollGame();
  const auto yes = Run("wait 500\nanswer ok\nquit\n", "yes.txt");
  ASSERT_EQ(yes.exitStatus, 0) << yes.output;
  const std::string yesTrace = TraceText("yes.txt");
  EXPECT_EQ(Count(yesTrace, kQuestion), 1) << yesTrace;
  EXPECT_LT(yesTrace.find("*WAIT 10"), yesTrace.find(kQuestion)) << yesTrace;
  EXPECT_EQ(yesTrace.find("*MUSIC 3"), std::string::npos) << "nothing after the line\n" << yesTrace;

  const auto no = Run(
      "wait 500\nanswer cancel\nquit\nuntil page\ndump " + Path("no.json") + "\nquit\n", "no.txt");
  ASSERT_EQ(no.exitStatus, 0) << no.output;
  const std::string noTrace = TraceText("no.txt");
  EXPECT_EQ(Count(noTrace, kQuestion), 2) << noTrace;
  EXPECT_LT(noTrace.find(kQuestion), noTrace.find("*MUSIC 3")) << noTrace;
  const nlohmann::json dump = Dump("no.json");
  EXPECT_EQ(dump["engine_state"], 0);
  EXPECT_EQ(dump["S"]["3"], 3) << "the roll ran to its end";
  EXPECT_EQ(dump["V"]["1"], 1);
}

TEST_F(RollRunTest, ClicksAndKeysDoNotEndARoll) {
  BuildRollGame();
  const auto run =
      Run("wait 300\nclick 400 300\nclick 400 300 right\nkey enter\nkey escape\n"
          "key space\nkey shift\nwheel 120\nwait 200\ndump " +
              Path("during.json") + "\nuntil page\ndump " + Path("after.json") + "\nquit\n",
          "trace.txt");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const nlohmann::json during = Dump("during.json");
  EXPECT_EQ(during["engine_state"], 3);
  EXPECT_FALSE(during["S"].contains("3")) << "the music line has not come yet";
  const nlohmann::json after = Dump("after.json");
  EXPECT_EQ(after["engine_state"], 0);
  EXPECT_EQ(after["S"]["3"], 3);
  EXPECT_EQ(after["V"]["1"], 1);
}

// Saved during a roll, the game comes back in state 3: the lines after the roll command run
// as the older roll language (a text strip put on the screen, the scene darkened, music) until
// a click, after which the story reads on.
TEST_F(RollRunTest, AGameSavedDuringARollLoadsIntoTheOlderRollLanguage) {
  Script("main",
         "*roll slow\n*type 2\n*dark 8\n*pos 100,100\nＡＢＣ\n*put 0\n*music 4\n*click\n"
         "!V001=1\nDone.\n\\\n");
  Script("slow", "*WAIT 20\n");
  BuildGame();
  const auto run = Run("wait 500\nsave-slot 5\ndump " + Path("during.json") +
                           "\nuntil page\nload-slot 5\nuntil input\ndump " + Path("loaded.json") +
                           "\nshot " + Path("loaded.png") + "\nclick 400 300\nuntil page\ndump " +
                           Path("after.json") + "\nquit\n",
                       "trace.txt");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(Dump("during.json")["engine_state"], 3);

  const nlohmann::json loaded = Dump("loaded.json");
  EXPECT_EQ(loaded["engine_state"], 3);
  EXPECT_EQ(loaded["screen"]["waits_for_input"], true) << "at its click";
  EXPECT_EQ(loaded["S"]["11"], 1);
  EXPECT_EQ(loaded["S"]["13"], 8);
  EXPECT_EQ(loaded["S"]["3"], 4);
  EXPECT_FALSE(loaded["V"].contains("1"));
  Bitmap24 shot;
  std::string why;
  ASSERT_TRUE(DecodePng(testing::ReadFileBytes(dir_ / "loaded.png"), shot, why)) << why;
  int white = 0;
  for (int y = 100; y < 124; ++y) {
    for (int x = 100; x < 388; ++x) {
      const uint8_t* p = shot.Row(y) + 3 * x;
      if (p[0] == 255 && p[1] == 255 && p[2] == 255) ++white;
    }
  }
  EXPECT_GT(white, 20) << "the strip's first line at its position";

  const nlohmann::json after = Dump("after.json");
  EXPECT_EQ(after["engine_state"], 0);
  EXPECT_FALSE(after["S"].contains("11")) << "the click clears the scene filter";
  EXPECT_EQ(after["V"]["1"], 1) << "the story reads on after the click";
}

}  // namespace
}  // namespace tolven
