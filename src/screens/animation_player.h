#pragma once

#include <string_view>

#include "base/trace.h"

namespace tolven {

// The animations of `anim` and `animq`, played inside their command. Not built yet; the entry
// point says so in the developer trace.
class AnimationPlayer {
 public:
  explicit AnimationPlayer(Trace& trace) : trace_(trace) {}

  void PlayAnimation(std::string_view, bool doubled) {
    trace_.NotBuiltYet(doubled ? "animq" : "anim");
  }

 private:
  Trace& trace_;
};

}  // namespace tolven
