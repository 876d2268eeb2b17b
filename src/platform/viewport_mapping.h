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
// size, and back again. The picture keeps its aspect and takes a whole-number scale when that
// still fills at least nine tenths of what the window offers (sharp pixels at 1x, 2x, ...);
// otherwise it fills the window exactly. Every window pixel maps back to the one picture pixel
// drawn there, so a click lands where the player sees it.
class ViewportMapping {
 public:
  ViewportMapping(int windowWidth, int windowHeight, bool menuStrip);

  int PictureWidth() const { return kPictureWidth; }
  int PictureHeight() const { return pbTop_ + kPbHeight; }
  int PbTop() const { return pbTop_; }
  // The picture's place in the window; the rest of the window is black bars.
  const Rect& Destination() const { return destination_; }
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

  void Fit(int windowWidth, int windowHeight);
  // Picture coordinate of a window coordinate along one axis, unbounded.
  static int Back(int window, int start, int extent, int pictureExtent);

  int pbTop_;
  Rect destination_;
  bool integerScale_ = false;
};

}  // namespace tolven
