#include "resources/packed_picture.h"

#include <algorithm>
#include <bit>
#include <cstddef>
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

inline void Copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t word;
  std::memcpy(&word, src, 8);
  std::memcpy(dst, &word, 8);
}

// Copies 8 bytes one at a time, written out since a loop, even of fixed count, is not
// unrolled at every optimisation level and its exit branch is then mispredicted each call.
inline void CopyBytes8(uint8_t* dst, const uint8_t* src) {
  dst[0] = src[0];
  dst[1] = src[1];
  dst[2] = src[2];
  dst[3] = src[3];
  dst[4] = src[4];
  dst[5] = src[5];
  dst[6] = src[6];
  dst[7] = src[7];
}

// The length byte of the three-byte form; its top values stand for lengths it cannot hold.
inline size_t LongLength(unsigned e) {
  return e < 0xFD ? e + 3 : (e == 0xFD ? 256 : (e == 0xFE ? 1024 : 4096));
}

// Where the fields of each reference form sit in its bytes read as one big-endian number (code
// byte on top), indexed by the top two bits of the code byte.
struct ReferenceForm {
  uint8_t size;  // bytes, code byte included
  uint8_t distanceShift;
  uint16_t distanceMask;
  uint8_t lengthShift;
  uint8_t lengthMask;
  uint8_t lengthBase;
};
constexpr ReferenceForm kReferenceForms[4] = {
    {1, 18, 0x1F, 16, 0x03, 2},
    {1, 18, 0x1F, 16, 0x03, 2},
    {2, 12, 0x3FF, 8, 0x0F, 3},
    {3, 8, 0x3FFF, 0, 0xFF, 3},
};

// Reads the back-reference starting with code byte p[0]; its whole size must be there.
inline void ReadReference(const uint8_t* p, size_t& distance, size_t& length) {
  const unsigned c = p[0];
  if (c < 0x80) {
    length = (c & 3) + 2;
    distance = (c >> 2) + 1;
  } else if (c < 0xC0) {
    length = (p[1] & 0x0F) + 3;
    distance = ((c & 0x3F) << 4) + (p[1] >> 4) + 1;
  } else {
    distance = ((c & 0x3F) << 8) + p[1] + 1;
    length = LongLength(p[2]);
  }
}

inline bool IsLiteralRun(unsigned code) {
  return (code & 0x83) == 0x03;
}
inline size_t LiteralRunLength(unsigned code) {
  return (code >> 2) + 9;
}

// Flag bytes sit in the top byte with ones below, so counting leading zeros finds the literals
// ahead of the next coded item without passing the end of the group, and the group is used up
// once all eight bits have been shifted out, leaving kGroupDone.
inline uint32_t LoadFlags(uint8_t flagByte) {
  return (uint32_t{flagByte} << 24) | 0x00FFFFFF;
}
constexpr uint32_t kGroupDone = 0xFFFFFF00;

// Room the fast loop needs on both sides for one batch of literals and one coded item, all
// copied by fixed-size moves that may run past the item (later items overwrite those bytes).
constexpr size_t kFastMargin = 64;

// Stored pictures may end with an item that runs a little past the picture: encoders counted on
// this much room behind the output. An item reaching further than that is damage, not data.
constexpr size_t kSpareRoom = 256;

// The LZ stage: fills exactly `target` bytes of `out` from `in`; an item ending within the
// spare room is cut at the target.
bool DecodeLz(const uint8_t* in, size_t inSize, uint8_t* out, size_t target) {
  const uint8_t* p = in;
  const uint8_t* const end = in + inSize;
  size_t pos = 0;
  uint32_t flags = kGroupDone;

  // Away from both ends no item needs a bounds check, and the literals between coded items go
  // in one move instead of a hard-to-predict branch each.
  const bool roomy = inSize >= kFastMargin && target >= kFastMargin;
  const uint8_t* const fastEnd = roomy ? end - kFastMargin : in;
  const size_t fastTarget = roomy ? target - kFastMargin : 0;
  while (roomy && p <= fastEnd && pos <= fastTarget) {
    if (flags == kGroupDone) flags = LoadFlags(*p++);
    const int literals = std::countl_zero(flags | 1);  // never 0, which saves a test
    Copy8(out + pos, p);
    pos += literals;
    p += literals;
    flags <<= literals;
    if (flags == kGroupDone) continue;
    flags <<= 1;
    if (IsLiteralRun(*p)) {
      const size_t count = LiteralRunLength(*p);
      std::memcpy(out + pos, p + 1, 40);
      pos += count;
      p += count + 1;
      continue;
    }
    // The reference forms are mixed unpredictably in real data, so their fields are found by
    // table rather than by branches.
    const ReferenceForm& form = kReferenceForms[*p >> 6];
    const uint32_t bits = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    const size_t distance = ((bits >> form.distanceShift) & form.distanceMask) + 1;
    size_t length = ((bits >> form.lengthShift) & form.lengthMask) + form.lengthBase;
    p += form.size;
    if (distance > pos) return false;
    uint8_t* dst = out + pos;
    if (length <= 8) {
      // Most references are this short. Byte moves of a fixed count need no loop branch, work
      // for any distance (they read the bytes just written), and let every later read of these
      // bytes be served from the pending stores, which a wide read across them would not be.
      CopyBytes8(dst, dst - distance);
    } else {
      if (form.size == 3 && length > 255) length = LongLength(length - 3);
      if (length > target - pos + kSpareRoom) return false;
      length = std::min(length, target - pos);
      CopyBack(dst, distance, length);
    }
    pos += length;
  }

  while (pos < target) {
    if (flags == kGroupDone) {
      if (p == end) return false;
      flags = LoadFlags(*p++);
    }
    const bool coded = (flags & 0x80000000u) != 0;
    flags <<= 1;
    if (p == end) return false;
    if (!coded) {
      out[pos++] = *p++;
      continue;
    }
    const size_t inputLeft = static_cast<size_t>(end - p);
    if (IsLiteralRun(*p)) {
      const size_t count = LiteralRunLength(*p);
      if (inputLeft - 1 < count) return false;
      std::memcpy(out + pos, p + 1, std::min(count, target - pos));
      pos += std::min(count, target - pos);
      p += count + 1;
      continue;
    }
    if (inputLeft < kReferenceForms[*p >> 6].size) return false;
    size_t distance;
    size_t length;
    ReadReference(p, distance, length);
    p += kReferenceForms[*p >> 6].size;
    if (distance > pos || length > target - pos + kSpareRoom) return false;
    length = std::min(length, target - pos);
    CopyBack(out + pos, distance, length);
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

// Undoes the delta coding while copying: each channel holds differences to the same channel of
// the pixel before, so one pass keeps a running sum per channel.
void UndoDelta(const uint8_t* from, uint8_t* to, size_t size) {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  for (size_t i = 0; i + 3 <= size; i += 3) {
    blue = static_cast<uint8_t>(blue + from[i]);
    green = static_cast<uint8_t>(green + from[i + 1]);
    red = static_cast<uint8_t>(red + from[i + 2]);
    to[i] = blue;
    to[i + 1] = green;
    to[i + 2] = red;
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

  // Rows carry no padding on either side, so the whole picture is one block.
  bitmap.Resize(width, height);
  if ((flags & kPackedDelta) != 0) {
    UndoDelta(pixels.get(), bitmap.Data(), pictureSize);
  } else {
    std::memcpy(bitmap.Data(), pixels.get(), pictureSize);
  }
  return true;
}

}  // namespace tolven
