#include "graphics/transition_drawing.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace tolven::transition_drawing {
namespace {

constexpr uint8_t kInk = 16;

Bitmap24 Blank() {
  return Bitmap24(64, 48);
}

bool Inked(const Bitmap24& picture, int x, int y) {
  return picture.Row(y)[3 * x] == kInk && picture.Row(y)[3 * x + 2] == kInk;
}

// Point-in-polygon by the even-odd rule, counted along a ray, for comparison.
bool InsidePolygon(const std::vector<Point>& corners, double px, double py) {
  bool inside = false;
  for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
    const Point& a = corners[i];
    const Point& b = corners[j];
    if ((a.y > py) != (b.y > py) && px < a.x + (py - a.y) * (b.x - a.x) / double(b.y - a.y)) {
      inside = !inside;
    }
  }
  return inside;
}

TEST(TransitionDrawingTest, CircleRowsHoldThePixelsWhoseCentresAreInside) {
  const struct {
    int cx, cy, radius, y, begin, end;
  } cases[] = {
      {400, 300, 5, 300, 395, 405},  // centres 395.5-404.5, at most 4.5 from 400
      {400, 300, 5, 295, 398, 402},  // 4.5 above: only 1.5 to either side
      {400, 300, 5, 294, 0, 0},      // 5.5 above: none
      {400, 300, 5, 304, 398, 402},  // the mirror of row 295
      {400, 300, 5, 299, 395, 405}, {0, 0, 2, 0, -2, 2},
  };
  for (const auto& c : cases) {
    const Span span = CircleRow(c.cx, c.cy, c.radius, c.y);
    const bool empty = span.begin >= span.end;
    EXPECT_EQ(empty, c.begin >= c.end) << c.radius << " row " << c.y;
    if (!empty) {
      EXPECT_EQ(span.begin, c.begin) << c.radius << " row " << c.y;
      EXPECT_EQ(span.end, c.end) << c.radius << " row " << c.y;
    }
  }
}

TEST(TransitionDrawingTest, FilledCirclesMatchTheCentreTestAndAreClipped) {
  const struct {
    int cx, cy, radius;
  } cases[] = {{32, 24, 1}, {32, 24, 10}, {0, 0, 17}, {63, 47, 30}, {-10, 20, 15}, {30, 20, 200}};
  for (const auto& c : cases) {
    Bitmap24 picture = Blank();
    FillCircle(picture, c.cx, c.cy, c.radius, kInk);
    int wrong = 0;
    for (int y = 0; y < picture.Height(); ++y) {
      for (int x = 0; x < picture.Width(); ++x) {
        const double distance = std::hypot(x + 0.5 - c.cx, y + 0.5 - c.cy);
        if (Inked(picture, x, y) != (distance <= c.radius)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << c.cx << "," << c.cy << " r " << c.radius;
  }
}

TEST(TransitionDrawingTest, FilledPolygonsFollowTheEvenOddRuleAtPixelCentres) {
  const std::vector<std::vector<Point>> shapes = {
      {{10, 20}, {30, 20}, {30, 25}, {10, 25}},          // rectangle
      {{32, 2}, {60, 40}, {3, 30}},                      // triangle
      {{32, 0}, {45, 40}, {8, 15}, {56, 15}, {19, 40}},  // pentagram: hole
      {{32, 24}, {-40, 10}, {-30, 70}},                  // mostly outside
      {{32, 4}, {36, 20}, {52, 24}, {36, 28}, {32, 44}, {28, 28}, {12, 24}, {28, 20}},  // star
  };
  for (size_t s = 0; s < shapes.size(); ++s) {
    Bitmap24 picture = Blank();
    FillPolygon(picture, shapes[s], kInk);
    int wrong = 0;
    for (int y = 0; y < picture.Height(); ++y) {
      for (int x = 0; x < picture.Width(); ++x) {
        if (Inked(picture, x, y) != InsidePolygon(shapes[s], x + 0.5, y + 0.5)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "shape " << s;
  }
  // The rectangle exactly: columns 10-29 of rows 20-24.
  Bitmap24 picture = Blank();
  FillPolygon(picture, shapes[0], kInk);
  EXPECT_TRUE(Inked(picture, 10, 20));
  EXPECT_TRUE(Inked(picture, 29, 24));
  EXPECT_FALSE(Inked(picture, 30, 22));
  EXPECT_FALSE(Inked(picture, 15, 25));
  EXPECT_FALSE(Inked(picture, 32, 12)) << "the pentagram's middle stays empty";
}

TEST(TransitionDrawingTest, RectangleCopiesAreCutToBothPictures) {
  Bitmap24 source(20, 10);
  for (size_t i = 0; i < source.SizeBytes(); ++i) source.Data()[i] = static_cast<uint8_t>(i % 251);
  const struct {
    int fromX, fromY, width, height, toX, toY;
  } cases[] = {
      {0, 0, 20, 10, 0, 0},   {5, 2, 4, 3, 1, 6},  {-3, -2, 10, 10, 0, 0}, {15, 5, 10, 10, 2, 2},
      {0, 0, 20, 10, 12, -4}, {0, 0, 5, 5, 30, 0}, {2, 1, 20, 10, -5, 2},
  };
  for (const auto& c : cases) {
    Bitmap24 destination(16, 12);
    CopyRect(source, c.fromX, c.fromY, c.width, c.height, destination, c.toX, c.toY);
    int wrong = 0;
    for (int y = 0; y < destination.Height(); ++y) {
      for (int x = 0; x < destination.Width(); ++x) {
        const int sx = x - c.toX + c.fromX;
        const int sy = y - c.toY + c.fromY;
        const bool copied = x >= c.toX && x < c.toX + c.width && y >= c.toY &&
                            y < c.toY + c.height && sx >= 0 && sx < 20 && sy >= 0 && sy < 10;
        for (int b = 0; b < 3; ++b) {
          const uint8_t expected = copied ? source.Row(sy)[3 * sx + b] : 0;
          if (destination.Row(y)[3 * x + b] != expected) ++wrong;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << c.fromX << "," << c.fromY << " to " << c.toX << "," << c.toY;
  }
}

}  // namespace
}  // namespace tolven::transition_drawing
