#pragma once

#include <SDL_keycode.h>

#include <optional>
#include <string>
#include <string_view>

namespace tolven {

// The engine's virtual-key code for an SDL key (FormKeyDown, FormKeyUp); nothing for keys the
// engine never looks at.
std::optional<int> VirtualKeyFor(SDL_Keycode key);

// As VirtualKeyFor, and the function keys besides, which mean nothing to the game until the
// settings file's own section binds them (F10 takes the keys to the menu bar).
std::optional<int> BindableKeyFor(SDL_Keycode key);

// The character FormKeyPress gets for a key that types no text: Enter, Escape, Space and
// Backspace. Space is taken here rather than from text input so it counts once per press.
std::optional<char> KeyPressFor(SDL_Keycode key);

// The characters of a text-input event that reach FormKeyPress: printable ASCII other than the
// space. Anything else (kana from an input method, say) means nothing to the main window.
std::string KeyPressesForText(std::string_view utf8Text);

}  // namespace tolven
