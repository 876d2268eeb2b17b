#include "resources/script_source.h"

namespace tolven {

void NegateBytes(std::vector<uint8_t>& bytes) {
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(-byte);
}

std::optional<std::vector<uint8_t>> ReadScriptEntry(const Archives& archives,
                                                    std::string_view name) {
  std::optional<ArchiveEntry> entry = archives.FindScript(name);
  if (!entry) return std::nullopt;
  std::optional<std::vector<uint8_t>> bytes = archives.ReadEntry(*entry);
  if (bytes) NegateBytes(*bytes);
  return bytes;
}

}  // namespace tolven
