// The mask transitions: a grey mask, grown step by step from filled shapes, decides per byte how
// much of the new picture shows.
#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/blending.h"
#include "graphics/transition_drawing.h"
#include "graphics/transitions.h"

namespace tolven {

using namespace transition_drawing;

namespace {

constexpr int kCx = kScreenWidth / 2;
constexpr int kCy = kScreenHeight / 2;
constexpr uint8_t kShapeGrey = 16;  // 16 steps inside a shape make it fully new
constexpr double kRadiansPerDegree = 0.0174532925;

Point AtAngle(double distance, double degrees) {
  const double angle = degrees * kRadiansPerDegree;
  return {static_cast<int>(kCx - distance * std::cos(angle)),
          static_cast<int>(kCy + distance * std::sin(angle))};
}

// Five points at `outer`, five between them at `inner`, turned by `turn` degrees.
void FillStar(Bitmap24& picture, double outer, double inner, int turn, uint8_t grey) {
  std::array<Point, 10> corners;
  for (int i = 0; i < 10; ++i) {
    corners[i] = AtAngle(i % 2 == 0 ? outer : inner, 36 * i + turn);
  }
  FillPolygon(picture, corners, grey);
}

bool CircleStep(Bitmap24& shape, int step) {
  const int radius = 5 + 5 * step;
  if (radius >= 550) return false;
  FillCircle(shape, kCx, kCy, radius, kShapeGrey);
  return true;
}

// The star grows by 5 and turns by 5 degrees a step.
bool StarStep(Bitmap24& shape, int step) {
  const int radius = 5 + 5 * step;
  if (radius >= 550) return false;
  FillStar(shape, radius, 0.5 * radius, radius, kShapeGrey);
  return true;
}

// Two opposite 40-degree wedges turning 4 degrees a step; the shape layer keeps what they swept.
bool SweepStep(Bitmap24& shape, int step) {
  const int angle = 4 * step;
  if (angle >= 250) return false;
  for (int start : {angle, angle + 180}) {
    const std::array<Point, 3> wedge{Point{kCx, kCy}, AtAngle(600, start),
                                     AtAngle(600, start + 40)};
    FillPolygon(shape, wedge, kShapeGrey);
  }
  return true;
}

}  // namespace

Transitions::Outcome Transitions::AccumulatedMask(MaskStep drawStep) {
  // Made for this run only: 2 full-screen pictures nobody else needs.
  Bitmap24 mask(kScreenWidth, kScreenHeight);
  Bitmap24 shape(kScreenWidth, kScreenHeight);
  clock_.StartFrameClock();
  int step = 0;
  uint32_t due = 1;
  for (;;) {
    uint32_t drawn = 0;
    // A pixel's mask grows by the shape's grey for every step it lies inside what the shape
    // layer holds, so edges come out as soft ramps.
    while (drawn < due && drawStep(shape, step)) {
      SaturatingAdd(mask, shape, mask);
      ++step;
      ++drawn;
    }
    if (drawn == 0) break;
    MaskMix(buffers_.PreviousBuffer, buffers_.StageBuffer, mask, buffers_.WorkBuffer);
    CopyPicture(buffers_.WorkBuffer, pb_.Draw());
    due = EndFrameByInterval(40);
    if (Interrupted()) return Outcome::CutShort;
  }
  // The mix never gives 255 exactly, so the end shows the new picture itself.
  ShowWhole(buffers_.StageBuffer);
  return Outcome::Finished;
}

Transitions::Outcome Transitions::SoftCircle() {
  return AccumulatedMask(CircleStep);
}

Transitions::Outcome Transitions::SoftStar() {
  return AccumulatedMask(StarStep);
}

Transitions::Outcome Transitions::DoubleSweep() {
  return AccumulatedMask(SweepStep);
}

Transitions::Outcome Transitions::FlaringStar() {
  Bitmap24 mask(kScreenWidth, kScreenHeight);
  clock_.StartFrameClock();
  int radius = 5;
  int spread = 0;  // pushes the inner points out faster than the outer ones
  while (radius < 660) {
    std::fill(mask.Data(), mask.Data() + mask.SizeBytes(), 0);
    FillStar(mask, radius, (radius + spread) / 2, radius,
             static_cast<uint8_t>(std::min(radius / 2, 255)));
    MaskMix(buffers_.PreviousBuffer, buffers_.StageBuffer, mask, buffers_.WorkBuffer);
    CopyPicture(buffers_.WorkBuffer, pb_.Draw());
    const int passed = static_cast<int>(EndFrameByInterval(40));
    if (Interrupted()) return Outcome::CutShort;
    spread += passed + 2;
    radius += 5 * passed;
  }
  ShowWhole(buffers_.StageBuffer);
  return Outcome::Finished;
}

}  // namespace tolven
