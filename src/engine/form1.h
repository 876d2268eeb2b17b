#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "audio/audio_device.h"
#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/engine_values.h"
#include "base/host.h"
#include "base/input.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "dialogs/configuration_dialog.h"
#include "dialogs/dialog_model.h"
#include "dialogs/dialog_navigation.h"
#include "dialogs/name_entry_dialog.h"
#include "engine/engine_view.h"
#include "engine/input_map.h"
#include "engine/menu_bar.h"
#include "engine/settings_store.h"
#include "engine/slot_transfer.h"
#include "engine/text_out.h"
#include "engine/timer_schedule.h"
#include "graphics/frame_clock.h"
#include "graphics/gallery_list.h"
#include "graphics/stage.h"
#include "modes/confirmation_prompt.h"
#include "modes/quick_buttons.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "save/global_progress.h"
#include "save/save_list.h"
#include "screens/screens.h"
#include "script/choices.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/variables.h"
#include "text/backlog.h"
#include "text/glyphs.h"
#include "text/message_output.h"
#include "text/message_window.h"

namespace tolven {

// Where a run takes its game, its settings, its saves and its randomness from.
struct EngineOptions {
  std::filesystem::path gameDirectory;
  std::optional<std::filesystem::path> configDirectory;
  std::optional<std::filesystem::path> saveDirectory;
  std::optional<uint32_t> seed;        // the host's clock seeds the generator when none is given
  std::optional<int> screenMode;       // --fullscreen / --window: this run only, never stored
  AudioDevice* audioDevice = nullptr;  // the sound output; none: the engine runs silent
  TextOutOptions textOut;              // the printed lines' way out: file, clipboard, speech
};

// TForm1: the engine object and main window. It owns one object per subsystem, built in
// dependency order, and routes the frame loop, the timer and input between them.
class TForm1 : public InterpreterHost, public EngineView, private MessageOutputHost {
 public:
  TForm1(Host& host, Trace& trace, const EngineOptions& options);

  // The main window's creation: paths, the set-up check and the one-time initialisation.
  void FormCreate();
  void AppIdle() override;
  void RunDueTimerTicks() override;
  // The 55 ms timer.
  void Timer1Timer();

  void PBMouseDown(MouseButton button, int x, int y) override;
  void PBMouseMove(int x, int y) override;
  void PBMouseUp(MouseButton button, int x, int y) override;
  void FormMouseWheel(int wheelDelta) override;
  void FormKeyDown(int key) override;
  void FormKeyUp(int key) override;
  void FormKeyPress(char key) override;
  void ControllerButton(PadButton button, bool down) override;
  // The keys and buttons of the actions, as the settings file's own section maps them.
  const InputMap& Inputs() const { return inputMap_; }
  std::optional<InputAction> ButtonAction(PadButton button) const override {
    return inputMap_.ForButton(button);
  }
  int PointerX() const { return pointerX_; }
  int PointerY() const { return pointerY_; }

  const MenuBar& Menu() const override { return menuBar_; }
  void SpeedButton1Click() override;
  void SpeedButton2Click() override;
  void SpeedButton3Click() override;
  void SpeedButton4Click() override;
  void SpeedButton5Click() override;
  void SpeedButton6Click() override;
  void SpeedButton7Click() override;
  void SpeedButton8Click() override;
  void TrackBar1Change(int position) override;
  void ClosePopupMenu() override { menuBar_.PopupMenu1Open = false; }
  void N6Click() override;
  void N7Click() override;
  void N1Click() override;
  void N2Click() override;
  // PopupMenu2: the recollection screen's pop-up on a scene ("登録" and "確認").
  bool PopupMenu2Open() const { return screens_.RecollectionMode().PopupMenu2Open(); }
  void PU_Post1Click() override { screens_.RecollectionMode().PU_Post1Click(); }
  void PU_Post2Click() override { screens_.RecollectionMode().PU_Post2Click(); }
  void ClosePopupMenu2() override { screens_.RecollectionMode().ClosePopupMenu2(); }

  // Full screen by the screen mode; the window returns when the display refuses.
  void EnterFullScreen();
  void LeaveFullScreen();
  bool FullScreenActive() const { return fullScreenActive_; }
  int ScreenMode() const { return screenMode_; }

  // The game screen.
  const PaintBox& Screen() const override { return PB_; }
  const Bitmap24& PB() const { return PB_.Picture(); }
  void Close() override;
  bool Closed() const override { return closed_; }

