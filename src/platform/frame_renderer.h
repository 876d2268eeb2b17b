#pragma once

#include <SDL.h>

#include <memory>
#include <optional>
#include <vector>

#include <cstdint>

#include "platform/imgui_layer.h"
#include "platform/scale_filter.h"
#include "resources/bitmap24.h"

namespace tolven {

class EngineView;
class MpvMoviePlayer;

// Composes the picture (menu strip or overlay, then PB) at its own size and shows it scaled in
// the window. It remembers PB's change count as last shown, so the frame loop presents only
// after the engine drew, never comparing pictures; and when only a part of PB was drawn (the
// click-wait icon, a glyph), only that part travels on to the window.
class FrameRenderer {
 public:
  // How the composed picture reaches the window.
  enum class Output {
    // A renderer of the window's own, for a GPU: every present redraws the whole window, which
    // a GPU does for nothing.
    Renderer,
    // The window's pixels in memory: a present copies the changed part and hands the display
    // that part alone.
    WindowSurface,
  };

  // Chooses the output by what draws: the window's pixels where no GPU draws (see
  // PreferWindowSurface and DrawsOnProcessor). Throws when the window can be drawn in neither
  // way.
  explicit FrameRenderer(SDL_Window* window);
  // This output, as far as the window allows: without pixels of its own, a renderer.
  FrameRenderer(SDL_Window* window, Output output);

  Output Way() const { return output_; }
  ImGuiLayer& Ui() { return *ui_; }
  // While this player has a movie open, its frame takes PB's place.
  void SetMovie(const MpvMoviePlayer* movie) { movie_ = movie; }
  // How the picture is stretched to the window from the next present on.
  void SetScaling(const Scaling& scaling) {
    scaling_ = scaling;
    invalid_ = true;
  }
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
  // The window's pixels once the picture is presented anew: scaled by the filter, between the
  // bars, at the drawable's size.
  Bitmap24 CaptureShown(const EngineView& form, bool menuStrip);
  // The window pixels the last present handed to the display.
  const std::vector<Rect>& LastShown() const { return lastShown_; }

 private:
  struct RendererDeleter {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
  };
  struct TextureDeleter {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
  };
  struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
  };
  using TexturePtr = std::unique_ptr<SDL_Texture, TextureDeleter>;

  FrameRenderer(SDL_Window* window, Output output, bool choosing);
  void OpenWindowSurface();
  // Draws the picture into the composition and leaves it selected as the target.
  void Compose(const EngineView& form, bool menuStrip);
  // Where PB alone changed since the last present, in picture pixels, when only that part needs
  // to be drawn again: nothing when the rest of the picture must be composed too.
  std::optional<Rect> ChangedPartOnly(const EngineView& form, bool menuStrip) const;
  // Brings the texture up to date with what takes PB's place now: the movie frame or PB.
  void UploadPicture(const EngineView& form);
  bool MovieOpen() const;
  void UploadPb(const Bitmap24& pb, const Rect& part);
  // Hands the composition to the window: all of it, or only this part of the picture.
  void Show(std::optional<Rect> part);
  void ShowTarget();
  void ShowOnSurface(std::optional<Rect> part);
  TexturePtr MakeTexture(Uint32 format, int access, int width, int height);
  // The picture enlarged by a whole factor, nearest pixel, for the stretch that follows.
  SDL_Texture* PreScaledTexture(int factor);
  SDL_Surface* PreScaledSurface(const SDL_Rect& from, int factor);
  // Copies what the window shows now, before it is handed to the display.
  void ReadBackTarget(int width, int height);
  void ReadBackSurface(SDL_Surface* shown);

  SDL_Window* window_;
  Output output_;
  // The composition drawn by the software renderer, with the window surface as output.
  std::unique_ptr<SDL_Surface, SurfaceDeleter> composition_;
  std::unique_ptr<SDL_Renderer, RendererDeleter> renderer_;
  TexturePtr pb_;
  TexturePtr target_;  // the composition drawn by the window's renderer
  int targetHeight_ = 0;
  Scaling scaling_;
  // The composition enlarged by a whole factor, for sharp-bilinear, and that factor.
  TexturePtr preScaled_;
  std::unique_ptr<SDL_Surface, SurfaceDeleter> preScaledSurface_;
  int preScaledWidth_ = 0;
  int preScaledHeight_ = 0;
  Bitmap24* readBack_ = nullptr;  // where the next show copies the window's pixels
  // Dropped before the renderer goes: its font texture belongs to the renderer.
  std::unique_ptr<ImGuiLayer> ui_;
  std::optional<Rect> uiDrawn_;   // what the menu bar and dialogs covered as last composed
  uint64_t uploadedChanges_ = 0;  // PB's change count when it was last uploaded
  const MpvMoviePlayer* movie_ = nullptr;
  Bitmap24 movieFrame_;
  uint64_t uploadedMovieFrame_ = 0;
  bool showingMovie_ = false;  // the texture holds a movie frame rather than PB
  bool composed_ = false;      // the composition holds a whole picture
  bool shownStrip_ = true;
  int offsetX_ = 0;
  int offsetY_ = 0;
  bool invalid_ = true;
  std::vector<Rect> lastShown_;
};

// Whether frames should go to the window's own pixels rather than through a GPU renderer: when
// the driver's name is asked for in SDL_RENDER_DRIVER, by that name ("software"); otherwise
// whenever no GPU device can be reached.
bool PreferWindowSurface();

// Whether a renderer draws on the processor: SDL's software renderer, or a GL whose rasteriser
// is a program (Mesa's llvmpipe, softpipe or swrast, as under Xvfb).
bool DrawsOnProcessor(SDL_Renderer* renderer);

}  // namespace tolven
