// Animation entries from arbitrary bytes: the input is read by the entry reader and every frame
// it names is decoded, then the input is played as the one entry of a game's qe_anim.tvk by
// `anim` and `animq` on a virtual clock whose message rounds stall now and then (stalls and
// clicks come from the input too), so skipped, partial and catch-up frames all run.
//
// Beyond the sanitizers' own checks: an accepted entry has its frames and sound inside it and
// writes back to the bytes it was read from; a refused one has a reason; after playing, the
// engine is given back (not busy, no effect running, menu unlocked), the animation's sound
// slot is empty and no music streams.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "base/trace.h"
#include "fuzz_game_folder.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/animation_entry.h"
#include "resources/archives.h"
#include "resources/jpeg_picture.h"
#include "resources/paint_box.h"
#include "screens/animation_player.h"
#include "script/standalone_interpreter.h"
#include "script/variables.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = tolven::fuzz::MakeFolder("tolven-fuzz-anim");
  return folder;
}

// A device that opens and never pulls: sounds stay in their slots as they were started.
class SilentDevice final : public tolven::AudioDevice {
 public:
  bool Present() const override { return true; }
  bool Open(tolven::Mixer&) override { return true; }
  void Close() override {}
};

// A virtual clock; message rounds cost a little and, as the input says, stall or click.
class FuzzHost final : public tolven::Host {
 public:
  explicit FuzzHost(tolven::EngineFlags& flags) : flags_(flags) {}
  uint32_t Ticks() override { return now_; }
  void Sleep(uint32_t milliseconds) override { now_ += milliseconds; }
  uint32_t ClockSeed() override { return 1; }
  void ProcessMessages() override {
    if (!flags_.Busy || !flags_.EffectRunning || !flags_.MenuLocked) std::abort();
    ++rounds;
    const uint8_t step = script_.empty() ? 0 : script_[rounds % script_.size()];
    now_ += step % 8;
    if (step % 16 == 9) now_ += step * 3u;  // a stall of up to 765 ms
    if (step == 0xC1) flags_.InterruptRequest = tolven::Interrupt::Click;
  }
  tolven::MessageResult ShowMessage(std::string_view, std::string_view, tolven::MessageButtons,
                                    tolven::MessageIcon) override {
    return tolven::MessageResult::Ok;
  }
  int ScreenWidth() const override { return 1920; }

  void Begin(std::span<const uint8_t> script) {
    script_ = script;
    rounds = 0;
  }
  size_t rounds = 0;

 private:
  tolven::EngineFlags& flags_;
  std::span<const uint8_t> script_;
  uint32_t now_ = 0;
};

// Everything the player works on, kept from one input to the next as the engine keeps it.
struct Rig {
  tolven::EngineFlags flags;
  tolven::PaintBox pb{tolven::kScreenWidth, tolven::kScreenHeight};
  FuzzHost host{flags};
  tolven::FrameClock clock{host};
  tolven::Archives archives{Folder()};
  tolven::ScriptState state;
  tolven::RandomGenerator random{1};
  tolven::Trace trace;
  tolven::Variables variables{state, random, trace};
  tolven::Stage stage{host, clock, pb, archives, state, flags, random, trace};
  tolven::Settings settings;
  SilentDevice device;
  tolven::Sound sound{trace, settings, archives, device};
  tolven::MusicStream music{sound, archives, settings};
  tolven::QuietInterpreterHost engine{true, false};
  tolven::AnimationPlayer player{
      {host, pb, stage, archives, variables, state, settings, sound, music, flags, engine, trace}};
  Rig() { sound.InitSound(); }
};

void CheckReader(std::span<const uint8_t> bytes) {
  std::string why;
  std::string soundFault;
  const auto entry = tolven::ReadAnimationEntry(bytes, bytes.size(), why, &soundFault);
  if (!entry) {
    if (why.empty()) std::abort();
    return;
  }
  if (entry->frames.empty()) std::abort();
  std::vector<uint8_t> table = tolven::WriteAnimationTable(*entry);
  if (table.size() != tolven::AnimationTableBytes(static_cast<uint32_t>(entry->frames.size())) ||
      table.size() > bytes.size()) {
    std::abort();
  }
  // The sound size is the one field the reader may change: dropped when it lies outside.
  if (!soundFault.empty()) {
    if (entry->soundSize != 0) std::abort();
    for (int i = 0; i < 4; ++i) table[16 + i] = bytes[16 + i];
  }
  if (!std::equal(table.begin(), table.end(), bytes.begin())) std::abort();
  if (entry->soundSize != 0 && uint64_t{entry->soundOffset} + entry->soundSize > bytes.size()) {
    std::abort();
  }
  tolven::Bitmap24 picture;
  tolven::Bitmap24 scratch;
  for (const tolven::AnimationFrame& frame : entry->frames) {
    if (uint64_t{frame.offset} + frame.size > bytes.size()) std::abort();
    tolven::DecodeJpegPicture(bytes.data() + frame.offset, frame.size, picture, scratch);
  }
}

void CheckGivenBack(const Rig& rig) {
  if (rig.flags.Busy || rig.flags.EffectRunning || rig.flags.MenuLocked ||
      rig.sound.Slots().Holds(tolven::kEmbeddedSoundSlot) ||
      rig.music.CurrentMode() != tolven::MusicStream::Mode::Idle) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  CheckReader(bytes);

  static Rig rig;
  std::error_code error;
  fs::create_directory(Folder(), error);
  tolven::fuzz::WriteOneEntryArchive(Folder() / "qe_anim.tvk", 'A', data, size);
  rig.archives.LoadMediaIndexes();
  // Where the input says: the last bytes as a position (partly off the screen at times).
  const int x = size > 0 ? static_cast<int>(data[size - 1]) * 4 - 200 : 0;
  const int y = size > 1 ? static_cast<int>(data[size - 2]) * 3 - 150 : 0;
  const std::string argument = "a," + std::to_string(x) + "," + std::to_string(y) + ",1";
  rig.settings.AnimQuality = 0;
  rig.host.Begin(bytes.subspan(size / 2));
  rig.player.PlayAnimation(argument, false);
  CheckGivenBack(rig);
  rig.settings.AnimQuality = 1;
  rig.host.Begin(bytes.subspan(size / 3));
  rig.player.PlayAnimation(argument, true);
  CheckGivenBack(rig);
  fs::remove_all(Folder(), error);
  return 0;
}
