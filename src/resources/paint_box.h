#pragma once

#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven {

// The picture the window shows (PB). Every draw goes through Draw(), which counts a change, so
// a host presents exactly when something was drawn and never has to compare pictures.
class PaintBox {
 public:
  PaintBox(int width, int height) : picture_(width, height) {}

  const Bitmap24& Picture() const { return picture_; }
  // For drawing: the change is counted before the first pixel moves, and the host only looks
  // between engine steps, so it never shows half a draw as current.
  Bitmap24& Draw() {
    ++changes_;
    return picture_;
  }
  // Moves on with every draw; a host compares it with the count it last presented.
  uint64_t Changes() const { return changes_; }

 private:
  Bitmap24 picture_;
  uint64_t changes_ = 1;  // a fresh picture has never been shown
};

}  // namespace tolven
