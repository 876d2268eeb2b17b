#pragma once

#include <SDL.h>

#include <memory>

#include <cstdint>

#include "platform/imgui_layer.h"
#include "resources/bitmap24.h"

namespace tolven {

class EngineView;
class MpvMoviePlayer;

// Composes the picture (menu strip or overlay, then PB) at its own size in a target texture and
// shows it scaled in the window. It remembers PB's change count as last shown, so the frame
// loop presents only after the engine drew, never comparing pictures.
class FrameRenderer {
 public:
  // Throws when no renderer with target textures can be made for the window.
  explicit FrameRenderer(SDL_Window* window);

  ImGuiLayer& Ui() { return *ui_; }
  // While this player has a movie open, its frame takes PB's place.
  void SetMovie(const MpvMoviePlayer* movie) { movie_ = movie; }
  // Whether the window shows something other than the engine's present state.
  bool Stale(const EngineView& form, bool menuStrip);
  // Something outside the engine changed the window (size, exposure, hovering).
  void Invalidate() { invalid_ = true; }
  // Shifts the picture inside the window, in picture pixels (shaking where the window itself
  // cannot move).
  void SetPictureOffset(int dx, int dy) {
    offsetX_ = dx;
    offsetY_ = dy;
    invalid_ = true;
  }
  void Present(const EngineView& form, bool menuStrip);
  // The whole picture as the window shows it, menu bar included, at 1:1.
  Bitmap24 Capture(const EngineView& form, bool menuStrip);

 private:
  struct RendererDeleter {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
  };
  struct TextureDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
  };
  using TexturePtr = std::unique_ptr<SDL_Texture, TextureDeleter>;

  // Draws the picture into the target texture and leaves the target selected.
  void Compose(const EngineView& form, bool menuStrip);
  // Brings the texture up to date with what takes PB's place now: the movie frame or PB.
  void UploadPicture(const EngineView& form);
  bool MovieOpen() const;
  void UploadPb(const Bitmap24& pb);
  void ShowTarget();
  TexturePtr MakeTexture(Uint32 format, int access, int height);

  std::unique_ptr<SDL_Renderer, RendererDeleter> renderer_;
  TexturePtr pb_;
  TexturePtr target_;
  int targetHeight_ = 0;
  // Dropped before the renderer goes: its font texture belongs to the renderer.
  std::unique_ptr<ImGuiLayer> ui_;
  uint64_t uploadedChanges_ = 0;  // PB's change count when it was last uploaded
  const MpvMoviePlayer* movie_ = nullptr;
  Bitmap24 movieFrame_;
  uint64_t uploadedMovieFrame_ = 0;
  bool showingMovie_ = false;  // the texture holds a movie frame rather than PB
  bool shownStrip_ = true;
  int offsetX_ = 0;
  int offsetY_ = 0;
  bool invalid_ = true;
};

}  // namespace tolven
