#include "tools/png_io.h"

#include <png.h>

#include <cstring>

#include "resources/packed_picture.h"
#include "tools/file_io.h"

namespace tolven::tools {
namespace {

// Owns a decoded image and frees it however the read ends.
struct PngImage {
  png_image image{};
  PngImage() { image.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image); }
};

}  // namespace

Bitmap24 ReadPng(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size())) {
    throw ToolError(path.string() + ": not a PNG picture (" + png.image.message + ")");
  }
  if (png.image.width == 0 || png.image.height == 0 || png.image.width > kMaxPackedDimension ||
      png.image.height > kMaxPackedDimension) {
    throw ToolError(path.string() + ": picture size out of range 1-8192");
  }
  png.image.format = PNG_FORMAT_BGR;
  Bitmap24 bitmap(static_cast<int>(png.image.width), static_cast<int>(png.image.height));
  if (!png_image_finish_read(&png.image, nullptr, bitmap.Data(),
                             static_cast<png_int_32>(bitmap.RowBytes()), nullptr)) {
    throw ToolError(path.string() + ": damaged PNG picture (" + png.image.message + ")");
  }
  return bitmap;
}

std::vector<uint8_t> EncodePng(const Bitmap24& bitmap) {
  PngImage png;
  png.image.width = static_cast<png_uint_32>(bitmap.Width());
  png.image.height = static_cast<png_uint_32>(bitmap.Height());
  png.image.format = PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  const auto stride = static_cast<png_int_32>(bitmap.RowBytes());
  if (!png_image_write_to_memory(&png.image, nullptr, &size, 0, bitmap.Data(), stride, nullptr)) {
    throw ToolError(std::string("cannot encode PNG: ") + png.image.message);
  }
  std::vector<uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png.image, bytes.data(), &size, 0, bitmap.Data(), stride,
                                 nullptr)) {
    throw ToolError(std::string("cannot encode PNG: ") + png.image.message);
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace tolven::tools
