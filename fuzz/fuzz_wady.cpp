// WADY sounds from arbitrary bytes, decoded whole in both codings as voices, effects and the
// sounds of animations are, and a block decoded into an output far smaller than its codes ask
// for. Beyond the sanitizers' own checks: a decoded sound is exactly the header's decoded size
// (rounded down to even) at the format record's channel count, and no decoder reports more
// samples than its output holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "audio/wady.h"

namespace {

void CheckWholeSound(std::span<const uint8_t> bytes, tolven::WadyCoding coding) {
  size_t produced = 0;
  const auto pcm = tolven::DecodeWadySound(bytes, coding, &produced);
  if (!pcm) return;
  const auto header = tolven::ReadWadyHeader(bytes);
  if (!header || pcm->samples.size() != header->decodedSize / 2 ||
      pcm->channels != header->format.channels || produced > pcm->samples.size()) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  CheckWholeSound(bytes, tolven::WadyCoding::Block);
  CheckWholeSound(bytes, tolven::WadyCoding::Byte);

  // The input as one bare block, into a small buffer with a stride of two.
  std::vector<int16_t> out(37);
  if (tolven::DecodeWadyBlock(bytes, out, 2) > (out.size() + 1) / 2) std::abort();
  // And as byte-coded music, a piece at a time with the states carried over.
  tolven::WadyStates states;
  std::vector<int16_t> piece(64);
  for (size_t at = 0; at < size; at += 64) {
    const size_t decoded =
        tolven::DecodeWadyBytes(bytes.subspan(at), piece, size > 0 ? data[0] : 1, states, 2, 40);
    if (decoded > 32) std::abort();
  }
  return 0;
}
