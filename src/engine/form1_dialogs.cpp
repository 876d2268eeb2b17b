// The modal dialogs: the configuration and the names, shown over the held game, and what the
// engine does with their values.
#include <utility>

#include "engine/form1.h"
#include "resources/picture_loader.h"

namespace tolven {
namespace {

constexpr const char* kVoiceSample = "AL0001";
constexpr uint32_t kScreenModeSettleMs = 100;

}  // namespace

// The game waits behind the dialog: Busy holds input, the script and the timer's waits, while
// the timer itself goes on ticking for the music.
bool TForm1::ShowModal(DialogModel& dialog) {
  if (openDialog_ != nullptr) return false;
  const bool wasBusy = flags_.Busy;
  flags_.Busy = true;
  openDialog_ = &dialog;
  ResetDialogKeys(dialog);
  host_.RunModal(dialog);
  openDialog_ = nullptr;
  flags_.Busy = wasBusy;
  return true;
}

void TForm1::ConnectDialogs() {
  configurationDialog_.writeInteger = [this](std::string_view name, int value) {
    settingsStore_.WriteInteger(name, value);
  };
  configurationDialog_.writeString = [this](std::string_view name, std::string_view value) {
    settingsStore_.WriteString(name, value);
  };
  configurationDialog_.changed = [this](ConfigurationItem item, int previous) {
    ConfigurationChanged(item, previous);
  };
  saveList_.saveSlot = [this](int slot) { SaveSlot(slot); };
  saveList_.loadSlot = [this](int slot) { LoadSlot(slot); };
  nameEntryDialog_.stringRow = [this](int row) { return variables_.StringRow(row); };
  nameEntryDialog_.setFamilyName = [this](std::string_view family) {
    settings_.PlayerName = family;
    variables_.RestoreFamilyName(family);
  };
  nameEntryDialog_.setGivenName = [this](std::string_view given) {
    settings_.PlayerName2 = given;
    variables_.SetStringRow(sr::kGivenName, given);
  };
  nameEntryDialog_.storeNames = [this](std::string_view family, std::string_view given) {
    settingsStore_.WriteString("PlayerName", family);
    settingsStore_.WriteString("PlayerName2", given);
  };
}

// The list's preview of a slot never saved; a game without the picture shows none.
void TForm1::LoadEmptySlotPicture() {
  Bitmap24 picture;
  PictureLoader(archives_).LoadPicture("SVEMPTY", picture);
  saveList_.SetEmptyPicture(std::move(picture));
}

void TForm1::ShowSlotDialog(SaveList::Mode mode) {
  saveList_.OpenSlotDialog(mode);
  ShowModal(saveList_);
}

ConfigurationValues TForm1::CurrentConfiguration() const {
  return {.MasterVolume = sound_.MasterVolume(),
          .DramaMode = state_.S(sv::kDramaMode),
          .DateDisplay = state_.S(sv::kDateDisplay)};
}

// The dialog has already put the new value into the settings, which the subsystems read; here
// is what must also happen while the dialog is still open. The pending settings and the window
// picture wait for ApplySettings.
void TForm1::ConfigurationChanged(ConfigurationItem item, int previous) {
  const ConfigurationValues& v = configurationDialog_.Values();
  using Item = ConfigurationItem;
  switch (item) {
    case Item::BGM:
      music_.MusicSwitched(previous, state_);
      break;
    case Item::MasterVolume:
      sound_.SetMasterVolume(v.MasterVolume);
      sound_.ApplyVolumes();
      break;
    case Item::Vol1:
    case Item::Vol2:
    case Item::Vol3:
    case Item::Vol4:
      sound_.ApplyVolumes();
      break;
    case Item::FontBold:
    case Item::FontName:
    case Item::FontSize:
    case Item::FontAA:
      glyphs_.RebuildGlyphCache();
      break;
    case Item::DramaMode:
      state_.S(sv::kDramaMode) = v.DramaMode;
      break;
    case Item::DateDisplay:
      state_.S(sv::kDateDisplay) = v.DateDisplay;
      break;
    case Item::VoiceSample:
      sound_.PlaySoundByName(kVoiceSample);
      break;
    // Whatever follows these reads the settings when it needs them; the window picture is
    // built again once the dialog has closed.
    case Item::AnimQuality:
    case Item::Drive:
    case Item::Seen:
    case Item::BreakonSelect:
    case Item::OnMemoryMode:
    case Item::CVABORT:
    case Item::TextBackgroundR:
    case Item::TextBackgroundG:
    case Item::TextBackgroundB:
    case Item::TextBackgroundA:
    // Pending until the dialog closes.
    case Item::Wave:
    case Item::Delay:
    case Item::GMode:
    case Item::SMode:
      break;
  }
}

// After the dialog: the window picture again when the text style changed, the values that
// need their subsystem restarted, and the screen mode.
void TForm1::ApplySettings() {
  if (configurationDialog_.TextStyleChanged()) {
    window_.BuildTint({settings_.TXBG_R, settings_.TXBG_G, settings_.TXBG_B, settings_.TXBG_A});
    window_.MarkStale();
    output_.ApplyFontSizes();
    if (flags_.EngineState == EngineScreen::Story && flags_.ChoiceMode == ChoiceKind::None) {
      stage_.BuildStage();
      PBPaint();
    }
    // The icon frames are blended over the stage under them: built before the stage, they
    // would carry the old window's colour into the new one.
    window_.BuildClickWaitFrames();
  }
  configurationDialog_.ApplyPending();
  sound_.ApplyVolumes();
  output_.SetCharacterByCharacter(settings_.Delay == 0);
  stage_.Effects().SetFastPictures(settings_.GMode != 0);
  if (static_cast<int>(fullScreenActive_) == settings_.SMode) return;
  flags_.Busy = true;
  if (fullScreenActive_) {
    host_.Sleep(kScreenModeSettleMs);
    host_.ProcessMessages();
    LeaveFullScreen();
  }
  screenMode_ = settings_.SMode;
  if (settings_.SMode != 0) {
    EnterFullScreen();
    host_.Sleep(kScreenModeSettleMs);
    host_.ProcessMessages();
  }
  flags_.Busy = false;
  settingsStore_.WriteInteger("SMode", settings_.SMode);
}

// The dialog closes only on two valid names; S006 then follows the family name.
void TForm1::SetName() {
  flags_.Busy = true;
  StopSkipAndAuto(false);
  nameEntryDialog_.FormShow();
  ShowModal(nameEntryDialog_);
  variables_.RestoreFamilyName(variables_.StringRow(sr::kFamilyName));
  flags_.Busy = false;
}

}  // namespace tolven
