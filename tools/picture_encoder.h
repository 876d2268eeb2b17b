#pragma once

#include <cstdint>
#include <vector>

#include "resources/bitmap24.h"

namespace tolven::tools {

// Which optional stages the encoder may use; each allowed stage is used only when it makes the
// entry smaller.
struct PackOptions {
  bool runLength = true;
  bool delta = true;
};

// Builds a packed picture entry (16-byte header and compressed data) for a bitmap of 1 to 8192
// pixels in each direction; throws std::invalid_argument for any other size.
std::vector<uint8_t> EncodePackedPicture(const Bitmap24& bitmap, const PackOptions& options = {});

}  // namespace tolven::tools
