// How runs driven by an event file begin and end: commands that cannot do what they say end
// the run naming their line, and a file that runs out closes the game as a player would.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::RunTolven;
using testing::WriteFileText;

class EventRunTest : public ::testing::Test {
 protected:
  void BuildGame(const std::string& main) {
    WriteFileText(dir_ / "src" / "scripts" / "main.txt", main);
    auto built =
        testing::RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }

  testing::CommandResult Run(const std::string& events) {
    WriteFileText(dir_ / "events.txt", events);
    return RunTolven({"--headless", "--events", (dir_ / "events.txt").string(), "--config-dir",
                      (dir_ / "config").string(), "--save-dir", (dir_ / "save").string(), "--trace",
                      (dir_ / "trace.txt").string(), (dir_ / "game").string()});
  }

  json Dump(const std::string& name) {
    auto bytes = testing::ReadFileBytes(dir_ / name);
    return json::parse(bytes.begin(), bytes.end());
  }

  std::string Trace() {
    auto bytes = testing::ReadFileBytes(dir_ / "trace.txt");
    return std::string(bytes.begin(), bytes.end());
  }

  testing::TempDir dir_;
};

// A window select in a game without its button pictures has answers nobody can click: the
// engine shows them as the game says, and the event file cannot pretend to pick one.
TEST_F(EventRunTest, ChoosingAnAnswerNoClickCanHitEndsTheRunNamingTheLine) {
  BuildGame("text\n\\\n*select\n{a\n!V001=1\n{b\n!V001=2\n}\n");
  auto result = Run("until page\nclick 400 300\nuntil choice\nchoose 1\n");
  EXPECT_EQ(result.exitStatus, 2) << result.output;
  EXPECT_NE(result.output.find("events.txt:4"), std::string::npos) << result.output;
  EXPECT_NE(Trace().find("picture not found: sys_sw"), std::string::npos);
}

TEST_F(EventRunTest, AFileThatRunsOutClosesTheGameAndKeepsWhatWasRead) {
  BuildGame("*mark 5\nfirst page\n\\\n*mark 6\nsecond page\n\\\n");
  ASSERT_EQ(Run("until page\nclick 400 300\nuntil page\n").exitStatus, 0);
  auto next = Run("until page\ndump " + (dir_ / "next.json").string() + "\nquit\n");
  ASSERT_EQ(next.exitStatus, 0) << next.output;
  EXPECT_EQ(Dump("next.json")["progress"]["read_marks"]["first"], json::array({5, 6}))
      << "the marks of the first run were kept when its file ran out";
  EXPECT_NE(Trace().find("ゲームを終了しますか？"), std::string::npos)
      << "the game closed as it does for a player, asking first";
}

// A misspelt command is passed over, and the developer trace says where it stood.
TEST_F(EventRunTest, TheTraceNamesTheScriptAndLineOfAnUnknownCommand) {
  BuildGame("!V001=1\n*tatti B_R\n!V002=1\ntext\n\\\n");
  ASSERT_EQ(Run("until page\ndump " + (dir_ / "d.json").string() + "\n").exitStatus, 0);
  EXPECT_NE(Trace().find("unknown command in main, line 2"), std::string::npos) << Trace();
  EXPECT_EQ(Dump("d.json")["V"]["2"], 1);
}

}  // namespace
}  // namespace tolven
