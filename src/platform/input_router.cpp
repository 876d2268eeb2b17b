#include "platform/input_router.h"

#include <algorithm>

#include "platform/key_mapping.h"

namespace tolven {
namespace {

constexpr int kWheelNotch = 120;  // one notch, as the window system counts it

std::optional<tolven::MouseButton> EngineButton(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return MouseButton::Left;
    case SDL_BUTTON_RIGHT:
      return MouseButton::Right;
    case SDL_BUTTON_MIDDLE:
      return MouseButton::Middle;
    default:
      return std::nullopt;
  }
}

}  // namespace

InputRouter::InputRouter(EngineView& form, GameWindow& window, FrameRenderer& frames)
    : form_(form), window_(window), frames_(frames) {}

void InputRouter::Handle(const SDL_Event& event) {
  if (form_.Closed()) return;
  switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
      MouseButton(event.button, true);
      break;
    case SDL_MOUSEBUTTONUP:
      MouseButton(event.button, false);
      break;
    case SDL_MOUSEMOTION:
      MouseMotion(event.motion);
      break;
    case SDL_MOUSEWHEEL:
      MouseWheel(event.wheel);
      break;
    case SDL_KEYDOWN:
      Key(event.key, true);
      break;
    case SDL_KEYUP:
      Key(event.key, false);
      break;
    case SDL_TEXTINPUT:
      Text(event.text);
      break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
      controllers_.HotPlug(event);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      ControllerButton(event.cbutton, event.type == SDL_CONTROLLERBUTTONDOWN);
      break;
    // SDL turns the close box of the only window into a quit request.
    case SDL_QUIT:
      form_.Close();
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_LEAVE) LeaveUi();
      frames_.Invalidate();
      break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      frames_.Invalidate();
      break;
    // The input method's composition means nothing to the game; its text is ours to free.
    case SDL_TEXTEDITING_EXT:
      SDL_free(event.editExt.text);
      break;
    default:
      break;
  }
  PerformMenuCommands();
}

void InputRouter::PerformMenuCommands() {
  for (const MenuCommand& command : frames_.Ui().TakeCommands()) Perform(form_, command);
}

bool InputRouter::OverMenu(Point picture, int pbTop) const {
  const MenuBar& menu = form_.Menu();
  if (menu.PopupMenu1Open || menu.PopupMenu2Open || picture.y < pbTop) return true;
  return menu.Panel1Visible && picture.x < kPanel1Width && picture.y < kPanel1Height;
}

void InputRouter::HandleModal(const SDL_Event& event, MessageBoxView& box) {
  const ViewportMapping mapping = window_.Mapping();
  switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TrackUiButton(event.button.button, event.type == SDL_MOUSEBUTTONDOWN);
      if (auto picture = mapping.ToPicture(event.button.x, event.button.y)) ToUi(*picture, true);
      break;
    case SDL_MOUSEMOTION:
      if (auto picture = mapping.ToPicture(event.motion.x, event.motion.y)) ToUi(*picture, false);
      break;
    case SDL_KEYDOWN: {
      const SDL_Keycode key = event.key.keysym.sym;
      if (key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE) {
        box.Key(key != SDLK_ESCAPE);
      }
      break;
    }
    case SDL_WINDOWEVENT:
      frames_.Invalidate();
      break;
    default:
      break;
  }
}

