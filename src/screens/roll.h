#pragma once

#include <string_view>

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// The scripted roll of `roll` (state 3), and the older line-by-line roll language the frame
// loop steps in that state after a save made during a roll was loaded. Not built yet; each
// entry point says so in the developer trace.
class RollScreen final : public Screen {
 public:
  explicit RollScreen(Trace& trace) : trace_(trace) {}

  void Roll(std::string_view) { trace_.NotBuiltYet("roll"); }
  // One frame of the roll language.
  void FrameStep() override { trace_.NotBuiltYet("RollStep"); }
  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("RollClick"); }
  // A roll runs by itself: clicks do not end it.
  bool WaitsForInput() const override { return false; }

 private:
  Trace& trace_;
};

}  // namespace tolven
