// SDL keys to the engine's virtual-key codes and key-press characters.
#include "platform/key_mapping.h"

#include <gtest/gtest.h>

#include "engine/engine_view.h"

namespace tolven {
namespace {

struct KeyCase {
  SDL_Keycode key;
  std::optional<int> virtualKey;
  std::optional<char> pressed;
};

const KeyCase kKeys[] = {
    {SDLK_a, 'A', std::nullopt},
    {SDLK_z, 'Z', std::nullopt},
    {SDLK_0, '0', std::nullopt},
    {SDLK_9, '9', std::nullopt},
    {SDLK_LSHIFT, kKeyShift, std::nullopt},
    {SDLK_RSHIFT, kKeyShift, std::nullopt},
    {SDLK_LCTRL, kKeyCtrl, std::nullopt},
    {SDLK_RCTRL, kKeyCtrl, std::nullopt},
    {SDLK_LEFT, kKeyLeft, std::nullopt},
    {SDLK_UP, kKeyUp, std::nullopt},
    {SDLK_RIGHT, kKeyRight, std::nullopt},
    {SDLK_DOWN, kKeyDown, std::nullopt},
    {SDLK_F2, kKeyF2, std::nullopt},
    {SDLK_RETURN, kKeyEnter, '\r'},
    {SDLK_KP_ENTER, kKeyEnter, '\r'},
    {SDLK_ESCAPE, kKeyEscape, 27},
    {SDLK_SPACE, kKeySpace, ' '},
    {SDLK_BACKSPACE, kKeyBackspace, 8},
    {SDLK_F1, std::nullopt, std::nullopt},
    {SDLK_TAB, std::nullopt, std::nullopt},
    {SDLK_LALT, std::nullopt, std::nullopt},
};

TEST(KeyMappingTest, GivesVirtualKeysAndKeyPresses) {
  for (const KeyCase& c : kKeys) {
    EXPECT_EQ(VirtualKeyFor(c.key), c.virtualKey) << "key " << c.key;
    EXPECT_EQ(KeyPressFor(c.key), c.pressed) << "key " << c.key;
  }
}

TEST(KeyMappingTest, TextInputGivesPrintableAsciiOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"a", "a"}, {"A1!~", "A1!~"}, {" ", ""}, {"\x7f", ""}, {"あ", ""}, {"xあy", "xy"},
  };
  for (const auto& [text, pressed] : cases) EXPECT_EQ(KeyPressesForText(text), pressed) << text;
}

}  // namespace
}  // namespace tolven
