#include "platform/frame_renderer.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/engine_values.h"
#include "engine/engine_view.h"
#include "platform/mpv_movie.h"

namespace tolven {
namespace {

// The window framework's dialog grey, under the menu strip.
constexpr Uint8 kFaceGrey = 240;
constexpr unsigned kGlRenderer = 0x1F01;  // GL_RENDERER, for glGetString
constexpr const char* kProgramRasterisers[] = {"llvmpipe", "softpipe", "swrast"};

std::runtime_error CannotDraw() {
  return std::runtime_error(std::string("cannot draw in the game window: ") + SDL_GetError());
}

SDL_Renderer* CreateRenderer(SDL_Window* window) {
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_TARGETTEXTURE);
  if (renderer == nullptr) {
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
  }
  if (renderer == nullptr) throw CannotDraw();
  return renderer;
}

// Mesa's device nodes, or NVIDIA's own for its driver.
bool GpuReachable() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    (void)entry;
    return true;
  }
  return std::filesystem::exists("/dev/nvidiactl", error);
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

SDL_Rect ToSdl(const Rect& rect) {
  return {rect.x, rect.y, rect.width, rect.height};
}

}  // namespace

bool PreferWindowSurface() {
  const char* driver = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (driver != nullptr && *driver != '\0') return SDL_strcasecmp(driver, "software") == 0;
  return !GpuReachable();
}

bool DrawsOnProcessor(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0) return false;
  if ((info.flags & SDL_RENDERER_SOFTWARE) != 0) return true;
  if (std::string_view(info.name).substr(0, 6) != "opengl") return false;
  // The renderer's context is current once it is made.
  using GetString = const unsigned char* (*)(unsigned);
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString != nullptr ? getString(kGlRenderer) : nullptr;
  if (name == nullptr) return false;
  const std::string_view rasteriser(reinterpret_cast<const char*>(name));
  return std::any_of(
      std::begin(kProgramRasterisers), std::end(kProgramRasterisers),
      [&](const char* program) { return rasteriser.find(program) != rasteriser.npos; });
}

// A GL renderer whose rasteriser is a program costs more than it saves: it redraws the whole
// window on threads of its own at every present (a tenth of a core while a page waits under
// Xvfb, for a 24x25 icon) and maps some 90 MB of driver. Without a GPU, frames therefore go to
// the window's pixels, where a present copies what changed; the GL is not even tried then,
// since trying it costs the memory already.
FrameRenderer::FrameRenderer(SDL_Window* window)
    : FrameRenderer(window, PreferWindowSurface() ? Output::WindowSurface : Output::Renderer,
                    true) {}

FrameRenderer::FrameRenderer(SDL_Window* window, Output output)
    : FrameRenderer(window, output, false) {}

FrameRenderer::FrameRenderer(SDL_Window* window, Output output, bool choosing)
    : window_(window), output_(output) {
  if (output_ == Output::Renderer) {
    renderer_.reset(CreateRenderer(window_));
    // A renderer asked for by name is kept whatever draws it.
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (choosing && (asked == nullptr || *asked == '\0') && DrawsOnProcessor(renderer_.get())) {
      renderer_.reset();
      OpenWindowSurface();
    }
  } else {
    OpenWindowSurface();
  }
  pb_ =
      MakeTexture(SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
  ui_ = std::make_unique<ImGuiLayer>(renderer_.get());
}

void FrameRenderer::OpenWindowSurface() {
  // Else SDL would back the window's pixels with a GL texture of its own.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Surface* shown = SDL_GetWindowSurface(window_);
  if (shown == nullptr) {
    output_ = Output::Renderer;
    renderer_.reset(CreateRenderer(window_));
    return;
  }
  output_ = Output::WindowSurface;
  // In the window's own format the copy to it is a plain one. Always as tall as a picture with
  // the menu strip; full screen uses the top rows.
  const Uint32 format = shown->format->BytesPerPixel == 4
                            ? shown->format->format
                            : static_cast<Uint32>(SDL_PIXELFORMAT_XRGB8888);
  composition_.reset(SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth,
                                                    kMenuStripHeight + kScreenHeight, 32, format));
  if (!composition_) throw CannotDraw();
  SDL_SetSurfaceBlendMode(composition_.get(), SDL_BLENDMODE_NONE);
  renderer_.reset(SDL_CreateSoftwareRenderer(composition_.get()));
  if (!renderer_) throw CannotDraw();
}

