#include "engine/form1.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <system_error>

#include "base/text_encoding.h"
#include "graphics/picture_copy.h"
#include "save/save_folder.h"
#include "text/page_redraw.h"

namespace tolven {
namespace {

constexpr uint32_t kIdleStepMs = 30;
constexpr const char* kConfirmQuit = "ゲームを終了しますか？";
constexpr const char* kConfirmCaption = "確認";

// S000 at start-up: the menu phase, with saving and loading off.
constexpr int kStartupSaveAvailability = 3;
// A screen this narrow cannot hold the framed window: the borderless one is used instead.
constexpr int kSmallScreenWidth = 600;
constexpr int kStartupWindowDarkness = 8;
constexpr int kStartupAutoSpeed = 5;
constexpr int kStartupTransition4Extents[] = {250, 550};
// Horizontal centres of one, two, three and four standing pictures.
constexpr int kStandingCentres[] = {400, 250, 550, 200, 400, 600, 100, 300, 500, 700};
constexpr size_t kNameTagCount = 9;
constexpr const char* kGalleryView = "VIEW_1";

// A folder that cannot be examined (no permission, a symlink loop, a path too long) holds no
// game data, just as a missing file does; nor does a folder or a pipe under the archive's name.
bool GameDataPresent(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && !error;
}

}  // namespace

TForm1::TForm1(Host& host, Trace& trace, const EngineOptions& options)
    : host_(host),
      trace_(trace),
      options_(options),
      settingsStore_(SettingsFolder(options.configDirectory)),
      saveFolder_(ResolveSaveFolder(options.saveDirectory, options.gameDirectory)),
      archives_(options.gameDirectory),
      // The host's clock is asked only when no seed is given.
      random_(options.seed ? *options.seed : host.ClockSeed()),
      variables_(state_, random_, trace_),
      clock_(host_),
      stage_(host_, clock_, PB_, archives_, state_, flags_, random_, trace_),
      window_(host_, clock_, PB_, stage_, state_, flags_),
      output_(flags_, state_, *this),
      glyphs_(settings_),
      interpreter_(archives_, state_, variables_, flags_, output_, definitions_, stage_, *this,
                   screens_, trace_),
      sound_(trace_, settings_, archives_, options.audioDevice ? *options.audioDevice : noAudio_),
      music_(sound_, archives_, settings_),
      backlog_(stage_, window_, output_, glyphs_, PB_, state_, flags_, archives_, trace_),
      choices_(interpreter_, variables_, stage_, glyphs_, output_, PB_, clock_, host_, state_,
               flags_, archives_, definitions_, trace_),
      quickButtons_(window_, stage_.Buffers(), PB_, state_, flags_, settings_),
      prompt_(stage_.Buffers(), PB_, flags_, glyphs_),
      configurationDialog_(settings_),
      screens_({interpreter_, *this, flags_, backlog_, trace_, host_, clock_, PB_, stage_,
                archives_, definitions_, variables_, state_, settings_, sound_, music_, progress_,
                glyphs_, galleryList_}),
      saveList_(saveFolder_),
      textOut_(host_, trace_, settings_, options.textOut) {
  variables_.onSaveAvailabilityChanged = [this] { UpdateMenuBar(); };
  output_.SetPrintedTextObserver(&textOut_);
  ConnectTextLayers();
  ConnectScreens();
  ConnectDialogs();
}

// The screens over the story reach the sound, the menu bar and each other through here.
void TForm1::ConnectScreens() {
  // System sounds pass the voice gate: silent with voices off or while skipping.
  auto playSound = [this](std::string_view name) { PlayVoice(name); };
  choices_.playSound = playSound;
  // The replay of recorded answers has run out: its menu button goes.
  choices_.onAutoNavigationEnd = [this] { menuBar_.SpeedButton6.visible = false; };
  backlog_.playSound = playSound;
  backlog_.playVoice = [this](std::string_view name) { sound_.PlayVoice(name, false); };
  backlog_.updateMenuBar = [this] { UpdateMenuBar(); };
  backlog_.drawQuickButtons = [this] { RefreshQuickButtons(); };
  quickButtons_.setAutoCaption = [this](bool blue) { SetAutoCaption(blue); };
  quickButtons_.hideAutoSpeedSlider = [this] { menuBar_.TrackBar1Visible = false; };
  quickButtons_.openBacklog = [this] { backlog_.OpenLog(); };
  quickButtons_.currentTextRead = [this] { return flags_.ReadFlag; };
  quickButtons_.sceneReplayRunning = [this] { return screens_.ReplayRunning(); };
  quickButtons_.rebuildStage = [this] {
    stage_.BuildStage();
    PBPaint();
  };
  quickButtons_.presentationHeld = [this] { return output_.HoldsPresentation(); };
  window_.drawQuickButtons = [this](int target) { quickButtons_.DrawQuickButtons(target); };
  window_.presentationHeld = [this] { return output_.HoldsPresentation(); };
  prompt_.updateMenuBar = [this] { UpdateMenuBar(); };
  stage_.onBackgroundShown = [this](const std::string& upperName) {
    progress_.SetGalleryFlag(galleryList_.IndexOf(upperName));
  };
  prompt_.runAction = [this](int id) {
    if (id == kReturnToTitlePrompt) ReturnToTitle();
  };
  // The pop-up entries of a scene replay, whichever screen started it.
  auto showReplayMenu = [this](bool skipScene, bool endReplay) {
    menuBar_.N1.visible = skipScene;
    menuBar_.N2.visible = endReplay;
  };
  Recollection& recollection = screens_.RecollectionMode();
  recollection.showReplayMenu = showReplayMenu;
  recollection.slotsChanged = [this] { FlushGlobalProgress(); };
  recollection.showModal = [this](DialogModel& dialog) { ShowModal(dialog); };
  recollection.showPopupMenu2 = [this](bool open, int x, int y) {
    menuBar_.PopupMenu2Open = open;
    menuBar_.PopupMenu2X = x;
    menuBar_.PopupMenu2Y = y;
  };
  screens_.PictureViewer().showReplayMenu = showReplayMenu;
}

// The yes of "タイトルへ戻りますか？": the story starts again from the script "main2".
void TForm1::ReturnToTitle() {
  state_.S(sv::kDateDisplay) = 0;
  // Stopped through the music command's own path, so the track counts as stopped: a title that
  // asks for the tune that was playing starts it again instead of staying silent.
  music_.SetMusic(0, state_);
  state_.S(sv::kAutoNavigation) = 0;
  menuBar_.N1.visible = false;
  menuBar_.N2.visible = false;
  choices_.CloseSelect();
  window_.WinClose();
  InterpreterState& script = interpreter_.State();
  script.calls.CallDepth = 0;
  script.CurrentScript = "main2";
  interpreter_.LoadScript("main2", kScriptMode);
  flags_.ChoiceMode = ChoiceKind::None;
  flags_.PageWait = PageWaitKind::None;
  flags_.EngineState = EngineScreen::Story;
}

// The stage composes the message window in; the window clears and redraws the text page.
void TForm1::ConnectTextLayers() {
  stage_.buildWindowPicture = [this] { window_.BuildWindowPicture(); };
  stage_.overlayWindow = [this] { window_.OverlayWindow(); };
  stage_.onLayersChanged = [this] { window_.MarkStale(); };
  stage_.Effects().onTransitionEnd = [this] { output_.ApplyFontSizes(); };
  window_.clearPage = [this] { output_.ClearPage(); };
  window_.resetPageState = [this] { output_.ResetPageState(); };
  window_.markPageEmpty = [this] { output_.MarkPageEmpty(); };
  window_.drawItemCounter = [this] { screens_.DrawItemCounter(); };
  window_.redrawPage = [this] {
    RedrawTextPage(glyphs_, output_, window_.FullScreenText(), stage_.Buffers().StageBuffer);
  };
  stage_.clearPage = [this] { output_.ClearPage(); };
  stage_.redrawPage = [this] { window_.redrawPage(); };
}

MessageResult TForm1::Ask(std::string_view text, std::string_view caption, MessageButtons buttons,
                          MessageIcon icon) {
  trace_.Write(std::string("message box \"") + std::string(caption) + "\": " + std::string(text));
  return host_.ShowMessage(text, caption, buttons, icon);
}

void TForm1::FormCreate() {
  timer_.Start(host_.Ticks());
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
  // The generator was seeded when it was built: from --seed, or else from the host's clock.
  std::fill_n(state_.integers.begin() + kSBase, 200, 0);
  if (!GameDataPresent(options_.gameDirectory / kDataArchive)) {
    Ask("ゲームデータを読み込めません。", "Error!", MessageButtons::Ok, MessageIcon::Error);
    flags_.QuitRequested = true;
  }
  ReadSettings();
  archives_.LoadScriptIndexes();
  archives_.LoadMediaIndexes();
  glyphs_.InitGlyphRenderer(archives_);
  window_.BuildTint({settings_.TXBG_R, settings_.TXBG_G, settings_.TXBG_B, settings_.TXBG_A});
  window_.LoadSystemPictures(archives_);
  quickButtons_.LoadSystemPictures(archives_);
  choices_.LoadChoicePictures();
  LoadEmptySlotPicture();
  LoadNames();
  galleryList_.LoadGalleryList(archives_, definitions_, kGalleryView);
  screens_.RecollectionMode().LoadSceneTable();
  screens_.LoadItemPictures();
  ResetWaits();
  state_.F.fill(0);
  state_.E.fill(0);
  reservedBlock_.fill(0);
  LoadRecollectionRecords(saveFolder_, progress_);
  FlushGlobalProgress();
  std::fill_n(state_.integers.begin() + kVBase, kVCount, 0);
  SetStartupSystemValues();
  // Rows 0-9 emptied directly: writing row 0 through the script path would store the name.
  std::fill_n(state_.strings.begin(), sr::kScriptRows * kStringRowBytes, 0);
  std::copy_n(settings_.PlayerName.begin(), std::min<size_t>(settings_.PlayerName.size(), 31),
              state_.strings.begin() + sr::kFamilyName * kStringRowBytes);
  std::copy_n(settings_.PlayerName2.begin(), std::min<size_t>(settings_.PlayerName2.size(), 31),
              state_.strings.begin() + sr::kGivenName * kStringRowBytes);
  flags_.TitlePending = true;
}

void TForm1::ReadSettings() {
  ReadStartupSettings(settingsStore_, settings_);
  const SettingsStore::Snapshot own = settingsStore_.Read();
  inputMap_.Configure(own.OwnEntries(), trace_);
  textOut_.ReadOwnSettings(own.ReadOwn("CopyText"), own.ReadOwn("Speak"));
  screenMode_ = options_.screenMode.value_or(settings_.SMode);
  stage_.Effects().SetFastPictures(settings_.GMode != 0);
  output_.SetCharacterByCharacter(settings_.Delay == 0);
  // A screen too small for the framed window gets the borderless one, for this run only.
  if (screenMode_ == 0 && host_.ScreenWidth() <= kSmallScreenWidth) screenMode_ = 2;
  for (int i = 0; i < kGCount; ++i) state_.G(i) = settings_.GV[i];
}

void TForm1::SetStartupSystemValues() {
  // S000-S199 are clear already; these are the values that start other than 0.
  state_.S(sv::kClearCount) = settings_.Clear;
  state_.S(sv::kSaveAvailability) = kStartupSaveAvailability;
  state_.S(sv::kWindowDarkness) = kStartupWindowDarkness;
  UpdateMenuBar();
  for (int i = 0; i < 2; ++i) state_.S(sv::kTransition4Extents[i]) = kStartupTransition4Extents[i];
  state_.S(sv::kLastAutoSpeed) = kStartupAutoSpeed;
  state_.S(sv::kWindowStyle) = settings_.TXWStyle;
  for (int i = 0; i < 10; ++i) state_.S(sv::kStandingCentres + i) = kStandingCentres[i];
}

void TForm1::StartTitle() {
  if (flags_.QuitRequested) {
    Close();
    return;
  }
  Bitmap24& pb = PB_.Draw();
  std::fill_n(pb.Data(), pb.SizeBytes(), 0);
  stage_.Buffers().StageBuffer = pb;
  EnterFullScreen();
  output_.ApplyFontSizes();
  interpreter_.State().calls.CallDepth = 0;
  interpreter_.State().CurrentScript = "main";
  interpreter_.LoadScript("main", 1);
  sound_.InitSound();
  sound_.ApplyVolumes();
}

void TForm1::ResetWaits() {
  flags_.CharDelay = 1;
  flags_.ClickSkip = false;
  flags_.PageWait = PageWaitKind::None;
  flags_.WaitTicks = 0;
  flags_.ChoiceMode = ChoiceKind::None;
  output_.ResetCursor();
}

void TForm1::AppIdle() {
  const uint32_t start = host_.Ticks();
  if (flags_.ClickGuard > 0) --flags_.ClickGuard;
  uint32_t stepMs = kIdleStepMs;
  if (!flags_.BacklogOpen && flags_.SystemMenuOpen == 0) {
    if (flags_.EngineState == EngineScreen::Story) {
      stepMs = StoryIdleStep();
    } else if (tolven::Screen* screen = CurrentScreen()) {
      screen->FrameStep();
    }
  }
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
    if (StartsNewPage(flags_.PageWait)) output_.NewPage();
    flags_.PageWait = PageWaitKind::None;
  }
  if (flags_.ChoiceMode != ChoiceKind::None || flags_.WaitTicks != 0 ||
      flags_.PageWait != PageWaitKind::None || flags_.VoiceWait) {
    return kIdleStepMs;
  }
  if (flags_.SleepCounter == 0) {
    if (interpreter_.State().ScriptRunning) interpreter_.RunScript();
    // Auto-advance sets its own pace for script steps: 20 to 65 ms by its speed. A script may
    // write any speed into S026; past the fastest the gauge offers it paces as the slowest, so
    // a wild value never holds the window for long.
    if (AutoAdvanceOn()) {
      const int speed = std::min(state_.S(sv::kAutoSpeed), kMaxAutoSpeed);
      return 5 * static_cast<uint32_t>(speed) + 15;
    }
  } else if (flags_.SleepCounter > 0) {
    --flags_.SleepCounter;
  }
  return kIdleStepMs;
}

