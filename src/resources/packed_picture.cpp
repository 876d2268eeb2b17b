#include "resources/packed_picture.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tolven {

namespace {

// Caps on what a stage can make of each input byte: an LZ item never yields 4096 bytes per
// compressed byte (the longest copy takes three), a run never 8192 per byte. A header asking
// for more than that can never decode, and is refused before anything is allocated for it.
constexpr uint64_t kMaxLzExpansion = 4096;
constexpr uint64_t kMaxRunExpansion = 8192;

// Run-length data that is more than twice the picture is taken for damage; see the header.
constexpr uint64_t kRunLengthSlack = 65536;

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Appends `length` bytes taken from `distance` bytes back. Source and destination may overlap,
// in which case the bytes just written are read again, repeating the last `distance` bytes.
inline void CopyBack(uint8_t* dst, size_t distance, size_t length) {
  const uint8_t* src = dst - distance;
  if (length <= 16) {
    // Most copies are this short; a plain loop beats a library call and handles overlap.
    for (size_t i = 0; i < length; ++i) dst[i] = src[i];
    return;
  }
  // Each pass doubles the repeating stretch, so long overlapping copies take few memcpy calls.
  while (length > 0) {
    size_t chunk = std::min(length, static_cast<size_t>(dst - src));
    std::memcpy(dst, src, chunk);
    dst += chunk;
    length -= chunk;
  }
}

// Writes `count` copies of the `unit`-byte pattern at `dst`.
inline void FillPattern(uint8_t* dst, const uint8_t* pattern, size_t unit, size_t count) {
  if (count == 0) return;
  if (unit == 1) {
    std::memset(dst, pattern[0], count);
    return;
  }
  std::memcpy(dst, pattern, unit);
  CopyBack(dst + unit, unit, unit * (count - 1));
}

// Copies of up to this many bytes may write a few bytes beyond their end (later items
// overwrite them), which spares a loop whose length the processor cannot predict.
constexpr size_t kShortCopy = 24;

inline void Copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t word;
  std::memcpy(&word, src, 8);
  std::memcpy(dst, &word, 8);
}

// The LZ stage: fills exactly `target` bytes of `out` from `in`.
bool DecodeLz(const uint8_t* in, size_t inSize, uint8_t* out, size_t target) {
  const uint8_t* p = in;
  const uint8_t* const end = in + inSize;
  size_t pos = 0;
  unsigned flags = 0;
  int itemsLeft = 0;
  while (pos < target) {
    if (itemsLeft == 0) {
      if (p == end) return false;
      flags = *p++;
      itemsLeft = 8;
    }
    const bool coded = (flags & 0x80) != 0;
    flags <<= 1;
    --itemsLeft;
    if (p == end) return false;
    if (!coded) {
      out[pos++] = *p++;
      continue;
    }
    const unsigned c = *p++;
    size_t distance;
    size_t length;
    if (c < 0x80) {
      if ((c & 3) == 3) {
        const size_t count = (c >> 2) + 9;
        const size_t inputLeft = static_cast<size_t>(end - p);
        if (inputLeft < count) return false;
        const size_t room = target - pos;
        if (room >= 40 && inputLeft >= 40) {
          std::memcpy(out + pos, p, 40);  // a fixed size compiles to a few moves
          pos += count;
        } else {
          const size_t kept = std::min(count, room);
          std::memcpy(out + pos, p, kept);
          pos += kept;
        }
        p += count;
        continue;
      }
      length = (c & 3) + 2;
      distance = (c >> 2) + 1;
    } else if ((c & 0x40) == 0) {
      if (p == end) return false;
      const unsigned d = *p++;
      length = (d & 0x0F) + 3;
      distance = ((c & 0x3F) << 4) + (d >> 4) + 1;
    } else {
      if (end - p < 2) return false;
      const unsigned d = p[0];
      const unsigned e = p[1];
      p += 2;
      distance = ((c & 0x3F) << 8) + d + 1;
      switch (e) {
        case 0xFF:
          length = 4096;
          break;
        case 0xFE:
          length = 1024;
          break;
        case 0xFD:
          length = 256;
          break;
        default:
          length = e + 3;
          break;
      }
    }
    if (distance > pos) return false;
    uint8_t* dst = out + pos;
    if (distance >= 8 && length <= kShortCopy && target - pos >= kShortCopy) {
      // Each 8-byte step reads only bytes before the ones it writes, as distance >= 8.
      Copy8(dst, dst - distance);
      Copy8(dst + 8, dst + 8 - distance);
      if (length > 16) Copy8(dst + 16, dst + 16 - distance);
      pos += length;
      continue;
    }
    length = std::min(length, target - pos);
    CopyBack(dst, distance, length);
    pos += length;
  }
  return true;
}

