#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "audio/pcm.h"

namespace tolven {

// WADY: the engine's own compressed 16-bit sound format. A 48-byte header, then coded data in
// one of two codings. Which coding an entry uses follows from the archive it comes from, not
// from the header: block coding for voices and effects, byte coding for music and the sounds
// inside animations.
inline constexpr size_t kWadyHeaderSize = 48;

enum class WadyCoding { Block, Byte };

// The PCM format record at bytes 32-47, laid out as a wave file's format chunk.
struct WadyFormat {
  uint16_t tag = 1;  // 1 = PCM
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 16;
};

struct WadyHeader {
  uint8_t unused = 0;        // byte 4, carries no meaning
  uint8_t scale = 0;         // multiplier of the byte coding's deltas
  uint16_t channels = 0;     // byte coding's channel count
  uint32_t rate = 0;         // frames per second, for streaming
  uint32_t codedSize = 0;    // bytes of coded data after the header
  uint32_t frames = 0;       // frame count, for byte-coded whole sounds
  uint32_t decodedSize = 0;  // bytes of PCM a whole sound decodes to
  uint32_t loopStart = 0;    // offset into the coded data where a looping stream goes on
  int16_t loopLeft = 0;      // decoder states that hold at the loop start
  int16_t loopRight = 0;
  WadyFormat format;
};

// Nothing when the bytes are too short for a header or do not begin with "WADY".
std::optional<WadyHeader> ReadWadyHeader(std::span<const uint8_t> bytes);
std::array<uint8_t, kWadyHeaderSize> WadyHeaderBytes(const WadyHeader& header);

// The decoder tables: byte-coding steps T, block-coding deltas D and run lengths R.
extern const std::array<int16_t, 128> kWadyByteSteps;
extern const std::array<int16_t, 64> kWadyBlockDeltas;
extern const std::array<uint16_t, 8> kWadyRunLengths;

// What the next one-byte code of a block does to the current sample, and what a byte of byte
// coding does to a channel state. Shared with the encoder, which must predict the decoder.
int16_t WadyBlockOneByte(uint8_t code, int16_t current);
int16_t WadyByteStep(uint8_t code, int16_t state, uint8_t scale);

// Writes the samples of a straight run from `from` to `target` over `length` samples into
// out[0], out[stride], ... as the decoder does, stopping at `limit` samples; returns how many
// it wrote.
size_t WadyRun(int16_t from, int16_t target, int length, int16_t* out, size_t stride, size_t limit);

// Decodes one channel block (the bytes from the block's start to the end of the entry) into
// output[0], output[stride], ... and returns the number of samples written.
//
// The block comes from outside, so it is decoded only as far as both ends allow: a block too
// short for its 10-byte head yields nothing; decoding stops at the first code that is not
// wholly inside the block, and at the first sample that would fall beyond the output, keeping
// what was written so far. The code count is trusted no further than the bytes go, so a
// damaged count cannot make decoding run long.
size_t DecodeWadyBlock(std::span<const uint8_t> block, std::span<int16_t> output, size_t stride);

// The two running states of a byte-coded stream.
struct WadyStates {
  int16_t left = 0;
  int16_t right = 0;
};

// Decodes `frames` frames of byte coding (one byte per sample, left then right for two
// channels) into interleaved samples, carrying the states across calls so a stream can be
// decoded piece by piece. Decodes fewer frames when either span is too short for all of them,
// and returns how many it decoded. Channels other than 1 and 2 decode nothing.
size_t DecodeWadyBytes(std::span<const uint8_t> coded, std::span<int16_t> output, uint8_t scale,
                       WadyStates& states, int channels, size_t frames);

// A whole sound: the header's decoded size (rounded down to even) of silence, filled by the
// coding given, at the rate and channel count of the header's format record.
//
// Nothing when the entry is not a playable WADY sound: no "WADY" header, a format record other
// than 16-bit PCM of one or two channels at a rate in the playable range, or a decoded size
// that its coded bytes could never fill (a damaged header must not make us allocate
// gigabytes). Data that ends early leaves the rest of the sound silent; data that would
// produce more than the decoded size is cut there. *produced, when given, receives the number
// of samples the codes yielded within that size: whether an encoder filled it exactly.
std::optional<Pcm> DecodeWadySound(std::span<const uint8_t> entry, WadyCoding coding,
                                   size_t* produced = nullptr);

}  // namespace tolven
