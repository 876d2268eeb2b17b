#include "resources/jpeg_picture.h"

#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

#include <jerror.h>  // after jpeglib.h: its configuration decides which codes exist

#include <csetjmp>
#include <vector>

#include "resources/packed_picture.h"

namespace tolven {
namespace {

// libjpeg reports fatal errors through a callback that must not return; we jump back out.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

[[noreturn]] void OnFatalError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void IgnoreMessage(j_common_ptr) {}

// Warnings that mean part of the picture's data is missing or wrong. The library carries on
// past them, painting what it lacks grey or leaving coefficients unrefined, but such a picture
// is damaged, not decoded: the file ended (JPEG_EOF), a marker came where coded data should be
// (HIT_MARKER, so a small file can pass for a huge grey picture), restart markers went missing
// (MUST_RESYNC), a code matches no table (HUFF_BAD_CODE, ARITH_BAD_CODE), or a progressive
// scan refines coefficients that no earlier scan coded (BOGUS_PROGRESSION).
//
// The others leave every pixel decoded from the file's own data, so they do not count: stray
// bytes between segments (EXTRANEOUS_DATA; encoders that pad the last byte badly are common),
// odd scan fields that a sequential decode ignores (NOT_SEQUENTIAL), and metadata the library
// does not know (JFIF revision, Adobe transform, ICC profile).
bool IsCorruptData(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

// A damaged picture is refused whatever follows, so decoding stops at the first sign of damage
// instead of filling the rest of a picture whose header may claim thousands of rows.
void OnWarning(j_common_ptr info, int level) {
  if (level < 0 && IsCorruptData(info->err->msg_code)) OnFatalError(info);
}

// What libjpeg may allocate for the largest picture we accept: a progressive file keeps every
// coefficient of the whole picture, two bytes for each of three samples per pixel. Past this the
// library fails instead of allocating, whatever the file claims.
constexpr long kMaxDecoderMemory =
    static_cast<long>(kMaxPackedDimension) * kMaxPackedDimension * 3 * 2 + (64L << 20);

// Everything that needs cleaning up after a longjmp lives in the caller, above its setjmp, so
// no destructor is skipped when the library jumps out of here.
bool Decode(jpeg_decompress_struct& info, const uint8_t* data, size_t size, Bitmap24& scratch,
            std::vector<JSAMPROW>& rows) {
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  // The header alone says how big the picture claims to be; a progressive decode would set up
  // buffers for all of it in jpeg_start_decompress, before a byte of the picture is read.
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxPackedDimension ||
      info.image_height > kMaxPackedDimension) {
    return false;
  }
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
  errors.base.emit_message = OnWarning;
  // Decoding goes to the scratch bitmap, so a damaged file leaves the target as it was.
  std::vector<JSAMPROW> rows;
  bool decoded = false;
  if (setjmp(errors.escape) == 0) {
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxDecoderMemory;
    decoded = Decode(info, data, size, scratch, rows);
  }
  jpeg_destroy_decompress(&info);
  if (decoded) std::swap(bitmap, scratch);
  return decoded;
}

}  // namespace tolven
