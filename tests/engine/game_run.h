#pragma once

// End-to-end runs of the real binary: a small game built from script texts with tolven-tool,
// played headless on an event file, looked at through its state dumps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace tolven::testing {

class GameRunTest : public ::testing::Test {
 protected:
  void Script(const std::string& name, const std::string& text) {
    WriteFileText(dir_ / "src" / "scripts" / (name + ".txt"), text);
  }
  void BuildGame() {
    const auto built = RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }
  // Plays the built game headless on the events with these options before the game folder;
  // settings go to the test folder's "config".
  CommandResult RunGame(const std::string& events, std::vector<std::string> options) {
    WriteFileText(dir_ / "events.txt", events);
    std::vector<std::string> arguments = {"--headless", "--events", (dir_ / "events.txt").string(),
                                          "--config-dir", (dir_ / "config").string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back((dir_ / "game").string());
    return RunTolven(arguments);
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  nlohmann::json Dump(const std::string& name) {
    const auto bytes = ReadFileBytes(dir_ / name);
    return nlohmann::json::parse(bytes.begin(), bytes.end());
  }

  TempDir dir_;
};

}  // namespace tolven::testing
