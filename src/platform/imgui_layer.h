#pragma once

#include <SDL.h>

#include <memory>
#include <vector>

#include "engine/menu_bar.h"
#include "platform/menu_bar_view.h"
#include "platform/message_box_view.h"
#include "platform/viewport_mapping.h"

namespace tolven {

// The Dear ImGui context that draws the menu bar over the picture. It is fed in picture
// coordinates, so the window's scaling never reaches ImGui.
class ImGuiLayer {
 public:
  explicit ImGuiLayer(SDL_Renderer* renderer);
  ~ImGuiLayer();
  ImGuiLayer(const ImGuiLayer&) = delete;
  ImGuiLayer& operator=(const ImGuiLayer&) = delete;

  // The pointer over the menu, in picture coordinates, with the buttons held.
  void SetPointer(Point picture, bool left, bool right);
  // The pointer is over PB or outside the window: nothing is hovered.
  void PointerAway();
  // One frame over a picture of this size. Drawn into the renderer's current target when
  // `draw`; otherwise only run, so a press and a release between two presents both count.
  void Frame(const MenuBar& menu, int width, int height, bool draw);
  // Whether the menu would now be drawn differently from the last frame.
  bool Changed(const MenuBar& menu) const { return view_->Changed(menu); }
  // What the player clicked in the frames since the last call.
  std::vector<MenuCommand> TakeCommands();
  // A message box drawn over everything; while it is up the menu bar takes no clicks.
  void SetModal(MessageBoxView* box);

 private:
  void RunFrame(const MenuBar& menu, int width, int height);

  uint32_t lastFrameTicks_ = 0;
  std::unique_ptr<MenuBarView> view_;
  std::vector<MenuCommand> commands_;
  MessageBoxView* modal_ = nullptr;
  bool layoutPending_ = false;  // a new window must be laid out before it shows
};

}  // namespace tolven
