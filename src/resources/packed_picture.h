#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/bitmap24.h"

namespace tolven {

// Limits a packed entry must keep to be decoded at all: larger pictures are taken for damage.
inline constexpr int kMaxPackedDimension = 8192;
inline constexpr size_t kPackedHeaderSize = 16;

// Header flags of a packed entry.
inline constexpr uint8_t kPackedRunLength = 0x40;
inline constexpr uint8_t kPackedDelta = 0x80;

// Decodes one packed entry (header and compressed data) from the bytes given. Returns false,
// leaving the bitmap untouched, when the entry is malformed: too short for its header or its
// compressed size, bytes per pixel other than 3, a width or height of 0 or beyond
// kMaxPackedDimension, a back-reference before the start of the output, or a stage that runs
// out of input before its output is full.
//
// Entries are untrusted, so every stage stops exactly at its target size and checks its input:
// - An item whose bytes would pass the end of its stage's output (an LZ literal run or
//   back-reference, a run-length literal copy) is cut there; valid encoders may end that way (a
//   4-byte reference when 2 bytes are left). An LZ back-reference reaching more than 256 bytes
//   past the end fails the entry instead: encoders only ever counted on that much room behind
//   the picture, so anything longer is damage. A run keeps as many whole repeats as fit.
// - An item needing more input than its stage has (beyond the compressed size for the LZ
//   stage, beyond the LZ output for the run-length stage) fails the entry, even when the part
//   that would be kept is there.
// - The LZ stage reads a flag byte only when an item needs it, so an entry whose last group of
//   eight items is full may end without another flag byte.
// - With the run-length stage, an intermediate size of 0 or beyond 2 * picture bytes + 65536 is
//   rejected: valid run-length data is hardly larger than the picture, and the bound caps what a
//   damaged header can make us allocate. So does rejecting any size no stage could fill from the
//   input it has (no LZ item yields 4096 bytes per input byte, no run 8192).
bool DecodePackedPicture(const uint8_t* data, size_t size, Bitmap24& bitmap);

}  // namespace tolven
