#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "audio/pcm.h"
#include "audio/wady.h"

namespace tolven::tools {

struct WadyEncodeOptions {
  WadyCoding coding = WadyCoding::Block;
  // Byte coding: the frame where a looping stream goes on after the end.
  size_t loopFrame = 0;
  // Block coding: how far a straight run may stray from the source, in sample steps. Runs
  // are what make block coding small; the one-byte codes in between carry the detail.
  int runTolerance = 48;
};

// A whole WADY entry (header and coded data) from 16-bit PCM of one or two channels.
//
// Both codings are encoded in a closed loop: every code is chosen against the sample the
// decoder will hold at that point, not against the source, so rounding never accumulates and
// the decoded sound stays within one code's reach of the source throughout.
//
// Byte coding also picks the delta scale that fits the sound best and stores, for the loop
// frame, the decoder states that hold there on the first pass, so a looping stream continues
// at the loop frame exactly as it first played it. Throws ToolError when the loop frame lies
// past the end of the sound, or for a sound the format cannot hold.
std::vector<uint8_t> EncodeWady(const Pcm& pcm, const WadyEncodeOptions& options);

// One channel block (head and codes) for the samples source[0], source[stride], ... (count
// of them).
std::vector<uint8_t> EncodeWadyBlock(std::span<const int16_t> source, size_t stride, size_t count,
                                     int runTolerance);

}  // namespace tolven::tools
