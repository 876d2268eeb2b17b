#include "dialogs/dialog_navigation.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "base/input.h"

namespace tolven {
namespace {

bool TakesInput(const Control& control) {
  if (!control.visible || !control.enabled) return false;
  switch (control.kind) {
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::CheckBox:
    case ControlKind::RadioGroup:
    case ControlKind::TrackBar:
    case ControlKind::SpinEdit:
    case ControlKind::ComboBox:
    case ControlKind::ListView:
      return true;
    default:
      return false;
  }
}

int Number(const std::string& text, int otherwise) {
  int value = otherwise;
  const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() ? value : otherwise;
}

std::optional<Control> Focused(const DialogModel& dialog) {
  if (dialog.keys.focus.empty()) return std::nullopt;
  for (Control& control : dialog.Controls()) {
    if (control.name == dialog.keys.focus && TakesInput(control)) return std::move(control);
  }
  return std::nullopt;
}

void MoveFocus(DialogModel& dialog, int step) {
  std::vector<std::string> names;
  for (const Control& control : dialog.Controls()) {
    if (TakesInput(control)) names.push_back(control.name);
  }
  if (names.empty()) return;
  const auto at = std::find(names.begin(), names.end(), dialog.keys.focus);
  const int count = static_cast<int>(names.size());
  int index = 0;
  if (at == names.end()) {
    index = step > 0 ? 0 : count - 1;
  } else {
    index = (static_cast<int>(at - names.begin()) + step + count) % count;
  }
  dialog.keys.focus = names[static_cast<size_t>(index)];
}

// Left and Right on the focused control; Up and Down in a list.
void Step(DialogModel& dialog, const Control& control, int step) {
  switch (control.kind) {
    case ControlKind::RadioGroup: {
      const int last = static_cast<int>(control.items.size()) - 1;
      const int item = std::clamp(Number(control.value, 0) + step, 0, std::max(last, 0));
      dialog.Set(control.name, std::to_string(item));
      break;
    }
    case ControlKind::TrackBar:
    case ControlKind::SpinEdit: {
      const int position = std::clamp(Number(control.value, control.minimum) + step,
                                      control.minimum, std::max(control.minimum, control.maximum));
      dialog.Set(control.name, std::to_string(position));
      break;
    }
    case ControlKind::CheckBox:
      dialog.Set(control.name, step > 0 ? "1" : "0");
      break;
    case ControlKind::ComboBox: {
      if (control.items.empty()) break;
      const auto at = std::find(control.items.begin(), control.items.end(), control.value);
      const int last = static_cast<int>(control.items.size()) - 1;
      const int index =
          at == control.items.end()
              ? 0
              : std::clamp(static_cast<int>(at - control.items.begin()) + step, 0, last);
      dialog.Set(control.name, control.items[static_cast<size_t>(index)]);
      break;
    }
    case ControlKind::ListView: {
      if (control.rows.empty()) break;
      const int last = static_cast<int>(control.rows.size()) - 1;
      const int row = Number(control.value, -1);
      dialog.Set(control.name, std::to_string(row < 0 ? 0 : std::clamp(row + step, 0, last)));
      break;
    }
    default:
      break;
  }
}

// Enter or Space on the focused control; false when the control has nothing to do with it.
bool Activate(DialogModel& dialog, const Control& control) {
  switch (control.kind) {
    case ControlKind::Button:
      dialog.Press(control.name);
      return true;
    case ControlKind::CheckBox:
      dialog.Set(control.name, control.value == "1" ? "0" : "1");
      return true;
    case ControlKind::ListView:
      if (Number(control.value, -1) >= 0) dialog.Press(control.name + ".dblclick");
      return true;
    default:
      return false;
  }
}

bool Arrow(int key) {
  return key == kKeyUp || key == kKeyDown || key == kKeyLeft || key == kKeyRight;
}

}  // namespace

void DialogKeyDown(DialogModel& dialog, int key, bool moveFocus) {
  DialogKeyState& keys = dialog.keys;
  if (key == kKeyShift) keys.shiftDown = true;
  if (key == kKeyEnter) keys.enterDown = true;
  if (key == kKeyEscape) keys.escapeDown = true;
  const std::optional<Control> focused = Focused(dialog);
  if (moveFocus && key == kKeyTab) return MoveFocus(dialog, keys.shiftDown ? -1 : 1);
  if (moveFocus && focused && Arrow(key)) {
    const bool vertical = key == kKeyUp || key == kKeyDown;
    const int step = key == kKeyUp || key == kKeyLeft ? -1 : 1;
    if (vertical && focused->kind != ControlKind::ListView) return MoveFocus(dialog, step);
    return Step(dialog, *focused, step);
  }
  if (moveFocus && focused && key == kKeySpace) {
    if (Activate(dialog, *focused)) return;
  }
  // Enter on a control that takes it acts when released.
  if (focused && key == kKeyEnter && focused->kind != ControlKind::Edit &&
      focused->kind != ControlKind::RadioGroup && focused->kind != ControlKind::TrackBar &&
      focused->kind != ControlKind::SpinEdit && focused->kind != ControlKind::ComboBox) {
    return;
  }
  dialog.KeyDown(key);
}

void DialogKeyUp(DialogModel& dialog, int key, bool moveFocus) {
  DialogKeyState& keys = dialog.keys;
  if (key == kKeyShift) keys.shiftDown = false;
  const std::optional<Control> focused = Focused(dialog);
  if (moveFocus && (key == kKeyTab || (focused && (Arrow(key) || key == kKeySpace)))) return;
  if (key == kKeyEnter) {
    const bool wentDown = keys.enterDown;
    keys.enterDown = false;
    if (wentDown && focused && Activate(dialog, *focused)) return;
    dialog.KeyUp(key);
    if (wentDown && !dialog.Closed() && !dialog.DefaultButton().empty()) {
      dialog.Press(dialog.DefaultButton());
    }
    return;
  }
  if (key == kKeyEscape) {
    const bool wentDown = keys.escapeDown;
    keys.escapeDown = false;
    dialog.KeyUp(key);
    if (wentDown && !dialog.Closed() && !dialog.CancelButton().empty()) {
      dialog.Press(dialog.CancelButton());
    }
    return;
  }
  dialog.KeyUp(key);
}

}  // namespace tolven
