#pragma once

#include <cstdint>
#include <vector>

#include "resources/bitmap24.h"

namespace tolven::tools {

struct JpegOptions {
  int quality = 90;  // 1-100
  bool progressive = false;
  int restartRows = 0;  // a restart marker after every this many rows of blocks; 0 none
};

// A JPEG file of the bitmap; baseline unless the options ask for progressive scans.
std::vector<uint8_t> EncodeJpeg(const Bitmap24& bitmap, const JpegOptions& options);
inline std::vector<uint8_t> EncodeJpeg(const Bitmap24& bitmap, int quality = 90) {
  return EncodeJpeg(bitmap, JpegOptions{quality});
}

}  // namespace tolven::tools