void TForm1::RunDueTimerTicks() {
  for (uint32_t due = timer_.TakeDue(host_.Ticks()); due > 0 && !closed_; --due) Timer1Timer();
}

void TForm1::Timer1Timer() {
  ++flags_.TimerTicks;
  SoundTick();
  if (flags_.BacklogOpen || flags_.Busy || flags_.EngineState != EngineScreen::Story) return;
  if (flags_.ChoiceMode != ChoiceKind::None && flags_.SystemMenuOpen == 0) return;
  VoiceTick();
  if (flags_.WaitTicks > 0) {
    --flags_.WaitTicks;
    return;
  }
  if (flags_.PageWait == PageWaitKind::None) return;
  if (AutoAdvanceOn()) {
    AutoAdvanceTick();
  } else if (flags_.PageWait != PageWaitKind::NoIcon && !output_.HoldsPresentation()) {
    window_.DrawClickWaitIcon();
  }
}

// A page waits its auto-advance time, and longer while a voice plays.
void TForm1::AutoAdvanceTick() {
  if (!output_.CountAutoWaitDown()) return;
  if (sound_.IsVoicePlaying()) {
    output_.HoldAutoWait();
    return;
  }
  AdvancePage(true);
}

void TForm1::Close() {
  if (closed_) return;
  if (FormCloseQuery()) closed_ = true;
}

