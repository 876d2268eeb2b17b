#include "engine/input_map.h"

#include <algorithm>
#include <cctype>

#include "base/input.h"

namespace tolven {
namespace {

constexpr std::array<std::string_view, kInputActions> kActionNames = {
    "Advance", "Back", "Log", "Skip", "Auto", "Menu", "Up", "Down", "Left", "Right"};

constexpr std::array<std::string_view, kPadButtons> kButtonNames = {
    "a",    "b",      "x",      "y",      "back", "start", "leftshoulder", "rightshoulder",
    "dpup", "dpdown", "dpleft", "dpright"};

constexpr int kKeyTab = 9;
constexpr int kKeyF1 = 112;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> Names(std::string_view list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    if (std::string name = Trimmed(list.substr(start, comma - start)); !name.empty()) {
      names.push_back(std::move(name));
    }
    start = comma + 1;
  }
  return names;
}

}  // namespace

std::string_view ActionName(InputAction action) {
  return kActionNames[static_cast<size_t>(action)];
}

std::optional<InputAction> ActionByName(std::string_view name) {
  const std::string lower = Lower(name);
  for (size_t i = 0; i < kActionNames.size(); ++i) {
    if (Lower(kActionNames[i]) == lower) return static_cast<InputAction>(i);
  }
  return std::nullopt;
}

std::string_view PadButtonName(PadButton button) {
  return kButtonNames[static_cast<size_t>(button)];
}

std::optional<PadButton> PadButtonByName(std::string_view name) {
  const std::string lower = Lower(name);
  for (size_t i = 0; i < kButtonNames.size(); ++i) {
    if (kButtonNames[i] == lower) return static_cast<PadButton>(i);
  }
  return std::nullopt;
}

std::optional<int> KeyCodeByName(std::string_view name) {
  static const std::map<std::string, int> kNamed = {
      {"enter", kKeyEnter}, {"escape", kKeyEscape},
      {"space", kKeySpace}, {"backspace", kKeyBackspace},
      {"tab", kKeyTab},     {"shift", kKeyShift},
      {"ctrl", kKeyCtrl},   {"left", kKeyLeft},
      {"right", kKeyRight}, {"up", kKeyUp},
      {"down", kKeyDown}};
  const std::string lower = Lower(name);
  if (auto found = kNamed.find(lower); found != kNamed.end()) return found->second;
  if (lower.size() == 1 && std::isalnum(static_cast<unsigned char>(lower[0]))) {
    return std::toupper(static_cast<unsigned char>(lower[0]));
  }
  if (lower.size() >= 2 && lower.size() <= 3 && lower[0] == 'f') {
    int number = 0;
    for (size_t i = 1; i < lower.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(lower[i]))) return std::nullopt;
      number = number * 10 + (lower[i] - '0');
    }
    if (number >= 1 && number <= 12) return kKeyF1 + number - 1;
  }
  return std::nullopt;
}

int StandardKey(InputAction action) {
  switch (action) {
    case InputAction::Advance:
      return kKeyEnter;
    case InputAction::Back:
      return kKeyEscape;
    case InputAction::Log:
      return kKeyBackspace;
    case InputAction::Skip:
      return kKeyShift;
    case InputAction::Auto:
      return kKeyCtrl;
    case InputAction::Menu:
      return kKeyF1 + 9;
    case InputAction::Up:
      return kKeyUp;
    case InputAction::Down:
      return kKeyDown;
    case InputAction::Left:
      return kKeyLeft;
    case InputAction::Right:
      return kKeyRight;
  }
  return 0;
}

bool ActsOnPress(int virtualKey) {
  return virtualKey == kKeyEnter || virtualKey == kKeyEscape || virtualKey == kKeySpace ||
         virtualKey == kKeyBackspace;
}

std::optional<DialogKey> DialogKeyFor(InputAction action) {
  switch (action) {
    case InputAction::Advance:
    case InputAction::Back:
    case InputAction::Up:
    case InputAction::Down:
    case InputAction::Left:
    case InputAction::Right:
      return DialogKey{StandardKey(action), false};
    case InputAction::Skip:
      return DialogKey{kKeyTab, false};
    case InputAction::Log:
      return DialogKey{kKeyTab, true};
    default:
      return std::nullopt;
  }
}

InputMap::InputMap() {
  for (int i = 0; i < kInputActions; ++i) {
    const auto action = static_cast<InputAction>(i);
    keys_[StandardKey(action)] = action;
  }
  buttons_ = {
      {PadButton::A, InputAction::Advance},        {PadButton::B, InputAction::Back},
      {PadButton::LeftShoulder, InputAction::Log}, {PadButton::RightShoulder, InputAction::Skip},
      {PadButton::Y, InputAction::Auto},           {PadButton::Start, InputAction::Menu},
      {PadButton::DpadUp, InputAction::Up},        {PadButton::DpadDown, InputAction::Down},
      {PadButton::DpadLeft, InputAction::Left},    {PadButton::DpadRight, InputAction::Right}};
}

void InputMap::Report(Trace& trace, const std::string& what) {
  if (reported_.insert(what).second) trace.Write(what);
}

void InputMap::Configure(const std::vector<std::pair<std::string, std::string>>& entries,
                         Trace& trace) {
  for (const auto& [name, value] : entries) {
    const std::string lower = Lower(name);
    const bool isKey = lower.starts_with("key.");
    const bool isButton = lower.starts_with("button.");
    if (!isKey && !isButton) continue;
    const std::string_view actionName = std::string_view(name).substr(isKey ? 4 : 7);
    const std::optional<InputAction> action = ActionByName(actionName);
    if (!action) {
      Report(trace, "input map: unknown action \"" + std::string(actionName) + "\" in " + name);
      continue;
    }
    std::vector<int> keys;
    std::vector<PadButton> buttons;
    for (const std::string& bound : Names(value)) {
      bool known = false;
      if (isKey) {
        if (const std::optional<int> key = KeyCodeByName(bound)) {
          keys.push_back(*key);
          known = true;
        }
      } else if (const std::optional<PadButton> button = PadButtonByName(bound)) {
        buttons.push_back(*button);
        known = true;
      }
      if (!known) {
        Report(trace, std::string("input map: unknown ") + (isKey ? "key" : "button") + " \"" +
                          bound + "\" in " + name);
      }
    }
    // The line replaces what the action had; a key or button taken from another action leaves it.
    if (isKey && !keys.empty()) {
      std::erase_if(keys_, [&](const auto& entry) { return entry.second == *action; });
      for (int key : keys) keys_[key] = *action;
    }
    if (isButton && !buttons.empty()) {
      std::erase_if(buttons_, [&](const auto& entry) { return entry.second == *action; });
      for (PadButton button : buttons) buttons_[button] = *action;
    }
  }
}

std::optional<InputAction> InputMap::ForKey(int virtualKey) const {
  const auto found = keys_.find(virtualKey);
  if (found == keys_.end()) return std::nullopt;
  return found->second;
}

std::optional<InputAction> InputMap::ForButton(PadButton button) const {
  const auto found = buttons_.find(button);
  if (found == buttons_.end()) return std::nullopt;
  return found->second;
}

std::optional<int> InputMap::KeyFor(InputAction action) const {
  for (const auto& [key, bound] : keys_) {
    if (bound == action) return key;
  }
  return std::nullopt;
}

}  // namespace tolven
