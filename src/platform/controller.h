#pragma once

#include <SDL.h>

#include <map>
#include <optional>

#include "engine/input_map.h"

namespace tolven {

// The game controllers plugged in, opened as they come and closed as they go. Any of them plays:
// their buttons are told apart by SDL's standard layout, not by which pad pressed them.
class Controllers {
 public:
  Controllers();
  ~Controllers();
  Controllers(const Controllers&) = delete;
  Controllers& operator=(const Controllers&) = delete;

  // SDL_CONTROLLERDEVICEADDED and SDL_CONTROLLERDEVICEREMOVED; false for any other event.
  bool HotPlug(const SDL_Event& event);
  // The button of a button event the game answers to; nothing for the others (the guide, the
  // sticks pressed in, the paddles).
  static std::optional<PadButton> ButtonOf(const SDL_ControllerButtonEvent& event);

 private:
  bool started_ = false;
  std::map<SDL_JoystickID, SDL_GameController*> open_;
};

}  // namespace tolven
