// The modal dialogs: the configuration and the names, shown over the held game, and what the
// engine does with their values.
#include <utility>

#include "engine/form1.h"
#include "resources/picture_loader.h"

namespace tolven {
namespace {

constexpr const char* kVoiceSample = "AL0001";
constexpr int kDateDisplayValue = 4;  // S004: the date is shown
constexpr uint32_t kScreenModeSettleMs = 100;

}  // namespace

// The game waits behind the dialog: Busy holds input, the script and the timer's waits, while
// the timer itself goes on ticking for the music.
bool TForm1::ShowModal(DialogModel& dialog) {
  if (openDialog_ != nullptr) return false;
  const bool wasBusy = flags_.Busy;
  flags_.Busy = true;
  openDialog_ = &dialog;
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
  configurationDialog_.changed = [this](ConfigurationItem item) { ConfigurationChanged(item); };
  saveList_.saveSlot = [this](int slot) { SaveSlot(slot); };
  saveList_.loadSlot = [this](int slot) { LoadSlot(slot); };
  nameEntryDialog_.stringRow = [this](int row) { return variables_.StringRow(row); };
  nameEntryDialog_.setFamilyName = [this](std::string_view family) {
    settings_.PlayerName = family;
    variables_.RestoreFamilyName(family);
  };
  nameEntryDialog_.setGivenName = [this](std::string_view given) {
    settings_.PlayerName2 = given;
    variables_.SetStringRow(1, given);
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

GlyphFontSettings TForm1::FontSettings() const {
  return {settings_.FontName, settings_.FONTSIZE, settings_.FONTBOLD, settings_.FONTAA};
}

ConfigurationValues TForm1::CurrentConfiguration() const {
  ConfigurationValues v;
  v.SMode = settings_.SMode;
  v.GMode = settings_.GMode;
  v.Delay = settings_.Delay;
  v.AnimQuality = settings_.AnimQuality;
  v.Wave = settings_.Wave;
  v.BGM = settings_.BGM;
  v.CVABORT = settings_.CVABORT;
  v.MasterVolume = sound_.MasterVolume();
  v.Vol1 = settings_.Vol1;
  v.Vol2 = settings_.Vol2;
  v.Vol3 = settings_.Vol3;
  v.Vol4 = settings_.Vol4;
  v.CDDA_DRV = settings_.CDDA_DRV;
  v.FontName = settings_.FontName;
  v.FONTBOLD = settings_.FONTBOLD;
  v.FONTSIZE = settings_.FONTSIZE;
  v.FONTAA = settings_.FONTAA;
  v.BreakonSelect = settings_.BreakonSelect;
  v.Seen = settings_.Seen;
  v.TXBG_R = settings_.TXBG_R;
  v.TXBG_G = settings_.TXBG_G;
  v.TXBG_B = settings_.TXBG_B;
  v.TXBG_A = settings_.TXBG_A;
  v.OnMemoryMode = settings_.OnMemoryMode;
  v.DramaMode = state_.S(sv::kDramaMode);
  v.DateDisplay = state_.S(kDateDisplayValue);
  return v;
}

// What takes effect while the dialog is still open; the rest waits for ApplySettings.
void TForm1::ConfigurationChanged(ConfigurationItem item) {
  const ConfigurationValues& v = configurationDialog_.Values();
  using Item = ConfigurationItem;
  switch (item) {
    case Item::BGM:
      settings_.BGM = v.BGM;
      music_.SetMusicEnabled(v.BGM, state_);
      break;
    case Item::AnimQuality:
      settings_.AnimQuality = v.AnimQuality;
      break;
    case Item::Drive:
      settings_.CDDA_DRV = v.CDDA_DRV;
      break;
    case Item::Seen:
    case Item::BreakonSelect:
      settings_.Seen = v.Seen;
      settings_.BreakonSelect = v.BreakonSelect;
      quickButtons_.SetSettings({settings_.SkipMode, settings_.Seen, settings_.BreakonSelect});
      break;
    case Item::OnMemoryMode:
      settings_.OnMemoryMode = v.OnMemoryMode;
      break;
    case Item::CVABORT:
      settings_.CVABORT = v.CVABORT;
      break;
    case Item::MasterVolume:
      sound_.SetMasterVolume(v.MasterVolume);
      sound_.ApplyVolumes();
      break;
    case Item::Vol1:
    case Item::Vol2:
    case Item::Vol3:
    case Item::Vol4:
      settings_.Vol1 = v.Vol1;
      settings_.Vol2 = v.Vol2;
      settings_.Vol3 = v.Vol3;
      settings_.Vol4 = v.Vol4;
      ApplySoundSettings();
      break;
    case Item::FontBold:
    case Item::FontName:
    case Item::FontSize:
    case Item::FontAA:
      settings_.FontName = v.FontName;
      settings_.FONTBOLD = v.FONTBOLD;
      settings_.FONTSIZE = v.FONTSIZE;
      settings_.FONTAA = v.FONTAA;
      glyphs_.RebuildGlyphCache(FontSettings());
      break;
    case Item::TextBackgroundR:
    case Item::TextBackgroundG:
    case Item::TextBackgroundB:
    case Item::TextBackgroundA:
      settings_.TXBG_R = v.TXBG_R;
      settings_.TXBG_G = v.TXBG_G;
      settings_.TXBG_B = v.TXBG_B;
      settings_.TXBG_A = v.TXBG_A;
      break;
    case Item::DramaMode:
      state_.S(sv::kDramaMode) = v.DramaMode;
      break;
    case Item::DateDisplay:
      state_.S(kDateDisplayValue) = v.DateDisplay;
      break;
    case Item::VoiceSample:
      sound_.PlaySoundByName(kVoiceSample);
      break;
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
  const ConfigurationValues& v = configurationDialog_.Values();
  if (configurationDialog_.TextStyleChanged()) {
    window_.BuildTint({settings_.TXBG_R, settings_.TXBG_G, settings_.TXBG_B, settings_.TXBG_A});
    window_.MarkStale();
    window_.BuildClickWaitFrames();
    output_.ApplyFontSizes();
    if (flags_.EngineState == EngineScreen::Story && flags_.ChoiceMode == ChoiceKind::None) {
      stage_.BuildStage();
      PBPaint();
    }
  }
  settings_.Wave = v.Wave;
  settings_.Delay = v.Delay;
  settings_.GMode = v.GMode;
  settings_.SMode = v.SMode;
  ApplySoundSettings();
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
  variables_.RestoreFamilyName(variables_.StringRow(0));
  flags_.Busy = false;
}

}  // namespace tolven
