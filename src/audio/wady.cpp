#include "audio/wady.h"

#include <algorithm>
#include <cstring>

#include "audio/little_endian.h"

namespace tolven {
namespace {

using little_endian::Put16;
using little_endian::Put32;
using little_endian::Read16;
using little_endian::Read32;

constexpr std::array<int16_t, 64> kByteMagnitudes = {
    0,   2,   4,   6,   8,   10,  12,  15,  18,  21,  24,  28,  32,  36,  40,  44,
    49,  54,  59,  64,  70,  76,  82,  88,  95,  102, 109, 116, 124, 132, 140, 148,
    160, 170, 180, 190, 200, 210, 220, 230, 240, 255, 270, 285, 300, 320, 340, 360,
    380, 400, 425, 450, 475, 500, 525, 550, 580, 610, 650, 700, 750, 800, 900, 1000};

constexpr std::array<int16_t, 32> kBlockMagnitudes = {
    0,   4,   8,   12,  19,  24,  30,   38,   47,   59,   74,   92,   115,  144,  180,  225,
    281, 352, 440, 550, 687, 859, 1073, 1342, 1678, 2097, 2621, 3277, 4096, 5120, 6400, 8000};

constexpr std::array<int16_t, 128> MakeByteSteps() {
  std::array<int16_t, 128> steps{};
  for (int k = 0; k < 64; ++k) {
    steps[k] = kByteMagnitudes[k];
    if (k > 0) steps[64 + k] = static_cast<int16_t>(-kByteMagnitudes[k]);
  }
  return steps;
}

constexpr std::array<int16_t, 64> MakeBlockDeltas() {
  std::array<int16_t, 64> deltas{};
  for (int k = 0; k < 32; ++k) {
    deltas[k] = kBlockMagnitudes[k];
    deltas[32 + k] = static_cast<int16_t>(-kBlockMagnitudes[k]);
  }
  return deltas;
}

// Samples an honest header asks for beyond what its codes hold, as slack for rounding.
constexpr uint64_t kDecodedSlackSamples = 65536;
// The most samples one byte of block coding yields: a two-byte run of 256.
constexpr uint64_t kBlockSamplesPerByte = 128;
// Block head: 4 unread bytes, the code count and the initial sample.
constexpr size_t kBlockHeadSize = 10;

// All sample arithmetic wraps modulo 65536, as 16-bit registers do.
int16_t Wrap16(int32_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value)));
}

// Decodes the codes after a block's head; `out` already holds the initial sample.
size_t DecodeBlockCodes(const uint8_t* codes, size_t available, int32_t count, int16_t current,
                        std::span<int16_t> output, size_t stride) {
  const size_t limit = (output.size() + stride - 1) / stride;
  size_t written = 1;
  size_t at = 0;
  for (int32_t i = 0; i < count && written < limit; ++i) {
    if (at >= available) break;
    // The 300th code from the end always starts from 0.
    if (i == count - 300) current = 0;
    const uint8_t c = codes[at];
    if (c & 1) {
      current = WadyBlockOneByte(c, current);
      output[written * stride] = current;
      ++written;
      ++at;
      continue;
    }
    if (at + 1 >= available) break;
    const int length = kWadyRunLengths[(c >> 1) & 7];
    const int16_t target = Wrap16((c | (codes[at + 1] << 8)) & 0xFFF0);
    written +=
        WadyRun(current, target, length, output.data() + written * stride, stride, limit - written);
    current = target;
    at += 2;
  }
  return written;
}

size_t DecodeByteSound(const WadyHeader& header, std::span<const uint8_t> coded,
                       std::span<int16_t> out) {
  WadyStates states;
  const int channels = header.channels;
  return channels * DecodeWadyBytes(coded, out, header.scale, states, channels, header.frames);
}

// One block for one channel; for two, the left block's size comes first and the right block
// follows the left one and a size field of its own.
size_t DecodeBlockSound(const WadyFormat& format, std::span<const uint8_t> coded,
                        std::span<int16_t> out) {
  if (format.channels == 1) return DecodeWadyBlock(coded, out, 1);
  if (coded.size() < 4) return 0;
  const uint64_t leftSize = Read32(coded.data());
  size_t count = DecodeWadyBlock(coded.subspan(4), out, 2);
  if (leftSize + 8 <= coded.size() && out.size() > 1) {
    count += DecodeWadyBlock(coded.subspan(static_cast<size_t>(leftSize) + 8), out.subspan(1), 2);
  }
  return count;
}

}  // namespace

const std::array<int16_t, 128> kWadyByteSteps = MakeByteSteps();
const std::array<int16_t, 64> kWadyBlockDeltas = MakeBlockDeltas();
const std::array<uint16_t, 8> kWadyRunLengths = {3, 4, 5, 6, 8, 16, 32, 256};

std::optional<WadyHeader> ReadWadyHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kWadyHeaderSize || std::memcmp(bytes.data(), "WADY", 4) != 0) {
    return std::nullopt;
  }
  const uint8_t* p = bytes.data();
  WadyHeader header;
  header.unused = p[4];
  header.scale = p[5];
  header.channels = Read16(p + 6);
  header.rate = Read32(p + 8);
  header.codedSize = Read32(p + 12);
  header.frames = Read32(p + 16);
  header.decodedSize = Read32(p + 20);
  header.loopStart = Read32(p + 24);
  header.loopLeft = static_cast<int16_t>(Read16(p + 28));
  header.loopRight = static_cast<int16_t>(Read16(p + 30));
  header.format.tag = Read16(p + 32);
  header.format.channels = Read16(p + 34);
  header.format.samplesPerSecond = Read32(p + 36);
  header.format.bytesPerSecond = Read32(p + 40);
  header.format.blockAlign = Read16(p + 44);
  header.format.bitsPerSample = Read16(p + 46);
  return header;
}

