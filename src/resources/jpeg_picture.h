#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven {

// Decodes a JPEG file held in memory straight into the bitmap's blue-green-red rows. Returns
// false and leaves the bitmap untouched when the data cannot be decoded.
bool DecodeJpegPicture(const uint8_t* data, size_t size, Bitmap24& bitmap);
// The same, decoding into a scratch bitmap that is swapped with the target on success, so a
// caller loading picture after picture allocates nothing once the sizes have settled.
bool DecodeJpegPicture(const uint8_t* data, size_t size, Bitmap24& bitmap, Bitmap24& scratch);

}  // namespace tolven
