// Input routing of the main window: every mouse, wheel and key event goes to the screen that
// owns input by the engine state and the open screens.
#include <algorithm>
#include <array>
#include <vector>

#include "engine/form1.h"

namespace tolven {
namespace {

constexpr int kClickGuardTicks = 10;
// In full screen the menu bar shows while the pointer is near the top-left corner.
constexpr int kMenuHotRight = 399;
constexpr int kMenuHotBottom = 29;
constexpr int kWheelDelta = 120;  // one notch of the wheel: the keys scroll the log as it does

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
  // The copy key puts the text shown on the clipboard, wherever text shows.
  if (key == kCopyTextKey && textOut_.CopyShownText(flags_, output_, backlog_)) return;
  const std::optional<InputAction> action = inputMap_.ForKey(key);
  if (!action) {
    // A key no action takes still reaches a full-screen mode, as every key always did.
    if (key != kKeyF2 && flags_.SystemMenuOpen == 0 && !flags_.BacklogOpen &&
        flags_.EngineState != EngineScreen::Story) {
      if (tolven::Screen* screen = CurrentScreen()) screen->KeyDown(key);
    }
    return;
  }
  if (!ActsOnPress(key)) ActionDown(*action);
}

void TForm1::ControllerButton(PadButton button, bool down) {
  const std::optional<InputAction> action = inputMap_.ForButton(button);
  if (!action) return;
  if (down) {
    ActionDown(*action);
  } else if (*action == InputAction::Skip) {
    ShiftUp();
  }
}

void TForm1::ActionDown(InputAction action) {
  if (!menuBar_.KeyFocus.empty()) return MenuKeyAction(action);
  switch (action) {
    case InputAction::Menu:
      return OpenMenuKeys();
    case InputAction::Advance:
    case InputAction::Back:
    case InputAction::Log:
      return PressAction(action);
    default:
      return KeyAction(action);
  }
}

void TForm1::KeyAction(InputAction action) {
  const int key = StandardKey(action);
  if (flags_.SystemMenuOpen != 0) {
    if (action == InputAction::Left || action == InputAction::Right || action == InputAction::Up ||
        action == InputAction::Down) {
      prompt_.StepAnswer(action == InputAction::Left || action == InputAction::Up ? -1 : 1);
    }
    return;
  }
  if (flags_.BacklogOpen) {
    if (action == InputAction::Up || action == InputAction::Down) {
      backlog_.LogWheel(action == InputAction::Up ? kWheelDelta : -kWheelDelta);
    }
    return;
  }
  const bool arrow = action == InputAction::Up || action == InputAction::Down ||
                     action == InputAction::Left || action == InputAction::Right;
  if (flags_.ChoiceMode == ChoiceKind::Select && (key == kKeyUp || key == kKeyDown)) {
    choices_.MovePointerOverAnswers(key == kKeyUp ? -1 : 1);
  } else if (arrow && flags_.ChoiceMode != ChoiceKind::None &&
             flags_.ChoiceMode != ChoiceKind::Select && flags_.EngineState == EngineScreen::Story &&
             !flags_.Busy && !flags_.EffectRunning) {
    StepChoiceEntry(key == kKeyUp || key == kKeyLeft ? -1 : 1);
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
  if (action == InputAction::Skip && !flags_.Busy) ShiftDown();
  if (action == InputAction::Auto) SpeedButton7Click();
  if (action == InputAction::Left && flags_.ChoiceMode == ChoiceKind::None) {
    backlog_.OpenHistory();
  }
}

void TForm1::StepChoiceEntry(int step) {
  std::vector<std::pair<int, int>> points;
  for (int n = 1; n <= kMaxChoiceEntries; ++n) {
    if (const std::optional<std::pair<int, int>> point = choices_.EntryPoint(n)) {
      points.push_back(*point);
    }
  }
  if (points.empty()) return;
  const int count = static_cast<int>(points.size());
  const auto at = std::find(points.begin(), points.end(), std::pair{pointerX_, pointerY_});
  const int index = at == points.end()
                        ? (step > 0 ? 0 : count - 1)
                        : (static_cast<int>(at - points.begin()) + step + count) % count;
  const auto [x, y] = points[static_cast<size_t>(index)];
  // The window's pointer follows, so the move it reports later lands on the same entry.
  host_.WarpPointer(x, y);
  PBMouseMove(x, y);
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
  if (inputMap_.ForKey(key) == InputAction::Skip) ShiftUp();
}

void TForm1::ShiftUp() {
  flags_.SkipState = 0;
  if (flags_.EngineState == EngineScreen::Story && !flags_.Busy) {
    state_.S(sv::kSkipButton) = 0;
    RefreshQuickButtons();
  }
}

void TForm1::FormKeyPress(char key) {
  const int virtualKey = static_cast<unsigned char>(key);
  if (!ActsOnPress(virtualKey)) return;
  if (const std::optional<InputAction> action = inputMap_.ForKey(virtualKey)) {
    return ActionDown(*action);
  }
  // Space, unless an action has it, hides the message window.
  if (virtualKey == kKeySpace && flags_.SystemMenuOpen == 0 && !flags_.BacklogOpen &&
      !flags_.Busy && flags_.EngineState == EngineScreen::Story &&
      (flags_.ChoiceMode == ChoiceKind::None || flags_.ChoiceMode == ChoiceKind::Select)) {
    backlog_.HidePicture();
  }
}

void TForm1::PressAction(InputAction action) {
  if (flags_.SystemMenuOpen != 0) {
    if (action == InputAction::Advance || action == InputAction::Back) {
      prompt_.AnswerByKey(action == InputAction::Advance);
    }
    return;
  }
  if (flags_.BacklogOpen) {
    if (action == InputAction::Log || action == InputAction::Back) backlog_.CloseLog();
    if (action == InputAction::Advance) ReplayNextLogVoice();
    return;
  }
  const int key = StandardKey(action);
  // A full-screen mode that knows the key takes it in place of the click at the pointer.
  if (flags_.EngineState != EngineScreen::Story && !movieShowing_ && !flags_.EffectRunning &&
      !flags_.Busy) {
    tolven::Screen* screen = CurrentScreen();
    if (screen != nullptr && screen->TakesKey(key)) return screen->KeyDown(key);
  }
  switch (action) {
    case InputAction::Log:
      if (flags_.EngineState == EngineScreen::Story) OpenLogFromStory();
      break;
    case InputAction::Advance:
      PBMouseDown(MouseButton::Left, pointerX_, pointerY_);
      break;
    case InputAction::Back:
      PBMouseDown(MouseButton::Right, pointerX_, pointerY_);
      break;
    default:
      break;
  }
}

void TForm1::ReplayNextLogVoice() {
  for (int i = 1; i <= kLogRows; ++i) {
    const int row = (logVoiceRow_ + i + kLogRows) % kLogRows;
    const std::string& voice = backlog_.LogRowVoice(row);
    if (voice.empty()) continue;
    logVoiceRow_ = row;
    sound_.PlayVoice(voice, false);
    return;
  }
}

// ---- The menu bar from the keyboard -------------------------------------------------------------

namespace {

struct MenuKey {
  const char* name;
  const MenuButton MenuBar::*button;  // a button of the bar, or
  const MenuItem MenuBar::*entry;     // an entry of the quit button's pop-up menu
  void (TForm1::*click)();
};

// In the order the bar shows them, then the pop-up's entries in theirs.
const std::array<MenuKey, 8> kBarKeys = {{
    {"SpeedButton1", &MenuBar::SpeedButton1, nullptr, &TForm1::SpeedButton1Click},
    {"SpeedButton4", &MenuBar::SpeedButton4, nullptr, &TForm1::SpeedButton4Click},
    {"SpeedButton3", &MenuBar::SpeedButton3, nullptr, &TForm1::SpeedButton3Click},
    {"SpeedButton5", &MenuBar::SpeedButton5, nullptr, &TForm1::SpeedButton5Click},
    {"SpeedButton2", &MenuBar::SpeedButton2, nullptr, &TForm1::SpeedButton2Click},
    {"SpeedButton7", &MenuBar::SpeedButton7, nullptr, &TForm1::SpeedButton7Click},
    {"SpeedButton8", &MenuBar::SpeedButton8, nullptr, &TForm1::SpeedButton8Click},
    {"SpeedButton6", &MenuBar::SpeedButton6, nullptr, &TForm1::SpeedButton6Click},
}};
const std::array<MenuKey, 4> kPopupKeys = {{
    {"N6", nullptr, &MenuBar::N6, &TForm1::N6Click},
    {"N7", nullptr, &MenuBar::N7, &TForm1::N7Click},
    {"N1", nullptr, &MenuBar::N1, &TForm1::N1Click},
    {"N2", nullptr, &MenuBar::N2, &TForm1::N2Click},
}};

// The names the keyboard can be on now: the bar's buttons that take a click, or the entries the
// open pop-up shows.
template <size_t N>
std::vector<const MenuKey*> Reachable(const MenuBar& menu, const std::array<MenuKey, N>& keys) {
  std::vector<const MenuKey*> reachable;
  for (const MenuKey& key : keys) {
    const bool shown = key.button != nullptr
                           ? (menu.*key.button).visible && (menu.*key.button).enabled
                           : (menu.*key.entry).visible;
    if (shown) reachable.push_back(&key);
  }
  return reachable;
}

const MenuKey* Step(const std::vector<const MenuKey*>& keys, const std::string& focus, int step) {
  if (keys.empty()) return nullptr;
  const int count = static_cast<int>(keys.size());
  int index = step > 0 ? 0 : count - 1;
  for (int i = 0; i < count; ++i) {
    if (keys[static_cast<size_t>(i)]->name == focus) index = (i + step + count) % count;
  }
  return keys[static_cast<size_t>(index)];
}

}  // namespace

void TForm1::OpenMenuKeys() {
  if (!menuBar_.Panel1Enabled || openDialog_ != nullptr) return;
  const std::vector<const MenuKey*> keys =
      menuBar_.PopupMenu1Open ? Reachable(menuBar_, kPopupKeys) : Reachable(menuBar_, kBarKeys);
  if (keys.empty()) return;
  menuBar_.KeyFocus = keys.front()->name;
  if (fullScreenActive_) menuBar_.Panel1Visible = true;
}

void TForm1::CloseMenuKeys() {
  menuBar_.KeyFocus.clear();
  if (fullScreenActive_) {
    menuBar_.Panel1Visible = pointerX_ <= kMenuHotRight && pointerY_ <= kMenuHotBottom;
  }
}

void TForm1::MenuKeyAction(InputAction action) {
  const bool inPopup = menuBar_.PopupMenu1Open;
  const std::vector<const MenuKey*> keys =
      inPopup ? Reachable(menuBar_, kPopupKeys) : Reachable(menuBar_, kBarKeys);
  // The bar may have changed under the focus (a button hidden, the pop-up closed by the mouse).
  const auto focused = std::find_if(
      keys.begin(), keys.end(), [&](const MenuKey* key) { return key->name == menuBar_.KeyFocus; });
  if (focused == keys.end()) {
    if (keys.empty() || !menuBar_.Panel1Enabled) return CloseMenuKeys();
    menuBar_.KeyFocus = keys.front()->name;
    if (action != InputAction::Advance) return;
  }
  switch (action) {
    case InputAction::Menu:
      menuBar_.PopupMenu1Open = false;
      return CloseMenuKeys();
    case InputAction::Back:
      if (!inPopup) return CloseMenuKeys();
      ClosePopupMenu();
      menuBar_.KeyFocus = "SpeedButton1";
      return;
    case InputAction::Left:
    case InputAction::Right:
      if (!inPopup)
        menuBar_.KeyFocus =
            Step(keys, menuBar_.KeyFocus, action == InputAction::Right ? 1 : -1)->name;
      return;
    case InputAction::Up:
    case InputAction::Down:
      if (inPopup)
        menuBar_.KeyFocus =
            Step(keys, menuBar_.KeyFocus, action == InputAction::Down ? 1 : -1)->name;
      return;
    case InputAction::Advance: {
      const MenuKey& key = **std::find_if(
          keys.begin(), keys.end(), [&](const MenuKey* k) { return k->name == menuBar_.KeyFocus; });
      // The keyboard goes back to the game first: a dialog or a question the click opens has it.
      CloseMenuKeys();
      (this->*key.click)();
      // The quit button's pop-up is walked in turn.
      if (key.button == &MenuBar::SpeedButton1 && menuBar_.PopupMenu1Open) OpenMenuKeys();
      return;
    }
    default:
      return;
  }
}

}  // namespace tolven
