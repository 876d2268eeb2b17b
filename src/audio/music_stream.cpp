#include "audio/music_stream.h"

#include <algorithm>
#include <array>

#include "base/engine_values.h"
#include "resources/regular_file.h"

namespace tolven {
namespace {

constexpr int kRingSeconds = 4;

// A music archive kept open while its track streams.
class FileSource final : public CodedSource {
 public:
  explicit FileSource(RegularFile file) : file_(std::move(file)) {}
  uint64_t Size() const override { return file_.Size(); }
  bool ReadAt(uint64_t position, uint8_t* out, size_t length) override {
    return file_.ReadAt(position, out, length);
  }

 private:
  RegularFile file_;
};

}  // namespace

void MusicStream::SetMusic(int n, int bgm, ScriptState& state) {
  const int requested = std::max(n, 0);
  const int64_t fadeStep = n < 0 ? -static_cast<int64_t>(n) : 0;
  state.S(sv::kRequestedTrack) = requested;
  if (requested == state.S(sv::kPlayingTrack)) return;
  if (bgm == 0) {
    if (requested > 0) {
      PlayMusicTrack(requested);
    } else if (fadeStep > 0) {
      BeginMusicFade(static_cast<int>(std::min<int64_t>(fadeStep, INT32_MAX)));
    } else {
      StopMusic();
    }
  }
  state.S(sv::kPlayingTrack) = bgm == 1 ? 0 : requested;
}

void MusicStream::MusicSwitched(int previousBgm, ScriptState& state) {
  const int kept = state.S(sv::kRequestedTrack);
  SetMusic(0, previousBgm, state);
  SetMusic(kept, settings_.BGM, state);
  state.S(sv::kRequestedTrack) = kept;
}

void MusicStream::PlayMusicTrack(int n) {
  const std::optional<ArchiveEntry> entry = archives_.FindMusic(n);
  if (entry) StartMusicStream(entry->archive, entry->offset, entry->size);
}

void MusicStream::StartMusicStream(std::string_view archive, uint64_t offset, uint64_t entrySize) {
  if (!sound_.Available()) return;
  volume_ = settings_.Vol3;
  fading_ = false;
  sound_.Slots().Empty(kMusicSlot);
  sound_.Slots().Empty(kMusicSpareSlot);
  musicFile_.reset();
  std::optional<RegularFile> file = RegularFile::Open(archives_.GameDirectory() / archive);
  if (!file) return;
  musicFile_ = std::make_shared<FileSource>(std::move(*file));
  if (!OpenTrack(*musicFile_, offset, entrySize)) {
    musicFile_.reset();
    return;
  }
  mode_ = Mode::File;
  StartRing(volume_);
}

void MusicStream::StartEmbeddedMusic(std::shared_ptr<CodedSource> stream, uint64_t offset) {
  if (!sound_.Available() || !stream) return;
  if (mode_ == Mode::File) StopMusic();
  sound_.Slots().Empty(kMusicSlot);
  musicFile_.reset();
  if (!OpenTrack(*stream, offset, std::numeric_limits<uint64_t>::max())) return;
  embedded_ = std::move(stream);
  mode_ = Mode::Embedded;
  StartRing(settings_.Vol3);
}

// Reads and checks the header. A track is refused when its format is one the ring cannot
// hold. A loop start at or past the end of the data would leave nothing to loop: such a track
// loops from its beginning, where the decoder states are 0.
bool MusicStream::OpenTrack(CodedSource& source, uint64_t offset, uint64_t entrySize) {
  std::array<uint8_t, kWadyHeaderSize> bytes;
  if (!source.ReadAt(offset, bytes.data(), bytes.size())) return false;
  const std::optional<WadyHeader> header = ReadWadyHeader(bytes);
  if (!header || (header->channels != 1 && header->channels != 2) || header->rate == 0 ||
      uint64_t{header->rate} * header->channels > kMaxSamplesPerSecond) {
    return false;
  }
  Track track;
  track.scale = header->scale;
  track.channels = header->channels;
  track.rate = static_cast<int>(header->rate);
  track.dataStart = offset + kWadyHeaderSize;
  const uint64_t entryEnd = offset + std::min(entrySize, source.Size());
  track.dataEnd = std::min({track.dataStart + header->codedSize, entryEnd, source.Size()});
  track.dataEnd = std::max(track.dataEnd, track.dataStart);
  track.loopStart = track.dataStart + header->loopStart;
  track.loopStates = {header->loopLeft, header->loopRight};
  if (track.loopStart >= track.dataEnd) {
    track.loopStart = track.dataStart;
    track.loopStates = {};
  }
  track_ = track;
  states_ = {};
  readPosition_ = track.dataStart;
  return true;
}

// Fills all four segments the way later refills do, so an entry shorter than the ring loops
// at its loop start from the first pass on instead of playing whatever follows it.
void MusicStream::StartRing(int volume) {
  const size_t second = static_cast<size_t>(track_.rate) * track_.channels;
  coded_.resize(second);
  pcm_.resize(second);
  Pcm ring;
  ring.rate = track_.rate;
  ring.channels = track_.channels;
  ring.samples.reserve(second * kRingSeconds);
  for (int segment = 0; segment < kRingSeconds; ++segment) {
    DecodeSecond();
    ring.samples.insert(ring.samples.end(), pcm_.begin(), pcm_.end());
  }
  sound_.Slots().Play(kMusicSlot, std::move(ring), volume, true);
  nextSegment_ = 0;
}

CodedSource* MusicStream::Source() const {
  return mode_ == Mode::Embedded ? embedded_.get() : musicFile_.get();
}

void MusicStream::DecodeSecond() {
  const size_t channels = static_cast<size_t>(track_.channels);
  const size_t frames = static_cast<size_t>(track_.rate);
  size_t done = 0;
  while (done < frames) {
    const size_t available = static_cast<size_t>(track_.dataEnd - readPosition_) / channels;
    if (available == 0) {
      if ((track_.dataEnd - track_.loopStart) / channels == 0) break;  // nothing to loop
      readPosition_ = track_.loopStart;
      states_ = track_.loopStates;
      continue;
    }
    const size_t decoded = DecodeFrames(done, std::min(frames - done, available));
    if (decoded == 0) break;  // the source ended early: the rest stays silent
    done += decoded;
  }
  std::fill(pcm_.begin() + static_cast<ptrdiff_t>(done * channels), pcm_.end(), 0);
}

size_t MusicStream::DecodeFrames(size_t at, size_t frames) {
  const size_t channels = static_cast<size_t>(track_.channels);
  const size_t bytes = frames * channels;
  CodedSource* source = Source();
  if (!source || !source->ReadAt(readPosition_, coded_.data(), bytes)) return 0;
  readPosition_ += bytes;
  return DecodeWadyBytes(std::span(coded_).first(bytes), std::span(pcm_).subspan(at * channels),
                         track_.scale, states_, track_.channels, frames);
}

void MusicStream::UpdateMusicStream() {
  Mixer& slots = sound_.Slots();
  if (!sound_.Available() || mode_ == Mode::Idle || !slots.Holds(kMusicSlot)) return;
  if (fading_) {
    fadeLevel_ -= fadeStep_;
    if (fadeLevel_ < kFadeFloor) {
      StopMusic();
      fading_ = false;
      return;
    }
    volume_ = static_cast<int>(fadeLevel_);
    slots.SetVolume(kMusicSlot, volume_);
  }
  const int playing = static_cast<int>(slots.PlayFrame(kMusicSlot) / track_.rate);
  while (nextSegment_ != playing) {
    DecodeSecond();
    slots.Write(kMusicSlot, static_cast<size_t>(nextSegment_) * track_.rate, pcm_);
    nextSegment_ = (nextSegment_ + 1) % kRingSeconds;
  }
}

void MusicStream::BeginMusicFade(int step) {
  fadeLevel_ = volume_;
  fadeStep_ = step;
  fading_ = true;
}

void MusicStream::StopMusic() {
  if (mode_ == Mode::Idle) return;
  mode_ = Mode::Idle;
  sound_.Slots().Empty(kMusicSlot);
  musicFile_.reset();
  embedded_.reset();
}

void MusicStream::StopMusicBuffer() {
  mode_ = Mode::Idle;
  sound_.Slots().Empty(kMusicSlot);
  embedded_.reset();
}

}  // namespace tolven
