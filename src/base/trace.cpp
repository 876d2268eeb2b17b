#include "base/trace.h"

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

}  // namespace tolven
