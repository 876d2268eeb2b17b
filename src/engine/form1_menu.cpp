// The menu bar above the game screen, its popup menu, auto-advance and the full-screen switch.
#include "engine/form1.h"

namespace tolven {
namespace {

constexpr int kMaxAutoSpeed = 10;
constexpr int kDefaultAutoSpeed = 3;

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
  switch (state_.S(0)) {
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
  PlaySystemSound("SSE07");
  flags_.Busy = true;
  const bool wasRunning = interpreter_.State().ScriptRunning;
  interpreter_.State().ScriptRunning = false;
  pending_.Reach("configuration dialog");
  interpreter_.State().ScriptRunning = wasRunning;
  flags_.Busy = false;
}

void TForm1::SpeedButton3Click() {
  if (flags_.Busy || flags_.EffectRunning) return;
  PlaySystemSound("SSE05");
  pending_.Reach("save list in save mode");
}

void TForm1::SpeedButton4Click() {
  if (flags_.Busy || flags_.EffectRunning) return;
  PlaySystemSound("SSE06");
  pending_.Reach("save list in load mode");
}

void TForm1::SpeedButton5Click() {
  if (flags_.Busy || flags_.EffectRunning) return;
  PlaySystemSound("SSE11");
  pending_.Reach("save list in save mode");
}

void TForm1::SpeedButton6Click() {
  state_.S(151) = 1;
  state_.S(152) = state_.S(153);
  menuBar_.SpeedButton6.visible = false;
}

void TForm1::SpeedButton7Click() {
  if (flags_.EngineState != 0 || flags_.ChoiceMode > 1) return;
  if (!AutoAdvanceOn()) {
    state_.S(61) = 1;
    if (state_.S(27) < 1 || state_.S(27) > kMaxAutoSpeed) state_.S(27) = kDefaultAutoSpeed;
    state_.S(26) = state_.S(27);
    menuBar_.SpeedButton7.captionColour = kAutoCaptionColour;
  } else {
    state_.S(61) = 0;
    state_.S(27) = state_.S(26);
    state_.S(26) = 0;
    menuBar_.SpeedButton7.captionColour = kPlainCaptionColour;
  }
  state_.S(60) = 0;
  RefreshQuickButtons();
}

void TForm1::SpeedButton8Click() {
  if (flags_.PageWait != 0 || flags_.ChoiceMode != 0) pending_.Reach("ShowInventory");
}

void TForm1::TrackBar1Change(int position) {
  menuBar_.TrackBar1Position = position;
  state_.S(26) = state_.S(27) = 11 - position;
}

void TForm1::N6Click() {
  menuBar_.PopupMenu1Open = false;
  if (!flags_.Busy) pending_.Reach("AskYesNo タイトルへ戻りますか？");
}

void TForm1::N7Click() {
  menuBar_.PopupMenu1Open = false;
  Close();
}

void TForm1::N1Click() {
  menuBar_.PopupMenu1Open = false;
  pending_.Reach("SkipScene");
}

void TForm1::N2Click() {
  menuBar_.PopupMenu1Open = false;
  pending_.Reach("ReturnFromReplay");
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
