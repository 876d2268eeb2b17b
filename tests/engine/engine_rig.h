#pragma once

// An engine object on a test host with a virtual clock, started on a game whose main script is
// given as text: for tests that drive the engine in-process and look at its state directly.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/form1.h"
#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven::testing {

// Plays whatever it is given until told the movie ended.
class FakeMovie : public MoviePlayer {
 public:
  bool Open(const std::string& path) override {
    opened.push_back(path);
    playing = playable;
    return playable;
  }
  bool Playing() override { return playing; }
  void Close() override {
    playing = false;
    ++closes;
  }
  bool playable = true;
  bool playing = false;
  int closes = 0;
  std::vector<std::string> opened;
};

class TestHost : public Host {
 public:
  MoviePlayer* Movies() override { return &movie; }
  FakeMovie movie;
  uint32_t Ticks() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  uint32_t ClockSeed() override {
    ++seedRequests;
    return 7;
  }
  void ProcessMessages() override {}
  MessageResult ShowMessage(std::string_view text, std::string_view, MessageButtons,
                            MessageIcon) override {
    messages.emplace_back(text);
    return answer;
  }
  int ScreenWidth() const override { return 1920; }
  bool EnterFullScreen(int) override { return grantFullScreen; }
  // A dialog shown modally: the test acts on it here, as a player would while it is open.
  void RunModal(DialogModel& dialog) override {
    ++modals;
    if (modal) modal(dialog);
  }
  std::function<void(DialogModel&)> modal;
  int modals = 0;

  uint32_t now = 0;
  int seedRequests = 0;
  bool grantFullScreen = false;
  MessageResult answer = MessageResult::Ok;
  std::vector<std::string> messages;
};

inline std::vector<uint8_t> ScriptBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) bytes.push_back(c == '\n' ? 0 : static_cast<uint8_t>(c));
  return bytes;
}

class EngineTest : public ::testing::Test {
 protected:
  // Starts an engine on a game whose main script is the given lines, with optional settings.
  void Start(const std::string& script, const std::string& settings = "",
             std::optional<uint32_t> seed = 7) {
    WriteFileBytes(dir_ / "game" / "qe_data.tvk",
                   tools::BuildArchive(ArchiveLayout::A, {{"main", ScriptBytes(script)}}));
    WriteFileText(dir_ / "config" / "peluna2.ini", "[PELUNA2]\n" + settings);
    StartIn(dir_ / "game", seed);
  }
  void StartIn(const std::filesystem::path& game, std::optional<uint32_t> seed = 7) {
    traceText_.str("");
    trace_.Attach(&traceText_);
    EngineOptions options;
    options.gameDirectory = game;
    options.configDirectory = dir_ / "config";
    options.seed = seed;
    form_.reset();
    form_ = std::make_unique<TForm1>(host_, trace_, options);
    form_->FormCreate();
  }

  void Idle(int steps) {
    for (int i = 0; i < steps; ++i) form_->AppIdle();
  }
  // Runs idle steps until the script waits for the player.
  void IdleUntilWaiting() {
    for (int i = 0; i < 1000 && !form_->WaitingForInput(); ++i) form_->AppIdle();
    ASSERT_TRUE(form_->WaitingForInput());
  }
  int Mentions(const std::string& text) const {
    const std::string all = traceText_.str();
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
      ++count;
    }
    return count;
  }
  // The entry points reached since the last call, in order.
  std::string Reached() {
    std::string reached;
    std::istringstream lines(traceText_.str());
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("not built yet: ")) reached += line.substr(15) + ";";
    }
    traceText_.str("");
    return reached;
  }
  int S(int i) const { return form_->State().S(i); }
  EngineFlags& Flags() { return form_->Flags(); }

  TempDir dir_;
  TestHost host_;
  Trace trace_;
  std::ostringstream traceText_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace tolven::testing
