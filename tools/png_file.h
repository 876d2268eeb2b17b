#pragma once

#include <filesystem>

#include "resources/bitmap24.h"

namespace tolven::tools {

// Reads a PNG file; throws ToolError naming the file when it is not a readable PNG.
Bitmap24 ReadPng(const std::filesystem::path& path);

// The PNG bytes of a bitmap; throws ToolError when it cannot be encoded.
std::vector<uint8_t> PngBytes(const Bitmap24& bitmap);

}  // namespace tolven::tools
