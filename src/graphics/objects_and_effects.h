#pragma once

#include <string_view>

#include "base/trace.h"

namespace tolven {

// The script's objects drawn over the stage and the effects of the definition text "effect".
// Not built yet; each entry point says so in the developer trace.
class ObjectsAndEffects {
 public:
  explicit ObjectsAndEffects(Trace& trace) : trace_(trace) {}

  void Obj(std::string_view) { trace_.NotBuiltYet("obj_"); }
  void Effect(std::string_view) { trace_.NotBuiltYet("effect"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