bool TForm1::FormCloseQuery() {
  if (flags_.QuitRequested) return true;
  FlushGlobalProgress();
  if (movieShowing_) EndMovie();
  if (flags_.EffectRunning) {
    flags_.InterruptRequest = Interrupt::Close;
    return false;
  }
  if (flags_.Busy) return false;
  const bool wasRunning = interpreter_.State().ScriptRunning;
  interpreter_.State().ScriptRunning = false;
  const MessageResult answer =
      Ask(kConfirmQuit, kConfirmCaption, MessageButtons::OkCancel, MessageIcon::Question);
  if (answer == MessageResult::Ok) flags_.InterruptRequest = Interrupt::Click;
  // The scrolling text ends at a close request whatever the answer.
  if (flags_.EngineState == EngineScreen::ScrollingText) flags_.InterruptRequest = Interrupt::Close;
  interpreter_.State().ScriptRunning = wasRunning;
  return answer == MessageResult::Ok;
}

void TForm1::StopSkipAndAuto(bool force) {
  quickButtons_.StopSkipAndAuto(force);
}

void TForm1::DrawCharacter(std::string_view bytes, int x, int y, int colour,
                           bool holdPresentation) {
  glyphs_.SetTextColour(colour);
  glyphs_.PrepareCharacter(bytes);
  glyphs_.DrawGlyphToScreen(stage_.Buffers().StageBuffer, PB_, x, y, holdPresentation);
}

