#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven {

// A part of PB, in its pixels; empty when width or height is 0.
struct PbArea {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PbArea&) const = default;
};

// The picture the window shows (PB). Every draw goes through Draw(), which counts a change, so
// a host presents exactly when something was drawn and never has to compare pictures.
class PaintBox {
 public:
  PaintBox(int width, int height) : picture_(width, height) {}

  const Bitmap24& Picture() const { return picture_; }
  // For drawing: the change is counted before the first pixel moves, and the host only looks
  // between engine steps, so it never shows half a draw as current.
  Bitmap24& Draw() { return Draw(0, 0, picture_.Width(), picture_.Height()); }
  // For a draw that stays inside this area: a host may then show that part alone, which is
  // what keeps an animated icon over a still page cheap.
  Bitmap24& Draw(int x, int y, int width, int height) {
    ++changes_;
    drawn_[changes_ % kRemembered] = {x, y, width, height};
    return picture_;
  }
  // Moves on with every draw; a host compares it with the count it last presented.
  uint64_t Changes() const { return changes_; }
  // The smallest area holding every draw since the change count `since`, inside the picture:
  // empty when nothing was drawn, the whole picture when those draws are no longer all
  // remembered (a host that fell that far behind shows everything anyway).
  PbArea DrawnSince(uint64_t since) const {
    if (since >= changes_) return {};
    if (changes_ - since > kRemembered) return {0, 0, picture_.Width(), picture_.Height()};
    int left = picture_.Width();
    int top = picture_.Height();
    int right = 0;
    int bottom = 0;
    for (uint64_t change = since + 1; change <= changes_; ++change) {
      const PbArea& area = drawn_[change % kRemembered];
      left = std::min(left, std::max(area.x, 0));
      top = std::min(top, std::max(area.y, 0));
      right = std::max(right, std::min(area.x + area.width, picture_.Width()));
      bottom = std::max(bottom, std::min(area.y + area.height, picture_.Height()));
    }
    if (left >= right || top >= bottom) return {};
    return {left, top, right - left, bottom - top};
  }

 private:
  // A host presents after every engine step, so a few draws lie between two presents at most;
  // the text of a fast page prints a glyph a draw.
  static constexpr uint64_t kRemembered = 16;

  Bitmap24 picture_;
  uint64_t changes_ = 1;  // a fresh picture has never been shown
  std::array<PbArea, kRemembered> drawn_{{{}, {0, 0, picture_.Width(), picture_.Height()}}};
};

}  // namespace tolven
