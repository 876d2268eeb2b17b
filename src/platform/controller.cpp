#include "platform/controller.h"

namespace tolven {

// Pads plugged in before the start arrive as added devices too, once events are read. Without
// the subsystem (no joystick support) no pad ever arrives and the keys play alone.
Controllers::Controllers() : started_(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {}

Controllers::~Controllers() {
  for (const auto& [id, controller] : open_) SDL_GameControllerClose(controller);
  if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool Controllers::HotPlug(const SDL_Event& event) {
  if (event.type == SDL_CONTROLLERDEVICEADDED) {
    // The added event names a device index; the removed one an instance id.
    if (SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which)) {
      const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
      if (!open_.emplace(id, controller).second) SDL_GameControllerClose(controller);
    }
    return true;
  }
  if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
    if (auto found = open_.find(event.cdevice.which); found != open_.end()) {
      SDL_GameControllerClose(found->second);
      open_.erase(found);
    }
    return true;
  }
  return false;
}

std::optional<PadButton> Controllers::ButtonOf(const SDL_ControllerButtonEvent& event) {
  switch (event.button) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
      return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X:
      return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y:
      return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_BACK:
      return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_START:
      return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return PadButton::RightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return PadButton::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return PadButton::DpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadButton::DpadRight;
    default:
      return std::nullopt;
  }
}

}  // namespace tolven
