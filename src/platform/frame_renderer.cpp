#include "platform/frame_renderer.h"

#include <stdexcept>
#include <string>

#include "base/engine_values.h"
#include "engine/engine_view.h"
#include "platform/mpv_movie.h"

namespace tolven {
namespace {

// The window framework's dialog grey, under the menu strip.
constexpr Uint8 kFaceGrey = 240;

SDL_Renderer* CreateRenderer(SDL_Window* window) {
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_TARGETTEXTURE);
  if (renderer == nullptr) {
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
  }
  if (renderer == nullptr) {
    throw std::runtime_error(std::string("cannot draw in the game window: ") + SDL_GetError());
  }
  return renderer;
}

}  // namespace

FrameRenderer::FrameRenderer(SDL_Window* window)
    : renderer_(CreateRenderer(window)),
      pb_(MakeTexture(SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING, kScreenHeight)),
      ui_(std::make_unique<ImGuiLayer>(renderer_.get())) {}

FrameRenderer::TexturePtr FrameRenderer::MakeTexture(Uint32 format, int access, int height) {
  TexturePtr texture(SDL_CreateTexture(renderer_.get(), format, access, kScreenWidth, height));
  if (!texture) {
    throw std::runtime_error(std::string("cannot draw in the game window: ") + SDL_GetError());
  }
  return texture;
}

bool FrameRenderer::Stale(const EngineView& form, bool menuStrip) {
  if (invalid_ || menuStrip != shownStrip_ || ui_->Changed(form.Menu())) return true;
  if (MovieOpen()) return !showingMovie_ || movie_->FrameNumber() != uploadedMovieFrame_;
  return showingMovie_ || form.Screen().Changes() != uploadedChanges_;
}

void FrameRenderer::Present(const EngineView& form, bool menuStrip) {
  Compose(form, menuStrip);
  ShowTarget();
}

Bitmap24 FrameRenderer::Capture(const EngineView& form, bool menuStrip) {
  Compose(form, menuStrip);
  Bitmap24 picture(kScreenWidth, targetHeight_);
  SDL_RenderReadPixels(renderer_.get(), nullptr, SDL_PIXELFORMAT_BGR24, picture.Data(),
                       static_cast<int>(picture.RowBytes()));
  ShowTarget();
  return picture;
}

void FrameRenderer::Compose(const EngineView& form, bool menuStrip) {
  const int pbTop = menuStrip ? kMenuStripHeight : 0;
  const int height = pbTop + kScreenHeight;
  if (!target_ || targetHeight_ != height) {
    target_ = MakeTexture(SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, height);
    targetHeight_ = height;
  }
  UploadPicture(form);
  SDL_Renderer* renderer = renderer_.get();
  SDL_SetRenderTarget(renderer, target_.get());
  SDL_SetRenderDrawColor(renderer, kFaceGrey, kFaceGrey, kFaceGrey, 255);
  SDL_RenderClear(renderer);
  const SDL_Rect pbPlace{0, pbTop, kScreenWidth, kScreenHeight};
  SDL_RenderCopy(renderer, pb_.get(), nullptr, &pbPlace);
  ui_->Frame(form.Menu(), kScreenWidth, height, true);
  shownStrip_ = menuStrip;
}

bool FrameRenderer::MovieOpen() const {
  return movie_ != nullptr && movie_->Showing();
}

void FrameRenderer::UploadPicture(const EngineView& form) {
  if (MovieOpen()) {
    const uint64_t frame = movie_->FrameNumber();
    if (!showingMovie_ || frame != uploadedMovieFrame_) {
      movie_->CopyFrame(movieFrame_);
      UploadPb(movieFrame_);
      uploadedMovieFrame_ = frame;
    }
    showingMovie_ = true;
    return;
  }
  // PB may not have changed while the movie covered it, yet the texture holds the movie.
  if (showingMovie_ || form.Screen().Changes() != uploadedChanges_) {
    UploadPb(form.Screen().Picture());
    uploadedChanges_ = form.Screen().Changes();
  }
  showingMovie_ = false;
}

void FrameRenderer::UploadPb(const Bitmap24& pb) {
  if (pb.Width() == kScreenWidth && pb.Height() == kScreenHeight) {
    SDL_UpdateTexture(pb_.get(), nullptr, pb.Data(), static_cast<int>(pb.RowBytes()));
  }
}

void FrameRenderer::ShowTarget() {
  SDL_Renderer* renderer = renderer_.get();
  SDL_SetRenderTarget(renderer, nullptr);
  int width = 0;
  int height = 0;
  SDL_GetRendererOutputSize(renderer, &width, &height);
  const ViewportMapping mapping(width, height, shownStrip_);
  const Rect& d = mapping.Destination();
  // The offset is in picture pixels; the window shows them scaled.
  const int shiftX = offsetX_ * d.width / kScreenWidth;
  const int shiftY = offsetY_ * d.width / kScreenWidth;
  const SDL_Rect destination{d.x + shiftX, d.y + shiftY, d.width, d.height};
  // Whole-number scales keep pixels sharp; other scales are smoothed.
  SDL_SetTextureScaleMode(target_.get(),
                          mapping.IntegerScale() ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderCopy(renderer, target_.get(), nullptr, &destination);
  SDL_RenderPresent(renderer);
  invalid_ = false;
}

}  // namespace tolven
