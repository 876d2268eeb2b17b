// The menu bar above the game screen, its popup menu, auto-advance and the full-screen switch.
#include "engine/form1.h"

#include "base/text_encoding.h"
#include "text/font_lookup.h"

namespace tolven {
namespace {

constexpr int kDefaultAutoSpeed = 3;
constexpr int kTrackBarEnd = 11;  // the track bar runs 1-10, the fastest speed at its start

}  // namespace

void TForm1::UpdateMenuBar() {
  MenuButton* phased[] = {&menuBar_.SpeedButton3, &menuBar_.SpeedButton4, &menuBar_.SpeedButton5};
  if (flags_.MenuLocked) {
    menuBar_.Panel1Enabled = false;
    for (MenuButton* button : {&menuBar_.SpeedButton1, &menuBar_.SpeedButton2,
                               &menuBar_.SpeedButton7, &menuBar_.SpeedButton8}) {
      button->enabled = false;
    }
    for (MenuButton* button : phased) button->enabled = false;
    return;
  }
  menuBar_.Panel1Enabled = true;
  for (MenuButton* button : {&menuBar_.SpeedButton1, &menuBar_.SpeedButton2, &menuBar_.SpeedButton7,
                             &menuBar_.SpeedButton8}) {
    button->enabled = true;
  }
  // S000 is the save availability: 0 all, 1 no saving, 2 and 3 none; other values leave it.
  switch (state_.S(sv::kSaveAvailability)) {
    case 0:
      for (MenuButton* button : phased) button->enabled = true;
      break;
    case 1:
      menuBar_.SpeedButton3.enabled = false;
      menuBar_.SpeedButton4.enabled = menuBar_.SpeedButton5.enabled = true;
      break;
    case 2:
    case 3:
      for (MenuButton* button : phased) button->enabled = false;
      break;
    default:
      break;
  }
}

void TForm1::SpeedButton1Click() {
  if (flags_.Busy) return;
  StopSkipAndAuto(true);
  menuBar_.PopupMenu1Open = true;
  menuBar_.PopupMenu1X = 4;
  menuBar_.PopupMenu1Y = 21;
}

void TForm1::SpeedButton2Click() {
  if (flags_.Busy) return;
  StopSkipAndAuto(true);
  PlayVoice("SSE07");
  const bool wasRunning = interpreter_.State().ScriptRunning;
  interpreter_.State().ScriptRunning = false;
  configurationDialog_.FormShow(CurrentConfiguration(), ListFontFamilies());
  if (ShowModal(configurationDialog_)) ApplySettings();
  interpreter_.State().ScriptRunning = wasRunning;
}

void TForm1::SpeedButton3Click() {
  if (flags_.Busy || flags_.EffectRunning) return;
  PlayVoice("SSE05");
  ShowSlotDialog(SaveList::Mode::Save);
}

void TForm1::SpeedButton4Click() {
  if (flags_.Busy || flags_.EffectRunning) return;
  PlayVoice("SSE06");
  ShowSlotDialog(SaveList::Mode::Load);
}

void TForm1::SpeedButton5Click() {
  if (flags_.Busy || flags_.EffectRunning) return;
  PlayVoice("SSE11");
  ShowSlotDialog(SaveList::Mode::Save);
}

void TForm1::SpeedButton6Click() {
  state_.S(sv::kAutoNavigation) = 1;
  state_.S(sv::kAutoNavigationSaved) = state_.S(sv::kAutoNavigationTarget);
  menuBar_.SpeedButton6.visible = false;
}

void TForm1::SpeedButton7Click() {
  if (flags_.EngineState != EngineScreen::Story ||
      (flags_.ChoiceMode != ChoiceKind::None && flags_.ChoiceMode != ChoiceKind::Select)) {
    return;
  }
  int32_t& speed = state_.S(sv::kAutoSpeed);
  int32_t& lastSpeed = state_.S(sv::kLastAutoSpeed);
  if (!AutoAdvanceOn()) {
    state_.S(sv::kAutoButton) = 1;
    if (lastSpeed < kMinAutoSpeed || lastSpeed > kMaxAutoSpeed) lastSpeed = kDefaultAutoSpeed;
    speed = lastSpeed;
    SetAutoCaption(true);
  } else {
    state_.S(sv::kAutoButton) = 0;
    lastSpeed = speed;
    speed = 0;
    SetAutoCaption(false);
  }
  state_.S(sv::kSkipButton) = 0;
  RefreshQuickButtons();
}

void TForm1::SetAutoCaption(bool on) {
  menuBar_.SpeedButton7.captionColour = on ? kAutoCaptionColour : kPlainCaptionColour;
}

// The log and the prompt take input over the story: an item screen opened under them would keep
// their picture as the story's and leave them open behind it, so the button waits for them.
void TForm1::SpeedButton8Click() {
  if (flags_.Busy || flags_.BacklogOpen || flags_.SystemMenuOpen != 0) return;
  if (flags_.PageWait != PageWaitKind::None || flags_.ChoiceMode != ChoiceKind::None) {
    screens_.Item(0);
  }
}

void TForm1::TrackBar1Change(int position) {
  menuBar_.TrackBar1Position = position;
  state_.S(sv::kAutoSpeed) = state_.S(sv::kLastAutoSpeed) = kTrackBarEnd - position;
}

void TForm1::N6Click() {
  menuBar_.PopupMenu1Open = false;
  if (!flags_.Busy) {
    prompt_.AskYesNo(Utf8ToShiftJis("タイトルへ戻りますか？").value_or(""), kReturnToTitlePrompt);
  }
}

void TForm1::N7Click() {
  menuBar_.PopupMenu1Open = false;
  Close();
}

void TForm1::N1Click() {
  menuBar_.PopupMenu1Open = false;
  sound_.StopVoice();
  screens_.SkipScene();
}

void TForm1::N2Click() {
  menuBar_.PopupMenu1Open = false;
  sound_.StopVoice();
  screens_.ReturnFromReplay();
}

void TForm1::EnterFullScreen() {
  if (fullScreenActive_ || screenMode_ == 0) return;
  menuBar_.Panel1Visible = false;
  if (host_.EnterFullScreen(screenMode_)) {
    // The borderless window of mode 2 is not the exclusive mode: the menu bar stays hidden.
    fullScreenActive_ = screenMode_ == 1;
    return;
  }
  menuBar_.Panel1Visible = true;
}

void TForm1::LeaveFullScreen() {
  if (!fullScreenActive_) return;
  host_.LeaveFullScreen();
  menuBar_.Panel1Visible = true;
  fullScreenActive_ = false;
}

}  // namespace tolven