void TForm1::DrawRuby(std::string_view reading, int x, int y, bool holdPresentation) {
  glyphs_.DrawRuby(reading, stage_.Buffers().StageBuffer, x, y);
  if (!holdPresentation) glyphs_.DrawRuby(reading, PB_.Draw(), x, y);
}

void TForm1::BeforeChoice() {
  if (flags_.SkipState == 3) stage_.RebuildFromSpecs(0);
  StopSkipAndAuto(false);
}

void TForm1::OpenSelect() {
  choices_.SetPointer(pointerX_, pointerY_);
  choices_.OpenSelect();
  AutoChoiceSave();
}

void TForm1::OpenClickmap(std::string_view name) {
  choices_.SetPointer(pointerX_, pointerY_);
  choices_.OpenClickmap(name);
}

void TForm1::OpenSeltree(int tree) {
  choices_.SetPointer(pointerX_, pointerY_);
  choices_.OpenSeltree(tree);
}

void TForm1::PBPaint() {
  sound_.ApplyVolumes();
  const ScreenBuffers& buffers = stage_.Buffers();
  const bool windowHidden = flags_.EngineState == EngineScreen::WindowHidden;
  CopyPicture(windowHidden ? buffers.SceneBuffer : buffers.StageBuffer, PB_.Draw());
}

