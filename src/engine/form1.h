#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/trace.h"
#include "engine/host.h"
#include "engine/menu_bar.h"
#include "engine/pending_screens.h"
#include "engine/settings_store.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
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
  std::optional<uint32_t> seed;   // the clock seeds the generator when none is given
  std::optional<int> screenMode;  // --fullscreen / --window: this run only, never stored
};

enum class MouseButton { Left, Right, Middle };

// Virtual-key codes of the keys the engine reacts to.
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyShift = 16;
inline constexpr int kKeyCtrl = 17;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyRight = 39;
inline constexpr int kKeyDown = 40;
inline constexpr int kKeyF2 = 113;

inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 600;

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

  // Input, in game-screen (PB) coordinates 0-799 by 0-599.
  void PBMouseDown(MouseButton button, int x, int y);
  void PBMouseMove(int x, int y);
  void PBMouseUp(MouseButton button, int x, int y);
  void FormMouseWheel(int wheelDelta);
  void FormKeyDown(int key);
  void FormKeyUp(int key);
  void FormKeyPress(char key);
  int PointerX() const { return pointerX_; }
  int PointerY() const { return pointerY_; }

  // The menu bar (Panel1) and its popup menu (PopupMenu1).
  const MenuBar& Menu() const { return menuBar_; }
  void SpeedButton1Click();  // quit: opens the popup menu
  void SpeedButton2Click();  // settings
  void SpeedButton3Click();  // save
  void SpeedButton4Click();  // load
  void SpeedButton5Click();  // save editing (hidden)
  void SpeedButton6Click();  // end of auto-navigation (hidden)
  void SpeedButton7Click();  // auto-advance toggle
  void SpeedButton8Click();  // items
  void TrackBar1Change(int position);
  void ClosePopupMenu() { menuBar_.PopupMenu1Open = false; }
  void N6Click();  // back to the title
  void N7Click();  // quit the game
  void N1Click();  // skip the scene (replay only)
  void N2Click();  // leave recollection (replay only)

  // Full screen by the screen mode; the window returns when the display refuses.
  void EnterFullScreen();
  void LeaveFullScreen();
  bool FullScreenActive() const { return fullScreenActive_; }
  int ScreenMode() const { return screenMode_; }

  // The game screen; changed says whether it needs presenting again.
  const Bitmap24& PB() const { return PB_; }
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
  void UpdateMenuBar() override;

  // Read access for the state dump and tests.
  const ScriptState& State() const { return state_; }
  ScriptState& State() { return state_; }
  const EngineFlags& Flags() const { return flags_; }
  // The screens that own input set these; tests do too.
  EngineFlags& Flags() { return flags_; }
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
  // One idle step in the story state; returns how long the step should last.
  uint32_t StoryIdleStep();
  bool FormCloseQuery();
  // Every message box goes through here so the developer trace shows it.
  MessageResult Ask(std::string_view text, std::string_view caption, MessageButtons buttons,
                    MessageIcon icon);
  void AdvancePage();
  bool AutoAdvanceOn() const { return state_.S(26) > 0; }
  bool StoryMouseDown(MouseButton button, int x, int y);
  void RouteModeClick(MouseButton button);
  void RouteStoryHover(int x, int y);
  void PickChoice(MouseButton button);
  void ShiftDown();
  void RefreshQuickButtons() { pending_.Reach("RefreshQuickButtons"); }
  void StopVoice() {}                   // no sound output yet: nothing can be playing
  void PlaySystemSound(const char*) {}  // no sound output yet

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
  PendingScreens pending_;
  MenuBar menuBar_;
  Bitmap24 PB_{kScreenWidth, kScreenHeight};

  bool soundDevicePresent_ = false;
  bool seen_ = true;
  bool breakonSelect_ = true;
  bool characterByCharacter_ = true;
  bool clickStopsVoice_ = true;
  int screenMode_ = 0;
  bool fullScreenActive_ = false;
  int pointerX_ = 0;
  int pointerY_ = 0;
  bool closed_ = false;
};

}  // namespace tolven
