#pragma once

#include "base/input.h"
#include "base/trace.h"

namespace tolven {

// The choices on screen: `select`, `clickmap`, `seltree`. Input already routes here; drawing
// and picking are not built yet, and each entry point says so in the developer trace.
class Choices {
 public:
  explicit Choices(Trace& trace) : trace_(trace) {}

  void HoverChoice(int, int) { trace_.NotBuiltYet("HoverChoice"); }
  void PickChoice(MouseButton) { trace_.NotBuiltYet("PickChoice"); }
  // Up and down move the pointer onto the answer above or below: -1 up, +1 down.
  void MovePointerOverAnswers(int) { trace_.NotBuiltYet("MovePointerOverAnswers"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
