#include "base/trace.h"

#include <string>

#include "base/text_encoding.h"

namespace tolven {

void Trace::Write(std::string_view utf8Message) {
  if (out_ == nullptr) return;
  *out_ << utf8Message << '\n';
  out_->flush();
}

void Trace::WriteGameText(std::string_view shiftJisText) {
  if (out_ == nullptr) return;
  Write(ShiftJisToUtf8Lossy(shiftJisText));
}

void Trace::NotBuiltYet(std::string_view entryPoint) {
  if (out_ == nullptr) return;
  Write("not built yet: " + std::string(entryPoint));
}

}  // namespace tolven
