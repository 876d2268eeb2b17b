// Definition texts from arbitrary bytes: reading lines must always reach the end without
// running past it, and section lookups and fields must cope with anything.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/definition_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolven::DefinitionText text;
  text.Assign(std::vector<uint8_t>(data, data + size));
  uint32_t position = 0;
  size_t lines = 0;
  while (position < text.DefinitionSize()) {
    const uint32_t before = position;
    std::string line = text.ReadDefLine(position);
    if (position <= before || position > text.DefinitionSize()) std::abort();
    for (int n = 0; n < 3; ++n) {
      if (tolven::Field(line, n).size() > line.size()) std::abort();
    }
    if (++lines > size + 1) std::abort();
  }
  std::string name = size > 0 ? std::string(reinterpret_cast<const char*>(data), size % 16) : "";
  text.FindSection(name);
  text.FindSection("VIEW_1");
  return 0;
}