FrameRenderer::TexturePtr FrameRenderer::MakeTexture(Uint32 format, int access, int width,
                                                     int height) {
  TexturePtr texture(SDL_CreateTexture(renderer_.get(), format, access, width, height));
  if (!texture) throw CannotDraw();
  return texture;
}

bool FrameRenderer::Stale(const EngineView& form, bool menuStrip) {
  if (invalid_ || menuStrip != shownStrip_ || ui_->Changed(form.Menu())) return true;
  if (MovieOpen()) return !showingMovie_ || movie_->FrameNumber() != uploadedMovieFrame_;
  return showingMovie_ || form.Screen().Changes() != uploadedChanges_;
}

std::optional<Rect> FrameRenderer::ChangedPartOnly(const EngineView& form, bool menuStrip) const {
  if (!composed_ || invalid_ || menuStrip != shownStrip_ || ui_->Changed(form.Menu()) ||
      MovieOpen() || showingMovie_) {
    return std::nullopt;
  }
  const PbArea drawn = form.Screen().DrawnSince(uploadedChanges_);
  if (drawn.width <= 0 || drawn.height <= 0) return std::nullopt;
  const Rect part{drawn.x, (menuStrip ? kMenuStripHeight : 0) + drawn.y, drawn.width, drawn.height};
  // Whatever ImGui drew over PB there would be painted over.
  if (uiDrawn_ && Overlap(part, *uiDrawn_)) return std::nullopt;
  return part;
}

void FrameRenderer::Present(const EngineView& form, bool menuStrip) {
  if (const std::optional<Rect> part = ChangedPartOnly(form, menuStrip)) {
    UploadPicture(form);
    const SDL_Rect from{part->x, part->y - (menuStrip ? kMenuStripHeight : 0), part->width,
                        part->height};
    const SDL_Rect to = ToSdl(*part);
    SDL_SetRenderTarget(renderer_.get(), target_.get());
    SDL_RenderCopy(renderer_.get(), pb_.get(), &from, &to);
    Show(part);
    return;
  }
  Compose(form, menuStrip);
  Show(std::nullopt);
}

Bitmap24 FrameRenderer::Capture(const EngineView& form, bool menuStrip) {
  Compose(form, menuStrip);
  Bitmap24 picture(kScreenWidth, targetHeight_);
  const SDL_Rect whole{0, 0, kScreenWidth, targetHeight_};
  SDL_RenderReadPixels(renderer_.get(), &whole, SDL_PIXELFORMAT_BGR24, picture.Data(),
                       static_cast<int>(picture.RowBytes()));
  Show(std::nullopt);
  return picture;
}

Bitmap24 FrameRenderer::CaptureShown(const EngineView& form, bool menuStrip) {
  Compose(form, menuStrip);
  Bitmap24 picture;
  readBack_ = &picture;
  Show(std::nullopt);
  readBack_ = nullptr;
  return picture;
}

void FrameRenderer::ReadBackTarget(int width, int height) {
  if (readBack_ == nullptr || width <= 0 || height <= 0) return;
  *readBack_ = Bitmap24(width, height);
  SDL_RenderReadPixels(renderer_.get(), nullptr, SDL_PIXELFORMAT_BGR24, readBack_->Data(),
                       static_cast<int>(readBack_->RowBytes()));
}

void FrameRenderer::ReadBackSurface(SDL_Surface* shown) {
  if (readBack_ == nullptr || shown->w <= 0 || shown->h <= 0) return;
  *readBack_ = Bitmap24(shown->w, shown->h);
  SDL_LockSurface(shown);
  SDL_ConvertPixels(shown->w, shown->h, shown->format->format, shown->pixels, shown->pitch,
                    SDL_PIXELFORMAT_BGR24, readBack_->Data(),
                    static_cast<int>(readBack_->RowBytes()));
  SDL_UnlockSurface(shown);
}

