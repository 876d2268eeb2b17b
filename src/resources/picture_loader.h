#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "resources/archives.h"
#include "resources/bitmap24.h"

namespace tolven {

// Loads pictures by name: from the JPEG archive when it holds the name, else in the packed
// format from the newest packed archive that does. One stream of bytes and one scratch picture
// serve every load, so loading picture after picture allocates nothing once sizes settle.
class PictureLoader {
 public:
  explicit PictureLoader(const Archives& archives) : archives_(archives) {}

  // False, with the bitmap untouched, when no picture archive holds the name or the entry
  // cannot be read or decoded.
  bool LoadPicture(std::string_view name, Bitmap24& bitmap);

 private:
  bool ReadPackedEntry(const ArchiveEntry& entry);

  const Archives& archives_;
  std::vector<uint8_t> pictureStream_;
  Bitmap24 scratch_;
};

// A one-off load with a loader of its own.
bool LoadPicture(const Archives& archives, std::string_view name, Bitmap24& bitmap);

}  // namespace tolven