void InputRouter::HandleDialog(const SDL_Event& event, DialogView& dialog) {
  ImGuiLayer& ui = frames_.Ui();
  switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TrackUiButton(event.button.button, event.type == SDL_MOUSEBUTTONDOWN);
      ToUiClamped(event.button.x, event.button.y, true);
      break;
    case SDL_MOUSEMOTION:
      ToUiClamped(event.motion.x, event.motion.y, false);
      break;
    case SDL_MOUSEWHEEL:
      ui.Wheel(static_cast<float>(event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                                  : event.wheel.y));
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const bool down = event.type == SDL_KEYDOWN;
      ui.Key(event.key.keysym.scancode, down, event.key.keysym.mod);
      if (const std::optional<int> virtualKey = VirtualKeyFor(event.key.keysym.sym)) {
        dialog.Key(*virtualKey, down);
      }
      RunUiFrame();
      break;
    }
    case SDL_TEXTINPUT:
      dialog.SetComposition({});
      ui.Text(event.text.text);
      RunUiFrame();
      break;
    case SDL_TEXTEDITING:
      dialog.SetComposition(event.edit.text);
      break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
      controllers_.HotPlug(event);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      DialogButton(event.cbutton, event.type == SDL_CONTROLLERBUTTONDOWN, dialog);
      break;
    case SDL_TEXTEDITING_EXT:
      dialog.SetComposition(event.editExt.text);
      SDL_free(event.editExt.text);
      break;
    // Nothing stays hovered once the pointer is gone, unless a button drags a control.
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_LEAVE && menuButtons_ == 0) LeaveUi();
      break;
    default:
      break;
  }
  frames_.Invalidate();
}

void InputRouter::ToUiClamped(int windowX, int windowY, bool buttonChanged) {
  const ViewportMapping mapping = window_.Mapping();
  const Rect& shown = mapping.Destination();
  const int x = std::clamp(windowX, shown.x, shown.x + std::max(shown.width, 1) - 1);
  const int y = std::clamp(windowY, shown.y, shown.y + std::max(shown.height, 1) - 1);
  if (const std::optional<Point> picture = mapping.ToPicture(x, y)) ToUi(*picture, buttonChanged);
}

void InputRouter::RunUiFrame() {
  const ViewportMapping mapping = window_.Mapping();
  frames_.Ui().Frame(form_.Menu(), mapping.PictureWidth(), mapping.PictureHeight(), false);
}

void InputRouter::TrackUiButton(Uint8 button, bool down) {
  const unsigned mask = SDL_BUTTON(button);
  menuButtons_ = down ? (menuButtons_ | mask) : (menuButtons_ & ~mask);
}

void InputRouter::ToUi(Point picture, bool buttonChanged) {
  pointerOverUi_ = true;
  ImGuiLayer& ui = frames_.Ui();
  ui.SetPointer(picture, (menuButtons_ & SDL_BUTTON_LMASK) != 0,
                (menuButtons_ & SDL_BUTTON_RMASK) != 0);
  if (buttonChanged) RunUiFrame();
  frames_.Invalidate();
}

void InputRouter::MouseButton(const SDL_MouseButtonEvent& event, bool down) {
  const ViewportMapping mapping = window_.Mapping();
  const std::optional<Point> picture = mapping.ToPicture(event.x, event.y);
  const unsigned mask = SDL_BUTTON(event.button);
  const std::optional<tolven::MouseButton> button = EngineButton(event.button);
  if (!down && (pbButtons_ & mask) != 0) {
    pbButtons_ &= ~mask;
    const Point pb = mapping.ToPbClamped(event.x, event.y);
    if (button) form_.PBMouseUp(*button, pb.x, pb.y);
    return;
  }
  if (picture && (OverMenu(*picture, mapping.PbTop()) || (!down && (menuButtons_ & mask) != 0))) {
    TrackUiButton(event.button, down);
    ToUi(*picture, true);
    return;
  }
  menuButtons_ &= ~mask;
  const std::optional<Point> pb = mapping.ToPb(event.x, event.y);
  if (!down || !pb || !button) return;
  pbButtons_ |= mask;
  form_.PBMouseDown(*button, pb->x, pb->y);
}

void InputRouter::MouseMotion(const SDL_MouseMotionEvent& event) {
  const ViewportMapping mapping = window_.Mapping();
  if (pbButtons_ != 0) {
    const Point pb = mapping.ToPbClamped(event.x, event.y);
    form_.PBMouseMove(pb.x, pb.y);
    return;
  }
  const std::optional<Point> picture = mapping.ToPicture(event.x, event.y);
  if (picture && OverMenu(*picture, mapping.PbTop())) {
    ToUi(*picture, false);
    return;
  }
  LeaveUi();
  const std::optional<Point> pb = mapping.ToPb(event.x, event.y);
  if (pb) form_.PBMouseMove(pb->x, pb->y);
}

