#pragma once

#include <SDL.h>

#include "engine/engine_view.h"
#include "platform/controller.h"
#include "platform/frame_renderer.h"
#include "platform/game_window.h"

namespace tolven {

// Hands each SDL event to whoever owns it: the menu bar (ImGui) for the strip, the visible
// panel and an open popup menu; the engine's handlers for PB, the wheel, the keys and the close
// box. PB keeps the pointer while a button pressed on it is held, as a captured control does.
// Game controllers, plugged in at any time, go to the engine's actions or to the open dialog.
class InputRouter {
 public:
  InputRouter(EngineView& form, GameWindow& window, FrameRenderer& frames);

  void Handle(const SDL_Event& event);
  // While a message box drawn in the window is up, it takes the mouse and Enter or Escape.
  void HandleModal(const SDL_Event& event, MessageBoxView& box);
  // While a dialog is up it takes the mouse, the wheel, the keys and typed or composed text:
  // ImGui's widgets get them all, the model's key handlers the keys. The engine gets nothing.
  void HandleDialog(const SDL_Event& event, DialogView& dialog);
  // Runs the engine handlers behind menu clicks that ImGui frames caught.
  void PerformMenuCommands();

 private:
  void MouseButton(const SDL_MouseButtonEvent& event, bool down);
  void MouseMotion(const SDL_MouseMotionEvent& event);
  void MouseWheel(const SDL_MouseWheelEvent& event);
  void Key(const SDL_KeyboardEvent& event, bool down);
  void Text(const SDL_TextInputEvent& event);
  void ControllerButton(const SDL_ControllerButtonEvent& event, bool down);
  // A controller's button in a dialog: the key its action stands for there, to ImGui's
  // navigation and to the model alike.
  void DialogButton(const SDL_ControllerButtonEvent& event, bool down, DialogView& dialog);
  bool OverMenu(Point picture, int pbTop) const;
  bool PopupOpen() const;
  // ImGui takes the pointer; a changed button runs a frame so the click is not lost.
  void ToUi(Point picture, bool buttonChanged);
  // As ToUi, from window coordinates held inside the picture, so a drag that leaves it goes on.
  void ToUiClamped(int windowX, int windowY, bool buttonChanged);
  // A frame that is run and not drawn: ImGui sees each change of a key or button by itself.
  void RunUiFrame();
  void TrackUiButton(Uint8 button, bool down);
  // The pointer went from the menu to PB or out of the window.
  void LeaveUi();

  EngineView& form_;
  GameWindow& window_;
  FrameRenderer& frames_;
  unsigned pbButtons_ = 0;  // SDL button masks of the buttons pressed on PB
  unsigned menuButtons_ = 0;
  bool pointerOverUi_ = false;
  Controllers controllers_;
};

}  // namespace tolven
