#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "audio/audio_device.h"
#include "audio/mixer.h"
#include "base/settings.h"
#include "base/trace.h"
#include "resources/archives.h"

namespace tolven {

// The slots by use.
inline constexpr int kVoiceSlot = 0;
inline constexpr int kEffectSlot = 1;
inline constexpr int kLoopingEffectSlot = 2;
inline constexpr int kMusicSlot = 3;
inline constexpr int kMusicSpareSlot = 4;
inline constexpr int kEmbeddedSoundSlot = 5;

// The longest looping effect name a saved game holds: 30 bytes with the terminator.
inline constexpr size_t kLoopingNameMax = 29;

// Voices, effects, looping effects and the sounds of animations, played through the slots of
// the mixer on the device the host supplies. Until InitSound succeeds every operation is quiet,
// and so it stays when the host has no device. The voice switch (Wave), the effect groups and
// levels (SE, SE_LVL) and the volumes (Vol1-Vol4) are read from the settings as each sound
// starts; a changed volume reaches the sounds already playing through ApplyVolumes.
class Sound {
 public:
  // No archives and no device: the engine runs as on a machine without sound.
  Sound(Trace& trace, const Settings& settings);
  // The device must outlive this object; it is closed when this object goes.
  Sound(Trace& trace, const Settings& settings, const Archives& archives, AudioDevice& device);
  ~Sound();
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;

  // Whether the system has a sound output at all (asked of the device, not of InitSound).
  bool SoundDevicePresent() const { return device_->Present(); }
  // Opens the device; on failure releases everything and leaves sound unavailable.
  bool InitSound();
  void ReleaseSound();
  bool Available() const { return available_; }

  // Master volume, then each filled slot's volume from the settings (slot 5 keeps its own).
  void ApplyVolumes();
  // The master volume the configuration dialog's bar sets for this run, -3000 to 0.
  int MasterVolume() const { return masterVolume_; }
  void SetMasterVolume(int volume) { masterVolume_ = volume; }

  // Looks the name up in the sound archives (Ogg 3..1, WADY 4..1, effects 0..2) and plays the
  // first entry found in the slot its archive decides.
  void PlaySoundByName(std::string_view name);
  // Decode a whole entry into the slot and start it; false when nothing plays.
  bool PlayWadyEntry(std::span<const uint8_t> entry, int slot);
  bool PlayOggEntry(std::span<const uint8_t> entry, int slot);

  // A voice or a system sound: only with a device, voices on and no skipping.
  void PlayVoice(std::string_view name, bool skipping);
  // The `se` and `seloop` commands: the effect groups and level offsets of the settings
  // decide whether and which entry plays.
  void RequestEffect(std::string_view name);
  void StopVoice();
  bool IsVoicePlaying() const;
  void StopLoopingSound();
  // The name of the effect last started from the looping effect archive, as it was passed.
  const std::string& LoopingEffectName() const { return loopingEffectName_; }

  // A byte-coded WADY sound from an animation, played once in its own slot.
  void PlayEmbeddedSound(std::span<const uint8_t> bytes);
  void StopEmbeddedSound();

  // The voice wait of `wait_v_end`: set only with a device; the timer ends it once the voice
  // is silent.
  void WaitVoiceEnd();
  bool VoiceWait() const { return voiceWait_; }
  void EndVoiceWaitIfSilent();

  // The slots, for the music stream and the state dump.
  Mixer& Slots() { return mixer_; }
  const Mixer& Slots() const { return mixer_; }
  // The upper-cased name of the sound a slot last took by name; empty for other sounds.
  std::string_view SlotName(int slot) const;

 private:
  void Start(int slot, Pcm pcm, int volume, bool looping);
  int VolumeOfSlot(int slot) const;

  Trace& trace_;
  const Settings& settings_;
  const Archives* archives_ = nullptr;
  NullAudioDevice noDevice_;
  AudioDevice* device_ = &noDevice_;
  Mixer mixer_;
  bool available_ = false;
  int masterVolume_ = 0;
  bool voiceWait_ = false;
  std::string loopingEffectName_;
  std::array<std::string, kSoundSlots> slotNames_;
};

}  // namespace tolven
