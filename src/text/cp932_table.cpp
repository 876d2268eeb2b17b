#include "text/cp932_table.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace tolven {
namespace {

using Table = std::array<char32_t, 0x10000>;

// One conversion of one code, with the converter's state reset so a failed code cannot leave
// a partial character behind for the next.
char32_t Convert(iconv_t converter, const uint8_t* bytes, size_t length) {
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char input[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
  uint8_t output[8] = {};
  char* in = input;
  size_t inLeft = length;
  char* out = reinterpret_cast<char*>(output);
  size_t outLeft = sizeof output;
  if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
      sizeof output - outLeft != 4) {
    return 0;
  }
  return char32_t{output[0]} | char32_t{output[1]} << 8 | char32_t{output[2]} << 16 |
         char32_t{output[3]} << 24;
}

// Every code of the code page is converted once; after that a character costs one look-up.
std::unique_ptr<const Table> BuildTable() {
  auto table = std::make_unique<Table>();
  table->fill(0);
  iconv_t converter = iconv_open("UTF-32LE", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) return table;
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    if (IsLeadByte(static_cast<uint8_t>(byte))) continue;
    const uint8_t bytes[1] = {static_cast<uint8_t>(byte)};
    (*table)[byte] = Convert(converter, bytes, 1);
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<uint8_t>(lead))) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const uint8_t bytes[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
      (*table)[lead << 8 | trail] = Convert(converter, bytes, 2);
    }
  }
  iconv_close(converter);
  return table;
}

}  // namespace

char32_t Cp932ToUnicode(uint32_t code) {
  static const std::unique_ptr<const Table> table = BuildTable();
  return code < table->size() ? (*table)[code] : 0;
}

}  // namespace tolven
