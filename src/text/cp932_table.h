#pragma once

#include <cstdint>

namespace tolven {

// Lead bytes of the double-byte characters of code page 932.
constexpr bool IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The Unicode character of a code page 932 code: a single byte, or lead byte << 8 | trail
// byte. 0 for codes the code page leaves unassigned.
char32_t Cp932ToUnicode(uint32_t code);

}  // namespace tolven
