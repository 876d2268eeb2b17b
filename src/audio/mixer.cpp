#include "audio/mixer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tolven {
namespace {

constexpr int kFractionBits = 32;
constexpr uint64_t kOneFrame = uint64_t{1} << kFractionBits;
constexpr float kFractionScale = 1.0f / static_cast<float>(kOneFrame);

}  // namespace

float GainOfVolume(int volume) {
  const int clamped = std::clamp(volume, kSilentVolume, 0);
  if (clamped == kSilentVolume) return 0.0f;
  return static_cast<float>(std::pow(10.0, clamped / 2000.0));
}

void Mixer::Play(int slot, Pcm sound, int volume, bool looping) {
  if (!Valid(slot)) return;
  const bool playable = PlayableFormat(sound.rate, sound.channels) && sound.Frames() > 0;
  const uint64_t step =
      playable ? (static_cast<uint64_t>(sound.rate) << kFractionBits) / kOutputRate : 0;
  std::lock_guard lock(mutex_);
  Slot& s = slots_[slot];
  s.filled = true;
  s.playing = playable;
  s.looping = looping;
  s.volume = volume;
  s.position = 0;
  s.step = step;
  // The old samples leave in the argument, freed after the lock is given back.
  std::swap(s.sound, sound);
}

void Mixer::Empty(int slot) {
  if (!Valid(slot)) return;
  Pcm released;
  {
    std::lock_guard lock(mutex_);
    released = std::move(slots_[slot].sound);
    slots_[slot] = Slot{};
  }
  // The samples are freed outside the lock, so the device thread never waits on a free.
}

void Mixer::EmptyAll() {
  for (int slot = 0; slot < kSoundSlots; ++slot) Empty(slot);
}

Mixer::SlotInfo Mixer::Info(int slot) const {
  if (!Valid(slot)) return {};
  std::lock_guard lock(mutex_);
  const Slot& s = slots_[slot];
  return {s.filled,     s.playing,        s.looping,        s.volume,
          s.sound.rate, s.sound.channels, s.sound.Frames(), static_cast<size_t>(s.position >> 32)};
}

bool Mixer::Holds(int slot) const {
  if (!Valid(slot)) return false;
  std::lock_guard lock(mutex_);
  return slots_[slot].filled;
}

bool Mixer::IsPlaying(int slot) const {
  if (!Valid(slot)) return false;
  std::lock_guard lock(mutex_);
  return slots_[slot].playing;
}

bool Mixer::IsLooping(int slot) const {
  if (!Valid(slot)) return false;
  std::lock_guard lock(mutex_);
  return slots_[slot].filled && slots_[slot].looping;
}

void Mixer::SetVolume(int slot, int volume) {
  if (!Valid(slot)) return;
  std::lock_guard lock(mutex_);
  if (slots_[slot].filled) slots_[slot].volume = volume;
}

int Mixer::Volume(int slot) const {
  if (!Valid(slot)) return 0;
  std::lock_guard lock(mutex_);
  return slots_[slot].volume;
}

void Mixer::SetMasterVolume(int volume) {
  std::lock_guard lock(mutex_);
  masterVolume_ = volume;
}

int Mixer::MasterVolume() const {
  std::lock_guard lock(mutex_);
  return masterVolume_;
}

size_t Mixer::PlayFrame(int slot) const {
  if (!Valid(slot)) return 0;
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(slots_[slot].position >> kFractionBits);
}

bool Mixer::Write(int slot, size_t frame, std::span<const int16_t> samples) {
  if (!Valid(slot)) return false;
  std::lock_guard lock(mutex_);
  Slot& s = slots_[slot];
  if (!s.filled || s.sound.channels == 0) return false;
  const size_t total = s.sound.samples.size();
  const size_t at = frame * static_cast<size_t>(s.sound.channels);
  if (frame > total || at > total || samples.size() > total - at) return false;
  std::copy(samples.begin(), samples.end(), s.sound.samples.begin() + static_cast<ptrdiff_t>(at));
  return true;
}

void Mixer::Mix(std::span<int16_t> out) {
  const size_t frames = out.size() / kOutputChannels;
  std::lock_guard lock(mutex_);
  sum_.assign(frames * kOutputChannels, 0.0f);
  const float master = GainOfVolume(masterVolume_);
  for (Slot& slot : slots_) {
    if (slot.playing) MixSlot(slot, master * GainOfVolume(slot.volume), sum_);
  }
  for (size_t i = 0; i < sum_.size(); ++i) {
    out[i] = static_cast<int16_t>(std::clamp(std::lround(sum_[i]), -32768L, 32767L));
  }
  std::fill(out.begin() + static_cast<ptrdiff_t>(sum_.size()), out.end(), 0);
}

// Adds one slot to the sum, interpolating between neighbouring frames. A looping sound reads
// its first frame after its last; a one-shot holds its last frame for the final step.
void Mixer::MixSlot(Slot& slot, float gain, std::span<float> sum) {
  const std::vector<int16_t>& samples = slot.sound.samples;
  const size_t channels = static_cast<size_t>(slot.sound.channels);
  const size_t frames = slot.sound.Frames();
  const uint64_t end = static_cast<uint64_t>(frames) << kFractionBits;
  for (size_t i = 0; i < sum.size(); i += kOutputChannels) {
    const size_t at = static_cast<size_t>(slot.position >> kFractionBits);
    size_t next = at + 1;
    if (next == frames) next = slot.looping ? 0 : at;
    const float fraction = static_cast<float>(slot.position & (kOneFrame - 1)) * kFractionScale;
    for (size_t c = 0; c < kOutputChannels; ++c) {
      const size_t from = channels == 1 ? 0 : c;
      const float a = samples[at * channels + from];
      const float b = samples[next * channels + from];
      sum[i + c] += (a + (b - a) * fraction) * gain;
    }
    slot.position += slot.step;
    if (slot.position < end) continue;
    if (!slot.looping) {
      slot.playing = false;
      return;
    }
    slot.position %= end;
  }
}

}  // namespace tolven