// Each character is shown by repainting the whole screen, so a window opened by `win_open`
// (drawn on the stage only) appears with the first character after it. A drama-mode page keeps
// its text off the screen.
void TForm1::RepaintScreen() {
  if (!output_.HoldsPresentation()) PBPaint();
  host_.Present();
}

void TForm1::ShowStageWithoutWindow() {
  ScreenBuffers& buffers = stage_.Buffers();
  CopyPicture(buffers.SceneBuffer, buffers.StageBuffer);
  CopyPicture(buffers.StageBuffer, PB_.Draw());
}

// The definition text "sys_names": section NICKNAME holds the nickname on its first line,
// section NAMETAG up to nine speaker name tags, a line each. A game without it has neither.
void TForm1::LoadNames() {
  if (!definitions_.Load(archives_, "sys_names")) return;
  const std::vector<DefinitionEntry> nickname = definitions_.FindSection("NICKNAME");
  if (!nickname.empty()) output_.SetNickname(nickname.front().value);
  std::vector<std::string> tags;
  for (const DefinitionEntry& entry : definitions_.FindSection("NAMETAG")) {
    if (tags.size() < kNameTagCount) tags.push_back(entry.value);
  }
  output_.SetNameTags(std::move(tags));
}

void TForm1::ConfirmQuitAfterEffect() {
  if (Ask(kConfirmQuit, kConfirmCaption, MessageButtons::OkCancel, MessageIcon::Question) ==
      MessageResult::Ok) {
    flags_.QuitRequested = true;
  }
}

