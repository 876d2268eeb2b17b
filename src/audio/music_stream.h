#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/sound.h"
#include "audio/wady.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "resources/archives.h"

namespace tolven {

// Where a music stream's coded bytes come from: the music archive, or the animation archive
// that an animation keeps open while it plays.
class CodedSource {
 public:
  virtual ~CodedSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly length bytes at a position; false when the source ends first.
  virtual bool ReadAt(uint64_t position, uint8_t* out, size_t length) = 0;
};

// Background music: a byte-coded WADY entry streamed through the music slot, which holds a ring
// of four one-second segments. Each timer tick refills the segments the play position has left
// behind with the next second of the track; at the end of the coded data the track goes on at
// its loop start with the decoder states stored for that point, so it loops without a seam.
// The music switch (BGM) and the music volume (Vol3) are read from the settings; the script
// values sv::kRequestedTrack and sv::kPlayingTrack say what was asked for and what plays, and
// saved games restore the music from them.
class MusicStream {
 public:
  // Entries whose rate times channel count exceeds this are not played (four seconds of
  // 44,100 Hz stereo is the most the ring was made for).
  static constexpr int kMaxSamplesPerSecond = 88200;
  // A fade stops the music on the first tick its level falls below this.
  static constexpr int kFadeFloor = -3000;

  MusicStream(Sound& sound, const Archives& archives, const Settings& settings)
      : sound_(sound), archives_(archives), settings_(settings) {}

  // The `music` command: n > 0 plays track n, 0 stops, a negative n fades out by -n per tick.
  // Keeps S003 and S005 up to date even when the music cannot play.
  void SetMusic(int n, ScriptState& state) { SetMusic(n, settings_.BGM, state); }
  // The music switch of the settings (0 on, anything else off) has just changed from
  // previousBgm: what plays stops as the old switch would stop it, and the track the script
  // asked for starts again under the new one.
  void MusicSwitched(int previousBgm, ScriptState& state);

  // Track n is the entry "M%02d" of the music archive; nothing plays when it is absent.
  void PlayMusicTrack(int n);
  // Starts streaming the WADY entry at offset in an archive file of the game directory. The
  // entry size, when given, bounds the coded data, so a damaged coded size cannot make the
  // stream play the entries after it.
  void StartMusicStream(std::string_view archive, uint64_t offset,
                        uint64_t entrySize = std::numeric_limits<uint64_t>::max());
  // The same from an animation's stream; the track that was playing is not resumed after it.
  void StartEmbeddedMusic(std::shared_ptr<CodedSource> stream, uint64_t offset);
  // Every 55 ms timer tick, before anything else the tick does.
  void UpdateMusicStream();
  void BeginMusicFade(int step);
  void StopMusic();
  void StopMusicBuffer();

  enum class Mode { Idle, File, Embedded };
  Mode CurrentMode() const { return mode_; }
  bool Fading() const { return fading_; }
  int CurrentVolume() const { return volume_; }

 private:
  // The stream as its header describes it, with absolute positions in the source.
  struct Track {
    uint8_t scale = 0;
    int channels = 0;
    int rate = 0;
    uint64_t dataStart = 0;
    uint64_t dataEnd = 0;
    uint64_t loopStart = 0;
    WadyStates loopStates;
  };

  void SetMusic(int n, int bgm, ScriptState& state);
  bool OpenTrack(CodedSource& source, uint64_t offset, uint64_t entrySize);
  void StartRing(int volume);
  // Decodes the next second of the track into pcm_, going on at the loop start at the end.
  void DecodeSecond();
  size_t DecodeFrames(size_t at, size_t frames);
  CodedSource* Source() const;

  Sound& sound_;
  const Archives& archives_;
  const Settings& settings_;
  Mode mode_ = Mode::Idle;
  std::shared_ptr<CodedSource> musicFile_;  // open while a music archive streams
  std::shared_ptr<CodedSource> embedded_;   // the animation's stream
  Track track_;
  WadyStates states_;
  uint64_t readPosition_ = 0;
  int nextSegment_ = 0;
  int volume_ = 0;
  int64_t fadeLevel_ = 0;
  int64_t fadeStep_ = 0;
  bool fading_ = false;
  std::vector<uint8_t> coded_;  // one second of coded bytes, reused for every refill
  std::vector<int16_t> pcm_;    // one second of samples
};

}  // namespace tolven
