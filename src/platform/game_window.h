#pragma once

#include <SDL.h>

#include "platform/scale_filter.h"
#include "platform/viewport_mapping.h"

namespace tolven {

// The frame a window manager draws around a window, in pixels on each side.
struct WindowFrame {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
};

// Where the framed window (menu strip over PB) opens: at the largest whole-number scale up to
// `wanted` (at least 1) whose window, frame included, fits the usable area of the display, and
// centred in that area. The client area, without the frame.
Rect PlaceWindow(int wanted, const Rect& usable, const WindowFrame& frame);

// The main window: framed with the menu strip above PB, full screen, or a borderless window at
// the top-left corner. Only its shape lives here; drawing is the frame renderer's.
class GameWindow {
 public:
  // Scale: how many times larger than 800x624 the window starts, at most; less where the
  // display is too small for it. Throws when SDL refuses.
  explicit GameWindow(int scale);
  ~GameWindow();
  GameWindow(const GameWindow&) = delete;
  GameWindow& operator=(const GameWindow&) = delete;

  SDL_Window* Handle() const { return window_; }
  // The scale the window opened at.
  int Scale() const { return scale_; }
  // How the picture fills the window from now on; a window size in it resizes the window there.
  void SetScaling(const Scaling& scaling);
  // Screen mode 1: the desktop's full screen; 2: a borderless window at (0, 0). False when the
  // display refuses; the window then stays as it was.
  bool EnterFullScreen(int mode);
  void LeaveFullScreen();
  // Framed windows show the menu strip; full screen shows PB alone.
  bool MenuStrip() const { return layout_ == Layout::Framed; }
  // Window coordinates (as mouse events give them) to picture coordinates, through the pixels
  // the picture is drawn on.
  ViewportMapping Mapping() const;
  int ScreenWidth() const;
  // Moves the window by this offset from where it stood when the shaking began; (0, 0) puts it
  // back. False where the window cannot be moved (full screen, a borderless window at the
  // corner, window systems that place windows themselves): the caller shakes the picture.
  bool ShakeBy(int dx, int dy);

 private:
  enum class Layout { Framed, FullScreen, Borderless };

  SDL_Window* window_ = nullptr;
  int scale_;
  Layout layout_ = Layout::Framed;
  ViewportMapping::Fit fit_ = ViewportMapping::Fit::Snapped;
  Rect framed_;  // where the framed window was, to come back to
  bool shaking_ = false;
  int restX_ = 0;  // where the window stands while it is not shaking
  int restY_ = 0;
};

}  // namespace tolven