// The count saturates: a game cleared more often than an int holds stays at the maximum.
int TForm1::CountGameClear() {
  const int stored = settingsStore_.ReadInteger("Clear", 0);
  const int count = stored < std::numeric_limits<int>::max() ? stored + 1 : stored;
  settingsStore_.WriteInteger("Clear", count);
  settings_.Clear = count;
  FlushGlobalProgress();
  return count;
}

void TForm1::FlushGlobalProgress() {
  progress_.E = state_.E;
  const std::vector<uint8_t>& marks = interpreter_.Marks().Bytes();
  std::copy_n(marks.begin(), std::min(marks.size(), progress_.readMarks.size()),
              progress_.readMarks.begin());
  SaveGlobalProgress(saveFolder_, progress_);
  StoreGlobalValues();
  state_.E = progress_.E;
  interpreter_.Marks().Merge(progress_.readMarks);
}

void TForm1::MarkAllGalleryPictures() {
  progress_.SetGalleryFlags(galleryList_.Count());
}

// G0-G9 live in the settings as GV00-GV09; only a changed value is written again.
void TForm1::StoreGlobalValues() {
  for (int i = 0; i < kGCount; ++i) {
    if (settings_.GV[i] == state_.G(i)) continue;
    settings_.GV[i] = state_.G(i);
    char name[8];
    std::snprintf(name, sizeof name, "GV%02d", i);
    settingsStore_.WriteInteger(name, state_.G(i));
  }
}

void TForm1::StoreFamilyName(std::string_view shiftJisName) {
  settings_.PlayerName = shiftJisName;
  settingsStore_.WriteString("PlayerName", shiftJisName);
}

bool TForm1::WaitingForInput() const {
  if (flags_.TitlePending) return false;
  if (flags_.EngineState != EngineScreen::Story) {
    const tolven::Screen* screen = CurrentScreen();
    return screen != nullptr && screen->WaitsForInput();
  }
  return flags_.PageWait != PageWaitKind::None || flags_.ChoiceMode != ChoiceKind::None ||
         flags_.SleepCounter < 0 || !interpreter_.State().ScriptRunning || ScriptEnded();
}

bool TForm1::ScriptEnded() const {
  const InterpreterState& script = interpreter_.State();
  return script.calls.CallDepth == 0 && script.ReadPos >= interpreter_.ScriptSize();
}

std::vector<std::string> TForm1::UnsetHooks() const {
  std::vector<std::string> unset;
  const std::pair<const char*, const HookSet*> subsystems[] = {
      {"Stage::", &stage_.hooks},
      {"Transitions::", &stage_.Effects().hooks},
      {"MessageWindow::", &window_.hooks},
      {"Backlog::", &backlog_.hooks},
      {"Variables::", &variables_.hooks},
      {"Choices::", &choices_.hooks},
      {"QuickButtons::", &quickButtons_.hooks},
      {"ConfirmationPrompt::", &prompt_.hooks},
      {"ConfigurationDialog::", &configurationDialog_.hooks},
      {"NameEntryDialog::", &nameEntryDialog_.hooks},
      {"SaveList::", &saveList_.hooks},
      {"Recollection::", &screens_.RecollectionMode().hooks},
      {"Viewer::", &screens_.PictureViewer().hooks},
  };
  for (const auto& [name, hooks] : subsystems) hooks->AppendUnset(name, unset);
  return unset;
}

}  // namespace tolven
