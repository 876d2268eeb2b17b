#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "audio/mixer.h"

namespace tolven {

// The sound output a host supplies. Once open, the device pulls the mixer for output in the
// mixer's format (kOutputRate, stereo, signed 16-bit) until it is closed; it may do so from a
// thread of its own.
class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Whether the system has a sound output at all, asked once at start-up.
  virtual bool Present() const = 0;
  // Starts pulling the mixer; false when there is no device to play on.
  virtual bool Open(Mixer& mixer) = 0;
  // Stops pulling; the mixer is not touched after this returns.
  virtual void Close() = 0;
};

// No sound output: the engine runs as on a machine without a sound device.
class NullAudioDevice final : public AudioDevice {
 public:
  bool Present() const override { return false; }
  bool Open(Mixer&) override { return false; }
  void Close() override {}
};

// Records what the mixer plays into a wave file, pulled on the engine's own clock: each call
// of AdvanceTo mixes exactly the output that is due by that time, so a headless run on a
// virtual clock records what a player would have heard, sample for sample, in no time at all.
// The file is a valid wave file once the device is closed.
class RecordingAudioDevice final : public AudioDevice {
 public:
  explicit RecordingAudioDevice(std::filesystem::path path) : path_(std::move(path)) {}
  ~RecordingAudioDevice() override { Close(); }

  bool Present() const override { return true; }
  // False when the file cannot be created.
  bool Open(Mixer& mixer) override;
  void Close() override;

  // Mixes and records the output due by this many milliseconds after Open. Times before the
  // last one record nothing.
  void AdvanceTo(uint64_t milliseconds);
  uint64_t FramesRecorded() const { return frames_; }

 private:
  void WriteHeader();

  std::filesystem::path path_;
  std::ofstream file_;
  Mixer* mixer_ = nullptr;
  uint64_t frames_ = 0;
  std::vector<int16_t> block_;
  std::vector<char> bytes_;  // the block in the file's little-endian order
};

}  // namespace tolven
