#pragma once

#include <SDL.h>

#include <memory>

#include "platform/imgui_layer.h"
#include "platform/picture_watch.h"
#include "resources/bitmap24.h"

namespace tolven {

class TForm1;

// Composes the picture (menu strip or overlay, then PB) at its own size in a target texture and
// shows it scaled in the window. It remembers what it last showed, so the frame loop can skip
// presenting when nothing changed.
class FrameRenderer {
 public:
  // Throws when no renderer with target textures can be made for the window.
  explicit FrameRenderer(SDL_Window* window);

  ImGuiLayer& Ui() { return *ui_; }
  // Whether the window shows something other than the engine's present state. After a still
  // while a small change of PB may show only some steps later; a thorough look compares it all.
  bool Stale(const TForm1& form, bool menuStrip, bool thorough);
  // Something outside the engine changed the window (size, exposure, hovering).
  void Invalidate() { invalid_ = true; }
  // The player acted: the engine is likely to redraw PB.
  void Stir() { pbWatch_.Stir(); }
  void Present(const TForm1& form, bool menuStrip);
  // The whole picture as the window shows it, menu bar included, at 1:1.
  Bitmap24 Capture(const TForm1& form, bool menuStrip);

 private:
  struct RendererDeleter {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
  };
  struct TextureDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
  };
  using TexturePtr = std::unique_ptr<SDL_Texture, TextureDeleter>;

  // Draws the picture into the target texture and leaves the target selected.
  void Compose(const TForm1& form, bool menuStrip);
  void UploadPb(const Bitmap24& pb);
  void ShowTarget();
  TexturePtr MakeTexture(Uint32 format, int access, int height);

  std::unique_ptr<SDL_Renderer, RendererDeleter> renderer_;
  TexturePtr pb_;
  TexturePtr target_;
  int targetHeight_ = 0;
  // Dropped before the renderer goes: its font texture belongs to the renderer.
  std::unique_ptr<ImGuiLayer> ui_;
  PictureWatch pbWatch_;
  bool shownStrip_ = true;
  bool invalid_ = true;
};

}  // namespace tolven
