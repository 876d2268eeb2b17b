// The sample game that `make run` shows, built from its sources and played headless with the
// event files kept beside it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class SampleGameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    game_ = new testing::TempDir();
    const auto built =
        testing::RunTool({"build-game", std::string(TOLVEN_SOURCE_DIR) + "/samples/demo",
                          (game_->Path() / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }
  static void TearDownTestSuite() {
    delete game_;
    game_ = nullptr;
  }

  // One of the sample's event files.
  static std::string Events(const std::string& name) {
    const auto bytes =
        testing::ReadFileBytes(fs::path(TOLVEN_SOURCE_DIR) / "samples/demo/events" / name);
    return std::string(bytes.begin(), bytes.end());
  }

  // Plays the events, then dumps the state where they stopped.
  json Play(const std::string& events) {
    const fs::path dump = dir_.Path() / "end.json";
    testing::WriteFileText(dir_.Path() / "run.events", events + "dump " + dump.string() + "\n");
    const auto run = testing::RunTolven(
        {"--headless", "--events", (dir_.Path() / "run.events").string(), "--seed", "1",
         "--config-dir", (dir_.Path() / "config").string(), (game_->Path() / "game").string()});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    const auto text = testing::ReadFileBytes(dump);
    return json::parse(text.begin(), text.end());
  }

  static testing::TempDir* game_;
  testing::TempDir dir_;
};

testing::TempDir* SampleGameTest::game_ = nullptr;

TEST_F(SampleGameTest, BothAnswersOfTheSelectRejoinTheStory) {
  const struct {
    const char* events;
    int answer;
  } cases[] = {{"select-run.events", 1}, {"select-stay.events", 2}};
  for (const auto& c : cases) {
    const json dump = Play(Events(c.events));
    EXPECT_EQ(dump["V"]["12"], c.answer) << c.events;
    EXPECT_EQ(dump["V"]["11"], 1) << "the bookshop of the clickmap";
    EXPECT_EQ(dump["choice"]["mode"], 0);
    EXPECT_EQ(dump["page"][1], "  気がつくと、僕は上着をつかんで家を飛び出していた。") << c.events;
  }
}

// Up and Down move the pointer onto an answer; the move that follows highlights it.
TEST_F(SampleGameTest, KeysMoveThePointerOverTheAnswers) {
  std::string events = Events("select-run.events");
  events.erase(events.rfind("choose"));
  const struct {
    const char* key;
    int highlight;
  } steps[] = {{"down", 2}, {"down", 2}, {"up", 1}, {"up", 1}};
  for (const auto& step : steps) {
    events += std::string("key ") + step.key + "\nwait 100\n";
    const json dump = Play(events);
    EXPECT_EQ(dump["choice"]["mode"], 1);
    EXPECT_EQ(dump["choice"]["highlight"], step.highlight) << events;
  }
}

}  // namespace
}  // namespace tolven
