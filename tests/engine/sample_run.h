#pragma once

// The sample game that `make run` shows, built once per test suite from its sources and played
// headless with event files: the fixture the sample's end-to-end tests share.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace tolven::testing {

class SampleRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    game_ = new TempDir();
    const auto built = RunTool(
        {"build-game", std::string(TOLVEN_SOURCE_DIR) + "/samples/demo", GamePath().string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }
  static void TearDownTestSuite() {
    delete game_;
    game_ = nullptr;
  }
  static std::filesystem::path GamePath() { return game_->Path() / "game"; }

  // One of the sample's event files.
  static std::string Events(const std::string& name) {
    const auto bytes =
        ReadFileBytes(std::filesystem::path(TOLVEN_SOURCE_DIR) / "samples/demo/events" / name);
    return std::string(bytes.begin(), bytes.end());
  }

  // Plays the events with saves, settings and trace of this test's own (and the arguments
  // given), dumping the state where each of the marks (a line of the events, a comment) stands
  // and where the events stop. A dump that was never written (the game closed before it) is
  // null.
  std::vector<nlohmann::json> PlayWithDumps(std::string events,
                                            const std::vector<std::string>& marks,
                                            const std::vector<std::string>& arguments = {}) {
    std::vector<std::filesystem::path> dumps;
    for (const std::string& mark : marks) {
      const size_t at = events.find(mark + "\n");
      EXPECT_NE(at, std::string::npos) << mark;
      if (at == std::string::npos) continue;
      dumps.push_back(dir_.Path() / ("mark" + std::to_string(dumps.size()) + ".json"));
      events.insert(at, "dump " + dumps.back().string() + "\n");
    }
    dumps.push_back(dir_.Path() / "end.json");
    WriteFileText(dir_.Path() / "run.events", events + "dump " + dumps.back().string() + "\n");
    std::vector<std::string> command = {"--headless",
                                        "--events",
                                        (dir_.Path() / "run.events").string(),
                                        "--seed",
                                        "1",
                                        "--config-dir",
                                        (dir_.Path() / "config").string(),
                                        "--save-dir",
                                        (dir_.Path() / "saves").string(),
                                        "--trace",
                                        (dir_.Path() / "trace.txt").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    command.push_back(GamePath().string());
    const auto run = RunTolven(command);
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    std::vector<nlohmann::json> states;
    for (const std::filesystem::path& dump : dumps) {
      if (!std::filesystem::exists(dump)) {
        states.emplace_back(nullptr);
        continue;
      }
      const auto text = ReadFileBytes(dump);
      states.push_back(nlohmann::json::parse(text.begin(), text.end()));
    }
    return states;
  }
  nlohmann::json Play(const std::string& events) { return PlayWithDumps(events, {}).back(); }

  // The lines of the developer trace of the last run that start with the prefix, or that hold
  // the text anywhere.
  std::vector<std::string> TraceLines(const std::string& prefix) const {
    return TraceLinesWhere([&](const std::string& line) { return line.starts_with(prefix); });
  }
  std::vector<std::string> TraceLinesHolding(const std::string& text) const {
    return TraceLinesWhere(
        [&](const std::string& line) { return line.find(text) != std::string::npos; });
  }

 private:
  template <class Keep>
  std::vector<std::string> TraceLinesWhere(Keep keep) const {
    const auto bytes = ReadFileBytes(dir_.Path() / "trace.txt");
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> found;
    for (std::string line; std::getline(lines, line);) {
      if (keep(line)) found.push_back(line);
    }
    return found;
  }

 protected:
  static inline TempDir* game_ = nullptr;
  TempDir dir_;
};

}  // namespace tolven::testing
