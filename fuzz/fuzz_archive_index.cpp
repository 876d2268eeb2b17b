// Both index layouts from arbitrary bytes: every kept entry must lie inside the data, and
// lookups of every kept name must find an entry of that name.
#include <cstdint>
#include <cstdlib>

#include "resources/archive_index.h"

namespace {

void Check(const uint8_t* data, size_t size, tolven::ArchiveLayout layout) {
  tolven::ArchiveIndex index = tolven::ParseArchiveIndex(data, size, layout);
  if (index.names.size() != index.offsets.size() || index.names.size() != index.sizes.size()) {
    std::abort();
  }
  for (size_t i = 0; i < index.Size(); ++i) {
    if (static_cast<uint64_t>(index.offsets[i]) + index.sizes[i] > size) std::abort();
    const int found = tolven::FindEntry(index, index.names[i]);
    if (found < 0 || found > static_cast<int>(i) || index.names[found] != index.names[i]) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(data, size, tolven::ArchiveLayout::A);
  Check(data, size, tolven::ArchiveLayout::B);
  return 0;
}
