#pragma once

#include "base/trace.h"

namespace tolven {

// The strip of quick buttons in the message window: skip, auto-advance, the log. Not built
// yet; each entry point says so in the developer trace.
class QuickButtons {
 public:
  explicit QuickButtons(Trace& trace) : trace_(trace) {}

  // Target 0 the stage, 1 the stage and the screen, 2 the message-window pictures.
  void DrawQuickButtons(int) { trace_.NotBuiltYet("DrawQuickButtons"); }
  void HoverQuickButtons(int, int) { trace_.NotBuiltYet("HoverQuickButtons"); }
  // Whether the click was used by a button.
  bool ClickQuickButton() {
    trace_.NotBuiltYet("ClickQuickButton");
    return false;
  }

 private:
  Trace& trace_;
};

}  // namespace tolven
