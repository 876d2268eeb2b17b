// Feeds arbitrary bytes to the packed picture decoder. Beyond the sanitizers' own checks, a
// decode must either fail leaving the bitmap as it was, or yield exactly the picture size the
// header names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "resources/packed_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolven::Bitmap24 bitmap(1, 1);
  bitmap.Data()[0] = 0x11;
  bitmap.Data()[1] = 0x22;
  bitmap.Data()[2] = 0x33;
  const tolven::Bitmap24 before = bitmap;
  if (!tolven::DecodePackedPicture(data, size, bitmap)) {
    if (!(bitmap == before)) std::abort();
    return 0;
  }
  if (size < tolven::kPackedHeaderSize) std::abort();
  const int width = data[12] | (data[13] << 8);
  const int height = data[14] | (data[15] << 8);
  if (bitmap.Width() != width || bitmap.Height() != height ||
      bitmap.SizeBytes() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
    std::abort();
  }
  return 0;
}
