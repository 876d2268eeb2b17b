#pragma once

#include <ostream>
#include <string_view>

namespace tolven {

// The developer trace: every line run and every quiet failure, for authors. The player never
// sees it. The file is UTF-8; script text arrives as Shift-JIS and is converted on the way.
class Trace {
 public:
  void Attach(std::ostream* out) { out_ = out; }
  bool Enabled() const { return out_ != nullptr; }
  // A message of the engine's own, written in the source as UTF-8 ("無効数式").
  void Write(std::string_view utf8Message);
  // Text taken from the game's data (a script line, a name).
  void WriteGameText(std::string_view shiftJisText);
  // An entry point whose screen or subsystem is not built yet was reached.
  void NotBuiltYet(std::string_view entryPoint);

 private:
  std::ostream* out_ = nullptr;
};

}  // namespace tolven
