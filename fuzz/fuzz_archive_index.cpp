// Both index layouts from arbitrary bytes, through the file loader the engine uses (the bytes
// are a file in memory) and through the checking parser the tools use. Every kept entry must
// lie inside the data, lookups of every kept name must find an entry of that name, all three
// readers must keep the same entries, and the checker must name a fault whenever an entry of
// the table was dropped.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "resources/archive_index.h"

namespace {

// A file that lives in memory, so each input costs no disk traffic; the loader opens it by
// name like any archive.
class MemoryFile {
 public:
  MemoryFile() : descriptor_(memfd_create("archive", MFD_CLOEXEC)) {
    if (descriptor_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(descriptor_);
  }
  void Assign(const uint8_t* data, size_t size) {
    if (ftruncate(descriptor_, 0) != 0) std::abort();
    size_t written = 0;
    while (written < size) {
      const ssize_t got =
          pwrite(descriptor_, data + written, size - written, static_cast<off_t>(written));
      if (got <= 0) std::abort();
      written += static_cast<size_t>(got);
    }
  }
  const std::string& Path() const { return path_; }

 private:
  int descriptor_;
  std::string path_;
};

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Check(const uint8_t* data, size_t size, const std::string& path,
           tolven::ArchiveLayout layout) {
  const tolven::ArchiveIndex index = tolven::LoadArchiveIndex(path, layout);
  if (!(index == tolven::ParseArchiveIndex(data, size, layout))) std::abort();
  tolven::ArchiveIndexFaults faults;
  if (!(index == tolven::CheckArchiveIndex(data, size, layout, faults))) std::abort();
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
  const size_t header = layout == tolven::ArchiveLayout::A ? 4 : 8;
  const uint64_t claimed = size >= header ? ReadU32(data) : 0;
  if (!faults.Any() && (size < header || index.Size() != claimed)) std::abort();
  if (faults.unlisted > 0 && faults.listed.size() != tolven::ArchiveIndexFaults::kListed) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryFile file;
  file.Assign(data, size);
  Check(data, size, file.Path(), tolven::ArchiveLayout::A);
  Check(data, size, file.Path(), tolven::ArchiveLayout::B);
  return 0;
}
