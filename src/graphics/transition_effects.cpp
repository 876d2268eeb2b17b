// The fades, the iris and the shake.
#include <algorithm>
#include <array>

#include "graphics/blending.h"
#include "graphics/transition_drawing.h"
#include "graphics/transitions.h"

namespace tolven {

using namespace transition_drawing;

void Transitions::Fade(int step, uint32_t interval) {
  FadeFor(step, interval);
}

void Transitions::FadeByType(int type) {
  switch (type) {
    case 1:
      FadeFor(24, 40);
      break;
    case 3:
      FadeFor(5, 50);
      break;
    case 4:
      FadeFor(2, 50);
      break;
    default:
      FadeFor(12, 40);
      break;
  }
}

Transitions::Outcome Transitions::FadeFor(int step, uint32_t interval) {
  // A fade that never grew would never end.
  step = std::max(step, 1);
  const Bitmap24& stage = buffers_.StageBuffer;
  Bitmap24& work = buffers_.WorkBuffer;
  clock_.StartFrameClock();
  flags_.Busy = true;
  flags_.EffectRunning = true;
  flags_.InterruptRequest = Interrupt::None;
  Outcome outcome = Outcome::Finished;
  int weight = 0;
  do {
    WeightedMix(stage.Data(), buffers_.PreviousBuffer.Data(), weight, work.Data(),
                work.SizeBytes());
    CopyPicture(work, pb_.Draw());
    const uint32_t passed = EndFrameByInterval(interval);
    if (Interrupted()) {
      outcome = Outcome::CutShort;
      break;
    }
    weight += step * static_cast<int>(passed);
  } while (weight <= 256);
  flags_.Busy = false;
  flags_.EffectRunning = false;
  ShowWhole(stage);
  return outcome;
}

// The fades put the new picture up themselves, cut short or not, and leave S019 alone.
Transitions::Outcome Transitions::MediumFade() {
  FadeByType(5);
  return Outcome::Finished;
}

Transitions::Outcome Transitions::SlowFade() {
  FadeByType(4);
  return Outcome::Finished;
}

void Transitions::Iris() {
  // While skipping only the black screen the caller shows next is wanted.
  if (flags_.SkipState != 0) return;
  flags_.Busy = true;
  flags_.EffectRunning = true;
  flags_.InterruptRequest = Interrupt::None;
  clock_.StartFrameClock();
  constexpr int kCx = kScreenWidth / 2;
  constexpr int kCy = kScreenHeight / 2;
  // What is black already: rows above `top` and from `bottom` on, and on the rows between,
  // the columns left of leftEdge[y] and from rightEdge[y] on. Each frame only blackens the
  // ring between the new circle and these bounds, overlapping them by 8 pixels.
  constexpr int kOverlap = 8;
  int top = 0;
  int bottom = kScreenHeight;
  std::array<int, kScreenHeight> leftEdge;
  std::array<int, kScreenHeight> rightEdge;
  leftEdge.fill(0);
  rightEdge.fill(kScreenWidth);
  for (int radius = 500; radius > 0;) {
    Bitmap24& pb = pb_.Draw();
    const int newTop = std::clamp(kCy - radius, top, kScreenHeight);
    const int newBottom = std::clamp(kCy + radius, 0, bottom);
    for (int y = top; y < newTop; ++y) FillRow(pb, y, 0, kScreenWidth, 0);
    for (int y = newBottom; y < bottom; ++y) FillRow(pb, y, 0, kScreenWidth, 0);
    top = newTop;
    bottom = std::max(newBottom, top);
    for (int y = top; y < bottom; ++y) {
      Span inside = CircleRow(kCx, kCy, radius, y);
      if (inside.begin >= inside.end) inside = {kCx, kCx};
      FillRow(pb, y, leftEdge[y] - kOverlap, inside.begin, 0);
      FillRow(pb, y, inside.end, rightEdge[y] + kOverlap, 0);
      leftEdge[y] = std::max(leftEdge[y], inside.begin);
      rightEdge[y] = std::min(rightEdge[y], inside.end);
    }
    const uint32_t passed = EndFrameByInterval(20);
    if (Interrupted()) break;
    radius -= 4 * static_cast<int>(passed);
  }
}

void Transitions::Shake(int mode, int amplitude, uint32_t interval) {
  // Directions of (random AND 7), clockwise from up.
  static constexpr std::array<std::array<int, 2>, 8> kDirections{{
      {0, -1},
      {1, -1},
      {1, 0},
      {1, 1},
      {0, 1},
      {-1, 1},
      {-1, 0},
      {-1, -1},
  }};
  clock_.StartFrameClock();
  for (int a = amplitude; a >= 1;) {
    const int swing = (a & 2) != 0 ? a : -a;
    if (mode == 0) {
      host_.ShakeWindow(0, swing);
    } else if (mode == 1) {
      host_.ShakeWindow(swing, 0);
    } else if (mode == 2) {
      const auto& direction = kDirections[random_.Next() & 7];
      host_.ShakeWindow(a * direction[0], a * direction[1]);
    }
    a -= 2 * static_cast<int>(clock_.WaitFrames(interval));
  }
  host_.ShakeWindow(0, 0);
}

}  // namespace tolven
