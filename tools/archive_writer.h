#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/archive_index.h"

namespace tolven::tools {

struct ArchiveInput {
  std::string name;  // entry name as it will be stored
  std::vector<uint8_t> data;
};

// The longest name layout A can hold: 16 bytes with the terminator.
inline constexpr size_t kLayoutAMaxName = 15;

// Builds a whole archive file: the index, then every entry's data in order. Layout A stores
// the data negated, as the engine's script archives do. Throws ToolError for a name that the
// layout cannot hold.
std::vector<uint8_t> BuildArchive(ArchiveLayout layout, const std::vector<ArchiveInput>& entries);

// Layout A for the script archives ("qe_data*.tvk"), B for every other archive.
ArchiveLayout LayoutForArchiveName(const std::string& fileName);

}  // namespace tolven::tools
