#include "platform/game_window.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tolven {
namespace {

constexpr const char* kCaption = "ぺるな";
constexpr int kPbHeight = 600;
constexpr int kWindowHeight = kMenuStripHeight + kPbHeight;
// When the display cannot say, assume one wide enough for the framed window.
constexpr int kUnknownScreenWidth = 1024;

}  // namespace

Rect PlaceWindow(int wanted, const Rect& usable, const WindowFrame& frame) {
  const int frameWidth = frame.left + frame.right;
  const int frameHeight = frame.top + frame.bottom;
  int scale = std::max(wanted, 1);
  while (scale > 1 && (kPictureWidth * scale + frameWidth > usable.width ||
                       kWindowHeight * scale + frameHeight > usable.height)) {
    --scale;
  }
  const int width = kPictureWidth * scale;
  const int height = kWindowHeight * scale;
  // A window larger than the area still keeps its title bar on the screen.
  const int x = usable.x + std::max(0, (usable.width - width - frameWidth) / 2) + frame.left;
  const int y = usable.y + std::max(0, (usable.height - height - frameHeight) / 2) + frame.top;
  return {x, y, width, height};
}

GameWindow::GameWindow(int scale) : scale_(scale) {
  // Where the window opens: the first display, as SDL centres a window on.
  SDL_Rect bounds;
  const bool known = SDL_GetDisplayUsableBounds(0, &bounds) == 0;
  const Rect usable{bounds.x, bounds.y, bounds.w, bounds.h};
  Rect place = known ? PlaceWindow(scale, usable, {})
                     : Rect{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kPictureWidth * scale,
                            kWindowHeight * scale};
  // On displays with more pixels than window coordinates the picture gets all of them, rather
  // than being enlarged afterwards by the desktop, blurred.
  window_ = SDL_CreateWindow(kCaption, place.x, place.y, place.width, place.height,
                             SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (window_ == nullptr) {
    throw std::runtime_error(std::string("cannot open the game window: ") + SDL_GetError());
  }
  // The frame is known once the window manager has framed the window, if it says at all; a
  // window that fits without it may not with it.
  WindowFrame frame;
  SDL_PumpEvents();
  if (known && SDL_GetWindowBordersSize(window_, &frame.top, &frame.left, &frame.bottom,
                                        &frame.right) == 0) {
    const Rect framed = PlaceWindow(scale, usable, frame);
    if (framed.width != place.width) SDL_SetWindowSize(window_, framed.width, framed.height);
    if (framed.x != place.x || framed.y != place.y) {
      SDL_SetWindowPosition(window_, framed.x, framed.y);
    }
    place = framed;
  }
  scale_ = place.width / kPictureWidth;
}

GameWindow::~GameWindow() {
  SDL_DestroyWindow(window_);
}

void GameWindow::SetScaling(const Scaling& scaling) {
  fit_ = FitFor(scaling);
  if (scaling.windowWidth <= 0 || scaling.windowHeight <= 0) return;
  SDL_SetWindowSize(window_, scaling.windowWidth, scaling.windowHeight);
  SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

bool GameWindow::EnterFullScreen(int mode) {
  if (layout_ != Layout::Framed || (mode != 1 && mode != 2)) return false;
  SDL_GetWindowPosition(window_, &framed_.x, &framed_.y);
  SDL_GetWindowSize(window_, &framed_.width, &framed_.height);
  if (mode == 1) {
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    layout_ = Layout::FullScreen;
    return true;
  }
  SDL_SetWindowBordered(window_, SDL_FALSE);
  SDL_SetWindowPosition(window_, 0, 0);
  SDL_SetWindowSize(window_, kPictureWidth * scale_, kPbHeight * scale_);
  layout_ = Layout::Borderless;
  return true;
}

void GameWindow::LeaveFullScreen() {
  if (layout_ == Layout::Framed) return;
  if (layout_ == Layout::FullScreen) SDL_SetWindowFullscreen(window_, 0);
  SDL_SetWindowBordered(window_, SDL_TRUE);
  SDL_SetWindowSize(window_, framed_.width, framed_.height);
  SDL_SetWindowPosition(window_, framed_.x, framed_.y);
  layout_ = Layout::Framed;
}

bool GameWindow::ShakeBy(int dx, int dy) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (layout_ != Layout::Framed || (driver != nullptr && std::string(driver) == "wayland")) {
    return false;
  }
  if (!shaking_) {
    SDL_GetWindowPosition(window_, &restX_, &restY_);
    shaking_ = true;
  }
  SDL_SetWindowPosition(window_, restX_ + dx, restY_ + dy);
  if (dx == 0 && dy == 0) shaking_ = false;
  return true;
}

ViewportMapping GameWindow::Mapping() const {
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  int drawableWidth = 0;
  int drawableHeight = 0;
  SDL_GetWindowSizeInPixels(window_, &drawableWidth, &drawableHeight);
  return ViewportMapping(width, height, drawableWidth, drawableHeight, MenuStrip(), fit_);
}

int GameWindow::ScreenWidth() const {
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) != 0) return kUnknownScreenWidth;
  return mode.w;
}

}  // namespace tolven
