#pragma once

#include "base/trace.h"
#include "screens/screen.h"

namespace tolven {

// The text of "sroll" scrolled up the screen (state 5). Not built yet; each entry point says so
// in the developer trace.
class ScrollingText final : public Screen {
 public:
  explicit ScrollingText(Trace& trace) : trace_(trace) {}

  void Sroll() { trace_.NotBuiltYet("sroll"); }

  void Press(MouseButton, int, int) override { trace_.NotBuiltYet("ScrollingTextClick"); }
  bool WaitsForInput() const override { return false; }

 private:
  Trace& trace_;
};

}  // namespace tolven
