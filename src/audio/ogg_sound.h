#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "audio/pcm.h"

namespace tolven {

// Decodes an Ogg Vorbis entry held in memory, whole, to 16-bit PCM at its own rate and channel
// count. Nothing when the data is not a stream libvorbisfile can open, has no frames, has other
// than one or two channels, or claims more than an hour of sound (a damaged length must not
// make us allocate gigabytes).
//
// Trailing silence is cut, keeping 16,000 bytes of PCM after the last 4-byte group with a
// non-zero sample, but never less than half the sound: a voice then stops soon after its
// audible end, so the wait for it ends too.
std::optional<Pcm> DecodeOggSound(std::span<const uint8_t> entry);

// The length in samples that trailing-silence cutting keeps of these samples.
size_t TrimmedOggLength(std::span<const int16_t> samples);

}  // namespace tolven
