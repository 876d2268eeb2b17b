#pragma once

#include <SDL.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_model.h"
#include "engine/menu_bar.h"
#include "platform/dialog_view.h"
#include "platform/menu_bar_view.h"
#include "platform/message_box_view.h"
#include "platform/viewport_mapping.h"

namespace tolven {

// The Dear ImGui context that draws the menu bar, message boxes and dialogs over the picture.
// It is fed in picture coordinates, so the window's scaling never reaches ImGui.
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
  // What the last drawn frame covered of the picture (menu bar, popup menu, dialogs, boxes), or
  // nothing when it drew nothing.
  std::optional<Rect> DrawnArea() const { return drawn_; }
  // Whether the menu would now be drawn differently from the last frame.
  bool Changed(const MenuBar& menu) const { return view_->Changed(menu); }
  // What the player clicked in the frames since the last call.
  std::vector<MenuCommand> TakeCommands();
  // A message box drawn over everything; while it is up the menu bar takes no clicks.
  void SetModal(MessageBoxView* box);
  // Shows a dialog model over the picture until CloseDialog; meanwhile the menu bar takes no
  // clicks.
  DialogView& OpenDialog(DialogModel& model);
  void CloseDialog();
  DialogView* Dialog() { return dialog_.get(); }
  // The keyboard, for the fields of dialogs: keys by their place on the keyboard, typed text.
  void Key(SDL_Scancode key, bool down, Uint16 modifiers);
  void Text(const char* utf8);
  void Wheel(float notches);

 private:
  void RunFrame(const MenuBar& menu, int width, int height);
  void ReleaseKeys();

  SDL_Renderer* renderer_;
  DialogFonts dialogFonts_;
  uint32_t lastFrameTicks_ = 0;
  std::unique_ptr<MenuBarView> view_;
  std::vector<MenuCommand> commands_;
  MessageBoxView* modal_ = nullptr;
  std::unique_ptr<DialogView> dialog_;
  std::string clipboard_;       // what ImGui last read from the clipboard, kept while it reads it
  bool layoutPending_ = false;  // a new window must be laid out before it shows
  bool atlasUploaded_ = false;  // the font atlas lives on as the renderer's texture alone
  std::optional<Rect> drawn_;
};

}  // namespace tolven
