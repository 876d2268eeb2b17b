#pragma once

#include "base/input.h"
#include "base/trace.h"

namespace tolven {

// The picture and scene viewer (state 6). Not built yet; each entry point says so in the
// developer trace.
class Viewer {
 public:
  explicit Viewer(Trace& trace) : trace_(trace) {}

  void ViewFrame() { trace_.NotBuiltYet("ViewFrame"); }
  void ViewHover(int, int) { trace_.NotBuiltYet("ViewHover"); }
  void ViewClick(MouseButton, int, int) { trace_.NotBuiltYet("ViewClick"); }
  // Ends a scene replay and goes back to the viewer.
  void ReturnFromReplay() { trace_.NotBuiltYet("ReturnFromReplay"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
