#pragma once

#include <filesystem>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/screen_commands.h"
#include "script/variables.h"
#include "text/message_output.h"

namespace tolven {

// An interpreter host that asks nothing of anyone: for running scripts without an engine
// around them (benchmarks, fuzzing, checking scripts).
class QuietInterpreterHost : public InterpreterHost {
 public:
  QuietInterpreterHost(bool soundDevice, bool seen) : soundDevice_(soundDevice), seen_(seen) {}
  void ResetWaits() override {}
  void RequestClose() override {}
  void StopSkipAndAuto(bool) override {}
  bool SoundDevicePresent() const override { return soundDevice_; }
  bool SeenSetting() const override { return seen_; }
  int CountGameClear() override { return 1; }
  void StoreFamilyName(std::string_view) override {}
  void UpdateMenuBar() override {}
  void ConfirmQuitAfterEffect() override {}
  void WinOpen() override {}
  void WinClose() override {}
  void TwSet(int) override {}
  void Mode(int) override {}
  void BeforeChoice() override {}
  void OpenSelect() override {}
  void OpenClickmap(std::string_view) override {}
  void OpenSeltree(int) override {}
  void RecordPage() override {}

 private:
  bool soundDevice_;
  bool seen_;
};

// A host with a virtual clock and nobody at the window: effects run to their end at once.
class QuietHost final : public Host {
 public:
  uint32_t Ticks() override { return now_; }
  void Sleep(uint32_t milliseconds) override { now_ += milliseconds; }
  uint32_t ClockSeed() override { return 1; }
  void ProcessMessages() override {}
  MessageResult ShowMessage(std::string_view, std::string_view, MessageButtons,
                            MessageIcon) override {
    return MessageResult::Ok;
  }
  int ScreenWidth() const override { return kScreenWidth; }
  void WarpPointer(int x, int y) override {
    ++warps;
    lastWarpX = x;
    lastWarpY = y;
  }

  int warps = 0;
  int lastWarpX = 0;
  int lastWarpY = 0;

 private:
  uint32_t now_ = 0;
};

// Message output with nothing to draw on: the picture tags still reach the stage and the
// inserted values the banks.
class QuietOutputHost final : public NullMessageOutputHost {
 public:
  QuietOutputHost(Stage& stage, Variables& variables) : stage_(stage), variables_(variables) {}
  void PictureCommand(std::string_view argument) override { stage_.PictureTag(argument); }
  void ClearCharacters(std::string_view argument) override { stage_.Clrb(argument); }
  int32_t Evaluate(std::string_view expression) override {
    return variables_.EvaluateExpression(expression);
  }
  std::string StringRow(int row) override { return std::string(variables_.StringRow(row)); }

 private:
  Stage& stage_;
  Variables& variables_;
};

// A line interpreter with banks, flags, a page and a stage of its own and a quiet host.
struct StandaloneInterpreter {
  explicit StandaloneInterpreter(const std::filesystem::path& gameDirectory,
                                 bool soundDevice = false, bool seen = false)
      : archives(gameDirectory), host(soundDevice, seen), commandHost(host) {}
  // Commands that reach the engine go to `engine` instead of the quiet host.
  StandaloneInterpreter(const std::filesystem::path& gameDirectory, InterpreterHost& engine)
      : archives(gameDirectory), host(false, false), commandHost(engine) {}

  Archives archives;
  ScriptState banks;
  RandomGenerator random{1};
  Trace trace;
  Variables variables{banks, random, trace};
  EngineFlags flags;
  DefinitionText definitions;
  QuietHost windowHost;
  FrameClock clock{windowHost};
  PaintBox pb{kScreenWidth, kScreenHeight};
  Stage stage{windowHost, clock, pb, archives, banks, flags, random, trace};
  QuietOutputHost outputHost{stage, variables};
  MessageOutput output{flags, banks, outputHost};
  QuietInterpreterHost host;
  InterpreterHost& commandHost;
  NoScreenCommands screens;
  Interpreter interpreter{archives,    banks, variables,   flags,   output,
                          definitions, stage, commandHost, screens, trace};
};

}  // namespace tolven
