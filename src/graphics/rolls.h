#pragma once

#include "base/trace.h"

namespace tolven {

// The self-timed sequences that take over the screen: the scripted roll (state 3) and the
// scrolling text (state 5). Not built yet; each entry point says so in the developer trace.
class Rolls {
 public:
  explicit Rolls(Trace& trace) : trace_(trace) {}

  // One frame of the roll language the frame loop steps in state 3.
  void RollStep() { trace_.NotBuiltYet("RollStep"); }
  void RollClick() { trace_.NotBuiltYet("RollClick"); }
  void ScrollingTextClick() { trace_.NotBuiltYet("ScrollingTextClick"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
