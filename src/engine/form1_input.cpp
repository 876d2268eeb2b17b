// Input routing of the main window: every mouse, wheel and key event goes to the screen that
// owns input by the engine state and the open screens.
#include "engine/form1.h"

namespace tolven {
namespace {

constexpr int kClickGuardTicks = 10;
// In full screen the menu bar shows while the pointer is near the top-left corner.
constexpr int kMenuHotRight = 399;
constexpr int kMenuHotBottom = 29;

}  // namespace

void TForm1::AdvancePage(bool byTimer) {
  // The timer turns the page only where a page is showing.
  const bool pageShowing = flags_.WindowShown || state_.S(sv::kTextMode) != 0;
  if (StartsNewPage(flags_.PageWait) && (!byTimer || pageShowing)) output_.NewPage();
  flags_.PageWait = PageWaitKind::None;
}

void TForm1::PBMouseDown(MouseButton button, int x, int y) {
  if (movieShowing_) return EndMovie();
  if (flags_.EffectRunning) {
    if (ClickStopsVoice()) sound_.StopVoice();
    flags_.InterruptRequest = Interrupt::Click;
    return;
  }
  if (flags_.SystemMenuOpen != 0) {
    prompt_.PromptClick(button);
    return;
  }
  if (flags_.Busy) return;
  if (button == MouseButton::Left && flags_.PageWait != PageWaitKind::VoiceKept &&
      flags_.ClickGuard < 3 && ClickStopsVoice()) {
    sound_.StopVoice();
  }
  if (flags_.BacklogOpen) {
    if (button == MouseButton::Right) {
      backlog_.CloseLog();
    } else {
      backlog_.LogMouseDown(button, x, y);
    }
    return;
  }
  if (flags_.EngineState != EngineScreen::Story) {
    if (tolven::Screen* screen = CurrentScreen()) screen->Press(button, x, y);
    return;
  }
  StoryMouseDown(button, x, y);
}

// The story state; returns whether the click was used up before the page and choice step.
bool TForm1::StoryMouseDown(MouseButton button, int x, int y) {
  const bool noChoice = flags_.ChoiceMode == ChoiceKind::None;
  auto finishTextAtOnce = [&] {
    if (CharacterByCharacter() && flags_.PageWait == PageWaitKind::None && noChoice) {
      flags_.ClickSkip = true;
    }
  };
  finishTextAtOnce();
  if (flags_.SleepCounter != 0) {
    flags_.SleepCounter = 0;
    return true;
  }
  if (quickButtons_.GaugeOrStopClick(x, y)) return true;
  if (flags_.SkipState != 0 && noChoice) {
    flags_.SkipState = 0;
    return true;
  }
  finishTextAtOnce();
  if (button == MouseButton::Left && noChoice) {
    quickButtons_.HoverQuickButtons(x, y);
    if (quickButtons_.ClickQuickButton()) return true;
  }
  switch (button) {
    case MouseButton::Left:
      if (noChoice) {
        AdvancePage();
      } else if (flags_.ClickGuard == 0) {
        choices_.PickChoice(button);
        quickButtons_.ClickQuickButton();
      }
      flags_.ClickGuard = kClickGuardTicks;
      break;
    case MouseButton::Right:
      if (flags_.ChoiceMode == ChoiceKind::Clickmap || flags_.ChoiceMode == ChoiceKind::Seltree) {
        choices_.PickChoice(button);
      } else {
        backlog_.HidePicture();
      }
      break;
    case MouseButton::Middle:
      flags_.ClickGuard = kClickGuardTicks;
      break;
  }
  return false;
}

void TForm1::PBMouseMove(int x, int y) {
  pointerX_ = x;
  pointerY_ = y;
  if (fullScreenActive_) menuBar_.Panel1Visible = x <= kMenuHotRight && y <= kMenuHotBottom;
  if (flags_.Busy || flags_.EffectRunning) return;
  if (flags_.SystemMenuOpen != 0) return prompt_.PromptHover(x, y);
  if (flags_.BacklogOpen) return backlog_.LogMouseMove(x, y);
  if (flags_.EngineState == EngineScreen::Story) return RouteStoryHover(x, y);
  if (tolven::Screen* screen = CurrentScreen()) screen->PointerMove(x, y);
}

void TForm1::RouteStoryHover(int x, int y) {
  switch (flags_.ChoiceMode) {
    case ChoiceKind::None:
      // Full-screen text shows the strip without the window.
      if (flags_.SkipState == 0 && !AutoAdvanceOn() &&
          (flags_.WindowShown || state_.S(sv::kTextMode) != 0)) {
        quickButtons_.HoverQuickButtons(x, y);
      }
      break;
    case ChoiceKind::Select:
      quickButtons_.HoverQuickButtons(x, y);
      choices_.HoverChoice(x, y);
      break;
    default:
      choices_.HoverChoice(x, y);
      break;
  }
}

void TForm1::PBMouseUp(MouseButton, int, int) {
  if (flags_.BacklogOpen) backlog_.LogMouseUp();
  if (flags_.EngineState != EngineScreen::Story) return;
  bool anyPressed = false;
  for (int value : sv::kPressedQuickButtons) {
    anyPressed = anyPressed || state_.S(value) != 0;
    state_.S(value) = 0;
  }
  if (anyPressed) RefreshQuickButtons();
}

void TForm1::FormMouseWheel(int wheelDelta) {
  if (flags_.BacklogOpen) return backlog_.LogWheel(wheelDelta);
  if (wheelDelta > 0 && flags_.EngineState == EngineScreen::Story &&
      flags_.PageWait != PageWaitKind::None && !flags_.EffectRunning) {
    OpenLogFromStory();
  }
}

// The log button shows pressed while the log opens, as when it is clicked.
void TForm1::OpenLogFromStory() {
  state_.S(sv::kLogButton) = 1;
  RefreshQuickButtons();
  backlog_.OpenLog();
  state_.S(sv::kLogButton) = 0;
}

void TForm1::FormKeyDown(int key) {
  if (key == kKeyF2 || flags_.SystemMenuOpen != 0 || flags_.BacklogOpen) return;
  if (flags_.ChoiceMode == ChoiceKind::Select && (key == kKeyUp || key == kKeyDown)) {
    choices_.MovePointerOverAnswers(key == kKeyUp ? -1 : 1);
  }
  if (flags_.EngineState != EngineScreen::Story) {
    if (tolven::Screen* screen = CurrentScreen()) screen->KeyDown(key);
  }
  // Skipping, auto-advance and the look-back keys work in the story with at most a window-mode
  // select open.
  const bool storyKeys =
      flags_.EngineState == EngineScreen::Story &&
      (flags_.ChoiceMode == ChoiceKind::None || flags_.ChoiceMode == ChoiceKind::Select);
  if (!storyKeys) return;
  if (key == kKeyShift && !flags_.Busy) ShiftDown();
  if (key == kKeyCtrl) SpeedButton7Click();
  if (key == kKeyLeft && flags_.ChoiceMode == ChoiceKind::None) backlog_.OpenHistory();
}

void TForm1::ShiftDown() {
  sound_.StopVoice();
  state_.S(sv::kSkipButton) = 1;
  RefreshQuickButtons();
  // The keyboard never gives the skip kind that redraws the stage on every page.
  flags_.SkipState = settings_.SkipMode + 1;
  if (flags_.SkipState == 3) flags_.SkipState = 1;
}

void TForm1::FormKeyUp(int key) {
  if (key != kKeyShift) return;
  flags_.SkipState = 0;
  if (flags_.EngineState == EngineScreen::Story && !flags_.Busy) {
    state_.S(sv::kSkipButton) = 0;
    RefreshQuickButtons();
  }
}

void TForm1::FormKeyPress(char key) {
  if (flags_.SystemMenuOpen != 0) return;
  if (flags_.BacklogOpen) {
    if (key == kKeyBackspace) backlog_.CloseLog();
    return;
  }
  switch (key) {
    case kKeyBackspace:
      if (flags_.EngineState == EngineScreen::Story) OpenLogFromStory();
      break;
    case kKeyEnter:
      PBMouseDown(MouseButton::Left, pointerX_, pointerY_);
      break;
    case kKeyEscape:
      PBMouseDown(MouseButton::Right, pointerX_, pointerY_);
      break;
    case kKeySpace:
      if (!flags_.Busy && flags_.EngineState == EngineScreen::Story &&
          (flags_.ChoiceMode == ChoiceKind::None || flags_.ChoiceMode == ChoiceKind::Select)) {
        backlog_.HidePicture();
      }
      break;
    default:
      break;
  }
}

}  // namespace tolven
