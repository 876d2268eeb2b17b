#pragma once

#include "resources/bitmap24.h"

namespace tolven {

// Tells whether the game screen changed since it was last shown, cheaply enough to ask at every
// frame-loop step. While the screen is busy (it changed or the player acted a few steps ago)
// every look compares it all. Once it has been still for a while a look only glances at one row
// in kStride, a different set each time: a change as tall as the stride shows at once, any
// change at all within kStride looks, and a game waiting for a click costs next to nothing.
class PictureWatch {
 public:
  static constexpr int kStride = 8;
  static constexpr int kBusyLooks = 8;

  bool Changed(const Bitmap24& picture);
  // A full comparison, for when the picture must be exactly what is shown (a screenshot).
  bool Differs(const Bitmap24& picture) const { return picture != shown_; }
  void Shown(const Bitmap24& picture);
  // Input arrived: the screen is likely to change now.
  void Stir() { busyLooks_ = kBusyLooks; }

 private:
  bool Glance(const Bitmap24& picture);

  Bitmap24 shown_;
  int phase_ = 0;
  int busyLooks_ = kBusyLooks;
};

}  // namespace tolven
