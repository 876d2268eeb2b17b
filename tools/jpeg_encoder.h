#pragma once

#include <cstdint>
#include <vector>

#include "resources/bitmap24.h"

namespace tolven::tools {

// A baseline JPEG file of the bitmap at the given quality (1-100).
std::vector<uint8_t> EncodeJpeg(const Bitmap24& bitmap, int quality = 90);

}  // namespace tolven::tools
