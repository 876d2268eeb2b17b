// The end credits in a game played headless: closing the window during them ends them and asks
// whether to quit, a click does not end them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "game_run.h"

namespace tolven {
namespace {

class CreditsRunTest : public testing::GameRunTest {
 protected:
  // Ten credit lines at 20 ms a step: (32 x 10 + 600) / 2 steps, 9.2 s of credits.
  void SetUp() override {
    std::string credits = "20\n*\n";
    for (int i = 0; i < 10; ++i) credits += "Staff " + std::to_string(i) + "\n";
    Script("endroll", credits + "*\n");
    Script("main", "*special 5\n!V001=1\nAfter the credits.\n\\\n");
    BuildGame();
  }
  int V001(const std::string& dump) {
    const nlohmann::json values = Dump(dump).at("V");
    return values.contains("1") ? values["1"].get<int>() : 0;
  }
  std::string Trace() {
    const auto bytes = testing::ReadFileBytes(dir_ / "trace.txt");
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(CreditsRunTest, ClosingDuringTheCreditsEndsThemAndAsksWhetherToQuit) {
  const auto kept =
      RunGame("wait 900\ndump " + Path("during.json") +
                  "\nwait 100\nanswer cancel\nquit\nwait 300\ndump " + Path("after.json") + "\n",
              {"--trace", Path("trace.txt")});
  ASSERT_EQ(kept.exitStatus, 0) << kept.output;
  EXPECT_EQ(V001("during.json"), 0) << "the credits run";
  EXPECT_EQ(V001("after.json"), 1) << "the script went on long before the credits' end";
  const std::string trace = Trace();
  const size_t question = trace.find("message box \"確認\": ゲームを終了しますか？");
  ASSERT_NE(question, std::string::npos) << trace;
  EXPECT_LT(trace.find("*special 5"), question);
  EXPECT_LT(question, trace.find("!V001=1")) << "asked as the credits end";

  const auto quit =
      RunGame("wait 1000\nanswer ok\nquit\nwait 300\ndump " + Path("never.json") + "\n", {});
  ASSERT_EQ(quit.exitStatus, 0) << quit.output;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "never.json")) << "OK quits";
}

TEST_F(CreditsRunTest, AClickDoesNotEndTheCredits) {
  const auto run = RunGame("wait 1000\nclick 400 300\nwait 300\ndump " + Path("clicked.json") +
                               "\nwait 9000\ndump " + Path("end.json") + "\n",
                           {});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(V001("clicked.json"), 0);
  EXPECT_EQ(V001("end.json"), 1);
}

}  // namespace
}  // namespace tolven