  void ResetWaits() override;
  void RequestClose() override { Close(); }
  void StopSkipAndAuto(bool force) override;
  bool SoundDevicePresent() const override { return sound_.SoundDevicePresent(); }
  bool SeenSetting() const override { return settings_.Seen != 0; }
  int CountGameClear() override;
  void StoreFamilyName(std::string_view shiftJisName) override;
  void UpdateMenuBar() override;
  void ConfirmQuitAfterEffect() override;
  void WinOpen() override { window_.WinOpen(); }
  void WinClose() override { window_.WinClose(); }
  void TwSet(int number) override { window_.TwSet(number); }
  void Mode(int number) override { window_.Mode(number); }
  void BeforeChoice() override;
  void OpenSelect() override;
  void OpenClickmap(std::string_view name) override;
  void OpenSeltree(int tree) override;
  void RecordPage() override { backlog_.RecordPage(); }
  void Voice(std::string_view name) override;
  void Effect(std::string_view name) override { sound_.RequestEffect(name); }
  void StopLoopingSound() override { sound_.StopLoopingSound(); }
  void Music(int n) override;
  void Movie(std::string_view path) override;
  // The movie ends: by itself, by a click, or when the window closes.
  void EndMovie();
  bool MovieShowing() const { return movieShowing_; }
  const Sound& SoundOutput() const { return sound_; }
  const MusicStream& MusicOutput() const { return music_; }

  // Read access for the state dump and tests.
  const ScriptState& State() const { return state_; }
  ScriptState& State() { return state_; }
  const EngineFlags& Flags() const { return flags_; }
  // The screens that own input set these; tests do too.
  EngineFlags& Flags() { return flags_; }
  const Interpreter& Script() const { return interpreter_; }
  const MessageOutput& Output() const { return output_; }
  const Stage& GameStage() const { return stage_; }
  const MessageWindow& Window() const { return window_; }
  const Choices& ChoiceScreen() const { return choices_; }
  const Backlog& BacklogScreens() const { return backlog_; }
  const Settings& CurrentSettings() const { return settings_; }
  const std::filesystem::path& SaveFolder() const { return saveFolder_; }
  const GlobalProgress& Progress() const { return progress_; }
  // The dialog shown modally now, if any: event files and the state dump reach it here.
  DialogModel* OpenDialog() const { return openDialog_; }

  // Saved games: what the save list's buttons and the event file's save-slot and load-slot run.
  // A slot that cannot be written or read is passed over without a word.
  void SaveSlot(int slot);
  void LoadSlot(int slot);
  // The save and load commands: the list dialog in its mode.
  void OpenSlotDialog(bool save) override;
  // setname: the name entry dialog.
  void SetName() override;
  void MarkAllGalleryPictures() override;
  void QuickButtonsChanged() override { RefreshQuickButtons(); }

  // The story waits for the player: a page, a choice, a click-ended sleep, or nothing left to
  // run; or the screen that owns input waits for the player.
  bool WaitingForInput() const;
  // The hooks of the subsystems that nobody connected, by subsystem and name: none in an
  // engine that is whole.
  std::vector<std::string> UnsetHooks() const;
  // The full-screen mode that owns the engine state, if any: none in the story.
  const Screens& ScreenModes() const { return screens_; }
  tolven::Screen* CurrentScreen() const { return screens_.Registry().Find(flags_.EngineState); }
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
  // A click, or the timer (auto-advance), releases the page wait.
  void AdvancePage(bool byTimer = false);
  void AutoAdvanceTick();
  void ConnectTextLayers();
  void ConnectScreens();
  // The configuration dialog: the values it opens with, each change as it happens, and what
  // is applied once it closes.
  ConfigurationValues CurrentConfiguration() const;
  void ConfigurationChanged(ConfigurationItem item, int previous);
  void ApplySettings();
  void ConnectDialogs();
  void LoadEmptySlotPicture();
  // The save list in its mode, over the held game.
  void ShowSlotDialog(SaveList::Mode mode);
  // The cross-game flags and read marks go into save0.dat, merged with what it holds, and
  // whatever the file had that this run lacked comes back.
  void FlushGlobalProgress();
  // Shows a dialog modally with the game held behind it; one dialog at a time, so a second
  // request while one is open is refused (false).
  bool ShowModal(DialogModel& dialog);
  void StoreGlobalValues();
  // The automatic save of every select: slots 61-80 keep the last twenty choices.
  void AutoChoiceSave();
  SlotSubsystems SlotParts();
  void RestoreMusic();
  void ResumeScript(const SlotRecord& record);
  void SoundTick();
  void VoiceTick();
  void ReturnToTitle();
  // The paint box's paint handler: the stage (or, with the window hidden, the scene) onto PB.
  void PBPaint();
  static constexpr int kNicknameFlag = 28;
  static constexpr int kReturnToTitlePrompt = 3;  // the prompt id of "タイトルへ戻りますか？"

