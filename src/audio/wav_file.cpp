#include "audio/wav_file.h"

#include <algorithm>
#include <cstring>

#include "audio/little_endian.h"

namespace tolven {
namespace {

using little_endian::Put16;
using little_endian::Put32;
using little_endian::Read16;
using little_endian::Read32;

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

struct Chunk {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Walks the chunks after "WAVE" for the format and the sample data.
void FindChunks(std::span<const uint8_t> bytes, Chunk& format, Chunk& data) {
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const uint8_t* head = bytes.data() + at;
    const size_t available = bytes.size() - at - 8;
    const size_t size = std::min<size_t>(Read32(head + 4), available);
    if (std::memcmp(head, "fmt ", 4) == 0 && !format.data) format = {head + 8, size};
    if (std::memcmp(head, "data", 4) == 0 && !data.data) data = {head + 8, size};
    at += 8 + size + (size & 1);  // chunks are padded to even sizes
  }
}

bool Fail(std::string* fault, const char* why) {
  if (fault) *fault = why;
  return false;
}

bool CheckFormat(const Chunk& format, int& rate, int& channels, std::string* fault) {
  if (!format.data || format.size < 16) return Fail(fault, "no format chunk");
  const uint16_t tag = Read16(format.data);
  const bool extensiblePcm =
      tag == kFormatExtensible && format.size >= 26 && Read16(format.data + 24) == kFormatPcm;
  if (tag != kFormatPcm && !extensiblePcm) return Fail(fault, "not PCM sample data");
  if (Read16(format.data + 14) != 16) return Fail(fault, "not 16 bits per sample");
  channels = Read16(format.data + 2);
  const uint32_t samplesPerSecond = Read32(format.data + 4);
  rate = samplesPerSecond > static_cast<uint32_t>(kMaxSampleRate)
             ? 0
             : static_cast<int>(samplesPerSecond);
  if (channels != 1 && channels != 2) return Fail(fault, "not one or two channels");
  if (!PlayableFormat(rate, channels)) return Fail(fault, "sample rate out of range");
  return true;
}

}  // namespace

std::array<uint8_t, kWavHeaderSize> WavHeader(int rate, int channels, uint32_t dataBytes) {
  std::array<uint8_t, kWavHeaderSize> h{};
  std::memcpy(h.data(), "RIFF", 4);
  Put32(h.data() + 4, 36 + dataBytes);
  std::memcpy(h.data() + 8, "WAVEfmt ", 8);
  Put32(h.data() + 16, 16);
  Put16(h.data() + 20, kFormatPcm);
  Put16(h.data() + 22, static_cast<uint32_t>(channels));
  Put32(h.data() + 24, static_cast<uint32_t>(rate));
  Put32(h.data() + 28, static_cast<uint32_t>(rate * channels * 2));
  Put16(h.data() + 32, static_cast<uint32_t>(channels * 2));
  Put16(h.data() + 34, 16);
  std::memcpy(h.data() + 36, "data", 4);
  Put32(h.data() + 40, dataBytes);
  return h;
}

std::vector<uint8_t> WavBytes(const Pcm& pcm) {
  const auto header =
      WavHeader(pcm.rate, pcm.channels, static_cast<uint32_t>(pcm.samples.size() * 2));
  std::vector<uint8_t> bytes(header.begin(), header.end());
  bytes.reserve(bytes.size() + pcm.samples.size() * 2);
  for (int16_t sample : pcm.samples) {
    bytes.push_back(static_cast<uint8_t>(sample));
    bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8));
  }
  return bytes;
}

std::optional<Pcm> ParseWav(std::span<const uint8_t> bytes, std::string* fault) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    Fail(fault, "not a RIFF wave file");
    return std::nullopt;
  }
  Chunk format;
  Chunk data;
  FindChunks(bytes, format, data);
  Pcm pcm;
  if (!CheckFormat(format, pcm.rate, pcm.channels, fault)) return std::nullopt;
  if (!data.data) {
    Fail(fault, "no data chunk");
    return std::nullopt;
  }
  const size_t frameBytes = static_cast<size_t>(pcm.channels) * 2;
  pcm.samples.resize(data.size / frameBytes * pcm.channels);
  for (size_t i = 0; i < pcm.samples.size(); ++i) {
    pcm.samples[i] = static_cast<int16_t>(Read16(data.data + 2 * i));
  }
  return pcm;
}

}  // namespace tolven
