#include "platform/game_window.h"

#include <stdexcept>
#include <string>

namespace tolven {
namespace {

constexpr const char* kCaption = "ぺるな";
constexpr int kPbHeight = 600;
// When the display cannot say, assume one wide enough for the framed window.
constexpr int kUnknownScreenWidth = 1024;

}  // namespace

GameWindow::GameWindow(int scale) : scale_(scale) {
  window_ = SDL_CreateWindow(kCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kPictureWidth * scale, (kMenuStripHeight + kPbHeight) * scale,
                             SDL_WINDOW_RESIZABLE);
  if (window_ == nullptr) {
    throw std::runtime_error(std::string("cannot open the game window: ") + SDL_GetError());
  }
}

GameWindow::~GameWindow() {
  SDL_DestroyWindow(window_);
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
  return ViewportMapping(width, height, MenuStrip());
}

int GameWindow::ScreenWidth() const {
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) != 0) return kUnknownScreenWidth;
  return mode.w;
}

}  // namespace tolven
