#include "platform/viewport_mapping.h"

#include <algorithm>

namespace tolven {
namespace {

int FloorDiv(long long numerator, long long denominator) {
  long long quotient = numerator / denominator;
  if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
  return static_cast<int>(quotient);
}

}  // namespace

ViewportMapping::ViewportMapping(int windowWidth, int windowHeight, bool menuStrip)
    : pbTop_(menuStrip ? kMenuStripHeight : 0) {
  Fit(std::max(windowWidth, 0), std::max(windowHeight, 0));
}

void ViewportMapping::Fit(int windowWidth, int windowHeight) {
  const int pictureWidth = PictureWidth();
  const int pictureHeight = PictureHeight();
  // The axis that limits the fit, and how many whole pictures fit along it.
  const bool widthLimited = 1LL * windowWidth * pictureHeight <= 1LL * windowHeight * pictureWidth;
  const int limit = widthLimited ? windowWidth : windowHeight;
  const int pictureLimit = widthLimited ? pictureWidth : pictureHeight;
  const int whole = limit / pictureLimit;
  integerScale_ = whole >= 1 && 10LL * whole * pictureLimit >= 9LL * limit;
  int width = 0;
  int height = 0;
  if (integerScale_) {
    width = whole * pictureWidth;
    height = whole * pictureHeight;
  } else if (widthLimited) {
    width = windowWidth;
    height = static_cast<int>(1LL * windowWidth * pictureHeight / pictureWidth);
  } else {
    height = windowHeight;
    width = static_cast<int>(1LL * windowHeight * pictureWidth / pictureHeight);
  }
  destination_ = {(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
}

int ViewportMapping::Back(int window, int start, int extent, int pictureExtent) {
  return FloorDiv(1LL * (window - start) * pictureExtent, extent);
}

std::optional<Point> ViewportMapping::ToPicture(int windowX, int windowY) const {
  const Rect& d = destination_;
  if (windowX < d.x || windowY < d.y || windowX >= d.x + d.width || windowY >= d.y + d.height) {
    return std::nullopt;
  }
  return Point{Back(windowX, d.x, d.width, PictureWidth()),
               Back(windowY, d.y, d.height, PictureHeight())};
}

std::optional<Point> ViewportMapping::ToPb(int windowX, int windowY) const {
  std::optional<Point> picture = ToPicture(windowX, windowY);
  if (!picture || picture->y < pbTop_) return std::nullopt;
  return Point{picture->x, picture->y - pbTop_};
}

Point ViewportMapping::ToPbClamped(int windowX, int windowY) const {
  const Rect& d = destination_;
  if (d.width == 0 || d.height == 0) return {};
  const int x = Back(windowX, d.x, d.width, PictureWidth());
  const int y = Back(windowY, d.y, d.height, PictureHeight()) - pbTop_;
  return {std::clamp(x, 0, PictureWidth() - 1), std::clamp(y, 0, kPbHeight - 1)};
}

Point ViewportMapping::PbToWindow(int pbX, int pbY) const {
  const Rect& d = destination_;
  const int pictureY = pbY + pbTop_;
  return {d.x + static_cast<int>((2LL * pbX + 1) * d.width / (2LL * PictureWidth())),
          d.y + static_cast<int>((2LL * pictureY + 1) * d.height / (2LL * PictureHeight()))};
}

}  // namespace tolven