SDL_Texture* FrameRenderer::PreScaledTexture(int factor) {
  const int width = kScreenWidth * factor;
  const int height = targetHeight_ * factor;
  if (!preScaled_ || preScaledWidth_ != width || preScaledHeight_ != height) {
    preScaled_ = MakeTexture(SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
    SDL_SetTextureBlendMode(preScaled_.get(), SDL_BLENDMODE_NONE);
    preScaledWidth_ = width;
    preScaledHeight_ = height;
  }
  SDL_Renderer* renderer = renderer_.get();
  SDL_SetRenderTarget(renderer, preScaled_.get());
  // A plain copy: the enlargement takes the composition's pixels as they are.
  SDL_BlendMode blend = SDL_BLENDMODE_NONE;
  SDL_GetTextureBlendMode(target_.get(), &blend);
  SDL_SetTextureScaleMode(target_.get(), SDL_ScaleModeNearest);
  SDL_SetTextureBlendMode(target_.get(), SDL_BLENDMODE_NONE);
  SDL_RenderCopy(renderer, target_.get(), nullptr, nullptr);
  SDL_SetTextureBlendMode(target_.get(), blend);
  return preScaled_.get();
}

SDL_Surface* FrameRenderer::PreScaledSurface(const SDL_Rect& from, int factor) {
  const int width = from.w * factor;
  const int height = from.h * factor;
  if (!preScaledSurface_ || preScaledWidth_ != width || preScaledHeight_ != height) {
    preScaledSurface_.reset(
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, composition_->format->format));
    if (!preScaledSurface_) return nullptr;
    SDL_SetSurfaceBlendMode(preScaledSurface_.get(), SDL_BLENDMODE_NONE);
    preScaledWidth_ = width;
    preScaledHeight_ = height;
  }
  SDL_Rect source = from;
  SDL_Rect whole{0, 0, width, height};
  SDL_BlitScaled(composition_.get(), &source, preScaledSurface_.get(), &whole);
  return preScaledSurface_.get();
}

void FrameRenderer::Compose(const EngineView& form, bool menuStrip) {
  const int pbTop = menuStrip ? kMenuStripHeight : 0;
  const int height = pbTop + kScreenHeight;
  if (!composition_ && (!target_ || targetHeight_ != height)) {
    target_ = MakeTexture(SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, kScreenWidth, height);
  }
  targetHeight_ = height;
  UploadPicture(form);
  SDL_Renderer* renderer = renderer_.get();
  SDL_SetRenderTarget(renderer, target_.get());
  SDL_SetRenderDrawColor(renderer, kFaceGrey, kFaceGrey, kFaceGrey, 255);
  SDL_RenderClear(renderer);
  const SDL_Rect pbPlace{0, pbTop, kScreenWidth, kScreenHeight};
  SDL_RenderCopy(renderer, pb_.get(), nullptr, &pbPlace);
  ui_->Frame(form.Menu(), kScreenWidth, height, true);
  uiDrawn_ = ui_->DrawnArea();
  shownStrip_ = menuStrip;
  composed_ = true;
}

bool FrameRenderer::MovieOpen() const {
  return movie_ != nullptr && movie_->Showing();
}

void FrameRenderer::UploadPicture(const EngineView& form) {
  const Rect whole{0, 0, kScreenWidth, kScreenHeight};
  if (MovieOpen()) {
    const uint64_t frame = movie_->FrameNumber();
    if (!showingMovie_ || frame != uploadedMovieFrame_) {
      movie_->CopyFrame(movieFrame_);
      UploadPb(movieFrame_, whole);
      uploadedMovieFrame_ = frame;
    }
    showingMovie_ = true;
    return;
  }
  const PaintBox& screen = form.Screen();
  // PB may not have changed while the movie covered it, yet the texture holds the movie.
  if (showingMovie_) {
    UploadPb(screen.Picture(), whole);
  } else if (screen.Changes() != uploadedChanges_) {
    const PbArea drawn = screen.DrawnSince(uploadedChanges_);
    UploadPb(screen.Picture(), {drawn.x, drawn.y, drawn.width, drawn.height});
  }
  uploadedChanges_ = screen.Changes();
  showingMovie_ = false;
}

void FrameRenderer::UploadPb(const Bitmap24& pb, const Rect& part) {
  if (pb.Width() != kScreenWidth || pb.Height() != kScreenHeight) return;
  if (part.width <= 0 || part.height <= 0) return;
  const SDL_Rect rect = ToSdl(part);
  SDL_UpdateTexture(pb_.get(), &rect, pb.Row(part.y) + 3 * static_cast<size_t>(part.x),
                    static_cast<int>(pb.RowBytes()));
}

