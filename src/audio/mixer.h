#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "audio/pcm.h"

namespace tolven {

// What every device plays: the mixer's output is always this format, whatever the slots hold.
inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;
inline constexpr int kSoundSlots = 8;

// Volumes are attenuations in hundredths of a decibel, 0 full and negative quieter, down to
// -10000 (silence); values outside that range count as its nearer end.
inline constexpr int kSilentVolume = -10000;
float GainOfVolume(int volume);

// The eight sound slots and their mix. Each slot holds one sound at its own rate and channel
// count, plays it once or looping at its own volume and keeps its play position; a finished
// one-shot stays in its slot, silent, until it is replaced or emptied.
//
// The device pulls Mix from its own thread while the engine changes slots from the interface
// thread, so every member takes the one lock. Mix holds it for one device period, which is
// short (a few milliseconds of output); the interface thread never waits longer than that.
class Mixer {
 public:
  // What a slot holds, for the state dump and for tests.
  struct SlotInfo {
    bool filled = false;
    bool playing = false;
    bool looping = false;
    int volume = 0;
    int rate = 0;
    int channels = 0;
    size_t frames = 0;
    size_t position = 0;  // the frame playing now
  };

  // Puts a sound into the slot, replacing what it held, and starts it from the beginning.
  void Play(int slot, Pcm sound, int volume, bool looping);
  void Empty(int slot);
  void EmptyAll();

  SlotInfo Info(int slot) const;
  bool Holds(int slot) const;
  bool IsPlaying(int slot) const;
  bool IsLooping(int slot) const;
  void SetVolume(int slot, int volume);
  int Volume(int slot) const;
  void SetMasterVolume(int volume);
  int MasterVolume() const;

  // The frame of the slot's sound that plays next; 0 for an empty slot.
  size_t PlayFrame(int slot) const;
  // Overwrites the slot's samples from a frame on, also while it plays: the music ring is
  // refilled this way behind its play position. False, writing nothing, when the slot is empty
  // or the samples would pass the end of its sound.
  bool Write(int slot, size_t frame, std::span<const int16_t> samples);

  // Fills out (interleaved stereo at kOutputRate, out.size() / 2 frames) with the mix of all
  // playing slots and moves their positions on. Rates are converted by linear interpolation;
  // the sum is clipped to 16 bits.
  void Mix(std::span<int16_t> out);

 private:
  struct Slot {
    bool filled = false;
    bool playing = false;
    bool looping = false;
    int volume = 0;
    Pcm sound;
    uint64_t position = 0;  // frames, 32.32 fixed point
    uint64_t step = 0;      // position advance per output frame
  };

  static bool Valid(int slot) { return slot >= 0 && slot < kSoundSlots; }
  void MixSlot(Slot& slot, float gain, std::span<float> sum);

  mutable std::mutex mutex_;
  std::array<Slot, kSoundSlots> slots_;
  int masterVolume_ = 0;
  std::vector<float> sum_;  // reused by Mix so the device thread does not allocate each period
};

}  // namespace tolven
