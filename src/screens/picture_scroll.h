#pragma once

#include <string_view>

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// A picture larger than the screen panned across it by `scroll` (state 7). Not built yet; the
// entry point says so in the developer trace.
class PictureScroll final : public Screen {
 public:
  explicit PictureScroll(Trace& trace) : trace_(trace) {}

  void Scroll(std::string_view) { trace_.NotBuiltYet("scroll"); }
  // Input only leaves an interrupt request while the scroll runs.
  void Press(MouseButton, int, int) override {}
  bool WaitsForInput() const override { return false; }

 private:
  Trace& trace_;
};

}  // namespace tolven