void FrameRenderer::Show(std::optional<Rect> part) {
  if (output_ == Output::WindowSurface) {
    ShowOnSurface(part);
  } else {
    ShowTarget();
  }
  invalid_ = false;
}

void FrameRenderer::ShowTarget() {
  SDL_Renderer* renderer = renderer_.get();
  SDL_SetRenderTarget(renderer, nullptr);
  int width = 0;
  int height = 0;
  SDL_GetRendererOutputSize(renderer, &width, &height);
  const ViewportMapping mapping(width, height, shownStrip_, FitFor(scaling_));
  const Rect& d = mapping.DrawnDestination();
  const Stretch stretch = PlanStretch(scaling_.filter, d, kScreenWidth, targetHeight_);
  // The offset is in picture pixels; the window shows them scaled.
  const int shiftX = offsetX_ * d.width / kScreenWidth;
  const int shiftY = offsetY_ * d.width / kScreenWidth;
  const SDL_Rect destination{d.x + shiftX, d.y + shiftY, d.width, d.height};
  SDL_Texture* source = stretch.preScale > 1 ? PreScaledTexture(stretch.preScale) : target_.get();
  SDL_SetRenderTarget(renderer, nullptr);
  SDL_SetTextureScaleMode(source, stretch.linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderCopy(renderer, source, nullptr, &destination);
  ReadBackTarget(width, height);
  SDL_RenderPresent(renderer);
  lastShown_ = {Rect{0, 0, width, height}};
}

void FrameRenderer::ShowOnSurface(std::optional<Rect> part) {
  SDL_RenderFlush(renderer_.get());
  SDL_Surface* shown = SDL_GetWindowSurface(window_);
  if (shown == nullptr) return;
  SDL_Surface* composition = composition_.get();
  const ViewportMapping mapping(shown->w, shown->h, shownStrip_, FitFor(scaling_));
  const Rect& d = mapping.DrawnDestination();
  const Stretch stretch = PlanStretch(scaling_.filter, d, kScreenWidth, targetHeight_);
  const int shiftX = offsetX_ * d.width / kScreenWidth;
  const int shiftY = offsetY_ * d.width / kScreenWidth;
  const bool nearestOnly = stretch.preScale == 1 && !stretch.linear;
  // At a whole-number scale every picture pixel is a square of window pixels, so a part of the
  // picture lands on exactly the window pixels a whole copy would give it. Smoothed scales mix
  // neighbours across the part's edges: they copy the whole picture.
  if (part && nearestOnly && mapping.IntegerScale() && shiftX == 0 && shiftY == 0) {
    const int scale = d.width / kScreenWidth;
    SDL_Rect from = ToSdl(*part);
    SDL_Rect to{d.x + part->x * scale, d.y + part->y * scale, part->width * scale,
                part->height * scale};
    SDL_Rect onWindow = to;
    if (scale == 1) {
      SDL_BlitSurface(composition, &from, shown, &onWindow);
    } else {
      SDL_BlitScaled(composition, &from, shown, &onWindow);
    }
    SDL_UpdateWindowSurfaceRects(window_, &to, 1);
    lastShown_ = {Rect{to.x, to.y, to.w, to.h}};
    return;
  }
  SDL_FillRect(shown, nullptr, SDL_MapRGB(shown->format, 0, 0, 0));
  SDL_Rect from{0, 0, kScreenWidth, targetHeight_};
  SDL_Rect to{d.x + shiftX, d.y + shiftY, d.width, d.height};
  SDL_Surface* source = composition;
  if (stretch.preScale > 1) {
    if (SDL_Surface* larger = PreScaledSurface(from, stretch.preScale)) {
      source = larger;
      from = {0, 0, larger->w, larger->h};
    }
  }
  if (nearestOnly && d.width == kScreenWidth && d.height == targetHeight_) {
    SDL_BlitSurface(source, &from, shown, &to);
  } else if (stretch.linear && shown->format->format == source->format->format && shiftX == 0 &&
             shiftY == 0) {
    SDL_SoftStretchLinear(source, &from, shown, &to);
  } else {
    SDL_BlitScaled(source, &from, shown, &to);
  }
  ReadBackSurface(shown);
  SDL_UpdateWindowSurface(window_);
  lastShown_ = {Rect{0, 0, shown->w, shown->h}};
}

}  // namespace tolven
