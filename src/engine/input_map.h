#pragma once

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/trace.h"

namespace tolven {

// What a key or a controller button asks of the game, wherever the game then is: the same
// action advances a page, picks the highlighted place of a map or presses the focused button
// of the menu bar.
enum class InputAction { Advance, Back, Log, Skip, Auto, Menu, Up, Down, Left, Right };
inline constexpr int kInputActions = 10;

// The controller's buttons the game answers to, under SDL's names for them.
enum class PadButton {
  A,
  B,
  X,
  Y,
  Back,
  Start,
  LeftShoulder,
  RightShoulder,
  DpadUp,
  DpadDown,
  DpadLeft,
  DpadRight
};
inline constexpr int kPadButtons = 12;

std::string_view ActionName(InputAction action);
std::optional<InputAction> ActionByName(std::string_view name);
std::string_view PadButtonName(PadButton button);
std::optional<PadButton> PadButtonByName(std::string_view name);
// A key's virtual-key code by the name the settings and event files use: enter, escape, space,
// backspace, tab, shift, ctrl, left, right, up, down, f1-f12, or one letter or digit. Names
// are compared without regard to case.
std::optional<int> KeyCodeByName(std::string_view name);
// The key the screens and dialogs take for an action (their handlers are written for Enter,
// Escape and the arrows): a remapped key reaches them as that key.
int StandardKey(InputAction action);
// Keys that type a character (Enter, Escape, Space, Backspace) act when that character arrives
// rather than when they go down, as the main window has always taken them.
bool ActsOnPress(int virtualKey);
// The key a controller's action stands for in a dialog: Advance Enter, Back Escape, the pad the
// arrows, Skip Tab to the next control and Log Shift+Tab to the one before; none for the rest.
struct DialogKey {
  int key = 0;
  bool withShift = false;
};
std::optional<DialogKey> DialogKeyFor(InputAction action);

// The keys and buttons bound to each action. The defaults are the keys the game always had
// (Enter clicks, Escape right-clicks, Backspace the log, Shift skips, Ctrl auto-advance, the
// arrows) plus F10 for the menu bar, and the controller's A, B, shoulders, Y, Start and pad.
// The settings file's own section replaces an action's keys with `Key.ACTION=NAME[,NAME...]`
// and its buttons with `Button.ACTION=NAME[,NAME...]`.
class InputMap {
 public:
  InputMap();

  // Takes the Key.* and Button.* entries; anything it cannot read is named once in the trace
  // and left out, and the action keeps its default when nothing of its line could be read.
  void Configure(const std::vector<std::pair<std::string, std::string>>& entries, Trace& trace);

  std::optional<InputAction> ForKey(int virtualKey) const;
  std::optional<InputAction> ForButton(PadButton button) const;
  // The first key bound to the action, if any.
  std::optional<int> KeyFor(InputAction action) const;

 private:
  void Report(Trace& trace, const std::string& what);

  std::map<int, InputAction> keys_;
  std::map<PadButton, InputAction> buttons_;
  std::set<std::string> reported_;
};

}  // namespace tolven
