#pragma once

#include <cstdint>
#include <vector>

namespace tolven {

// A whole sound as a slot holds it: interleaved signed 16-bit samples.
struct Pcm {
  int rate = 0;      // frames per second
  int channels = 0;  // 1 or 2
  std::vector<int16_t> samples;

  size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// The sample rates a slot takes; outside them a sound cannot be played and is refused, as a
// sound device refuses a buffer format it cannot play.
inline constexpr int kMinSampleRate = 100;
inline constexpr int kMaxSampleRate = 200000;

inline bool PlayableFormat(int rate, int channels) {
  return rate >= kMinSampleRate && rate <= kMaxSampleRate && (channels == 1 || channels == 2);
}

}  // namespace tolven
