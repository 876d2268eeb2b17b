#pragma once

#include <cstdint>
#include <string_view>

namespace tolven {

// Lead bytes of the double-byte characters of code page 932.
constexpr bool IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The Unicode character of a code page 932 code: a single byte, or lead byte << 8 | trail
// byte. 0 for codes the code page leaves unassigned.
char32_t Cp932ToUnicode(uint32_t code);

// Calls visit with the code of each character of a Shift-JIS text.
template <typename Visit>
void ForEachCode(std::string_view text, Visit visit) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    if (IsLeadByte(lead) && i + 1 < text.size()) {
      visit(uint32_t{lead} << 8 | static_cast<uint8_t>(text[i + 1]));
      i += 2;
    } else {
      visit(uint32_t{lead});
      ++i;
    }
  }
}

}  // namespace tolven
