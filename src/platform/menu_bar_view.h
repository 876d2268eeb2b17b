#pragma once

#include <initializer_list>
#include <optional>
#include <utility>

#include "engine/menu_bar.h"

namespace tolven {

class EngineView;

// Panel1's place at the top-left of the picture: the menu strip in a window, an overlay in full
// screen.
inline constexpr int kPanel1Width = 801;
inline constexpr int kPanel1Height = 21;

// What the player picked on the menu bar (Panel1) or a popup menu (PopupMenu1, PopupMenu2).
enum class MenuAction {
  SpeedButton1,
  SpeedButton2,
  SpeedButton3,
  SpeedButton4,
  SpeedButton5,
  SpeedButton6,
  SpeedButton7,
  SpeedButton8,
  TrackBar1,  // with the new position
  N6,
  N7,
  N1,
  N2,
  ClosePopup,  // a click beside the open popup menu
  PU_Post1,
  PU_Post2,
  ClosePopup2,  // a click beside recollection's open pop-up
};

struct MenuCommand {
  MenuAction action;
  int position = 0;  // TrackBar1 only
  bool operator==(const MenuCommand&) const = default;
};

// Draws the engine's menu bar model with Dear ImGui in picture coordinates and reports what was
// clicked. It decides nothing: the engine's handlers do that once the frame is over.
class MenuBarView {
 public:
  // Loads the Japanese UI font into the current ImGui context and sets the look.
  MenuBarView();

  // Draws Panel1 when visible and the popup menus when open into the current ImGui frame. A blocked
  // panel (under a dialog or message box) looks as usual but takes no clicks. The game picture
  // starts pbTop rows down (below the menu strip in a window, at the top in full screen).
  std::optional<MenuCommand> Draw(const MenuBar& menu, int pbTop, bool blocked = false);
  // Whether the model now looks different from the last frame drawn.
  bool Changed(const MenuBar& menu) const;

 private:
  std::optional<MenuCommand> DrawPanel(const MenuBar& menu, bool blocked);
  using PopupEntry = std::pair<const MenuItem*, MenuAction>;
  std::optional<MenuCommand> DrawPopup(const MenuBar& menu, const char* name, int x, int y,
                                       std::initializer_list<PopupEntry> entries,
                                       MenuAction closed);

  MenuBar lastDrawn_;
};

// Runs the engine handler behind a menu command.
void Perform(EngineView& form, const MenuCommand& command);

}  // namespace tolven
