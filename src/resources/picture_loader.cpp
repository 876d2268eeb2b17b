#include "resources/picture_loader.h"

#include "resources/jpeg_picture.h"
#include "resources/packed_picture.h"

namespace tolven {
namespace {

// A packed entry says in its own header how many bytes follow it; the index size is not
// consulted, as older archives may carry sizes that do not match.
std::optional<std::vector<uint8_t>> ReadPackedEntry(const Archives& archives,
                                                    const ArchiveEntry& entry) {
  auto header = archives.ReadAt(entry.archive, entry.offset, kPackedHeaderSize);
  if (!header) return std::nullopt;
  const uint8_t* h = header->data();
  const uint64_t compressed = static_cast<uint64_t>(h[4]) | static_cast<uint64_t>(h[5]) << 8 |
                              static_cast<uint64_t>(h[6]) << 16 | static_cast<uint64_t>(h[7]) << 24;
  return archives.ReadAt(entry.archive, entry.offset, kPackedHeaderSize + compressed);
}

}  // namespace

bool LoadPicture(const Archives& archives, std::string_view name, Bitmap24& bitmap) {
  std::optional<ArchiveEntry> entry = archives.FindPicture(name);
  if (!entry) return false;
  if (entry->archive == kJpegArchive) {
    auto bytes = archives.ReadEntry(*entry);
    return bytes && DecodeJpegPicture(bytes->data(), bytes->size(), bitmap);
  }
  auto bytes = ReadPackedEntry(archives, *entry);
  return bytes && DecodePackedPicture(bytes->data(), bytes->size(), bitmap);
}

}  // namespace tolven
