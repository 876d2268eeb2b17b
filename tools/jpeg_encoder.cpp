#include "tools/jpeg_encoder.h"

#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

#include <cstdlib>

namespace tolven::tools {

std::vector<uint8_t> EncodeJpeg(const Bitmap24& bitmap, const JpegOptions& options) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(bitmap.Width());
  info.image_height = static_cast<JDIMENSION>(bitmap.Height());
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&info);
  info.restart_in_rows = options.restartRows;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(bitmap.Row(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

}  // namespace tolven::tools
