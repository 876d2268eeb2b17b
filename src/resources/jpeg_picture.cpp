#include "resources/jpeg_picture.h"

#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <vector>

#include "resources/packed_picture.h"

namespace tolven {
namespace {

// libjpeg reports fatal errors through a callback that must not return; we jump back out.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
  bool truncated = false;
};

[[noreturn]] void OnFatalError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void IgnoreMessage(j_common_ptr) {}

// The library carries on past the end of a cut-off file, painting the rest grey; such a
// picture is damaged, not decoded.
void NoteWarning(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    reinterpret_cast<ErrorManager*>(info->err)->truncated = true;
  }
}

// Everything that needs cleaning up after a longjmp lives in the caller, above its setjmp, so
// no destructor is skipped when the library jumps out of here.
bool Decode(jpeg_decompress_struct& info, const uint8_t* data, size_t size, Bitmap24& scratch,
            std::vector<JSAMPROW>& rows) {
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width == 0 || info.output_height == 0 ||
      info.output_width > kMaxPackedDimension || info.output_height > kMaxPackedDimension) {
    return false;
  }
  scratch.Resize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  // Rows are handed over all at once so the library can write as many per call as it likes.
  rows.resize(info.output_height);
  for (JDIMENSION y = 0; y < info.output_height; ++y) rows[y] = scratch.Row(static_cast<int>(y));
  while (info.output_scanline < info.output_height) {
    JDIMENSION done = jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                                          info.output_height - info.output_scanline);
    if (done == 0) return false;
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpegPicture(const uint8_t* data, size_t size, Bitmap24& bitmap) {
  Bitmap24 scratch;
  return DecodeJpegPicture(data, size, bitmap, scratch);
}

bool DecodeJpegPicture(const uint8_t* data, size_t size, Bitmap24& bitmap, Bitmap24& scratch) {
  if (data == nullptr || size == 0) return false;
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnFatalError;
  errors.base.output_message = IgnoreMessage;
  errors.base.emit_message = NoteWarning;
  jpeg_create_decompress(&info);
  // Decoding goes to the scratch bitmap, so a damaged file leaves the target as it was.
  std::vector<JSAMPROW> rows;
  bool decoded = false;
  if (setjmp(errors.escape) == 0) decoded = Decode(info, data, size, scratch, rows);
  jpeg_destroy_decompress(&info);
  decoded = decoded && !errors.truncated;
  if (decoded) std::swap(bitmap, scratch);
  return decoded;
}

}  // namespace tolven
