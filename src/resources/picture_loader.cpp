#include "resources/picture_loader.h"

#include "resources/jpeg_picture.h"
#include "resources/packed_picture.h"

namespace tolven {

// A packed entry says in its own header how many bytes follow it; the index size is not
// consulted, as older archives may carry sizes that do not match.
bool PictureLoader::ReadPackedEntry(const ArchiveEntry& entry) {
  if (!archives_.ReadInto(entry.archive, entry.offset, kPackedHeaderSize, pictureStream_)) {
    return false;
  }
  const uint8_t* h = pictureStream_.data();
  const uint64_t compressed = static_cast<uint64_t>(h[4]) | static_cast<uint64_t>(h[5]) << 8 |
                              static_cast<uint64_t>(h[6]) << 16 | static_cast<uint64_t>(h[7]) << 24;
  return archives_.ReadInto(entry.archive, entry.offset, kPackedHeaderSize + compressed,
                            pictureStream_);
}

bool PictureLoader::LoadPicture(std::string_view name, Bitmap24& bitmap) {
  std::optional<ArchiveEntry> entry = archives_.FindPicture(name);
  if (!entry) return false;
  if (entry->archive == kJpegArchive) {
    return archives_.ReadInto(entry->archive, entry->offset, entry->size, pictureStream_) &&
           DecodeJpegPicture(pictureStream_.data(), pictureStream_.size(), bitmap, scratch_);
  }
  return ReadPackedEntry(*entry) &&
         DecodePackedPicture(pictureStream_.data(), pictureStream_.size(), bitmap);
}

bool LoadPicture(const Archives& archives, std::string_view name, Bitmap24& bitmap) {
  PictureLoader loader(archives);
  return loader.LoadPicture(name, bitmap);
}

}  // namespace tolven