void InputRouter::LeaveUi() {
  if (!pointerOverUi_) return;
  pointerOverUi_ = false;
  frames_.Ui().PointerAway();
  frames_.Invalidate();  // the hovered button lights up no more
}

void InputRouter::MouseWheel(const SDL_MouseWheelEvent& event) {
  if (event.y == 0 || PopupOpen()) return;
  // Positive is away from the user on both sides, unless the system turns the wheel around.
  const int notches = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
  form_.FormMouseWheel(notches * kWheelNotch);
}

void InputRouter::Key(const SDL_KeyboardEvent& event, bool down) {
  const SDL_Keycode key = event.keysym.sym;
  // A pop-up menu the keyboard opened from the menu bar is the keyboard's to walk.
  if (PopupOpen() && form_.Menu().KeyFocus.empty()) {
    // An open popup menu takes the keyboard; Escape closes it.
    if (down && key == SDLK_ESCAPE) {
      if (form_.Menu().PopupMenu1Open) {
        form_.ClosePopupMenu();
      } else {
        form_.ClosePopupMenu2();
      }
    }
    return;
  }
  if (const std::optional<int> virtualKey = BindableKeyFor(key)) {
    if (down) {
      form_.FormKeyDown(*virtualKey);
    } else {
      form_.FormKeyUp(*virtualKey);
    }
  }
  if (down) {
    if (const std::optional<char> pressed = KeyPressFor(key)) form_.FormKeyPress(*pressed);
  }
}

void InputRouter::ControllerButton(const SDL_ControllerButtonEvent& event, bool down) {
  const std::optional<PadButton> button = Controllers::ButtonOf(event);
  if (!button) return;
  if (PopupOpen() && form_.Menu().KeyFocus.empty()) {
    // As Escape does, the back button of the pad closes a pop-up the pointer opened.
    if (down && form_.ButtonAction(*button) == InputAction::Back) {
      if (form_.Menu().PopupMenu1Open) {
        form_.ClosePopupMenu();
      } else {
        form_.ClosePopupMenu2();
      }
    }
    return;
  }
  form_.ControllerButton(*button, down);
}

void InputRouter::DialogButton(const SDL_ControllerButtonEvent& event, bool down,
                               DialogView& dialog) {
  const std::optional<PadButton> button = Controllers::ButtonOf(event);
  const std::optional<InputAction> action = button ? form_.ButtonAction(*button) : std::nullopt;
  const std::optional<DialogKey> key = action ? DialogKeyFor(*action) : std::nullopt;
  if (!key) return;
  SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN;
  switch (key->key) {
    case kKeyEnter:
      scancode = SDL_SCANCODE_RETURN;
      break;
    case kKeyEscape:
      scancode = SDL_SCANCODE_ESCAPE;
      break;
    case kKeyUp:
      scancode = SDL_SCANCODE_UP;
      break;
    case kKeyDown:
      scancode = SDL_SCANCODE_DOWN;
      break;
    case kKeyLeft:
      scancode = SDL_SCANCODE_LEFT;
      break;
    case kKeyRight:
      scancode = SDL_SCANCODE_RIGHT;
      break;
    default:
      scancode = SDL_SCANCODE_TAB;
      break;
  }
  const Uint16 modifiers = key->withShift ? KMOD_LSHIFT : KMOD_NONE;
  frames_.Ui().Key(scancode, down, modifiers);
  if (key->withShift && down) dialog.Key(kKeyShift, true);
  dialog.Key(key->key, down);
  if (key->withShift && !down) dialog.Key(kKeyShift, false);
  RunUiFrame();
}

bool InputRouter::PopupOpen() const {
  return form_.Menu().PopupMenu1Open || form_.Menu().PopupMenu2Open;
}

void InputRouter::Text(const SDL_TextInputEvent& event) {
  if (PopupOpen()) return;
  for (char c : KeyPressesForText(event.text)) form_.FormKeyPress(c);
}

}  // namespace tolven
