#pragma once

#include <cstdio>  // jpeglib.h needs FILE declared first
#include <vector>

#include <jpeglib.h>

#include "resources/bitmap24.h"

namespace tolven::testing {

// What libjpeg-turbo alone makes of a JPEG, decoded straight to blue-green-red rows: the
// reference our loader must match and the baseline it is timed against. The bitmap is resized
// only when its size differs, so repeated decodes allocate nothing but the row table.
inline void LibjpegDecodeBgr(const std::vector<uint8_t>& jpeg, Bitmap24& bitmap) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), jpeg.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  bitmap.Resize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  std::vector<JSAMPROW> rows(info.output_height);
  for (JDIMENSION y = 0; y < info.output_height; ++y) rows[y] = bitmap.Row(static_cast<int>(y));
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                        info.output_height - info.output_scanline);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}

// Position of the first marker 0xFF code at or after from; the size when there is none. Good
// enough for files written by the encoder above, whose tables hold no such byte pairs.
inline size_t FindJpegMarker(const std::vector<uint8_t>& jpeg, uint8_t code, size_t from = 2) {
  for (size_t i = from; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  }
  return jpeg.size();
}

// The same file with the frame header claiming another size, as a damaged or hostile file
// might: the coded data still covers only the picture that was encoded.
inline std::vector<uint8_t> WithClaimedJpegSize(std::vector<uint8_t> jpeg, uint16_t width,
                                                uint16_t height) {
  size_t frame = FindJpegMarker(jpeg, 0xC0);
  if (frame == jpeg.size()) frame = FindJpegMarker(jpeg, 0xC2);
  if (frame + 9 > jpeg.size()) std::abort();
  jpeg[frame + 5] = static_cast<uint8_t>(height >> 8);
  jpeg[frame + 6] = static_cast<uint8_t>(height);
  jpeg[frame + 7] = static_cast<uint8_t>(width >> 8);
  jpeg[frame + 8] = static_cast<uint8_t>(width);
  return jpeg;
}

}  // namespace tolven::testing
