#pragma once

#include <string_view>

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// The picture and scene viewer (state 6). Not built yet; each entry point says so in the
// developer trace.
class Viewer final : public Screen {
 public:
  explicit Viewer(Trace& trace) : trace_(trace) {}

  // `viewer NAME`: opens the view of that name.
  void OpenView(std::string_view) { trace_.NotBuiltYet("viewer"); }
  // Ends a scene replay and goes back to the viewer.
  void ReturnFromReplay() { trace_.NotBuiltYet("ReturnFromReplay"); }

  void FrameStep() override { trace_.NotBuiltYet("ViewFrame"); }
  void PointerMove(int, int) override { trace_.NotBuiltYet("ViewHover"); }
  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("ViewClick"); }
  bool WaitsForInput() const override { return true; }

 private:
  Trace& trace_;
};

}  // namespace tolven
