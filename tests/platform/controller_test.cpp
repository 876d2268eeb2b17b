// A game controller as SDL gives it: a virtual pad plugged in while the window runs, its buttons
// reaching the engine as the game's own, and unplugged again.
#include <gtest/gtest.h>

#include <SDL.h>

#include <utility>
#include <vector>

#include "platform/probe_engine.h"
#include "platform/scoped_environment.h"
#include "platform/sdl_host.h"

namespace tolven {
namespace {

// The engine's probe, recording the pad's buttons.
class PadProbe : public testing::ProbeEngine {
 public:
  void ControllerButton(PadButton button, bool down) override {
    pressed.emplace_back(button, down);
  }
  std::vector<std::pair<PadButton, bool>> pressed;
};

TEST(ControllerTest, APadPluggedInWhileTheWindowRunsPlaysAndGoes) {
  testing::ScopedEnvironment video("SDL_VIDEODRIVER", "dummy");
  testing::ScopedEnvironment audio("SDL_AUDIODRIVER", "dummy");
  // The dummy window never has the focus, and SDL holds back pads from windows without it.
  testing::ScopedEnvironment background("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1");
  SdlHost host(1, nullptr);
  PadProbe engine;
  host.Attach(engine);
  host.ProcessMessages();

  const int device =
      SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, SDL_CONTROLLER_BUTTON_MAX, 0);
  ASSERT_GE(device, 0) << SDL_GetError();
  ASSERT_TRUE(SDL_IsGameController(device));
  host.ProcessMessages();  // the pad arrives and the window opens it
  SDL_Joystick* pad = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
  ASSERT_NE(pad, nullptr) << "opened by the window on arrival";

  auto press = [&](SDL_GameControllerButton button, bool down) {
    ASSERT_EQ(SDL_JoystickSetVirtualButton(pad, button, down ? 1 : 0), 0) << SDL_GetError();
    SDL_JoystickUpdate();
    host.ProcessMessages();
  };
  press(SDL_CONTROLLER_BUTTON_A, true);
  press(SDL_CONTROLLER_BUTTON_A, false);
  press(SDL_CONTROLLER_BUTTON_START, true);
  press(SDL_CONTROLLER_BUTTON_GUIDE, true);  // not one the game answers to
  const std::vector<std::pair<PadButton, bool>> expected = {
      {PadButton::A, true}, {PadButton::A, false}, {PadButton::Start, true}};
  EXPECT_EQ(engine.pressed, expected);

  ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0) << SDL_GetError();
  host.ProcessMessages();  // gone: the window closed it; the button it held is let go
  EXPECT_EQ(SDL_NumJoysticks(), 0);
  const std::vector<std::pair<PadButton, bool>> released = {{PadButton::A, true},
                                                            {PadButton::A, false},
                                                            {PadButton::Start, true},
                                                            {PadButton::Start, false}};
  EXPECT_EQ(engine.pressed, released);
}

}  // namespace
}  // namespace tolven
