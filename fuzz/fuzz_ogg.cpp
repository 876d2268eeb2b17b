// Ogg Vorbis voices from arbitrary bytes, decoded whole as a voice is before it plays. Every
// Ogg page carries a checksum, so mutated input would almost never get past the page reader;
// each input is therefore decoded twice, as it is and with the checksums of its pages made
// right again, which lets the mutations reach the Vorbis packets and our reading loop. Beyond
// the sanitizers' own checks: a decoded sound has a playable format, whole frames and at least
// one of them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "audio/ogg_sound.h"
#include "audio/pcm.h"

namespace {

constexpr size_t kPageHeaderSize = 27;
constexpr size_t kChecksumAt = 22;

uint32_t PageChecksum(std::span<const uint8_t> page) {
  uint32_t crc = 0;
  for (uint8_t byte : page) {
    crc ^= uint32_t{byte} << 24;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// Rewrites the checksum of every whole page found at a capture pattern "OggS".
std::vector<uint8_t> WithRightChecksums(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> fixed(bytes.begin(), bytes.end());
  size_t at = 0;
  while (at + kPageHeaderSize <= fixed.size()) {
    if (fixed[at] != 'O' || fixed[at + 1] != 'g' || fixed[at + 2] != 'g' || fixed[at + 3] != 'S') {
      ++at;
      continue;
    }
    const size_t segments = fixed[at + 26];
    if (at + kPageHeaderSize + segments > fixed.size()) break;
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += fixed[at + kPageHeaderSize + i];
    const size_t size = kPageHeaderSize + segments + body;
    if (at + size > fixed.size()) break;
    for (size_t i = 0; i < 4; ++i) fixed[at + kChecksumAt + i] = 0;
    const uint32_t crc = PageChecksum(std::span(fixed).subspan(at, size));
    for (size_t i = 0; i < 4; ++i)
      fixed[at + kChecksumAt + i] = static_cast<uint8_t>(crc >> (8 * i));
    at += size;
  }
  return fixed;
}

void Check(std::span<const uint8_t> bytes) {
  const auto pcm = tolven::DecodeOggSound(bytes);
  if (!pcm) return;
  if (!tolven::PlayableFormat(pcm->rate, pcm->channels) || pcm->samples.empty() ||
      pcm->samples.size() % static_cast<size_t>(pcm->channels) != 0) {
    std::abort();
  }
}

}  // namespace

// libvorbisfile 1.3.7 drops the list of stream serial numbers it gathered when
// ov_open_callbacks fails part way through the headers (8 bytes a stream; it clears everything
// else itself, and the caller never sees the list). Reported leaks from inside the library are
// therefore its own; ours would be reported from our frames.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvorbisfile.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  Check(bytes);
  const std::vector<uint8_t> fixed = WithRightChecksums(bytes);
  if (!std::equal(fixed.begin(), fixed.end(), bytes.begin())) Check(fixed);

  // The trimming rule alone, over the input read as samples.
  const std::span<const int16_t> samples(reinterpret_cast<const int16_t*>(fixed.data()),
                                         fixed.size() / 2);
  const size_t kept = tolven::TrimmedOggLength(samples);
  if (kept > samples.size() || kept < samples.size() / 2) std::abort();
  return 0;
}
