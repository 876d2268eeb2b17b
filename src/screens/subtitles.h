#pragma once

#include <string_view>

#include "base/trace.h"

namespace tolven {

// The two-line title cards of `subtitle`. Not built yet; the entry point says so in the
// developer trace.
class Subtitles {
 public:
  explicit Subtitles(Trace& trace) : trace_(trace) {}

  void Subtitle(std::string_view) { trace_.NotBuiltYet("subtitle"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
