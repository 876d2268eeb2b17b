#include "resources/png_io.h"

#include <png.h>

#include "resources/packed_picture.h"

namespace tolven {
namespace {

// Owns a libpng simplified-API image and frees it however the work ends.
struct PngImage {
  png_image image{};
  PngImage() { image.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image); }
};

}  // namespace

bool DecodePng(const std::vector<uint8_t>& bytes, Bitmap24& bitmap, std::string& why) {
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size())) {
    why = std::string("not a PNG picture (") + png.image.message + ")";
    return false;
  }
  if (png.image.width == 0 || png.image.height == 0 || png.image.width > kMaxPackedDimension ||
      png.image.height > kMaxPackedDimension) {
    why = "picture size out of range 1-8192";
    return false;
  }
  png.image.format = PNG_FORMAT_BGR;
  Bitmap24 decoded(static_cast<int>(png.image.width), static_cast<int>(png.image.height));
  if (!png_image_finish_read(&png.image, nullptr, decoded.Data(),
                             static_cast<png_int_32>(decoded.RowBytes()), nullptr)) {
    why = std::string("damaged PNG picture (") + png.image.message + ")";
    return false;
  }
  bitmap = std::move(decoded);
  return true;
}

std::vector<uint8_t> EncodePng(const Bitmap24& bitmap) {
  PngImage png;
  png.image.width = static_cast<png_uint_32>(bitmap.Width());
  png.image.height = static_cast<png_uint_32>(bitmap.Height());
  png.image.format = PNG_FORMAT_BGR;
  const auto stride = static_cast<png_int_32>(bitmap.RowBytes());
  png_alloc_size_t size = 0;
  if (bitmap.Empty() ||
      !png_image_write_to_memory(&png.image, nullptr, &size, 0, bitmap.Data(), stride, nullptr)) {
    return {};
  }
  std::vector<uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png.image, bytes.data(), &size, 0, bitmap.Data(), stride,
                                 nullptr)) {
    return {};
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace tolven
