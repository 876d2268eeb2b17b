// Input routing of the main window: every mouse, wheel and key event goes to the screen that
// owns input by the engine state and the open screens.
#include "engine/form1.h"

namespace tolven {
namespace {

constexpr int kClickGuardTicks = 10;
// The auto-advance speed gauge beside the message window.
constexpr int kGaugeLeft = 770;
constexpr int kGaugeRight = 779;
constexpr int kGaugeTop = 468;
constexpr int kGaugeBottom = 577;
constexpr int kGaugeStep = 11;
// In full screen the menu bar shows while the pointer is near the top-left corner.
constexpr int kMenuHotRight = 399;
constexpr int kMenuHotBottom = 29;

}  // namespace

void TForm1::AdvancePage() {
  if (flags_.PageWait == 1 || flags_.PageWait == 4 || flags_.PageWait == 5) page_.NewPage();
  flags_.PageWait = 0;
}

void TForm1::PBMouseDown(MouseButton button, int x, int y) {
  if (flags_.EffectRunning) {
    if (clickStopsVoice_) StopVoice();
    flags_.InterruptRequest = 1;
    return;
  }
  if (flags_.SystemMenuOpen != 0) {
    pending_.Reach("AskYesNo click");
    return;
  }
  if (flags_.Busy) return;
  if (button == MouseButton::Left && flags_.PageWait != 4 && flags_.ClickGuard < 3 &&
      clickStopsVoice_) {
    StopVoice();
  }
  if (flags_.BacklogOpen) {
    pending_.Reach(button == MouseButton::Right ? "CloseLog" : "LogMouseDown");
    return;
  }
  if (flags_.EngineState != 0) {
    RouteModeClick(button);
    return;
  }
  StoryMouseDown(button, x, y);
}

void TForm1::RouteModeClick(MouseButton button) {
  switch (flags_.EngineState) {
    case 1:
      pending_.Reach("RestorePicture");
      break;
    case 3:
      pending_.Reach("roll click");
      break;
    case 4:
      pending_.Reach("ShopClick");
      break;
    case 5:
      pending_.Reach("scrolling text click");
      break;
    case 6:
      pending_.Reach("ViewClick");
      break;
    case 8:
      pending_.Reach("RecollectionClick");
      break;
    case 9:
      pending_.Reach(button == MouseButton::Left ? "StepHistory newer" : "CloseHistory");
      break;
    case 10:
      pending_.Reach("CloseInventory");
      break;
    default:
      break;  // state 7, the scroll, takes no clicks
  }
}

// The story state; returns whether the click was used up before the page and choice step.
bool TForm1::StoryMouseDown(MouseButton button, int x, int y) {
  const bool noChoice = flags_.ChoiceMode == 0;
  auto finishTextAtOnce = [&] {
    if (characterByCharacter_ && flags_.PageWait == 0 && noChoice) flags_.ClickSkip = true;
  };
  finishTextAtOnce();
  if (flags_.SleepCounter != 0) {
    flags_.SleepCounter = 0;
    return true;
  }
  if (flags_.WindowShown) {
    const bool inGauge = x >= kGaugeLeft && x <= kGaugeRight && y >= kGaugeTop && y <= kGaugeBottom;
    if (AutoAdvanceOn() && inGauge) {
      state_.S(26) = state_.S(27) = (y - kGaugeTop) / kGaugeStep + 1;
      RefreshQuickButtons();
      return true;
    }
    if (noChoice && (AutoAdvanceOn() || flags_.SkipState != 0)) {
      StopSkipAndAuto(true);
      return true;
    }
  }
  if (flags_.SkipState != 0 && noChoice) {
    flags_.SkipState = 0;
    return true;
  }
  finishTextAtOnce();
  if (button == MouseButton::Left && noChoice) {
    // The quick buttons of the message window take the click first once they exist.
    pending_.Reach("ClickQuickButton");
  }
  switch (button) {
    case MouseButton::Left:
      if (noChoice) {
        AdvancePage();
      } else if (flags_.ClickGuard == 0) {
        PickChoice(button);
      }
      flags_.ClickGuard = kClickGuardTicks;
      break;
    case MouseButton::Right:
      if (flags_.ChoiceMode == 4 || flags_.ChoiceMode == 6) {
        PickChoice(button);
      } else {
        pending_.Reach("HidePicture");
      }
      break;
    case MouseButton::Middle:
      flags_.ClickGuard = kClickGuardTicks;
      break;
  }
  return false;
}

void TForm1::PickChoice(MouseButton) {
  pending_.Reach("PickChoice");
}

void TForm1::PBMouseMove(int x, int y) {
  pointerX_ = x;
  pointerY_ = y;
  if (fullScreenActive_) menuBar_.Panel1Visible = x <= kMenuHotRight && y <= kMenuHotBottom;
  if (flags_.Busy || flags_.EffectRunning) return;
  if (flags_.SystemMenuOpen != 0) return pending_.Reach("AskYesNo hover");
  if (flags_.BacklogOpen) return pending_.Reach("LogMouseMove");
  switch (flags_.EngineState) {
    case 0:
      RouteStoryHover(x, y);
      break;
    case 4:
    case 10:
      pending_.Reach("ItemHover");
      break;
    case 6:
      pending_.Reach("ViewHover");
      break;
    case 8:
      pending_.Reach("RecollectionHover");
      break;
    default:
      break;
  }
}

void TForm1::RouteStoryHover(int, int) {
  switch (flags_.ChoiceMode) {
    case 0:
      if (flags_.SkipState == 0 && !AutoAdvanceOn() && flags_.WindowShown) {
        pending_.Reach("HoverQuickButtons");
      }
      break;
    case 1:
      pending_.Reach("HoverQuickButtons");
      pending_.Reach("HoverChoice");
      break;
    default:
      pending_.Reach("HoverChoice");
      break;
  }
}

void TForm1::PBMouseUp(MouseButton, int, int) {
  if (flags_.EngineState != 0) return;
  if (state_.S(63) != 0 || state_.S(64) != 0 || state_.S(65) != 0) {
    state_.S(63) = state_.S(64) = state_.S(65) = 0;
    RefreshQuickButtons();
  }
}

void TForm1::FormMouseWheel(int wheelDelta) {
  if (flags_.BacklogOpen) return pending_.Reach("LogWheel");
  if (wheelDelta > 0 && flags_.EngineState == 0 && flags_.PageWait != 0 && !flags_.EffectRunning) {
    state_.S(65) = 1;
    RefreshQuickButtons();
    pending_.Reach("OpenLog");
    state_.S(65) = 0;
  }
}

void TForm1::FormKeyDown(int key) {
  if (key == kKeyF2 || flags_.SystemMenuOpen != 0 || flags_.BacklogOpen) return;
  if (flags_.ChoiceMode == 1 && (key == kKeyUp || key == kKeyDown)) {
    pending_.Reach("move the pointer over the answers");
  }
  if (flags_.EngineState == 9 && (key == kKeyLeft || key == kKeyRight)) {
    pending_.Reach(key == kKeyLeft ? "StepHistory older" : "StepHistory newer");
  }
  if (flags_.EngineState != 0 || flags_.ChoiceMode > 1) return;
  if (key == kKeyShift && !flags_.Busy) ShiftDown();
  if (key == kKeyCtrl) SpeedButton7Click();
  if (key == kKeyLeft && flags_.ChoiceMode == 0) pending_.Reach("OpenHistory");
}

void TForm1::ShiftDown() {
  StopVoice();
  state_.S(60) = 1;
  RefreshQuickButtons();
  // The keyboard never gives the skip kind that redraws the stage on every page.
  flags_.SkipState = settings_.SkipMode + 1;
  if (flags_.SkipState == 3) flags_.SkipState = 1;
}

void TForm1::FormKeyUp(int key) {
  if (key != kKeyShift) return;
  flags_.SkipState = 0;
  if (flags_.EngineState == 0 && !flags_.Busy) {
    state_.S(60) = 0;
    RefreshQuickButtons();
  }
}

void TForm1::FormKeyPress(char key) {
  if (flags_.SystemMenuOpen != 0) return;
  if (flags_.BacklogOpen) {
    if (key == kKeyBackspace) pending_.Reach("CloseLog");
    return;
  }
  switch (key) {
    case kKeyBackspace:
      if (flags_.EngineState == 0) {
        state_.S(65) = 1;
        pending_.Reach("OpenLog");
        state_.S(65) = 0;
      }
      break;
    case kKeyEnter:
      PBMouseDown(MouseButton::Left, pointerX_, pointerY_);
      break;
    case kKeyEscape:
      PBMouseDown(MouseButton::Right, pointerX_, pointerY_);
      break;
    case kKeySpace:
      if (!flags_.Busy && flags_.EngineState == 0 && flags_.ChoiceMode <= 1) {
        pending_.Reach("HidePicture");
      }
      break;
    default:
      break;
  }
}

}  // namespace tolven
