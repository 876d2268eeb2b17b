#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "resources/archives.h"

namespace tolven {

// Scripts and definition texts are stored with every byte negated.
void NegateBytes(std::vector<uint8_t>& bytes);

// Reads a script or definition text from the script archives ("qe_data2.tvk" first) and
// negates it back to plain Shift-JIS lines. Nothing when no archive holds the name or the
// entry cannot be read. The text is held whole, whatever its size.
std::optional<std::vector<uint8_t>> ReadScriptEntry(const Archives& archives,
                                                    std::string_view name);

}  // namespace tolven
