#include "engine/form1.h"

#include <chrono>

#include "base/text_encoding.h"

namespace tolven {
namespace {

constexpr uint32_t kIdleStepMs = 30;
constexpr const char* kConfirmQuit = "ゲームを終了しますか？";
constexpr const char* kConfirmCaption = "確認";

uint32_t ClockSeed() {
  return static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

TForm1::TForm1(Host& host, Trace& trace, const EngineOptions& options)
    : host_(host),
      trace_(trace),
      options_(options),
      settingsStore_(SettingsFolder(options.configDirectory)),
      archives_(options.gameDirectory),
      random_(options.seed.value_or(ClockSeed())),
      variables_(state_, random_, trace_),
      interpreter_(archives_, state_, variables_, flags_, page_, definitions_, *this, trace_),
      pending_(trace_) {
  variables_.onSaveAvailabilityChanged = [this] { UpdateMenuBar(); };
}

MessageResult TForm1::Ask(std::string_view text, std::string_view caption, MessageButtons buttons,
                          MessageIcon icon) {
  trace_.Write(std::string("message box \"") + std::string(caption) + "\": " + std::string(text));
  return host_.ShowMessage(text, caption, buttons, icon);
}

void TForm1::FormCreate() {
  flags_.QuitRequested = false;
  // Paths are UTF-8 on this system; the engine keeps its texts in Shift-JIS.
  const std::string folder = options_.gameDirectory.string();
  ReadStartupPaths(settingsStore_, settings_, Utf8ToShiftJis(folder).value_or(folder));
  if (settings_.CDDA_DRV.empty()) settings_.CDDA_DRV = settings_.CDDir.substr(0, 3);
  if (settings_.GameDir == "NULL") {
    Ask("先にセットアップを実行してください。", "Warning", MessageButtons::Ok, MessageIcon::Error);
    flags_.QuitRequested = true;
  }
  InitEngine();
}

void TForm1::InitEngine() {
  // The generator was seeded when it was built: from --seed, or else from the clock.
  std::fill_n(state_.integers.begin() + kSBase, 200, 0);
  // No sound output exists yet, so the engine runs as on a machine without a sound device.
  soundDevicePresent_ = false;
  if (!std::filesystem::exists(options_.gameDirectory / kDataArchive)) {
    Ask("ゲームデータを読み込めません。", "Error!", MessageButtons::Ok, MessageIcon::Error);
    flags_.QuitRequested = true;
  }
  ReadSettings();
  archives_.LoadScriptIndexes();
  archives_.LoadMediaIndexes();
  ResetWaits();
  state_.F.fill(0);
  state_.E.fill(0);
  std::fill_n(state_.integers.begin() + kVBase, kVCount, 0);
  SetStartupSystemValues();
  // Rows 0-9 emptied directly: writing row 0 through the script path would store the name.
  std::fill_n(state_.strings.begin(), 10 * kStringRowBytes, 0);
  std::copy_n(settings_.PlayerName.begin(), std::min<size_t>(settings_.PlayerName.size(), 31),
              state_.strings.begin());
  std::copy_n(settings_.PlayerName2.begin(), std::min<size_t>(settings_.PlayerName2.size(), 31),
              state_.strings.begin() + kStringRowBytes);
  state_.S(31) = 0;
  flags_.TitlePending = true;
}

void TForm1::ReadSettings() {
  ReadStartupSettings(settingsStore_, settings_);
  characterByCharacter_ = settings_.Delay == 0;
  seen_ = settings_.Seen != 0;
  breakonSelect_ = settings_.BreakonSelect != 0;
  clickStopsVoice_ = settings_.CVABORT != 0;
  screenMode_ = options_.screenMode.value_or(settings_.SMode);
  // A screen too small for the framed window gets the borderless one, for this run only.
  if (screenMode_ == 0 && host_.ScreenWidth() <= 600) screenMode_ = 2;
  for (int i = 0; i < kGCount; ++i) state_.G(i) = settings_.GV[i];
}

void TForm1::SetStartupSystemValues() {
  state_.S(100) = settings_.Clear;
  state_.S(0) = 3;
  state_.S(5) = 0;
  state_.S(8) = 8;
  UpdateMenuBar();
  state_.S(20) = 250;
  state_.S(21) = 550;
  state_.S(27) = 5;
  state_.S(51) = settings_.TXWStyle;
  // Horizontal centres of one to four standing pictures.
  const int centres[] = {400, 250, 550, 200, 400, 600, 100, 300, 500, 700};
  for (int i = 0; i < 10; ++i) state_.S(80 + i) = centres[i];
  for (int i = 150; i <= 153; ++i) state_.S(i) = 0;
}

void TForm1::StartTitle() {
  if (flags_.QuitRequested) {
    Close();
    return;
  }
  EnterFullScreen();
  interpreter_.State().calls.CallDepth = 0;
  interpreter_.State().CurrentScript = "main";
  interpreter_.LoadScript("main", 1);
}

void TForm1::ResetWaits() {
  flags_.CharDelay = 1;
  flags_.ClickSkip = false;
  flags_.PageWait = 0;
  flags_.WaitTicks = 0;
  flags_.ChoiceMode = 0;
  page_.ResetCursor();
}

void TForm1::AppIdle() {
  const uint32_t start = host_.Ticks();
  if (flags_.ClickGuard > 0) --flags_.ClickGuard;
  uint32_t stepMs = kIdleStepMs;
  if (!flags_.BacklogOpen && flags_.SystemMenuOpen == 0 && flags_.EngineState == 0) {
    stepMs = StoryIdleStep();
  }
  // The rolls and the viewer (states 3 and 6) take their steps here once they exist.
  const uint32_t elapsed = host_.Ticks() - start;
  if (elapsed < stepMs) host_.Sleep(stepMs - elapsed);
}

uint32_t TForm1::StoryIdleStep() {
  if (flags_.TitlePending) {
    flags_.TitlePending = false;
    StartTitle();
    return kIdleStepMs;
  }
  if (flags_.Busy) return kIdleStepMs;
  random_.Next();
  if (flags_.QuitRequested) {
    Close();
    return kIdleStepMs;
  }
  if (flags_.SkipState != 0) {
    if (flags_.PageWait == 1 || flags_.PageWait == 4 || flags_.PageWait == 5) page_.NewPage();
    flags_.PageWait = 0;
  }
  if (flags_.ChoiceMode != 0 || flags_.WaitTicks != 0 || flags_.PageWait != 0 || flags_.VoiceWait) {
    return kIdleStepMs;
  }
  if (flags_.SleepCounter == 0) {
    if (interpreter_.State().ScriptRunning) interpreter_.RunScript();
    // Auto-advance sets its own pace for script steps: 20 to 65 ms by its speed.
    if (AutoAdvanceOn()) return 5 * static_cast<uint32_t>(state_.S(26)) + 15;
  } else if (flags_.SleepCounter > 0) {
    --flags_.SleepCounter;
  }
  return kIdleStepMs;
}

void TForm1::Timer1Timer() {
  ++flags_.TimerTicks;
  // Music streaming and the movie end check join here with their subsystems.
  if (flags_.BacklogOpen || flags_.Busy || flags_.EngineState != 0) return;
  if (flags_.ChoiceMode != 0 && flags_.SystemMenuOpen == 0) return;
  // No voice can be playing without sound output.
  flags_.VoiceWait = false;
  if (flags_.WaitTicks > 0) {
    --flags_.WaitTicks;
    return;
  }
  // With a page wait pending, auto-advance and the click-wait icon act here once the message
  // window is drawn.
}

void TForm1::Close() {
  if (closed_) return;
  if (FormCloseQuery()) closed_ = true;
}

bool TForm1::FormCloseQuery() {
  if (flags_.QuitRequested) return true;
  if (flags_.EffectRunning) {
    flags_.InterruptRequest = 2;
    return false;
  }
  if (flags_.Busy) return false;
  const bool wasRunning = interpreter_.State().ScriptRunning;
  interpreter_.State().ScriptRunning = false;
  const MessageResult answer =
      Ask(kConfirmQuit, kConfirmCaption, MessageButtons::OkCancel, MessageIcon::Question);
  if (answer == MessageResult::Ok) flags_.InterruptRequest = 1;
  interpreter_.State().ScriptRunning = wasRunning;
  return answer == MessageResult::Ok;
}

void TForm1::StopSkipAndAuto(bool force) {
  if (!force && !breakonSelect_) return;
  state_.S(60) = 0;
  state_.S(61) = 0;
  flags_.SkipState = 0;
  if (AutoAdvanceOn()) state_.S(26) = 0;
}

int TForm1::CountGameClear() {
  const int count = settingsStore_.ReadInteger("Clear", 0) + 1;
  settingsStore_.WriteInteger("Clear", count);
  settings_.Clear = count;
  return count;
}

void TForm1::StoreFamilyName(std::string_view shiftJisName) {
  settings_.PlayerName = shiftJisName;
  settingsStore_.WriteString("PlayerName", shiftJisName);
}

bool TForm1::WaitingForInput() const {
  if (flags_.TitlePending) return false;
  return flags_.PageWait != 0 || flags_.ChoiceMode != 0 || flags_.SleepCounter == -1 ||
         !interpreter_.State().ScriptRunning || ScriptEnded();
}

bool TForm1::ScriptEnded() const {
  const InterpreterState& script = interpreter_.State();
  return script.calls.CallDepth == 0 && script.ReadPos >= interpreter_.ScriptSize();
}

}  // namespace tolven
