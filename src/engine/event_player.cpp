#include "engine/event_player.h"

#include <map>

#include "base/file_writer.h"
#include "engine/form1.h"
#include "engine/state_dump.h"
#include "resources/png_io.h"

namespace tolven {
namespace {

struct KeyCodes {
  int virtualKey;  // for key down and up
  char character;  // for the key press; 0 when the key gives none
};

std::optional<KeyCodes> KeyByName(const std::string& name) {
  static const std::map<std::string, KeyCodes> keys = {
      {"shift", {kKeyShift, 0}},    {"ctrl", {kKeyCtrl, 0}},     {"enter", {kKeyEnter, '\r'}},
      {"escape", {kKeyEscape, 27}}, {"space", {kKeySpace, ' '}}, {"backspace", {kKeyBackspace, 8}},
      {"left", {kKeyLeft, 0}},      {"right", {kKeyRight, 0}},   {"up", {kKeyUp, 0}},
      {"down", {kKeyDown, 0}},      {"f2", {kKeyF2, 0}}};
  auto found = keys.find(name);
  if (found != keys.end()) return found->second;
  // Keys that type nothing the main window takes: tab and f1-f12.
  if (name.size() != 1) {
    if (const std::optional<int> code = KeyCodeByName(name)) return KeyCodes{*code, 0};
    return std::nullopt;
  }
  const char c = name[0];
  const int virtualKey = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : static_cast<unsigned char>(c);
  return KeyCodes{virtualKey, c};
}

// The commands that leave the engine as it is.
bool OnlyLooks(EventCommand::Kind kind) {
  using Kind = EventCommand::Kind;
  return kind == Kind::Wait || kind == Kind::Until || kind == Kind::Shot || kind == Kind::Dump ||
         kind == Kind::Answer;
}

}  // namespace

EventPlayer::EventPlayer(std::vector<EventCommand> events, std::string fileName)
    : events_(std::move(events)), fileName_(std::move(fileName)) {}

std::optional<uint32_t> EventPlayer::NextLookDue() const {
  const int floor = modalFloors_.empty() ? 0 : modalFloors_.back();
  if (form_ == nullptr || failed_ || running_ > floor || next_ >= events_.size() ||
      !OnlyLooks(events_[next_].kind)) {
    return std::nullopt;
  }
  return dueAt_;
}

bool EventPlayer::Deliver(uint32_t now, bool looksOnly) {
  if (form_ == nullptr) return false;
  const size_t first = next_;
  // While a command runs (a pick that blinks, a click that starts a transition), the messages
  // it processes deliver nothing: the next command waits for it to finish. A dialog's loop
  // waiting for input is the exception, since only the commands after the one that opened it
  // can close it; the commands it runs in turn hold the rest back again.
  const int floor = modalFloors_.empty() ? 0 : modalFloors_.back();
  if (running_ > floor) return false;
  while (next_ < events_.size() && now >= dueAt_ && !failed_ && !form_->Closed()) {
    if (looksOnly && !OnlyLooks(events_[next_].kind)) break;
    // A dialog just closed by a command is gone only once its loop has returned: the commands
    // after it go to the game from there.
    if (const DialogModel* dialog = form_->OpenDialog(); dialog != nullptr && dialog->Closed()) {
      break;
    }
    // Taken before it runs, so the dialog's loop goes on with the commands after it; one that
    // has to wait is put back.
    const size_t index = next_++;
    ++running_;
    const bool done = Execute(events_[index], now);
    --running_;
    if (!done) {
      next_ = index;
      break;
    }
  }
  return next_ != first;
}

std::optional<MessageResult> EventPlayer::TakeAnswer() {
  std::optional<MessageResult> answer = answer_;
  answer_.reset();
  return answer;
}

void EventPlayer::CloseAtEnd() {
  if (form_ == nullptr || failed_ || form_->Closed()) return;
  answer_ = MessageResult::Ok;
  form_->Close();
}

bool EventPlayer::Execute(const EventCommand& command, uint32_t now) {
  TForm1& form = *form_;
  using Kind = EventCommand::Kind;
  const MouseButton button = command.right ? MouseButton::Right : MouseButton::Left;
  switch (command.kind) {
    case Kind::Wait:
      dueAt_ = now + static_cast<uint32_t>(command.amount);
      break;
    case Kind::Until:
      return Until(command, now);
    case Kind::Click:
      form.PBMouseMove(command.x, command.y);
      form.PBMouseDown(button, command.x, command.y);
      form.PBMouseUp(button, command.x, command.y);
      break;
    case Kind::Move:
      form.PBMouseMove(command.x, command.y);
      break;
    case Kind::Wheel:
      form.FormMouseWheel(command.amount);
      break;
    case Kind::Key:
      Key(command);
      break;
    case Kind::Button:
      Button(command);
      break;
    case Kind::Answer:
      answer_ = command.word == "ok" ? MessageResult::Ok : MessageResult::Cancel;
      break;
    case Kind::Shot: {
      std::string why;
      if (!WriteFileAtomically(command.text, EncodePng(form.PB()), &why)) {
        Fail(RunResult::BadEvent, command, why);
      }
      break;
    }
    case Kind::Dump: {
      std::string why;
      if (!WriteStateDump(form, command.text, why)) Fail(RunResult::BadEvent, command, why);
      break;
    }
    case Kind::Quit:
      form.Close();
      break;
    case Kind::ShotWindow:
      if (!windowCommand || !windowCommand(command)) {
        Fail(RunResult::BadEvent, command, "shot-window needs a window");
      }
      break;
    case Kind::Choose:
      return Choose(command);
    // As the save list's buttons do; a run that is busy takes them when it is free again.
    case Kind::SaveSlot:
      if (form.Flags().Busy) return false;
      form.SaveSlot(command.amount);
      break;
    case Kind::LoadSlot:
      if (form.Flags().Busy) return false;
      form.LoadSlot(command.amount);
      break;
    case Kind::Set:
    case Kind::Press:
      ActOnControl(command);
      break;
  }
  return true;
}

bool EventPlayer::Until(const EventCommand& command, uint32_t now) {
  if (!untilStarted_) untilStarted_ = now;
  const EngineFlags& flags = form_->Flags();
  bool holds = form_->WaitingForInput();
  if (command.word == "page") holds = flags.PageWait != PageWaitKind::None;
  if (command.word == "choice") holds = flags.ChoiceMode != ChoiceKind::None;
  if (command.word == "dialog") {
    holds = form_->OpenDialog() != nullptr && form_->OpenDialog()->Name() == command.text;
  }
  // A window shows black where PB was until the movie's first frame arrives; a shot taken
  // then would show no movie, so the movie counts as shown only from that frame on.
  if (command.word == "movie") {
    holds = form_->MovieShowing() && (!movieFrameReady || movieFrameReady());
  }
  if (command.word == "no-movie") holds = !form_->MovieShowing();
  if (holds) {
    untilStarted_.reset();
    return true;
  }
  if (now - *untilStarted_ >= static_cast<uint32_t>(command.amount)) {
    Fail(RunResult::UntilTimedOut, command,
         "until " + command.word + (command.text.empty() ? "" : " " + command.text) +
             " not reached within " + std::to_string(command.amount) + " ms");
  }
  return false;
}

// As a left click on the entry; a click the guard would swallow is held back until the guard
// has run down, so a scenario need not count idle steps after the click that opened the choice.
bool EventPlayer::Choose(const EventCommand& command) {
  TForm1& form = *form_;
  if (form.Flags().ClickGuard > 0 || form.Flags().Busy) return false;
  const std::optional<std::pair<int, int>> point = form.ChoiceScreen().EntryPoint(command.amount);
  if (form.Flags().ChoiceMode == ChoiceKind::None || !point) {
    Fail(RunResult::BadEvent, command,
         "no choice entry " + std::to_string(command.amount) +
             " is shown where a click can pick it");
    return true;
  }
  form.PBMouseMove(point->first, point->second);
  form.PBMouseDown(MouseButton::Left, point->first, point->second);
  form.PBMouseUp(MouseButton::Left, point->first, point->second);
  return true;
}

void EventPlayer::Key(const EventCommand& command) {
  std::optional<KeyCodes> key = KeyByName(command.word);
  if (!key) return Fail(RunResult::BadEvent, command, "unknown key \"" + command.word + "\"");
  if (DialogModel* dialog = form_->OpenDialog()) {
    if (command.direction != "up") DialogKeyDown(*dialog, key->virtualKey);
    if (command.direction != "down") DialogKeyUp(*dialog, key->virtualKey);
    return;
  }
  if (command.direction != "up") form_->FormKeyDown(key->virtualKey);
  if (command.direction.empty() && key->character != 0) form_->FormKeyPress(key->character);
  if (command.direction != "down") form_->FormKeyUp(key->virtualKey);
}

// A controller's button goes where a window host sends it: to the open dialog as the key its
// action stands for there, else to the game.
void EventPlayer::Button(const EventCommand& command) {
  const std::optional<PadButton> button = PadButtonByName(command.word);
  if (!button) return Fail(RunResult::BadEvent, command, "unknown button \"" + command.word + "\"");
  if (DialogModel* dialog = form_->OpenDialog()) {
    const std::optional<InputAction> action = form_->Inputs().ForButton(*button);
    const std::optional<DialogKey> key = action ? DialogKeyFor(*action) : std::nullopt;
    if (!key) return;
    if (command.direction != "up") {
      if (key->withShift) DialogKeyDown(*dialog, kKeyShift);
      DialogKeyDown(*dialog, key->key);
    }
    if (command.direction != "down") {
      DialogKeyUp(*dialog, key->key);
      if (key->withShift) DialogKeyUp(*dialog, kKeyShift);
    }
    return;
  }
  if (command.direction != "up") form_->ControllerButton(*button, true);
  if (command.direction != "down") form_->ControllerButton(*button, false);
}

// The open dialog's controls; with none open, the menu bar's buttons.
void EventPlayer::ActOnControl(const EventCommand& command) {
  DialogModel* dialog = form_->OpenDialog();
  if (dialog == nullptr) {
    if (command.kind == EventCommand::Kind::Press && PressMenuButton(command.word)) return;
    return Fail(RunResult::BadEvent, command, "no dialog is open for " + command.word);
  }
  const ControlAction action = command.kind == EventCommand::Kind::Set
                                   ? dialog->Set(command.word, command.text)
                                   : dialog->Press(command.word);
  if (action == ControlAction::UnknownControl) {
    Fail(RunResult::BadEvent, command,
         std::string(dialog->Name()) + " has no control \"" + command.word + "\" to take this");
  }
}

// The menu bar's buttons and the entries of the pop-up menu under its quit button, by name.
bool EventPlayer::PressMenuButton(const std::string& name) {
  TForm1& form = *form_;
  const MenuBar& menu = form.Menu();
  // A button takes the click while it shows, is enabled and the bar is; a pop-up entry only
  // while the menu is open and the entry shows.
  auto button = [&](const MenuButton MenuBar::*b) {
    return menu.Panel1Enabled && (menu.*b).visible && (menu.*b).enabled;
  };
  auto entry = [&](const MenuItem MenuBar::*e) { return menu.PopupMenu1Open && (menu.*e).visible; };
  using Click = void (TForm1::*)();
  const std::map<std::string, std::pair<bool, Click>> controls = {
      {"SpeedButton1", {button(&MenuBar::SpeedButton1), &TForm1::SpeedButton1Click}},
      {"SpeedButton2", {button(&MenuBar::SpeedButton2), &TForm1::SpeedButton2Click}},
      {"SpeedButton3", {button(&MenuBar::SpeedButton3), &TForm1::SpeedButton3Click}},
      {"SpeedButton4", {button(&MenuBar::SpeedButton4), &TForm1::SpeedButton4Click}},
      {"SpeedButton5", {button(&MenuBar::SpeedButton5), &TForm1::SpeedButton5Click}},
      {"SpeedButton6", {button(&MenuBar::SpeedButton6), &TForm1::SpeedButton6Click}},
      {"SpeedButton7", {button(&MenuBar::SpeedButton7), &TForm1::SpeedButton7Click}},
      {"SpeedButton8", {button(&MenuBar::SpeedButton8), &TForm1::SpeedButton8Click}},
      {"N6", {entry(&MenuBar::N6), &TForm1::N6Click}},
      {"N7", {entry(&MenuBar::N7), &TForm1::N7Click}},
      {"N1", {entry(&MenuBar::N1), &TForm1::N1Click}},
      {"N2", {entry(&MenuBar::N2), &TForm1::N2Click}},
      {"PU_Post1", {form.PopupMenu2Open(), &TForm1::PU_Post1Click}},
      {"PU_Post2", {form.PopupMenu2Open(), &TForm1::PU_Post2Click}}};
  const auto found = controls.find(name);
  if (found == controls.end()) return false;
  const auto [clickable, click] = found->second;
  if (clickable) (form.*click)();
  return true;
}

void EventPlayer::Fail(RunResult result, const EventCommand& command, const std::string& why) {
  failed_ = result;
  error_ = fileName_ + ":" + std::to_string(command.line) + ": " + why;
}

}  // namespace tolven
