#pragma once

#include "base/trace.h"

namespace tolven {

// The configuration dialog (TForm3). Not built yet; showing it says so in the developer trace.
class ConfigurationDialog {
 public:
  explicit ConfigurationDialog(Trace& trace) : trace_(trace) {}

  void ShowModal() { trace_.NotBuiltYet("configuration dialog"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
