#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_device.h"
#include "audio/pcm.h"

namespace tolven::testing {

// A device that is there and opens, but never pulls: the test mixes by hand.
class ManualAudioDevice final : public AudioDevice {
 public:
  bool Present() const override { return true; }
  bool Open(Mixer&) override {
    open = true;
    return true;
  }
  void Close() override { open = false; }
  bool open = false;
};

// A sine of the given amplitude and period in frames, the same on every channel but for sign.
Pcm Sine(int rate, int channels, size_t frames, int amplitude, double period);

// An Ogg Vorbis stream of the sound, followed by that many frames of digital silence.
std::vector<uint8_t> OggBytes(const Pcm& pcm, size_t silentFrames);

// Writes a layout B archive of these named entries.
void WriteArchive(const std::filesystem::path& path,
                  const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries);

// The left (or only) channel of an interleaved stereo mix.
std::vector<int16_t> LeftChannel(const std::vector<int16_t>& stereo);

}  // namespace tolven::testing
