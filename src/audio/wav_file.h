#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/pcm.h"

namespace tolven {

// RIFF wave files of 16-bit PCM, the interchange format of the sound tools and of recorded
// output.
inline constexpr size_t kWavHeaderSize = 44;

// The canonical 44-byte header for that much sample data.
std::array<uint8_t, kWavHeaderSize> WavHeader(int rate, int channels, uint32_t dataBytes);
std::vector<uint8_t> WavBytes(const Pcm& pcm);

// Reads a wave file of 16-bit PCM with one or two channels (a plain or an extensible format
// chunk). Nothing, with *fault saying what is wrong, for anything else. A data chunk that
// claims more bytes than the file holds is read as far as the file goes, as players do.
std::optional<Pcm> ParseWav(std::span<const uint8_t> bytes, std::string* fault);

}  // namespace tolven
