#pragma once

#include <string_view>

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// The scripted roll (state 3) with the picture scroll and the special sequences that run
// inside their commands. Not built yet; each entry point says so in the developer trace.
class Rolls final : public Screen {
 public:
  explicit Rolls(Trace& trace) : trace_(trace) {}

  void Roll(std::string_view) { trace_.NotBuiltYet("roll"); }
  void Scroll(std::string_view) { trace_.NotBuiltYet("scroll"); }
  void Special(std::string_view) { trace_.NotBuiltYet("special"); }

  // One frame of the roll language.
  void FrameStep() override { trace_.NotBuiltYet("RollStep"); }
  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("RollClick"); }
  // A roll runs by itself: clicks do not end it.
  bool WaitsForInput() const override { return false; }

 private:
  Trace& trace_;
};

}  // namespace tolven
