#pragma once

#include "base/input.h"
#include "base/trace.h"

namespace tolven {

// Recollection mode (state 8) and scene replays. Not built yet; each entry point says so in
// the developer trace.
class Recollection {
 public:
  explicit Recollection(Trace& trace) : trace_(trace) {}

  void RecollectionHover(int, int) { trace_.NotBuiltYet("RecollectionHover"); }
  void RecollectionClick(MouseButton, int, int) { trace_.NotBuiltYet("RecollectionClick"); }
  void SkipScene() { trace_.NotBuiltYet("SkipScene"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
