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

}  // namespace tolven::testing