// The run-length stage: fills exactly `target` bytes of `out` from the LZ output in `in`.
bool DecodeRunLength(const uint8_t* in, size_t inSize, uint8_t* out, size_t target) {
  const uint8_t* p = in;
  const uint8_t* const end = in + inSize;
  size_t pos = 0;
  while (pos < target) {
    if (p == end) return false;
    const unsigned c = *p++;
    if (c < 0x80) {
      const size_t count = (c & 0x7F) + 1;
      if (static_cast<size_t>(end - p) < count) return false;
      const size_t kept = std::min(count, target - pos);
      std::memcpy(out + pos, p, kept);
      p += count;
      pos += kept;
      continue;
    }
    if (p == end) return false;
    size_t count = ((c & 0x1F) << 8) + *p++ + 1;
    const size_t unit = ((c >> 5) & 3) + 1;
    if (static_cast<size_t>(end - p) < unit) return false;
    if (count * unit > target - pos) count = (target - pos) / unit;
    FillPattern(out + pos, p, unit, count);
    p += unit;
    pos += count * unit;
  }
  return true;
}

// Undoes the delta coding: each channel holds differences to the same channel of the pixel
// before, so one pass keeps a running sum per channel.
void UndoDelta(uint8_t* pixels, size_t size) {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  for (size_t i = 0; i + 3 <= size; i += 3) {
    blue = static_cast<uint8_t>(blue + pixels[i]);
    green = static_cast<uint8_t>(green + pixels[i + 1]);
    red = static_cast<uint8_t>(red + pixels[i + 2]);
    pixels[i] = blue;
    pixels[i + 1] = green;
    pixels[i + 2] = red;
  }
}

}  // namespace

bool DecodePackedPicture(const uint8_t* data, size_t size, Bitmap24& bitmap) {
  if (data == nullptr || size < kPackedHeaderSize) return false;
  const uint8_t flags = data[2];
  const uint8_t bytesPerPixel = data[3];
  const uint64_t compressedSize = ReadU32(data + 4);
  const uint64_t intermediateSize = ReadU32(data + 8);
  const int width = ReadU16(data + 12);
  const int height = ReadU16(data + 14);
  if (bytesPerPixel != 3) return false;
  if (width == 0 || height == 0 || width > kMaxPackedDimension || height > kMaxPackedDimension) {
    return false;
  }
  if (size - kPackedHeaderSize < compressedSize) return false;

  const uint64_t pictureSize = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3;
  const bool runLength = (flags & kPackedRunLength) != 0;
  const uint64_t lzSize = runLength ? intermediateSize : pictureSize;
  if (runLength) {
    if (lzSize == 0 || lzSize > 2 * pictureSize + kRunLengthSlack) return false;
    if (pictureSize > lzSize * kMaxRunExpansion) return false;
  }
  if (lzSize > compressedSize * kMaxLzExpansion) return false;

  const uint8_t* compressed = data + kPackedHeaderSize;
  auto pixels = std::make_unique_for_overwrite<uint8_t[]>(pictureSize);
  if (runLength) {
    auto intermediate = std::make_unique_for_overwrite<uint8_t[]>(lzSize);
    if (!DecodeLz(compressed, compressedSize, intermediate.get(), lzSize)) return false;
    if (!DecodeRunLength(intermediate.get(), lzSize, pixels.get(), pictureSize)) return false;
  } else if (!DecodeLz(compressed, compressedSize, pixels.get(), pictureSize)) {
    return false;
  }
  if ((flags & kPackedDelta) != 0) UndoDelta(pixels.get(), pictureSize);

  // Rows carry no padding on either side, so the whole picture is one block.
  bitmap.Resize(width, height);
  std::memcpy(bitmap.Data(), pixels.get(), pictureSize);
  return true;
}

}  // namespace tolven