std::array<uint8_t, kWadyHeaderSize> WadyHeaderBytes(const WadyHeader& header) {
  std::array<uint8_t, kWadyHeaderSize> bytes{};
  uint8_t* p = bytes.data();
  std::memcpy(p, "WADY", 4);
  p[4] = header.unused;
  p[5] = header.scale;
  Put16(p + 6, header.channels);
  Put32(p + 8, header.rate);
  Put32(p + 12, header.codedSize);
  Put32(p + 16, header.frames);
  Put32(p + 20, header.decodedSize);
  Put32(p + 24, header.loopStart);
  Put16(p + 28, static_cast<uint16_t>(header.loopLeft));
  Put16(p + 30, static_cast<uint16_t>(header.loopRight));
  Put16(p + 32, header.format.tag);
  Put16(p + 34, header.format.channels);
  Put32(p + 36, header.format.samplesPerSecond);
  Put32(p + 40, header.format.bytesPerSecond);
  Put16(p + 44, header.format.blockAlign);
  Put16(p + 46, header.format.bitsPerSample);
  return bytes;
}

int16_t WadyBlockOneByte(uint8_t code, int16_t current) {
  const int v = (code >> 1) & 0x7F;
  if (v & 0x40) return Wrap16((v & 0x3F) << 10);
  return Wrap16(current + kWadyBlockDeltas[v]);
}

int16_t WadyByteStep(uint8_t code, int16_t state, uint8_t scale) {
  if (code >= 0x80) return Wrap16((code << 9) & 0xFFFF);
  return Wrap16(state + static_cast<int32_t>(scale) * kWadyByteSteps[code]);
}

size_t WadyRun(int16_t from, int16_t target, int length, int16_t* out, size_t stride,
               size_t limit) {
  // Single precision throughout, each step rounded, as the format's own decoder computes it:
  // a double would land on other samples where a step is not exact.
  const float step = static_cast<float>(target - from) / static_cast<float>(length);
  float x = static_cast<float>(from);
  const size_t count = std::min(static_cast<size_t>(length), limit);
  for (size_t k = 0; k < count; ++k) {
    x = x + step;
    out[k * stride] = Wrap16(static_cast<int32_t>(x));
  }
  return count;
}

size_t DecodeWadyBlock(std::span<const uint8_t> block, std::span<int16_t> output, size_t stride) {
  if (block.size() < kBlockHeadSize || output.empty() || stride == 0) return 0;
  const int32_t count = static_cast<int32_t>(Read32(block.data() + 4));
  const int16_t initial = static_cast<int16_t>(Read16(block.data() + 8));
  output[0] = initial;
  return DecodeBlockCodes(block.data() + kBlockHeadSize, block.size() - kBlockHeadSize, count,
                          initial, output, stride);
}

size_t DecodeWadyBytes(std::span<const uint8_t> coded, std::span<int16_t> output, uint8_t scale,
                       WadyStates& states, int channels, size_t frames) {
  if (channels != 1 && channels != 2) return 0;
  const size_t perFrame = static_cast<size_t>(channels);
  frames = std::min({frames, coded.size() / perFrame, output.size() / perFrame});
  const uint8_t* in = coded.data();
  int16_t* out = output.data();
  if (channels == 1) {
    int16_t s = states.left;
    for (size_t i = 0; i < frames; ++i) out[i] = s = WadyByteStep(in[i], s, scale);
    states.left = s;
    return frames;
  }
  int16_t left = states.left;
  int16_t right = states.right;
  for (size_t i = 0; i < frames; ++i) {
    out[2 * i] = left = WadyByteStep(in[2 * i], left, scale);
    out[2 * i + 1] = right = WadyByteStep(in[2 * i + 1], right, scale);
  }
  states = {left, right};
  return frames;
}

std::optional<Pcm> DecodeWadySound(std::span<const uint8_t> entry, WadyCoding coding,
                                   size_t* produced) {
  const std::optional<WadyHeader> header = ReadWadyHeader(entry);
  if (!header) return std::nullopt;
  const WadyFormat& format = header->format;
  if (format.tag != 1 || format.bitsPerSample != 16 ||
      !PlayableFormat(static_cast<int>(std::min<uint32_t>(format.samplesPerSecond, 1u << 30)),
                      format.channels)) {
    return std::nullopt;
  }
  const std::span<const uint8_t> coded = entry.subspan(kWadyHeaderSize);
  const uint64_t samples = header->decodedSize / 2;
  const uint64_t perByte = coding == WadyCoding::Block ? kBlockSamplesPerByte : 1;
  if (samples > 2 + perByte * coded.size() + kDecodedSlackSamples) return std::nullopt;

  Pcm pcm;
  pcm.rate = static_cast<int>(format.samplesPerSecond);
  pcm.channels = format.channels;
  pcm.samples.assign(static_cast<size_t>(samples), 0);
  const size_t count = coding == WadyCoding::Byte ? DecodeByteSound(*header, coded, pcm.samples)
                                                  : DecodeBlockSound(format, coded, pcm.samples);
  if (produced) *produced = count;
  return pcm;
}

}  // namespace tolven