  // Message output draws through here, onto the stage and the screen.
  void DrawCharacter(std::string_view bytes, int x, int y, int colour,
                     bool holdPresentation) override;
  void DrawRuby(std::string_view reading, int x, int y, bool holdPresentation) override;
  void SetCanvasFontSize(int points) override { glyphs_.SetCanvasFontSize(points); }
  void ShowStageWithoutWindow() override;
  bool NicknameOn() override { return variables_.TestBit('F', kNicknameFlag); }
  void ShowNewPage() override { window_.ShowNewPage(); }
  void RepaintScreen() override;
  void BuildClickWaitFrames() override { window_.BuildClickWaitFrames(); }
  void PictureCommand(std::string_view argument) override { stage_.PictureTag(argument); }
  void ClearCharacters(std::string_view argument) override { stage_.Clrb(argument); }
  int32_t Evaluate(std::string_view expression) override {
    return variables_.EvaluateExpression(expression);
  }
  std::string StringRow(int row) override { return variables_.StringRow(row); }
  void PlayVoice(std::string_view name) override;
  int RubyHalfWidth(std::string_view reading) override { return glyphs_.RubyWidth(reading) / 2; }
  // Game content read at start-up: the nickname and the speaker name tags.
  void LoadNames();
  bool AutoAdvanceOn() const { return state_.S(sv::kAutoSpeed) > 0; }
  void SetAutoCaption(bool on);
  // The Delay setting 0: text appears character by character.
  bool CharacterByCharacter() const { return settings_.Delay == 0; }
  // The CVABORT setting: a click stops the playing voice.
  bool ClickStopsVoice() const { return settings_.CVABORT != 0; }
  bool StoryMouseDown(MouseButton button, int x, int y);
  void RouteStoryHover(int x, int y);
  void OpenLogFromStory();
  void ShiftDown();
  void ShiftUp();
  // An action of a key or a button, wherever the game is.
  void ActionDown(InputAction action);
  // The actions a key press carries (Enter's click, Escape's right click, the log).
  void PressAction(InputAction action);
  void KeyAction(InputAction action);
  // The keyboard steps over the entries of a map, a tree column or full-screen answers, moving
  // the pointer onto each as the answers of a window choice always had it.
  void StepChoiceEntry(int step);
  // The text log from the keyboard: the next row with a voice plays it.
  void ReplayNextLogVoice();
  // The menu bar from the keyboard: opened by the Menu action, walked with the arrows.
  void OpenMenuKeys();
  void CloseMenuKeys();
  void MenuKeyAction(InputAction action);
  void RefreshQuickButtons() { quickButtons_.DrawQuickButtons(1); }

  Host& host_;
  Trace& trace_;
  EngineOptions options_;
  SettingsStore settingsStore_;
  // The one settings record; the subsystems that follow a setting are given it and read it.
  Settings settings_;
  std::filesystem::path saveFolder_;
  GlobalProgress progress_;
  GalleryList galleryList_;
  // The per-game block of the slot files that nothing reads: cleared at start-up, then carried
  // from save to load.
  std::array<uint8_t, kReservedBlockBytes> reservedBlock_{};
  Archives archives_;
  RandomGenerator random_;
  ScriptState state_;
  Variables variables_;
  EngineFlags flags_;
  DefinitionText definitions_;
  TimerSchedule timer_;
  PaintBox PB_{kScreenWidth, kScreenHeight};
  FrameClock clock_;
  Stage stage_;
  MessageWindow window_;
  MessageOutput output_;
  Glyphs glyphs_;
  Interpreter interpreter_;
  MenuBar menuBar_;
  InputMap inputMap_;
  int logVoiceRow_ = -1;  // the log's row whose voice the keyboard played last

  // The subsystems input and the menu bar route to.
  NullAudioDevice noAudio_;
  Sound sound_;
  MusicStream music_;
  Backlog backlog_;
  Choices choices_;
  QuickButtons quickButtons_;
  ConfirmationPrompt prompt_;
  // TForm3, TForm2: the configuration and name entry dialogs.
  ConfigurationDialog configurationDialog_;
  NameEntryDialog nameEntryDialog_;
  // The full-screen modes; the frame loop and input reach the one of the engine state here.
  Screens screens_;
  SaveList saveList_;  // TForm9: the save and load list
  // The printed lines for reading aids, and the copy key.
  TextOut textOut_;

  int screenMode_ = 0;
  bool fullScreenActive_ = false;
  int pointerX_ = 0;
  int pointerY_ = 0;
  bool closed_ = false;
  bool movieShowing_ = false;
  DialogModel* openDialog_ = nullptr;
  int movieCheck_ = 0;
};

}  // namespace tolven
