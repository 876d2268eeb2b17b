#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/bitmap24.h"

namespace tolven {

// Any PNG (palette, grey, alpha and 16-bit are reduced to 8-bit colour; alpha is dropped) into
// a bitmap of 1 to 8192 pixels each way. False with the reason otherwise; the bitmap is then
// untouched.
bool DecodePng(const std::vector<uint8_t>& bytes, Bitmap24& bitmap, std::string& why);

// The PNG file's bytes for a bitmap; empty when it cannot be encoded.
std::vector<uint8_t> EncodePng(const Bitmap24& bitmap);

}  // namespace tolven
