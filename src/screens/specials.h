#pragma once

#include <string_view>

#include "base/trace.h"

namespace tolven {

// The one-shot sequences of `special`: flashes, a shaken window, the letterbox, the sepia fade,
// the end credits and the completion rate. Not built yet; the entry point says so in the
// developer trace.
class Specials {
 public:
  explicit Specials(Trace& trace) : trace_(trace) {}

  void Special(std::string_view) { trace_.NotBuiltYet("special"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
