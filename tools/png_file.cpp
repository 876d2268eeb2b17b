#include "tools/png_file.h"

#include "resources/png_io.h"
#include "tools/file_io.h"

namespace tolven::tools {

Bitmap24 ReadPng(const std::filesystem::path& path) {
  Bitmap24 bitmap;
  std::string why;
  if (!DecodePng(ReadWholeFile(path), bitmap, why)) throw ToolError(path.string() + ": " + why);
  return bitmap;
}

std::vector<uint8_t> PngBytes(const Bitmap24& bitmap) {
  std::vector<uint8_t> bytes = EncodePng(bitmap);
  if (bytes.empty()) throw ToolError("cannot encode a PNG picture");
  return bytes;
}

}  // namespace tolven::tools
