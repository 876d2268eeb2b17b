#include "audio/sound.h"

#include <optional>

#include "audio/ogg_sound.h"
#include "audio/wady.h"

namespace tolven {
namespace {

// The characters of an effect name that carry its group ("SEH" and a digit) and, in group 4,
// the level group and the character the level is added to.
constexpr size_t kGroupDigit = 3;
constexpr size_t kLevelGroup = 8;
constexpr size_t kLevelCharacter = 10;
constexpr int kEffectGroups = 5;

enum class SoundKind { Ogg, Wady };

struct Target {
  SoundKind kind = SoundKind::Wady;
  int slot = kVoiceSlot;
};

// The archive a name was found in decides how it is decoded and which slot plays it.
Target TargetOfArchive(std::string_view archive) {
  if (archive.starts_with("qe_ogg")) return {SoundKind::Ogg, kVoiceSlot};
  if (archive.starts_with("qe_wav")) return {SoundKind::Wady, kVoiceSlot};
  if (archive == "qe_se2.tvk") return {SoundKind::Wady, kLoopingEffectSlot};
  return {SoundKind::Wady, kEffectSlot};
}

}  // namespace

Sound::Sound(Trace& trace, const Settings& settings) : trace_(trace), settings_(settings) {}

Sound::Sound(Trace& trace, const Settings& settings, const Archives& archives, AudioDevice& device)
    : trace_(trace), settings_(settings), archives_(&archives), device_(&device) {}

Sound::~Sound() {
  ReleaseSound();
}

bool Sound::InitSound() {
  if (!device_->Open(mixer_)) {
    ReleaseSound();
    return false;
  }
  available_ = true;
  masterVolume_ = mixer_.MasterVolume();
  return true;
}

void Sound::ReleaseSound() {
  // The device stops pulling first, so no mix runs over slots being emptied.
  device_->Close();
  mixer_.EmptyAll();
  slotNames_ = {};
  available_ = false;
}

int Sound::VolumeOfSlot(int slot) const {
  switch (slot) {
    case kVoiceSlot:
      return settings_.Vol1;
    case kEffectSlot:
    case kLoopingEffectSlot:
    case kEmbeddedSoundSlot:
      return settings_.Vol2;
    case kMusicSlot:
    case kMusicSpareSlot:
      return settings_.Vol3;
    default:
      return settings_.Vol4;
  }
}

void Sound::ApplyVolumes() {
  if (!available_) return;
  mixer_.SetMasterVolume(masterVolume_);
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    // The animation's effect keeps the volume it started with.
    if (slot != kEmbeddedSoundSlot) mixer_.SetVolume(slot, VolumeOfSlot(slot));
  }
}

void Sound::PlaySoundByName(std::string_view name) {
  if (!available_ || !archives_) return;
  const std::optional<ArchiveEntry> entry = archives_->FindSound(name);
  if (!entry) {
    if (trace_.Enabled()) trace_.WriteGameText("sound not found: " + std::string(name));
    return;
  }
  const Target target = TargetOfArchive(entry->archive);
  if (target.slot == kLoopingEffectSlot) {
    loopingEffectName_ = name.substr(0, kLoopingNameMax);
  }
  const std::optional<std::vector<uint8_t>> bytes = archives_->ReadEntry(*entry);
  if (!bytes) return;
  const bool started = target.kind == SoundKind::Ogg ? PlayOggEntry(*bytes, target.slot)
                                                     : PlayWadyEntry(*bytes, target.slot);
  if (started) slotNames_[target.slot] = UpperCaseName(name);
}

void Sound::Start(int slot, Pcm pcm, int volume, bool looping) {
  mixer_.Play(slot, std::move(pcm), volume, looping);
  slotNames_[slot].clear();
}

bool Sound::PlayWadyEntry(std::span<const uint8_t> entry, int slot) {
  if (!available_ || !ReadWadyHeader(entry)) return false;
  std::optional<Pcm> pcm = DecodeWadySound(entry, WadyCoding::Block);
  if (!pcm) {
    // Past the header, a sound that cannot be played still replaces what the slot held.
    mixer_.Empty(slot);
    slotNames_[slot].clear();
    return false;
  }
  Start(slot, std::move(*pcm), VolumeOfSlot(slot), slot == kLoopingEffectSlot);
  return true;
}

bool Sound::PlayOggEntry(std::span<const uint8_t> entry, int slot) {
  if (!available_) return false;
  std::optional<Pcm> pcm = DecodeOggSound(entry);
  if (!pcm) return false;
  Start(slot, std::move(*pcm), settings_.Vol1, false);
  return true;
}

void Sound::PlayVoice(std::string_view name, bool skipping) {
  if (SoundDevicePresent() && settings_.Wave == 0 && !skipping) PlaySoundByName(name);
}

void Sound::RequestEffect(std::string_view argument) {
  std::string name = UpperCaseName(argument);
  if (name.size() > kGroupDigit && name.starts_with("SEH")) {
    const int group = name[kGroupDigit] - '0';
    if (group >= 0 && group < kEffectGroups && settings_.SE[group] == 0) return;
    // Group 4 names shorter than the level character, or with a level group outside '1'-'5',
    // play as they are named.
    if (group == 4 && name.size() > kLevelCharacter) {
      const int level = name[kLevelGroup] - '1';
      if (level >= 0 && level < kEffectGroups) {
        name[kLevelCharacter] = static_cast<char>(name[kLevelCharacter] + settings_.SE_LVL[level]);
      }
    }
  }
  PlaySoundByName(name);
}

void Sound::StopVoice() {
  mixer_.Empty(kVoiceSlot);
  slotNames_[kVoiceSlot].clear();
}

bool Sound::IsVoicePlaying() const {
  return available_ && mixer_.IsPlaying(kVoiceSlot);
}

void Sound::StopLoopingSound() {
  loopingEffectName_.clear();
  mixer_.Empty(kLoopingEffectSlot);
  slotNames_[kLoopingEffectSlot].clear();
}

void Sound::PlayEmbeddedSound(std::span<const uint8_t> bytes) {
  if (!available_ || !ReadWadyHeader(bytes)) return;
  std::optional<Pcm> pcm = DecodeWadySound(bytes, WadyCoding::Byte);
  if (!pcm) {
    StopEmbeddedSound();
    return;
  }
  Start(kEmbeddedSoundSlot, std::move(*pcm), settings_.Vol2, false);
}

void Sound::StopEmbeddedSound() {
  mixer_.Empty(kEmbeddedSoundSlot);
}

void Sound::WaitVoiceEnd() {
  if (SoundDevicePresent()) voiceWait_ = true;
}

void Sound::EndVoiceWaitIfSilent() {
  if (voiceWait_ && !IsVoicePlaying()) voiceWait_ = false;
}

std::string_view Sound::SlotName(int slot) const {
  if (slot < 0 || slot >= kSoundSlots) return {};
  return slotNames_[slot];
}

}  // namespace tolven
