#include "platform/key_mapping.h"

#include "engine/engine_view.h"

namespace tolven {

std::optional<int> VirtualKeyFor(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  switch (key) {
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return kKeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return kKeyCtrl;
    case SDLK_LEFT:
      return kKeyLeft;
    case SDLK_UP:
      return kKeyUp;
    case SDLK_RIGHT:
      return kKeyRight;
    case SDLK_DOWN:
      return kKeyDown;
    case SDLK_F2:
      return kKeyF2;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return kKeyEnter;
    case SDLK_ESCAPE:
      return kKeyEscape;
    case SDLK_SPACE:
      return kKeySpace;
    case SDLK_BACKSPACE:
      return kKeyBackspace;
    default:
      return std::nullopt;
  }
}

std::optional<int> BindableKeyFor(SDL_Keycode key) {
  if (std::optional<int> virtualKey = VirtualKeyFor(key)) return virtualKey;
  constexpr int kKeyF1 = 112;
  if (key >= SDLK_F1 && key <= SDLK_F12) return kKeyF1 + (key - SDLK_F1);
  return std::nullopt;
}

std::optional<char> KeyPressFor(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return '\r';
    case SDLK_ESCAPE:
      return 27;
    case SDLK_SPACE:
      return ' ';
    case SDLK_BACKSPACE:
      return 8;
    default:
      return std::nullopt;
  }
}

std::string KeyPressesForText(std::string_view utf8Text) {
  std::string characters;
  for (char c : utf8Text) {
    if (c > ' ' && c < 127) characters += c;
  }
  return characters;
}

}  // namespace tolven
