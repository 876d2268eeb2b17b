#include "graphics/transition_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace tolven::transition_drawing {
namespace {

int64_t FloorDiv2(int64_t value) {
  return value >= 0 ? value / 2 : -((1 - value) / 2);
}

// floor(sqrt(value)) for value >= 0, exact where a double's root lands a hair off.
int64_t IntegerRoot(int64_t value) {
  int64_t root = static_cast<int64_t>(std::sqrt(static_cast<double>(value)));
  while (root * root > value) --root;
  while ((root + 1) * (root + 1) <= value) ++root;
  return root;
}

}  // namespace

Span CircleRow(int cx, int cy, int radius, int y) {
  // In doubled coordinates pixel centres are odd numbers, so the test stays in integers:
  // (2x + 1 - 2cx)^2 + (2y + 1 - 2cy)^2 <= (2r)^2.
  const int64_t dy = 2 * int64_t{y} + 1 - 2 * int64_t{cy};
  const int64_t room = 4 * int64_t{radius} * radius - dy * dy;
  if (radius <= 0 || room < 0) return {};
  const int64_t reach = IntegerRoot(room);
  const int64_t twiceCentre = 2 * int64_t{cx} - 1;
  const int64_t begin = -FloorDiv2(-(twiceCentre - reach));  // ceiling
  const int64_t end = FloorDiv2(twiceCentre + reach) + 1;
  return {static_cast<int>(begin), static_cast<int>(end)};
}

void FillRow(Bitmap24& picture, int y, int begin, int end, uint8_t grey) {
  if (y < 0 || y >= picture.Height()) return;
  begin = std::max(begin, 0);
  end = std::min(end, picture.Width());
  if (begin >= end) return;
  std::memset(picture.Row(y) + 3 * static_cast<size_t>(begin), grey,
              3 * static_cast<size_t>(end - begin));
}

void FillCircle(Bitmap24& picture, int cx, int cy, int radius, uint8_t grey) {
  const int top = std::max(cy - radius, 0);
  const int bottom = std::min(cy + radius, picture.Height());
  for (int y = top; y < bottom; ++y) {
    const Span span = CircleRow(cx, cy, radius, y);
    FillRow(picture, y, span.begin, span.end, grey);
  }
}

void FillPolygon(Bitmap24& picture, std::span<const Point> corners, uint8_t grey) {
  if (corners.size() < 3) return;
  int top = corners[0].y, bottom = corners[0].y;
  for (const Point& p : corners) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  top = std::max(top, 0);
  bottom = std::min(bottom, picture.Height());
  std::vector<double> crossings;
  crossings.reserve(corners.size());
  for (int y = top; y < bottom; ++y) {
    // Corners sit on whole numbers and the scan line on a half, so no corner lies on it and
    // every edge either crosses it once or not at all.
    const double scan = y + 0.5;
    crossings.clear();
    for (size_t i = 0; i < corners.size(); ++i) {
      const Point& a = corners[i];
      const Point& b = corners[(i + 1) % corners.size()];
      if ((a.y < scan) == (b.y < scan)) continue;
      crossings.push_back(a.x + (scan - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      // Pixels whose centre x + 0.5 lies in [left, right).
      const double left = std::clamp(crossings[i] - 0.5, -1.0, picture.Width() + 1.0);
      const double right = std::clamp(crossings[i + 1] - 0.5, -1.0, picture.Width() + 1.0);
      FillRow(picture, y, static_cast<int>(std::ceil(left)), static_cast<int>(std::ceil(right)),
              grey);
    }
  }
}

}  // namespace tolven::transition_drawing
