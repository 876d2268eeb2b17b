#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/trace.h"
#include "engine/host.h"
#include "engine/settings_store.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "script/engine_flags.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/random_generator.h"
#include "script/script_state.h"
#include "script/variables.h"
#include "text/page_record.h"

namespace tolven {

// Where a run takes its game, its settings and its randomness from.
struct EngineOptions {
  std::filesystem::path gameDirectory;
  std::optional<std::filesystem::path> configDirectory;
  std::optional<uint32_t> seed;  // the clock seeds the generator when none is given
};

enum class MouseButton { Left, Right, Middle };

// TForm1: the engine object and main window. It owns one object per subsystem, built in
// dependency order, and routes the frame loop, the timer and input between them.
class TForm1 : public InterpreterHost {
 public:
  TForm1(Host& host, Trace& trace, const EngineOptions& options);

  // The main window's creation: paths, the set-up check and the one-time initialisation.
  void FormCreate();
  // One step of the frame loop; paces itself to at least 30 ms.
  void AppIdle();
  // The 55 ms timer.
  void Timer1Timer();

  void PBMouseDown(MouseButton button, int x, int y);
  void PBMouseUp(MouseButton button, int x, int y);

  // Closing the main window as its close box does: the close query may refuse.
  void Close();
  bool Closed() const { return closed_; }

  void ResetWaits() override;
  void RequestClose() override { Close(); }
  void StopSkipAndAuto(bool force) override;
  bool SoundDevicePresent() const override { return soundDevicePresent_; }
  bool SeenSetting() const override { return seen_; }
  int CountGameClear() override;
  void StoreFamilyName(std::string_view shiftJisName) override;
  void UpdateMenuBar() override {}

  // Read access for the state dump and tests.
  const ScriptState& State() const { return state_; }
  ScriptState& State() { return state_; }
  const EngineFlags& Flags() const { return flags_; }
  const Interpreter& Script() const { return interpreter_; }
  const PageRecord& Page() const { return page_; }
  const Settings& CurrentSettings() const { return settings_; }
  // The story waits for the player: a page, a choice, a click-ended sleep, or nothing left to run.
  bool WaitingForInput() const;
  // The script ran off its end with nothing to return to.
  bool ScriptEnded() const;

 private:
  void InitEngine();
  void StartTitle();
  void ReadSettings();
  void SetStartupSystemValues();
  void StoryIdleStep(uint32_t startTick);
  bool FormCloseQuery();
  // Every message box goes through here so the developer trace shows it.
  MessageResult Ask(std::string_view text, std::string_view caption, MessageButtons buttons,
                    MessageIcon icon);
  void AdvancePage();
  bool AutoAdvanceOn() const { return state_.S(26) > 0; }

  Host& host_;
  Trace& trace_;
  EngineOptions options_;
  SettingsStore settingsStore_;
  Settings settings_;
  Archives archives_;
  RandomGenerator random_;
  ScriptState state_;
  Variables variables_;
  EngineFlags flags_;
  PageRecord page_;
  DefinitionText definitions_;
  Interpreter interpreter_;

  bool soundDevicePresent_ = false;
  bool seen_ = true;
  bool breakonSelect_ = true;
  bool characterByCharacter_ = true;
  int screenMode_ = 0;
  bool closed_ = false;
};

}  // namespace tolven
