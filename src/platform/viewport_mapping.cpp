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

ViewportMapping::ViewportMapping(int windowWidth, int windowHeight, bool menuStrip, Fit fit)
    : ViewportMapping(windowWidth, windowHeight, windowWidth, windowHeight, menuStrip, fit) {}

ViewportMapping::ViewportMapping(int windowWidth, int windowHeight, int drawableWidth,
                                 int drawableHeight, bool menuStrip, Fit fit)
    : pbTop_(menuStrip ? kMenuStripHeight : 0),
      windowWidth_(std::max(windowWidth, 0)),
      windowHeight_(std::max(windowHeight, 0)),
      drawableWidth_(std::max(drawableWidth, 0)),
      drawableHeight_(std::max(drawableHeight, 0)) {
  // Without a size on either side there is nothing to convert between.
  if (windowWidth_ == 0 || windowHeight_ == 0 || drawableWidth_ == 0 || drawableHeight_ == 0) {
    drawableWidth_ = windowWidth_;
    drawableHeight_ = windowHeight_;
  }
  Place(drawableWidth_, drawableHeight_, fit);
  const Point topLeft = FromDrawable(drawn_.x, drawn_.y);
  const Point bottomRight = FromDrawable(drawn_.x + drawn_.width, drawn_.y + drawn_.height);
  destination_ = {topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y};
}

void ViewportMapping::Place(int width, int height, Fit fit) {
  const int pictureWidth = PictureWidth();
  const int pictureHeight = PictureHeight();
  // The axis that limits the fit, and how many whole pictures fit along it.
  const bool widthLimited = 1LL * width * pictureHeight <= 1LL * height * pictureWidth;
  const int limit = widthLimited ? width : height;
  const int pictureLimit = widthLimited ? pictureWidth : pictureHeight;
  const int whole = limit / pictureLimit;
  bool takeWhole = false;
  switch (fit) {
    case Fit::Snapped:
      takeWhole = whole >= 1 && 10LL * whole * pictureLimit >= 9LL * limit;
      break;
    case Fit::Whole:
      takeWhole = whole >= 1;
      break;
    case Fit::Filled:
      takeWhole = whole >= 1 && whole * pictureLimit == limit;
      break;
  }
  integerScale_ = takeWhole;
  int placedWidth = 0;
  int placedHeight = 0;
  if (takeWhole) {
    placedWidth = whole * pictureWidth;
    placedHeight = whole * pictureHeight;
  } else if (widthLimited) {
    placedWidth = width;
    placedHeight = static_cast<int>(1LL * width * pictureHeight / pictureWidth);
  } else {
    placedHeight = height;
    placedWidth = static_cast<int>(1LL * height * pictureWidth / pictureHeight);
  }
  drawn_ = {(width - placedWidth) / 2, (height - placedHeight) / 2, placedWidth, placedHeight};
}

Point ViewportMapping::ToDrawable(int windowX, int windowY) const {
  if (windowWidth_ == drawableWidth_ && windowHeight_ == drawableHeight_) {
    return {windowX, windowY};
  }
  return {FloorDiv((2LL * windowX + 1) * drawableWidth_, 2LL * windowWidth_),
          FloorDiv((2LL * windowY + 1) * drawableHeight_, 2LL * windowHeight_)};
}

Point ViewportMapping::FromDrawable(int drawableX, int drawableY) const {
  if (windowWidth_ == drawableWidth_ && windowHeight_ == drawableHeight_) {
    return {drawableX, drawableY};
  }
  return {FloorDiv(1LL * drawableX * windowWidth_, drawableWidth_),
          FloorDiv(1LL * drawableY * windowHeight_, drawableHeight_)};
}

int ViewportMapping::Back(int window, int start, int extent, int pictureExtent) {
  return FloorDiv(1LL * (window - start) * pictureExtent, extent);
}

std::optional<Point> ViewportMapping::ToPicture(int windowX, int windowY) const {
  const Point p = ToDrawable(windowX, windowY);
  const Rect& d = drawn_;
  if (p.x < d.x || p.y < d.y || p.x >= d.x + d.width || p.y >= d.y + d.height) {
    return std::nullopt;
  }
  return Point{Back(p.x, d.x, d.width, PictureWidth()), Back(p.y, d.y, d.height, PictureHeight())};
}

std::optional<Point> ViewportMapping::ToPb(int windowX, int windowY) const {
  std::optional<Point> picture = ToPicture(windowX, windowY);
  if (!picture || picture->y < pbTop_) return std::nullopt;
  return Point{picture->x, picture->y - pbTop_};
}

Point ViewportMapping::ToPbClamped(int windowX, int windowY) const {
  const Rect& d = drawn_;
  if (d.width == 0 || d.height == 0) return {};
  const Point p = ToDrawable(windowX, windowY);
  const int x = Back(p.x, d.x, d.width, PictureWidth());
  const int y = Back(p.y, d.y, d.height, PictureHeight()) - pbTop_;
  return {std::clamp(x, 0, PictureWidth() - 1), std::clamp(y, 0, kPbHeight - 1)};
}

Point ViewportMapping::PbToWindow(int pbX, int pbY) const {
  const Rect& d = drawn_;
  const int pictureY = pbY + pbTop_;
  return FromDrawable(
      d.x + static_cast<int>((2LL * pbX + 1) * d.width / (2LL * PictureWidth())),
      d.y + static_cast<int>((2LL * pictureY + 1) * d.height / (2LL * PictureHeight())));
}

}  // namespace tolven
