#pragma once

#include <filesystem>

#include "resources/bitmap24.h"

namespace tolven::tools {

// Reads any PNG (palette, grey, alpha and 16-bit are reduced to 8-bit colour; alpha is dropped)
// into a bitmap. Throws ToolError naming the file when it is not a readable PNG.
Bitmap24 ReadPng(const std::filesystem::path& path);

// The PNG file's bytes for a bitmap.
std::vector<uint8_t> EncodePng(const Bitmap24& bitmap);

}  // namespace tolven::tools
