#pragma once

#include <string>

#include "base/trace.h"

namespace tolven {

// The entry points of screens and subsystems that input and the menu bar already route to but
// that are not built yet: the text log and page history, the rolls, the viewer, the shop and
// inventory, recollection, choices, the quick buttons and prompt, the save list, the dialogs,
// sound. Each one does nothing and says so in the developer trace, so a run shows where input
// went. They are filled in, and removed from here, as their screens are built.
class PendingScreens {
 public:
  explicit PendingScreens(Trace& trace) : trace_(trace) {}

  void Reach(const char* entryPoint) { trace_.Write(std::string("not built yet: ") + entryPoint); }

 private:
  Trace& trace_;
};

}  // namespace tolven
