#pragma once

#include "base/trace.h"

namespace tolven {

// The save and load list (TForm9). Not built yet; opening it says so in the developer trace.
class SaveList {
 public:
  enum class Mode { Save, Load };
  explicit SaveList(Trace& trace) : trace_(trace) {}

  void OpenSlotDialog(Mode mode) {
    trace_.NotBuiltYet(mode == Mode::Save ? "OpenSlotDialog save" : "OpenSlotDialog load");
  }

 private:
  Trace& trace_;
};

}  // namespace tolven
