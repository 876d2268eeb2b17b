#pragma once

#include <cstdint>

#include "base/input.h"
#include "engine/input_map.h"
#include "engine/menu_bar.h"
#include "resources/paint_box.h"

namespace tolven {

// What a window host sees of the engine: the frame loop's two callbacks, the input handlers,
// the picture to present and the menu bar to draw with its handlers. Nothing else of the engine
// object is the host's business.
class EngineView {
 public:
  virtual ~EngineView() = default;

  // One step of the frame loop; paces itself to at least 30 ms.
  virtual void AppIdle() = 0;
  // Runs every 55 ms timer tick that is due by the host's clock.
  virtual void RunDueTimerTicks() = 0;

  // Input, in game-screen (PB) coordinates 0-799 by 0-599.
  virtual void PBMouseDown(MouseButton button, int x, int y) = 0;
  virtual void PBMouseMove(int x, int y) = 0;
  virtual void PBMouseUp(MouseButton button, int x, int y) = 0;
  virtual void FormMouseWheel(int wheelDelta) = 0;
  virtual void FormKeyDown(int key) = 0;
  virtual void FormKeyUp(int key) = 0;
  virtual void FormKeyPress(char key) = 0;
  // A game controller's button, pressed or released.
  virtual void ControllerButton(PadButton /*button*/, bool /*down*/) {}
  // The action a button is bound to, for the dialogs, which take it as the key it stands for.
  virtual std::optional<InputAction> ButtonAction(PadButton button) const {
    return InputMap().ForButton(button);
  }

  // The game screen (PB) with its change count.
  virtual const PaintBox& Screen() const = 0;

  // The menu bar (Panel1), its popup menus (PopupMenu1, PopupMenu2) and their handlers.
  virtual const MenuBar& Menu() const = 0;
  virtual void SpeedButton1Click() = 0;  // quit: opens the popup menu
  virtual void SpeedButton2Click() = 0;  // settings
  virtual void SpeedButton3Click() = 0;  // save
  virtual void SpeedButton4Click() = 0;  // load
  virtual void SpeedButton5Click() = 0;  // save editing (hidden)
  virtual void SpeedButton6Click() = 0;  // end of auto-navigation (hidden)
  virtual void SpeedButton7Click() = 0;  // auto-advance toggle
  virtual void SpeedButton8Click() = 0;  // items
  virtual void TrackBar1Change(int position) = 0;
  virtual void ClosePopupMenu() = 0;
  virtual void N6Click() = 0;  // back to the title
  virtual void N7Click() = 0;  // quit the game
  virtual void N1Click() = 0;  // skip the scene (replay only)
  virtual void N2Click() = 0;  // leave recollection (replay only)
  // PopupMenu2, recollection's pop-up over a scene.
  virtual void PU_Post1Click() = 0;  // add the scene to the current slot
  virtual void PU_Post2Click() = 0;  // play the scene
  virtual void ClosePopupMenu2() = 0;

  // Closing the main window as its close box does: the close query may refuse.
  virtual void Close() = 0;
  virtual bool Closed() const = 0;
};

}  // namespace tolven
