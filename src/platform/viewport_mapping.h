#pragma once

#include <optional>

namespace tolven {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

inline constexpr int kPictureWidth = 800;
inline constexpr int kMenuStripHeight = 24;  // the menu bar strip above PB in a window

// Where the picture (the menu strip and PB, or PB alone in full screen) sits in a window of any
// size, and back again. The picture keeps its aspect; by default it takes a whole-number scale
// when that still fills at least nine tenths of what the window offers (sharp pixels at 1x,
// 2x, ...) and otherwise fills the window exactly. Every window pixel maps back to the one
// picture pixel drawn there, so a click lands where the player sees it.
//
// Where the display has more pixels than the window has coordinates (HiDPI), the picture is
// placed in the drawable's pixels, and the coordinates that input events and pointer warps use
// are converted on the way in and out.
class ViewportMapping {
 public:
  enum class Fit {
    Snapped,  // a nearby whole-number scale, else filling the window
    Filled,   // filling the window, at whatever scale that takes
    Whole,    // the largest whole-number scale that fits (filling a window smaller than 1x)
  };

  ViewportMapping(int windowWidth, int windowHeight, bool menuStrip, Fit fit = Fit::Snapped);
  ViewportMapping(int windowWidth, int windowHeight, int drawableWidth, int drawableHeight,
                  bool menuStrip, Fit fit);

  int PictureWidth() const { return kPictureWidth; }
  int PictureHeight() const { return pbTop_ + kPbHeight; }
  int PbTop() const { return pbTop_; }
  // The picture's place in window coordinates; the rest of the window is black bars.
  const Rect& Destination() const { return destination_; }
  // The same place in the drawable's pixels, where the picture is drawn.
  const Rect& DrawnDestination() const { return drawn_; }
  // Whether every picture pixel is a square of the same whole number of drawable pixels.
  bool IntegerScale() const { return integerScale_; }

  // The picture pixel shown at a window pixel; nothing on the bars.
  std::optional<Point> ToPicture(int windowX, int windowY) const;
  // The PB pixel shown at a window pixel; nothing on the bars or the menu strip.
  std::optional<Point> ToPb(int windowX, int windowY) const;
  // PB coordinates held inside the screen, for a drag that left PB with a button down.
  Point ToPbClamped(int windowX, int windowY) const;
  // The window pixel at the middle of where a PB pixel is drawn.
  Point PbToWindow(int pbX, int pbY) const;

 private:
  static constexpr int kPbHeight = 600;

  void Place(int width, int height, Fit fit);
  // The drawable pixel under the middle of a window coordinate, and back.
  Point ToDrawable(int windowX, int windowY) const;
  Point FromDrawable(int drawableX, int drawableY) const;
  // Picture coordinate of a window coordinate along one axis, unbounded.
  static int Back(int window, int start, int extent, int pictureExtent);

  int pbTop_;
  int windowWidth_;
  int windowHeight_;
  int drawableWidth_;
  int drawableHeight_;
  Rect drawn_;
  Rect destination_;
  bool integerScale_ = false;
};

}  // namespace tolven
